#include "ArgumentSyntax.h"

#include "RecordOperations.h"

#include "helpers/OperationTable.h"

namespace zolctl {

namespace {

using zol::helpers::ArgKind;

std::string LimitText(ArgKind kind, const zol::helpers::ArgLimit& limit) {
    std::string text;
    if (kind == ArgKind::Int || kind == ArgKind::Byte || kind == ArgKind::Ints) {
        text = std::to_string(limit.min) + ".." + std::to_string(limit.max);
    }
    if (limit.count != 0) {
        text += std::string(text.empty() ? "" : ", ") + "exactly " + std::to_string(limit.count) + " values";
    }
    if (limit.optional) {
        text += std::string(text.empty() ? "" : ", ") + "or the empty word for none";
    }
    return text;
}

std::string_view ResultText(zol::helpers::ResultKind kind) {
    switch (kind) {
    case zol::helpers::ResultKind::Status:
        return "a status: nonzero is success (exit 0), 0 failure (exit 1)";
    case zol::helpers::ResultKind::AckCode:
        return "an ACK code: 1 ACK (exit 0), 2 NAK (exit 3), 0 no reply (exit 1)";
    case zol::helpers::ResultKind::Value:
        return "a plain value (exit 0)";
    case zol::helpers::ResultKind::Nothing:
        return "nothing (exit 0)";
    }
    return "";
}

std::string TableHelp(const zol::helpers::Operation& op) {
    std::string usage = "zolctl [target options] op " + std::string(op.name);
    std::string lines;
    for (const InArgument& argument : InArguments(op)) {
        usage += " " + argument.word;
        lines.append("  ").append(argument.word).append("  ").append(argument.kind);
        if (!argument.detail.empty()) {
            lines.append("  ").append(argument.detail);
        }
        lines += "\n";
    }
    std::string outs;
    for (std::size_t i = 0; i < op.args.size(); ++i) {
        if (zol::helpers::IsOut(op.args[i])) {
            const std::string note(op.notes[i]);
            outs += "  " + std::string(zol::helpers::ArgKindName(op.args[i])) +
                    (note.empty() ? "" : "  " + note) + "\n";
        }
    }
    std::string text = usage + "\n";
    if (!lines.empty()) {
        text.append("Arguments:\n").append(lines);
    }
    if (!outs.empty()) {
        text.append("Out-values (in \"outs\", null when no reply filled them):\n").append(outs);
    }
    text.append("Result: ").append(ResultText(op.result)).append("\n");
    return text;
}

std::string RecordHelp(const RecordOperation& op) {
    std::string usage = "zolctl [target options] op " + std::string(op.name);
    std::string lines;
    std::string outs;
    std::size_t in = 0;
    for (const std::string_view kind : op.arguments) {
        const bool out = !kind.empty() && kind.back() == '*';
        if (out) {
            outs += "  " + std::string(kind) + "  a JSON object: " + RecordSyntax(kind) + "\n";
            continue;
        }
        const std::string word = "ARG" + std::to_string(++in);
        usage += " " + word;
        if (kind == "byte") {
            lines += "  " + word + "  byte  0..255\n";
        } else {
            lines += "  " + word + "  " + std::string(kind) + "  one JSON object with every field:\n      " +
                     RecordSyntax(kind) + "\n";
        }
    }
    std::string text = usage + "\n";
    if (!lines.empty()) {
        text += "Arguments:\n" + lines;
    }
    if (!outs.empty()) {
        text += "Out-values (in \"outs\", null when no reply filled them):\n" + outs;
    }
    text += "Result: " + std::string(ResultText(zol::helpers::ResultKind::Status)) + "\n";
    return text;
}

} // namespace

std::vector<InArgument> InArguments(const zol::helpers::Operation& op) {
    std::vector<InArgument> arguments;
    for (std::size_t i = 0; i < op.args.size(); ++i) {
        if (zol::helpers::IsOut(op.args[i])) {
            continue;
        }
        const std::string note(op.notes[i]);
        std::string detail = note.empty() ? LimitText(op.args[i], op.limits[i]) : note;
        if (!note.empty() && op.limits[i].optional && note.find("empty") == std::string::npos) {
            detail += ", or the empty word for none";
        }
        arguments.push_back({"ARG" + std::to_string(arguments.size() + 1),
                             std::string(zol::helpers::ArgKindName(op.args[i])), std::move(detail)});
    }
    return arguments;
}

std::string ArgumentSyntaxText() {
    return "Argument syntax, one per kind:\n"
           "  int      decimal (-3) or 0x-hexadecimal (0x1F); any 32-bit pattern, unless the operation "
           "sends\n"
           "           only the low byte: then 0..255\n"
           "  byte     0..255, decimal or 0x-hexadecimal\n"
           "  double   a decimal number: 0.5, -2, 1e-3\n"
           "  text     the word itself: 10.0.0.2, /tmp/file.txt\n"
           "  bytes    hexadecimal digits, two per byte, no separators: 0a0b0c (the empty word: no bytes)\n"
           "  ints     numbers separated by commas: 1,0x20,-3 (the empty word: an empty list)\n"
           "  doubles  decimal numbers separated by commas: 1,0.5,0\n"
           "  texts    words separated by commas: 10.0.0.1,10.0.0.2\n"
           "  RECORD   one JSON object naming every field of the record: '{\"Field0\": 2024, ...}'\n"
           "An argument that takes \"the empty word for none\" is left out when given as ''.\n"
           "Out-values are not given; they come back in \"outs\" (null when no reply filled them).\n";
}

std::string OperationHelp(std::string_view name) {
    if (const RecordOperation* record = FindRecordOperation(name)) {
        return RecordHelp(*record) + "\n" + ArgumentSyntaxText();
    }
    if (const zol::helpers::Operation* op = zol::helpers::FindOperation(name)) {
        return TableHelp(*op) + "\n" + ArgumentSyntaxText();
    }
    return "unknown operation \"" + std::string(name) + "\" ('zolctl ops' lists them)\n";
}

} // namespace zolctl
