#include "Arguments.h"

#include "MacText.h"
#include "Numbers.h"
#include "RecordOperations.h"

#include "ArgumentSyntax.h"
#include "helpers/OperationArguments.h"
#include "helpers/OperationTable.h"

#include "ZOLVersion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace zolctl {

namespace {

// A usage error found after CLI11 is done (a number out of range, a missing target).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr long long kIntMin = std::numeric_limits<int>::min();
constexpr long long kIntMax = std::numeric_limits<int>::max();

long long Number(const std::string& what, const std::string& text, long long minimum, long long maximum) {
    const std::optional<long long> value = ParseNumber(text, minimum, maximum);
    if (!value) {
        throw UsageError(what + " must be a number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum) + " (decimal or 0x hexadecimal), not \"" + text + "\"");
    }
    return *value;
}

int IntOption(const std::string& what, const std::string& text, long long minimum = kIntMin,
              long long maximum = kIntMax) {
    return static_cast<int>(Number(what, text, minimum, maximum));
}

// Texts of every option as typed; converted and checked once CLI11 has sorted them out.
struct RawOptions {
    std::string host;
    std::string serial;
    std::string port = "1515";
    std::string id = "1";
    std::string pin;
    std::string framing = "0";
    std::string relayTarget = "-1";
    std::string relayByte = "0";
    std::string retries = "4";
    std::string modelCode = "0";
    std::string productFamily = "0";
    std::string productGroup = "0";
    std::string productClass = "0";
    std::string linkVariant = "0";
    std::string blockFlag = "0";
    bool json = false;
    bool verbose = false;

    std::string code;
    std::vector<std::string> bytes;
    std::string operation;
    std::vector<std::string> operationArguments;
    std::string refreshMode = "0";
    std::string mac;
    std::string outputFile;
    std::string trustAction;
    std::string pemFile;
    std::string firmwareFile;
    std::vector<std::string> firmwareDisplays;

