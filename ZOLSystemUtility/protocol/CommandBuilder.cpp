#include "ZOLCommandBuilder.h"

#include "Logger.h"
#include "protocol/PacketLayout.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr unsigned char kCodeSysHealth = 0x0D;
constexpr unsigned char kCodeLedProductInfo = 0xD0;
constexpr unsigned char kCodeRelay = 0xEE;
constexpr unsigned char kCodeBulk = 0xD1;
constexpr unsigned char kCodeFd = 0xFD;
constexpr unsigned char kCodeB8 = 0xB8;
constexpr unsigned char kCode1b = 0x1B;

// Bulk frame: header, D1, ID, two length bytes, sub-code, chunk index, chunk count, data, checksum.
constexpr int kBulkOverhead = 9;
constexpr int kBulkOffsetData = 8;

// A data block is acceptable when its length is within the frame's limit and the bytes are there.
bool DataAcceptable(const unsigned char* data, int length, int limit) {
    return length >= 0 && length <= limit && (length == 0 || data != nullptr);
}

} // namespace

CZOLCommandBuilder::CZOLCommandBuilder() noexcept
    : m_packet{}, m_pBulkPacket(nullptr), m_nPacketSize(0), m_nBulkSize(0) {}

unsigned char* CZOLCommandBuilder::GetCommand() {
    return m_packet;
}

int CZOLCommandBuilder::GetCommandPacketSize() {
    return m_nPacketSize;
}

void CZOLCommandBuilder::AppendPacket(const CZOLCommandBuilder& other) {
    if (m_nPacketSize + other.m_nPacketSize >= kPacketCapacity) {
        return;
    }
    // Source and destination never overlap, even when other is this builder: the copy lands behind the
    // bytes it comes from.
    std::memcpy(m_packet + m_nPacketSize, other.m_packet, static_cast<std::size_t>(other.m_nPacketSize));
    m_nPacketSize += other.m_nPacketSize;
}

unsigned char* CZOLCommandBuilder::MakeGetSysHealthStatusCommand(unsigned char id) {
    return MakeQuery(id, kCodeSysHealth);
}

unsigned char* CZOLCommandBuilder::MakeGetLEDProductInfoCommand(unsigned char id, unsigned char item) {
    return MakeOneByte(id, kCodeLedProductInfo, item);
}

unsigned char* CZOLCommandBuilder::MakeSetLEDProductInfoCommand(unsigned char id, unsigned char item,
                                                                unsigned char value) {
    return MakeD0TwoBytes(id, item, value);
}

void CZOLCommandBuilder::Clear() {
    std::memset(m_packet, 0, sizeof(m_packet));
    m_pBulkPacket = nullptr;
    m_nPacketSize = 0;
}

unsigned char CZOLCommandBuilder::Checksum(const unsigned char* bytes, int count) {
    if (bytes == nullptr || count < 2) {
        return 0;
    }
    unsigned int sum = 0;
    for (int i = 1; i < count; ++i) {
        sum += bytes[i];
    }
    return static_cast<unsigned char>(sum & 0xFFu);
}

unsigned char* CZOLCommandBuilder::MakeStandard(unsigned char code, unsigned char id,
                                                const unsigned char* data, int length) {
    Clear();
    if (!DataAcceptable(data, length, kMaxStandardData)) {
        ZOL_LOG_ERROR << "Refused standard packet for command " << static_cast<int>(code) << ": data length "
                      << length << (data == nullptr ? " without data" : "");
        return nullptr;
    }
    m_packet[0] = zol::kHeader;
    m_packet[zol::kOffsetCode] = code;
    m_packet[zol::kOffsetId] = id;
    m_packet[zol::kOffsetLength] = static_cast<unsigned char>(length);
    if (length > 0) {
        std::memcpy(m_packet + zol::kOffsetData, data, static_cast<std::size_t>(length));
    }
    const int checksumAt = static_cast<int>(zol::kOffsetData) + length;
    m_packet[checksumAt] = Checksum(m_packet, checksumAt);
    m_nPacketSize = length + static_cast<int>(zol::kStandardOverhead);
    return m_packet;
}

unsigned char* CZOLCommandBuilder::MakeQuery(unsigned char id, unsigned char code) {
    return MakeStandard(code, id, nullptr, 0);
}

unsigned char* CZOLCommandBuilder::MakeOneByte(unsigned char id, unsigned char code, unsigned char value) {
    return MakeStandard(code, id, &value, 1);
}

unsigned char* CZOLCommandBuilder::MakeLongOneByte(unsigned char id, unsigned char code,
                                                   unsigned char value) {
    return MakeLongCallerBytes(code, id, 1, &value);
}

unsigned char* CZOLCommandBuilder::MakeFifteenBytes(unsigned char id, unsigned char code, unsigned char b0,
                                                    unsigned char b1, unsigned char b2, unsigned char b3,
                                                    unsigned char b4, unsigned char b5, unsigned char b6,
                                                    unsigned char b7, unsigned char b8, unsigned char b9,
                                                    unsigned char b10, unsigned char b11, unsigned char b12,
                                                    unsigned char b13, unsigned char b14) {
    const std::array<unsigned char, 15> data{b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14};
    return MakeStandard(code, id, data.data(), static_cast<int>(data.size()));
}

