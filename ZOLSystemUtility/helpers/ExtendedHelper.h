#pragma once

// The extended helper's implementation. The operations are spread over several sources by kind: the
// patterns and lifecycle (ExtendedHelper.cpp), plain gets, sets and refreshes (ExtendedPlain.cpp), raw
// gets that parse the reply themselves (ExtendedRaw.cpp), data records (ExtendedRecords.cpp), composite
// refreshes (ExtendedRefresh.cpp), register access (ExtendedRegisters.cpp) and the secured file download
// (DownloadFileOverTls.cpp).

#include "CommunicationHelper.h"
#include "CommunicationHelperExtended.h"
#include "ILFDData.h"
#include "helpers/ReplyPicker.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

class IZOLCommand;
class IZOLCommandHandler;

namespace zol::helpers {

// Model codes that product tests compare against.
inline constexpr int kModelN = 0x4E;
inline constexpr int kModelCaret = 0x5E;
inline constexpr int kModelI = 0x69;
inline constexpr int kModelQ = 0x71;
inline constexpr int kModelS = 0x73;

// One entry of a register table: register high, low, value high, low.
using RegisterEntry = std::array<unsigned char, 4>;
struct RegisterTable {
    unsigned char flag = 0;
    std::array<unsigned char, 3> reserved{};
    std::array<RegisterEntry, 50> entries{};
};

namespace registers {
class RegisterAccess;
}
namespace records {
struct RecordRoad;
}

class CCommunicationHelperExtended final : public ICommunicationHelperExtended {
public:
    explicit CCommunicationHelperExtended(ILFDData* record);
    CCommunicationHelperExtended(const CCommunicationHelperExtended&) = delete;
    CCommunicationHelperExtended& operator=(const CCommunicationHelperExtended&) = delete;

