// The basic helper: register and table packets for the display's controller.

#include "helpers/BasicHelper.h"

#include "ILFDData.h"
#include "Logger.h"
#include "ZOLCommandHandler.h"
#include "platform/Pause.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

namespace zol::helpers {

namespace {

constexpr unsigned char kRegisterCommand = 0xE1;
constexpr unsigned char kTableCommand = 0xE2;
constexpr unsigned char kBlockMode = 0x92;
constexpr unsigned char kWideValues = 0x10;
constexpr unsigned char kAck = 'A';
constexpr std::size_t kMaxLength = 195; // the length byte counts the access mode and the data
constexpr int kDefaultTimeoutMs = 2000;
constexpr int kRetryGapMs = 1000;
constexpr int kPageWords = 4032;
constexpr int kBlockPacketWords = 32;
constexpr int kMaxBlockRestarts = 4;

// Restarts of a block whose last packet was refused, for the whole process: a display that keeps
// refusing is not asked forever.
std::atomic<int> g_blockRestarts{0};

bool Wide(unsigned char accessMode) {
    return (accessMode & kWideValues) != 0;
}

void PutWord(std::vector<unsigned char>& out, int value) {
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
    out.push_back(static_cast<unsigned char>(value & 0xFF));
}

void PutValue(std::vector<unsigned char>& out, int value, bool wide) {
    if (wide) {
        PutWord(out, value);
    } else {
        out.push_back(static_cast<unsigned char>(value & 0xFF));
    }
}

bool Acknowledged(const ReplyBuffer& reply) {
    return reply[4] == kAck;
}

// Value bytes of a register reply: reply byte 3 counts 'A', the command echo and the access mode too.
int ReplyValueBytes(const ReplyBuffer& reply) {
    return std::max(0, static_cast<int>(reply[3]) - 3);
}

} // namespace

bool CommunicationHelper::Attach(IZOLCommandHandler* handler, ILFDData* record, IZOLCommand* command) {
    m_pHandler = handler;
    m_pRecord = record;
    m_pCommand = command;
    m_byLinkFlag = 0;
    return true;
}

bool CommunicationHelper::SendPacket(unsigned char command, unsigned char accessMode,
                                     const unsigned char* data, std::size_t dataLength, ReplyBuffer& reply,
                                     int timeoutMs, bool acceptFirst) {
    if (m_pHandler == nullptr || m_pRecord == nullptr) {
        ZOL_LOG_ERROR << "Register packet without a handler or record";
        return false;
    }
    const std::size_t n = dataLength + 1;
    if (n > kMaxLength || (dataLength > 0 && data == nullptr)) {
        ZOL_LOG_ERROR << "Register packet of " << static_cast<int>(n) << " bytes refused";
        return false;
    }
    std::array<unsigned char, kMaxLength + 5> packet{};
    packet[0] = 0xAA;
    packet[1] = command;
    packet[2] = static_cast<unsigned char>(m_pRecord->GetDisplayId());
    packet[3] = static_cast<unsigned char>(n);
    packet[4] = accessMode;
    std::copy_n(data, dataLength, packet.begin() + 5);
    unsigned sum = 0;
    for (std::size_t i = 1; i <= n + 3; ++i) {
        sum += packet[i];
    }
    packet[n + 4] = static_cast<unsigned char>(sum & 0xFF);

    // TransferPacket converts the packet in place to the framing variant: every attempt gets a fresh copy.
    auto attempt = [&] {
        auto copy = packet;
        return m_pHandler->TransferPacket(m_pRecord, m_pCommand, copy.data(), static_cast<unsigned>(n + 5),
                                          reply.data(), timeoutMs, acceptFirst, 0);
    };
    bool sent = attempt();
    for (unsigned i = 0, retries = m_pHandler->GetRetryCount(); !sent && i < retries; ++i) {
        platform::Pause(kRetryGapMs);
        sent = attempt();
    }
    return Acknowledged(reply);
}

bool CommunicationHelper::SendReadPacket(unsigned char accessMode, const unsigned char* data,
                                         std::size_t dataLength, ReplyBuffer& reply) {
    if (SendPacket(kRegisterCommand, accessMode, data, dataLength, reply, kDefaultTimeoutMs, false)) {
        return true;
    }
    platform::Pause(350);
    reply.fill(0);
    return SendPacket(kRegisterCommand, accessMode, data, dataLength, reply, kDefaultTimeoutMs, false);
}

bool CommunicationHelper::WriteRegister(int address, unsigned char accessMode, int value, bool /*serial*/) {
    std::vector<unsigned char> data;
    PutWord(data, address);
    PutValue(data, value, Wide(accessMode));
    ReplyBuffer reply{};
    return SendPacket(kRegisterCommand, accessMode, data.data(), data.size(), reply, kDefaultTimeoutMs,
                      false);
}

bool CommunicationHelper::WriteRange(int startAddress, unsigned char accessMode, const int* values, int count,
                                     int timeoutMs) {
    if (values == nullptr || count <= 0) {
        ZOL_LOG_ERROR << "WriteRange without values (" << count << ")";
        return false;
    }
    const bool wide = Wide(accessMode);
    const int perPacket = wide ? 32 : 64;
    bool result = false;
    for (int done = 0; done < count; done += perPacket) {
        if (done > 0) {
            platform::Pause(100);
        }
        const int n = std::min(perPacket, count - done);
        std::vector<unsigned char> data;
        PutWord(data, startAddress + done);
        for (int i = 0; i < n; ++i) {
            PutValue(data, values[done + i], wide);
        }
        ReplyBuffer reply{};
        result = SendPacket(kRegisterCommand, accessMode, data.data(), data.size(), reply, timeoutMs, false);
    }
    return result;
}

bool CommunicationHelper::WriteShortRange(const int* addresses, unsigned char accessMode, const int* values,
                                          int count, int timeoutMs) {
    const bool wide = Wide(accessMode);
    const int limit = wide ? 16 : 32;
    if (addresses == nullptr || values == nullptr || count <= 0 || count > limit) {
        ZOL_LOG_ERROR << "WriteShortRange refused: " << count << " registers, at most " << limit;
        return false;
    }
    std::vector<unsigned char> data;
    PutWord(data, addresses[0]);
    for (int i = 0; i < count; ++i) {
        PutValue(data, values[i], wide);
    }
    ReplyBuffer reply{};
    return SendPacket(kRegisterCommand, accessMode, data.data(), data.size(), reply, timeoutMs, false);
}

bool CommunicationHelper::WriteRawBlock(int address, const unsigned short* words, int count,
                                        unsigned char* replyOut) {
    if (words == nullptr || count <= 0) {
        ZOL_LOG_ERROR << "WriteRawBlock without words (" << count << ")";
        return false;
    }
    const int packets = (count + kBlockPacketWords - 1) / kBlockPacketWords;
    ReplyBuffer reply{};
    bool result = false;
    for (int p = 0; p < packets; ++p) {
        const int first = p * kBlockPacketWords;
        const int n = std::min(kBlockPacketWords, count - first);
        std::vector<unsigned char> data;
        const int toCome = packets - 1 - p;
        data.push_back(static_cast<unsigned char>(p == 0 ? (toCome | 0x80) : toCome));
        if (p == 0) {
            PutWord(data, address);
        }
        for (int i = 0; i < n; ++i) {
            PutWord(data, words[first + i]);
        }
        reply.fill(0);
        result = SendPacket(kRegisterCommand, kBlockMode, data.data(), data.size(), reply, kDefaultTimeoutMs,
                            false);
    }
    if (replyOut != nullptr) {
        std::copy(reply.begin(), reply.end(), replyOut);
    }
    return result;
}

bool CommunicationHelper::WriteBlockPage(int startAddress, const unsigned short* words, int pageWords,
                                         bool fast, ReplyBuffer& reply, bool& firstAcknowledged) {
    const int packets = (pageWords + kBlockPacketWords - 1) / kBlockPacketWords;
    bool result = false;
    firstAcknowledged = false;
    for (int p = 0; p < packets; ++p) {
        const int first = p * kBlockPacketWords;
        const int n = std::min(kBlockPacketWords, pageWords - first);
        const int toCome = packets - 1 - p;
        std::vector<unsigned char> data;
        data.push_back(static_cast<unsigned char>(p == 0 ? (toCome | 0x80) : toCome));
        if (p == 0) {
            PutWord(data, startAddress);
        }
        for (int i = 0; i < n; ++i) {
            PutWord(data, words[first + i]);
        }
        const bool last = p == packets - 1;
        int timeoutMs = kDefaultTimeoutMs;
        if (p > 0 && !last) {
            timeoutMs = fast ? 2000 : 50;
        } else if (p > 0 && last) {
            platform::Pause(fast ? 2000 : 500);
            timeoutMs = fast ? 2000 : 2500;
        }
        reply.fill(0);
        result = SendPacket(kRegisterCommand, kBlockMode, data.data(), data.size(), reply, timeoutMs, false);
        if (p == 0) {
            for (unsigned i = 0, retries = m_pHandler->GetRetryCount(); !result && i < retries; ++i) {
                platform::Pause(kRetryGapMs);
                reply.fill(0);
                result = SendPacket(kRegisterCommand, kBlockMode, data.data(), data.size(), reply, timeoutMs,
                                    false);
            }
            if (!result) {
                ZOL_LOG_WARN << "Block page at " << startAddress << " not acknowledged";
                return false;
            }
            firstAcknowledged = true;
        }
        if (last) {
            platform::Pause(80);
        }
    }
    return result;
}

bool CommunicationHelper::WriteBlock(int startAddress, const unsigned short* words, int count, bool fast) {
    if (words == nullptr || count <= 0 || m_pHandler == nullptr) {
        ZOL_LOG_ERROR << "WriteBlock without words (" << count << ")";
        return false;
    }
    const int pages = count / kPageWords + (count % kPageWords != 0 ? 1 : 0);
    bool result = false;
    for (int page = 0; page < pages; ++page) {
        const int pageWords =
            (page == pages - 1 && count % kPageWords != 0) ? count % kPageWords : kPageWords;
        ReplyBuffer reply{};
        bool firstAcknowledged = false;
        // Every page starts at the given address with the first words: callers pass short blocks.
        result = WriteBlockPage(startAddress, words, pageWords, fast, reply, firstAcknowledged);
        if (!firstAcknowledged) {
            return false;
        }
        if (result) {
            continue;
        }
        if (reply[6] == 2) {
            for (int i = 0; i < 3 && !result; ++i) {
                result = WriteRawBlock(startAddress, words, pageWords, nullptr);
            }
        } else if (g_blockRestarts.fetch_add(1) < kMaxBlockRestarts) {
            result = WriteBlock(startAddress, words, pageWords, false);
        }
    }
    return result;
}

bool CommunicationHelper::WriteTable(int tableKind, const int* values, int entryCount, bool serial) {
    static constexpr int kSizes[] = {8, 16, 32, 64, 128, 256};
    const auto size = std::find(std::begin(kSizes), std::end(kSizes), entryCount);
    if (values == nullptr || size == std::end(kSizes) || tableKind < 0 || tableKind > 2) {
        ZOL_LOG_ERROR << "WriteTable refused: kind " << tableKind << ", " << entryCount << " entries";
        return false;
    }
    const auto configuration = static_cast<unsigned char>(tableKind * 64 + (size - std::begin(kSizes)) * 8);
    const int step = 256 / entryCount;
    std::vector<unsigned char> bytes;
    for (int i = 0; i < entryCount; ++i) {
        PutWord(bytes, values[std::min(i * step, 255)]);
    }
    constexpr std::size_t kPerPacket = 128;
    bool result = false;
    for (std::size_t at = 0; at < bytes.size(); at += kPerPacket) {
        const std::size_t n = std::min(kPerPacket, bytes.size() - at);
        ReplyBuffer reply{};
        // A serial line takes the first reply that comes (with a longer wait for a retried packet); on
        // Ethernet the first packet waits 2000 ms and the rest 500 ms.
        if (serial) {
            result = SendPacket(kTableCommand, configuration, bytes.data() + at, n, reply, 1000, true);
            if (!result) {
                reply.fill(0);
                result = SendPacket(kTableCommand, configuration, bytes.data() + at, n, reply, 1500, true);
            }
        } else {
            result = SendPacket(kTableCommand, configuration, bytes.data() + at, n, reply,
                                at == 0 ? 2000 : 500, false);
        }
        platform::Pause(at + n < bytes.size() ? 50 : 80);
    }
    return result;
}

bool CommunicationHelper::WriteRegisterList(const int* addresses, unsigned char accessMode, const int* values,
                                            int count, bool /*serial*/) {
    const bool wide = Wide(accessMode);
    const int perRegister = wide ? 4 : 3;
    if (addresses == nullptr || values == nullptr || count <= 0 ||
        static_cast<std::size_t>(count) * static_cast<std::size_t>(perRegister) > kMaxLength - 1) {
        ZOL_LOG_ERROR << "WriteRegisterList refused: " << count << " registers";
        return false;
    }
    std::vector<unsigned char> data;
    for (int i = 0; i < count; ++i) {
        PutWord(data, addresses[i]);
        PutValue(data, values[i], wide);
    }
    ReplyBuffer reply{};
    return SendPacket(kRegisterCommand, accessMode, data.data(), data.size(), reply, kDefaultTimeoutMs,
                      false);
}

bool CommunicationHelper::ReadRegisterList(const int* addresses, unsigned char accessMode, int* destination,
                                           int count, bool /*ethernet*/) {
    if (addresses == nullptr || destination == nullptr || count <= 0 ||
        static_cast<std::size_t>(count) * 2 > kMaxLength - 1) {
        ZOL_LOG_ERROR << "ReadRegisterList refused: " << count << " registers";
        return false;
    }
    std::vector<unsigned char> data;
    for (int i = 0; i < count; ++i) {
        PutWord(data, addresses[i]);
    }
    ReplyBuffer reply{};
    if (!SendPacket(kRegisterCommand, accessMode, data.data(), data.size(), reply, kDefaultTimeoutMs,
                    false)) {
        return false;
    }
    const int m = ReplyValueBytes(reply);
    const bool wide = Wide(accessMode);
    const int values = std::min(wide ? m / 2 : m, count);
    for (int i = 0; i < values; ++i) {
        destination[i] = wide ? (reply[7 + 2 * i] << 8) | reply[8 + 2 * i] : reply[7 + i];
    }
    return true;
}

bool CommunicationHelper::ReadRegister(int address, unsigned char accessMode, unsigned char* destination,
                                       bool /*ethernet*/) {
    std::vector<unsigned char> data;
    PutWord(data, address);
    ReplyBuffer reply{};
    const bool result = SendReadPacket(accessMode, data.data(), data.size(), reply);
    if (result && destination != nullptr) {
        // The caller's buffer holds one register: two bytes at most.
        std::copy_n(reply.begin() + 7, std::min(ReplyValueBytes(reply), Wide(accessMode) ? 2 : 1),
                    destination);
    }
    return result;
}

bool CommunicationHelper::ReadRegisters(int startAddress, unsigned char accessMode,
                                        unsigned char* destination, int count, bool /*ethernet*/) {
    if (destination == nullptr || count <= 0) {
        ZOL_LOG_ERROR << "ReadRegisters without destination (" << count << ")";
        return false;
    }
    const bool wide = Wide(accessMode);
    const int perPacket = wide ? 32 : 64;
    const int bytesPerValue = wide ? 2 : 1;
    bool result = false;
    int address = startAddress;
    for (int done = 0; done < count; done += perPacket) {
        const int n = std::min(perPacket, count - done);
        std::vector<unsigned char> data;
        PutWord(data, address);
        data.push_back(static_cast<unsigned char>(n));
        ReplyBuffer reply{};
        result = SendPacket(kRegisterCommand, accessMode, data.data(), data.size(), reply, kDefaultTimeoutMs,
                            false);
        platform::Pause(100);
        if (!result) {
            for (unsigned i = 0, retries = m_pHandler->GetRetryCount(); !result && i < retries; ++i) {
                platform::Pause(kRetryGapMs);
                result = SendPacket(kRegisterCommand, accessMode, data.data(), data.size(), reply,
                                    kDefaultTimeoutMs, false);
            }
            if (!result) {
                platform::Pause(350);
                reply.fill(0);
                result = SendPacket(kRegisterCommand, accessMode, data.data(), data.size(), reply,
                                    kDefaultTimeoutMs, false);
            }
        }
        if (result) {
            const int bytes = std::min(n * bytesPerValue, ReplyValueBytes(reply));
            std::copy_n(reply.begin() + 7, bytes, destination + done * bytesPerValue);
        }
        address += n;
    }
    return result;
}

} // namespace zol::helpers

ICommunicationHelper* ICommunicationHelperFactory::CreateInstance(bool serial) {
    if (serial) {
        return new (std::nothrow) zol::helpers::CommunicationHelperSerial();
    }
    return new (std::nothrow) zol::helpers::CommunicationHelperEthernet();
}
