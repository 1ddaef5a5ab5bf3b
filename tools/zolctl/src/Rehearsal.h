#pragma once

// An operation run against a simulated display held in memory instead of a real one: what the display
// received, and which record values its replies stored. `ops --describe` and the tests of the argument
// syntaxes are built on it. Nothing leaves the process, pauses are instant and a display that stays
// silent costs no wait.

#include "CommunicationHelperExtended.h"
#include "zolsim/Wire.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zolctl {

// The record's kind values the rehearsal tries, in order, until the operation sends something: an
// operation that only some kinds of display have is shown for the first kind that has it.
struct DisplayKind {
    int productFamily = 0;
    int linkVariant = 0;
    int modelCode = 0;
};

struct Rehearsal {
    DisplayKind kind;                      // the kind the requests below were sent for
    std::vector<zolsim::Request> requests; // every request as the display received it
    std::vector<std::string> stored;       // the record values the replies stored
    bool ran = false;                      // false when an argument was refused
    std::string error;
};

// Runs the operation through a fresh helper; false and *error when it refuses its arguments.
using Performance = std::function<bool(ICommunicationHelperExtended& helper, std::string* error)>;

Rehearsal Rehearse(const Performance& perform);

} // namespace zolctl
