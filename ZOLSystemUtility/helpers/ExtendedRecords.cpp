// Gets and sets of the exported data records: the extended helper hands each one to the record transfers,
// which know the commands and the byte places of every field.

#include "helpers/DataRecordTransfers.h"
#include "helpers/ExtendedHelper.h"

#include <utility>

namespace zol::helpers {

namespace {
using C = CCommunicationHelperExtended;
} // namespace

records::RecordRoad C::Road() {
    return records::RecordRoad{m_pHandler, m_pRecord, m_pCommand, this};
}

int C::GetClockSet(ClockSet* clock) {
    return records::GetClockSet(Road(), clock);
}
int C::SetClockSet(const ClockSet* clock) {
    return records::SetClockSet(Road(), clock);
}
int C::GetDSTClock(DSTClock* clock) {
    return records::GetDSTClock(Road(), clock);
}
int C::SetDSTClock(const DSTClock* clock) {
    return records::SetDSTClock(Road(), clock);
}
int C::GetTimerData(TimerData* timer) {
    return records::GetTimerData(Road(), timer);
}
int C::SetTimerData(const TimerData* timer) {
    return records::SetTimerData(Road(), timer);
}
int C::GetMaintainanceControlStatus(MaintainanceControlStatus* status) {
    return records::GetMaintainanceControlStatus(Road(), status);
}
int C::GetHdmiUHDColor(HdmiUHDColor* color) {
    return records::GetHdmiUHDColor(Road(), color);
}
int C::SetHdmiUHDColor(const HdmiUHDColor* color) {
    return records::SetHdmiUHDColor(Road(), color);
}
int C::GetDynamicPeakingData(DynamicPeakingData* data) {
    return records::GetDynamicPeakingData(Road(), data);
}
int C::SetDynamicPeakingData(const DynamicPeakingData* data) {
    return records::SetDynamicPeakingData(Road(), data);
}
int C::GetInverseToneMappingData(InverseToneMappingData* data) {
    return records::GetInverseToneMappingData(Road(), data);
}
int C::SetInverseToneMappingData(const InverseToneMappingData* data) {
    return records::SetInverseToneMappingData(Road(), data);
}
int C::GetColorMappingData(ColorMappingData* data) {
    return records::GetColorMappingData(Road(), data);
}
int C::SetColorMappingData(const ColorMappingData* data) {
    return records::SetColorMappingData(Road(), data);
}
int C::GetModuleInformation(std::vector<ModuleInformation>* modules) {
    return records::GetModuleInformation(Road(), modules);
}
int C::GetBlockGradationData(unsigned char selector, BlockGradationData* data) {
    return records::GetBlockGradationData(Road(), selector, data);
}
int C::SetBlockGradationData(unsigned char selector, BlockGradationData data) {
    return records::SetBlockGradationData(Road(), selector, std::move(data));
}
int C::GetBlockRGBData(unsigned char first, unsigned char second, BlockRGBData* data) {
    return records::GetBlockRGBData(Road(), first, second, data);
}
int C::SetBlockRGBData(unsigned char first, unsigned char second, BlockRGBData data) {
    return records::SetBlockRGBData(Road(), first, second, std::move(data));
}

} // namespace zol::helpers
