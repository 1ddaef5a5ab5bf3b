#pragma once

// Records that carry multi-value settings between the host and the extended communication helper.
// The host allocates them and hands a pointer (or, for the two block records, a copy) to a get or set
// operation. Fields are listed in the order the commands carry them; a field's place in the declaration is
// its number ("field k"), arrays counting one number per element.
//
// Records without owned storage copy all their bytes. A record whose default constructor is not declared
// here leaves its fields uninitialised: callers fill it completely.

#include "ZOLExport.h"

#include <list>
#include <string>

// Command 0xA7: the display's clock.
struct ClockSet {
    ClockSet() = default;
    ClockSet(const ClockSet& other) = default;
    ZOL_API ClockSet& operator=(const ClockSet& other);
    ZOL_API ClockSet& operator=(ClockSet&& other) noexcept;

    int m_nYear;   // sent as two bytes, high first, after the month
    int m_nMonth;  // fourth byte
    int m_nDay;    // first byte
    int m_nHour;   // second byte
    int m_nMinute; // third byte
    bool m_bPm;    // last byte
};

// Command 0xB6: daylight-saving switch dates, one byte each.
struct DSTClock {
    DSTClock() = default;
    DSTClock(const DSTClock& other) = default;
    ZOL_API DSTClock& operator=(const DSTClock& other);
    ZOL_API DSTClock& operator=(DSTClock&& other) noexcept;

    int m_nEnable;
    int m_nStartMonth;
    int m_nStartWeek;
    int m_nStartDay;
    int m_nStartHour;
    int m_nStartMinute;
    int m_nEndMonth;
    int m_nEndWeek;
    int m_nEndDay;
    int m_nEndHour;
    int m_nEndMinute;
    int m_nOffset;
    bool m_bReplyFlag; // the thirteenth reply byte; never sent
};

// Command 0xA4: one on/off timer, fifteen bytes in order.
struct TimerData {
    TimerData() = default;
    TimerData(const TimerData& other) = default;
    ZOL_API TimerData& operator=(const TimerData& other);
    ZOL_API TimerData& operator=(TimerData&& other) noexcept;

    int m_nOnHour;
    int m_nOnMinute;
    int m_nOnPm;
    bool m_bOnEnabled;
    int m_nOffHour;
    int m_nOffMinute;
    int m_nOffPm;
    bool m_bOffEnabled;
    int m_nRepeat;
    int m_nManualDays;
    int m_nVolume;
    int m_nSource;
    int m_nHoliday;
    int m_nByte13;
    int m_nByte14;
};

// Command 0x08: maintenance state; read only.
struct MaintainanceControlStatus {
    MaintainanceControlStatus() = default;
    MaintainanceControlStatus(const MaintainanceControlStatus& other) = default;
    ZOL_API MaintainanceControlStatus& operator=(const MaintainanceControlStatus& other);
    ZOL_API MaintainanceControlStatus& operator=(MaintainanceControlStatus&& other) noexcept;

    int m_nDataLength; // the reply's data-length byte: 21 and 25 are the two layouts
    bool m_bEnabled;   // data byte 0
    int m_nBytes1To11[11];
    int m_nLayout21Byte12; // field 13
    int m_nLayout21Byte13; // field 14
    int m_nSharedByte14;   // field 15
    int m_nLayout25Byte12; // field 16
    int m_nLayout25Byte13; // field 17
    int m_nTail[8];        // fields 18 to 25
};

// Command 0x21 sub-code 0x07: five ports, each a port code and whether the wide colour range is on.
struct HdmiUHDColor {
    ZOL_API HdmiUHDColor();
    HdmiUHDColor(const HdmiUHDColor& other) = default;
    ZOL_API HdmiUHDColor& operator=(const HdmiUHDColor& other);
    ZOL_API HdmiUHDColor& operator=(HdmiUHDColor&& other) noexcept;

    int m_nPort1Code;
    bool m_bPort1On;
    int m_nPort2Code;
    bool m_bPort2On;
    int m_nPort3Code;
    bool m_bPort3On;
    int m_nPort4Code;
    bool m_bPort4On;
    int m_nPort5Code;
    bool m_bPort5On;
};

