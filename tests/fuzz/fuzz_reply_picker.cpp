// The reply picker and the packet splitter of the raw roads, and the record decoders fed with what they
// pick (the TimerData and DSTClock records are scanned from such a stream).
//
// Input: display ID, command, sub-code (0xFF: none), then the received stream.
// Invariants: a picked packet is a piece of the stream that starts with AA FF, is from the display,
// echoes the command (and sub-code) and is at most 2048 bytes; every split packet is a piece of the stream
// whose checksum holds and whose size is its length byte + 5; decoders append no more rows than the
// packet has bytes for, and keep the row lists of a block record the same length.

#include "FuzzSupport.h"

#include "helpers/DataRecordCodec.h"
#include "helpers/ReplyPicker.h"

#include <algorithm>

namespace {

using zol::fuzz::Bytes;
namespace records = zol::helpers::records;

bool IsPieceOf(const Bytes& piece, const Bytes& stream) {
    return std::search(stream.begin(), stream.end(), piece.begin(), piece.end()) != stream.end();
}

void DecodeEveryRecord(const zol::helpers::PickedReply& packet) {
    ClockSet clock{};
    records::DecodeClockSet(packet, clock);
    DSTClock dst{};
    records::DecodeDSTClock(packet, dst);
    TimerData timer{};
    records::DecodeTimerData(packet, timer);
    MaintainanceControlStatus maintenance{};
    records::DecodeMaintainanceControlStatus(packet, maintenance);
    HdmiUHDColor color{};
    records::DecodeHdmiUHDColor(packet, color);
    DynamicPeakingData peaking{};
    records::DecodeDynamicPeaking(packet, peaking);
    InverseToneMappingData toneMapping{};
    ColorMappingData colorMapping{};
    for (std::size_t i = 0; i < 5; ++i) {
        if (i < 4)
            records::DecodeInverseToneMapping(i, packet, toneMapping);
        records::DecodeColorMapping(i, packet, colorMapping);
    }

    BlockGradationData gradation;
    records::DecodeBlockGradation(packet, gradation);
    ZOL_FUZZ_CHECK(gradation.m_lstField0.size() * records::kGradationRowBytes <= packet.Size());
    ZOL_FUZZ_CHECK(gradation.m_lstField1.size() == gradation.m_lstField0.size() &&
                   gradation.m_lstField2.size() == gradation.m_lstField0.size() &&
                   gradation.m_lstField3.size() == gradation.m_lstField0.size());
    BlockRGBData rgb;
    records::DecodeBlockRGB(packet, rgb);
    ZOL_FUZZ_CHECK(rgb.m_lstField0.size() * records::kRGBRowBytes <= packet.Size());
    for (const auto& words : rgb.m_lstFields1To9)
        ZOL_FUZZ_CHECK(words.size() == rgb.m_lstField0.size());

    for (bool longFrame : {false, true}) {
        std::vector<ModuleInformation> modules;
        records::DecodeModules(packet, longFrame, modules);
        ZOL_FUZZ_CHECK(modules.size() * 16 <= packet.Size());
        ZOL_FUZZ_CHECK(modules.size() <= packet.At(longFrame ? 8 : 7));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    const unsigned char id = input.Byte();
    const unsigned char command = input.Byte();
    const unsigned char sub = input.Byte();
    const int subCode = sub == 0xFF ? zol::helpers::kNoSubCode : sub;
    const Bytes stream = input.Rest();

    const auto picked = zol::helpers::PickReply(stream.data(), stream.size(), id, command, subCode);
    if (picked) {
        const Bytes& bytes = picked->Bytes();
        const std::size_t commandAt = command == 0xD2 ? 6 : 5;
        ZOL_FUZZ_CHECK(bytes.size() > commandAt && bytes.size() <= 2048);
        ZOL_FUZZ_CHECK(bytes[0] == 0xAA && bytes[1] == 0xFF && bytes[2] == id && bytes[commandAt] == command);
        if (subCode != zol::helpers::kNoSubCode)
            ZOL_FUZZ_CHECK(bytes.size() > commandAt + 1 && bytes[commandAt + 1] == sub);
        ZOL_FUZZ_CHECK(IsPieceOf(bytes, stream));
        ZOL_FUZZ_CHECK(picked->At(bytes.size()) == 0 && picked->At(static_cast<std::size_t>(-1)) == 0);
        DecodeEveryRecord(*picked);
    }

    for (const Bytes& packet : zol::helpers::SplitPackets(stream.data(), stream.size())) {
        ZOL_FUZZ_CHECK(packet.size() >= 5 && packet.size() == static_cast<std::size_t>(packet[3]) + 5);
        ZOL_FUZZ_CHECK(packet[0] == 0xAA && packet[1] == 0xFF);
        ZOL_FUZZ_CHECK(zol::fuzz::Sum(packet, 1, packet.size() - 1) == packet.back());
        ZOL_FUZZ_CHECK(IsPieceOf(packet, stream));
        DecodeEveryRecord(zol::helpers::PickedReply(packet));
    }
    return 0;
}
