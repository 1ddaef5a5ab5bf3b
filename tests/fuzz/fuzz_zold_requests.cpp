// zold's requests that change displays, checked as the service checks them before anything is sent: the
// path mapped to an action, the bearer token, the body checked whole against a wall of three displays.
// Nothing is run: no display is reached and no socket is opened.
//
// Input: "METHOD PATH", a line break, the Authorization header's value, a line break, the body.
// Invariants: nothing throws; a path is an action only for what the route names, and the action gives the
// path back; its log line holds no control character; the token is taken only as "Bearer TOKEN" (blanks
// around TOKEN aside); a refusal is a 400 or 404 with a text code and message, and every reply serialises;
// a planned run names, in wall order, the display named or every display of the group, and carries a
// command the engine runs (a known operation with as many arguments as it takes, at most 255 data bytes,
// the status command for a refresh).

#include "FuzzSupport.h"

#include "Actions.h"
#include "Inventory.h"
#include "Log.h"
#include "Token.h"
#include "Wall.h"
#include "WallRun.h"

#include "helpers/OperationTable.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kToken = "wall-secret";

constexpr const char* kInventory = R"([[display]]
name = "lobby-1"
host = "10.0.0.5"
groups = ["lobby", "wall-a"]

[[display]]
name = "lobby-2"
host = "10.0.0.6:1516"
id = 2
groups = ["lobby"]

[[display]]
name = "atrium"
serial = "/dev/ttyUSB0"
groups = ["wall-a"]
)";

// The wall as LoadWall builds it, without resolving hosts or reading PIN files.
zold::Wall MakeWall() {
    std::string error;
    const std::optional<zolctl::Inventory> inventory =
        zolctl::ParseInventory(kInventory, "/wall/inventory.toml", &error);
    if (!inventory) {
        std::fprintf(stderr, "the wall's inventory does not read: %s\n", error.c_str());
        std::abort();
    }
    zold::Wall wall;
    for (const zolctl::InventoryDisplay& entry : inventory->displays) {
        zold::WallDisplay display;
        display.name = entry.name;
        display.groups = entry.groups;
        display.target = entry.target;
        display.address = entry.target.host.empty() ? entry.target.serial : entry.target.host;
        wall.byName.emplace(display.name, wall.displays.size());
        wall.displays.push_back(std::move(display));
    }
    return wall;
}

const zold::Wall& TheWall() {
    static const zold::Wall wall = MakeWall();
    return wall;
}

const zold::BearerToken& TheToken() {
    static const zold::BearerToken token = zold::BearerToken::FromText(kToken);
    return token;
}

// The first line of `text`, taken off it.
std::string TakeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    const std::string line(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    return line;
}

// What the service takes: the scheme, then the token with any blanks around it.
bool TokenShouldPass(std::string_view header) {
    constexpr std::string_view kScheme = "Bearer ";
    if (header.substr(0, kScheme.size()) != kScheme) {
        return false;
    }
    std::string_view rest = header.substr(kScheme.size());
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!rest.empty() && blank(rest.front())) {
        rest.remove_prefix(1);
    }
    while (!rest.empty() && blank(rest.back())) {
        rest.remove_suffix(1);
    }
    return rest == kToken;
}

std::string PathOf(const zold::ActionRequest& action) {
    std::string path = "/api/v1/displays/" + action.selector + "/";
    switch (action.kind) {
    case zold::ActionKind::Operation:
        return path + "ops/" + action.operation;
    case zold::ActionKind::Execute:
        return path + "exec";
    case zold::ActionKind::Refresh:
        return path + "refresh";
    }
    return path;
}

void CheckRefusal(const zold::ApiReply& reply) {
    ZOL_FUZZ_CHECK(reply.status == 400 || reply.status == 404);
    ZOL_FUZZ_CHECK(reply.body.is_object() && reply.body.size() == 2);
    ZOL_FUZZ_CHECK(reply.body.contains("error") && reply.body["error"].is_string());
    ZOL_FUZZ_CHECK(reply.body.contains("message") && reply.body["message"].is_string());
}

void CheckRun(const zold::ActionRequest& action, const zold::PlannedRun& run, const zold::Wall& wall) {
    std::vector<const zold::WallDisplay*> expected;
    for (const zold::WallDisplay& display : wall.displays) {
        const bool inGroup = std::find(display.groups.begin(), display.groups.end(),
                                       action.selector.substr(1)) != display.groups.end();
        if (action.selector.front() == '@' ? inGroup : display.name == action.selector) {
            expected.push_back(&display);
        }
    }
    ZOL_FUZZ_CHECK(!run.displays.empty());
    ZOL_FUZZ_CHECK(run.displays == expected);
    const ZOLFleet::Command& command = run.command;
    switch (action.kind) {
    case zold::ActionKind::Refresh:
        ZOL_FUZZ_CHECK(zold::IsStatus(command));
        break;
    case zold::ActionKind::Execute:
        ZOL_FUZZ_CHECK(command.kind == ZOLFleet::Command::Kind::Execute);
        ZOL_FUZZ_CHECK(command.data.size() <= 255);
        break;
    case zold::ActionKind::Operation: {
        ZOL_FUZZ_CHECK(command.kind == ZOLFleet::Command::Kind::Operation);
        ZOL_FUZZ_CHECK(command.operation == action.operation);
        const zol::helpers::Operation* operation = zol::helpers::FindOperation(command.operation);
        ZOL_FUZZ_CHECK(operation != nullptr);
        ZOL_FUZZ_CHECK(operation->InCount() == command.arguments.size());
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string requestLine = TakeLine(text);
    const std::string authorization = TakeLine(text);
    const std::string body(text);
    const std::size_t space = requestLine.find(' ');
    const std::string method = requestLine.substr(0, space);
    const std::string path = space == std::string::npos ? std::string() : requestLine.substr(space + 1);

    // Only POSTs are routed to actions; any other method is refused before a check.
    if (method != "POST") {
        return 0;
    }
    const std::optional<zold::ActionRequest> action =
        zol::fuzz::WithoutExceptions("ActionRoute", [&] { return zold::ActionRoute(path, body); });
    if (!action) {
        return 0;
    }
    ZOL_FUZZ_CHECK(PathOf(*action) == path);
    ZOL_FUZZ_CHECK(!action->selector.empty());
    ZOL_FUZZ_CHECK(action->body == body);
    // The server logs a refused path before it checks the token: nothing in it may end its line.
    const std::string logged = zold::LogLine(zold::LogLevel::Warning, "refused " + path);
    ZOL_FUZZ_CHECK(std::none_of(logged.begin(), logged.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }));

    // Checked whatever the token, so that an input that loses it still searches the checks.
    ZOL_FUZZ_CHECK(TheToken().Accepts(authorization) == TokenShouldPass(authorization));

    const zold::Wall& wall = TheWall();
    const std::variant<zold::PlannedRun, zold::ApiReply> checked =
        zol::fuzz::WithoutExceptions("CheckAction", [&] { return zold::CheckAction(*action, wall); });
    if (const auto* refused = std::get_if<zold::ApiReply>(&checked)) {
        CheckRefusal(*refused);
        // What the client is sent: a refusal quotes the path, which may hold any byte.
        const std::string sent =
            zol::fuzz::WithoutExceptions("ReplyText", [&] { return zold::ReplyText(*refused); });
        ZOL_FUZZ_CHECK(!sent.empty());
        return 0;
    }
    CheckRun(*action, std::get<zold::PlannedRun>(checked), wall);
    return 0;
}