// Command 0x21 sub-code 0x20, with the value of sub-code 0x04 in the last field.
struct DynamicPeakingData {
    DynamicPeakingData() = default;
    DynamicPeakingData(const DynamicPeakingData& other) = default;
    ZOL_API DynamicPeakingData& operator=(const DynamicPeakingData& other);
    ZOL_API DynamicPeakingData& operator=(DynamicPeakingData&& other) noexcept;

    int m_nByte0;
    int m_nByte1;
    int m_nWords[4]; // fields 2 to 5, two bytes each
    int m_nByte10;
    int m_nSub04Value; // kept in the display record; set through sub-code 0x04
};

// Command 0x21 sub-codes 0x18 to 0x1B, with the value of sub-code 0x03 in field 0.
struct InverseToneMappingData {
    InverseToneMappingData() = default;
    InverseToneMappingData(const InverseToneMappingData& other) = default;
    ZOL_API InverseToneMappingData& operator=(const InverseToneMappingData& other);
    ZOL_API InverseToneMappingData& operator=(InverseToneMappingData&& other) noexcept;

    int m_nSub03Value;
    int m_nSub18Byte0;
    int m_nSub18Word1;
    int m_nSub18Word2;
    int m_nSub18Byte5;
    int m_nSub18Word3;
    int m_nSub19Words[5];
    int m_nSub1AWords[5];
    int m_nSub1BWords[5];
};

// Command 0x21 sub-codes 0x10 to 0x14, with the value of sub-code 0x05 in field 0.
struct ColorMappingData {
    ColorMappingData() = default;
    ColorMappingData(const ColorMappingData& other) = default;
    ZOL_API ColorMappingData& operator=(const ColorMappingData& other);
    ZOL_API ColorMappingData& operator=(ColorMappingData&& other) noexcept;

    int m_nSub05Value;
    int m_nSub10Bytes[5];
    int m_nSub11Words[9];
    int m_nSub12Words[9];
    int m_nSub13Bytes[12];
    int m_nSub14Bytes[12];
};

// 22 values kept in the display controller's registers.
struct FPGASettingsData {
    ZOL_API FPGASettingsData();
    FPGASettingsData(const FPGASettingsData& other) = default;
    ZOL_API FPGASettingsData& operator=(const FPGASettingsData& other);
    ZOL_API FPGASettingsData& operator=(FPGASettingsData&& other) noexcept;

    int m_nValues[22];
};

// One module of a modular display: its 11-character and 5-character identification texts.
struct ModuleInformation {
    ZOL_API ModuleInformation();
    ZOL_API ModuleInformation(const ModuleInformation& other);
    ZOL_API ModuleInformation(ModuleInformation&& other) noexcept;
    ZOL_API ~ModuleInformation();
    ZOL_API ModuleInformation& operator=(const ModuleInformation& other);
    ZOL_API ModuleInformation& operator=(ModuleInformation&& other) noexcept;

    int m_nIndex; // the module's place in the display's report
    std::wstring m_strSerial;
    std::wstring m_strVersion;
};

// Command 0xD0 sub-code 0xA2: rows of a block's gradation, a byte and three words per row.
struct BlockGradationData {
    ZOL_API BlockGradationData();
    ZOL_API BlockGradationData(const BlockGradationData& other);
    ZOL_API BlockGradationData(BlockGradationData&& other) noexcept;
    ZOL_API ~BlockGradationData();
    ZOL_API BlockGradationData& operator=(const BlockGradationData& other);
    ZOL_API BlockGradationData& operator=(BlockGradationData&& other) noexcept;

    std::list<int> m_lstLevel;
    std::list<int> m_lstRed;
    std::list<int> m_lstGreen;
    std::list<int> m_lstBlue;
};

// Command 0xD0 sub-code 0x9B: rows of a block's colour, a byte and nine words per row.
struct BlockRGBData {
    ZOL_API BlockRGBData();
    ZOL_API BlockRGBData(const BlockRGBData& other);
    ZOL_API BlockRGBData(BlockRGBData&& other) noexcept;
    ZOL_API ~BlockRGBData();
    ZOL_API BlockRGBData& operator=(const BlockRGBData& other);
    ZOL_API BlockRGBData& operator=(BlockRGBData&& other) noexcept;

    std::list<int> m_lstLevel;
    std::list<int> m_lstWords[9];
};