    bool SendCommandE3(int first, int second) override;
    void Release() override;
    int RefreshBasicStatus() override;
    int RefreshAll(int mode) override;
    int RefreshByState(int mode) override;
    int RefreshByStateQuick(int mode) override;
    int RefreshCommandD0Group() override;
    int InitializeMatrix() override;
    int ReadCommand58Registers() override;
    int SwitchCommand71Mode() override;
    int GetCommand58Raw(int* level) override;
    int SetCommand58Raw(int level) override;
    int ResetMatrix(double (*matrix)[9]) override;
    int WriteMatrix(double (*matrix)[9]) override;
    int WriteRegisterTable(const int* block, int width, int height) override;
    int WriteRegisterTableWithGeometry(const int* block) override;
    int WriteRegisterTableList(const int* primary, const int* secondary) override;
    int WriteRegisterTableForModel(int width, int height, int mode, const int* first, const int* second,
                                   const int* third) override;
    int WriteCoefficients(double first, double second, double third) override;
    int WriteRegisterBlockRange(int width, int height, const int* block) override;
    int WriteDefaultRegisterTable(const int* primary, const int* secondary, int value) override;
    int ClearCommand92() override;
    int SendCommand9FZero(unsigned char toAll) override;
    int SetCommand9F(int value) override;
    int ApplyModelRegisterTable() override;
    int GetCommand84Flag() override;
    int ReadRegisterWord(int reg, int* value) override;
    int WriteRegisterWord(int reg, int value) override;
    void SendFdAddressed(unsigned char id, std::string address, int connectionKind,
                         std::string parameter) override;
    void SendFdBroadcast(std::string address, int connectionKind, std::string parameter) override;
    int SendSourceDirect(int source) override;
    int SetCommand14(int source) override;
    int RefreshCommand14() override;
    bool SetCommand12(int value) override;
    bool SetCommand13(unsigned char value) override;
    bool SetCommand36(int value) override;
    int SetCommand11(int value) override;
    int SetCommandB9(unsigned char value) override;
    int SetCommand70(unsigned char value) override;
    int SetCommandFESub51(int value) override;
    int GetCommandA3(unsigned char* bit0, unsigned char* bit2, unsigned char* bit3,
                     unsigned char* bit4) override;
    int SetCommandA3Flags(unsigned char new0, unsigned char new2, unsigned char new3, unsigned char new4,
                          unsigned char current0, unsigned char current2, unsigned char current3,
                          unsigned char current4) override;
    int SetCommandCASub81(unsigned char value, unsigned char toAll) override;
    int GetClockSet(ClockSet* clock) override;
    int SetClockSet(const ClockSet* clock) override;
    int GetCommandA9(int* count, unsigned char* first, unsigned char* second, unsigned char* third,
                     unsigned char* fourth) override;
    int SetCommandA8(int mode, int a2, int a3, int a4, int a5) override;
    int SetGeometryRegisters(int first, int second) override;
    int ApplyGeometryRegisters() override;
    int GetCommandC0Sub14(int* value) override;
    int GetCommandC0Sub0A(int* value) override;
    int GetCommandC0Sub09(int* value) override;
    int GetCommandC0Sub15(int* value) override;
    int GetCommandC0Sub17(int* value) override;
    int SetCommandC0Sub14(int value) override;
    int SetCommandC0Sub0A(int value) override;
    int SetCommandC0Sub09(int value) override;
    int SetCommandC0Sub15(int value) override;
    int SetCommandC0Sub17(int value) override;
    int GetCommand3C(unsigned char* value) override;
    int GetCommand40(int* value) override;
    int GetCommand42(int* value) override;
    int GetCommand43(int* value) override;
    int GetCommand47(int* value) override;
    int SetCommand3C(unsigned char value) override;
    int SetCommand40(int value) override;
    int SetCommand42(int value) override;
    int SetCommand43(int value) override;
    int SetCommand47(int value) override;
    int GetCommand92(int* value) override;
    int SetCommand92(int value) override;
    int GetCommand79(int* value) override;
    int SetCommand79(int value) override;
    int GetCommand9D(int* value) override;
    int SetCommand9D(int value) override;
    int GetCommandC0Sub0B(int* value) override;
    int SetCommandC0Sub0B(int value) override;
    int GetCommandB7(int* first, int* second, int* third, int* fourth) override;
    int SetCommandB7(int first, int second, int third, int fourth) override;
    int SetCommand03(int first, int second, int third) override;
    int GetCommand03(int* first, int* second, int* third) override;
    int GetCommand37Or24(int* value) override;
    int SetCommand37Or24(int value) override;
    int GetCommand38Or25(int* value) override;
    int SetCommand38Or25(int value) override;
    int GetCommand26(int* value) override;
    int SetCommand26(int value) override;
    int GetCommand27(int* value) override;
    int SetCommand27(int value) override;
    int GetCommand28(int* value) override;
    int SetCommand28(int value) override;
    int GetCommand87(int* value) override;
    int SetCommand87(int value) override;
    int GetCommand75Or3E(int* value) override;
    int SetCommand75Or3E(int value) override;
    int GetCommand94(int* value) override;
    int SetCommand94(int value) override;
    int GetCommand4A(int* value) override;
    int SetCommand4A(int value) override;
    int GetCommand3F(int* value) override;
    int SetCommand3F(int value) override;
    int GetCommand0F(int* first, int* second, int* third) override;
    int SetCommand0F(int first, int second, int third) override;
    int RefreshCommand21Sub30() override;
    int SetCommand50() override;
    int RefreshCommand0D() override;
    int ReadCommand0DReply() override;
    int GetCommand0DValues(int (*values)[6]) override;
    int GetMaintainanceControlStatus(MaintainanceControlStatus* status) override;
    int RefreshCommandD0Sub84() override;
    int RefreshCommandD0Sub41() override;
    int GetCommand96(int* value) override;
    int SetCommand96(int value) override;
    int GetCommand71(int* value) override;
    int SetCommand71(int value) override;
    int GetCommand95(int* value) override;
    int SetCommand95(int value) override;
    int GetCommand33(unsigned char* value) override;
    int SetCommand33(unsigned char value) override;
    int GetCommandC6Sub81(int* value) override;
    int SetCommandC6Sub81(int value) override;
    int RefreshCommandD0Sub54() override;
    int SetCommandD0Sub54(unsigned char value) override;
    int RefreshCommandD0Sub8F() override;
    int SetCommandD0Sub8F(unsigned char value) override;
    int GetCommandB5(unsigned char* value) override;
    int SetCommandB5(unsigned char value) override;
    int SetCommandB0(const unsigned char* value) override;
    int GetDSTClock(DSTClock* clock) override;
    int SetDSTClock(const DSTClock* clock) override;
    int RefreshCommand8CSubA0(int* value, int* second, int* firstWord) override;
    int RefreshCommand8CSub82() override;
    int SetCommand8CSub82(int value) override;
    int SetCommand8CSubA0(int a1, int a2, int word1, int word2, int word3, int word4) override;
    int GetCommandD2Block(int index, unsigned char selector) override;
    int SetCommandD2Sub40(int value) override;
    int GetTimerData(TimerData* timer) override;
    int SetTimerData(const TimerData* timer) override;
    int GetCommandC0Sub0C(int* value0C, int* value0D, int* value0E, int* value0F) override;
    int SetCommandC0Sub0C(int value) override;
    int SetCommandC0Sub0D(int value) override;
    int SetCommandC0Sub0E(int value) override;
    int SetCommandC0Sub0F(int value) override;
    int SetCommandC0Sub10() override;
    int RefreshCommand00Plain(int unused) override;
    int RefreshCommand00WithFlag(unsigned char verify) override;
    int GetCommand73(int* value) override;
    int SetCommand73(int value) override;
    int RefreshCommandFE() override;
    int SetCommandFE(unsigned char value) override;
    int SetCommandFEAlt(unsigned char first, unsigned char second) override;
    int RefreshCommandD0Sub85() override;
    int SetCommandD0Sub85(unsigned char value, unsigned char toAll) override;
    int SetCommandD0Sub87(int value) override;
    int SetCommandD0Sub9A(int value, unsigned char toAll) override;
    int SetCommandD0SubB2(int first, int second) override;
    int GetCommandD0Sub93(int* bit3Value, int* bit2Value, int* otherValue) override;
    int SetCommandD0Sub93Bit3(int value) override;
    int SetCommandD0Sub93Bit2(int value) override;
    int SetCommandD0Sub93Bit1(int value) override;
    int RefreshCommandD0Sub96() override;
    int SetCommandD0Sub96(int value) override;
    int RefreshCommandD0Sub94() override;
    int SetCommandD0Sub94(unsigned char toAll, int value) override;
    int RefreshCommandD0Sub86() override;
    int SetCommandD0Sub86(int value) override;
    int RefreshCommandD0Sub95() override;
    int SetCommandD0Sub95(unsigned char value, unsigned char toAll) override;
    int RefreshCommandD0Sub9D() override;
    int SetCommandD0Sub9D(unsigned char value, unsigned char toAll) override;
    int RefreshCommandD0Sub99() override;
    int SetCommandD0Sub99(unsigned char value, unsigned char toAll) override;
    int RefreshCommandD0Sub9E() override;
    int SetCommandD0Sub9E(unsigned char value, unsigned char toAll) override;
    int RefreshCommandD0SubA3() override;
    int SetCommandD0SubA3(unsigned char value, unsigned char toAll) override;
    int RefreshCommandD0Sub98() override;
    int SetCommandD0Sub98(unsigned char value, unsigned char toAll) override;
    int GetBlockRGBData(unsigned char first, unsigned char second, BlockRGBData* data) override;
    int SetBlockRGBData(unsigned char first, unsigned char second, BlockRGBData data) override;
    int GetBlockGradationData(unsigned char selector, BlockGradationData* data) override;
    int SetBlockGradationData(unsigned char selector, BlockGradationData data) override;
    int SetCommandD0SubA2(unsigned char selector) override;
    int GetCommandD0Sub92(unsigned char selector, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6,
                          int* v7, int* v8, int* v9) override;
    int SetCommandD0Sub92(unsigned char selector, int v1, int v2, int v3, int v4, int v5, int v6, int v7,
                          int v8, int v9) override;
    int SetCommandD0Sub92Short(unsigned char selector, int part, int v1, int v2, int v3) override;
    int GetCommandD0Sub97(unsigned char selector, int* v1, int* v2, int* v3, int* v4) override;
    int SetCommandD0Sub97(unsigned char selector, int v1, int v2, int v3, int v4) override;
    int SetCommandD0Sub9FBlock(int selector, int length, const unsigned char* block) override;
    int GetCommandD0Sub9C(int* v1, int* v2, int* v3, int* v4, int* v5, int* v6, int* v7, int* v8,
                          int* v9) override;
    int SetCommandD0Sub9C(int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8, int v9) override;
    int SetCommandD0Sub9CShort(int part, int v1, int v2, int v3) override;
    int SetCommandD0Sub9B(int mode, unsigned char first, unsigned char second, unsigned char value) override;
    int SetCommandD0Sub92And97(int a92, int a97, int b92, unsigned char b97) override;
    int ResetCommandD0Sub9C() override;
    int RefreshCommandD0SubA5() override;
    int SetCommandD0SubA5(int value, unsigned char toAll) override;
    int GetCommandD0Sub89(unsigned char* on, int* first, int* second) override;
    int SetCommandD0Sub89(unsigned char value) override;
    int SetCommandD0Sub8B(int first, int second) override;
    int SetCommand1BSub89(int value) override;
    int SendCommandD0Raw(const std::vector<unsigned char>* data) override;
    int SetCommand1BSub91(unsigned char value) override;
    int ReadCommandD0SubC0Reply() override;
    int SetCommandD0SubC1(unsigned char value) override;
    int ExecuteCommandD1(int subCode, const unsigned char* data, int length) override;
    int GetCommandD0SubA0(int* first, int* second) override;
    int SetCommandD0SubC3() override;
    int GetCommandD0SubC3(int* value) override;
    int GetCommandD0SubA6(std::vector<SetIdRange>* ranges) override;
    int RefreshCommand84() override;
    int SetCommand84(int value) override;
    int RefreshCommand1F() override;
    int SetCommand1F(int value) override;
    int ReadCommand1BSub3DReply() override;
    int SetCommand1BSub3D(unsigned char value) override;
    int GetCommand1BSub3E(int* first, int* second, int* third, int* fourth) override;
    int SetCommand1BSub3E(int first, int second, int third, unsigned char fourth) override;
    int RefreshCommand1BAnd0E() override;
    int GetCommandD2Sub32Strings() override;
    int RefreshCommand1BSubA4() override;
    int RefreshCommand1BSub90() override;
    int RefreshCommand83() override;
    int GetCommand1BSub84String(unsigned char index, std::wstring* text) override;
    int SetCommand1BSub84Addresses(std::vector<std::string> addresses) override;
    int GetCommand1BSub92(int* value) override;
    int SetCommand1BSub95(unsigned char value) override;
    int RefreshCommand1BSub96() override;
    int SetCommand1BSub96(unsigned char value) override;
    int SetCommand1BSub97(int value) override;
    int GetCommand1BSub97(int* value) override;
    int SetCommand1BSub97Texts(std::wstring text) override;
    int SetCommand1BSub97Address(const unsigned char* octets) override;
    int RefreshCommand1BSub97() override;
    int ResetCommand1BSub97() override;
    int GetCommand1BSubA2(unsigned char (*bits)[7], int* first, int* second) override;
    int SetCommand1BSubA2(const unsigned char (*bits)[7], int first, int second) override;
    int GetCommand21Sub01(int* value, int* value08) override;
    int SetCommand21Sub01(int value) override;
    int SetCommand21Sub08(int value) override;
    int GetCommand21Sub02(int* a1, int* a2, int* a3, int* a4, int* a5) override;
    int SetCommand21Sub02And0B(int a1, int a2, int a3, int a4, unsigned char a5) override;
    int GetCommandC8Sub82(int* value81, int* value82, void* context) override;
    int SetCommandC8Sub82(int value81, int value82, int unused) override;
    int RefreshCommand21Sub03() override;
    int SetCommand21Sub03(int value) override;
    int RefreshCommand21Sub04() override;
    int SetCommand21Sub04(int value) override;
    int RefreshCommand21Sub05() override;
    int SetCommand21Sub05(int value) override;
    int RefreshCommand21Sub50() override;
    int SetCommand21Sub50(unsigned char value) override;
    int RefreshCommandC4() override;
    int ConnectDisplay() override;
    int IsDisplayConnected() override;
    int GetConnectFailureCount() override;
    int GetFPGASettingsData(FPGASettingsData* data) override;
    int ReadRegisterBlock(int reg, int* value) override;
    int WriteFPGASettingsData(const FPGASettingsData* data) override;
    int GetCommandC8Sub85(int* value) override;
    int SetCommandC8Sub85(int value) override;
    int GetHdmiUHDColor(HdmiUHDColor* color) override;
    int SetHdmiUHDColor(const HdmiUHDColor* color) override;
    int GetCommand1CSub82(std::wstring* text, int* secured, int* port) override;
    int SetCommand1CSub82List(std::vector<unsigned char> bytes) override;
    int GetInverseToneMappingData(InverseToneMappingData* data) override;
    int SetInverseToneMappingData(const InverseToneMappingData* data) override;
    int GetColorMappingData(ColorMappingData* data) override;
    int SetColorMappingData(const ColorMappingData* data) override;
    int GetDynamicPeakingData(DynamicPeakingData* data) override;
    int SetDynamicPeakingData(const DynamicPeakingData* data) override;
    int GetCommand21Sub09(unsigned char* value) override;
    int SetCommand21Sub09(unsigned char value) override;
    int GetCommand86(unsigned char* value) override;
    int SetCommand86(unsigned char value) override;
    int GetCommandCASubB0(int* value) override;
    int SetCommandCASubB0(int value) override;
    int GetCommandCASub93(unsigned char* value) override;
    int SetCommandCASub93(unsigned char value) override;
    int GetCommandCASub95(unsigned char* value) override;
    int SetCommandCASub95(unsigned char value) override;
    int GetCommandCASub94(unsigned char* value) override;
    int SetCommandCASub94(unsigned char value) override;
    int GetModuleInformation(std::vector<ModuleInformation>* modules) override;
    int GetCommand21Sub0A(int* value) override;
    int SetCommand21Sub0A(int value) override;
    int GetCommand21Sub54(int* value) override;
    int SetCommand21Sub54(int value) override;
    int GetCommandC7Sub81(int* value) override;
    int SetCommandC7Sub81(int value) override;
    int GetCommandC7Sub82(std::vector<unsigned short>* values) override;
    int SetCommandC7Sub82List(std::vector<unsigned char> bytes) override;
    int RefreshCommand21Sub0C() override;
    int SetCommand21Sub0C(unsigned char first, int second, int third) override;
    int RefreshCommandD0SubA4() override;
    int SetCommandD0SubA4(int value, unsigned char toAll) override;
    bool DownloadFileOverTls(std::wstring outputPath) override;
    int SetCommand1BSub50(int first, int second, int unused) override;
    int SetCommandD0SubB4(int value) override;
    int SetCommandD0SubC6(int value) override;
    int RefreshCommand1BSub3C() override;
    int SetCommand1BSub3C(int value) override;
    int RefreshCommandD0Sub8D() override;
    int SetCommandD0Sub8D(int value, unsigned char toAll) override;
    int RefreshCommandD0Sub8E() override;
    int SetCommandD0Sub8E(int value, unsigned char toAll) override;
    int GetCommand21Sub70(int* value) override;
    int SetCommand21Sub70(int value) override;
    int GetCommand21Sub71(int* value) override;
    int SetCommand21Sub71(int value) override;
    int GetCommand21Sub72(int* value) override;
    int SetCommand21Sub72(int value) override;
    int RefreshCommand1BGroup() override;
    int RefreshCommand1BSub31() override;
    int SetCommand1BSub31(int value) override;
    int GetUnsupportedValue() override;
    int SetUnsupportedValue(unsigned char value) override;
    int RefreshCommand1BSub32() override;
    int SetCommand1BSub32(unsigned char value) override;
    int RefreshCommand1BSub34() override;
    int SetCommand1BSub34(int first, int second) override;
    int RefreshCommand1BSub35() override;
    int SetCommand1BSub35(int first, int second, int third) override;
    int RefreshCommand1BSub33() override;
    int SetCommand1BSub33(int value) override;
    int GetCommand1BSub36(int* count, std::vector<int>* first, std::vector<int>* second,
                          std::vector<int>* third) override;
    int SetCommand1BSub36List(int count, const int* first, const int* second, const int* third) override;
    int RefreshCommand1BSub98() override;
    int SendCommand1BRaw(const unsigned char* data, int length) override;
    int SendCommandD2Raw(const unsigned char* data, int length) override;
    int GetStoredParameter1() override;
    int GetStoredParameter2() override;
    int GetStoredParameter3() override;
    int GetStoredParameter4() override;
    int GetStoredParameter5() override;
    int GetStoredParameter6() override;
    int GetStoredParameter7() override;
    int GetStoredParameter8() override;
    int SetStoredParameter1(int value) override;
    int SetStoredParameter2(int value) override;
    int SetStoredParameter3(int value) override;
    int SetStoredParameter4(int value) override;
    int SetStoredParameter5(int value) override;
    int SetStoredParameter6(int value) override;
    int SetStoredParameter7(int value) override;
    int SetStoredParameter8(int value) override;
    ICommunicationHelperExtended* Destroy(int deleteFlag) override;

