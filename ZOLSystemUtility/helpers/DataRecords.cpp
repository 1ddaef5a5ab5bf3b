// Copy and move of the exported data records. Records without owned storage copy all their bytes.

#include "ZOLDataRecords.h"

#include <cstring>
#include <type_traits>
#include <utility>

namespace {
template <typename T> void CopyBytes(T& to, const T& from) {
    static_assert(std::is_standard_layout_v<T>);
    std::memcpy(static_cast<void*>(&to), static_cast<const void*>(&from), sizeof(T));
}
} // namespace

ClockSet& ClockSet::operator=(const ClockSet& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
ClockSet& ClockSet::operator=(ClockSet&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
DSTClock& DSTClock::operator=(const DSTClock& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
DSTClock& DSTClock::operator=(DSTClock&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
TimerData& TimerData::operator=(const TimerData& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
TimerData& TimerData::operator=(TimerData&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
MaintainanceControlStatus& MaintainanceControlStatus::operator=(const MaintainanceControlStatus& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
MaintainanceControlStatus& MaintainanceControlStatus::operator=(MaintainanceControlStatus&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
HdmiUHDColor& HdmiUHDColor::operator=(const HdmiUHDColor& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
HdmiUHDColor& HdmiUHDColor::operator=(HdmiUHDColor&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
DynamicPeakingData& DynamicPeakingData::operator=(const DynamicPeakingData& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
DynamicPeakingData& DynamicPeakingData::operator=(DynamicPeakingData&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
InverseToneMappingData& InverseToneMappingData::operator=(const InverseToneMappingData& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
InverseToneMappingData& InverseToneMappingData::operator=(InverseToneMappingData&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
ColorMappingData& ColorMappingData::operator=(const ColorMappingData& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
ColorMappingData& ColorMappingData::operator=(ColorMappingData&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
FPGASettingsData& FPGASettingsData::operator=(const FPGASettingsData& other) {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}
FPGASettingsData& FPGASettingsData::operator=(FPGASettingsData&& other) noexcept {
    if (this != &other) {
        CopyBytes(*this, other);
    }
    return *this;
}

HdmiUHDColor::HdmiUHDColor()
    : m_nField0(33), m_bField1(false), m_nField2(35), m_bField3(false), m_nField4(49), m_bField5(false),
      m_nField6(51), m_bField7(false), m_nField8(37), m_bField9(false) {}

FPGASettingsData::FPGASettingsData() : m_nFields0To21{} {}

// The index is left as it comes: a default record carries no module yet.
ModuleInformation::ModuleInformation() = default;
ModuleInformation::ModuleInformation(const ModuleInformation& other) = default;
ModuleInformation::ModuleInformation(ModuleInformation&& other) noexcept
    : m_nField0(other.m_nField0), m_strField1(std::move(other.m_strField1)),
      m_strField2(std::move(other.m_strField2)) {}
ModuleInformation::~ModuleInformation() = default;
ModuleInformation& ModuleInformation::operator=(const ModuleInformation& other) = default;
ModuleInformation& ModuleInformation::operator=(ModuleInformation&& other) noexcept {
    m_nField0 = other.m_nField0;
    m_strField1 = std::move(other.m_strField1);
    m_strField2 = std::move(other.m_strField2);
    return *this;
}

BlockGradationData::BlockGradationData() = default;
BlockGradationData::BlockGradationData(const BlockGradationData& other) = default;
BlockGradationData::BlockGradationData(BlockGradationData&& other) noexcept = default;
BlockGradationData::~BlockGradationData() = default;
BlockGradationData& BlockGradationData::operator=(const BlockGradationData& other) = default;
BlockGradationData& BlockGradationData::operator=(BlockGradationData&& other) noexcept = default;

BlockRGBData::BlockRGBData() = default;
BlockRGBData::BlockRGBData(const BlockRGBData& other) = default;
BlockRGBData::BlockRGBData(BlockRGBData&& other) noexcept = default;
BlockRGBData::~BlockRGBData() = default;
BlockRGBData& BlockRGBData::operator=(const BlockRGBData& other) = default;
BlockRGBData& BlockRGBData::operator=(BlockRGBData&& other) noexcept = default;
