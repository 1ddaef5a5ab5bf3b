#pragma once

/// \file
/// Records that carry multi-value settings between the host and the extended communication helper.
/// The host allocates them and hands a pointer (or, for the two block records, a copy) to a get or set
/// operation. A field's place in the declaration is its number ("field k"), arrays counting one number per
/// element. Fields are known by number, width and wire position only, so they are named by number:
/// Names: m_xFieldK is field K, m_xFieldsKToL fields K to L; x is n int, b bool, str text, lst list.
///
/// Records without owned storage copy all their bytes. A record whose default constructor is not declared
/// here leaves its fields uninitialised: callers fill it completely.

#include "ZOLExport.h"

#include <list>
#include <string>

/// Command 0xA7, seven data bytes: fields 2, 3, 4, 1, field 0 as two bytes (high first), field 5.
struct ClockSet {
    ClockSet() = default;
    /// Copy construction: every field.
    ClockSet(const ClockSet& other) = default;
    /// Copy assignment: every field.
    ZOL_API ClockSet& operator=(const ClockSet& other);
    /// Move assignment: every field.
    ZOL_API ClockSet& operator=(ClockSet&& other) noexcept;

    int m_nField0;  ///< data bytes 4 and 5
    int m_nField1;  ///< data byte 3
    int m_nField2;  ///< data byte 0
    int m_nField3;  ///< data byte 1
    int m_nField4;  ///< data byte 2
    bool m_bField5; ///< data byte 6
};

/// Command 0xB6: fields 0 to 11 are data bytes 0 to 11, one byte each.
struct DSTClock {
    DSTClock() = default;
    /// Copy construction: every field.
    DSTClock(const DSTClock& other) = default;
    /// Copy assignment: every field.
    ZOL_API DSTClock& operator=(const DSTClock& other);
    /// Move assignment: every field.
    ZOL_API DSTClock& operator=(DSTClock&& other) noexcept;

    int m_nField0;   ///< field 0: data byte 0
    int m_nField1;   ///< field 1: data byte 1
    int m_nField2;   ///< field 2: data byte 2
    int m_nField3;   ///< field 3: data byte 3
    int m_nField4;   ///< field 4: data byte 4
    int m_nField5;   ///< field 5: data byte 5
    int m_nField6;   ///< field 6: data byte 6
    int m_nField7;   ///< field 7: data byte 7
    int m_nField8;   ///< field 8: data byte 8
    int m_nField9;   ///< field 9: data byte 9
    int m_nField10;  ///< field 10: data byte 10
    int m_nField11;  ///< field 11: data byte 11
    bool m_bField12; ///< reply data byte 12; never sent
};

/// Command 0xA4: field k is data byte k, fifteen bytes in order.
struct TimerData {
    TimerData() = default;
    /// Copy construction: every field.
    TimerData(const TimerData& other) = default;
    /// Copy assignment: every field.
    ZOL_API TimerData& operator=(const TimerData& other);
    /// Move assignment: every field.
    ZOL_API TimerData& operator=(TimerData&& other) noexcept;

    int m_nField0;  ///< field 0: data byte 0
    int m_nField1;  ///< field 1: data byte 1
    int m_nField2;  ///< field 2: data byte 2
    bool m_bField3; ///< field 3: data byte 3
    int m_nField4;  ///< field 4: data byte 4
    int m_nField5;  ///< field 5: data byte 5
    int m_nField6;  ///< field 6: data byte 6
    bool m_bField7; ///< field 7: data byte 7
    int m_nField8;  ///< field 8: data byte 8
    int m_nField9;  ///< field 9: data byte 9
    int m_nField10; ///< field 10: data byte 10
    int m_nField11; ///< field 11: data byte 11
    int m_nField12; ///< field 12: data byte 12
    int m_nField13; ///< field 13: data byte 13
    int m_nField14; ///< field 14: data byte 14
};

