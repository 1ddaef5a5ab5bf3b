#pragma once

// Why a display could not be used, named as the fleet engine names it ("refused", "tls-untrusted",
// "no-reply", ...), and said in a sentence for the user. One display's commands and fan-out over many
// share these, so that both report a failure alike.

#include "Arguments.h"

#include "ZOLFleet.h"

#include <string>

namespace zolctl {

// What a connect that failed left behind.
struct ConnectFailure {
    int connectStatus = 1;            // what the connection wrote while opening (1, 2, 3, 4, 100, 201)
    int lastError = 0;                // errno of the socket connect or the serial open; 0 when unknown
    bool certificateRejected = false; // secured session: the display's certificate is not trusted
    bool pinRefused = false;          // secured session: the display refused the PIN
    std::string statusText = {};      // the secured start's failure text, e.g. "[Client Handshake]-1"
};

// Reads what the target's pooled connection left behind after it failed to open with `connectStatus`.
// Call it before the connection is forgotten.
ConnectFailure ReadConnectFailure(const Target& target, int connectStatus);

// The kind of a failed connect.
ZOLFleet::ErrorKind ConnectErrorKind(const ConnectFailure& failure);

// The kind of a command that came back with `status` (0 failure) over a connection that opened with
// `connectStatus`; `nak` when the display refused it. A connection that broke down on the way (refused
// when it was made again, say) is named by what its pooled connection left behind.
ZOLFleet::ErrorKind CommandErrorKind(const Target& target, unsigned status, bool nak, int connectStatus);

// The kind's name as the fleet engine writes it.
std::string ErrorKindText(ZOLFleet::ErrorKind kind);

// A sentence for stderr: "connection refused on 127.0.0.1 port 1515", "the certificate of ... is not
// trusted: ...".
std::string DescribeConnectFailure(const ConnectFailure& failure, const Target& target);

} // namespace zolctl
