#pragma once

// The requests that change displays: an operation by name, one command with its data bytes, and a poll
// now. Each names one display or @GROUP, is checked whole before anything is sent (a refused request
// reaches no display), then runs through the fleet engine and answers one result per display.

#include "Metrics.h"
#include "Wall.h"
#include "WallState.h"

#include "ZOLFleet.h"

#include <string>

namespace zold {

struct ApiReply {
    int status = 200;
    Json body = Json::object();
};

// A refusal: {"error": code, "message": text}.
ApiReply Refusal(int status, const std::string& code, const std::string& message);

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

// Runs the request against the wall; the caller has checked that it may.
ApiReply RunAction(const ActionRequest& request, const Wall& wall, const ActionContext& context);

} // namespace zold