/// Command 0x08, read only. Fields 13 to 25 depend on the reply's data length, 21 or 25.
struct MaintainanceControlStatus {
    MaintainanceControlStatus() = default;
    /// Copy construction: every field.
    MaintainanceControlStatus(const MaintainanceControlStatus& other) = default;
    /// Copy assignment: every field.
    ZOL_API MaintainanceControlStatus& operator=(const MaintainanceControlStatus& other);
    /// Move assignment: every field.
    ZOL_API MaintainanceControlStatus& operator=(MaintainanceControlStatus&& other) noexcept;

    int m_nField0;          ///< the reply's data-length byte
    bool m_bField1;         ///< data byte 0
    int m_nFields2To12[11]; ///< fields 2 to 12
    int m_nField13;         ///< length 21: data byte 12
    int m_nField14;         ///< length 21: data byte 13
    int m_nField15;         ///< data byte 14
    int m_nField16;         ///< length 25: data byte 12
    int m_nField17;         ///< length 25: data byte 13
    int m_nFields18To25[8]; ///< length 25: data bytes 15 to 22; length 21: fields 22 to 25 are bytes 15 to 18
};

/// Command 0x21 sub-code 0x07: five entries, each a port code (even fields) and its enabled flag (odd).
struct HdmiUHDColor {
    ZOL_API HdmiUHDColor();
    /// Copy construction: every field.
    HdmiUHDColor(const HdmiUHDColor& other) = default;
    /// Copy assignment: every field.
    ZOL_API HdmiUHDColor& operator=(const HdmiUHDColor& other);
    /// Move assignment: every field.
    ZOL_API HdmiUHDColor& operator=(HdmiUHDColor&& other) noexcept;

    int m_nField0;  ///< field 0: entry 0's port code
    bool m_bField1; ///< field 1: entry 0's enabled flag
    int m_nField2;  ///< field 2: entry 1's port code
    bool m_bField3; ///< field 3: entry 1's enabled flag
    int m_nField4;  ///< field 4: entry 2's port code
    bool m_bField5; ///< field 5: entry 2's enabled flag
    int m_nField6;  ///< field 6: entry 3's port code
    bool m_bField7; ///< field 7: entry 3's enabled flag
    int m_nField8;  ///< field 8: entry 4's port code
    bool m_bField9; ///< field 9: entry 4's enabled flag
};

/// Command 0x21 sub-code 0x20, with the value of sub-code 0x04 in the last field.
struct DynamicPeakingData {
    DynamicPeakingData() = default;
    /// Copy construction: every field.
    DynamicPeakingData(const DynamicPeakingData& other) = default;
    /// Copy assignment: every field.
    ZOL_API DynamicPeakingData& operator=(const DynamicPeakingData& other);
    /// Move assignment: every field.
    ZOL_API DynamicPeakingData& operator=(DynamicPeakingData&& other) noexcept;

    int m_nField0;        ///< field 0
    int m_nField1;        ///< field 1
    int m_nFields2To5[4]; ///< two bytes each, high first
    int m_nField6;        ///< field 6
    int m_nField7;        ///< kept in the display record; set through sub-code 0x04
};

/// Command 0x21 sub-codes 0x18 to 0x1B, with the value of sub-code 0x03 in field 0.
struct InverseToneMappingData {
    InverseToneMappingData() = default;
    /// Copy construction: every field.
    InverseToneMappingData(const InverseToneMappingData& other) = default;
    /// Copy assignment: every field.
    ZOL_API InverseToneMappingData& operator=(const InverseToneMappingData& other);
    /// Move assignment: every field.
    ZOL_API InverseToneMappingData& operator=(InverseToneMappingData&& other) noexcept;

    int m_nField0;          ///< field 0
    int m_nField1;          ///< field 1
    int m_nField2;          ///< field 2
    int m_nField3;          ///< field 3
    int m_nField4;          ///< field 4
    int m_nField5;          ///< field 5
    int m_nFields6To10[5];  ///< fields 6 to 10
    int m_nFields11To15[5]; ///< fields 11 to 15
    int m_nFields16To20[5]; ///< fields 16 to 20
};

