#pragma once

// The extended helper's get and set operations that carry exported data records: which commands they
// send through the command handler and which reply they read the record's fields from.
//
// Gets write the record only after an acknowledged reply (a get of several commands only after all of
// them were acknowledged), so a failed get leaves the host's record as it was. A null record pointer
// gives 0 and sends nothing.

#include "ZOLDataRecords.h"

#include <vector>

class ICommunicationHelperExtended;
class ILFDData;
class IZOLCommand;
class IZOLCommandHandler;

namespace zol::helpers::records {

// What a record operation needs of the helper that runs it. The owner runs the single-value sets that
// travel ahead of some records (their product tests belong to those operations).
struct RecordRoad {
    IZOLCommandHandler* handler = nullptr;
    ILFDData* record = nullptr;
    IZOLCommand* command = nullptr;
    ICommunicationHelperExtended* owner = nullptr;
};

int GetClockSet(const RecordRoad& road, ClockSet* clock);
int SetClockSet(const RecordRoad& road, const ClockSet* clock);
int GetDSTClock(const RecordRoad& road, DSTClock* clock);
int SetDSTClock(const RecordRoad& road, const DSTClock* clock);
int GetTimerData(const RecordRoad& road, TimerData* timer);
int SetTimerData(const RecordRoad& road, const TimerData* timer);
int GetMaintainanceControlStatus(const RecordRoad& road, MaintainanceControlStatus* status);
int GetHdmiUHDColor(const RecordRoad& road, HdmiUHDColor* color);
int SetHdmiUHDColor(const RecordRoad& road, const HdmiUHDColor* color);
int GetDynamicPeakingData(const RecordRoad& road, DynamicPeakingData* data);
int SetDynamicPeakingData(const RecordRoad& road, const DynamicPeakingData* data);
int GetInverseToneMappingData(const RecordRoad& road, InverseToneMappingData* data);
int SetInverseToneMappingData(const RecordRoad& road, const InverseToneMappingData* data);
int GetColorMappingData(const RecordRoad& road, ColorMappingData* data);
int SetColorMappingData(const RecordRoad& road, const ColorMappingData* data);
int GetModuleInformation(const RecordRoad& road, std::vector<ModuleInformation>* modules);
int GetBlockGradationData(const RecordRoad& road, unsigned char selector, BlockGradationData* rows);
int SetBlockGradationData(const RecordRoad& road, unsigned char selector, BlockGradationData rows);
int GetBlockRGBData(const RecordRoad& road, unsigned char first, unsigned char second, BlockRGBData* rows);
int SetBlockRGBData(const RecordRoad& road, unsigned char first, unsigned char second, BlockRGBData rows);

} // namespace zol::helpers::records
