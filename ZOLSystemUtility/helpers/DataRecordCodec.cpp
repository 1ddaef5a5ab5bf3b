#include "helpers/DataRecordCodec.h"

#include "ZOLSystemHelper.h"

#include <algorithm>
#include <type_traits>

namespace zol::helpers::records {

namespace {

unsigned char Low(int value) {
    return static_cast<unsigned char>(value & 0xFF);
}
unsigned char High(int value) {
    return static_cast<unsigned char>((value >> 8) & 0xFF);
}

void PutWord(Bytes& out, int value) {
    out.push_back(High(value));
    out.push_back(Low(value));
}

template <std::size_t N> void PutWords(Bytes& out, const int (&values)[N]) {
    for (int value : values) {
        PutWord(out, value);
    }
}

template <std::size_t N> void PutBytes(Bytes& out, const int (&values)[N]) {
    for (int value : values) {
        out.push_back(Low(value));
    }
}

// One past the last data byte the reply's length field vouches for (and that was received).
std::size_t DataEnd(const PickedReply& reply, bool longFrame) {
    const std::size_t declared = longFrame ? 5 + static_cast<std::size_t>(reply.Word(3))
                                           : 4 + static_cast<std::size_t>(reply.Length());
    return std::min(declared, reply.Size());
}

// Data byte k of a reply whose data begin at `from`; a byte the reply does not carry reads as 0 (never
// the checksum or whatever follows the packet).
struct DataBytes {
    DataBytes(const PickedReply& r, std::size_t first) : reply(r), from(first), end(DataEnd(r, false)) {}
    const PickedReply& reply;
    std::size_t from;
    std::size_t end;
    int operator[](std::size_t k) const { return from + k < end ? reply.At(from + k) : 0; }
    int Word(std::size_t k) const { return ((*this)[k] << 8) | (*this)[k + 1]; }
};

// The fields of a TimerData in wire order; fields 3 and 7 are flags.
template <typename Timer, typename Fn> void ForEachTimerField(Timer& t, Fn fn) {
    fn(t.m_nOnHour);
    fn(t.m_nOnMinute);
    fn(t.m_nOnPm);
    fn(t.m_bOnEnabled);
    fn(t.m_nOffHour);
    fn(t.m_nOffMinute);
    fn(t.m_nOffPm);
    fn(t.m_bOffEnabled);
    fn(t.m_nRepeat);
    fn(t.m_nManualDays);
    fn(t.m_nVolume);
    fn(t.m_nSource);
    fn(t.m_nHoliday);
    fn(t.m_nByte13);
    fn(t.m_nByte14);
}

template <typename Clock, typename Fn> void ForEachDSTByte(Clock& c, Fn fn) {
    fn(c.m_nEnable);
    fn(c.m_nStartMonth);
    fn(c.m_nStartWeek);
    fn(c.m_nStartDay);
    fn(c.m_nStartHour);
    fn(c.m_nStartMinute);
    fn(c.m_nEndMonth);
    fn(c.m_nEndWeek);
    fn(c.m_nEndDay);
    fn(c.m_nEndHour);
    fn(c.m_nEndMinute);
    fn(c.m_nOffset);
}

// The five (code, flag) entries of an HdmiUHDColor in field order.
template <typename Color> auto Ports(Color& c) {
    using Code = std::conditional_t<std::is_const_v<Color>, const int*, int*>;
    using On = std::conditional_t<std::is_const_v<Color>, const bool*, bool*>;
    struct PortEntry {
        Code code;
        On on;
    };
    return std::array<PortEntry, 5>{{{&c.m_nPort1Code, &c.m_bPort1On},
                                     {&c.m_nPort2Code, &c.m_bPort2On},
                                     {&c.m_nPort3Code, &c.m_bPort3On},
                                     {&c.m_nPort4Code, &c.m_bPort4On},
                                     {&c.m_nPort5Code, &c.m_bPort5On}}};
}

// The port code each entry of HdmiUHDColor stands for, in entry order.
constexpr std::array<int, 5> kPortCodes{33, 35, 49, 51, 37};

template <std::size_t N> void ReadWords(const DataBytes& d, std::size_t from, int (&out)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = d.Word(from + 2 * i);
    }
}

template <std::size_t N> void ReadBytes(const DataBytes& d, std::size_t from, int (&out)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = d[from + i];
    }
}

