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

// With `asJson` exactly one JSON object on `out`; otherwise a readable form. The message goes to `err`.
void PrintOutcome(const Outcome& outcome, bool asJson, std::ostream& out, std::ostream& err);

// The readable form of a JSON object: "key: value" lines, nested objects indented.
std::string TextForm(const Json& json);

} // namespace zolctl