    std::vector<std::string> selectors;
    std::string inventoryFile;
    bool jsonLines = false;
    std::string stagger = "0";
    std::string deadline;
    std::string pinFile;
    bool askPin = false;
    // Options that describe one display: with --target the inventory says these.
    std::vector<CLI::Option*> perDisplay;
    CLI::Option* portOption = nullptr;
    CLI::Option* pinOption = nullptr;
};

void AddTargetOptions(CLI::App& app, RawOptions& raw) {
    auto* host = app.add_option("--host", raw.host,
                                "Ethernet display: IPv4 or IPv6 literal, DNS name, HOST:PORT or [IPv6]:PORT")
                     ->type_name("ADDR");
    auto* serial = app.add_option("--serial", raw.serial, "serial device path (/dev/ttyUSB0, /dev/pts/7)")
                       ->type_name("PATH");
    host->excludes(serial);
    serial->excludes(host);
    auto perDisplay = [&](CLI::Option* option) { raw.perDisplay.push_back(option); };
    raw.portOption = app.add_option("--port", raw.port, "TCP port (default 1515)")->type_name("N");
    perDisplay(raw.portOption);
    perDisplay(app.add_option("--id", raw.id, "display ID 0..255 (default 1)")->type_name("N"));
    raw.pinOption =
        app.add_option("--pin", raw.pin,
                       "device PIN for the secured protocol (default: none); it shows in the process "
                       "list: prefer --pin-file, $ZOL_PIN or --ask-pin")
            ->type_name("TEXT");
    auto* pinFile = app.add_option("--pin-file", raw.pinFile, "read the PIN from the first line of FILE")
                        ->type_name("FILE");
    auto* askPin = app.add_flag("--ask-pin", raw.askPin, "ask for the PIN on the terminal");
    pinFile->excludes(askPin);
    pinFile->excludes(raw.pinOption);
    askPin->excludes(raw.pinOption);
    perDisplay(
        app.add_option("--framing", raw.framing, "framing variant 0, 1 or 2 (default 0)")->type_name("N"));
    perDisplay(
        app.add_option("--relay-target", raw.relayTarget, "relay target (default -1: none)")->type_name("N"));
    perDisplay(app.add_option("--relay-byte", raw.relayByte, "relay byte (default 0)")->type_name("N"));
    app.add_option("--retries", raw.retries, "command handler retry count (default 4)")->type_name("N");
    perDisplay(
        app.add_option("--model-code", raw.modelCode, "the record's model code (default 0)")->type_name("N"));
    perDisplay(
        app.add_option("--product-family", raw.productFamily, "the record's product family (default 0)")
            ->type_name("N"));
    perDisplay(app.add_option("--product-group", raw.productGroup, "the record's product group (default 0)")
                   ->type_name("N"));
    perDisplay(app.add_option("--product-class", raw.productClass, "the record's product class (default 0)")
                   ->type_name("N"));
    perDisplay(app.add_option("--link-variant", raw.linkVariant, "the record's link variant (default 0)")
                   ->type_name("N"));
    perDisplay(
        app.add_option("--block-flag", raw.blockFlag, "the record's block flag (default 0)")->type_name("N"));
    auto* json = app.add_flag("--json", raw.json, "print exactly one JSON object on stdout");
    auto* jsonLines =
        app.add_flag("--jsonl", raw.jsonLines, "with --target: one JSON line per display as it finishes");
    json->excludes(jsonLines);
    app.add_flag("-v,--verbose", raw.verbose,
                 "log to stderr, including every frame sent and received in hex");

    // The wall: an inventory file and the displays chosen from it.
    auto* target = app.add_option("--target", raw.selectors,
                                  "run on inventory displays: a NAME, @GROUP or all (repeatable)")
                       ->type_name("SEL");
    target->excludes(host);
    target->excludes(serial);
    app.add_option("--inventory", raw.inventoryFile,
                   "the inventory (default $ZOL_INVENTORY, else ~/.config/zol/inventory.toml)")
        ->type_name("FILE");
    app.add_option("--stagger", raw.stagger, "with --target: start one display every MS milliseconds")
        ->type_name("MS");
    app.add_option("--deadline", raw.deadline,
                   "with --target: end the whole run after S seconds; displays not done report cancelled")
        ->type_name("S");
}

Target MakeTarget(const RawOptions& raw) {
    Target target;
    target.host = raw.host;
    target.serial = raw.serial;
    target.port = static_cast<std::uint32_t>(Number("--port", raw.port, 1, 65535));
    target.id = IntOption("--id", raw.id, 0, 255);
    target.pin = raw.pin;
    target.framing = IntOption("--framing", raw.framing, 0, 2);
    target.relayTarget = IntOption("--relay-target", raw.relayTarget, -1, 255);
    target.relayByte = IntOption("--relay-byte", raw.relayByte, 0, 255);
    // Every retry may wait several seconds; a thousand is already more than anyone waits for.
    target.retries = static_cast<unsigned>(Number("--retries", raw.retries, 0, 1000));
    target.modelCode = IntOption("--model-code", raw.modelCode);
    target.productFamily = IntOption("--product-family", raw.productFamily);
    target.productGroup = IntOption("--product-group", raw.productGroup);
    target.productClass = IntOption("--product-class", raw.productClass);
    target.linkVariant = IntOption("--link-variant", raw.linkVariant);
    target.blockFlag = IntOption("--block-flag", raw.blockFlag);
    return target;
}

// The operation exists and its in-arguments are texts of their kinds within their limits; out-arguments
// are not given. Record operations read their JSON arguments when they run, before anything is sent.
void CheckOperation(const std::string& name, const std::vector<std::string>& arguments) {
    if (FindRecordOperation(name) != nullptr) {
        return;
    }
    if (std::optional<std::string> problem = TableOperationProblem(name, arguments)) {
        throw UsageError(*problem);
    }
}

bool TalksToDisplay(Command command) {
    switch (command) {
    case Command::Status:
    case Command::Exec:
    case Command::Raw:
    case Command::Op:
    case Command::Refresh:
    case Command::ProbeFraming:
        return true;
    default:
        return false;
    }
}

// Commands that run over an inventory selection.
bool RunsOverAWall(Command command) {
    switch (command) {
    case Command::Status:
    case Command::Exec:
    case Command::Raw:
    case Command::Op:
    case Command::Refresh:
    case Command::Wol:
    case Command::Firmware:
        return true;
    default:
        return false;
    }
}

// A number of seconds as typed: "30", "2.5".
double Seconds(const std::string& what, const std::string& text) {
    constexpr double kLongest = 86400.0;
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || !(value > 0.0) || value > kLongest) {
        throw UsageError(what + " must be a number of seconds above 0 and at most 86400, not \"" + text +
                         "\"");
    }
    return value;
}

