// The roads that write packets themselves rather than through the command object's payload table:
// ExecuteRaw, TransferPacket and the fixed packet sequences.

#include "ILFDData.h"
#include "Logger.h"
#include "ZOLCommandBuilder.h"
#include "ZOLConnection.h"
#include "command/CommandHandler.h"
#include "command/CommandObject.h"
#include "command/ReplyFrames.h"
#include "platform/Pause.h"
#include "protocol/Framing.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zol::command {

namespace {

constexpr int kDefaultReplyMs = 2000;
constexpr unsigned kSerialFastBaud = 115200;

// Model codes 86, 97, 110 and 116 get the longer waits and pauses of the raw roads.
bool IsLongWaitModel(int modelCode) {
    return modelCode == 86 || modelCode == 97 || modelCode == 110 || modelCode == 116;
}

int RawReplyTimeout(unsigned char code, int modelCode) {
    switch (code) {
    case 0xE3:
        return IsLongWaitModel(modelCode) ? 30000 : 5000;
    case 0x9F:
        return 4000;
    case 0x84:
        return 1000;
    default:
        return kDefaultReplyMs;
    }
}

Reply ReceiveOn(IZOLConnection& connection, int timeoutMs) {
    Reply reply;
    reply.bytes.reset(connection.Receive(&reply.length, timeoutMs));
    return reply;
}

bool StartsWithHeader(const Reply& reply) {
    return reply.Has(0) && reply.bytes.get()[0] == kHeader;
}

// Copies the reply's byte 3 + 4 bytes (at most what arrived and what the caller's buffer holds).
void CopyReply(const Reply& reply, unsigned char* out, int count) {
    if (out == nullptr || reply.bytes == nullptr) {
        return;
    }
    count = std::clamp(count, 0, std::min(reply.length, kMaxFrame));
    std::memcpy(out, reply.bytes.get(), static_cast<std::size_t>(count));
}

int FrameCopyLength(const Reply& reply) {
    return reply.Has(3) ? reply.bytes.get()[3] + 4 : 0;
}

bool IsSerial(IZOLConnection& connection) {
    return connection.GetConnectionType() == "ZOL_CONN_SERIAL";
}

} // namespace

IZOLConnection* ObtainConnection(const std::string& address, const std::string& kindText,
                                 const std::string& credential, int framingVariant) {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    if (pool == nullptr) {
        return nullptr;
    }
    IZOLConnection* connection = pool->FindConnection(address);
    if (connection != nullptr && connection->GetCredential() != credential) {
        pool->RemoveConnection(address);
        connection = nullptr;
    }
    if (connection == nullptr) {
        connection = pool->CreateConnection(address, kindText, credential);
        if (connection == nullptr) {
            ZOL_LOG_WARN << "No connection could be made for " << address;
            return nullptr;
        }
        connection->Connect(nullptr);
        if (framingVariant != 0 && IsSerial(*connection)) {
            connection->SetLinkParameter(kSerialFastBaud);
        }
    }
    return connection;
}

Reply CZOLCommandHandler::RunRaw(ILFDData& record, unsigned char code, unsigned char length,
                                 const unsigned char* data, IZOLCommand* command) {
    CommandObject commandObject(command, CommandObject::AtEnd::Nothing);
    std::string address;
    std::string credential;
    record.GetAddress(address);
    record.GetConnectionParameter(credential);
    const char* kind = KindText(record.GetConnectionKind());
    const auto displayId = static_cast<unsigned char>(record.GetDisplayId());
    if (commandObject) {
        commandObject->SetConnectionInfo(address, kind);
        commandObject->SetCredential(credential);
        commandObject->SetDisplayId(displayId);
        commandObject->SetCommand(code, length, data);
    }
    const int framing = record.GetFramingVariant();
    IZOLConnection* connection = ObtainConnection(address, kind, credential, framing);
    if (connection == nullptr) {
        return {};
    }

    CZOLCommandBuilder builder;
    if (builder.MakeCallerBytes(code, displayId, length, data) == nullptr) {
        return {};
    }
    std::array<unsigned char, kMaxFrame> packet{};
    std::size_t size = static_cast<std::size_t>(builder.GetCommandPacketSize());
    std::memcpy(packet.data(), builder.GetCommand(), size);
    size = framing::ConvertInPlace(packet.data(), size, framing);
    auto send = [&] { connection->Send(packet.data(), static_cast<int>(size)); };

    const int modelCode = record.GetModelCode();
    const int timeout = RawReplyTimeout(code, modelCode);
    send();
    Reply last = ReceiveOn(*connection, timeout);

    // 0xE3 to one of those models over Ethernet: keep polling for its reply.
    if (code == 0xE3 && IsLongWaitModel(modelCode) && record.GetConnectionKind() == 1) {
        constexpr int kPollMs = 150;
        for (int poll = 0; poll < 27000 / kPollMs + 1 && !StartsWithHeader(last); ++poll) {
            last = ReceiveOn(*connection, kPollMs);
        }
    }
    if (MatchOrSalvage(last, record, code)) {
        return last;
    }
    last = ReceiveOn(*connection, 1000);
    if (MatchOrSalvage(last, record, code)) {
        return last;
    }
    for (unsigned attempt = 0; attempt < m_nRetryCount.load(); ++attempt) {
        platform::Pause(100);
        send();
        last = ReceiveOn(*connection, timeout);
        if (MatchOrSalvage(last, record, code)) {
            break;
        }
        if (last.Arrived()) {
            last = ReceiveOn(*connection, 3000);
            if (MatchOrSalvage(last, record, code)) {
                break;
            }
        }
    }
    return last;
}

