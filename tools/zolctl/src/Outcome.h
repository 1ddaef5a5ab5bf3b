#pragma once

// What one command produced: the JSON object it reports, an optional hand-made text form, a message for
// stderr and the exit status.

#include "RecordJson.h"

#include <ostream>
#include <string>

namespace zolctl {

enum ExitStatus : int {
    kExitSuccess = 0, // the library reported success: a nonzero status, true, or an ACK
    kExitFailure = 1, // it reported failure: status 0, false, or no reply
    kExitUsage = 2,   // bad option, unknown command or operation
    kExitNak = 3,     // the display refused (NAK)
};

struct Outcome {
    int exitCode = kExitSuccess;
    Json json = Json::object();
    std::string text;    // when not empty, printed instead of the JSON's text form
    std::string message; // for stderr
};

// A usage error found once the command runs (a file that cannot be used): exit 2, {"error": message}.
Outcome UsageOutcome(std::string message);

// The JSON text of `json` on one line. Texts that are not UTF-8 (a file name as the system gave it) are
// written with U+FFFD in place of each bad byte rather than failing.
std::string JsonText(const Json& json);

// With `asJson` exactly one JSON object on `out`; otherwise a readable form. The message goes to `err`.
void PrintOutcome(const Outcome& outcome, bool asJson, std::ostream& out, std::ostream& err);

// The readable form of a JSON object: "key: value" lines, nested objects indented.
std::string TextForm(const Json& json);

} // namespace zolctl
