#include "Describe.h"

#include "ArgumentSyntax.h"
#include "Numbers.h"
#include "RecordOperations.h"
#include "Rehearsal.h"

#include "helpers/OperationTable.h"

#include <cctype>
#include <map>
#include <set>

namespace zolctl {

namespace {

using zol::helpers::ArgKind;

// Arguments of an operation whose example the kinds alone do not give: a table block has to fit its
// size, and the stage display reports a 0 x 0 size to the table written at the display's own size.
const std::map<std::string_view, std::vector<std::string>>& ExampleOverrides() {
    static const std::string block27 = "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1";
    static const std::map<std::string_view, std::vector<std::string>> overrides = {
        {"WriteRegisterTable", {block27, "1", "1"}},
        {"WriteRegisterTableWithGeometry", {"1,1,1,1,1,1,1,1,1,1,1,1"}},
        {"WriteRegisterTableForModel", {"1", "1", "0", block27, "", ""}},
        {"DownloadFileOverTls", {"/tmp/zol-download.txt"}},
    };
    return overrides;
}

std::string Repeat(const std::string& item, std::size_t count, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += (i == 0 ? "" : separator) + item;
    }
    return text;
}

std::string ExampleOf(ArgKind kind, const zol::helpers::ArgLimit& limit) {
    const std::size_t count = limit.count != 0 ? limit.count : 3;
    switch (kind) {
    case ArgKind::Double:
        return "0.5";
    case ArgKind::Text:
    case ArgKind::Texts:
        return "10.0.0.2";
    case ArgKind::Bytes:
        return Repeat("01", limit.count != 0 ? limit.count : 2, "");
    case ArgKind::Ints:
        return Repeat("1", count, ",");
    case ArgKind::Doubles:
        return Repeat("0.5", count, ",");
    default:
        return "1";
    }
}

struct Description {
    std::string name;
    std::vector<std::string> kinds;
    std::vector<std::string> notes;
    std::string result;
    std::vector<std::string> example;
    Rehearsal rehearsal;
};

std::vector<std::string> Example(const zol::helpers::Operation& op) {
    if (const auto found = ExampleOverrides().find(op.name); found != ExampleOverrides().end()) {
        return found->second;
    }
    std::vector<std::string> example;
    for (std::size_t i = 0; i < op.args.size(); ++i) {
        if (!zol::helpers::IsOut(op.args[i])) {
            example.push_back(ExampleOf(op.args[i], op.limits[i]));
        }
    }
    return example;
}

Description Describe(const zol::helpers::Operation& op) {
    Description d;
    d.name = op.name;
    for (std::size_t i = 0; i < op.args.size(); ++i) {
        d.kinds.emplace_back(zol::helpers::ArgKindName(op.args[i]));
        d.notes.emplace_back(op.notes[i]);
    }
    d.result = zol::helpers::ResultKindName(op.result);
    d.example = Example(op);
    d.rehearsal = Rehearse([&op, &d](ICommunicationHelperExtended& helper, std::string* error) {
        return op.invoke(helper, d.example, error).has_value();
    });
    return d;
}

Description Describe(const RecordOperation& op) {
    Description d;
    d.name = op.name;
    for (const std::string_view kind : op.arguments) {
        d.kinds.emplace_back(kind);
        d.notes.emplace_back();
        const bool out = !kind.empty() && kind.back() == '*';
        if (!out) {
            d.example.push_back(kind == "byte" ? "1" : RecordSyntax(kind));
        }
    }
    d.result = "status";
    d.rehearsal = Rehearse([&op, &d](ICommunicationHelperExtended& helper, std::string* error) {
        return op.invoke(helper, d.example, error).has_value();
    });
    return d;
}

std::string Hex(int value) {
    static const char* digits = "0123456789abcdef";
    std::string text = "0x";
    text.push_back(digits[(value >> 4) & 0xF]);
    text.push_back(digits[value & 0xF]);
    return text;
}

// The commands sent, in the order first sent (relay headers left out).
std::vector<int> Commands(const Rehearsal& rehearsal) {
    std::vector<int> codes;
    for (const zolsim::Request& request : rehearsal.requests) {
        const int code = request.code;
        if (!request.relayHeader && std::find(codes.begin(), codes.end(), code) == codes.end()) {
            codes.push_back(code);
        }
    }
    return codes;
}

// The sub-code the name gives ("...Sub14...") when a request carried it as its first data byte.
std::optional<int> SubCode(const Description& d) {
    const std::size_t at = d.name.find("Sub");
    if (at == std::string::npos || at + 5 > d.name.size() || !std::isxdigit(d.name[at + 3]) ||
        !std::isxdigit(d.name[at + 4])) {
        return std::nullopt;
    }
    const int sub = std::stoi(d.name.substr(at + 3, 2), nullptr, 16);
    for (const zolsim::Request& request : d.rehearsal.requests) {
        if (!request.data.empty() && request.data.front() == sub) {
            return sub;
        }
    }
    return std::nullopt;
}

std::vector<std::string> RequestTexts(const Rehearsal& rehearsal) {
    std::vector<std::string> texts;
    for (const zolsim::Request& request : rehearsal.requests) {
        texts.push_back(HexText(request.raw.data(), request.raw.size()));
    }
    return texts;
}

std::string Signature(const Description& d) {
    std::string shape;
    for (const std::string& kind : d.kinds) {
        shape += (shape.empty() ? "" : ", ") + kind;
    }
    return d.name + "(" + shape + ") -> " + d.result;
}

std::string KindText(const DisplayKind& kind) {
    return "product family " + std::to_string(kind.productFamily) + ", link variant " +
           std::to_string(kind.linkVariant);
}

Json ToJsonOf(const Description& d) {
    Json args = Json::array();
    for (std::size_t i = 0; i < d.kinds.size(); ++i) {
        Json arg = {{"kind", d.kinds[i]}};
        if (!d.notes[i].empty()) {
            arg["note"] = d.notes[i];
        }
        args.push_back(arg);
    }
    Json commands = Json::array();
    for (const int code : Commands(d.rehearsal)) {
        commands.push_back(code);
    }
    const std::optional<int> sub = SubCode(d);
    Json out = {{"name", d.name},
                {"args", args},
                {"result", d.result},
                {"commands", commands},
                {"subCode", sub ? Json(*sub) : Json()},
                {"example", d.example},
                {"requests", RequestTexts(d.rehearsal)},
                {"stores", d.rehearsal.stored}};
    if (!d.rehearsal.requests.empty() &&
        (d.rehearsal.kind.productFamily != 0 || d.rehearsal.kind.linkVariant != 0)) {
        out["sentFor"] = KindText(d.rehearsal.kind);
    }
    return out;
}

std::string CommandText(const Description& d) {
    std::string text;
    for (const int code : Commands(d.rehearsal)) {
        text += (text.empty() ? "" : ", ") + Hex(code);
    }
    if (const std::optional<int> sub = SubCode(d)) {
        text += " sub-code " + Hex(*sub);
    }
    return text.empty() ? "none" : text;
}

std::string ExampleText(const Description& d) {
    std::string text = "zolctl op " + d.name;
    for (const std::string& word : d.example) {
        const bool quote = word.empty() || word.find_first_of(" \"{}[]") != std::string::npos;
        text += " " + (quote ? "'" + word + "'" : word);
    }
    return text;
}

std::string Joined(const std::vector<std::string>& words, const char* separator) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : separator) + word;
    }
    return text;
}