// Takes the front element of a list (0 when empty: callers check the lengths first).
int TakeFront(std::list<int>& values) {
    if (values.empty()) {
        return 0;
    }
    const int value = values.front();
    values.pop_front();
    return value;
}

} // namespace

// ---------------------------------------------------------------- set data

Bytes EncodeClockSet(const ClockSet& clock) {
    return {Low(clock.m_nDay),
            Low(clock.m_nHour),
            Low(clock.m_nMinute),
            Low(clock.m_nMonth),
            High(clock.m_nYear),
            Low(clock.m_nYear),
            static_cast<unsigned char>(clock.m_bPm ? 1 : 0)};
}

// The thirteenth field is only ever reported, never sent.
Bytes EncodeDSTClock(const DSTClock& clock) {
    Bytes out;
    ForEachDSTByte(clock, [&](const int& value) { out.push_back(Low(value)); });
    return out;
}

Bytes EncodeTimerData(const TimerData& timer) {
    Bytes out;
    ForEachTimerField(timer, [&](const auto& value) { out.push_back(Low(static_cast<int>(value))); });
    return out;
}

Bytes EncodeHdmiUHDColor(const HdmiUHDColor& color, int modelCode) {
    const auto ports = Ports(color);
    // Which entries a model takes: two ports, all five, or the first two and the fifth.
    std::vector<std::size_t> entries{0, 1, 4};
    if (modelCode == 0x69) {
        entries = {0, 1};
    } else if (modelCode == 0x71) {
        entries = {0, 1, 2, 3, 4};
    }
    Bytes out{kSubHdmiUHDColor};
    for (std::size_t entry : entries) {
        out.push_back(Low(*ports[entry].code));
        out.push_back(static_cast<unsigned char>(*ports[entry].on ? 1 : 0));
    }
    return out;
}

Bytes EncodeDynamicPeaking(const DynamicPeakingData& data) {
    Bytes out{kSubDynamicPeaking, Low(data.m_nByte0), Low(data.m_nByte1)};
    PutWords(out, data.m_nWords);
    out.push_back(Low(data.m_nByte10));
    return out;
}

std::array<Bytes, 4> EncodeInverseToneMapping(const InverseToneMappingData& data) {
    std::array<Bytes, 4> out;
    out[0] = {kSubsInverseToneMapping[0], Low(data.m_nSub18Byte0)};
    PutWord(out[0], data.m_nSub18Word1);
    PutWord(out[0], data.m_nSub18Word2);
    out[0].push_back(Low(data.m_nSub18Byte5));
    PutWord(out[0], data.m_nSub18Word3);
    out[1] = {kSubsInverseToneMapping[1]};
    PutWords(out[1], data.m_nSub19Words);
    out[2] = {kSubsInverseToneMapping[2]};
    PutWords(out[2], data.m_nSub1AWords);
    out[3] = {kSubsInverseToneMapping[3]};
    PutWords(out[3], data.m_nSub1BWords);
    return out;
}

std::array<Bytes, 5> EncodeColorMapping(const ColorMappingData& data) {
    std::array<Bytes, 5> out;
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = {kSubsColorMapping[i]};
    }
    PutBytes(out[0], data.m_nSub10Bytes);
    PutWords(out[1], data.m_nSub11Words);
    PutWords(out[2], data.m_nSub12Words);
    PutBytes(out[3], data.m_nSub13Bytes);
    PutBytes(out[4], data.m_nSub14Bytes);
    return out;
}

