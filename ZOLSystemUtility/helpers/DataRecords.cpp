// Copy and move of the exported data records. Records without owned storage copy all their bytes.

#include "ZOLDataRecords.h"

#include <cstring>
#include <type_traits>
#include <utility>

namespace {
template <typename T> T& CopyBytes(T& to, const T& from) {
    static_assert(std::is_standard_layout_v<T>);
    if (&to != &from) {
        std::memcpy(static_cast<void*>(&to), static_cast<const void*>(&from), sizeof(T));
    }
    return to;
}
} // namespace

ClockSet& ClockSet::operator=(const ClockSet& other) {
    return CopyBytes(*this, other);
}
ClockSet& ClockSet::operator=(ClockSet&& other) noexcept {
    return CopyBytes(*this, other);
}
DSTClock& DSTClock::operator=(const DSTClock& other) {
    return CopyBytes(*this, other);
}
DSTClock& DSTClock::operator=(DSTClock&& other) noexcept {
    return CopyBytes(*this, other);
}
TimerData& TimerData::operator=(const TimerData& other) {
    return CopyBytes(*this, other);
}
TimerData& TimerData::operator=(TimerData&& other) noexcept {
    return CopyBytes(*this, other);
}
MaintainanceControlStatus& MaintainanceControlStatus::operator=(const MaintainanceControlStatus& other) {
    return CopyBytes(*this, other);
}
MaintainanceControlStatus& MaintainanceControlStatus::operator=(MaintainanceControlStatus&& other) noexcept {
    return CopyBytes(*this, other);
}
HdmiUHDColor& HdmiUHDColor::operator=(const HdmiUHDColor& other) {
    return CopyBytes(*this, other);
}
HdmiUHDColor& HdmiUHDColor::operator=(HdmiUHDColor&& other) noexcept {
    return CopyBytes(*this, other);
}
DynamicPeakingData& DynamicPeakingData::operator=(const DynamicPeakingData& other) {
    return CopyBytes(*this, other);
}
DynamicPeakingData& DynamicPeakingData::operator=(DynamicPeakingData&& other) noexcept {
    return CopyBytes(*this, other);
}
InverseToneMappingData& InverseToneMappingData::operator=(const InverseToneMappingData& other) {
    return CopyBytes(*this, other);
}
InverseToneMappingData& InverseToneMappingData::operator=(InverseToneMappingData&& other) noexcept {
    return CopyBytes(*this, other);
}
ColorMappingData& ColorMappingData::operator=(const ColorMappingData& other) {
    return CopyBytes(*this, other);
}
ColorMappingData& ColorMappingData::operator=(ColorMappingData&& other) noexcept {
    return CopyBytes(*this, other);
}
FPGASettingsData& FPGASettingsData::operator=(const FPGASettingsData& other) {
    return CopyBytes(*this, other);
}
FPGASettingsData& FPGASettingsData::operator=(FPGASettingsData&& other) noexcept {
    return CopyBytes(*this, other);
}

HdmiUHDColor::HdmiUHDColor()
    : m_nPort1Code(33), m_bPort1On(false), m_nPort2Code(35), m_bPort2On(false), m_nPort3Code(49),
      m_bPort3On(false), m_nPort4Code(51), m_bPort4On(false), m_nPort5Code(37), m_bPort5On(false) {}

FPGASettingsData::FPGASettingsData() : m_nValues{} {}

// The index is left as it comes: a default record carries no module yet.
ModuleInformation::ModuleInformation() = default;
ModuleInformation::ModuleInformation(const ModuleInformation& other) = default;
ModuleInformation::ModuleInformation(ModuleInformation&& other) noexcept
    : m_nIndex(other.m_nIndex), m_strSerial(std::move(other.m_strSerial)),
      m_strVersion(std::move(other.m_strVersion)) {}
ModuleInformation::~ModuleInformation() = default;
ModuleInformation& ModuleInformation::operator=(const ModuleInformation& other) = default;
ModuleInformation& ModuleInformation::operator=(ModuleInformation&& other) noexcept {
    m_nIndex = other.m_nIndex;
    m_strSerial = std::move(other.m_strSerial);
    m_strVersion = std::move(other.m_strVersion);
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
