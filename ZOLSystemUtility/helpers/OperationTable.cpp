#include "helpers/OperationTable.h"

#include <charconv>
#include <tuple>
#include <type_traits>

namespace zol::helpers {

namespace {

using I = ICommunicationHelperExtended;

// Parses a whole text as a decimal or 0x-hexadecimal number (a leading '-' allowed for decimal).
bool ParseNumber(const std::string& text, long long& out) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        first += 2;
        base = 16;
    }
    if (first == last) {
        return false;
    }
    const auto [end, ec] = std::from_chars(first, last, out, base);
    return ec == std::errc() && end == last;
}

// One argument of an operation: how it is parsed, passed and collected.
template <typename T> struct Slot;

template <> struct Slot<int> {
    static constexpr ArgKind kKind = ArgKind::Int;
    static constexpr bool kOut = false;
    int value = 0;
    bool Parse(const std::string& text) {
        long long v = 0;
        if (!ParseNumber(text, v) || v < -2147483648LL || v > 4294967295LL) {
            return false;
        }
        value = static_cast<int>(static_cast<unsigned int>(v & 0xFFFFFFFF));
        return true;
    }
    int Pass() { return value; }
    void Collect(std::vector<int>&) const {}
};

template <> struct Slot<unsigned char> {
    static constexpr ArgKind kKind = ArgKind::Byte;
    static constexpr bool kOut = false;
    unsigned char value = 0;
    bool Parse(const std::string& text) {
        long long v = 0;
        if (!ParseNumber(text, v) || v < 0 || v > 255) {
            return false;
        }
        value = static_cast<unsigned char>(v);
        return true;
    }
    unsigned char Pass() { return value; }
    void Collect(std::vector<int>&) const {}
};

template <> struct Slot<int*> {
    static constexpr ArgKind kKind = ArgKind::IntOut;
    static constexpr bool kOut = true;
    int value = 0;
    bool Parse(const std::string&) { return true; }
    int* Pass() { return &value; }
    void Collect(std::vector<int>& outs) const { outs.push_back(value); }
};

template <> struct Slot<unsigned char*> {
    static constexpr ArgKind kKind = ArgKind::ByteOut;
    static constexpr bool kOut = true;
    unsigned char value = 0;
    bool Parse(const std::string&) { return true; }
    unsigned char* Pass() { return &value; }
    void Collect(std::vector<int>& outs) const { outs.push_back(value); }
};

template <typename R, typename... A>
Operation Op(std::string_view name, R (I::*fn)(A...), ResultKind result) {
    Operation op{name, {Slot<A>::kKind...}, result, {}};
    op.invoke = [fn, name](I& helper, const std::vector<std::string>& in,
                           std::string* error) -> std::optional<OperationResult> {
        std::tuple<Slot<A>...> slots;
        std::size_t next = 0;
        bool ok = true;
        std::apply(
            [&](auto&... slot) {
                ((ok = ok && (slot.kOut || (next < in.size() && slot.Parse(in[next++])))), ...);
            },
            slots);
        if (!ok || next != in.size()) {
            if (error != nullptr) {
                *error = std::string(name) + ": bad or missing arguments";
            }
            return std::nullopt;
        }
        OperationResult r;
        if constexpr (std::is_void_v<R>) {
            std::apply([&](auto&... slot) { (helper.*fn)(slot.Pass()...); }, slots);
        } else {
            r.result = static_cast<int>(
                std::apply([&](auto&... slot) { return (helper.*fn)(slot.Pass()...); }, slots));
        }
        std::apply([&](const auto&... slot) { (slot.Collect(r.outs), ...); }, slots);
        return r;
    };
    return op;
}

