#pragma once

/// \file
/// Listing a record's values by name: every row of LFDValues.def, then the settings block.
///
///     ForEachValue(record, [](const char* name, const auto& value) { ... });
///
/// calls the function once per value, in list order, with the name (the setter's name without "Set") and
/// the value as int, bool, std::string, IntBlockN or IntList. The settings block comes last under the
/// name "SettingsBlock" as an ILFDData::SettingsBlock.
///
/// LFDValues turns that into snapshots of plain values that can be compared, printed and assigned back by
/// name: zolctl prints them, the tests diff them to see what a reply changed.

#include "ILFDData.h"
#include "WallDataLibExport.h"

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <variant>
#include <vector>

/// Calls visit(name, value) once per value of the record, in list order; see the file description.
template <typename F> void ForEachValue(const ILFDData& record, F&& visit) {
#define X(Type, Name) visit(#Name, static_cast<const Type&>(record.Get##Name()));
#define X_TEXT(Name)                                                                                         \
    {                                                                                                        \
        std::string text;                                                                                    \
        record.Get##Name(text);                                                                              \
        visit(#Name, static_cast<const std::string&>(text));                                                 \
    }
#define X_IS(Name) visit(#Name, static_cast<const bool&>(record.Is##Name()));
#define X_PARAM(Name) visit(#Name, static_cast<const int&>(record.Get##Name()));
#include "LFDValues.def"
#undef X
#undef X_TEXT
#undef X_IS
#undef X_PARAM
    visit("SettingsBlock", record.GetSettingsBlock());
}

/// One value in plain form: blocks and lists both become a vector of ints.
using LFDValue = std::variant<int, bool, std::string, std::vector<int>>;

/// An int value as it is.
inline LFDValue ToLFDValue(int value) {
    return value;
}
/// A yes/no value as it is.
inline LFDValue ToLFDValue(bool value) {
    return value;
}
/// A text value as it is.
inline LFDValue ToLFDValue(const std::string& value) {
    return value;
}
/// A list value as its ints.
inline LFDValue ToLFDValue(const IntList& value) {
    return value;
}
/// A block value as a vector of its N ints.
template <std::size_t N> LFDValue ToLFDValue(const std::array<int, N>& value) {
    return std::vector<int>(value.begin(), value.end());
}

/// One value of a snapshot under its name.
struct WDL_API LFDNamedValue {
    std::string name; ///< the setter's name without "Set", or "SettingsBlock"
    LFDValue value;   ///< the value in plain form
};

/// Every value of a record at one moment, in list order.
using LFDSnapshot = std::vector<LFDNamedValue>;

/// Snapshots of a record's values by name; see the file description.
class WDL_API LFDValues {
public:
    /// Number of values ForEachValue lists.
    static std::size_t Count();
    /// Their names, in list order.
    static std::vector<std::string> Names();
    /// Every value of the record, in list order.
    static LFDSnapshot Snapshot(const ILFDData& record);
    /// Names whose value differs between two snapshots of the same list, in list order. A name present
    /// in only one of them counts as changed.
    static std::vector<std::string> Changed(const LFDSnapshot& before, const LFDSnapshot& after);
    /// Stores a value by name through the record's own setter. Blocks take exactly their size in ints,
    /// lists any number. False (and nothing stored) for an unknown name or a value of the wrong kind.
    static bool Assign(ILFDData& record, const std::string& name, const LFDValue& value);
    /// The value as JSON: numbers, true/false, escaped strings, arrays of numbers.
    static std::string ToJson(const LFDValue& value);
};
