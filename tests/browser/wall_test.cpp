// The wall page in a real browser against the real zold and a simulated wall in a process of its own:
// the tiles show what the displays say, actions reach exactly the selected displays and only with the
// token, and a thousand-display wall shows its live and its failed displays.
// Addresses: 127.0.120.0 - 127.0.120.255 (the small wall and its zold), 127.0.122.0 - 127.0.126.255
// (the large wall and its zold).
#include "HeadlessBrowser.h"
#include "WallRig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>

using browsertest::HeadlessBrowser;
using browsertest::Json;
using browsertest::WallRig;
using browsertest::WallSetup;
using std::chrono::milliseconds;

namespace {

using StateByName = std::map<std::string, std::string>;

const std::filesystem::path kOutputDir = BROWSER_TEST_OUTPUT_DIR;

std::string ChromiumPath() {
    const char* given = std::getenv("CHROMIUM");
    return given != nullptr ? given : "/usr/bin/chromium";
}

// JavaScript for the page: a quoted string literal.
std::string Quoted(const std::string& text) {
    return Json(text).dump();
}

std::string Click(const std::string& selector) {
    return "document.querySelector(" + Quoted(selector) + ").click(), true";
}

std::string TileSelector(const std::string& name) {
    return "#wall [data-display=" + Quoted(name) + "]";
}

// The state of every tile, by display name.
const char* kTileStates = "Object.fromEntries([...document.querySelectorAll('#wall [data-display]')]"
                          ".map((tile) => [tile.dataset.display, tile.dataset.state]))";

// Both the rig and the browser, each with the reason it is not ready.
class WallPage : public testing::Test {
protected:
    void Start(WallSetup setup, int width, int height) {
        if (::access(ChromiumPath().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "no Chromium at " << ChromiumPath();
        }
        workDir = setup.workDir;
        rig = std::make_unique<WallRig>(std::move(setup));
        ASSERT_TRUE(rig->Ready()) << rig->Error();
        browser = std::make_unique<HeadlessBrowser>(ChromiumPath(), workDir, width, height);
        ASSERT_TRUE(browser->Ready()) << browser->Error() << "; see " << (workDir / "chromium.log");
        const auto loaded = browser->Navigate(rig->Url(), milliseconds(10000));
        ASSERT_TRUE(loaded.ok) << loaded.error;
    }

    void TearDown() override {
        browser.reset(); // before zold, so that its last polls meet a server
        rig.reset();
    }

    Json Run(const std::string& expression) {
        const auto reply = browser->Evaluate(expression);
        EXPECT_TRUE(reply.ok) << reply.error;
        return reply.result;
    }

    void WaitFor(const std::string& expression, milliseconds wait) {
        const auto reply = browser->WaitUntil(expression, wait);
        ASSERT_TRUE(reply.ok) << reply.error;
    }

    // Clicks the action button and waits for the results panel to report it done (an action on the silent
    // display waits out its time-outs first).
    void RunAction(const std::string& button) {
        Run("delete document.getElementById('results-summary').dataset.done, true");
        Run(Click(button));
        WaitFor("document.getElementById('results-summary').dataset.done === 'true'", milliseconds(30000));
    }

    // Sets a field as typing would, so that the page's input and change handlers run.
    void Type(const std::string& selector, const std::string& text) {
        Run("(() => { const field = document.querySelector(" + Quoted(selector) + "); field.value = " +
            Quoted(text) + "; field.dispatchEvent(new Event('input')); return true; })()");
    }

    void Choose(const std::string& selector, const std::string& value) {
        EXPECT_EQ(Run("(() => { const pick = document.querySelector(" + Quoted(selector) +
                      "); pick.value = " + Quoted(value) +
                      "; pick.dispatchEvent(new Event('change')); return pick.value; })()"),
                  value);
    }

    void SelectOnly(const std::vector<std::string>& names) {
        Run(Click("#select-none"));
        for (const std::string& name : names) {
            Run(Click(TileSelector(name)));
        }
        ASSERT_EQ(Run("document.querySelectorAll('#wall [aria-pressed=true]').length"), names.size());
    }

    // The result rows by display name: data-status, and data-refusal for refusals.
    StateByName Results() {
        const Json rows =
            Run("[...document.querySelectorAll('#results-table tbody tr')]"
                ".map((row) => [row.dataset.result, row.dataset.refusal || row.dataset.status])");
        StateByName results;
        for (const Json& row : rows) {
            results[row[0].get<std::string>()] = row[1].get<std::string>();
        }
        return results;
    }

    std::set<std::string> AddressesOf(const std::vector<std::string>& names) {
        std::set<std::string> addresses;
        for (const std::string& name : names) {
            addresses.insert(rig->AddressAt(std::stoul(name.substr(5)) - 1));
        }
        return addresses;
    }

    void SaveScreenshot(const std::string& file) {
        const auto path = kOutputDir / file;
        const auto shot = browser->Screenshot(path);
        ASSERT_TRUE(shot.ok) << shot.error;
        std::cout << "screenshot: " << path.string() << std::endl;
    }

    std::filesystem::path workDir;
    std::unique_ptr<WallRig> rig;
    std::unique_ptr<HeadlessBrowser> browser;
};

// Ten displays: three turned off, the tenth silent.
TEST_F(WallPage, TilesShowTheDisplaysAndActionsReachOnlyTheSelectedOnesWithTheToken) {
    Start({.firstAddress = "127.0.120.1",
           .displays = 10,
           .silentEvery = 10,
           .poweredOff = {1, 4, 7},
           .listen = "127.0.120.200:18080",
           .workDir = kOutputDir / "small-wall"},
          1280, 800);
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    const StateByName expected = {
        {"wall-0001", "on"},  {"wall-0002", "off"},
        {"wall-0003", "on"},  {"wall-0004", "on"},
        {"wall-0005", "off"}, {"wall-0006", "on"},
        {"wall-0007", "on"},  {"wall-0008", "off"},
        {"wall-0009", "on"},  {"wall-0010", "not-responding"},
    };
    // The first sweep waits out the silent display's time-outs.
    WaitFor("document.querySelectorAll('#wall [data-display]').length === 10 && "
            "!document.querySelector('#wall [data-state=never-polled]')",
            milliseconds(30000));
    const Json states = Run(kTileStates);
    EXPECT_EQ(states.get<StateByName>(), expected);

    // Without the token every display is refused, and none is asked anything.
    Run(Click("#select-all"));
    ASSERT_EQ(Run("document.querySelectorAll('#wall [aria-pressed=true]').length"), expected.size());
    const std::size_t beforeRefusal = rig->RequestLines().size();
    RunAction("#refresh");
    const auto refusals = Results();
    EXPECT_EQ(refusals.size(), expected.size());
    for (const auto& [name, refusal] : refusals) {
        EXPECT_EQ(refusal, "unauthorized") << name;
    }
    // Long enough for a refused action that still polled in the background to show.
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_EQ(rig->RequestLines(beforeRefusal), std::vector<std::string>{});

    const std::vector<std::string> refreshed = {"wall-0002", "wall-0003", "wall-0010"};
    SelectOnly(refreshed);
    Type("#token", rig->Token());
    EXPECT_EQ(Run("sessionStorage.getItem('zold.token')"), rig->Token());
    const std::size_t beforeRefresh = rig->RequestLines().size();
    RunAction("#refresh");
    const auto refreshResults = Results();
    EXPECT_EQ(refreshResults.size(), refreshed.size());
    EXPECT_EQ(refreshResults.at("wall-0002"), "ok");
    EXPECT_EQ(refreshResults.at("wall-0010"), "failed");
    EXPECT_EQ(rig->AddressesIn(rig->RequestLines(beforeRefresh)), AddressesOf(refreshed));

    // An operation with an argument: the selected displays, and only they, get its request.
    const std::vector<std::string> switched = {"wall-0001", "wall-0006"};
    SelectOnly(switched);
    Choose("#operation", "SetCommand11");
    ASSERT_EQ(Run("document.querySelectorAll('#operation-arguments input').length"), 1);
    Type("#operation-arguments input", "0");
    const std::size_t beforeOperation = rig->RequestLines().size();
    RunAction("#run-operation");
    EXPECT_EQ(Results(), (StateByName{{"wall-0001", "ok"}, {"wall-0006", "ok"}}));
    const auto operationLines = rig->RequestLines(beforeOperation);
    EXPECT_EQ(rig->AddressesIn(operationLines), AddressesOf(switched));
    for (const std::string& line : operationLines) {
        EXPECT_NE(line.find(" 1 0x11 00"), std::string::npos) << line;
    }
    // Its effect shows once the displays are polled again.
    RunAction("#refresh");
    WaitFor("document.querySelector(" + Quoted(TileSelector("wall-0001")) + ").dataset.state === 'off' && " +
                "document.querySelector(" + Quoted(TileSelector("wall-0006")) + ").dataset.state === 'off'",
            milliseconds(5000));
    SaveScreenshot("wall.png");
}

// A thousand displays, every tenth silent: 900 live tiles and 100 failed ones.
TEST_F(WallPage, AThousandDisplaysShowTheirLiveAndFailedTiles) {
    Start({.firstAddress = "127.0.122.1",
           .displays = 1000,
           .silentEvery = 10,
           .poweredOff = {},
           .listen = "127.0.126.200:18080",
           .workDir = kOutputDir / "large-wall"},
          1600, 1000);
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    WaitFor("document.querySelectorAll('#wall [data-display]').length === 1000 && "
            "!document.querySelector('#wall [data-state=never-polled]')",
            milliseconds(45000));
    const Json states = Run(kTileStates);
    ASSERT_TRUE(states.is_object());
    std::map<std::string, int> counts;
    for (const auto& [name, state] : states.items()) {
        ++counts[state.get<std::string>()];
    }
    EXPECT_EQ(counts, (std::map<std::string, int>{{"on", 900}, {"not-responding", 100}}));
    // Every tenth is the silent one.
    EXPECT_EQ(Run("document.querySelector('[data-display=\"wall-0010\"]').dataset.state"), "not-responding");
    EXPECT_EQ(Run("document.querySelector('[data-display=\"wall-0011\"]').dataset.state"), "on");
    SaveScreenshot("wall-1000.png");
}

} // namespace
