#pragma once

// The extended-helper operations that carry exported data records, for `op` and `ops`.
//
// A record in-argument is one JSON object on the command line naming every field of the record
// ('{"Field0": 2024, "Field1": 12, ...}'); a field left out or unknown refuses the argument. A record
// out-value is printed as a JSON object with the same names, or null when the operation failed.
// Number arguments are decimal or 0x-hexadecimal, as everywhere.

#include "Arguments.h"
#include "Outcome.h"
#include "RecordJson.h"

#include "CommunicationHelperExtended.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolctl {

struct RecordOperationResult {
    int result = 0;
    Json outs = Json::array(); // the out-values in argument order, records as objects
};

struct RecordOperation {
    std::string_view name;
    std::vector<std::string_view> arguments; // kinds for `ops`: "byte", "ClockSet", "ClockSet*", ...
    // In-arguments as texts; nothing and *error when one cannot be read.
    std::function<std::optional<RecordOperationResult>(
        ICommunicationHelperExtended& helper, const std::vector<std::string>& inArgs, std::string* error)>
        invoke;
    std::size_t InCount() const;
};

// In interface order.
const std::vector<RecordOperation>& RecordOperations();
const RecordOperation* FindRecordOperation(std::string_view name);

// `op NAME ARGS...` for a record operation: nothing when NAME is not one (the caller then tries the
// number-only operations), else the outcome with "result", "outs", "values" and "connectStatus".
std::optional<Outcome> RunRecordOperation(const Request& request);

// The JSON syntax of a record kind ("ClockSet", "ClockSet*", "ModuleInformation list*"): an object
// with every field at its default value.
std::string RecordSyntax(std::string_view kind);

// The record kinds by name, in the order `ops` shows them.
std::vector<std::string_view> RecordKindNames();

// A record argument of `kind` as zolctl reads it from the command line, given back the way an out-value
// is printed; nothing and *error when the text is not a whole record of that kind.
std::optional<Json> ReadRecordArgument(std::string_view kind, const std::string& text, std::string* error);

// Records and JSON objects, by the field names above.
Json RecordToJson(const ClockSet& record);
Json RecordToJson(const BlockRGBData& record);
Json RecordToJson(const ModuleInformation& record);
bool RecordFromJson(const Json& object, ClockSet& record, std::string* error);
bool RecordFromJson(const Json& object, BlockRGBData& record, std::string* error);

} // namespace zolctl