    // WriteRegisterTableWithGeometry for a block of `count` values: refused, before the table is sent,
    // when the size the display reports needs more.
    int WriteRegisterTableWithGeometryOf(const int* block, std::size_t count);

    // For tests: the basic helper the register operations go through.
    ICommunicationHelper* BasicHelper() const { return m_pBasicHelper; }

private:
    ~CCommunicationHelperExtended() = default;

    using Data = std::initializer_list<unsigned char>;

    // --- the patterns every operation is built from
    int Exec(unsigned char code, const std::vector<unsigned char>& data, bool verify = true);
    int Exec(unsigned char code, Data data) { return Exec(code, std::vector<unsigned char>(data)); }
    int Bcast(unsigned char code, const std::vector<unsigned char>& data);
    // Execute, then copy the value the decoder stored into *out (not when out is null).
    template <typename Out, typename Value>
    int Get(unsigned char code, Data data, Out* out, Value (ILFDData::*getter)() const) {
        const int status = Exec(code, data);
        if (out != nullptr) {
            *out = static_cast<Out>((m_pRecord->*getter)());
        }
        return status;
    }
    // toAll: store the value in the record and broadcast; otherwise execute.
    template <typename Setter, typename Value>
    int SetChoice(unsigned char code, Data data, bool toAll, Setter setter, Value value) {
        if (toAll) {
            (m_pRecord->*setter)(value);
            return Bcast(code, data);
        }
        return Exec(code, data);
    }
    // ExecuteWithReply, then the reply picker; empty when no reply or no packet of this command came.
    std::optional<PickedReply> WithReply(unsigned char code, const std::vector<unsigned char>& data,
                                         int subCode = kNoSubCode, bool verify = true);
    std::optional<PickedReply> WithReply(unsigned char code, Data data, int subCode = kNoSubCode) {
        return WithReply(code, std::vector<unsigned char>(data), subCode);
    }
    // ExecuteWithReply; every byte that came back, unpicked (empty when none).
    std::vector<unsigned char> WithReplyBytes(unsigned char code, const std::vector<unsigned char>& data);
    // ExecuteRaw; the reply as far as its frame reaches (empty when none came).
    std::optional<PickedReply> Raw(unsigned char code, Data data);