std::optional<Bytes> EncodeBlockGradation(unsigned char selector, BlockGradationData& rows) {
    const std::size_t n = rows.m_lstLevel.size();
    const bool equal = rows.m_lstRed.size() == n && rows.m_lstGreen.size() == n && rows.m_lstBlue.size() == n;
    if (n < 1 || !equal || n > kMaxGradationRows) {
        return std::nullopt;
    }
    Bytes out{kSubBlockGradation, selector};
    out.reserve(2 + kGradationRowBytes * n);
    for (std::size_t row = 0; row < n; ++row) {
        out.push_back(Low(TakeFront(rows.m_lstLevel)));
        PutWord(out, TakeFront(rows.m_lstRed));
        PutWord(out, TakeFront(rows.m_lstGreen));
        PutWord(out, TakeFront(rows.m_lstBlue));
    }
    return out;
}

std::optional<Bytes> EncodeBlockRGB(unsigned char first, unsigned char second, BlockRGBData& rows) {
    const std::size_t n = rows.m_lstLevel.size();
    const bool equal = std::all_of(std::begin(rows.m_lstWords), std::end(rows.m_lstWords),
                                   [n](const std::list<int>& list) { return list.size() == n; });
    if (n < 1 || !equal || n > kMaxRGBRows) {
        return std::nullopt;
    }
    Bytes out{kSubBlockRGB, first, second};
    out.reserve(3 + kRGBRowBytes * n);
    for (std::size_t row = 0; row < n; ++row) {
        out.push_back(Low(TakeFront(rows.m_lstLevel)));
        for (std::list<int>& words : rows.m_lstWords) {
            PutWord(out, TakeFront(words));
        }
    }
    return out;
}

// ---------------------------------------------------------------- get

void DecodeClockSet(const PickedReply& reply, ClockSet& clock) {
    const DataBytes d(reply, kDataAt);
    clock.m_nDay = d[0];
    clock.m_nHour = d[1];
    clock.m_nMinute = d[2];
    clock.m_nMonth = d[3];
    clock.m_nYear = d.Word(4);
    clock.m_bPm = d[6] != 0;
}

void DecodeDSTClock(const PickedReply& reply, DSTClock& clock) {
    const DataBytes d(reply, kDataAt);
    std::size_t k = 0;
    ForEachDSTByte(clock, [&](int& value) { value = d[k++]; });
    clock.m_bReplyFlag = d[12] != 0;
}

void DecodeTimerData(const PickedReply& reply, TimerData& timer) {
    const DataBytes d(reply, kDataAt);
    std::size_t k = 0;
    ForEachTimerField(timer, [&](auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>) {
            value = d[k++] != 0;
        } else {
            value = d[k++];
        }
    });
}

void DecodeMaintainanceControlStatus(const PickedReply& reply, MaintainanceControlStatus& status) {
    const DataBytes d(reply, kDataAt);
    status.m_nDataLength = reply.Length();
    status.m_bEnabled = d[0] != 0;
    for (std::size_t i = 0; i < 11; ++i) {
        status.m_nBytes1To11[i] = d[1 + i];
    }
    if (status.m_nDataLength == 21) {
        status.m_nLayout21Byte12 = d[12];
        status.m_nLayout21Byte13 = d[13];
        status.m_nSharedByte14 = d[14];
        for (std::size_t i = 0; i < 4; ++i) {
            status.m_nTail[4 + i] = d[15 + i];
        }
    } else if (status.m_nDataLength == 25) {
        status.m_nLayout25Byte12 = d[12];
        status.m_nLayout25Byte13 = d[13];
        status.m_nSharedByte14 = d[14];
        for (std::size_t i = 0; i < 8; ++i) {
            status.m_nTail[i] = d[15 + i];
        }
    }
}

void DecodeHdmiUHDColor(const PickedReply& reply, HdmiUHDColor& color) {
    auto ports = Ports(color);
    const std::size_t end = DataEnd(reply, false);
    for (std::size_t at = kSubDataAt; at + 2 <= end; at += 2) {
        const int code = reply.At(at);
        const auto entry = std::find(kPortCodes.begin(), kPortCodes.end(), code);
        if (entry == kPortCodes.end()) {
            continue; // a port this record has no entry for
        }
        const auto& port = ports[static_cast<std::size_t>(entry - kPortCodes.begin())];
        *port.code = code;
        *port.on = reply.At(at + 1) != 0;
    }
}