/// Command 0x21 sub-codes 0x10 to 0x14, with the value of sub-code 0x05 in field 0.
struct ColorMappingData {
    ColorMappingData() = default;
    /// Copy construction: every field.
    ColorMappingData(const ColorMappingData& other) = default;
    /// Copy assignment: every field.
    ZOL_API ColorMappingData& operator=(const ColorMappingData& other);
    /// Move assignment: every field.
    ZOL_API ColorMappingData& operator=(ColorMappingData&& other) noexcept;

    int m_nField0;           ///< field 0
    int m_nFields1To5[5];    ///< fields 1 to 5
    int m_nFields6To14[9];   ///< fields 6 to 14
    int m_nFields15To23[9];  ///< fields 15 to 23
    int m_nFields24To35[12]; ///< fields 24 to 35
    int m_nFields36To47[12]; ///< fields 36 to 47
};

/// 22 values read and written through register access.
struct FPGASettingsData {
    ZOL_API FPGASettingsData();
    /// Copy construction: every field.
    FPGASettingsData(const FPGASettingsData& other) = default;
    /// Copy assignment: every field.
    ZOL_API FPGASettingsData& operator=(const FPGASettingsData& other);
    /// Move assignment: every field.
    ZOL_API FPGASettingsData& operator=(FPGASettingsData&& other) noexcept;

    int m_nFields0To21[22]; ///< fields 0 to 21
};

/// One module the display reports: an 11-character text (field 1) and a 5-character text (field 2).
struct ModuleInformation {
    ZOL_API ModuleInformation();
    /// Copy construction: every field.
    ZOL_API ModuleInformation(const ModuleInformation& other);
    /// Move construction: every field.
    ZOL_API ModuleInformation(ModuleInformation&& other) noexcept;
    ZOL_API ~ModuleInformation();
    /// Copy assignment: every field.
    ZOL_API ModuleInformation& operator=(const ModuleInformation& other);
    /// Move assignment: every field.
    ZOL_API ModuleInformation& operator=(ModuleInformation&& other) noexcept;

    int m_nField0;            ///< the module's place in the display's report
    std::wstring m_strField1; ///< field 1: the 11-character text
    std::wstring m_strField2; ///< field 2: the 5-character text
};

/// Command 0xD0 sub-code 0xA2: rows of a byte (list 0) and three 16-bit values (lists 1 to 3).
struct BlockGradationData {
    ZOL_API BlockGradationData();
    /// Copy construction: every field.
    ZOL_API BlockGradationData(const BlockGradationData& other);
    /// Move construction: every field.
    ZOL_API BlockGradationData(BlockGradationData&& other) noexcept;
    ZOL_API ~BlockGradationData();
    /// Copy assignment: every field.
    ZOL_API BlockGradationData& operator=(const BlockGradationData& other);
    /// Move assignment: every field.
    ZOL_API BlockGradationData& operator=(BlockGradationData&& other) noexcept;

    std::list<int> m_lstField0; ///< field 0: the rows' bytes
    std::list<int> m_lstField1; ///< field 1: the rows' 16-bit value 1
    std::list<int> m_lstField2; ///< field 2: the rows' 16-bit value 2
    std::list<int> m_lstField3; ///< field 3: the rows' 16-bit value 3
};

/// Command 0xD0 sub-code 0x9B: rows of a byte (list 0) and nine 16-bit values (lists 1 to 9).
struct BlockRGBData {
    ZOL_API BlockRGBData();
    /// Copy construction: every field.
    ZOL_API BlockRGBData(const BlockRGBData& other);
    /// Move construction: every field.
    ZOL_API BlockRGBData(BlockRGBData&& other) noexcept;
    ZOL_API ~BlockRGBData();
    /// Copy assignment: every field.
    ZOL_API BlockRGBData& operator=(const BlockRGBData& other);
    /// Move assignment: every field.
    ZOL_API BlockRGBData& operator=(BlockRGBData&& other) noexcept;

    std::list<int> m_lstField0;        ///< field 0: the rows' bytes
    std::list<int> m_lstFields1To9[9]; ///< fields 1 to 9: the rows' 16-bit values 1 to 9
};
