#include "Cli.h"

#include "Arguments.h"
#include "Commands.h"
#include "Demo.h"
#include "Describe.h"
#include "Download.h"
#include "Firmware.h"
#include "FleetRun.h"
#include "Operations.h"
#include "Outcome.h"
#include "Prepare.h"
#include "Targets.h"
#include "Trust.h"
#include "ValuesCommand.h"
#include "VerboseLog.h"

#include "ZOLConnection.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <optional>

#include <unistd.h>

namespace zolctl {

namespace {

Outcome NotAvailableYet(const char* name) {
    Outcome outcome;
    outcome.exitCode = kExitUsage;
    outcome.json["error"] = std::string(name) + " is not available yet";
    outcome.message = outcome.json["error"];
    return outcome;
}

Outcome Dispatch(const Request& request, std::ostream& out, std::ostream& err) {
    switch (request.command) {
    case Command::Status:
        return RunStatus(request);
    case Command::Exec:
        return RunExec(request);
    case Command::Raw:
        return RunRaw(request);
    case Command::Op:
        return RunOperation(request);
    case Command::Ops:
        return request.describe ? DescribeOperations(request) : ListOperations();
    case Command::Values:
        return ListValues();
    case Command::Refresh:
        return RunRefresh(request);
    case Command::Wol:
        return RunWol(request);
    case Command::ProbeFraming:
        return RunProbeFraming(request);
    case Command::Demo:
        return RunDemo(request.json ? err : out);
    case Command::Firmware:
        return RunFirmware(request, err, &err == &std::cerr && ::isatty(STDERR_FILENO) != 0);
    case Command::Download:
        return RunDownload(request);
    case Command::Trust:
        return RunTrust(request);
    case Command::Targets:
        return ListTargets(request);
    }
    return NotAvailableYet("this command");
}

// `connectStatus`: for an address that is none, the library's "invalid address" (201) beside the error.
int UsageFailure(const std::vector<std::string>& arguments, const std::string& text, std::ostream& out,
                 std::ostream& err, std::optional<int> connectStatus = std::nullopt) {
    for (const char* json : {"--json", "--jsonl"}) {
        if (std::find(arguments.begin(), arguments.end(), json) != arguments.end()) {
            Json report{{"error", text}};
            if (connectStatus) {
                report["connectStatus"] = *connectStatus;
            }
            out << JsonText(report) << '\n';
            break;
        }
    }
    err << "zolctl: " << text << "\nRun 'zolctl --help' for the commands and options.\n";
    return kExitUsage;
}

} // namespace

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    ParseResult parsed = ParseArguments(arguments);
    if (parsed.status == ParseStatus::Help) {
        out << parsed.text;
        return kExitSuccess;
    }
    if (parsed.status == ParseStatus::Usage) {
        return UsageFailure(arguments, parsed.text, out, err);
    }
    Request& request = parsed.request;
    if (const std::optional<Unprepared> problem = PrepareRequest(request, err)) {
        return UsageFailure(arguments, problem->text, out, err,
                            problem->badAddress ? std::optional<int>(ZOL_CONNECT_INVALID_ADDRESS)
                                                : std::nullopt);
    }

    Outcome outcome;
    try {
        // The demo's own steps log their frames; its tour is not logged twice.
        const VerboseLog verbose(request.verbose && request.command != Command::Demo, err);
        if (request.FanOut()) {
            return RunWall(request, out, err);
        }
        outcome = Dispatch(request, out, err);
    } catch (const std::exception& error) {
        outcome = Outcome{};
        outcome.exitCode = kExitFailure;
        outcome.json["error"] = error.what();
        outcome.message = error.what();
    }
    PrintOutcome(outcome, request.json, out, err);
    return outcome.exitCode;
}

int Run(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return Run(arguments, std::cout, std::cerr);
}

} // namespace zolctl
