#pragma once

// Everything a command that talks to a display needs: the shared command handler set up from the options,
// the display's record, and its pooled connection, opened first so that the connect status is known.

#include "Arguments.h"
#include "Outcome.h"
#include "Target.h"

#include "ZOLCommandHandler.h"

#include <optional>

namespace zolctl {

struct Session {
    IZOLCommandHandler* handler = nullptr;
    CLFDDataPtr record;
    int connectStatus = 0;
};

// Opens the session. When the connection cannot be used, nothing is sent: `failure` then holds the
// outcome to report (result `failedResult`, the connect status, the error kind, a message) and the
// result is empty.
// A connection that opened with a PIN complaint still carries command 0x11, as in the library.
std::optional<Session> OpenSession(const Request& request, int code, const Json& failedResult,
                                   Outcome& failure);

} // namespace zolctl
