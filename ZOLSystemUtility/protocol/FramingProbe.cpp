// The framing probe: which framing does the display on a serial line answer?

#include "protocol/ZOLCommand.h"

#include "Logger.h"
#include "ZOLCommandBuilder.h"
#include "ZOLConnection.h"
#include "protocol/Framing.h"

#include <array>
#include <cstdlib>

namespace {

constexpr unsigned char kStatusQuery = 0x00;
constexpr std::uint32_t kFramedBaudRate = 115200;
// A reply shorter than this is line noise, not an answer.
constexpr int kShortestAnswer = 3;

} // namespace

unsigned char* CZOLCommand::ProbeFraming(const std::string& portName, int* connectStatus, int* outVariant) {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    if (pool == nullptr) {
        return nullptr;
    }
    if (IZOLConnection* pooled = pool->FindConnection(portName)) {
        if (pooled->GetCredential() == m_strCredential) {
            ZOL_LOG_INFO << "Port " << portName << " is in use; its framing is not probed";
            return nullptr;
        }
        pool->RemoveConnection(portName);
    }
    IZOLConnection* connection = pool->CreateConnection(portName, ZOL_KIND_SERIAL, m_strCredential);
    if (connection == nullptr) {
        return nullptr;
    }
    connection->Connect(connectStatus);
    if (auto* serial = dynamic_cast<IZOLSerialConnection*>(connection)) {
        serial->SetLinkParameter(kFramedBaudRate);
    }
    if (connectStatus != nullptr && *connectStatus != ZOL_CONNECT_OPENED) {
        ZOL_LOG_INFO << "Port " << portName << " could not be opened for the framing probe (status "
                     << *connectStatus << ")";
        pool->RemoveConnection(portName);
        return nullptr;
    }

    unsigned char* reply = nullptr;
    if (connectStatus != nullptr) {
        CZOLCommandBuilder query;
        query.MakeQuery(m_byDisplayId, kStatusQuery);
        const auto size = static_cast<std::size_t>(query.GetCommandPacketSize());

        std::array<unsigned char, zol::kMaxPacket> compact{};
        const std::size_t compactSize =
            zol::framing::ToCompact(query.GetCommand(), size, compact.data(), compact.size());
        connection->Send(compact.data(), static_cast<int>(compactSize));
        int received = 0;
        reply = connection->Receive(&received, m_nReplyTimeout);
        if (reply != nullptr && received >= kShortestAnswer) {
            ZOL_LOG_DEBUG << "Display on " << portName << " answers compact framing";
            if (outVariant != nullptr) {
                *outVariant = 1;
            }
        } else {
            std::free(reply);
            zol::framing::ToFixedId(query.GetCommand(), size);
            connection->Send(query.GetCommand(), static_cast<int>(size));
            received = 0;
            reply = connection->Receive(&received, m_nReplyTimeout);
            if (reply != nullptr && received >= kShortestAnswer) {
                ZOL_LOG_DEBUG << "Display on " << portName << " answers fixed-ID framing";
                if (outVariant != nullptr) {
                    *outVariant = 2;
                }
            }
        }
    }
    connection->Close();
    pool->RemoveConnection(portName);
    return reply;
}
