// zolsim: a simulated display a person can point any client at.
//   zolsim --tcp 127.0.0.1:1515 --id 1 [--id 2 ...] [--relay ID:TARGET ...] [--greeting TEXT]
//          [--tls [--root-out FILE] [--pin PIN]] [--file-server 127.0.0.1:2020 --served-file FILE]
//          [--separate-displays]
//   zolsim --tcp 127.0.40.1-127.0.43.232[:1515] [--silent-every N] [--absent-every N] [--id ...]
//   zolsim --pty [--baud-pacing] [--id 1 ...]
//   zolsim ... --fault KIND[:COUNT] [--fault ...]
//   zolsim ... --request-log FILE
// Runs until SIGINT or SIGTERM.
#include "ZOLVersionNumbers.h"
#include "zolsim/FaultText.h"
#include "zolsim/FleetSimulator.h"
#include "zolsim/RequestLog.h"
#include "zolsim/Simulator.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// The fault kinds for the usage text, six to a line.
std::string WrappedFaultKinds() {
    const std::string names = zolsim::FaultKindNames();
    std::string wrapped = "  ";
    int count = 0;
    for (std::size_t at = 0; at < names.size(); ++count) {
        const std::size_t comma = std::min(names.find(", ", at), names.size());
        if (count > 0) {
            wrapped += count % 6 == 0 ? ",\n  " : ", ";
        }
        wrapped += names.substr(at, comma - at);
        at = comma + 2;
    }
    return wrapped;
}

int Usage() {
    std::cerr
        << "usage: zolsim --tcp ADDRESS[:PORT] [--tcp ...] [--pty [--baud-pacing]]\n"
           "              [--tcp FIRST-LAST[:PORT] ... [--silent-every N] [--absent-every N]]\n"
           "              [--id ID ...] [--relay ID:TARGET ...] [--greeting TEXT]\n"
           "              [--tls [--root-out FILE] [--pin PIN]]\n"
           "              [--file-server ADDRESS[:PORT] [--served-file FILE]] [--separate-displays]\n"
           "              [--fault KIND[:COUNT] ...] [--request-log FILE] [--version]\n"
           "  ADDRESS is an IPv4 literal or a bracketed IPv6 literal ([::1]:1515); PORT defaults to 1515\n"
           "  (2020 for the file server). Without --id the display answers as ID 1.\n"
           "  --tls makes a fresh root and server certificate and greets with a TLS greeting;\n"
           "  --root-out writes the root certificate (PEM) for a client to trust.\n"
           "  --separate-displays makes every --tcp address a display of its own (by default all\n"
           "  addresses reach the same display).\n"
           "  --tcp FIRST-LAST[:PORT] serves every IPv4 address from FIRST to LAST (inclusive, at most\n"
           "  65536), each a display of its own, all from one thread; plain sessions only. Within each\n"
           "  range the address at index i (from 0) with i % N == N-1 is silent (--silent-every N:\n"
           "  greets, reads, never answers) or absent (--absent-every N: not listened on). Once every\n"
           "  range listens, zolsim prints \"zolsim: listening on N addresses\".\n"
           "  --fault KIND[:COUNT] misbehaves on the next COUNT answered requests (default 1); several\n"
           "  --fault options apply one after the other, in the order given. KIND is one of\n"
        << WrappedFaultKinds()
        << ";\n"
           "  delay holds the reply back "
        << zolsim::kNamedDelayMs
        << " ms, wrong-id answers as ID 0,\n"
           "  wrong-command answers as command 0x00, and stall-handshake counts secured connections.\n"
           "  Slow misbehaviour: trickle sends the reply a byte every 300 ms; endless-garbage sends\n"
           "  bytes that never form a frame until the client leaves; oversized announces 0xFFFF bytes\n"
           "  and sends more than 2048; ill-formed sends a header other than 0xAA; close-mid-reply\n"
           "  sends half the reply and closes (on --pty: drops the line and prints the new one's path);\n"
           "  never-read greets and then reads nothing on the next connection (it counts connections).\n"
           "  Faults apply to single --tcp addresses and --pty, not to address ranges.\n"
           "  --request-log FILE appends a line per request received, on any address or the pty, as\n"
           "  it arrives: ADDRESS ID CODE DATA (ID in decimal or - when the request names none,\n"
           "  CODE 0xNN, DATA in hex or -), e.g. \"127.0.0.1 1 0x11 00\".\n";
    return 2;
}

bool ParseNumber(const std::string& text, unsigned long max, unsigned long& out) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    out = std::strtoul(text.c_str(), &end, 0);
    return end != nullptr && *end == '\0' && out <= max;
}

