#include "Demo.h"

#include "Cli.h"
#include "Target.h"

#include "zolsim/Simulator.h"

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace zolctl {

namespace {

// A loopback address of its own and a port the system picks, so a demo never meets another listener.
constexpr const char* kDemoAddress = "127.0.6.250";
constexpr unsigned char kDirectId = 1;
constexpr unsigned char kRelayTarget = 3;
constexpr unsigned char kRelayedId = 2;
constexpr unsigned char kRelayedSetting = 42;
constexpr int kNewSetting = 32;

struct Step {
    std::string title;
    std::vector<std::string> arguments;
    std::function<bool(const Json& reply, int exitCode)> check;
};

bool HasValue(const Json& reply, const char* name, const Json& expected) {
    return reply.contains("values") && reply["values"].contains(name) && reply["values"][name] == expected;
}

// The frames the step wrote and read, taken from the library's debug log.
void ShowFrames(const std::string& log, std::ostream& tour) {
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        const auto message = line.find(": ");
        const std::string text = message == std::string::npos ? line : line.substr(message + 2);
        if (text.rfind("Send ", 0) == 0) {
            tour << "    -> " << text.substr(5) << '\n';
        } else if (text.rfind("Receive ", 0) == 0) {
            tour << "    <- " << text.substr(8) << '\n';
        }
    }
}

bool RunStep(const Step& step, std::ostream& tour) {
    tour << "\n== " << step.title << "\n   $ zolctl --json -v";
    for (const std::string& word : step.arguments) {
        tour << ' ' << word;
    }
    tour << '\n';

    std::vector<std::string> arguments = {"--json", "--verbose"};
    arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
    std::ostringstream out;
    std::ostringstream log;
    const int exitCode = Run(arguments, out, log);
    ShowFrames(log.str(), tour);

    Json reply = Json::parse(out.str(), nullptr, false);
    if (reply.is_discarded()) {
        reply = Json::object();
    }
    tour << "    " << reply.dump() << "\n    exit " << exitCode;
    const bool passed = step.check(reply, exitCode);
    tour << (passed ? "  (as expected)\n" : "  (NOT as expected)\n");
    return passed;
}

std::vector<Step> TcpSteps(const std::string& port) {
    const std::vector<std::string> host = {"--host", kDemoAddress, "--port", port};
    auto with = [&host](std::vector<std::string> more) {
        std::vector<std::string> words = host;
        words.insert(words.end(), more.begin(), more.end());
        return words;
    };
    return {
        {"Connect and ask display 1 for its status (command 0x00)", with({"status"}),
         [](const Json& reply, int exitCode) {
             return exitCode == 0 && reply.value("connectStatus", 0) == 1 && HasValue(reply, "Power", true);
         }},
        {"Set its one-byte setting of command 0x12 (Value12) to " + std::to_string(kNewSetting),
         with({"exec", "0x12", std::to_string(kNewSetting)}),
         [](const Json& reply, int exitCode) {
             return exitCode == 0 && HasValue(reply, "Value12", kNewSetting);
         }},
        {"Read Value12 back", with({"exec", "0x12"}),
         [](const Json& reply, int exitCode) {
             return exitCode == 0 && HasValue(reply, "Value12", kNewSetting);
         }},
        {"Ask display 2 behind the relay (target 3) for its Value12: the relay header goes first",
         with({"--relay-target", std::to_string(kRelayTarget), "--id", std::to_string(kRelayedId), "exec",
               "0x12"}),
         [](const Json& reply, int exitCode) {
             return exitCode == 0 && HasValue(reply, "Value12", kRelayedSetting);
         }},
        {"A raw request for a command the display does not know: it refuses (NAK)", with({"raw", "0x7F"}),
         [](const Json& reply, int exitCode) { return exitCode == 3 && reply.value("result", "") == "nak"; }},
    };
}

std::vector<Step> SerialSteps(const std::string& path) {
    return {
        {"Probe which framing the display on the serial line answers (it only takes the fixed-ID form)",
         {"--serial", path, "probe-framing"},
         [](const Json& reply, int exitCode) { return exitCode == 0 && reply.value("result", -1) == 2; }},
        {"Ask it for its status in that framing (ID byte 0xF7, 115200 baud)",
         {"--serial", path, "--framing", "2", "status"},
         [](const Json& reply, int exitCode) { return exitCode == 0 && HasValue(reply, "Power", true); }},
    };
}

} // namespace

Outcome RunDemo(std::ostream& tour) {
    Outcome outcome;
    zolsim::Simulator wall;
    wall.AddDisplay(kDirectId).SetPower(true);
    wall.AddRelayedDisplay(kDirectId, kRelayTarget).SetPower(true);
    wall.AddRelayedDisplay(kRelayedId, kRelayTarget).SetValue(0x12, {kRelayedSetting});
    zolsim::Simulator line;
    line.AddDisplay(kDirectId).SetPower(true);
    line.SetAnswerOnlyFraming(2);

    if (!wall.StartTcp(kDemoAddress, 0)) {
        outcome.exitCode = kExitFailure;
        outcome.json["result"] = false;
        outcome.message = std::string("the simulated display cannot listen on ") + kDemoAddress;
        return outcome;
    }
    const std::string path = line.StartPty();
    if (path.empty()) {
        outcome.exitCode = kExitFailure;
        outcome.json["result"] = false;
        outcome.message = "the simulated serial display cannot open a pseudo-terminal";
        return outcome;
    }
    const std::string port = std::to_string(wall.TcpPort());
    tour << "A simulated display listens on " << kDemoAddress << " port " << port
         << " (ID 1, and IDs 1 and 2 behind relay target 3);\n"
         << "another one answers on the serial line " << path << ".\n"
         << "Each step is a zolctl command; -> marks the bytes sent, <- the bytes received.\n";

    // The serial display is probed before anything else opens its port: a pooled port is not probed.
    std::vector<Step> steps = SerialSteps(path);
    const std::vector<Step> tcp = TcpSteps(port);
    steps.insert(steps.end(), tcp.begin(), tcp.end());

    int passed = 0;
    for (const Step& step : steps) {
        passed += RunStep(step, tour) ? 1 : 0;
    }
    ForgetPooledConnection(kDemoAddress);
    ForgetPooledConnection(path);

    const bool allPassed = passed == static_cast<int>(steps.size());
    tour << '\n' << passed << " of " << steps.size() << " steps did what they should.\n";
    tour.flush();
    outcome.exitCode = allPassed ? kExitSuccess : kExitFailure;
    outcome.json["result"] = allPassed;
    outcome.json["steps"] = steps.size();
    outcome.json["passed"] = passed;
    outcome.text = allPassed ? "The demo is done.\n" : "The demo did not go as it should.\n";
    return outcome;
}

} // namespace zolctl