std::string PlainText(const Description& d) {
    std::string text = Signature(d) + "\n";
    text += "  commands: " + CommandText(d) + "\n";
    for (std::size_t i = 0; i < d.kinds.size(); ++i) {
        if (!d.notes[i].empty()) {
            text += "  argument " + std::to_string(i + 1) + " (" + d.kinds[i] + "): " + d.notes[i] + "\n";
        }
    }
    text += "  example: " + ExampleText(d) + "\n";
    if (d.rehearsal.requests.empty()) {
        text +=
            "  sends: nothing" + (d.rehearsal.ran ? std::string() : " (" + d.rehearsal.error + ")") + "\n";
    } else {
        const std::string forKind = d.rehearsal.kind.productFamily != 0 || d.rehearsal.kind.linkVariant != 0
                                        ? " (for " + KindText(d.rehearsal.kind) + ")"
                                        : "";
        text += "  sends" + forKind + ": " + Joined(RequestTexts(d.rehearsal), " ") + "\n";
    }
    text += "  its replies store: " +
            (d.rehearsal.stored.empty() ? "nothing" : Joined(d.rehearsal.stored, ", ")) + "\n";
    return text;
}

std::string MarkdownCell(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '|') {
            out += "\\|";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string MarkdownRow(const Description& d) {
    std::string args;
    for (std::size_t i = 0; i < d.kinds.size(); ++i) {
        args += (args.empty() ? "" : ", ") + d.kinds[i] + (d.notes[i].empty() ? "" : " (" + d.notes[i] + ")");
    }
    std::string sends = d.rehearsal.requests.empty() ? "nothing" : Joined(RequestTexts(d.rehearsal), " ");
    if (!d.rehearsal.requests.empty() &&
        (d.rehearsal.kind.productFamily != 0 || d.rehearsal.kind.linkVariant != 0)) {
        sends += " (for " + KindText(d.rehearsal.kind) + ")";
    }
    return "| " + d.name + " | " + MarkdownCell(args) + " | " + d.result + " | " + CommandText(d) + " | `" +
           MarkdownCell(ExampleText(d)) + "` | " + sends + " | " +
           (d.rehearsal.stored.empty() ? "-" : Joined(d.rehearsal.stored, ", ")) + " |\n";
}

std::vector<Description> DescribeAll(const std::string& only) {
    std::vector<Description> all;
    for (const zol::helpers::Operation& op : zol::helpers::Operations()) {
        if (only.empty() || op.name == only) {
            all.push_back(Describe(op));
        }
    }
    for (const RecordOperation& op : RecordOperations()) {
        if (only.empty() || op.name == only) {
            all.push_back(Describe(op));
        }
    }
    return all;
}

// Documentation text: the characters the reference's markup would take as commands or tags are
// escaped (argument kinds, which hold '*', go into code spans instead).
std::string DocText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (std::string_view("\\@<>&#%$").find(c) != std::string_view::npos) {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out;
}

std::string ResultText(const std::string& result) {
    if (result == "status") {
        return "a status (nonzero is success)";
    }
    if (result == "ack") {
        return "1 ACK, 2 NAK, 0 no reply";
    }
    if (result == "value") {
        return "a plain number";
    }
    return "nothing";
}

OperationLine LineOf(const Description& d) {
    OperationLine line;
    line.name = d.name;
    const std::string commands = CommandText(d);
    const bool several = commands.find(',') != std::string::npos;
    line.brief = (commands == "none" ? std::string("Sends no command")
                                     : (several ? "Commands " : "Command ") + commands) +
                 "; returns " + ResultText(d.result) + ".";
    std::string args;
    for (std::size_t i = 0; i < d.kinds.size(); ++i) {
        args += std::string(args.empty() ? "" : ", ") + "`" + d.kinds[i] + "`" +
                (d.notes[i].empty() ? "" : " (" + DocText(d.notes[i]) + ")");
    }
    line.details = "Arguments: " + (args.empty() ? std::string("none") : args) + ".\n\n";
    std::string example;
    for (const std::string& word : d.example) {
        example += (example.empty() ? "" : " ") + (word.empty() ? std::string("''") : DocText(word));
    }
    line.details += "Example arguments: " + (example.empty() ? std::string("none") : example) + ".\n\n";
    if (d.rehearsal.requests.empty()) {
        line.details += "Sends nothing for them.";
    } else {
        const std::string forKind = d.rehearsal.kind.productFamily != 0 || d.rehearsal.kind.linkVariant != 0
                                        ? " (for " + KindText(d.rehearsal.kind) + ")"
                                        : "";
        line.details += "Request bytes" + forKind + ": " + Joined(RequestTexts(d.rehearsal), " ") + ".";
    }
    line.details += "\n\nIts replies store: " +
                    (d.rehearsal.stored.empty() ? std::string("nothing") : Joined(d.rehearsal.stored, ", ")) +
                    ".";
    return line;
}

} // namespace

