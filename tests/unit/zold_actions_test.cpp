// zold's actions before they run: which paths name one, what a checked request plans to run, and that
// every refusal can be sent and logged.

#include "Actions.h"
#include "Log.h"
#include "WallRun.h"

#include <gtest/gtest.h>

namespace {

zold::Wall MakeWall() {
    zold::Wall wall;
    for (const auto& [name, groups] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"lobby-1", {"lobby", "wall-a"}}, {"atrium", {"wall-a"}}, {"lobby-2", {"lobby"}}}) {
        zold::WallDisplay display;
        display.name = name;
        display.groups = groups;
        display.target.host = "10.0.0.5";
        wall.byName.emplace(name, wall.displays.size());
        wall.displays.push_back(std::move(display));
    }
    return wall;
}

TEST(ZoldActions, RouteNamesAnActionOnlyForItsPaths) {
    struct Row {
        std::string path;
        bool action;
        zold::ActionKind kind;
        std::string selector;
        std::string operation;
    };
    const std::vector<Row> rows = {
        {"/api/v1/displays/lobby-1/exec", true, zold::ActionKind::Execute, "lobby-1", ""},
        {"/api/v1/displays/@lobby/refresh", true, zold::ActionKind::Refresh, "@lobby", ""},
        {"/api/v1/displays/a/ops/RefreshAll", true, zold::ActionKind::Operation, "a", "RefreshAll"},
        {"/api/v1/displays//exec", false, {}, "", ""},
        {"/api/v1/displays/a/ops/", false, {}, "", ""},
        {"/api/v1/displays/a/ops/x/y", false, {}, "", ""},
        {"/api/v1/displays/a/b/exec", false, {}, "", ""},
        {"/api/v1/displays/a/exec/", false, {}, "", ""},
        {"/api/v1/displays/a", false, {}, "", ""},
    };
    for (const Row& row : rows) {
        const std::optional<zold::ActionRequest> action = zold::ActionRoute(row.path, "{}");
        ASSERT_EQ(action.has_value(), row.action) << row.path;
        if (action) {
            EXPECT_EQ(action->kind, row.kind) << row.path;
            EXPECT_EQ(action->selector, row.selector) << row.path;
            EXPECT_EQ(action->operation, row.operation) << row.path;
            EXPECT_EQ(action->body, "{}") << row.path;
        }
    }
}

TEST(ZoldActions, GroupPlansEveryMemberInWallOrder) {
    const zold::Wall wall = MakeWall();
    const auto checked = zold::CheckAction(
        *zold::ActionRoute("/api/v1/displays/@lobby/exec", R"({"code":"0x11","data":[1,"0x02"]})"), wall);
    ASSERT_TRUE(std::holds_alternative<zold::PlannedRun>(checked));
    const zold::PlannedRun& run = std::get<zold::PlannedRun>(checked);
    ASSERT_EQ(run.displays.size(), 2u);
    EXPECT_EQ(run.displays[0]->name, "lobby-1");
    EXPECT_EQ(run.displays[1]->name, "lobby-2");
    EXPECT_EQ(run.command.code, 0x11);
    EXPECT_EQ(run.command.data, (std::vector<unsigned char>{1, 2}));

    const auto refresh = zold::CheckAction(*zold::ActionRoute("/api/v1/displays/atrium/refresh", ""), wall);
    ASSERT_TRUE(std::holds_alternative<zold::PlannedRun>(refresh));
    EXPECT_TRUE(zold::IsStatus(std::get<zold::PlannedRun>(refresh).command));
}

// A path may carry any byte once its escapes are decoded; the refusal that quotes it must still be sent.
TEST(ZoldActions, RefusalQuotingBytesThatAreNotUtf8IsSent) {
    const zold::Wall wall = MakeWall();
    for (const std::string path : {"/api/v1/displays/\xff/exec", "/api/v1/displays/@\xc3/refresh",
                                   "/api/v1/displays/lobby-1/ops/\xfe\xff"}) {
        const auto checked = zold::CheckAction(*zold::ActionRoute(path, ""), wall);
        ASSERT_TRUE(std::holds_alternative<zold::ApiReply>(checked)) << path;
        const zold::ApiReply& reply = std::get<zold::ApiReply>(checked);
        EXPECT_EQ(reply.status, 404) << path;
        std::string text;
        EXPECT_NO_THROW(text = zold::ReplyText(reply)) << path;
        EXPECT_NE(text.find("\"error\""), std::string::npos) << path;
    }
}

// A refused path is logged before any token is checked: a decoded line break must not start a line of its
// own.
TEST(ZoldActions, LoggedPathStaysOnItsLine) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"refused /a", "<4>zold: refused /a"},
        {"refused /x\n<3>zold: forged", "<4>zold: refused /x\\x0a<3>zold: forged"},
        {std::string("a\r\t\x7f\0b", 6), "<4>zold: a\\x0d\\x09\\x7f\\x00b"},
        {"caf\xc3\xa9", "<4>zold: caf\xc3\xa9"},
    };
    for (const auto& [text, line] : rows) {
        EXPECT_EQ(zold::LogLine(zold::LogLevel::Warning, text), line);
    }
}

} // namespace
