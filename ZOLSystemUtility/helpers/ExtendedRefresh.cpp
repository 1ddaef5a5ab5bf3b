// Composite refreshes: fixed sequences of other operations. Steps with a product test skip themselves;
// the capability values of the record skip the steps a display does not have.

#include "helpers/ExtendedHelper.h"

#include "WallDataLib.h"
#include "ZOLSystemHelper.h"
#include "platform/Pause.h"

namespace zol::helpers {

namespace {
using C = CCommunicationHelperExtended;
} // namespace

int C::RefreshBasicStatus() {
    const int status = Exec(0x00, {});
    if (m_pRecord->IsResponding()) {
        Exec(0x10, {});
        Exec(0x8A, {});
        Exec(0x0B, {});
        Exec(0x0E, {});
    }
    // The device class is worked out again from what the display just reported; a display of class 4
    // gets the record's 0x14 value sent back to it directly.
    std::string typeText;
    m_pRecord->GetDeviceTypeText(typeText);
    if (ILFDUtility* utility = ILFDUtilityFactory::CreateInstance(); utility != nullptr) {
        const std::wstring wide = CZOLSystemHelper::StrToWStr(typeText);
        const int deviceClass = utility->ClassifyDevice(m_pRecord->GetModelCode(), wide.c_str(), nullptr);
        utility->Release();
        if (deviceClass == 4 && m_pRecord->IsResponding()) {
            SendSourceDirect(m_pRecord->GetValue14());
        }
    }
    return status;
}

int C::RefreshCommandD0Group() {
    RefreshCommandD0Sub95();
    RefreshCommandD0Sub98();
    RefreshCommandD0Sub99();
    if (m_pRecord->IsSupportedD0Sub9D()) {
        RefreshCommandD0Sub9D();
    }
    if (m_pRecord->IsSupportedD0Sub9E()) {
        RefreshCommandD0Sub9E();
    }
    if (m_pRecord->IsSupportedD0SubA3()) {
        RefreshCommandD0SubA3();
    }
    return IsDisplayConnected();
}

int C::RefreshCommand1BGroup() {
    RefreshCommand1BSub31();
    RefreshCommand1BSub32();
    RefreshCommand1BSub34();
    RefreshCommand1BSub35();
    RefreshCommand1BSub33();
    return 1;
}

// The 0xD0 steps shared by RefreshAll and RefreshByState, from sub-code 0x84 on.
static void RefreshD0Tail(C& helper, ILFDData& record) {
    helper.RefreshCommandD0Sub84();
    helper.RefreshCommandD0Sub41();
    helper.RefreshCommandD0Sub85();
    helper.RefreshCommandD0Sub96();
    if (record.IsSupportedD0Sub94()) {
        helper.RefreshCommandD0Sub94();
    }
    if (record.IsSupportedD0Sub86()) {
        helper.RefreshCommandD0Sub86();
    }
    if (record.IsSupportedD0Sub8D()) {
        helper.RefreshCommandD0Sub8D();
    }
    if (record.IsSupportedD0Sub8E()) {
        helper.RefreshCommandD0Sub8E();
    }
    if (record.IsSupportedD0Sub8F()) {
        helper.RefreshCommandD0Sub8F();
    }
    helper.RefreshCommandD0Sub54();
    helper.RefreshCommandD0Sub95();
    helper.RefreshCommandD0Sub98();
    helper.RefreshCommandD0Sub99();
    if (record.IsSupportedD0Sub9D()) {
        helper.RefreshCommandD0Sub9D();
    }
    if (record.IsSupportedD0Sub9E()) {
        helper.RefreshCommandD0Sub9E();
    }
    if (record.IsSupportedD0SubA3()) {
        helper.RefreshCommandD0SubA3();
    }
    helper.RefreshCommandD0SubA5();
}

// Mode 0 reads everything; mode 1 leaves out the model reply and the texts: 0x10, 0x8A, 0x0B, 0x1B 0x81
// and the 0x1B 0xA4 / 0x0E pair.
int C::RefreshAll(int mode) {
    const int status = Exec(0x00, {});
    if (status == 0 || !m_pRecord->IsResponding()) {
        return status;
    }
    if (mode != 1) {
        Exec(0x10, {});
        Exec(0x8A, {});
        Exec(0x0B, {});
        Exec(0x1B, {0x81});
    }
    Exec(0xCB, {});
    Exec(0x8C, {0x82});
    Exec(0xCA, {0x81});
    Exec(0x70, {});
    Exec(0xD0, {0x8A});
    RefreshCommand21Sub30();
    RefreshCommand0D();
    if (mode != 1) {
        RefreshCommand1BAnd0E();
    }
    RefreshCommand84();
    SetCommandFE(0x51);
    RefreshCommand1F();
    GetCommandC8Sub85(nullptr);
    GetCommand71(nullptr);
    GetCommand37Or24(nullptr);
    GetCommand38Or25(nullptr);
    GetCommand26(nullptr);
    GetCommand27(nullptr);
    GetCommand28(nullptr);
    GetCommand3F(nullptr);
    GetCommand96(nullptr);
    if (m_pRecord->IsRefreshFlagA()) {
        RefreshCommand1BGroup();
    }
    RefreshCommand1BSub98();
    GetCommand75Or3E(nullptr);
    GetCommand94(nullptr);
    GetCommand79(nullptr);
    GetCommand73(nullptr);
    RefreshCommand21Sub03();
    RefreshCommand21Sub04();
    RefreshCommand21Sub05();
    GetCommand95(nullptr);
    GetCommandC0Sub14(nullptr);
    GetCommandC0Sub0A(nullptr);
    GetCommandC0Sub17(nullptr);
    if (m_pRecord->IsSupported1BSub3C()) {
        RefreshCommand1BSub3C();
    }
    if (m_pRecord->IsSupportedD0Sub8D()) {
        RefreshCommandD0Sub8D();
    }
    if (m_pRecord->IsSupportedD0Sub8E()) {
        RefreshCommandD0Sub8E();
    }
    if (m_pRecord->IsSupported21Sub70()) {
        GetCommand21Sub70(nullptr);
        GetCommand21Sub71(nullptr);
        GetCommand21Sub72(nullptr);
    }
    GetCommand33(nullptr);
    GetCommandC6Sub81(nullptr);
    GetCommand4A(nullptr);
    GetCommandB5(nullptr);
    if (m_pRecord->IsSupported21Sub09()) {
        GetCommand21Sub09(nullptr);
    }
    if (m_pRecord->IsSupported86()) {
        GetCommand86(nullptr);
    }
    GetCommandCASubB0(nullptr);
    if (m_pRecord->IsSupportedD0Sub94()) {
        RefreshCommandD0Sub94();
    }
    GetCommand0F(nullptr, nullptr, nullptr);
    GetCommand21Sub0A(nullptr);
    RefreshCommand21Sub0C();
    RefreshCommand21Sub50();
    GetCommand21Sub54(nullptr);
    RefreshCommand1BSub90();
    GetCommandCASub93(nullptr);
    GetCommandCASub95(nullptr);
    GetCommandCASub94(nullptr);
    RefreshCommand1BSub96();
    RefreshCommand1BSub97();
    if (m_pRecord->IsRefreshFlagB()) {
        RefreshCommandC4();
    }
    RefreshD0Tail(*this, *m_pRecord);
    return status;
}

int C::RefreshByState(int mode) {
    const int status = Exec(0x00, {});
    if (status == 0 || !m_pRecord->IsResponding()) {
        return status;
    }
    Exec(0x8C, {0x82});
    Exec(0xCA, {0x81});
    Exec(0x70, {});
    Exec(0xD0, {0x8A});
    if (mode != 1 && m_pRecord->IsRefreshFlagC()) {
        RefreshCommand1BAnd0E();
    }
    RefreshD0Tail(*this, *m_pRecord);
    return status;
}

int C::RefreshByStateQuick(int /*mode*/) {
    RefreshCommandD0Sub85();
    RefreshCommandD0Sub96();
    if (m_pRecord->IsSupportedD0Sub94()) {
        RefreshCommandD0Sub94();
    }
    if (m_pRecord->IsSupportedD0Sub86()) {
        RefreshCommandD0Sub86();
    }
    if (m_pRecord->IsSupportedD0Sub8D()) {
        RefreshCommandD0Sub8D();
    }
    if (m_pRecord->IsSupportedD0Sub8E()) {
        RefreshCommandD0Sub8E();
    }
    if (m_pRecord->IsSupportedD0Sub8F()) {
        RefreshCommandD0Sub8F();
    }
    RefreshCommandD0Sub54();
    RefreshCommandD0SubA5();
    return IsDisplayConnected();
}

int C::SetCommand9F(int value) {
    const int status = Exec(0x9F, {static_cast<unsigned char>(value & 0xFF)});
    if (status == 0) {
        return status;
    }
    if (value == 0 || value == 3) {
        RunFirstRefreshGroup();
    }
    if (value == 2 || value == 3) {
        RunSecondRefreshGroup();
    }
    return status;
}

void C::RunFirstRefreshGroup() {
    auto step = [](auto&& fn) {
        fn();
        platform::Pause(100);
    };
    step([&] { GetCommand71(nullptr); });
    step([&] { SetCommandFE(0x51); });
    step([&] { RefreshCommand1F(); });
    // The blocks 0x04 and 0x06 are asked for only when the record's 0x71 value is of the first two
    // classes and its 0x70 value is set.
    if (Command71Class() != 3 && m_pRecord->GetValue70()) {
        step([&] { Exec(0x04, {}); });
        step([&] { Exec(0x06, {}); });
    }
    step([&] { GetCommand26(nullptr); });
    step([&] { GetCommand27(nullptr); });
    step([&] { GetCommand28(nullptr); });
    step([&] { GetCommand96(nullptr); });
    step([&] { GetCommand21Sub54(nullptr); });
    step([&] { GetCommand94(nullptr); });
    step([&] { GetCommand79(nullptr); });
    step([&] { GetCommand73(nullptr); });
    step([&] { RefreshCommand21Sub03(); });
    step([&] { RefreshCommand21Sub04(); });
    step([&] { RefreshCommand21Sub05(); });
    step([&] { GetCommand0F(nullptr, nullptr, nullptr); });
    step([&] { GetCommand21Sub0A(nullptr); });
    step([&] { RefreshCommand21Sub0C(); });
    step([&] { GetCommand86(nullptr); });
    step([&] { RefreshCommand21Sub50(); });
    step([&] { GetCommand95(nullptr); });
    step([&] { GetCommandC0Sub14(nullptr); });
    step([&] { GetCommandC0Sub0A(nullptr); });
    step([&] { GetCommandC0Sub17(nullptr); });
    step([&] { RefreshCommand1BSub3C(); });
    step([&] { RefreshCommandD0Sub8D(); });
    step([&] { RefreshCommandD0Sub8E(); });
}

void C::RunSecondRefreshGroup() {
    GetCommand33(nullptr);
    GetCommandC6Sub81(nullptr);
    GetCommand4A(nullptr);
    GetCommandB5(nullptr);
    GetCommand86(nullptr);
    GetCommandCASubB0(nullptr);
    GetCommandCASub93(nullptr);
    GetCommandCASub95(nullptr);
    GetCommandCASub94(nullptr);
}

} // namespace zol::helpers