void DecodeDynamicPeaking(const PickedReply& reply, DynamicPeakingData& data) {
    const DataBytes d(reply, kSubDataAt);
    data.m_nByte0 = d[0];
    data.m_nByte1 = d[1];
    ReadWords(d, 2, data.m_nWords);
    data.m_nByte10 = d[10];
}

void DecodeInverseToneMapping(std::size_t index, const PickedReply& reply, InverseToneMappingData& data) {
    const DataBytes d(reply, kSubDataAt);
    switch (index) {
    case 0:
        data.m_nSub18Byte0 = d[0];
        data.m_nSub18Word1 = d.Word(1);
        data.m_nSub18Word2 = d.Word(3);
        data.m_nSub18Byte5 = d[5];
        data.m_nSub18Word3 = d.Word(6);
        break;
    case 1:
        ReadWords(d, 0, data.m_nSub19Words);
        break;
    case 2:
        ReadWords(d, 0, data.m_nSub1AWords);
        break;
    case 3:
        ReadWords(d, 0, data.m_nSub1BWords);
        break;
    default:
        break;
    }
}

void DecodeColorMapping(std::size_t index, const PickedReply& reply, ColorMappingData& data) {
    const DataBytes d(reply, kSubDataAt);
    switch (index) {
    case 0:
        ReadBytes(d, 0, data.m_nSub10Bytes);
        break;
    case 1:
        ReadWords(d, 0, data.m_nSub11Words);
        break;
    case 2:
        ReadWords(d, 0, data.m_nSub12Words);
        break;
    case 3:
        ReadBytes(d, 0, data.m_nSub13Bytes);
        break;
    case 4:
        ReadBytes(d, 0, data.m_nSub14Bytes);
        break;
    default:
        break;
    }
}

void DecodeBlockGradation(const PickedReply& reply, BlockGradationData& rows) {
    const std::size_t end = DataEnd(reply, false);
    // Rows begin behind the echoed sub-code and selector; a partial row at the end is ignored.
    for (std::size_t at = 8; at + kGradationRowBytes <= end; at += kGradationRowBytes) {
        rows.m_lstLevel.push_back(reply.At(at));
        rows.m_lstRed.push_back(reply.Word(at + 1));
        rows.m_lstGreen.push_back(reply.Word(at + 3));
        rows.m_lstBlue.push_back(reply.Word(at + 5));
    }
}

void DecodeBlockRGB(const PickedReply& reply, BlockRGBData& rows) {
    const std::size_t end = DataEnd(reply, false);
    // Rows begin behind the echoed sub-code and the two selectors.
    for (std::size_t at = 9; at + kRGBRowBytes <= end; at += kRGBRowBytes) {
        rows.m_lstLevel.push_back(reply.At(at));
        for (std::size_t w = 0; w < 9; ++w) {
            rows.m_lstWords[w].push_back(reply.Word(at + 1 + 2 * w));
        }
    }
}

void DecodeModules(const PickedReply& reply, bool longFrame, std::vector<ModuleInformation>& modules) {
    constexpr std::size_t kModuleBytes = 16;
    constexpr std::size_t kSerialBytes = 11;
    constexpr std::size_t kVersionBytes = 5;
    const std::size_t countAt = longFrame ? 8 : 7;
    const std::size_t end = DataEnd(reply, longFrame);
    const int count = reply.At(countAt);
    const auto& bytes = reply.Bytes();
    for (int i = 0; i < count; ++i) {
        const std::size_t at = countAt + 1 + kModuleBytes * static_cast<std::size_t>(i);
        if (at + kModuleBytes > end) {
            break; // the display announced more modules than it sent
        }
        ModuleInformation module;
        module.m_nIndex = i; // the display reports no number of its own: the place in its report
        module.m_strSerial =
            CZOLSystemHelper::ConvertByteToAsciiWString(bytes.data() + at, static_cast<int>(kSerialBytes));
        module.m_strVersion = CZOLSystemHelper::ConvertByteToAsciiWString(bytes.data() + at + kSerialBytes,
                                                                          static_cast<int>(kVersionBytes));
        modules.push_back(std::move(module));
    }
}

} // namespace zol::helpers::records
