#include "helpers/DataRecordTransfers.h"

#include "CommunicationHelperExtended.h"
#include "ILFDData.h"
#include "Logger.h"
#include "ZOLCommandHandler.h"
#include "helpers/DataRecordCodec.h"
#include "helpers/ReplyPicker.h"

#include <cstdlib>
#include <memory>
#include <optional>

namespace zol::helpers::records {

namespace {

constexpr unsigned char kClock = 0xA7;
constexpr unsigned char kDst = 0xB6;
constexpr unsigned char kTimer = 0xA4;
constexpr unsigned char kMaintenance = 0x08;
constexpr unsigned char kCommand21 = 0x21;
constexpr unsigned char kProduct = 0xD0;
constexpr unsigned char kLongProduct = 0xD2;

struct FreeBytes {
    void operator()(unsigned char* bytes) const { std::free(bytes); }
};
using ReplyBuffer = std::unique_ptr<unsigned char, FreeBytes>;

bool Usable(const RecordRoad& road) {
    return road.handler != nullptr && road.record != nullptr;
}

// A record operation runs only with a record to fill or send and a display to talk to.
bool Usable(const RecordRoad& road, const void* record) {
    if (record == nullptr) {
        ZOL_LOG_ERROR << "Record operation without a record: nothing sent";
        return false;
    }
    return Usable(road);
}

int Execute(const RecordRoad& road, unsigned char code, const Bytes& data) {
    return static_cast<int>(road.handler->Execute(road.record, code, static_cast<int>(data.size()),
                                                  data.data(), road.command, nullptr, true));
}

// The whole received stream of an ExecuteWithReply (empty when nothing came back).
struct Received {
    ReplyBuffer bytes;
    unsigned int length = 0;
};
Received ExecuteWithReply(const RecordRoad& road, unsigned char code, const Bytes& data) {
    Received received;
    received.bytes.reset(road.handler->ExecuteWithReply(road.record, code, static_cast<int>(data.size()),
                                                        data.data(), &received.length, true));
    if (!received.bytes) {
        received.length = 0;
    }
    return received;
}

// The reply picker's packet for this display and command, when it is an acknowledgement.
std::optional<PickedReply> AckedReply(const RecordRoad& road, unsigned char code, const Bytes& data,
                                      int subCode) {
    const Received received = ExecuteWithReply(road, code, data);
    auto picked =
        PickReply(received.bytes.get(), received.length, road.record->GetDisplayId(), code, subCode);
    if (!picked || !picked->Ack()) {
        return std::nullopt;
    }
    return picked;
}

// The first well-formed acknowledgement of this command anywhere in the received stream: the clock and
// timer replies may arrive behind other packets of the same exchange.
std::optional<PickedReply> ScannedReply(const RecordRoad& road, unsigned char code) {
    const Received received = ExecuteWithReply(road, code, {});
    for (auto& packet : SplitPackets(received.bytes.get(), received.length)) {
        if (packet.size() > 5 && packet[4] == 'A' && packet[5] == code) {
            return PickedReply(std::move(packet));
        }
    }
    return std::nullopt;
}

// Sends each request in turn and stops at the first one that fails; the last status is the result.
template <std::size_t N> int ExecuteAll(const RecordRoad& road, const std::array<Bytes, N>& requests) {
    int status = 0;
    for (const Bytes& data : requests) {
        status = Execute(road, kCommand21, data);
        if (status == 0) {
            break;
        }
    }
    return status;
}

// Reads one reply per sub-code into a working copy; the caller's record changes only when all came.
template <typename Record, std::size_t N, typename Decode>
int GetEach(const RecordRoad& road, const std::array<unsigned char, N>& subs, Record* out, Decode decode) {
    Record working = *out;
    for (std::size_t i = 0; i < N; ++i) {
        const auto reply = AckedReply(road, kCommand21, {subs[i]}, subs[i]);
        if (!reply) {
            return 0;
        }
        decode(i, *reply, working);
    }
    *out = working;
    return 1;
}

template <typename Record, typename Decode>
int GetSingle(const RecordRoad& road, Record* out, unsigned char code, const Bytes& data, int subCode,
              Decode decode) {
    if (!Usable(road, out)) {
        return 0;
    }
    const auto reply = AckedReply(road, code, data, subCode);
    if (!reply) {
        return 0;
    }
    decode(*reply, *out);
    return 1;
}

template <typename Record, typename Decode>
int GetScanned(const RecordRoad& road, Record* out, unsigned char code, Decode decode) {
    if (!Usable(road, out)) {
        return 0;
    }
    const auto reply = ScannedReply(road, code);
    if (!reply) {
        return 0;
    }
    decode(*reply, *out);
    return 1;
}

} // namespace

int GetClockSet(const RecordRoad& road, ClockSet* clock) {
    return GetSingle(road, clock, kClock, {}, kNoSubCode, DecodeClockSet);
}

int SetClockSet(const RecordRoad& road, const ClockSet* clock) {
    return Usable(road, clock) ? Execute(road, kClock, EncodeClockSet(*clock)) : 0;
}

int GetDSTClock(const RecordRoad& road, DSTClock* clock) {
    return GetScanned(road, clock, kDst, DecodeDSTClock);
}

int SetDSTClock(const RecordRoad& road, const DSTClock* clock) {
    return Usable(road, clock) ? Execute(road, kDst, EncodeDSTClock(*clock)) : 0;
}

int GetTimerData(const RecordRoad& road, TimerData* timer) {
    return GetScanned(road, timer, kTimer, DecodeTimerData);
}

int SetTimerData(const RecordRoad& road, const TimerData* timer) {
    return Usable(road, timer) ? Execute(road, kTimer, EncodeTimerData(*timer)) : 0;
}

// The maintenance reply is read as it comes back: its length byte tells which layout it has.
int GetMaintainanceControlStatus(const RecordRoad& road, MaintainanceControlStatus* status) {
    if (!Usable(road, status)) {
        return 0;
    }
    const Received received = ExecuteWithReply(road, kMaintenance, {});
    if (!received.bytes) {
        return 0;
    }
    const PickedReply reply(Bytes(received.bytes.get(), received.bytes.get() + received.length));
    if (!reply.Ack() || reply.At(5) != kMaintenance) {
        return 0;
    }
    DecodeMaintainanceControlStatus(reply, *status);
    return 1;
}

int GetHdmiUHDColor(const RecordRoad& road, HdmiUHDColor* color) {
    return GetSingle(road, color, kCommand21, {kSubHdmiUHDColor}, kSubHdmiUHDColor, DecodeHdmiUHDColor);
}

int SetHdmiUHDColor(const RecordRoad& road, const HdmiUHDColor* color) {
    if (!Usable(road, color)) {
        return 0;
    }
    return Execute(road, kCommand21, EncodeHdmiUHDColor(*color, road.record->GetModelCode()));
}

int GetDynamicPeakingData(const RecordRoad& road, DynamicPeakingData* data) {
    if (!Usable(road, data)) {
        return 0;
    }
    data->m_nField7 = road.record->GetValue21x04();
    return GetSingle(road, data, kCommand21, {kSubDynamicPeaking}, kSubDynamicPeaking, DecodeDynamicPeaking);
}

// The value that travels ahead of a record goes through its own operation, which knows the displays that
// have it; when that operation sends nothing the record's own commands still go.
int SetDynamicPeakingData(const RecordRoad& road, const DynamicPeakingData* data) {
    if (!Usable(road, data)) {
        return 0;
    }
    if (road.owner != nullptr) {
        road.owner->SetCommand21Sub04(data->m_nField7);
    }
    return Execute(road, kCommand21, EncodeDynamicPeaking(*data));
}

int GetInverseToneMappingData(const RecordRoad& road, InverseToneMappingData* data) {
    if (!Usable(road, data)) {
        return 0;
    }
    data->m_nField0 = road.record->GetValue21x03() ? 1 : 0;
    return GetEach(road, kSubsInverseToneMapping, data, DecodeInverseToneMapping);
}

int SetInverseToneMappingData(const RecordRoad& road, const InverseToneMappingData* data) {
    if (!Usable(road, data)) {
        return 0;
    }
    if (road.owner != nullptr) {
        road.owner->SetCommand21Sub03(data->m_nField0 & 0xFF);
    }
    return ExecuteAll(road, EncodeInverseToneMapping(*data));
}

int GetColorMappingData(const RecordRoad& road, ColorMappingData* data) {
    if (!Usable(road, data)) {
        return 0;
    }
    data->m_nField0 = road.record->GetValue21x05() ? 1 : 0;
    return GetEach(road, kSubsColorMapping, data, DecodeColorMapping);
}

int SetColorMappingData(const RecordRoad& road, const ColorMappingData* data) {
    if (!Usable(road, data)) {
        return 0;
    }
    if (road.owner != nullptr) {
        road.owner->SetCommand21Sub05(data->m_nField0);
    }
    return ExecuteAll(road, EncodeColorMapping(*data));
}

int GetModuleInformation(const RecordRoad& road, std::vector<ModuleInformation>* modules) {
    if (!Usable(road, modules)) {
        return 0;
    }
    const bool longFrame = road.record->IsSupportedModuleInformation();
    const unsigned char code = longFrame ? kLongProduct : kProduct;
    const unsigned char sub = longFrame ? kSubModulesD2 : kSubModulesD0;
    const auto reply = AckedReply(road, code, {sub}, kNoSubCode);
    if (!reply) {
        return 0;
    }
    DecodeModules(*reply, longFrame, *modules);
    return 1;
}

int GetBlockGradationData(const RecordRoad& road, unsigned char selector, BlockGradationData* rows) {
    return GetSingle(road, rows, kProduct, {kSubBlockGradation, selector}, kSubBlockGradation,
                     DecodeBlockGradation);
}

int SetBlockGradationData(const RecordRoad& road, unsigned char selector, BlockGradationData rows) {
    if (!Usable(road)) {
        return 0;
    }
    const auto data = EncodeBlockGradation(selector, rows);
    if (!data) {
        ZOL_LOG_WARN << "Block gradation not sent: rows missing, of unequal length or more than "
                     << static_cast<int>(kMaxGradationRows);
        return 0;
    }
    return Execute(road, kProduct, *data);
}

int GetBlockRGBData(const RecordRoad& road, unsigned char first, unsigned char second, BlockRGBData* rows) {
    Bytes request{kSubBlockRGB, first, second};
    for (unsigned char item = 0x01; item <= 0x0C; ++item) {
        request.push_back(item);
    }
    return GetSingle(road, rows, kProduct, request, kSubBlockRGB, DecodeBlockRGB);
}

int SetBlockRGBData(const RecordRoad& road, unsigned char first, unsigned char second, BlockRGBData rows) {
    if (!Usable(road)) {
        return 0;
    }
    const auto data = EncodeBlockRGB(first, second, rows);
    if (!data) {
        ZOL_LOG_WARN << "Block colours not sent: rows missing, of unequal length or more than "
                     << static_cast<int>(kMaxRGBRows);
        return 0;
    }
    return Execute(road, kProduct, *data);
}

} // namespace zol::helpers::records
