#include "command/DecoderChecks.h"

#include "ILFDData.h"
#include "WallDataLib.h"
#include "ZOLSystemHelper.h"

#include <memory>

namespace zol::command {

std::string FrameView::Ascii(int from, int count) const {
    if (count <= 0 || from < 0 || from >= kMaxFrame) {
        return {};
    }
    if (count > kMaxFrame - from) {
        count = kMaxFrame - from;
    }
    return CZOLSystemHelper::ConvertByteToAsciiString(frame.bytes.data() + from, count);
}

bool IdCheck(const FrameView& f) {
    return f.framingVariant != 0 || f.Id() == f.record.GetDisplayId();
}

bool IdCheckNotFe(const FrameView& f) {
    return f.framingVariant != 0 || (f.Id() != 0xFE && f.Id() == f.record.GetDisplayId());
}

bool LengthIs3(const FrameView& f) {
    return f.Length() == 3;
}

std::optional<bool> AsBool(int value) {
    if (value == 0 || value == 1) {
        return value == 1;
    }
    return std::nullopt;
}

int TwoByteInt(int high, int low) {
    return CZOLSystemHelper::GetIntFromByte(static_cast<unsigned char>(high),
                                            static_cast<unsigned char>(low));
}

int ThreeByteInt(int high, int middle, int low) {
    return CZOLSystemHelper::GetIntFromByte(static_cast<unsigned char>(high),
                                            static_cast<unsigned char>(middle),
                                            static_cast<unsigned char>(low));
}

int DeviceClassOf(ILFDData& record) {
    std::string typeText;
    record.GetDeviceTypeText(typeText);
    const std::wstring wideType = CZOLSystemHelper::StrToWStr(typeText);
    int deviceClass = 0;
    if (ILFDUtility* utility = ILFDUtilityFactory::CreateInstance()) {
        deviceClass = utility->ClassifyDevice(record.GetModelCode(), wideType.c_str(), nullptr);
        utility->Release();
    }
    if (deviceClass == 3 && record.IsClassOverrideEnabled() && record.IsClassOverrideActive()) {
        deviceClass = record.GetClassOverride();
    }
    return deviceClass;
}

} // namespace zol::command