void FinishWall(const RawOptions& raw, Request& request) {
    request.selectors = raw.selectors;
    request.inventoryFile = raw.inventoryFile;
    request.jsonLines = raw.jsonLines;
    request.staggerMs = static_cast<unsigned>(Number("--stagger", raw.stagger, 0, 60000));
    if (!raw.deadline.empty()) {
        request.deadlineSeconds = Seconds("--deadline", raw.deadline);
    }
    if (!request.FanOut()) {
        if (request.jsonLines || !raw.deadline.empty() || raw.stagger != "0") {
            throw UsageError("--jsonl, --stagger and --deadline go with --target");
        }
        return;
    }
    if (!RunsOverAWall(request.command)) {
        throw UsageError("--target goes with status, exec, raw, op, refresh, wol and firmware");
    }
    if (request.command == Command::Firmware &&
        (request.jsonLines || !raw.deadline.empty() || raw.stagger != "0")) {
        throw UsageError(
            "firmware updates its displays in one upload: --jsonl, --stagger and --deadline do not "
            "go with it");
    }
    for (const CLI::Option* option : raw.perDisplay) {
        if (option->count() > 0) {
            throw UsageError(option->get_name() +
                             " describes one display: with --target the inventory says it");
        }
    }
}

void FinishRequest(const RawOptions& raw, Request& request) {
    request.target = MakeTarget(raw);
    request.json = raw.json;
    request.verbose = raw.verbose;
    request.portGiven = raw.portOption->count() > 0;
    request.pinOnCommandLine = raw.pinOption->count() > 0;
    request.pinFile = raw.pinFile;
    request.askPin = raw.askPin;
    FinishWall(raw, request);

    if (request.command == Command::Exec || request.command == Command::Raw) {
        request.code = static_cast<unsigned char>(Number("CODE", raw.code, 0, 255));
        if (raw.bytes.size() > 255) {
            throw UsageError("at most 255 data bytes fit in one command");
        }
        for (const std::string& byte : raw.bytes) {
            request.data.push_back(static_cast<unsigned char>(Number("BYTE", byte, 0, 255)));
        }
    }
    if (request.command == Command::Op) {
        CheckOperation(raw.operation, raw.operationArguments);
        request.operation = raw.operation;
        request.operationArguments = raw.operationArguments;
    }
    if (request.command == Command::Ops) {
        if (!request.describe && (request.markdown || !request.describeName.empty())) {
            throw UsageError("a NAME and --markdown go with `ops --describe`");
        }
        if (!request.describeName.empty() && zol::helpers::FindOperation(request.describeName) == nullptr &&
            FindRecordOperation(request.describeName) == nullptr) {
            throw UsageError("unknown operation \"" + request.describeName + "\" ('zolctl ops' lists them)");
        }
    }
    if (request.command == Command::Refresh) {
        request.refreshMode = IntOption("MODE", raw.refreshMode);
    }
    if (request.command == Command::Wol && raw.mac.empty() && !request.FanOut()) {
        throw UsageError("wol needs a MAC, or --target to wake inventory displays by their stored MAC");
    }
    if (request.command == Command::Wol && !raw.mac.empty() && request.FanOut()) {
        throw UsageError("wol with --target wakes each display by its inventory mac: give no MAC");
    }
    if (request.command == Command::Wol && !raw.mac.empty()) {
        // Checked here so that a malformed address never reaches the network.
        const std::optional<std::string> digits = MacDigits(raw.mac);
        if (!digits) {
            throw UsageError("MAC must be twelve hexadecimal digits, plain or in pairs separated by ':' or "
                             "'-' (00:11:22:33:44:55), not \"" +
                             raw.mac + "\"");
        }
        request.mac = *digits;
    }
    // download and trust: their words are checked here, the work is in Download.cpp and Trust.cpp
    if (request.command == Command::Download) {
        if (request.target.host.empty()) {
            throw UsageError("download fetches a file from an Ethernet display: give --host ADDR");
        }
        request.outputFile = raw.outputFile;
    }
    if (request.command == Command::Trust) {
        if ((raw.trustAction == "add") == raw.pemFile.empty()) {
            throw UsageError("use `trust install` or `trust add PEMFILE`");
        }
        request.trustAction = raw.trustAction;
        request.pemFile = raw.pemFile;
    }

    if (request.command == Command::Firmware) {
        request.firmwareFile = raw.firmwareFile;
        for (const std::string& display : raw.firmwareDisplays) {
            // PORT:ID, split at the last colon so that the port name itself may hold one.
            const std::size_t colon = display.rfind(':');
            if (colon == std::string::npos || colon == 0) {
                throw UsageError("--display takes PORT:ID, not \"" + display + "\"");
            }
            request.firmwareDisplays.push_back(
                {display.substr(0, colon), IntOption("ID", display.substr(colon + 1), 0, 255)});
        }
    }
    if (request.command == Command::Firmware && request.firmwareDisplays.empty() && !request.FanOut()) {
        throw UsageError("firmware needs the displays: --display PORT:ID (repeatable), or --target");
    }
    if (request.command == Command::Firmware && !request.firmwareDisplays.empty() && request.FanOut()) {
        throw UsageError("firmware takes its displays from --display or from --target, not both");
    }
    if (TalksToDisplay(request.command) && !request.FanOut() && request.target.host.empty() &&
        request.target.serial.empty()) {
        throw UsageError("this command talks to a display: give --host ADDR or --serial PATH");
    }
    if (request.command == Command::ProbeFraming && !request.target.IsSerial()) {
        throw UsageError("probe-framing works on a serial line: give --serial PATH");
    }
}

} // namespace

