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
    fn(t.m_nField0);
    fn(t.m_nField1);
    fn(t.m_nField2);
    fn(t.m_bField3);
    fn(t.m_nField4);
    fn(t.m_nField5);
    fn(t.m_nField6);
    fn(t.m_bField7);
    fn(t.m_nField8);
    fn(t.m_nField9);
    fn(t.m_nField10);
    fn(t.m_nField11);
    fn(t.m_nField12);
    fn(t.m_nField13);
    fn(t.m_nField14);
}

template <typename Clock, typename Fn> void ForEachDSTByte(Clock& c, Fn fn) {
    fn(c.m_nField0);
    fn(c.m_nField1);
    fn(c.m_nField2);
    fn(c.m_nField3);
    fn(c.m_nField4);
    fn(c.m_nField5);
    fn(c.m_nField6);
    fn(c.m_nField7);
    fn(c.m_nField8);
    fn(c.m_nField9);
    fn(c.m_nField10);
    fn(c.m_nField11);
}

// The five (code, flag) entries of an HdmiUHDColor in field order.
template <typename Color> auto Ports(Color& c) {
    using Code = std::conditional_t<std::is_const_v<Color>, const int*, int*>;
    using On = std::conditional_t<std::is_const_v<Color>, const bool*, bool*>;
    struct PortEntry {
        Code code;
        On on;
    };
    return std::array<PortEntry, 5>{{{&c.m_nField0, &c.m_bField1},
                                     {&c.m_nField2, &c.m_bField3},
                                     {&c.m_nField4, &c.m_bField5},
                                     {&c.m_nField6, &c.m_bField7},
                                     {&c.m_nField8, &c.m_bField9}}};
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
    return {Low(clock.m_nField2),
            Low(clock.m_nField3),
            Low(clock.m_nField4),
            Low(clock.m_nField1),
            High(clock.m_nField0),
            Low(clock.m_nField0),
            static_cast<unsigned char>(clock.m_bField5 ? 1 : 0)};
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
    Bytes out{kSubDynamicPeaking, Low(data.m_nField0), Low(data.m_nField1)};
    PutWords(out, data.m_nFields2To5);
    out.push_back(Low(data.m_nField6));
    return out;
}

std::array<Bytes, 4> EncodeInverseToneMapping(const InverseToneMappingData& data) {
    std::array<Bytes, 4> out;
    out[0] = {kSubsInverseToneMapping[0], Low(data.m_nField1)};
    PutWord(out[0], data.m_nField2);
    PutWord(out[0], data.m_nField3);
    out[0].push_back(Low(data.m_nField4));
    PutWord(out[0], data.m_nField5);
    out[1] = {kSubsInverseToneMapping[1]};
    PutWords(out[1], data.m_nFields6To10);
    out[2] = {kSubsInverseToneMapping[2]};
    PutWords(out[2], data.m_nFields11To15);
    out[3] = {kSubsInverseToneMapping[3]};
    PutWords(out[3], data.m_nFields16To20);
    return out;
}

std::array<Bytes, 5> EncodeColorMapping(const ColorMappingData& data) {
    std::array<Bytes, 5> out;
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = {kSubsColorMapping[i]};
    }
    PutBytes(out[0], data.m_nFields1To5);
    PutWords(out[1], data.m_nFields6To14);
    PutWords(out[2], data.m_nFields15To23);
    PutBytes(out[3], data.m_nFields24To35);
    PutBytes(out[4], data.m_nFields36To47);
    return out;
}

std::optional<Bytes> EncodeBlockGradation(unsigned char selector, BlockGradationData& rows) {
    const std::size_t n = rows.m_lstField0.size();
    const bool equal =
        rows.m_lstField1.size() == n && rows.m_lstField2.size() == n && rows.m_lstField3.size() == n;
    if (n < 1 || !equal || n > kMaxGradationRows) {
        return std::nullopt;
    }
    Bytes out{kSubBlockGradation, selector};
    out.reserve(2 + kGradationRowBytes * n);
    for (std::size_t row = 0; row < n; ++row) {
        out.push_back(Low(TakeFront(rows.m_lstField0)));
        PutWord(out, TakeFront(rows.m_lstField1));
        PutWord(out, TakeFront(rows.m_lstField2));
        PutWord(out, TakeFront(rows.m_lstField3));
    }
    return out;
}

std::optional<Bytes> EncodeBlockRGB(unsigned char first, unsigned char second, BlockRGBData& rows) {
    const std::size_t n = rows.m_lstField0.size();
    const bool equal = std::all_of(std::begin(rows.m_lstFields1To9), std::end(rows.m_lstFields1To9),
                                   [n](const std::list<int>& list) { return list.size() == n; });
    if (n < 1 || !equal || n > kMaxRGBRows) {
        return std::nullopt;
    }
    Bytes out{kSubBlockRGB, first, second};
    out.reserve(3 + kRGBRowBytes * n);
    for (std::size_t row = 0; row < n; ++row) {
        out.push_back(Low(TakeFront(rows.m_lstField0)));
        for (std::list<int>& words : rows.m_lstFields1To9) {
            PutWord(out, TakeFront(words));
        }
    }
    return out;
}

