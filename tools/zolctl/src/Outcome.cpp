#include "Outcome.h"

namespace zolctl {

namespace {

// A value no reply filled (null) reads "unknown", so that it is never taken for a 0.
std::string Scalar(const Json& value) {
    if (value.is_null()) {
        return "unknown";
    }
    if (value.is_array()) {
        std::string text = "[";
        for (const Json& element : value) {
            text += (text.size() > 1 ? "," : "") +
                    (element.is_null() ? std::string("unknown") : JsonText(element));
        }
        return text + "]";
    }
    return value.is_string() ? value.get<std::string>() : JsonText(value);
}

void AppendObject(const Json& object, const std::string& indent, std::string& text) {
    for (const auto& [key, value] : object.items()) {
        if (value.is_object()) {
            text += indent + key + ":\n";
            AppendObject(value, indent + "  ", text);
        } else if (value.is_array() && !value.empty() && value.front().is_object()) {
            text += indent + key + ":\n";
            for (const Json& element : value) {
                text += indent + "  -\n";
                AppendObject(element, indent + "    ", text);
            }
        } else {
            text += indent + key + ": " + Scalar(value) + "\n";
        }
    }
}

} // namespace

std::string JsonText(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Outcome UsageOutcome(std::string message) {
    Outcome outcome;
    outcome.exitCode = kExitUsage;
    outcome.json["error"] = message;
    outcome.message = std::move(message);
    return outcome;
}

std::string TextForm(const Json& json) {
    std::string text;
    AppendObject(json, "", text);
    return text;
}

void PrintOutcome(const Outcome& outcome, bool asJson, std::ostream& out, std::ostream& err) {
    if (asJson) {
        out << JsonText(outcome.json) << '\n';
    } else if (!outcome.text.empty()) {
        out << outcome.text;
    } else if (!(outcome.json.size() == 1 && outcome.json.contains("error"))) {
        // A bare error is said once, on stderr.
        out << TextForm(outcome.json);
    }
    if (!outcome.message.empty()) {
        err << "zolctl: " << outcome.message << '\n';
    }
    out.flush();
}

} // namespace zolctl