std::optional<std::string> TableOperationProblem(const std::string& name,
                                                 const std::vector<std::string>& arguments) {
    const zol::helpers::Operation* operation = zol::helpers::FindOperation(name);
    if (operation == nullptr) {
        return "unknown operation \"" + name + "\" ('zolctl ops' lists them)";
    }
    if (arguments.size() != operation->InCount()) {
        return zol::helpers::CountMessage(*operation, arguments.size()) + " ('zolctl op " + name +
               " --help' shows them)";
    }
    std::size_t next = 0;
    for (std::size_t i = 0; i < operation->args.size(); ++i) {
        if (zol::helpers::IsOut(operation->args[i])) {
            continue;
        }
        zol::helpers::ArgValue value;
        std::string error;
        if (!zol::helpers::ReadArgument(name, next + 1, operation->args[i], operation->limits[i],
                                        arguments[next], value, &error)) {
            return error;
        }
        ++next;
    }
    return std::nullopt;
}

// The command line's options and commands, built once: CLI11 builds dozens of options with texts and
// callbacks each, which costs far more than parsing a few words, so a parser that reads many command
// lines (the argument fuzzer) builds them only once. Every parse starts from the defaults again.
struct ArgumentParser::Grammar {
    Grammar();
    ParseResult Parse(const std::vector<std::string>& arguments);

