#pragma once

/// \file
/// The extended communication helper: what a host uses for almost everything it asks of one display. One
/// operation per display setting or query; each turns into one or a few commands executed by the command
/// handler for the helper's record. Replies are decoded into the record, and a get reads the value back
/// out of the record (or parses the raw reply) into its out-argument.
///
/// Results: a status is the handler's status (nonzero success); "ACK" results are 1 for an
/// acknowledgement and 0 otherwise (SetCommand58Raw also tells a refusal apart: 2). Out-arguments given
/// as null are not written. Operations meant for another kind of display return 0 without sending.
///
/// The order of the virtual operations below is the binary interface with hosts: never reorder, insert
/// or remove one.

#include "ZOLDataRecords.h"
#include "ZOLExport.h"

#include "WallDataLib.h"

#include <list>
#include <string>
#include <vector>

class ILFDData;

/// The extended communication helper of one display record; see the file description. Made by
/// ICommunicationHelperExtendedFactory, ended with Release().
class ICommunicationHelperExtended {
public:
    /// Only when the record says the display qualifies (or its identification text has a known prefix);
    /// true when any reply arrives.
    virtual bool SendCommandE3(int first, int second) = 0;
    /// Ends the helper; the record stays the host's.
    virtual void Release() = 0;
    virtual int RefreshBasicStatus() = 0;
    virtual int RefreshAll(int mode) = 0;
    virtual int RefreshByState(int mode) = 0;
    virtual int RefreshByStateQuick(int mode) = 0;
    virtual int RefreshCommandD0Group() = 0;
    virtual int InitializeMatrix() = 0;
    virtual int ReadCommand58Registers() = 0;
    virtual int SwitchCommand71Mode() = 0;
    virtual int GetCommand58Raw(int* level) = 0;
    /// 1 ACK, 2 NAK, 0 no reply.
    virtual int SetCommand58Raw(int level) = 0;
    virtual int ResetMatrix(double (*matrix)[9]) = 0;
    virtual int WriteMatrix(double (*matrix)[9]) = 0;
    virtual int WriteRegisterTable(const int* block, int width, int height) = 0;
    virtual int WriteRegisterTableWithGeometry(const int* block) = 0;
    virtual int WriteRegisterTableList(const int* primary, const int* secondary) = 0;
    virtual int WriteRegisterTableForModel(int width, int height, int mode, const int* first,
                                           const int* second, const int* third) = 0;
    virtual int WriteCoefficients(double first, double second, double third) = 0;
    virtual int WriteRegisterBlockRange(int width, int height, const int* block) = 0;
    virtual int WriteDefaultRegisterTable(const int* primary, const int* secondary, int value) = 0;
    virtual int ClearCommand92() = 0;
    virtual int SendCommand9FZero(unsigned char toAll) = 0;
    virtual int SetCommand9F(int value) = 0;
    virtual int ApplyModelRegisterTable() = 0;
    virtual int GetCommand84Flag() = 0;
    virtual int ReadRegisterWord(int reg, int* value) = 0;
    virtual int WriteRegisterWord(int reg, int value) = 0;
    virtual void SendFdAddressed(unsigned char id, std::string address, int connectionKind,
                                 std::string parameter) = 0;
    virtual void SendFdBroadcast(std::string address, int connectionKind, std::string parameter) = 0;
    virtual int SendSourceDirect(int source) = 0;
    virtual int SetCommand14(int source) = 0;
    virtual int RefreshCommand14() = 0;
    virtual bool SetCommand12(int value) = 0;
    virtual bool SetCommand13(unsigned char value) = 0;
    virtual bool SetCommand36(int value) = 0;
    virtual int SetCommand11(int value) = 0;
    virtual int SetCommandB9(unsigned char value) = 0;
    virtual int SetCommand70(unsigned char value) = 0;
    virtual int SetCommandFESub51(int value) = 0;
    virtual int GetCommandA3(unsigned char* bit0, unsigned char* bit2, unsigned char* bit3,
                             unsigned char* bit4) = 0;
    virtual int SetCommandA3Flags(unsigned char new0, unsigned char new2, unsigned char new3,
                                  unsigned char new4, unsigned char current0, unsigned char current2,
                                  unsigned char current3, unsigned char current4) = 0;
    virtual int SetCommandCASub81(unsigned char value, unsigned char toAll) = 0;
    virtual int GetClockSet(ClockSet* clock) = 0;
    virtual int SetClockSet(const ClockSet* clock) = 0;
    /// Each array holds at least 20 entries.
    virtual int GetCommandA9(int* count, unsigned char* first, unsigned char* second, unsigned char* third,
                             unsigned char* fourth) = 0;
    virtual int SetCommandA8(int mode, int a2, int a3, int a4, int a5) = 0;
    virtual int SetGeometryRegisters(int first, int second) = 0;
    virtual int ApplyGeometryRegisters() = 0;
    virtual int GetCommandC0Sub14(int* value) = 0;
    virtual int GetCommandC0Sub0A(int* value) = 0;
    virtual int GetCommandC0Sub09(int* value) = 0;
    virtual int GetCommandC0Sub15(int* value) = 0;
    virtual int GetCommandC0Sub17(int* value) = 0;
    virtual int SetCommandC0Sub14(int value) = 0;
    virtual int SetCommandC0Sub0A(int value) = 0;
    virtual int SetCommandC0Sub09(int value) = 0;
    virtual int SetCommandC0Sub15(int value) = 0;
    virtual int SetCommandC0Sub17(int value) = 0;
    virtual int GetCommand3C(unsigned char* value) = 0;
    virtual int GetCommand40(int* value) = 0;
    virtual int GetCommand42(int* value) = 0;
    virtual int GetCommand43(int* value) = 0;
    virtual int GetCommand47(int* value) = 0;
    virtual int SetCommand3C(unsigned char value) = 0;
    virtual int SetCommand40(int value) = 0;
    virtual int SetCommand42(int value) = 0;
    virtual int SetCommand43(int value) = 0;
    virtual int SetCommand47(int value) = 0;
    virtual int GetCommand92(int* value) = 0;
    virtual int SetCommand92(int value) = 0;
    virtual int GetCommand79(int* value) = 0;
    virtual int SetCommand79(int value) = 0;
    virtual int GetCommand9D(int* value) = 0;
    virtual int SetCommand9D(int value) = 0;
    virtual int GetCommandC0Sub0B(int* value) = 0;
    virtual int SetCommandC0Sub0B(int value) = 0;
    virtual int GetCommandB7(int* first, int* second, int* third, int* fourth) = 0;
    virtual int SetCommandB7(int first, int second, int third, int fourth) = 0;
    virtual int SetCommand03(int first, int second, int third) = 0;
    virtual int GetCommand03(int* first, int* second, int* third) = 0;
    virtual int GetCommand37Or24(int* value) = 0;
    virtual int SetCommand37Or24(int value) = 0;
    virtual int GetCommand38Or25(int* value) = 0;
    virtual int SetCommand38Or25(int value) = 0;
    virtual int GetCommand26(int* value) = 0;
    virtual int SetCommand26(int value) = 0;
    virtual int GetCommand27(int* value) = 0;
    virtual int SetCommand27(int value) = 0;
    virtual int GetCommand28(int* value) = 0;
    virtual int SetCommand28(int value) = 0;
    virtual int GetCommand87(int* value) = 0;
    virtual int SetCommand87(int value) = 0;
    virtual int GetCommand75Or3E(int* value) = 0;
    virtual int SetCommand75Or3E(int value) = 0;
    virtual int GetCommand94(int* value) = 0;
    virtual int SetCommand94(int value) = 0;
    virtual int GetCommand4A(int* value) = 0;
    virtual int SetCommand4A(int value) = 0;
    virtual int GetCommand3F(int* value) = 0;
    virtual int SetCommand3F(int value) = 0;
    virtual int GetCommand0F(int* first, int* second, int* third) = 0;
    virtual int SetCommand0F(int first, int second, int third) = 0;
    virtual int RefreshCommand21Sub30() = 0;
    virtual int SetCommand50() = 0;
    virtual int RefreshCommand0D() = 0;
    virtual int ReadCommand0DReply() = 0;
    virtual int GetCommand0DValues(int (*values)[6]) = 0;
    virtual int GetMaintainanceControlStatus(MaintainanceControlStatus* status) = 0;
    virtual int RefreshCommandD0Sub84() = 0;
    virtual int RefreshCommandD0Sub41() = 0;
    virtual int GetCommand96(int* value) = 0;
    virtual int SetCommand96(int value) = 0;
    virtual int GetCommand71(int* value) = 0;
    virtual int SetCommand71(int value) = 0;
    virtual int GetCommand95(int* value) = 0;
    virtual int SetCommand95(int value) = 0;
    virtual int GetCommand33(unsigned char* value) = 0;
    virtual int SetCommand33(unsigned char value) = 0;
    virtual int GetCommandC6Sub81(int* value) = 0;
    virtual int SetCommandC6Sub81(int value) = 0;
    virtual int RefreshCommandD0Sub54() = 0;
    virtual int SetCommandD0Sub54(unsigned char value) = 0;
    virtual int RefreshCommandD0Sub8F() = 0;
    virtual int SetCommandD0Sub8F(unsigned char value) = 0;
    virtual int GetCommandB5(unsigned char* value) = 0;
    virtual int SetCommandB5(unsigned char value) = 0;
    /// Sends the one byte value points to.
    virtual int SetCommandB0(const unsigned char* value) = 0;
    virtual int GetDSTClock(DSTClock* clock) = 0;
    virtual int SetDSTClock(const DSTClock* clock) = 0;
    /// The out-arguments receive the selector values the reply stored (0xA0 value, second value, first word).
    virtual int RefreshCommand8CSubA0(int* value, int* second, int* firstWord) = 0;
    virtual int RefreshCommand8CSub82() = 0;
    virtual int SetCommand8CSub82(int value) = 0;
    virtual int SetCommand8CSubA0(int a1, int a2, int word1, int word2, int word3, int word4) = 0;
    virtual int GetCommandD2Block(int index, unsigned char selector) = 0;
    virtual int SetCommandD2Sub40(int value) = 0;
    virtual int GetTimerData(TimerData* timer) = 0;
    virtual int SetTimerData(const TimerData* timer) = 0;
    virtual int GetCommandC0Sub0C(int* value0C, int* value0D, int* value0E, int* value0F) = 0;
    virtual int SetCommandC0Sub0C(int value) = 0;
    virtual int SetCommandC0Sub0D(int value) = 0;
    virtual int SetCommandC0Sub0E(int value) = 0;
    virtual int SetCommandC0Sub0F(int value) = 0;
    virtual int SetCommandC0Sub10() = 0;
    virtual int RefreshCommand00Plain(int unused) = 0;
    virtual int RefreshCommand00WithFlag(unsigned char verify) = 0;
    virtual int GetCommand73(int* value) = 0;
    virtual int SetCommand73(int value) = 0;
    virtual int RefreshCommandFE() = 0;
    virtual int SetCommandFE(unsigned char value) = 0;
    virtual int SetCommandFEAlt(unsigned char first, unsigned char second) = 0;
    virtual int RefreshCommandD0Sub85() = 0;
    virtual int SetCommandD0Sub85(unsigned char value, unsigned char toAll) = 0;
    virtual int SetCommandD0Sub87(int value) = 0;
    virtual int SetCommandD0Sub9A(int value, unsigned char toAll) = 0;
    virtual int SetCommandD0SubB2(int first, int second) = 0;
    virtual int GetCommandD0Sub93(int* bit3Value, int* bit2Value, int* otherValue) = 0;
    virtual int SetCommandD0Sub93Bit3(int value) = 0;
    virtual int SetCommandD0Sub93Bit2(int value) = 0;
    virtual int SetCommandD0Sub93Bit1(int value) = 0;
    virtual int RefreshCommandD0Sub96() = 0;
    virtual int SetCommandD0Sub96(int value) = 0;
    virtual int RefreshCommandD0Sub94() = 0;
    virtual int SetCommandD0Sub94(unsigned char toAll, int value) = 0;
    virtual int RefreshCommandD0Sub86() = 0;
    virtual int SetCommandD0Sub86(int value) = 0;
    virtual int RefreshCommandD0Sub95() = 0;
    virtual int SetCommandD0Sub95(unsigned char value, unsigned char toAll) = 0;
    virtual int RefreshCommandD0Sub9D() = 0;
    virtual int SetCommandD0Sub9D(unsigned char value, unsigned char toAll) = 0;
    virtual int RefreshCommandD0Sub99() = 0;
    virtual int SetCommandD0Sub99(unsigned char value, unsigned char toAll) = 0;
    virtual int RefreshCommandD0Sub9E() = 0;
    virtual int SetCommandD0Sub9E(unsigned char value, unsigned char toAll) = 0;
    virtual int RefreshCommandD0SubA3() = 0;
    virtual int SetCommandD0SubA3(unsigned char value, unsigned char toAll) = 0;
    virtual int RefreshCommandD0Sub98() = 0;
    virtual int SetCommandD0Sub98(unsigned char value, unsigned char toAll) = 0;
    virtual int GetBlockRGBData(unsigned char first, unsigned char second, BlockRGBData* data) = 0;
    virtual int SetBlockRGBData(unsigned char first, unsigned char second, BlockRGBData data) = 0;
    virtual int GetBlockGradationData(unsigned char selector, BlockGradationData* data) = 0;
    virtual int SetBlockGradationData(unsigned char selector, BlockGradationData data) = 0;
    virtual int SetCommandD0SubA2(unsigned char selector) = 0;
    virtual int GetCommandD0Sub92(unsigned char selector, int* v1, int* v2, int* v3, int* v4, int* v5,
                                  int* v6, int* v7, int* v8, int* v9) = 0;
    virtual int SetCommandD0Sub92(unsigned char selector, int v1, int v2, int v3, int v4, int v5, int v6,
                                  int v7, int v8, int v9) = 0;
    virtual int SetCommandD0Sub92Short(unsigned char selector, int part, int v1, int v2, int v3) = 0;
    virtual int GetCommandD0Sub97(unsigned char selector, int* v1, int* v2, int* v3, int* v4) = 0;
    virtual int SetCommandD0Sub97(unsigned char selector, int v1, int v2, int v3, int v4) = 0;
    /// Broadcasts the selector, then sends the block of `length` bytes behind sub-code 0x9F.
    virtual int SetCommandD0Sub9FBlock(int selector, int length, const unsigned char* block) = 0;
    virtual int GetCommandD0Sub9C(int* v1, int* v2, int* v3, int* v4, int* v5, int* v6, int* v7, int* v8,
                                  int* v9) = 0;
    virtual int SetCommandD0Sub9C(int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8, int v9) = 0;
    virtual int SetCommandD0Sub9CShort(int part, int v1, int v2, int v3) = 0;
    virtual int SetCommandD0Sub9B(int mode, unsigned char first, unsigned char second,
                                  unsigned char value) = 0;
    virtual int SetCommandD0Sub92And97(int a92, int a97, int b92, unsigned char b97) = 0;
    virtual int ResetCommandD0Sub9C() = 0;
    virtual int RefreshCommandD0SubA5() = 0;
    virtual int SetCommandD0SubA5(int value, unsigned char toAll) = 0;
    virtual int GetCommandD0Sub89(unsigned char* on, int* first, int* second) = 0;
    virtual int SetCommandD0Sub89(unsigned char value) = 0;
    virtual int SetCommandD0Sub8B(int first, int second) = 0;
    virtual int SetCommand1BSub89(int value) = 0;
    virtual int SendCommandD0Raw(const std::vector<unsigned char>* data) = 0;
    virtual int SetCommand1BSub91(unsigned char value) = 0;
    virtual int ReadCommandD0SubC0Reply() = 0;
    virtual int SetCommandD0SubC1(unsigned char value) = 0;
    virtual int ExecuteCommandD1(int subCode, const unsigned char* data, int length) = 0;
    virtual int GetCommandD0SubA0(int* first, int* second) = 0;
    virtual int SetCommandD0SubC3() = 0;
    virtual int GetCommandD0SubC3(int* value) = 0;
    virtual int GetCommandD0SubA6(std::vector<SetIdRange>* ranges) = 0;
    virtual int RefreshCommand84() = 0;
    virtual int SetCommand84(int value) = 0;
    virtual int RefreshCommand1F() = 0;
    virtual int SetCommand1F(int value) = 0;
    virtual int ReadCommand1BSub3DReply() = 0;
    virtual int SetCommand1BSub3D(unsigned char value) = 0;
    virtual int GetCommand1BSub3E(int* first, int* second, int* third, int* fourth) = 0;
    virtual int SetCommand1BSub3E(int first, int second, int third, unsigned char fourth) = 0;
    virtual int RefreshCommand1BAnd0E() = 0;
    virtual int GetCommandD2Sub32Strings() = 0;
    virtual int RefreshCommand1BSubA4() = 0;
    virtual int RefreshCommand1BSub90() = 0;
    virtual int RefreshCommand83() = 0;
    virtual int GetCommand1BSub84String(unsigned char index, std::wstring* text) = 0;
    virtual int SetCommand1BSub84Addresses(std::vector<std::string> addresses) = 0;
    virtual int GetCommand1BSub92(int* value) = 0;
    virtual int SetCommand1BSub95(unsigned char value) = 0;
    virtual int RefreshCommand1BSub96() = 0;
    virtual int SetCommand1BSub96(unsigned char value) = 0;
    virtual int SetCommand1BSub97(int value) = 0;
    virtual int GetCommand1BSub97(int* value) = 0;
    virtual int SetCommand1BSub97Texts(std::wstring text) = 0;
    /// The four bytes of an IPv4 address.
    virtual int SetCommand1BSub97Address(const unsigned char* octets) = 0;
    virtual int RefreshCommand1BSub97() = 0;
    virtual int ResetCommand1BSub97() = 0;
    virtual int GetCommand1BSubA2(unsigned char (*bits)[7], int* first, int* second) = 0;
    virtual int SetCommand1BSubA2(const unsigned char (*bits)[7], int first, int second) = 0;
    virtual int GetCommand21Sub01(int* value, int* value08) = 0;
    virtual int SetCommand21Sub01(int value) = 0;
    virtual int SetCommand21Sub08(int value) = 0;
    virtual int GetCommand21Sub02(int* a1, int* a2, int* a3, int* a4, int* a5) = 0;
    virtual int SetCommand21Sub02And0B(int a1, int a2, int a3, int a4, unsigned char a5) = 0;
    virtual int GetCommandC8Sub82(int* value81, int* value82, void* context) = 0;
    virtual int SetCommandC8Sub82(int value81, int value82, int unused) = 0;
    virtual int RefreshCommand21Sub03() = 0;
    virtual int SetCommand21Sub03(int value) = 0;
    virtual int RefreshCommand21Sub04() = 0;
    virtual int SetCommand21Sub04(int value) = 0;
    virtual int RefreshCommand21Sub05() = 0;
    virtual int SetCommand21Sub05(int value) = 0;
    virtual int RefreshCommand21Sub50() = 0;
    virtual int SetCommand21Sub50(unsigned char value) = 0;
    virtual int RefreshCommandC4() = 0;
    virtual int ConnectDisplay() = 0;
    virtual int IsDisplayConnected() = 0;
    virtual int GetConnectFailureCount() = 0;
    virtual int GetFPGASettingsData(FPGASettingsData* data) = 0;
    virtual int ReadRegisterBlock(int reg, int* value) = 0;
    virtual int WriteFPGASettingsData(const FPGASettingsData* data) = 0;
    virtual int GetCommandC8Sub85(int* value) = 0;
    virtual int SetCommandC8Sub85(int value) = 0;
    virtual int GetHdmiUHDColor(HdmiUHDColor* color) = 0;
    virtual int SetHdmiUHDColor(const HdmiUHDColor* color) = 0;
    virtual int GetCommand1CSub82(std::wstring* text, int* secured, int* port) = 0;
    virtual int SetCommand1CSub82List(std::vector<unsigned char> bytes) = 0;
    virtual int GetInverseToneMappingData(InverseToneMappingData* data) = 0;
    virtual int SetInverseToneMappingData(const InverseToneMappingData* data) = 0;
    virtual int GetColorMappingData(ColorMappingData* data) = 0;
    virtual int SetColorMappingData(const ColorMappingData* data) = 0;
    virtual int GetDynamicPeakingData(DynamicPeakingData* data) = 0;
    virtual int SetDynamicPeakingData(const DynamicPeakingData* data) = 0;
    virtual int GetCommand21Sub09(unsigned char* value) = 0;
    virtual int SetCommand21Sub09(unsigned char value) = 0;
    virtual int GetCommand86(unsigned char* value) = 0;
    virtual int SetCommand86(unsigned char value) = 0;
    virtual int GetCommandCASubB0(int* value) = 0;
    virtual int SetCommandCASubB0(int value) = 0;
    virtual int GetCommandCASub93(unsigned char* value) = 0;
    virtual int SetCommandCASub93(unsigned char value) = 0;
    virtual int GetCommandCASub95(unsigned char* value) = 0;
    virtual int SetCommandCASub95(unsigned char value) = 0;
    virtual int GetCommandCASub94(unsigned char* value) = 0;
    virtual int SetCommandCASub94(unsigned char value) = 0;
    virtual int GetModuleInformation(std::vector<ModuleInformation>* modules) = 0;
    virtual int GetCommand21Sub0A(int* value) = 0;
    virtual int SetCommand21Sub0A(int value) = 0;
    virtual int GetCommand21Sub54(int* value) = 0;
    virtual int SetCommand21Sub54(int value) = 0;
    virtual int GetCommandC7Sub81(int* value) = 0;
    virtual int SetCommandC7Sub81(int value) = 0;
    virtual int GetCommandC7Sub82(std::vector<unsigned short>* values) = 0;
    virtual int SetCommandC7Sub82List(std::vector<unsigned char> bytes) = 0;
    virtual int RefreshCommand21Sub0C() = 0;
    virtual int SetCommand21Sub0C(unsigned char first, int second, int third) = 0;
    virtual int RefreshCommandD0SubA4() = 0;
    virtual int SetCommandD0SubA4(int value, unsigned char toAll) = 0;
    virtual bool DownloadFileOverTls(std::wstring outputPath) = 0;
    virtual int SetCommand1BSub50(int first, int second, int unused) = 0;
    virtual int SetCommandD0SubB4(int value) = 0;
    virtual int SetCommandD0SubC6(int value) = 0;
    virtual int RefreshCommand1BSub3C() = 0;
    virtual int SetCommand1BSub3C(int value) = 0;
    virtual int RefreshCommandD0Sub8D() = 0;
    virtual int SetCommandD0Sub8D(int value, unsigned char toAll) = 0;
    virtual int RefreshCommandD0Sub8E() = 0;
    virtual int SetCommandD0Sub8E(int value, unsigned char toAll) = 0;
    virtual int GetCommand21Sub70(int* value) = 0;
    virtual int SetCommand21Sub70(int value) = 0;
    virtual int GetCommand21Sub71(int* value) = 0;
    virtual int SetCommand21Sub71(int value) = 0;
    virtual int GetCommand21Sub72(int* value) = 0;
    virtual int SetCommand21Sub72(int value) = 0;
    virtual int RefreshCommand1BGroup() = 0;
    virtual int RefreshCommand1BSub31() = 0;
    virtual int SetCommand1BSub31(int value) = 0;
    virtual int GetUnsupportedValue() = 0;
    virtual int SetUnsupportedValue(unsigned char value) = 0;
    virtual int RefreshCommand1BSub32() = 0;
    virtual int SetCommand1BSub32(unsigned char value) = 0;
    virtual int RefreshCommand1BSub34() = 0;
    virtual int SetCommand1BSub34(int first, int second) = 0;
    virtual int RefreshCommand1BSub35() = 0;
    virtual int SetCommand1BSub35(int first, int second, int third) = 0;
    virtual int RefreshCommand1BSub33() = 0;
    virtual int SetCommand1BSub33(int value) = 0;
    virtual int GetCommand1BSub36(int* count, std::vector<int>* first, std::vector<int>* second,
                                  std::vector<int>* third) = 0;
    virtual int SetCommand1BSub36List(int count, const int* first, const int* second, const int* third) = 0;
    virtual int RefreshCommand1BSub98() = 0;
    virtual int SendCommand1BRaw(const unsigned char* data, int length) = 0;
    virtual int SendCommandD2Raw(const unsigned char* data, int length) = 0;
    virtual int GetStoredParameter1() = 0;
    virtual int GetStoredParameter2() = 0;
    virtual int GetStoredParameter3() = 0;
    virtual int GetStoredParameter4() = 0;
    virtual int GetStoredParameter5() = 0;
    virtual int GetStoredParameter6() = 0;
    virtual int GetStoredParameter7() = 0;
    virtual int GetStoredParameter8() = 0;
    virtual int SetStoredParameter1(int value) = 0;
    virtual int SetStoredParameter2(int value) = 0;
    virtual int SetStoredParameter3(int value) = 0;
    virtual int SetStoredParameter4(int value) = 0;
    virtual int SetStoredParameter5(int value) = 0;
    virtual int SetStoredParameter6(int value) = 0;
    virtual int SetStoredParameter7(int value) = 0;
    virtual int SetStoredParameter8(int value) = 0;
    /// Tears the helper down; with deleteFlag nonzero also frees it and returns null, else returns it.
    virtual ICommunicationHelperExtended* Destroy(int deleteFlag) = 0;

protected:
    /// End a helper with Release().
    ~ICommunicationHelperExtended() = default;
};

/// Makes extended communication helpers.
class ICommunicationHelperExtendedFactory {
public:
    /// A helper for this display record (not owned; it must outlive the helper), or null when the record
    /// is null or memory runs out. End it with Release().
    ZOL_API static ICommunicationHelperExtended* CreateInstance(ILFDData* record);
};
