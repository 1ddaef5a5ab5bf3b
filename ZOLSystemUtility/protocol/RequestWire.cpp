#include "protocol/RequestWire.h"

#include "Logger.h"
#include "ZOLCommandBuilder.h"
#include "protocol/Framing.h"
#include "protocol/PacketLayout.h"
#include "protocol/PayloadBuild.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <string>

namespace zol::payload {

namespace {

constexpr int kCompactFraming = 1;
constexpr int kFixedIdFraming = 2;

std::string Hex(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string{"0x"} + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

void Assign(std::vector<unsigned char>& out, const unsigned char* bytes, std::size_t count) {
    out.assign(bytes, bytes + count);
}

void FramedBytes(CZOLCommandBuilder& packet, const Route& route, std::vector<unsigned char>& out) {
    const unsigned char* bytes = packet.GetCommand();
    const auto length = static_cast<std::size_t>(packet.GetCommandPacketSize());
    std::array<unsigned char, kMaxPacket> scratch{};
    switch (route.framingVariant) {
    case kCompactFraming: {
        const std::size_t compact = framing::ToCompact(bytes, length, scratch.data(), scratch.size());
        if (compact == 0) {
            ZOL_LOG_WARN << "Command " << Hex(bytes[1]) << " has no compact form; nothing written";
        }
        Assign(out, scratch.data(), compact);
        return;
    }
    case kFixedIdFraming:
        Assign(out, bytes, length);
        framing::ToFixedId(out.data(), length);
        return;
    default:
        break;
    }
    if (route.relayTarget < 0) {
        Assign(out, bytes, length);
        return;
    }
    // The relay header goes in front of the request in the same write; when both would not fit, the
    // header goes alone.
    CZOLCommandBuilder relay;
    relay.MakeRelayHeader(route.relayByte, route.displayId, static_cast<unsigned char>(route.relayTarget));
    relay.AppendPacket(packet);
    Assign(out, relay.GetCommand(), static_cast<std::size_t>(relay.GetCommandPacketSize()));
}

} // namespace

bool WireBytes(const Plan& plan, const Route& route, std::vector<unsigned char>& out) {
    out.clear();
    CZOLCommandBuilder builder;
    switch (plan.frame) {
    case Frame::Empty:
        return true;
    case Frame::Bulk: {
        // Written as built: neither a framing variant nor the relay header applies to the bulk frame.
        std::unique_ptr<unsigned char, decltype(&std::free)> bulk(BuildBulk(plan, builder), &std::free);
        if (!bulk) {
            ZOL_LOG_ERROR << "No memory for a bulk frame of " << plan.Count() << " bytes";
            return false;
        }
        Assign(out, bulk.get(), static_cast<std::size_t>(builder.GetBulkPacketSize()));
        return true;
    }
    case Frame::Standard:
    case Frame::Long:
        BuildPacket(plan, builder);
        FramedBytes(builder, route, out);
        return true;
    }
    return false;
}

} // namespace zol::payload