    struct Entry {
        CLI::App* app;
        Command command;
    };
    CLI::App app{"zolctl: control large-format displays over the ZOL protocol.\n"
                 "Numbers anywhere: decimal, or hexadecimal with a 0x prefix.",
                 "zolctl"};
    RawOptions raw;
    bool describe = false;
    bool markdown = false;
    std::string describeName;
    std::vector<Entry> entries;
    CLI::App* op = nullptr;
};

ArgumentParser::Grammar::Grammar() {
    app.footer(
        "A wall: describe the displays once in an inventory (TOML; --inventory FILE, $ZOL_INVENTORY or\n"
        "~/.config/zol/inventory.toml) and choose them with --target NAME, @GROUP or all. The command\n"
        "then runs on every display chosen, with one report row per display; docs/zolctl-walls.md.");
    app.require_subcommand(1);
    app.fallthrough();
    // Extras are checked after parsing, so the usage error names them.
    app.allow_extras();
    AddTargetOptions(app, raw);
    // zolctl is released with the library: their versions are one.
    app.set_version_flag("--version", std::string("zolctl ") + ZOLGetLibraryVersion(),
                         "print zolctl's version and exit");

    auto add = [&](const char* name, const char* description, Command command) {
        CLI::App* sub = app.add_subcommand(name, description);
        entries.push_back({sub, command});
        return sub;
    };

    add("status", "ask the display for its status (command 0x00) and show what it reported", Command::Status);

    CLI::App* exec =
        add("exec", "run one command and show the record values its reply changed", Command::Exec);
    exec->add_option("CODE", raw.code, "command code")->type_name("N")->required();
    exec->add_option("BYTE", raw.bytes, "data bytes, in order")->type_name("N");

    CLI::App* rawCommand = add("raw", "send one packet and show the reply bytes as they came", Command::Raw);
    rawCommand->add_option("CODE", raw.code, "command code")->type_name("N")->required();
    rawCommand->add_option("BYTE", raw.bytes, "data bytes, in order")->type_name("N");

    op = add("op",
             "run one display operation by its name (see `zolctl ops`); `op NAME --help` shows its "
             "arguments and their syntax",
             Command::Op);
    op->add_option("NAME", raw.operation, "operation name")->type_name("")->required();
    op->add_option("ARG", raw.operationArguments, "its in-arguments, in order")->type_name("");

    CLI::App* ops = add("ops",
                        "list the operations `op` takes, with their argument and result kinds; "
                        "--describe shows each in full",
                        Command::Ops);
    ops->add_flag("--describe", describe,
                  "each operation's command, request bytes for example arguments, the values its replies "
                  "store and its result kind");
    ops->add_flag("--markdown", markdown, "with --describe: the reference document");
    ops->add_option("NAME", describeName, "with --describe: only this operation")->type_name("");
    add("values", "list the record values and the replies (command, sub-code) that store them",
        Command::Values);

    CLI::App* refresh =
        add("refresh", "refresh every value the display reports and show them all", Command::Refresh);
    refresh->add_option("MODE", raw.refreshMode, "refresh mode (default 0)")->type_name("N");

    CLI::App* wol = add("wol", "send a Wake-on-LAN packet (broadcast) for a hardware address", Command::Wol);
    wol->add_option("MAC", raw.mac,
                    "hardware address: 001122334455, 00:11:22:33:44:55 or 00-11-22-33-44-55; with --target: "
                    "none (the inventory's)")
        ->type_name("");

    add("probe-framing", "find out which framing a display on --serial answers", Command::ProbeFraming);
    add("demo", "start a simulated display and take a guided tour; needs no hardware", Command::Demo);

    CLI::App* download = add("download", "download the display's text file over TLS (port 2020) into OUTFILE",
                             Command::Download);
    download->add_option("OUTFILE", raw.outputFile, "the file to write")->type_name("")->required();
    CLI::App* trust = add("trust",
                          "trust the displays' root certificates: `install` the built-in ones, or "
                          "`add PEMFILE`",
                          Command::Trust);
    trust->add_option("ACTION", raw.trustAction, "install or add")
        ->type_name("")
        ->required()
        ->check(CLI::IsMember({"install", "add"}));
    trust->add_option("PEMFILE", raw.pemFile, "PEM certificate file (add)")->type_name("");

    CLI::App* firmware =
        add("firmware", "upload a firmware image to displays on serial lines, with progress on stderr",
            Command::Firmware);
    firmware->add_option("FILE", raw.firmwareFile, "the firmware image")->type_name("")->required();
    firmware->add_option("--display", raw.firmwareDisplays, "a display as serial device and ID (repeatable)")
        ->type_name("PORT:ID");
    add("targets", "list what --target takes from the inventory: each display's name, each @GROUP and all",
        Command::Targets);
}

