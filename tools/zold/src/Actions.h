#pragma once

// The requests that change displays: an operation by name, one command with its data bytes, and a poll
// now. Each names one display or @GROUP, is checked whole before anything is sent (a refused request
// reaches no display), then runs through the fleet engine and answers one result per display.

#include "Metrics.h"
#include "Wall.h"
#include "WallState.h"

#include "ZOLFleet.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zold {

struct ApiReply {
    int status = 200;
    Json body = Json::object();
};

// A refusal: {"error": code, "message": text}.
ApiReply Refusal(int status, const std::string& code, const std::string& message);

// The reply's body as it is sent (bytes that are not UTF-8 in its texts become U+FFFD).
std::string ReplyText(const ApiReply& reply);

enum class ActionKind { Operation, Execute, Refresh };

struct ActionRequest {
    ActionKind kind = ActionKind::Refresh;
    std::string selector;  // a display name or @GROUP
    std::string operation; // ActionKind::Operation: its name
    std::string body;      // the request body as sent (may be empty)
};

struct ActionContext {
    ZOLFleet::Engine& engine;
    StateTable& states;
    Metrics& metrics;
    const ZOLFleet::CancelToken* cancel = nullptr;
};

// What a request that passed every check runs: the displays it names, in wall order, and the command.
struct PlannedRun {
    std::vector<const WallDisplay*> displays;
    ZOLFleet::Command command;
};

// Checks the request whole against the wall and sends nothing: the refusal, or the run RunAction makes.
std::variant<PlannedRun, ApiReply> CheckAction(const ActionRequest& request, const Wall& wall);

// The paths POSTs go to: /api/v1/displays/SELECTOR/ops/NAME, .../exec and .../refresh.
inline constexpr const char* kActionPath = R"(/api/v1/displays/([^/]+)/(ops/([^/]+)|exec|refresh))";

// The action a POST to `path` asks for, with `body` as its body; nothing when the path names none.
std::optional<ActionRequest> ActionRoute(const std::string& path, std::string body);

// Runs the request against the wall; the caller has checked that it may.
ApiReply RunAction(const ActionRequest& request, const Wall& wall, const ActionContext& context);

} // namespace zold