// ---------------------------------------------------------------- get

void DecodeClockSet(const PickedReply& reply, ClockSet& clock) {
    const DataBytes d(reply, kDataAt);
    clock.m_nField2 = d[0];
    clock.m_nField3 = d[1];
    clock.m_nField4 = d[2];
    clock.m_nField1 = d[3];
    clock.m_nField0 = d.Word(4);
    clock.m_bField5 = d[6] != 0;
}

void DecodeDSTClock(const PickedReply& reply, DSTClock& clock) {
    const DataBytes d(reply, kDataAt);
    std::size_t k = 0;
    ForEachDSTByte(clock, [&](int& value) { value = d[k++]; });
    clock.m_bField12 = d[12] != 0;
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
    status.m_nField0 = reply.Length();
    status.m_bField1 = d[0] != 0;
    for (std::size_t i = 0; i < 11; ++i) {
        status.m_nFields2To12[i] = d[1 + i];
    }
    if (status.m_nField0 == 21) {
        status.m_nField13 = d[12];
        status.m_nField14 = d[13];
        status.m_nField15 = d[14];
        for (std::size_t i = 0; i < 4; ++i) {
            status.m_nFields18To25[4 + i] = d[15 + i];
        }
    } else if (status.m_nField0 == 25) {
        status.m_nField16 = d[12];
        status.m_nField17 = d[13];
        status.m_nField15 = d[14];
        for (std::size_t i = 0; i < 8; ++i) {
            status.m_nFields18To25[i] = d[15 + i];
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
    data.m_nField0 = d[0];
    data.m_nField1 = d[1];
    ReadWords(d, 2, data.m_nFields2To5);
    data.m_nField6 = d[10];
}

void DecodeInverseToneMapping(std::size_t index, const PickedReply& reply, InverseToneMappingData& data) {
    const DataBytes d(reply, kSubDataAt);
    switch (index) {
    case 0:
        data.m_nField1 = d[0];
        data.m_nField2 = d.Word(1);
        data.m_nField3 = d.Word(3);
        data.m_nField4 = d[5];
        data.m_nField5 = d.Word(6);
        break;
    case 1:
        ReadWords(d, 0, data.m_nFields6To10);
        break;
    case 2:
        ReadWords(d, 0, data.m_nFields11To15);
        break;
    case 3:
        ReadWords(d, 0, data.m_nFields16To20);
        break;
    default:
        break;
    }
}

void DecodeColorMapping(std::size_t index, const PickedReply& reply, ColorMappingData& data) {
    const DataBytes d(reply, kSubDataAt);
    switch (index) {
    case 0:
        ReadBytes(d, 0, data.m_nFields1To5);
        break;
    case 1:
        ReadWords(d, 0, data.m_nFields6To14);
        break;
    case 2:
        ReadWords(d, 0, data.m_nFields15To23);
        break;
    case 3:
        ReadBytes(d, 0, data.m_nFields24To35);
        break;
    case 4:
        ReadBytes(d, 0, data.m_nFields36To47);
        break;
    default:
        break;
    }
}

void DecodeBlockGradation(const PickedReply& reply, BlockGradationData& rows) {
    const std::size_t end = DataEnd(reply, false);
    // Rows begin behind the echoed sub-code and selector; a partial row at the end is ignored.
    for (std::size_t at = 8; at + kGradationRowBytes <= end; at += kGradationRowBytes) {
        rows.m_lstField0.push_back(reply.At(at));
        rows.m_lstField1.push_back(reply.Word(at + 1));
        rows.m_lstField2.push_back(reply.Word(at + 3));
        rows.m_lstField3.push_back(reply.Word(at + 5));
    }
}

void DecodeBlockRGB(const PickedReply& reply, BlockRGBData& rows) {
    const std::size_t end = DataEnd(reply, false);
    // Rows begin behind the echoed sub-code and the two selectors.
    for (std::size_t at = 9; at + kRGBRowBytes <= end; at += kRGBRowBytes) {
        rows.m_lstField0.push_back(reply.At(at));
        for (std::size_t w = 0; w < 9; ++w) {
            rows.m_lstFields1To9[w].push_back(reply.Word(at + 1 + 2 * w));
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
        module.m_nField0 = i; // the display reports no number of its own: the place in its report
        module.m_strField1 =
            CZOLSystemHelper::ConvertByteToAsciiWString(bytes.data() + at, static_cast<int>(kSerialBytes));
        module.m_strField2 = CZOLSystemHelper::ConvertByteToAsciiWString(bytes.data() + at + kSerialBytes,
                                                                         static_cast<int>(kVersionBytes));
        modules.push_back(std::move(module));
    }
}

} // namespace zol::helpers::records
