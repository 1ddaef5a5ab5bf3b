#include "helpers/OperationTable.h"

#include "helpers/OperationArguments.h"

#include <tuple>
#include <type_traits>

namespace zol::helpers {

namespace {

using I = ICommunicationHelperExtended;

constexpr std::string_view kLowByteNote = "0..255: only the low byte is sent";

// One argument of an operation: how it is read, passed and collected.
template <typename T> struct Slot;

template <> struct Slot<int> {
    static constexpr ArgKind kKind = ArgKind::Int;
    static constexpr bool kOut = false;
    int value = 0;
    void Take(const ArgValue& in) {
        value = static_cast<int>(static_cast<unsigned int>(in.number & 0xFFFFFFFF));
    }
    int Pass() { return value; }
    void Collect(OperationResult&) const {}
};

template <> struct Slot<unsigned char> {
    static constexpr ArgKind kKind = ArgKind::Byte;
    static constexpr bool kOut = false;
    unsigned char value = 0;
    void Take(const ArgValue& in) { value = static_cast<unsigned char>(in.number); }
    unsigned char Pass() { return value; }
    void Collect(OperationResult&) const {}
};

template <> struct Slot<int*> {
    static constexpr ArgKind kKind = ArgKind::IntOut;
    static constexpr bool kOut = true;
    int value = 0;
    void Take(const ArgValue&) {}
    int* Pass() { return &value; }
    void Collect(OperationResult& r) const {
        r.outs.push_back(value);
        r.values.emplace_back(value);
    }
};

template <> struct Slot<unsigned char*> {
    static constexpr ArgKind kKind = ArgKind::ByteOut;
    static constexpr bool kOut = true;
    unsigned char value = 0;
    void Take(const ArgValue&) {}
    unsigned char* Pass() { return &value; }
    void Collect(OperationResult& r) const {
        r.outs.push_back(value);
        r.values.emplace_back(static_cast<int>(value));
    }
};

// An operation of numbers only. `lowBytes` are the in-arguments (1 for the first) of kind int of which
// the operation sends only the low byte: they take 0..255.
template <typename R, typename... A>
Operation Op(std::string_view name, R (I::*fn)(A...), ResultKind result,
             std::initializer_list<std::size_t> lowBytes = {}) {
    std::vector<ArgLimit> limits(sizeof...(A));
    std::vector<std::string_view> notes(sizeof...(A));
    const ArgKind kinds[] = {Slot<A>::kKind..., ArgKind::Int};
    for (const std::size_t in : lowBytes) {
        std::size_t seen = 0;
        for (std::size_t at = 0; at < sizeof...(A); ++at) {
            if (!IsOut(kinds[at]) && ++seen == in) {
                limits[at] = {0, 255};
                notes[at] = kLowByteNote;
            }
        }
    }
    return MakeOperation(
        name, {Slot<A>::kKind...}, result, std::move(limits), std::move(notes),
        [fn](I& helper, const std::vector<ArgValue>& in, std::string*) -> std::optional<OperationResult> {
            std::tuple<Slot<A>...> slots;
            std::size_t next = 0;
            std::apply([&](auto&... slot) { ((slot.kOut ? void() : slot.Take(in[next++])), ...); }, slots);
            OperationResult r;
            if constexpr (std::is_void_v<R>) {
                std::apply([&](auto&... slot) { (helper.*fn)(slot.Pass()...); }, slots);
            } else {
                r.result = static_cast<int>(
                    std::apply([&](auto&... slot) { return (helper.*fn)(slot.Pass()...); }, slots));
            }
            std::apply([&](const auto&... slot) { (slot.Collect(r), ...); }, slots);
            return r;
        });
}

std::vector<Operation> BuildTable() {
    return {
        Op("SendCommandE3", &I::SendCommandE3, ResultKind::Status, {1, 2}),
        Op("RefreshBasicStatus", &I::RefreshBasicStatus, ResultKind::Status),
        Op("RefreshAll", &I::RefreshAll, ResultKind::Status),
        Op("RefreshByState", &I::RefreshByState, ResultKind::Status),
        Op("RefreshByStateQuick", &I::RefreshByStateQuick, ResultKind::Status),
        Op("RefreshCommandD0Group", &I::RefreshCommandD0Group, ResultKind::Status),
        Op("InitializeMatrix", &I::InitializeMatrix, ResultKind::Status),
        Op("ReadCommand58Registers", &I::ReadCommand58Registers, ResultKind::Status),
        Op("SwitchCommand71Mode", &I::SwitchCommand71Mode, ResultKind::Status),
        Op("GetCommand58Raw", &I::GetCommand58Raw, ResultKind::Status),
        Op("SetCommand58Raw", &I::SetCommand58Raw, ResultKind::AckCode, {1}),
        ListOperation("ResetMatrix"),
        ListOperation("WriteMatrix"),
        ListOperation("WriteRegisterTable"),
        ListOperation("WriteRegisterTableWithGeometry"),
        ListOperation("WriteRegisterTableList"),
        ListOperation("WriteRegisterTableForModel"),
        ListOperation("WriteCoefficients"),
        ListOperation("WriteRegisterBlockRange"),
        ListOperation("WriteDefaultRegisterTable"),
        Op("ClearCommand92", &I::ClearCommand92, ResultKind::Status),
        Op("SendCommand9FZero", &I::SendCommand9FZero, ResultKind::Status),
        Op("SetCommand9F", &I::SetCommand9F, ResultKind::Status, {1}),
        Op("ApplyModelRegisterTable", &I::ApplyModelRegisterTable, ResultKind::Status),
        Op("GetCommand84Flag", &I::GetCommand84Flag, ResultKind::Status),
        Op("ReadRegisterWord", &I::ReadRegisterWord, ResultKind::Status),
        Op("WriteRegisterWord", &I::WriteRegisterWord, ResultKind::Status),
        ListOperation("SendFdAddressed"),
        ListOperation("SendFdBroadcast"),
        Op("SendSourceDirect", &I::SendSourceDirect, ResultKind::Status, {1}),
        Op("SetCommand14", &I::SetCommand14, ResultKind::Status, {1}),
        Op("RefreshCommand14", &I::RefreshCommand14, ResultKind::Status),
        Op("SetCommand12", &I::SetCommand12, ResultKind::Status, {1}),
        Op("SetCommand13", &I::SetCommand13, ResultKind::Status),
        Op("SetCommand36", &I::SetCommand36, ResultKind::Status, {1}),
        Op("SetCommand11", &I::SetCommand11, ResultKind::Status, {1}),
        Op("SetCommandB9", &I::SetCommandB9, ResultKind::Status),
        Op("SetCommand70", &I::SetCommand70, ResultKind::Status),
        Op("SetCommandFESub51", &I::SetCommandFESub51, ResultKind::Status, {1}),
        Op("GetCommandA3", &I::GetCommandA3, ResultKind::Status),
        Op("SetCommandA3Flags", &I::SetCommandA3Flags, ResultKind::Status),
        Op("SetCommandCASub81", &I::SetCommandCASub81, ResultKind::Status),
        ListOperation("GetCommandA9"),
        Op("SetCommandA8", &I::SetCommandA8, ResultKind::Status, {1, 2, 3, 4, 5}),
        Op("SetGeometryRegisters", &I::SetGeometryRegisters, ResultKind::Status),
        Op("ApplyGeometryRegisters", &I::ApplyGeometryRegisters, ResultKind::Status),
        Op("GetCommandC0Sub14", &I::GetCommandC0Sub14, ResultKind::Status),
        Op("GetCommandC0Sub0A", &I::GetCommandC0Sub0A, ResultKind::Status),
        Op("GetCommandC0Sub09", &I::GetCommandC0Sub09, ResultKind::Status),
        Op("GetCommandC0Sub15", &I::GetCommandC0Sub15, ResultKind::Status),
        Op("GetCommandC0Sub17", &I::GetCommandC0Sub17, ResultKind::Status),
        Op("SetCommandC0Sub14", &I::SetCommandC0Sub14, ResultKind::Status, {1}),
        Op("SetCommandC0Sub0A", &I::SetCommandC0Sub0A, ResultKind::Status, {1}),
        Op("SetCommandC0Sub09", &I::SetCommandC0Sub09, ResultKind::Status, {1}),
        Op("SetCommandC0Sub15", &I::SetCommandC0Sub15, ResultKind::Status, {1}),
        Op("SetCommandC0Sub17", &I::SetCommandC0Sub17, ResultKind::Status),
        Op("GetCommand3C", &I::GetCommand3C, ResultKind::Status),
        Op("GetCommand40", &I::GetCommand40, ResultKind::Status),
        Op("GetCommand42", &I::GetCommand42, ResultKind::Status),
        Op("GetCommand43", &I::GetCommand43, ResultKind::Status),
        Op("GetCommand47", &I::GetCommand47, ResultKind::Status),
        Op("SetCommand3C", &I::SetCommand3C, ResultKind::Status),
        Op("SetCommand40", &I::SetCommand40, ResultKind::Status, {1}),
        Op("SetCommand42", &I::SetCommand42, ResultKind::Status, {1}),
        Op("SetCommand43", &I::SetCommand43, ResultKind::Status, {1}),
        Op("SetCommand47", &I::SetCommand47, ResultKind::Status, {1}),
        Op("GetCommand92", &I::GetCommand92, ResultKind::Status),
        Op("SetCommand92", &I::SetCommand92, ResultKind::Status, {1}),
        Op("GetCommand79", &I::GetCommand79, ResultKind::Status),
        Op("SetCommand79", &I::SetCommand79, ResultKind::Status, {1}),
        Op("GetCommand9D", &I::GetCommand9D, ResultKind::Status),
        Op("SetCommand9D", &I::SetCommand9D, ResultKind::Status, {1}),
        Op("GetCommandC0Sub0B", &I::GetCommandC0Sub0B, ResultKind::Status),
        Op("SetCommandC0Sub0B", &I::SetCommandC0Sub0B, ResultKind::Status, {1}),
        Op("GetCommandB7", &I::GetCommandB7, ResultKind::Status),
        Op("SetCommandB7", &I::SetCommandB7, ResultKind::Status),
        Op("SetCommand03", &I::SetCommand03, ResultKind::Status, {1, 2, 3}),
        Op("GetCommand03", &I::GetCommand03, ResultKind::Status),
        Op("GetCommand37Or24", &I::GetCommand37Or24, ResultKind::Status),
        Op("SetCommand37Or24", &I::SetCommand37Or24, ResultKind::Status, {1}),
        Op("GetCommand38Or25", &I::GetCommand38Or25, ResultKind::Status),
        Op("SetCommand38Or25", &I::SetCommand38Or25, ResultKind::Status, {1}),
        Op("GetCommand26", &I::GetCommand26, ResultKind::Status),
        Op("SetCommand26", &I::SetCommand26, ResultKind::Status, {1}),
        Op("GetCommand27", &I::GetCommand27, ResultKind::Status),
        Op("SetCommand27", &I::SetCommand27, ResultKind::Status, {1}),
        Op("GetCommand28", &I::GetCommand28, ResultKind::Status),
        Op("SetCommand28", &I::SetCommand28, ResultKind::Status, {1}),
        Op("GetCommand87", &I::GetCommand87, ResultKind::Status),
        Op("SetCommand87", &I::SetCommand87, ResultKind::Status, {1}),
        Op("GetCommand75Or3E", &I::GetCommand75Or3E, ResultKind::Status),
        Op("SetCommand75Or3E", &I::SetCommand75Or3E, ResultKind::Status, {1}),
        Op("GetCommand94", &I::GetCommand94, ResultKind::Status),
        Op("SetCommand94", &I::SetCommand94, ResultKind::Status, {1}),
        Op("GetCommand4A", &I::GetCommand4A, ResultKind::Status),
        Op("SetCommand4A", &I::SetCommand4A, ResultKind::Status, {1}),
        Op("GetCommand3F", &I::GetCommand3F, ResultKind::Status),
        Op("SetCommand3F", &I::SetCommand3F, ResultKind::Status, {1}),
        Op("GetCommand0F", &I::GetCommand0F, ResultKind::Status),
        Op("SetCommand0F", &I::SetCommand0F, ResultKind::Status),
        Op("RefreshCommand21Sub30", &I::RefreshCommand21Sub30, ResultKind::Status),
        Op("SetCommand50", &I::SetCommand50, ResultKind::Status),
        Op("RefreshCommand0D", &I::RefreshCommand0D, ResultKind::Status),
        Op("ReadCommand0DReply", &I::ReadCommand0DReply, ResultKind::Status),
        ListOperation("GetCommand0DValues"),
        Op("RefreshCommandD0Sub84", &I::RefreshCommandD0Sub84, ResultKind::Status),
        Op("RefreshCommandD0Sub41", &I::RefreshCommandD0Sub41, ResultKind::Status),
        Op("GetCommand96", &I::GetCommand96, ResultKind::Status),
        Op("SetCommand96", &I::SetCommand96, ResultKind::Status, {1}),
        Op("GetCommand71", &I::GetCommand71, ResultKind::Status),
        Op("SetCommand71", &I::SetCommand71, ResultKind::Status, {1}),
        Op("GetCommand95", &I::GetCommand95, ResultKind::Status),
        Op("SetCommand95", &I::SetCommand95, ResultKind::Status, {1}),
        Op("GetCommand33", &I::GetCommand33, ResultKind::Status),
        Op("SetCommand33", &I::SetCommand33, ResultKind::Status),
        Op("GetCommandC6Sub81", &I::GetCommandC6Sub81, ResultKind::Status),
        Op("SetCommandC6Sub81", &I::SetCommandC6Sub81, ResultKind::Status, {1}),
        Op("RefreshCommandD0Sub54", &I::RefreshCommandD0Sub54, ResultKind::Status),
        Op("SetCommandD0Sub54", &I::SetCommandD0Sub54, ResultKind::Status),
        Op("RefreshCommandD0Sub8F", &I::RefreshCommandD0Sub8F, ResultKind::Status),
        Op("SetCommandD0Sub8F", &I::SetCommandD0Sub8F, ResultKind::Status),
        Op("GetCommandB5", &I::GetCommandB5, ResultKind::Status),
        Op("SetCommandB5", &I::SetCommandB5, ResultKind::Status),
        ListOperation("SetCommandB0"),
        Op("RefreshCommand8CSubA0", &I::RefreshCommand8CSubA0, ResultKind::Status),
        Op("RefreshCommand8CSub82", &I::RefreshCommand8CSub82, ResultKind::Status),
        Op("SetCommand8CSub82", &I::SetCommand8CSub82, ResultKind::Status, {1}),
        Op("SetCommand8CSubA0", &I::SetCommand8CSubA0, ResultKind::Status, {1, 2}),
        Op("GetCommandD2Block", &I::GetCommandD2Block, ResultKind::Status),
        Op("SetCommandD2Sub40", &I::SetCommandD2Sub40, ResultKind::Status, {1}),
        Op("GetCommandC0Sub0C", &I::GetCommandC0Sub0C, ResultKind::Status),
        Op("SetCommandC0Sub0C", &I::SetCommandC0Sub0C, ResultKind::Status, {1}),
        Op("SetCommandC0Sub0D", &I::SetCommandC0Sub0D, ResultKind::Status, {1}),
        Op("SetCommandC0Sub0E", &I::SetCommandC0Sub0E, ResultKind::Status, {1}),
        Op("SetCommandC0Sub0F", &I::SetCommandC0Sub0F, ResultKind::Status, {1}),
        Op("SetCommandC0Sub10", &I::SetCommandC0Sub10, ResultKind::Status),
        Op("RefreshCommand00Plain", &I::RefreshCommand00Plain, ResultKind::Status),
        Op("RefreshCommand00WithFlag", &I::RefreshCommand00WithFlag, ResultKind::Status),
        Op("GetCommand73", &I::GetCommand73, ResultKind::Status),
        Op("SetCommand73", &I::SetCommand73, ResultKind::Status, {1}),
        Op("RefreshCommandFE", &I::RefreshCommandFE, ResultKind::Status),
        Op("SetCommandFE", &I::SetCommandFE, ResultKind::Status),
        Op("SetCommandFEAlt", &I::SetCommandFEAlt, ResultKind::Status),
        Op("RefreshCommandD0Sub85", &I::RefreshCommandD0Sub85, ResultKind::Status),
        Op("SetCommandD0Sub85", &I::SetCommandD0Sub85, ResultKind::Status),
        Op("SetCommandD0Sub87", &I::SetCommandD0Sub87, ResultKind::Status, {1}),
        Op("SetCommandD0Sub9A", &I::SetCommandD0Sub9A, ResultKind::Status, {1}),
        Op("SetCommandD0SubB2", &I::SetCommandD0SubB2, ResultKind::Status, {1, 2}),
        Op("GetCommandD0Sub93", &I::GetCommandD0Sub93, ResultKind::Status),
        Op("SetCommandD0Sub93Bit3", &I::SetCommandD0Sub93Bit3, ResultKind::Status),
        Op("SetCommandD0Sub93Bit2", &I::SetCommandD0Sub93Bit2, ResultKind::Status),
        Op("SetCommandD0Sub93Bit1", &I::SetCommandD0Sub93Bit1, ResultKind::Status),
        Op("RefreshCommandD0Sub96", &I::RefreshCommandD0Sub96, ResultKind::Status),
        Op("SetCommandD0Sub96", &I::SetCommandD0Sub96, ResultKind::Status),
        Op("RefreshCommandD0Sub94", &I::RefreshCommandD0Sub94, ResultKind::Status),
        Op("SetCommandD0Sub94", &I::SetCommandD0Sub94, ResultKind::Status, {2}),
        Op("RefreshCommandD0Sub86", &I::RefreshCommandD0Sub86, ResultKind::Status),
        Op("SetCommandD0Sub86", &I::SetCommandD0Sub86, ResultKind::Status, {1}),
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
        Op("SetCommandD0Sub92Short", &I::SetCommandD0Sub92Short, ResultKind::Status, {2}),
        Op("GetCommandD0Sub97", &I::GetCommandD0Sub97, ResultKind::Status),
        Op("SetCommandD0Sub97", &I::SetCommandD0Sub97, ResultKind::Status),
        ListOperation("SetCommandD0Sub9FBlock"),
        Op("GetCommandD0Sub9C", &I::GetCommandD0Sub9C, ResultKind::Status),
        Op("SetCommandD0Sub9C", &I::SetCommandD0Sub9C, ResultKind::Status),
        Op("SetCommandD0Sub9CShort", &I::SetCommandD0Sub9CShort, ResultKind::Status, {1}),
        Op("SetCommandD0Sub9B", &I::SetCommandD0Sub9B, ResultKind::Status),
        Op("SetCommandD0Sub92And97", &I::SetCommandD0Sub92And97, ResultKind::Status, {1, 2, 3}),
        Op("ResetCommandD0Sub9C", &I::ResetCommandD0Sub9C, ResultKind::Status),
        Op("RefreshCommandD0SubA5", &I::RefreshCommandD0SubA5, ResultKind::Status),
        Op("SetCommandD0SubA5", &I::SetCommandD0SubA5, ResultKind::Status, {1}),
        Op("GetCommandD0Sub89", &I::GetCommandD0Sub89, ResultKind::Status),
        Op("SetCommandD0Sub89", &I::SetCommandD0Sub89, ResultKind::Status),
        Op("SetCommandD0Sub8B", &I::SetCommandD0Sub8B, ResultKind::Status, {1, 2}),
        Op("SetCommand1BSub89", &I::SetCommand1BSub89, ResultKind::Status, {1}),
        ListOperation("SendCommandD0Raw"),
        Op("SetCommand1BSub91", &I::SetCommand1BSub91, ResultKind::Status),
        Op("ReadCommandD0SubC0Reply", &I::ReadCommandD0SubC0Reply, ResultKind::Status),
        Op("SetCommandD0SubC1", &I::SetCommandD0SubC1, ResultKind::Status),
        ListOperation("ExecuteCommandD1"),
        Op("GetCommandD0SubA0", &I::GetCommandD0SubA0, ResultKind::Status),
        Op("SetCommandD0SubC3", &I::SetCommandD0SubC3, ResultKind::Status),
        Op("GetCommandD0SubC3", &I::GetCommandD0SubC3, ResultKind::Status),
        ListOperation("GetCommandD0SubA6"),
        Op("RefreshCommand84", &I::RefreshCommand84, ResultKind::Status),
        Op("SetCommand84", &I::SetCommand84, ResultKind::Status, {1}),
        Op("RefreshCommand1F", &I::RefreshCommand1F, ResultKind::Status),
        Op("SetCommand1F", &I::SetCommand1F, ResultKind::Status, {1}),
        Op("ReadCommand1BSub3DReply", &I::ReadCommand1BSub3DReply, ResultKind::Status),
        Op("SetCommand1BSub3D", &I::SetCommand1BSub3D, ResultKind::Status),
        Op("GetCommand1BSub3E", &I::GetCommand1BSub3E, ResultKind::Status),
        Op("SetCommand1BSub3E", &I::SetCommand1BSub3E, ResultKind::Status, {1, 2, 3}),
        Op("RefreshCommand1BAnd0E", &I::RefreshCommand1BAnd0E, ResultKind::Status),
        Op("GetCommandD2Sub32Strings", &I::GetCommandD2Sub32Strings, ResultKind::Status),
        Op("RefreshCommand1BSubA4", &I::RefreshCommand1BSubA4, ResultKind::Status),
        Op("RefreshCommand1BSub90", &I::RefreshCommand1BSub90, ResultKind::Status),
        Op("RefreshCommand83", &I::RefreshCommand83, ResultKind::Status),
        ListOperation("GetCommand1BSub84String"),
        ListOperation("SetCommand1BSub84Addresses"),
        Op("GetCommand1BSub92", &I::GetCommand1BSub92, ResultKind::Status),
        Op("SetCommand1BSub95", &I::SetCommand1BSub95, ResultKind::Status),
        Op("RefreshCommand1BSub96", &I::RefreshCommand1BSub96, ResultKind::Status),
        Op("SetCommand1BSub96", &I::SetCommand1BSub96, ResultKind::Status),
        Op("SetCommand1BSub97", &I::SetCommand1BSub97, ResultKind::Status, {1}),
        Op("GetCommand1BSub97", &I::GetCommand1BSub97, ResultKind::Status),
        ListOperation("SetCommand1BSub97Texts"),
        ListOperation("SetCommand1BSub97Address"),
        Op("RefreshCommand1BSub97", &I::RefreshCommand1BSub97, ResultKind::Status),
        Op("ResetCommand1BSub97", &I::ResetCommand1BSub97, ResultKind::Status),
        ListOperation("GetCommand1BSubA2"),
        ListOperation("SetCommand1BSubA2"),
        Op("GetCommand21Sub01", &I::GetCommand21Sub01, ResultKind::Status),
        Op("SetCommand21Sub01", &I::SetCommand21Sub01, ResultKind::Status, {1}),
        Op("SetCommand21Sub08", &I::SetCommand21Sub08, ResultKind::Status, {1}),
        Op("GetCommand21Sub02", &I::GetCommand21Sub02, ResultKind::Status),
        Op("SetCommand21Sub02And0B", &I::SetCommand21Sub02And0B, ResultKind::Status),
        ListOperation("GetCommandC8Sub82"),
        Op("SetCommandC8Sub82", &I::SetCommandC8Sub82, ResultKind::Status, {1, 2}),
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
        ListOperation("GetCommand1CSub82"),
        ListOperation("SetCommand1CSub82List"),
        Op("GetCommand21Sub09", &I::GetCommand21Sub09, ResultKind::Status),
        Op("SetCommand21Sub09", &I::SetCommand21Sub09, ResultKind::Status),
        Op("GetCommand86", &I::GetCommand86, ResultKind::Status),
        Op("SetCommand86", &I::SetCommand86, ResultKind::Status),
        Op("GetCommandCASubB0", &I::GetCommandCASubB0, ResultKind::Status),
        Op("SetCommandCASubB0", &I::SetCommandCASubB0, ResultKind::Status, {1}),
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
        Op("SetCommandC7Sub81", &I::SetCommandC7Sub81, ResultKind::Status, {1}),
        ListOperation("GetCommandC7Sub82"),
        ListOperation("SetCommandC7Sub82List"),
        Op("RefreshCommand21Sub0C", &I::RefreshCommand21Sub0C, ResultKind::Status),
        Op("SetCommand21Sub0C", &I::SetCommand21Sub0C, ResultKind::Status),
        Op("RefreshCommandD0SubA4", &I::RefreshCommandD0SubA4, ResultKind::Status),
        Op("SetCommandD0SubA4", &I::SetCommandD0SubA4, ResultKind::Status, {1}),
        ListOperation("DownloadFileOverTls"),
        Op("SetCommand1BSub50", &I::SetCommand1BSub50, ResultKind::Status, {1, 2}),
        Op("SetCommandD0SubB4", &I::SetCommandD0SubB4, ResultKind::Status, {1}),
        Op("SetCommandD0SubC6", &I::SetCommandD0SubC6, ResultKind::Status),
        Op("RefreshCommand1BSub3C", &I::RefreshCommand1BSub3C, ResultKind::Status),
        Op("SetCommand1BSub3C", &I::SetCommand1BSub3C, ResultKind::Status, {1}),
        Op("RefreshCommandD0Sub8D", &I::RefreshCommandD0Sub8D, ResultKind::Status),
        Op("SetCommandD0Sub8D", &I::SetCommandD0Sub8D, ResultKind::Status),
        Op("RefreshCommandD0Sub8E", &I::RefreshCommandD0Sub8E, ResultKind::Status),
        Op("SetCommandD0Sub8E", &I::SetCommandD0Sub8E, ResultKind::Status, {1}),
        Op("GetCommand21Sub70", &I::GetCommand21Sub70, ResultKind::Status),
        Op("SetCommand21Sub70", &I::SetCommand21Sub70, ResultKind::Status, {1}),
        Op("GetCommand21Sub71", &I::GetCommand21Sub71, ResultKind::Status),
        Op("SetCommand21Sub71", &I::SetCommand21Sub71, ResultKind::Status, {1}),
        Op("GetCommand21Sub72", &I::GetCommand21Sub72, ResultKind::Status),
        Op("SetCommand21Sub72", &I::SetCommand21Sub72, ResultKind::Status),
        Op("RefreshCommand1BGroup", &I::RefreshCommand1BGroup, ResultKind::Status),
        Op("RefreshCommand1BSub31", &I::RefreshCommand1BSub31, ResultKind::Status),
        Op("SetCommand1BSub31", &I::SetCommand1BSub31, ResultKind::Status, {1}),
        Op("GetUnsupportedValue", &I::GetUnsupportedValue, ResultKind::Status),
        Op("SetUnsupportedValue", &I::SetUnsupportedValue, ResultKind::Status),
        Op("RefreshCommand1BSub32", &I::RefreshCommand1BSub32, ResultKind::Status),
        Op("SetCommand1BSub32", &I::SetCommand1BSub32, ResultKind::Status),
        Op("RefreshCommand1BSub34", &I::RefreshCommand1BSub34, ResultKind::Status),
        Op("SetCommand1BSub34", &I::SetCommand1BSub34, ResultKind::Status),
        Op("RefreshCommand1BSub35", &I::RefreshCommand1BSub35, ResultKind::Status),
        Op("SetCommand1BSub35", &I::SetCommand1BSub35, ResultKind::Status, {1, 2, 3}),
        Op("RefreshCommand1BSub33", &I::RefreshCommand1BSub33, ResultKind::Status),
        Op("SetCommand1BSub33", &I::SetCommand1BSub33, ResultKind::Status),
        ListOperation("GetCommand1BSub36"),
        ListOperation("SetCommand1BSub36List"),
        Op("RefreshCommand1BSub98", &I::RefreshCommand1BSub98, ResultKind::Status),
        ListOperation("SendCommand1BRaw"),
        ListOperation("SendCommandD2Raw"),
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
        n += IsOut(kind) ? 0 : 1;
    }
    return n;
}

bool IsOut(ArgKind kind) {
    switch (kind) {
    case ArgKind::IntOut:
    case ArgKind::ByteOut:
    case ArgKind::TextOut:
    case ArgKind::IntsOut:
    case ArgKind::DoublesOut:
    case ArgKind::RangesOut:
        return true;
    default:
        return false;
    }
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
    case ArgKind::Double:
        return "double";
    case ArgKind::Text:
        return "text";
    case ArgKind::Bytes:
        return "bytes";
    case ArgKind::Ints:
        return "ints";
    case ArgKind::Doubles:
        return "doubles";
    case ArgKind::Texts:
        return "texts";
    case ArgKind::TextOut:
        return "text*";
    case ArgKind::IntsOut:
        return "ints*";
    case ArgKind::DoublesOut:
        return "doubles*";
    case ArgKind::RangesOut:
        return "ranges*";
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