// "127.0.0.1", "127.0.0.1:1515", "[::1]:1515", "::1"
bool ParseEndpoint(const std::string& text, std::uint16_t defaultPort, std::string& address,
                   std::uint16_t& port) {
    port = defaultPort;
    std::string portText;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) {
            return false;
        }
        address = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') {
                return false;
            }
            portText = text.substr(close + 2);
        }
    } else if (text.find(':') != text.rfind(':')) {
        address = text; // bare IPv6 literal
    } else {
        const auto colon = text.find(':');
        address = text.substr(0, colon);
        if (colon != std::string::npos) {
            portText = text.substr(colon + 1);
        }
    }
    unsigned long value = 0;
    if (!portText.empty()) {
        if (!ParseNumber(portText, 65535, value)) {
            return false;
        }
        port = static_cast<std::uint16_t>(value);
    }
    return !address.empty();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::vector<std::pair<std::string, std::uint16_t>> endpoints;
    std::vector<zolsim::AddressRange> ranges;
    zolsim::FleetOptions fleetOptions;
    std::vector<unsigned char> ids;
    std::vector<std::pair<unsigned char, unsigned char>> relayed;
    bool pty = false;
    bool pacing = false;
    bool tls = false;
    bool separate = false;
    std::string greeting;
    std::string rootOut;
    std::string pin;
    std::string servedFile;
    std::vector<std::pair<std::string, std::uint16_t>> fileServers;
    std::vector<zolsim::Fault> faults;
    std::string requestLogPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        unsigned long value = 0;
        if (arg == "--tcp" && hasValue && args[i + 1].find('-') != std::string::npos) {
            std::string error;
            const auto range = zolsim::ParseAddressRange(args[++i], 1515, error);
            if (!range) {
                std::cerr << "zolsim: " << error << '\n';
                return Usage();
            }
            ranges.push_back(*range);
        } else if (arg == "--tcp" && hasValue) {
            std::string address;
            std::uint16_t port = 0;
            if (!ParseEndpoint(args[++i], 1515, address, port)) {
                std::cerr << "zolsim: bad address " << args[i] << '\n';
                return Usage();
            }
            endpoints.emplace_back(address, port);
        } else if (arg == "--id" && hasValue) {
            if (!ParseNumber(args[++i], 255, value)) {
                std::cerr << "zolsim: bad display ID " << args[i] << '\n';
                return Usage();
            }
            ids.push_back(static_cast<unsigned char>(value));
        } else if (arg == "--relay" && hasValue) {
            const std::string& pair = args[++i];
            const auto colon = pair.find(':');
            unsigned long target = 0;
            if (colon == std::string::npos || !ParseNumber(pair.substr(0, colon), 255, value) ||
                !ParseNumber(pair.substr(colon + 1), 255, target)) {
                std::cerr << "zolsim: bad relay " << pair << " (expected ID:TARGET)\n";
                return Usage();
            }
            relayed.emplace_back(static_cast<unsigned char>(value), static_cast<unsigned char>(target));
        } else if (arg == "--greeting" && hasValue) {
            greeting = args[++i];
        } else if (arg == "--tls") {
            tls = true;
        } else if (arg == "--root-out" && hasValue) {
            rootOut = args[++i];
        } else if (arg == "--pin" && hasValue) {
            pin = args[++i];
        } else if (arg == "--served-file" && hasValue) {
            servedFile = args[++i];
        } else if (arg == "--file-server" && hasValue) {
            std::string address;
            std::uint16_t port = 0;
            if (!ParseEndpoint(args[++i], 2020, address, port)) {
                std::cerr << "zolsim: bad address " << args[i] << '\n';
                return Usage();
            }
            fileServers.emplace_back(address, port);
        } else if ((arg == "--silent-every" || arg == "--absent-every") && hasValue) {
            if (!ParseNumber(args[++i], zolsim::kMaxRangeAddresses, value) || value == 0) {
                std::cerr << "zolsim: bad count for " << arg << ": " << args[i] << " (1-"
                          << zolsim::kMaxRangeAddresses << ")\n";
                return Usage();
            }
            (arg == "--silent-every" ? fleetOptions.silentEvery : fleetOptions.absentEvery) = value;
        } else if (arg == "--fault" && hasValue) {
            std::string error;
            const auto fault = zolsim::ParseFaultText(args[++i], error);
            if (!fault) {
                std::cerr << "zolsim: " << error << '\n';
                return Usage();
            }
            faults.push_back(*fault);
        } else if (arg == "--request-log" && hasValue) {
            requestLogPath = args[++i];
            if (requestLogPath.empty()) {
                std::cerr << "zolsim: --request-log needs a file name\n";
                return Usage();
            }
        } else if (arg == "--version") {
            std::cout << "zolsim " << ZOL_VERSION_STRING << std::endl;
            return 0;
        } else if (arg == "--separate-displays") {
            separate = true;
        } else if (arg == "--pty") {
            pty = true;
        } else if (arg == "--baud-pacing") {
            pacing = true;
        } else if (arg == "-h" || arg == "--help") {
            Usage();
            return 0;
        } else {
            std::cerr << "zolsim: unknown or incomplete argument " << arg << '\n';
            return Usage();
        }
    }
    if (endpoints.empty() && ranges.empty() && fileServers.empty() && !pty) {
        return Usage();
    }
    if (ranges.empty() && (fleetOptions.silentEvery > 0 || fleetOptions.absentEvery > 0)) {
        std::cerr << "zolsim: --silent-every and --absent-every apply to address ranges only\n";
        return Usage();
    }
    if (!ranges.empty() && !faults.empty()) {
        std::cerr << "zolsim: --fault does not combine with an address range\n";
        return Usage();
    }
    if (!ranges.empty() && tls) {
        // A range is served by the event-driven door, which speaks plain sessions only.
        std::cerr << "zolsim: --tls does not combine with an address range; give TLS displays single "
                     "--tcp addresses\n";
        return Usage();
    }
    // A fleet holds a descriptor per address and per connection.
    zolsim::RaiseOpenFileLimit();
    if (separate && tls) {
        // Each display would make its own root, and a client could trust only the one written out.
        std::cerr << "zolsim: --separate-displays does not combine with --tls\n";
        return Usage();
    }

    // Block the stop signals before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    if (ids.empty()) {
        ids.push_back(1);
    }
    std::shared_ptr<zolsim::RequestLog> requestLog;
    if (!requestLogPath.empty()) {
        std::string error;
        requestLog = zolsim::RequestLog::Open(requestLogPath, error);
        if (!requestLog) {
            std::cerr << "zolsim: " << error << '\n';
            return 1;
        }
    }
    // Nobody reads a log in this process, and it serves for as long as a person lets it.
    auto configure = [&](zolsim::Simulator& each) {
        each.SetKeepLog(false);
        each.SetRequestLog(requestLog);
        for (unsigned char id : ids) {
            each.AddDisplay(id);
        }
        for (const auto& [id, target] : relayed) {
            each.AddRelayedDisplay(id, target);
        }
        each.SetGreeting(greeting);
        for (const zolsim::Fault& fault : faults) {
            each.InjectFault(fault);
        }
    };
    zolsim::Simulator simulator;
    configure(simulator);
    if (tls) {
        if (!simulator.EnableTls()) {
            return 1;
        }
        if (!greeting.empty()) {
            simulator.SetGreeting(greeting);
        }
        simulator.SetPin(pin);
        if (!rootOut.empty()) {
            std::ofstream out(rootOut, std::ios::trunc);
            out << simulator.Credentials().rootCertPem;
            if (!out) {
                std::cerr << "zolsim: cannot write " << rootOut << '\n';
                return 1;
            }
        }
    }
    if (!servedFile.empty()) {
        std::ifstream in(servedFile, std::ios::binary);
        if (!in) {
            std::cerr << "zolsim: cannot read " << servedFile << '\n';
            return 1;
        }
        simulator.SetServedFile(std::string(std::istreambuf_iterator<char>(in), {}));
    }
    for (const auto& [address, port] : fileServers) {
        if (!simulator.StartFileServer(address, port)) {
            return 1;
        }
        std::cout << "file server on " << address << " port " << simulator.FileServerPort() << std::endl;
    }
    std::vector<std::unique_ptr<zolsim::Simulator>> others; // one per further address, when separate
    for (const auto& [address, port] : endpoints) {
        zolsim::Simulator* serving = &simulator;
        if (separate && &address != &endpoints.front().first) {
            serving = others.emplace_back(std::make_unique<zolsim::Simulator>()).get();
            configure(*serving);
        }
        if (!serving->StartTcp(address, port)) {
            return 1;
        }
        std::cout << "listening on " << address << " port " << serving->TcpPort() << std::endl;
    }
    zolsim::FleetSimulator fleet;
    fleet.SetRequestLog(requestLog);
    fleetOptions.ids = ids;
    fleetOptions.relayed = relayed;
    fleetOptions.greeting = greeting;
    for (const zolsim::AddressRange& range : ranges) {
        if (!fleet.StartTcpRange(range, fleetOptions)) {
            return 1;
        }
    }
    if (!ranges.empty()) {
        std::cout << "zolsim: listening on " << fleet.ListeningAddresses() << " addresses" << std::endl;
    }
    if (pty) {
        const std::string path = simulator.StartPty(pacing);
        if (path.empty()) {
            return 1;
        }
        std::cout << path << std::endl;
    }
    // A line that a fault dropped comes back under a new path: print it, as at the start.
    std::string shownPath = simulator.PtyPath();
    for (;;) {
        const timespec tick{0, 200'000'000};
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) {
            return 0;
        }
        if (const std::string path = simulator.PtyPath(); path != shownPath) {
            shownPath = path;
            std::cout << path << std::endl;
        }
    }
}
