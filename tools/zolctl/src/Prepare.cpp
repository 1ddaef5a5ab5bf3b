#include "Prepare.h"

#include "HostAddress.h"
#include "Inventory.h"
#include "MacText.h"
#include "RecordOperations.h"
#include "Rehearsal.h"
#include "Secrets.h"
#include "Selection.h"

#include <map>

namespace zolctl {

namespace {

// The PIN every display of the run uses, from the command line or the environment; nothing when each
// display's own source (the inventory) decides.
std::optional<std::string> CommonPin(const Request& request, std::ostream& err, std::string* error) {
    if (!request.pinFile.empty()) {
        std::string warning;
        std::optional<std::string> pin = ReadPinFile(request.pinFile, error, &warning);
        if (!warning.empty()) {
            err << "zolctl: warning: " << warning << '\n';
        }
        return pin;
    }
    if (request.askPin) {
        return PromptForPin("PIN: ", error);
    }
    if (request.pinOnCommandLine) {
        err << "zolctl: warning: a PIN given with --pin shows in the process list; use --pin-file, $ZOL_PIN "
               "or --ask-pin\n";
        return request.target.pin;
    }
    return PinFromEnvironment();
}

// A host as typed to an IP literal and, when it names one, the port; `portSource` names where the port
// that it must agree with came from ("--port", "its port"). Nothing when it is ready, else the problem.
std::optional<std::string> ResolveTargetHost(Target& target, bool portGiven, const std::string& portSource,
                                             bool* badAddress) {
    std::string error;
    const std::optional<HostAddress> resolved = ResolveHost(target.host, &error);
    if (!resolved) {
        *badAddress = true;
        return error;
    }
    if (resolved->port) {
        if (portGiven && *resolved->port != target.port) {
            return "the host names port " + std::to_string(*resolved->port) + " and " + portSource +
                   " says " + std::to_string(target.port);
        }
        target.port = *resolved->port;
    }
    target.host = resolved->literal;
    return std::nullopt;
}

// A record operation's arguments are read before any display is reached: the operation is rehearsed
// against a display held in memory, which refuses what the real one would be sent.
std::optional<std::string> CheckRecordArguments(const Request& request) {
    const RecordOperation* operation = FindRecordOperation(request.operation);
    if (request.command != Command::Op || operation == nullptr) {
        return std::nullopt;
    }
    if (request.operationArguments.size() != operation->InCount()) {
        return std::string(operation->name) + " takes " + std::to_string(operation->InCount()) +
               " argument(s), " + std::to_string(request.operationArguments.size()) + " given ('zolctl op " +
               request.operation + " --help' shows them)";
    }
    const Rehearsal rehearsal = Rehearse([&](ICommunicationHelperExtended& helper, std::string* error) {
        return operation->invoke(helper, request.operationArguments, error).has_value();
    });
    if (!rehearsal.ran) {
        return rehearsal.error;
    }
    return std::nullopt;
}

// One host is reached on one port: the pooled connection and the engine's are kept by address.
std::optional<std::string> CheckOnePortPerHost(const std::vector<FleetDisplay>& fleet) {
    std::map<std::string, const FleetDisplay*> byHost;
    for (const FleetDisplay& display : fleet) {
        if (display.target.IsSerial() || !display.problem.empty()) {
            continue;
        }
        const auto [found, added] = byHost.emplace(display.target.host, &display);
        if (!added && found->second->target.port != display.target.port) {
            return "displays \"" + found->second->name + "\" and \"" + display.name + "\" are both at " +
                   display.target.host + " but on ports " + std::to_string(found->second->target.port) +
                   " and " + std::to_string(display.target.port) + ": one host is reached on one port";
        }
    }
    return std::nullopt;
}

FleetDisplay FromInventory(const InventoryDisplay& entry, const Request& request) {
    FleetDisplay display;
    display.name = entry.name;
    display.target = entry.target;
    display.target.retries = request.target.retries;
    if (!entry.target.host.empty()) {
        bool badAddress = false;
        if (const std::optional<std::string> problem =
                ResolveTargetHost(display.target, entry.portGiven, "its port", &badAddress)) {
            display.problem = *problem;
            display.target.host = entry.target.host; // reported as written
        }
    }
    return display;
}

std::optional<std::string> PrepareWall(Request& request, std::ostream& err) {
    const std::string path = FindInventoryFile(request.inventoryFile);
    if (path.empty()) {
        return std::string("--target needs an inventory: ") + kInventorySources;
    }
    std::string error;
    const std::optional<Inventory> inventory = LoadInventory(path, &error);
    if (!inventory) {
        return error;
    }
    const auto chosen = SelectDisplays(*inventory, request.selectors, &error);
    if (!chosen) {
        return error;
    }
    const std::optional<std::string> common = CommonPin(request, err, &error);
    if (!error.empty()) {
        return error;
    }
    for (const InventoryDisplay* entry : *chosen) {
        FleetDisplay display = FromInventory(*entry, request);
        if (common) {
            display.target.pin = *common;
        } else if (!entry->pinFile.empty()) {
            std::string warning;
            const std::optional<std::string> pin = ReadPinFile(entry->pinFile, &error, &warning);
            if (!pin) {
                return "display \"" + entry->name + "\": " + error;
            }
            if (!warning.empty()) {
                err << "zolctl: warning: " << warning << '\n';
            }
            display.target.pin = *pin;
        }
        if (!entry->mac.empty()) {
            const std::optional<std::string> mac = MacDigits(entry->mac);
            if (!mac) {
                return "display \"" + entry->name + "\": mac \"" + entry->mac +
                       "\" is not a hardware address (00:11:22:33:44:55, 00-11-22-33-44-55 or 001122334455)";
            }
            display.mac = *mac;
        }
        request.fleet.push_back(std::move(display));
    }
    return std::nullopt;
}

} // namespace

std::optional<Unprepared> PrepareRequest(Request& request, std::ostream& err) {
    if (const std::optional<std::string> problem = CheckRecordArguments(request)) {
        return Unprepared{*problem};
    }
    if (request.FanOut()) {
        if (std::optional<std::string> problem = PrepareWall(request, err)) {
            return Unprepared{*problem};
        }
        if (std::optional<std::string> problem = CheckOnePortPerHost(request.fleet)) {
            return Unprepared{*problem};
        }
        return std::nullopt;
    }
    if (!request.target.host.empty()) {
        bool badAddress = false;
        if (std::optional<std::string> problem =
                ResolveTargetHost(request.target, request.portGiven, "--port", &badAddress)) {
            return Unprepared{"--host: " + *problem, badAddress};
        }
    }
    std::string error;
    const std::optional<std::string> pin = CommonPin(request, err, &error);
    if (!error.empty()) {
        return Unprepared{error};
    }
    request.target.pin = pin.value_or("");
    return std::nullopt;
}

} // namespace zolctl