std::vector<OperationLine> OperationLines() {
    std::vector<OperationLine> lines;
    for (const Description& d : DescribeAll("")) {
        lines.push_back(LineOf(d));
    }
    return lines;
}

std::string OperationsMarkdown() {
    std::string text =
        "# zolctl operations\n\n"
        "Generated by `zolctl ops --describe --markdown` from the library's operation table; do not edit by "
        "hand. Regenerate with\n`build/debug/tools/zolctl/zolctl ops --describe --markdown > "
        "docs/operations.md`.\n\n"
        "Each operation runs with `zolctl op NAME ARG...`; `zolctl op NAME --help` shows its arguments. "
        "The request bytes were captured by running the operation with the example arguments against a "
        "simulated display held in memory (ID 1); an operation that only some kinds of display have was "
        "run for the first kind that has it. \"Stores\" are the record values its replies stored there, "
        "named as in the JSON \"values\".\n\n"
        "Results: status (nonzero is success), ack (1 ACK, 2 NAK, 0 no reply), value (a plain number), "
        "nothing. Out-values come back in \"outs\", null when no reply filled them.\n\n"
        "```\n" +
        ArgumentSyntaxText() +
        "```\n\n"
        "| Operation | Arguments | Result | Commands | Example | Request bytes | Stores |\n"
        "|---|---|---|---|---|---|---|\n";
    for (const Description& d : DescribeAll("")) {
        text += MarkdownRow(d);
    }
    return text;
}

Outcome DescribeOperations(const Request& request) {
    Outcome outcome;
    if (request.markdown) {
        outcome.text = OperationsMarkdown();
        outcome.json["markdown"] = outcome.text;
        return outcome;
    }
    Json operations = Json::array();
    std::string text;
    for (const Description& d : DescribeAll(request.describeName)) {
        operations.push_back(ToJsonOf(d));
        text += PlainText(d);
    }
    outcome.json["operations"] = std::move(operations);
    outcome.text = std::move(text);
    return outcome;
}

} // namespace zolctl