    // --- what kind of display the record describes
    int Model() const;
    bool ModelIs(std::initializer_list<int> codes) const;
    int Family() const;
    int Group() const;
    int ProductClass() const;
    int LinkVariant() const;
    bool FamilyIs(std::initializer_list<int> families) const;
    bool GroupIs(std::initializer_list<int> groups) const;
    // Class of the record's 0x71 value: 1 for 33/35/37/39, 2 for 32/34/36/38, 3 otherwise.
    int Command71Class() const;
    // The address used to find the display's pooled connection.
    std::string Address() const;

    // --- register access
    int RegisterTableLoader();
    int EightRegisterWrite(int m, int x1, int x2, int x3, int y0, int y1, int y2, int y3);
    void RecordRegister(int entry, int reg, int value);
    void RunFirstRefreshGroup();
    void RunSecondRefreshGroup();
    // The views the register operations and the record transfers run over.
    registers::RegisterAccess Registers();
    records::RecordRoad Road();

    std::int32_t m_nDoubledParameter = 0;
    std::array<std::int32_t, 17> m_nRegisterValues{};
    std::array<double, 3> m_dCoefficients{};
    std::uint64_t m_nReserved = 0;
    std::array<double, 9> m_dMatrix{};
    bool m_bMatrixValid = false;
    RegisterTable m_primaryTable;
    RegisterTable m_secondaryTable;
    IZOLCommand* m_pCommand = nullptr;
    IZOLCommandHandler* m_pHandler = nullptr;
    ICommunicationHelper* m_pBasicHelper = nullptr;
    ILFDData* m_pRecord = nullptr;
};

} // namespace zol::helpers
