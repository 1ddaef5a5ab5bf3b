#include "LFDValueVisitor.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <map>
#include <type_traits>

namespace zol::walldata {
namespace {

// Reading a plain value back into the setter's type; false when the kind does not fit.
bool FromValue(const LFDValue& value, int& out) {
    if (const int* number = std::get_if<int>(&value)) {
        out = *number;
        return true;
    }
    return false;
}
bool FromValue(const LFDValue& value, bool& out) {
    if (const bool* flag = std::get_if<bool>(&value)) {
        out = *flag;
        return true;
    }
    return false;
}
bool FromValue(const LFDValue& value, std::string& out) {
    if (const std::string* text = std::get_if<std::string>(&value)) {
        out = *text;
        return true;
    }
    return false;
}
bool FromValue(const LFDValue& value, IntList& out) {
    if (const std::vector<int>* list = std::get_if<std::vector<int>>(&value)) {
        out = *list;
        return true;
    }
    return false;
}
template <std::size_t N> bool FromValue(const LFDValue& value, std::array<int, N>& out) {
    const std::vector<int>* list = std::get_if<std::vector<int>>(&value);
    if (list == nullptr || list->size() != N) {
        return false;
    }
    std::copy(list->begin(), list->end(), out.begin());
    return true;
}

using Assigner = std::function<bool(ILFDData&, const LFDValue&)>;

// One assigner per listed value, built once from the same list the record is generated from.
const std::map<std::string, Assigner>& Assigners() {
    static const std::map<std::string, Assigner> table = [] {
        std::map<std::string, Assigner> made;
#define LFD_ASSIGN(Type, Name, Call)                                                                         \
    made.emplace(#Name, [](ILFDData& record, const LFDValue& value) {                                        \
        Type typed{};                                                                                        \
        if (!FromValue(value, typed)) {                                                                      \
            return false;                                                                                    \
        }                                                                                                    \
        record.Call(typed);                                                                                  \
        return true;                                                                                         \
    });
#define X(Type, Name) LFD_ASSIGN(Type, Name, Set##Name)
#define X_TEXT(Name) LFD_ASSIGN(std::string, Name, Set##Name)
#define X_IS(Name) LFD_ASSIGN(bool, Name, Set##Name)
#define X_PARAM(Name) LFD_ASSIGN(int, Name, Set##Name)
#include "LFDValues.def"
#undef X
#undef X_TEXT
#undef X_IS
#undef X_PARAM
#undef LFD_ASSIGN
        made.emplace("SettingsBlock", [](ILFDData& record, const LFDValue& value) {
            return FromValue(value, record.GetSettingsBlock());
        });
        return made;
    }();
    return table;
}

void AppendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                // Texts decoded from replies are printable ASCII; other bytes pass through as they are.
                out += c;
            }
        }
    }
    out += '"';
}

} // namespace
} // namespace zol::walldata

using namespace zol::walldata;

std::size_t LFDValues::Count() {
    return Names().size();
}

std::vector<std::string> LFDValues::Names() {
    std::vector<std::string> names;
#define X(Type, Name) names.emplace_back(#Name);
#define X_TEXT(Name) names.emplace_back(#Name);
#define X_IS(Name) names.emplace_back(#Name);
#define X_PARAM(Name) names.emplace_back(#Name);
#include "LFDValues.def"
#undef X
#undef X_TEXT
#undef X_IS
#undef X_PARAM
    names.emplace_back("SettingsBlock");
    return names;
}

LFDSnapshot LFDValues::Snapshot(const ILFDData& record) {
    LFDSnapshot snapshot;
    snapshot.reserve(256);
    ForEachValue(record, [&snapshot](const char* name, const auto& value) {
        snapshot.push_back(LFDNamedValue{name, ToLFDValue(value)});
    });
    return snapshot;
}

std::vector<std::string> LFDValues::Changed(const LFDSnapshot& before, const LFDSnapshot& after) {
    std::map<std::string, const LFDValue*> earlier;
    for (const LFDNamedValue& entry : before) {
        earlier.emplace(entry.name, &entry.value);
    }
    std::vector<std::string> changed;
    for (const LFDNamedValue& entry : after) {
        const auto found = earlier.find(entry.name);
        if (found == earlier.end() || !(*found->second == entry.value)) {
            changed.push_back(entry.name);
        }
        if (found != earlier.end()) {
            earlier.erase(found);
        }
    }
    // Names only the first snapshot had, in its order.
    for (const LFDNamedValue& entry : before) {
        if (earlier.count(entry.name) != 0) {
            changed.push_back(entry.name);
            earlier.erase(entry.name);
        }
    }
    return changed;
}

bool LFDValues::Assign(ILFDData& record, const std::string& name, const LFDValue& value) {
    const auto& assigners = Assigners();
    const auto found = assigners.find(name);
    return found != assigners.end() && found->second(record, value);
}

std::string LFDValues::ToJson(const LFDValue& value) {
    std::string out;
    std::visit(
        [&out](const auto& held) {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, bool>) {
                out = held ? "true" : "false";
            } else if constexpr (std::is_same_v<T, int>) {
                out = std::to_string(held);
            } else if constexpr (std::is_same_v<T, std::string>) {
                AppendJsonString(out, held);
            } else {
                out = "[";
                for (std::size_t i = 0; i < held.size(); ++i) {
                    if (i != 0) {
                        out += ',';
                    }
                    out += std::to_string(held[i]);
                }
                out += ']';
            }
        },
        value);
    return out;
}