ParseResult ArgumentParser::Grammar::Parse(const std::vector<std::string>& arguments) {
    ParseResult result;
    // The options stay bound to these members: only their values go back to the defaults.
    RawOptions defaults;
    defaults.perDisplay = std::move(raw.perDisplay);
    defaults.portOption = raw.portOption;
    defaults.pinOption = raw.pinOption;
    raw = std::move(defaults);
    describe = false;
    markdown = false;
    describeName.clear();
    app.clear();

    try {
        // CLI11 takes the words in reverse order.
        std::vector<std::string> words(arguments.rbegin(), arguments.rend());
        app.parse(words);
        for (const Entry& entry : entries) {
            if (entry.app->parsed()) {
                result.request.command = entry.command;
            }
        }
        if (!app.remaining().empty()) {
            std::string words;
            for (const std::string& word : app.remaining()) {
                words += " " + word;
            }
            throw UsageError("unexpected argument(s):" + words);
        }
        result.request.describe = describe;
        result.request.markdown = markdown;
        result.request.describeName = describeName;
        FinishRequest(raw, result.request);
        result.status = ParseStatus::Run;
    } catch (const CLI::CallForHelp& help) {
        // `op NAME --help` tells that operation's arguments.
        if (op->parsed() && !op->get_option("NAME")->results().empty()) {
            const std::string& name = op->get_option("NAME")->results().front();
            const bool known =
                zol::helpers::FindOperation(name) != nullptr || FindRecordOperation(name) != nullptr;
            result.status = known ? ParseStatus::Help : ParseStatus::Usage;
            result.text =
                known ? OperationHelp(name) : "unknown operation \"" + name + "\" ('zolctl ops' lists them)";
            return result;
        }
        std::ostringstream out;
        std::ostringstream err;
        app.exit(help, out, err);
        result.status = ParseStatus::Help;
        result.text = out.str();
    } catch (const CLI::CallForAllHelp& help) {
        std::ostringstream out;
        std::ostringstream err;
        app.exit(help, out, err);
        result.status = ParseStatus::Help;
        result.text = out.str();
    } catch (const CLI::CallForVersion& version) {
        result.status = ParseStatus::Help;
        result.text = std::string(version.what()) + "\n";
    } catch (const CLI::ParseError& error) {
        result.status = ParseStatus::Usage;
        result.text = error.what();
        // A word where the command belongs is reported as what it is, not as a missing command.
        if (app.get_subcommands().empty() && !app.remaining().empty()) {
            result.text = "unknown command \"" + app.remaining().front() + "\"";
        }
    } catch (const UsageError& error) {
        result.status = ParseStatus::Usage;
        result.text = error.what();
    } catch (const std::exception& error) {
        result.status = ParseStatus::Usage;
        result.text = error.what();
    }
    return result;
}

ArgumentParser::ArgumentParser() : m_grammar(std::make_unique<Grammar>()) {}

ArgumentParser::~ArgumentParser() = default;

ParseResult ArgumentParser::Parse(const std::vector<std::string>& arguments) {
    return m_grammar->Parse(arguments);
}

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
    return ArgumentParser().Parse(arguments);
}

} // namespace zolctl
