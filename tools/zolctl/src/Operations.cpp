#include "Operations.h"

#include "RecordOperations.h"
#include "Session.h"

#include "CommunicationHelperExtended.h"
#include "fleet/ChangeWatch.h"
#include "helpers/OperationTable.h"

#include <memory>
#include <variant>

namespace zolctl {

namespace {

struct HelperRelease {
    void operator()(ICommunicationHelperExtended* helper) const {
        if (helper != nullptr) {
            helper->Release();
        }
    }
};
using HelperPtr = std::unique_ptr<ICommunicationHelperExtended, HelperRelease>;

// Exit status by what the operation's result means: a status fails at 0, an ACK code tells a refusal
// and a silence apart, a plain value or nothing never fails.
int ExitFor(zol::helpers::ResultKind kind, int result) {
    switch (kind) {
    case zol::helpers::ResultKind::Status:
        return result != 0 ? kExitSuccess : kExitFailure;
    case zol::helpers::ResultKind::AckCode:
        return result == 1 ? kExitSuccess : result == 2 ? kExitNak : kExitFailure;
    default:
        return kExitSuccess;
    }
}

// An out-value as JSON: texts as strings, lists as arrays, ranges as [first, last] pairs.
Json OutJson(const zol::helpers::OutValue& value) {
    return std::visit([](const auto& held) { return Json(held); }, value);
}

// The out-values, or null for each when the result says that no reply filled them.
Json OutsJson(const zol::helpers::Operation& operation, const zol::helpers::OperationResult& result) {
    const bool filled = ExitFor(operation.result, result.result) == kExitSuccess;
    Json outs = Json::array();
    for (const zol::helpers::OutValue& value : result.values) {
        outs.push_back(filled ? OutJson(value) : Json());
    }
    return outs;
}

} // namespace

Outcome RunOperation(const Request& request) {
    using zol::helpers::ResultKind;
    if (std::optional<Outcome> viaRecord = RunRecordOperation(request)) {
        return *viaRecord;
    }
    const zol::helpers::Operation* operation = zol::helpers::FindOperation(request.operation);
    if (operation == nullptr) {
        Outcome unknown;
        unknown.exitCode = kExitUsage;
        unknown.json["error"] = "unknown operation \"" + request.operation + "\"";
        unknown.message = unknown.json["error"];
        return unknown;
    }
    Outcome failure;
    std::optional<Session> session = OpenSession(request, -1, 0, failure);
    if (!session) {
        return failure;
    }
    HelperPtr helper(ICommunicationHelperExtendedFactory::CreateInstance(session->record.get()));
    if (!helper) {
        failure.exitCode = kExitFailure;
        failure.message = "the display helper could not be created";
        return failure;
    }

    const LFDSnapshot before = LFDValues::Snapshot(*session->record);
    std::string error;
    std::optional<zol::helpers::OperationResult> result;
    try {
        result = operation->invoke(*helper, request.operationArguments, &error);
    } catch (int) {
        error = request.operation + " was cancelled";
    }
    if (!result) {
        failure.exitCode = kExitUsage;
        failure.json["error"] = error;
        failure.message = error;
        return failure;
    }
    const LFDSnapshot after = LFDValues::Snapshot(*session->record);

    Outcome outcome;
    outcome.json["result"] = operation->result == ResultKind::Nothing ? Json() : Json(result->result);
    outcome.json["connectStatus"] = session->connectStatus;
    outcome.json["outs"] = OutsJson(*operation, *result);
    outcome.json["values"] = ChangedValues(before, after);
    outcome.exitCode = ExitFor(operation->result, result->result);
    if (outcome.exitCode == kExitNak) {
        outcome.message = "the display refused the command (NAK)";
    } else if (outcome.exitCode == kExitFailure) {
        outcome.message = request.operation + " reported failure";
    }
    return outcome;
}

Outcome ListOperations() {
    Json operations = Json::array();
    std::string text;
    for (const zol::helpers::Operation& operation : zol::helpers::Operations()) {
        Json arguments = Json::array();
        std::string shape;
        for (const zol::helpers::ArgKind kind : operation.args) {
            arguments.push_back(std::string(zol::helpers::ArgKindName(kind)));
            shape += std::string(shape.empty() ? "" : ", ") + std::string(zol::helpers::ArgKindName(kind));
        }
        const std::string resultKind(zol::helpers::ResultKindName(operation.result));
        operations.push_back(
            {{"name", std::string(operation.name)}, {"args", arguments}, {"result", resultKind}});
        text.append(operation.name).append("(").append(shape).append(") -> ").append(resultKind).append("\n");
    }
    for (const RecordOperation& operation : RecordOperations()) {
        Json arguments = Json::array();
        std::string shape;
        for (const std::string_view kind : operation.arguments) {
            arguments.push_back(std::string(kind));
            shape += std::string(shape.empty() ? "" : ", ") + std::string(kind);
        }
        operations.push_back(
            {{"name", std::string(operation.name)}, {"args", arguments}, {"result", "status"}});
        text += std::string(operation.name) + "(" + shape + ") -> status\n";
    }
    Outcome outcome;
    outcome.json["operations"] = std::move(operations);
    outcome.text = std::move(text);
    return outcome;
}

Outcome RunRefresh(const Request& request) {
    Outcome failure;
    std::optional<Session> session = OpenSession(request, -1, 0, failure);
    if (!session) {
        return failure;
    }
    zol::fleet::ChangeWatch watch(*session->record);
    HelperPtr helper(ICommunicationHelperExtendedFactory::CreateInstance(&watch));
    if (!helper) {
        failure.exitCode = kExitFailure;
        failure.message = "the display helper could not be created";
        return failure;
    }
    int result = 0;
    try {
        result = helper->RefreshAll(request.refreshMode);
    } catch (int) {
        result = 0;
    }
    Outcome outcome;
    outcome.exitCode = result != 0 ? kExitSuccess : kExitFailure;
    outcome.json["result"] = result;
    outcome.json["connectStatus"] = session->connectStatus;
    // Every value, null for those that no reply stored.
    outcome.json["values"] = StoredValues(LFDValues::Snapshot(*session->record), watch.Stored(), {});
    return outcome;
}

} // namespace zolctl
