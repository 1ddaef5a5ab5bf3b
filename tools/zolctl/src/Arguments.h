#pragma once

// zolctl's command line turned into a plain request. Parsing touches no network and no device, so any
// argument list can be fed to ParseArguments (the argument fuzzer does exactly that).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zolctl {

enum class Command {
    Status,
    Exec,
    Raw,
    Op,
    Ops,
    Refresh,
    Wol,
    ProbeFraming,
    Demo,
    Firmware, // serial firmware update of the displays given with --display PORT:ID
    Download, // DownloadFileOverTls for --host
    Trust,    // the trusted-root store: install the embedded roots, or add one PEM file
    Values,   // the record values and the replies that store them
    Targets,  // what --target takes from the inventory
};

// Which display, and how the record describes it.
struct Target {
    std::string host;   // as typed until PrepareRequest resolves it to an IP literal; empty when serial
    std::string serial; // device path; empty when Ethernet
    std::uint32_t port = 1515;
    int id = 1;
    std::string pin;
    int framing = 0;
    int relayTarget = -1;
    int relayByte = 0;
    unsigned retries = 4;
    int modelCode = 0;
    int productFamily = 0;
    int productGroup = 0;
    int productClass = 0;
    int linkVariant = 0;
    int blockFlag = 0;

    bool IsSerial() const { return !serial.empty(); }
    // The pool key: the host address or the serial device path.
    const std::string& Address() const { return IsSerial() ? serial : host; }
};

// One display of an inventory selection, ready to run: how it is reached, and its name for the report.
struct FleetDisplay {
    std::string name;
    Target target;
    std::string mac;     // twelve hexadecimal digits, or empty when the inventory has none
    std::string problem; // why it cannot be run (its host did not resolve); empty when it can
};

// One display of a firmware update: its serial device and its display ID.
struct FirmwareDisplay {
    std::string port;
    int id = 0;
};

struct Request {
    Command command = Command::Status;
    Target target;
    bool json = false;
    bool verbose = false;

    unsigned char code = 0;                        // exec, raw
    std::vector<unsigned char> data;               // exec, raw: at most 255 bytes
    std::string operation;                         // op: the operation's name
    std::vector<std::string> operationArguments;   // op: its in-arguments as typed
    bool describe = false;                         // ops --describe: each operation in full
    bool markdown = false;                         // ops --describe --markdown: as the reference document
    std::string describeName;                      // ops --describe NAME: only this operation
    int refreshMode = 0;                           // refresh
    std::string mac;                               // wol: twelve hexadecimal digits, separators removed
    std::string outputFile;                        // download: the file to write
    std::string trustAction;                       // trust: "install" or "add"
    std::string pemFile;                           // trust add: the PEM certificate file
    std::string firmwareFile;                      // firmware: the image to upload
    std::vector<FirmwareDisplay> firmwareDisplays; // firmware: the displays, in the order given

    // A wall: the displays of an inventory, chosen by --target, each run as its own row of the report.
    std::vector<std::string> selectors; // --target words as typed: NAME, @GROUP or all
    std::string inventoryFile;          // --inventory; empty: $ZOL_INVENTORY or the user's own file
    bool jsonLines = false;             // --jsonl: one JSON line per display as it finishes
    unsigned staggerMs = 0;             // --stagger
    double deadlineSeconds = 0;         // --deadline; 0: none
    bool portGiven = false;             // --port was typed, so a port in --host must agree with it
    std::string pinFile;                // --pin-file
    bool askPin = false;                // --ask-pin
    bool pinOnCommandLine = false;      // --pin was typed (it shows in the process list)
    std::vector<FleetDisplay> fleet;    // filled by PrepareRequest from the selection

    bool FanOut() const { return !selectors.empty(); }
};

enum class ParseStatus {
    Run,   // `request` is ready to run
    Help,  // help or the version was asked for: print `text` on stdout, exit 0
    Usage, // usage error: print `text` on stderr, exit 2
};

struct ParseResult {
    ParseStatus status = ParseStatus::Usage;
    Request request;
    std::string text;
};

// Why a table operation cannot run with these in-arguments: an unknown name, a wrong count or an argument
// its kind or limit refuses. Nothing when it can. Reads the texts only; nothing is sent anywhere.
std::optional<std::string> TableOperationProblem(const std::string& name,
                                                 const std::vector<std::string>& arguments);

// `arguments` are the command-line words after the program name.
ParseResult ParseArguments(const std::vector<std::string>& arguments);

// The same parse for many command lines, with the options built once: each Parse gives what
// ParseArguments gives for those words.
class ArgumentParser {
public:
    ArgumentParser();
    ~ArgumentParser();
    ArgumentParser(const ArgumentParser&) = delete;
    ArgumentParser& operator=(const ArgumentParser&) = delete;

    ParseResult Parse(const std::vector<std::string>& arguments);

private:
    struct Grammar;
    std::unique_ptr<Grammar> m_grammar;
};

} // namespace zolctl