std::vector<Operation> BuildTable() {
    return {
        Op("SendCommandE3", &I::SendCommandE3, ResultKind::Status),
        Op("RefreshBasicStatus", &I::RefreshBasicStatus, ResultKind::Status),
        Op("RefreshAll", &I::RefreshAll, ResultKind::Status),
        Op("RefreshByState", &I::RefreshByState, ResultKind::Status),
        Op("RefreshByStateQuick", &I::RefreshByStateQuick, ResultKind::Status),
        Op("RefreshCommandD0Group", &I::RefreshCommandD0Group, ResultKind::Status),
        Op("InitializeMatrix", &I::InitializeMatrix, ResultKind::Status),
        Op("ReadCommand58Registers", &I::ReadCommand58Registers, ResultKind::Status),
        Op("SwitchCommand71Mode", &I::SwitchCommand71Mode, ResultKind::Status),
        Op("GetCommand58Raw", &I::GetCommand58Raw, ResultKind::Status),
        Op("SetCommand58Raw", &I::SetCommand58Raw, ResultKind::AckCode),
        Op("ClearCommand92", &I::ClearCommand92, ResultKind::Status),
        Op("SendCommand9FZero", &I::SendCommand9FZero, ResultKind::Status),
        Op("SetCommand9F", &I::SetCommand9F, ResultKind::Status),
        Op("ApplyModelRegisterTable", &I::ApplyModelRegisterTable, ResultKind::Status),
        Op("GetCommand84Flag", &I::GetCommand84Flag, ResultKind::Status),
        Op("ReadRegisterWord", &I::ReadRegisterWord, ResultKind::Status),
        Op("WriteRegisterWord", &I::WriteRegisterWord, ResultKind::Status),
        Op("SendSourceDirect", &I::SendSourceDirect, ResultKind::Status),
        Op("SetCommand14", &I::SetCommand14, ResultKind::Status),
        Op("RefreshCommand14", &I::RefreshCommand14, ResultKind::Status),
        Op("SetCommand12", &I::SetCommand12, ResultKind::Status),
        Op("SetCommand13", &I::SetCommand13, ResultKind::Status),
        Op("SetCommand36", &I::SetCommand36, ResultKind::Status),
        Op("SetCommand11", &I::SetCommand11, ResultKind::Status),
        Op("SetCommandB9", &I::SetCommandB9, ResultKind::Status),
        Op("SetCommand70", &I::SetCommand70, ResultKind::Status),
        Op("SetCommandFESub51", &I::SetCommandFESub51, ResultKind::Status),
        Op("GetCommandA3", &I::GetCommandA3, ResultKind::Status),
        Op("SetCommandA3Flags", &I::SetCommandA3Flags, ResultKind::Status),
        Op("SetCommandCASub81", &I::SetCommandCASub81, ResultKind::Status),
        Op("SetCommandA8", &I::SetCommandA8, ResultKind::Status),
        Op("SetGeometryRegisters", &I::SetGeometryRegisters, ResultKind::Status),
        Op("ApplyGeometryRegisters", &I::ApplyGeometryRegisters, ResultKind::Status),
        Op("GetCommandC0Sub14", &I::GetCommandC0Sub14, ResultKind::Status),
        Op("GetCommandC0Sub0A", &I::GetCommandC0Sub0A, ResultKind::Status),
        Op("GetCommandC0Sub09", &I::GetCommandC0Sub09, ResultKind::Status),
        Op("GetCommandC0Sub15", &I::GetCommandC0Sub15, ResultKind::Status),
        Op("GetCommandC0Sub17", &I::GetCommandC0Sub17, ResultKind::Status),
        Op("SetCommandC0Sub14", &I::SetCommandC0Sub14, ResultKind::Status),
        Op("SetCommandC0Sub0A", &I::SetCommandC0Sub0A, ResultKind::Status),
        Op("SetCommandC0Sub09", &I::SetCommandC0Sub09, ResultKind::Status),
        Op("SetCommandC0Sub15", &I::SetCommandC0Sub15, ResultKind::Status),
        Op("SetCommandC0Sub17", &I::SetCommandC0Sub17, ResultKind::Status),
        Op("GetCommand3C", &I::GetCommand3C, ResultKind::Status),
        Op("GetCommand40", &I::GetCommand40, ResultKind::Status),
        Op("GetCommand42", &I::GetCommand42, ResultKind::Status),
        Op("GetCommand43", &I::GetCommand43, ResultKind::Status),
        Op("GetCommand47", &I::GetCommand47, ResultKind::Status),
        Op("SetCommand3C", &I::SetCommand3C, ResultKind::Status),
        Op("SetCommand40", &I::SetCommand40, ResultKind::Status),
        Op("SetCommand42", &I::SetCommand42, ResultKind::Status),
        Op("SetCommand43", &I::SetCommand43, ResultKind::Status),
        Op("SetCommand47", &I::SetCommand47, ResultKind::Status),
        Op("GetCommand92", &I::GetCommand92, ResultKind::Status),
        Op("SetCommand92", &I::SetCommand92, ResultKind::Status),
        Op("GetCommand79", &I::GetCommand79, ResultKind::Status),
        Op("SetCommand79", &I::SetCommand79, ResultKind::Status),
        Op("GetCommand9D", &I::GetCommand9D, ResultKind::Status),
        Op("SetCommand9D", &I::SetCommand9D, ResultKind::Status),
        Op("GetCommandC0Sub0B", &I::GetCommandC0Sub0B, ResultKind::Status),
        Op("SetCommandC0Sub0B", &I::SetCommandC0Sub0B, ResultKind::Status),
        Op("GetCommandB7", &I::GetCommandB7, ResultKind::Status),
        Op("SetCommandB7", &I::SetCommandB7, ResultKind::Status),
        Op("SetCommand03", &I::SetCommand03, ResultKind::Status),
        Op("GetCommand03", &I::GetCommand03, ResultKind::Status),
        Op("GetCommand37Or24", &I::GetCommand37Or24, ResultKind::Status),
        Op("SetCommand37Or24", &I::SetCommand37Or24, ResultKind::Status),
        Op("GetCommand38Or25", &I::GetCommand38Or25, ResultKind::Status),
        Op("SetCommand38Or25", &I::SetCommand38Or25, ResultKind::Status),
        Op("GetCommand26", &I::GetCommand26, ResultKind::Status),
        Op("SetCommand26", &I::SetCommand26, ResultKind::Status),
        Op("GetCommand27", &I::GetCommand27, ResultKind::Status),
        Op("SetCommand27", &I::SetCommand27, ResultKind::Status),
        Op("GetCommand28", &I::GetCommand28, ResultKind::Status),
        Op("SetCommand28", &I::SetCommand28, ResultKind::Status),
        Op("GetCommand87", &I::GetCommand87, ResultKind::Status),
        Op("SetCommand87", &I::SetCommand87, ResultKind::Status),
        Op("GetCommand75Or3E", &I::GetCommand75Or3E, ResultKind::Status),
        Op("SetCommand75Or3E", &I::SetCommand75Or3E, ResultKind::Status),
        Op("GetCommand94", &I::GetCommand94, ResultKind::Status),
        Op("SetCommand94", &I::SetCommand94, ResultKind::Status),
        Op("GetCommand4A", &I::GetCommand4A, ResultKind::Status),
        Op("SetCommand4A", &I::SetCommand4A, ResultKind::Status),
        Op("GetCommand3F", &I::GetCommand3F, ResultKind::Status),
        Op("SetCommand3F", &I::SetCommand3F, ResultKind::Status),
        Op("GetCommand0F", &I::GetCommand0F, ResultKind::Status),
        Op("SetCommand0F", &I::SetCommand0F, ResultKind::Status),
        Op("RefreshCommand21Sub30", &I::RefreshCommand21Sub30, ResultKind::Status),
        Op("SetCommand50", &I::SetCommand50, ResultKind::Status),
        Op("RefreshCommand0D", &I::RefreshCommand0D, ResultKind::Status),
        Op("ReadCommand0DReply", &I::ReadCommand0DReply, ResultKind::Status),
        Op("RefreshCommandD0Sub84", &I::RefreshCommandD0Sub84, ResultKind::Status),
        Op("RefreshCommandD0Sub41", &I::RefreshCommandD0Sub41, ResultKind::Status),
        Op("GetCommand96", &I::GetCommand96, ResultKind::Status),
        Op("SetCommand96", &I::SetCommand96, ResultKind::Status),
        Op("GetCommand71", &I::GetCommand71, ResultKind::Status),
        Op("SetCommand71", &I::SetCommand71, ResultKind::Status),
        Op("GetCommand95", &I::GetCommand95, ResultKind::Status),
        Op("SetCommand95", &I::SetCommand95, ResultKind::Status),
        Op("GetCommand33", &I::GetCommand33, ResultKind::Status),
        Op("SetCommand33", &I::SetCommand33, ResultKind::Status),
        Op("GetCommandC6Sub81", &I::GetCommandC6Sub81, ResultKind::Status),
        Op("SetCommandC6Sub81", &I::SetCommandC6Sub81, ResultKind::Status),
        Op("RefreshCommandD0Sub54", &I::RefreshCommandD0Sub54, ResultKind::Status),
        Op("SetCommandD0Sub54", &I::SetCommandD0Sub54, ResultKind::Status),
        Op("RefreshCommandD0Sub8F", &I::RefreshCommandD0Sub8F, ResultKind::Status),
        Op("SetCommandD0Sub8F", &I::SetCommandD0Sub8F, ResultKind::Status),
        Op("GetCommandB5", &I::GetCommandB5, ResultKind::Status),
        Op("SetCommandB5", &I::SetCommandB5, ResultKind::Status),
        Op("RefreshCommand8CSubA0", &I::RefreshCommand8CSubA0, ResultKind::Status),
        Op("RefreshCommand8CSub82", &I::RefreshCommand8CSub82, ResultKind::Status),
        Op("SetCommand8CSub82", &I::SetCommand8CSub82, ResultKind::Status),
        Op("SetCommand8CSubA0", &I::SetCommand8CSubA0, ResultKind::Status),
        Op("GetCommandD2Block", &I::GetCommandD2Block, ResultKind::Status),
        Op("SetCommandD2Sub40", &I::SetCommandD2Sub40, ResultKind::Status),
        Op("GetCommandC0Sub0C", &I::GetCommandC0Sub0C, ResultKind::Status),
        Op("SetCommandC0Sub0C", &I::SetCommandC0Sub0C, ResultKind::Status),
        Op("SetCommandC0Sub0D", &I::SetCommandC0Sub0D, ResultKind::Status),
        Op("SetCommandC0Sub0E", &I::SetCommandC0Sub0E, ResultKind::Status),
        Op("SetCommandC0Sub0F", &I::SetCommandC0Sub0F, ResultKind::Status),
        Op("SetCommandC0Sub10", &I::SetCommandC0Sub10, ResultKind::Status),
        Op("RefreshCommand00Plain", &I::RefreshCommand00Plain, ResultKind::Status),
        Op("RefreshCommand00WithFlag", &I::RefreshCommand00WithFlag, ResultKind::Status),
        Op("GetCommand73", &I::GetCommand73, ResultKind::Status),
        Op("SetCommand73", &I::SetCommand73, ResultKind::Status),
        Op("RefreshCommandFE", &I::RefreshCommandFE, ResultKind::Status),
        Op("SetCommandFE", &I::SetCommandFE, ResultKind::Status),
        Op("SetCommandFEAlt", &I::SetCommandFEAlt, ResultKind::Status),
        Op("RefreshCommandD0Sub85", &I::RefreshCommandD0Sub85, ResultKind::Status),
        Op("SetCommandD0Sub85", &I::SetCommandD0Sub85, ResultKind::Status),
        Op("SetCommandD0Sub87", &I::SetCommandD0Sub87, ResultKind::Status),
        Op("SetCommandD0Sub9A", &I::SetCommandD0Sub9A, ResultKind::Status),
        Op("SetCommandD0SubB2", &I::SetCommandD0SubB2, ResultKind::Status),
        Op("GetCommandD0Sub93", &I::GetCommandD0Sub93, ResultKind::Status),
        Op("SetCommandD0Sub93Bit3", &I::SetCommandD0Sub93Bit3, ResultKind::Status),
        Op("SetCommandD0Sub93Bit2", &I::SetCommandD0Sub93Bit2, ResultKind::Status),
        Op("SetCommandD0Sub93Bit1", &I::SetCommandD0Sub93Bit1, ResultKind::Status),
        Op("RefreshCommandD0Sub96", &I::RefreshCommandD0Sub96, ResultKind::Status),
        Op("SetCommandD0Sub96", &I::SetCommandD0Sub96, ResultKind::Status),
        Op("RefreshCommandD0Sub94", &I::RefreshCommandD0Sub94, ResultKind::Status),
        Op("SetCommandD0Sub94", &I::SetCommandD0Sub94, ResultKind::Status),
        Op("RefreshCommandD0Sub86", &I::RefreshCommandD0Sub86, ResultKind::Status),
        Op("SetCommandD0Sub86", &I::SetCommandD0Sub86, ResultKind::Status),
        Op("RefreshCommandD0Sub95", &I::RefreshCommandD0Sub95, ResultKind::Status),
        Op("SetCommandD0Sub95", &I::SetCommandD0Sub95, ResultKind::Status),
        Op("RefreshCommandD0Sub9D", &I::RefreshCommandD0Sub9D, ResultKind::Status),
        Op("SetCommandD0Sub9D", &I::SetCommandD0Sub9D, ResultKind::Status),
        Op("RefreshCommandD0Sub99", &I::RefreshCommandD0Sub99, ResultKind::Status),
        Op("SetCommandD0Sub99", &I::SetCommandD0Sub99, ResultKind::Status),
        Op("RefreshCommandD0Sub9E", &I::RefreshCommandD0Sub9E, ResultKind::Status),
        Op("SetCommandD0Sub9E", &I::SetCommandD0Sub9E, ResultKind::Status),
        Op("RefreshCommandD0SubA3", &I::RefreshCommandD0SubA3, ResultKind::Status),
        Op("SetCommandD0SubA3", &I::SetCommandD0SubA3, ResultKind::Status),
        Op("RefreshCommandD0Sub98", &I::RefreshCommandD0Sub98, ResultKind::Status),
        Op("SetCommandD0Sub98", &I::SetCommandD0Sub98, ResultKind::Status),
        Op("SetCommandD0SubA2", &I::SetCommandD0SubA2, ResultKind::Status),
        Op("GetCommandD0Sub92", &I::GetCommandD0Sub92, ResultKind::Status),
        Op("SetCommandD0Sub92", &I::SetCommandD0Sub92, ResultKind::Status),
        Op("SetCommandD0Sub92Short", &I::SetCommandD0Sub92Short, ResultKind::Status),
        Op("GetCommandD0Sub97", &I::GetCommandD0Sub97, ResultKind::Status),
        Op("SetCommandD0Sub97", &I::SetCommandD0Sub97, ResultKind::Status),
        Op("GetCommandD0Sub9C", &I::GetCommandD0Sub9C, ResultKind::Status),
        Op("SetCommandD0Sub9C", &I::SetCommandD0Sub9C, ResultKind::Status),
        Op("SetCommandD0Sub9CShort", &I::SetCommandD0Sub9CShort, ResultKind::Status),
        Op("SetCommandD0Sub9B", &I::SetCommandD0Sub9B, ResultKind::Status),
        Op("SetCommandD0Sub92And97", &I::SetCommandD0Sub92And97, ResultKind::Status),
        Op("ResetCommandD0Sub9C", &I::ResetCommandD0Sub9C, ResultKind::Status),
        Op("RefreshCommandD0SubA5", &I::RefreshCommandD0SubA5, ResultKind::Status),
        Op("SetCommandD0SubA5", &I::SetCommandD0SubA5, ResultKind::Status),
        Op("GetCommandD0Sub89", &I::GetCommandD0Sub89, ResultKind::Status),
        Op("SetCommandD0Sub89", &I::SetCommandD0Sub89, ResultKind::Status),
        Op("SetCommandD0Sub8B", &I::SetCommandD0Sub8B, ResultKind::Status),
        Op("SetCommand1BSub89", &I::SetCommand1BSub89, ResultKind::Status),
        Op("SetCommand1BSub91", &I::SetCommand1BSub91, ResultKind::Status),
        Op("ReadCommandD0SubC0Reply", &I::ReadCommandD0SubC0Reply, ResultKind::Status),
        Op("SetCommandD0SubC1", &I::SetCommandD0SubC1, ResultKind::Status),
        Op("GetCommandD0SubA0", &I::GetCommandD0SubA0, ResultKind::Status),
        Op("SetCommandD0SubC3", &I::SetCommandD0SubC3, ResultKind::Status),
        Op("GetCommandD0SubC3", &I::GetCommandD0SubC3, ResultKind::Status),
        Op("RefreshCommand84", &I::RefreshCommand84, ResultKind::Status),
        Op("SetCommand84", &I::SetCommand84, ResultKind::Status),
        Op("RefreshCommand1F", &I::RefreshCommand1F, ResultKind::Status),
        Op("SetCommand1F", &I::SetCommand1F, ResultKind::Status),
        Op("ReadCommand1BSub3DReply", &I::ReadCommand1BSub3DReply, ResultKind::Status),
        Op("SetCommand1BSub3D", &I::SetCommand1BSub3D, ResultKind::Status),
        Op("GetCommand1BSub3E", &I::GetCommand1BSub3E, ResultKind::Status),
        Op("SetCommand1BSub3E", &I::SetCommand1BSub3E, ResultKind::Status),
        Op("RefreshCommand1BAnd0E", &I::RefreshCommand1BAnd0E, ResultKind::Status),
        Op("GetCommandD2Sub32Strings", &I::GetCommandD2Sub32Strings, ResultKind::Status),
        Op("RefreshCommand1BSubA4", &I::RefreshCommand1BSubA4, ResultKind::Status),
        Op("RefreshCommand1BSub90", &I::RefreshCommand1BSub90, ResultKind::Status),
        Op("RefreshCommand83", &I::RefreshCommand83, ResultKind::Status),
        Op("GetCommand1BSub92", &I::GetCommand1BSub92, ResultKind::Status),
        Op("SetCommand1BSub95", &I::SetCommand1BSub95, ResultKind::Status),
        Op("RefreshCommand1BSub96", &I::RefreshCommand1BSub96, ResultKind::Status),
        Op("SetCommand1BSub96", &I::SetCommand1BSub96, ResultKind::Status),
        Op("SetCommand1BSub97", &I::SetCommand1BSub97, ResultKind::Status),
        Op("GetCommand1BSub97", &I::GetCommand1BSub97, ResultKind::Status),
        Op("RefreshCommand1BSub97", &I::RefreshCommand1BSub97, ResultKind::Status),
        Op("ResetCommand1BSub97", &I::ResetCommand1BSub97, ResultKind::Status),
        Op("GetCommand21Sub01", &I::GetCommand21Sub01, ResultKind::Status),
        Op("SetCommand21Sub01", &I::SetCommand21Sub01, ResultKind::Status),
        Op("SetCommand21Sub08", &I::SetCommand21Sub08, ResultKind::Status),
        Op("GetCommand21Sub02", &I::GetCommand21Sub02, ResultKind::Status),
        Op("SetCommand21Sub02And0B", &I::SetCommand21Sub02And0B, ResultKind::Status),
        Op("SetCommandC8Sub82", &I::SetCommandC8Sub82, ResultKind::Status),
        Op("RefreshCommand21Sub03", &I::RefreshCommand21Sub03, ResultKind::Status),
        Op("SetCommand21Sub03", &I::SetCommand21Sub03, ResultKind::Status),
        Op("RefreshCommand21Sub04", &I::RefreshCommand21Sub04, ResultKind::Status),
        Op("SetCommand21Sub04", &I::SetCommand21Sub04, ResultKind::Status),
        Op("RefreshCommand21Sub05", &I::RefreshCommand21Sub05, ResultKind::Status),
        Op("SetCommand21Sub05", &I::SetCommand21Sub05, ResultKind::Status),
        Op("RefreshCommand21Sub50", &I::RefreshCommand21Sub50, ResultKind::Status),
        Op("SetCommand21Sub50", &I::SetCommand21Sub50, ResultKind::Status),
        Op("RefreshCommandC4", &I::RefreshCommandC4, ResultKind::Status),
        Op("ConnectDisplay", &I::ConnectDisplay, ResultKind::Status),
        Op("IsDisplayConnected", &I::IsDisplayConnected, ResultKind::Status),
        Op("GetConnectFailureCount", &I::GetConnectFailureCount, ResultKind::Value),
        Op("ReadRegisterBlock", &I::ReadRegisterBlock, ResultKind::Status),
        Op("GetCommandC8Sub85", &I::GetCommandC8Sub85, ResultKind::Status),
        Op("SetCommandC8Sub85", &I::SetCommandC8Sub85, ResultKind::Status),
        Op("GetCommand21Sub09", &I::GetCommand21Sub09, ResultKind::Status),
        Op("SetCommand21Sub09", &I::SetCommand21Sub09, ResultKind::Status),
        Op("GetCommand86", &I::GetCommand86, ResultKind::Status),
        Op("SetCommand86", &I::SetCommand86, ResultKind::Status),
        Op("GetCommandCASubB0", &I::GetCommandCASubB0, ResultKind::Status),
        Op("SetCommandCASubB0", &I::SetCommandCASubB0, ResultKind::Status),
        Op("GetCommandCASub93", &I::GetCommandCASub93, ResultKind::Status),
        Op("SetCommandCASub93", &I::SetCommandCASub93, ResultKind::Status),
        Op("GetCommandCASub95", &I::GetCommandCASub95, ResultKind::Status),
        Op("SetCommandCASub95", &I::SetCommandCASub95, ResultKind::Status),
        Op("GetCommandCASub94", &I::GetCommandCASub94, ResultKind::Status),
        Op("SetCommandCASub94", &I::SetCommandCASub94, ResultKind::Status),
        Op("GetCommand21Sub0A", &I::GetCommand21Sub0A, ResultKind::Status),
        Op("SetCommand21Sub0A", &I::SetCommand21Sub0A, ResultKind::Status),
        Op("GetCommand21Sub54", &I::GetCommand21Sub54, ResultKind::Status),
        Op("SetCommand21Sub54", &I::SetCommand21Sub54, ResultKind::Status),
        Op("GetCommandC7Sub81", &I::GetCommandC7Sub81, ResultKind::Status),
        Op("SetCommandC7Sub81", &I::SetCommandC7Sub81, ResultKind::Status),
        Op("RefreshCommand21Sub0C", &I::RefreshCommand21Sub0C, ResultKind::Status),
        Op("SetCommand21Sub0C", &I::SetCommand21Sub0C, ResultKind::Status),
        Op("RefreshCommandD0SubA4", &I::RefreshCommandD0SubA4, ResultKind::Status),
        Op("SetCommandD0SubA4", &I::SetCommandD0SubA4, ResultKind::Status),
        Op("SetCommand1BSub50", &I::SetCommand1BSub50, ResultKind::Status),
        Op("SetCommandD0SubB4", &I::SetCommandD0SubB4, ResultKind::Status),
        Op("SetCommandD0SubC6", &I::SetCommandD0SubC6, ResultKind::Status),
        Op("RefreshCommand1BSub3C", &I::RefreshCommand1BSub3C, ResultKind::Status),
        Op("SetCommand1BSub3C", &I::SetCommand1BSub3C, ResultKind::Status),
        Op("RefreshCommandD0Sub8D", &I::RefreshCommandD0Sub8D, ResultKind::Status),
        Op("SetCommandD0Sub8D", &I::SetCommandD0Sub8D, ResultKind::Status),
        Op("RefreshCommandD0Sub8E", &I::RefreshCommandD0Sub8E, ResultKind::Status),
        Op("SetCommandD0Sub8E", &I::SetCommandD0Sub8E, ResultKind::Status),
        Op("GetCommand21Sub70", &I::GetCommand21Sub70, ResultKind::Status),
        Op("SetCommand21Sub70", &I::SetCommand21Sub70, ResultKind::Status),
        Op("GetCommand21Sub71", &I::GetCommand21Sub71, ResultKind::Status),
        Op("SetCommand21Sub71", &I::SetCommand21Sub71, ResultKind::Status),
        Op("GetCommand21Sub72", &I::GetCommand21Sub72, ResultKind::Status),
        Op("SetCommand21Sub72", &I::SetCommand21Sub72, ResultKind::Status),
        Op("RefreshCommand1BGroup", &I::RefreshCommand1BGroup, ResultKind::Status),
        Op("RefreshCommand1BSub31", &I::RefreshCommand1BSub31, ResultKind::Status),
        Op("SetCommand1BSub31", &I::SetCommand1BSub31, ResultKind::Status),
        Op("GetUnsupportedValue", &I::GetUnsupportedValue, ResultKind::Status),
        Op("SetUnsupportedValue", &I::SetUnsupportedValue, ResultKind::Status),
        Op("RefreshCommand1BSub32", &I::RefreshCommand1BSub32, ResultKind::Status),
        Op("SetCommand1BSub32", &I::SetCommand1BSub32, ResultKind::Status),
        Op("RefreshCommand1BSub34", &I::RefreshCommand1BSub34, ResultKind::Status),
        Op("SetCommand1BSub34", &I::SetCommand1BSub34, ResultKind::Status),
        Op("RefreshCommand1BSub35", &I::RefreshCommand1BSub35, ResultKind::Status),
        Op("SetCommand1BSub35", &I::SetCommand1BSub35, ResultKind::Status),
        Op("RefreshCommand1BSub33", &I::RefreshCommand1BSub33, ResultKind::Status),
        Op("SetCommand1BSub33", &I::SetCommand1BSub33, ResultKind::Status),
        Op("RefreshCommand1BSub98", &I::RefreshCommand1BSub98, ResultKind::Status),
        Op("GetStoredParameter1", &I::GetStoredParameter1, ResultKind::Value),
        Op("GetStoredParameter2", &I::GetStoredParameter2, ResultKind::Value),
        Op("GetStoredParameter3", &I::GetStoredParameter3, ResultKind::Value),
        Op("GetStoredParameter4", &I::GetStoredParameter4, ResultKind::Value),
        Op("GetStoredParameter5", &I::GetStoredParameter5, ResultKind::Value),
        Op("GetStoredParameter6", &I::GetStoredParameter6, ResultKind::Value),
        Op("GetStoredParameter7", &I::GetStoredParameter7, ResultKind::Value),
        Op("GetStoredParameter8", &I::GetStoredParameter8, ResultKind::Value),
        Op("SetStoredParameter1", &I::SetStoredParameter1, ResultKind::Status),
        Op("SetStoredParameter2", &I::SetStoredParameter2, ResultKind::Status),
        Op("SetStoredParameter3", &I::SetStoredParameter3, ResultKind::Status),
        Op("SetStoredParameter4", &I::SetStoredParameter4, ResultKind::Status),
        Op("SetStoredParameter5", &I::SetStoredParameter5, ResultKind::Status),
        Op("SetStoredParameter6", &I::SetStoredParameter6, ResultKind::Status),
        Op("SetStoredParameter7", &I::SetStoredParameter7, ResultKind::Status),
        Op("SetStoredParameter8", &I::SetStoredParameter8, ResultKind::Status),
    };
}

} // namespace

std::size_t Operation::InCount() const {
    std::size_t n = 0;
    for (const ArgKind kind : args) {
        n += kind == ArgKind::Int || kind == ArgKind::Byte ? 1 : 0;
    }
    return n;
}

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> table = BuildTable();
    return table;
}

const Operation* FindOperation(std::string_view name) {
    for (const auto& op : Operations()) {
        if (op.name == name) {
            return &op;
        }
    }
    return nullptr;
}

std::string_view ArgKindName(ArgKind kind) {
    switch (kind) {
    case ArgKind::Int:
        return "int";
    case ArgKind::Byte:
        return "byte";
    case ArgKind::IntOut:
        return "int*";
    case ArgKind::ByteOut:
        return "byte*";
    }
    return "?";
}

std::string_view ResultKindName(ResultKind kind) {
    switch (kind) {
    case ResultKind::Status:
        return "status";
    case ResultKind::AckCode:
        return "ack";
    case ResultKind::Value:
        return "value";
    case ResultKind::Nothing:
        return "nothing";
    }
    return "?";
}

} // namespace zol::helpers