unsigned char* CZOLCommandBuilder::MakeCallerBytes(unsigned char code, unsigned char id, int length,
                                                   const unsigned char* data) {
    return MakeStandard(code, id, data, length);
}

unsigned char* CZOLCommandBuilder::MakeLongCallerBytes(unsigned char code, unsigned char id, int length,
                                                       const unsigned char* data) {
    Clear();
    if (!DataAcceptable(data, length, kMaxLongData)) {
        ZOL_LOG_ERROR << "Refused long packet for command " << static_cast<int>(code) << ": data length "
                      << length << (data == nullptr ? " without data" : "");
        return nullptr;
    }
    constexpr int kLongOffsetData = 5;
    m_packet[0] = zol::kHeader;
    m_packet[zol::kOffsetCode] = code;
    m_packet[zol::kOffsetId] = id;
    m_packet[3] = static_cast<unsigned char>((length >> 8) & 0xFF);
    m_packet[4] = static_cast<unsigned char>(length & 0xFF);
    if (length > 0) {
        std::memcpy(m_packet + kLongOffsetData, data, static_cast<std::size_t>(length));
    }
    const int checksumAt = kLongOffsetData + length;
    m_packet[checksumAt] = Checksum(m_packet, checksumAt);
    m_nPacketSize = length + static_cast<int>(zol::kLongOverhead);
    return m_packet;
}

unsigned char* CZOLCommandBuilder::MakeRelayHeader(unsigned char relayByte, unsigned char id,
                                                   unsigned char subId) {
    const unsigned char data[] = {0x00, 0x01, 0x00, relayByte, subId};
    return MakeStandard(kCodeRelay, id, data, static_cast<int>(sizeof(data)));
}

unsigned char* CZOLCommandBuilder::MakeBulkPacket(unsigned char id, unsigned char subCode,
                                                  const unsigned char* data, int length, int chunkIndex,
                                                  int chunkCount) {
    Clear();
    if (!DataAcceptable(data, length, kMaxBulkData)) {
        ZOL_LOG_ERROR << "Refused bulk packet: data length " << length
                      << (data == nullptr ? " without data" : "");
        m_nBulkSize = 0;
        return nullptr;
    }
    const int size = length + kBulkOverhead;
    auto* bulk = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(size)));
    if (bulk == nullptr) {
        ZOL_LOG_ERROR << "No memory for a bulk packet of " << size << " bytes";
        return nullptr;
    }
    const int lengthField = length + 3; // sub-code, chunk index and chunk count count as data
    bulk[0] = zol::kHeader;
    bulk[1] = kCodeBulk;
    bulk[2] = id;
    bulk[3] = static_cast<unsigned char>((lengthField >> 8) & 0xFF);
    bulk[4] = static_cast<unsigned char>(lengthField & 0xFF);
    bulk[5] = subCode;
    bulk[6] = static_cast<unsigned char>(chunkIndex & 0xFF);
    bulk[7] = static_cast<unsigned char>(chunkCount & 0xFF);
    if (length > 0) {
        std::memcpy(bulk + kBulkOffsetData, data, static_cast<std::size_t>(length));
    }
    bulk[kBulkOffsetData + length] = Checksum(bulk, kBulkOffsetData + length);
    m_pBulkPacket = bulk;
    m_nBulkSize = size;
    return m_pBulkPacket;
}

unsigned char* CZOLCommandBuilder::GetBulkPacket() {
    return m_pBulkPacket;
}

int CZOLCommandBuilder::GetBulkPacketSize() {
    return m_nBulkSize;
}

unsigned char* CZOLCommandBuilder::MakeFdTwoBytes(unsigned char id, unsigned char a, unsigned char b) {
    const unsigned char data[] = {a, b};
    return MakeStandard(kCodeFd, id, data, 2);
}

unsigned char* CZOLCommandBuilder::MakeB8OneByte(unsigned char id, unsigned char value) {
    return MakeOneByte(id, kCodeB8, value);
}

unsigned char* CZOLCommandBuilder::Make1bTwoBytes(unsigned char id, unsigned char a, unsigned char b) {
    const unsigned char data[] = {a, b};
    return MakeStandard(kCode1b, id, data, 2);
}

unsigned char* CZOLCommandBuilder::MakeD0TwoBytes(unsigned char id, unsigned char a, unsigned char b) {
    const unsigned char data[] = {a, b};
    return MakeStandard(kCodeLedProductInfo, id, data, 2);
}

CZOLCommandBuilder* ZOLCommandFactory::CreateInstance() {
    return new (std::nothrow) CZOLCommandBuilder();
}

void ZOLCommandFactory::DeleteInstance(CZOLCommandBuilder* builder) {
    delete builder;
}