unsigned char* CZOLCommandHandler::ExecuteRaw(ILFDData* record, unsigned char code, unsigned char length,
                                              const unsigned char* data, IZOLCommand* command) {
    if (record == nullptr) {
        return nullptr;
    }
    if (data == nullptr && length > 0) {
        ZOL_LOG_WARN << "ExecuteRaw: refused " << static_cast<int>(length) << " data bytes without data";
        return nullptr;
    }
    return RunRaw(*record, code, length, data, command).bytes.release();
}

bool CZOLCommandHandler::ExecuteAcknowledged(ILFDData* record, unsigned char code, unsigned char length,
                                             const unsigned char* data) {
    if (record == nullptr || (data == nullptr && length > 0)) {
        return false;
    }
    const Reply reply = RunRaw(*record, code, length, data, nullptr);
    return reply.Has(4) && reply.bytes.get()[4] == kAck;
}

bool CZOLCommandHandler::TransferPacket(ILFDData* record, IZOLCommand* command, unsigned char* packet,
                                        unsigned int packetLength, unsigned char* replyOut, int timeoutMs,
                                        bool acceptFirst, unsigned char mode) {
    if (record == nullptr || packet == nullptr || packetLength == 0 ||
        packetLength > static_cast<unsigned>(kMaxFrame)) {
        ZOL_LOG_WARN << "TransferPacket: refused a packet of " << packetLength << " bytes";
        return false;
    }
    CommandObject commandObject(command, CommandObject::AtEnd::Nothing);
    std::string address;
    std::string credential;
    record->GetAddress(address);
    record->GetConnectionParameter(credential);
    const char* kind = KindText(record->GetConnectionKind());
    if (commandObject) {
        commandObject->SetConnectionInfo(address, kind);
        commandObject->SetCredential(credential);
        commandObject->SetDisplayId(static_cast<unsigned char>(record->GetDisplayId()));
    }
    const int framing = record->GetFramingVariant();
    IZOLConnection* connection = ObtainConnection(address, kind, credential, framing);
    if (connection == nullptr) {
        return false;
    }
    if (!connection->IsConnected()) {
        connection->Connect(nullptr);
        if (!connection->IsConnected()) {
            return false;
        }
    }
    const auto length = static_cast<int>(packetLength);

    // Packets of the separate device protocol that starts with 0x1F are passed as they are.
    if (packet[0] == 0x1F) {
        connection->Send(packet, length);
        if (length > 2 && packet[2] == 'X') {
            ReceiveOn(*connection, 300);
            return true;
        }
        platform::Pause(100);
        Reply reply;
        for (int attempt = 0; attempt < 2 && !(reply.bytes != nullptr && reply.length >= 10); ++attempt) {
            reply = ReceiveOn(*connection, 200);
        }
        const unsigned char* r = reply.bytes.get();
        if (r != nullptr && reply.length >= 10 && r[0] == 0x1F && r[3] == 2 && r[8] == 1) {
            platform::Pause(10);
            CopyReply(reply, replyOut, reply.length);
            return true;
        }
        return false;
    }

    // The command and its first data byte are read from the packet as the caller built it: the compact
    // form moves them, and a packet of one byte has neither.
    const unsigned char code = length > 1 ? packet[1] : 0;
    const bool itemByte92 = length > 4 && packet[4] == 0x92;
    std::size_t converted = framing::ConvertInPlace(packet, packetLength, framing);
    const int sendLength = converted > 0 ? static_cast<int>(converted) : length;
    auto send = [&] { connection->Send(packet, sendLength); };
    send();

    if (acceptFirst) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            Reply reply = ReceiveOn(*connection, timeoutMs);
            if (StartsWithHeader(reply)) {
                CopyReply(reply, replyOut, FrameCopyLength(reply));
                return true;
            }
        }
        return false;
    }

    const bool anyReply = code == 0xE2 || (code == 0xE1 && itemByte92);
    const bool paced = mode == 1 && record->GetConnectionKind() == 2;
    const int pacingMs = IsLongWaitModel(record->GetModelCode()) ? 150 : 70;
    auto accept = [&](const Reply& reply) {
        CopyReply(reply, replyOut, FrameCopyLength(reply));
        return true;
    };
    const int repetitions = std::max(timeoutMs, 0) / 150 + 1;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        if (paced) {
            platform::Pause(static_cast<std::uint32_t>(pacingMs));
        }
        Reply reply = ReceiveOn(*connection, 300);
        if (anyReply) {
            if (reply.bytes != nullptr && reply.length > 0) {
                return accept(reply);
            }
            continue;
        }
        if (MatchOrSalvage(reply, *record, code)) {
            return accept(reply);
        }
        reply = ReceiveOn(*connection, 3000);
        if (MatchOrSalvage(reply, *record, code)) {
            return accept(reply);
        }
        for (unsigned attempt = 0; attempt < m_nRetryCount.load(); ++attempt) {
            platform::Pause(100);
            send();
            reply = ReceiveOn(*connection, 150);
            if (MatchOrSalvage(reply, *record, code)) {
                return accept(reply);
            }
            if (!reply.Arrived()) {
                continue;
            }
            reply = ReceiveOn(*connection, 3000);
            if (MatchOrSalvage(reply, *record, code)) {
                return accept(reply);
            }
        }
    }
    return false;
}

