#include "Actions.h"

#include "Arguments.h"
#include "Numbers.h"

#include "helpers/OperationTable.h"

#include <algorithm>

#include <optional>
#include <regex>
#include <variant>

namespace zold {

namespace {

constexpr std::size_t kMostDataBytes = 255; // what one command carries, as zolctl exec takes it
constexpr int kByteMax = 255;

const std::regex& ActionPattern() {
    static const std::regex pattern(kActionPath);
    return pattern;
}

// A refusal carried out of the checks below.
struct Refused {
    ApiReply reply;
};

Refused BadArguments(const std::string& message) {
    return {Refusal(400, "bad-arguments", message)};
}

std::variant<Json, Refused> ParseBody(const std::string& body) {
    if (body.empty()) {
        return Json::object();
    }
    Json json = Json::parse(body, nullptr, false);
    if (json.is_discarded()) {
        return Refused{Refusal(400, "bad-json", "the body is not JSON")};
    }
    if (!json.is_object()) {
        return Refused{Refusal(400, "bad-json", "the body must be a JSON object")};
    }
    return json;
}

std::optional<Refused> OnlyKeys(const Json& body, std::initializer_list<const char*> known) {
    for (const auto& item : body.items()) {
        const std::string& key = item.key();
        if (std::find_if(known.begin(), known.end(), [&key](const char* k) { return key == k; }) ==
            known.end()) {
            return BadArguments("unknown key \"" + key + "\" in the body");
        }
    }
    return std::nullopt;
}

std::variant<std::vector<const WallDisplay*>, Refused> Select(const Wall& wall, const std::string& selector) {
    std::vector<const WallDisplay*> chosen;
    if (!selector.empty() && selector.front() == '@') {
        const std::string group = selector.substr(1);
        for (const WallDisplay& display : wall.displays) {
            if (std::find(display.groups.begin(), display.groups.end(), group) != display.groups.end()) {
                chosen.push_back(&display);
            }
        }
        if (chosen.empty()) {
            return Refused{Refusal(404, "unknown-group", "no display is in group \"" + group + "\"")};
        }
        return chosen;
    }
    const WallDisplay* display = wall.Find(selector);
    if (display == nullptr) {
        return Refused{Refusal(404, "unknown-display", "no display is named \"" + selector + "\"")};
    }
    chosen.push_back(display);
    return chosen;
}

// A number as a JSON integer or a text the way zolctl reads one (decimal or 0x-hexadecimal).
std::optional<long long> Number(const Json& value, long long minimum, long long maximum) {
    if (value.is_number_integer()) {
        const long long number = value.get<long long>();
        return number >= minimum && number <= maximum ? std::optional(number) : std::nullopt;
    }
    if (value.is_string()) {
        return zolctl::ParseNumber(value.get<std::string>(), minimum, maximum);
    }
    return std::nullopt;
}

std::variant<ZOLFleet::Command, Refused> OperationCommand(const std::string& name, const Json& body) {
    if (std::optional<Refused> refused = OnlyKeys(body, {"arguments"})) {
        return *refused;
    }
    if (zol::helpers::FindOperation(name) == nullptr) {
        return Refused{Refusal(404, "unknown-operation", "no operation is named \"" + name + "\"")};
    }
    std::vector<std::string> arguments;
    if (const auto given = body.find("arguments"); given != body.end()) {
        if (!given->is_array()) {
            return BadArguments("\"arguments\" must be an array of texts");
        }
        for (const Json& argument : *given) {
            if (argument.is_string()) {
                arguments.push_back(argument.get<std::string>());
            } else if (argument.is_number_integer()) {
                arguments.push_back(std::to_string(argument.get<long long>()));
            } else {
                return BadArguments("each argument is a text (or an integer), as zolctl op takes it");
            }
        }
    }
    if (std::optional<std::string> problem = zolctl::TableOperationProblem(name, arguments)) {
        return BadArguments(*problem);
    }
    return ZOLFleet::Command::Operation(name, std::move(arguments));
}

std::variant<ZOLFleet::Command, Refused> ExecuteCommand(const Json& body) {
    if (std::optional<Refused> refused = OnlyKeys(body, {"code", "data"})) {
        return *refused;
    }
    const auto code = body.find("code");
    if (code == body.end()) {
        return BadArguments("\"code\" is missing: the command code, 0..255");
    }
    const std::optional<long long> number = Number(*code, 0, kByteMax);
    if (!number) {
        return BadArguments(
            "\"code\" must be a command code 0..255 (an integer, or a text such as \"0x11\")");
    }
    std::vector<unsigned char> data;
    if (const auto bytes = body.find("data"); bytes != body.end()) {
        if (!bytes->is_array() || bytes->size() > kMostDataBytes) {
            return BadArguments("\"data\" must be an array of at most 255 bytes");
        }
        for (const Json& byte : *bytes) {
            const std::optional<long long> value = Number(byte, 0, kByteMax);
            if (!value) {
                return BadArguments("each data byte is 0..255");
            }
            data.push_back(static_cast<unsigned char>(*value));
        }
    }
    return ZOLFleet::Command::Execute(static_cast<unsigned char>(*number), std::move(data));
}

std::variant<ZOLFleet::Command, Refused> CommandFor(const ActionRequest& request, const Json& body) {
    switch (request.kind) {
    case ActionKind::Operation:
        return OperationCommand(request.operation, body);
    case ActionKind::Execute:
        return ExecuteCommand(body);
    case ActionKind::Refresh:
        if (std::optional<Refused> refused = OnlyKeys(body, {})) {
            return *refused;
        }
        return StatusCommand();
    }
    return StatusCommand();
}

Json ResultJson(const WallResult& result) {
    const ZOLFleet::DisplayResult& r = result.result;
    return {{"name", result.display->name},
            {"status", r.status},
            {"connectStatus", r.connectStatus},
            {"error", ZOLFleet::ErrorKindName(r.error)},
            {"outs", r.outs},
            {"changed", r.changed},
            {"elapsedMs", Milliseconds(result.elapsed)}};
}

} // namespace

ApiReply Refusal(int status, const std::string& code, const std::string& message) {
    return {status, {{"error", code}, {"message", message}}};
}

std::string ReplyText(const ApiReply& reply) {
    // A refusal quotes the path, and a decoded path may hold bytes that are not UTF-8: those are sent as
    // U+FFFD rather than failing the reply.
    return reply.body.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::variant<PlannedRun, ApiReply> CheckAction(const ActionRequest& request, const Wall& wall) {
    std::variant<Json, Refused> body = ParseBody(request.body);
    if (auto* refused = std::get_if<Refused>(&body)) {
        return refused->reply;
    }
    std::variant<std::vector<const WallDisplay*>, Refused> chosen = Select(wall, request.selector);
    if (auto* refused = std::get_if<Refused>(&chosen)) {
        return refused->reply;
    }
    std::variant<ZOLFleet::Command, Refused> command = CommandFor(request, std::get<Json>(body));
    if (auto* refused = std::get_if<Refused>(&command)) {
        return refused->reply;
    }
    return PlannedRun{std::get<std::vector<const WallDisplay*>>(std::move(chosen)),
                      std::get<ZOLFleet::Command>(std::move(command))};
}

std::optional<ActionRequest> ActionRoute(const std::string& path, std::string body) {
    std::smatch match;
    if (!std::regex_match(path, match, ActionPattern())) {
        return std::nullopt;
    }
    ActionRequest action;
    action.selector = match[1];
    const std::string what = match[2];
    action.kind = what == "exec"      ? ActionKind::Execute
                  : what == "refresh" ? ActionKind::Refresh
                                      : ActionKind::Operation;
    action.operation = match[3];
    action.body = std::move(body);
    return action;
}

ApiReply RunAction(const ActionRequest& request, const Wall& wall, const ActionContext& context) {
    std::variant<PlannedRun, ApiReply> checked = CheckAction(request, wall);
    if (auto* refused = std::get_if<ApiReply>(&checked)) {
        return *refused;
    }
    const PlannedRun& run = std::get<PlannedRun>(checked);
    const std::vector<const WallDisplay*>& displays = run.displays;
    std::vector<Json> rows(displays.size());
    ZOLFleet::RunSummary summary;
    try {
        summary = RunOnWall(
            context.engine, displays, run.command,
            [&](const WallResult& result) {
                context.metrics.Observe(result);
                context.states.Record(result.display->name, result);
                const auto at = std::find(displays.begin(), displays.end(), result.display);
                rows.at(static_cast<std::size_t>(at - displays.begin())) = ResultJson(result);
            },
            context.cancel,
            [&](const WallDisplay& display) { return context.states.Find(display.name).values; });
    } catch (const std::invalid_argument& failure) {
        // The checks above take what the engine takes; this is the engine's word on the same thing.
        return BadArguments(failure.what()).reply;
    }
    Json results = Json::array();
    for (Json& row : rows) {
        results.push_back(std::move(row));
    }
    return {200,
            {{"results", std::move(results)},
             {"summary",
              {{"total", summary.total},
               {"ok", summary.ok},
               {"failed", summary.failed},
               {"cancelled", summary.cancelled},
               {"elapsedMs", summary.elapsed.count()}}}}};
}

} // namespace zold
