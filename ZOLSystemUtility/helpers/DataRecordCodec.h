#pragma once

// How each exported data record maps to the data bytes of the commands that carry it, both ways.
// Encoders return the data bytes handed to the command handler (sub-code first where the command has
// one); decoders read a picked reply packet and write only the fields its layout carries. Nothing here
// sends anything.

#include "ZOLDataRecords.h"
#include "helpers/ReplyPicker.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace zol::helpers::records {

using Bytes = std::vector<unsigned char>;

// Where the data bytes of a reply begin: behind the echoed command, or behind an echoed sub-code too.
inline constexpr std::size_t kDataAt = 6;
inline constexpr std::size_t kSubDataAt = 7;

// Sub-codes of command 0x21 that carry record fields.
inline constexpr unsigned char kSubHdmiUHDColor = 0x07;
inline constexpr unsigned char kSubDynamicPeaking = 0x20;
inline constexpr std::array<unsigned char, 4> kSubsInverseToneMapping{0x18, 0x19, 0x1A, 0x1B};
inline constexpr std::array<unsigned char, 5> kSubsColorMapping{0x10, 0x11, 0x12, 0x13, 0x14};
// Sub-codes of command 0xD0.
inline constexpr unsigned char kSubBlockRGB = 0x9B;
inline constexpr unsigned char kSubBlockGradation = 0xA2;
inline constexpr unsigned char kSubModulesD0 = 0xA0;
inline constexpr unsigned char kSubModulesD2 = 0x43;

// A block row's data must fit the one-byte length of a request.
inline constexpr std::size_t kGradationRowBytes = 7;
inline constexpr std::size_t kRGBRowBytes = 19;
inline constexpr std::size_t kMaxGradationRows = (255 - 2) / kGradationRowBytes; // 36
inline constexpr std::size_t kMaxRGBRows = (255 - 3) / kRGBRowBytes;             // 13

// --- set data
Bytes EncodeClockSet(const ClockSet& clock);
Bytes EncodeDSTClock(const DSTClock& clock);
Bytes EncodeTimerData(const TimerData& timer);
Bytes EncodeHdmiUHDColor(const HdmiUHDColor& color, int modelCode);
Bytes EncodeDynamicPeaking(const DynamicPeakingData& data);
std::array<Bytes, 4> EncodeInverseToneMapping(const InverseToneMappingData& data);
std::array<Bytes, 5> EncodeColorMapping(const ColorMappingData& data);
// Empty when the lists are empty, of unequal length, or hold more rows than one request carries.
// The rows are taken from the front of the lists, which are left empty.
std::optional<Bytes> EncodeBlockGradation(unsigned char selector, BlockGradationData& rows);
std::optional<Bytes> EncodeBlockRGB(unsigned char first, unsigned char second, BlockRGBData& rows);

// --- get: fill the record from an acknowledged reply packet
void DecodeClockSet(const PickedReply& reply, ClockSet& clock);
void DecodeDSTClock(const PickedReply& reply, DSTClock& clock);
void DecodeTimerData(const PickedReply& reply, TimerData& timer);
void DecodeMaintainanceControlStatus(const PickedReply& reply, MaintainanceControlStatus& status);
void DecodeHdmiUHDColor(const PickedReply& reply, HdmiUHDColor& color);
void DecodeDynamicPeaking(const PickedReply& reply, DynamicPeakingData& data);
// One reply per sub-code; index is the sub-code's place in its list.
void DecodeInverseToneMapping(std::size_t index, const PickedReply& reply, InverseToneMappingData& data);
void DecodeColorMapping(std::size_t index, const PickedReply& reply, ColorMappingData& data);
// Rows are appended to the lists.
void DecodeBlockGradation(const PickedReply& reply, BlockGradationData& rows);
void DecodeBlockRGB(const PickedReply& reply, BlockRGBData& rows);
// Modules are appended; longFrame for the 0xD2 road, whose reply carries a two-byte length.
void DecodeModules(const PickedReply& reply, bool longFrame, std::vector<ModuleInformation>& modules);

} // namespace zol::helpers::records