namespace {

// One packet of a fixed sequence: written, then its reply awaited.
Reply SendBuilt(IZOLConnection& connection, CZOLCommandBuilder& builder) {
    connection.Send(builder.GetCommand(), builder.GetCommandPacketSize());
    return ReceiveOn(connection, kDefaultReplyMs);
}

} // namespace

unsigned char* CZOLCommandHandler::SendFdBroadcastPair(std::string address, int connectionKind,
                                                       std::string parameter) {
    IZOLConnection* connection = ObtainConnection(address, KindText(connectionKind), parameter, 0);
    if (connection == nullptr) {
        return nullptr;
    }
    CZOLCommandBuilder builder;
    builder.MakeFdTwoBytes(0xFE, 0x10, 0x00);
    SendBuilt(*connection, builder);
    platform::Pause(200);
    builder.MakeFdTwoBytes(0xFE, 0x01, 0x00);
    return SendBuilt(*connection, builder).bytes.release();
}

unsigned char* CZOLCommandHandler::SendFdAddressedPair(std::string address, int connectionKind,
                                                       unsigned char id, std::string parameter) {
    IZOLConnection* connection = ObtainConnection(address, KindText(connectionKind), parameter, 0);
    if (connection == nullptr) {
        return nullptr;
    }
    CZOLCommandBuilder builder;
    auto sendUntilAnswered = [&] {
        Reply reply = SendBuilt(*connection, builder);
        for (unsigned attempt = 0; attempt < m_nRetryCount.load() && reply.bytes == nullptr; ++attempt) {
            reply = SendBuilt(*connection, builder);
        }
        return reply;
    };
    builder.MakeFdTwoBytes(0x00, 0x01, id);
    sendUntilAnswered();
    platform::Pause(200);
    builder.MakeFdTwoBytes(id, 0x00, id);
    return sendUntilAnswered().bytes.release();
}

unsigned char* CZOLCommandHandler::SendB8Broadcast(std::string address, int connectionKind,
                                                   unsigned char value, std::string parameter) {
    IZOLConnection* connection = ObtainConnection(address, KindText(connectionKind), parameter, 0);
    if (connection == nullptr) {
        return nullptr;
    }
    CZOLCommandBuilder builder;
    builder.MakeB8OneByte(0xFE, value);
    return SendBuilt(*connection, builder).bytes.release();
}

} // namespace zol::command
