#include "protocol/ZOLCommand.h"

#include "Logger.h"
#include "ZOLCommandBuilder.h"
#include "ZOLConnection.h"
#include "platform/Pause.h"
#include "protocol/RequestWire.h"
#include "protocol/WakeOnLan.h"
#include "transport/EthernetConnection.h"
#include "transport/ExchangeTurns.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr unsigned char kPowerQuery = 0x11; // still goes out when the connect status reports a failure
constexpr std::uint32_t kFramedBaudRate = 115200;

std::string Hex(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string{"0x"} + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

} // namespace

IZOLCommand* IZOLCommandFactory::CreateInstance() {
    return new (std::nothrow) CZOLCommand();
}

CZOLCommand::~CZOLCommand() {
    ClearData();
}

void CZOLCommand::Release() {
    delete this;
}

bool CZOLCommand::Initialize() {
    return true;
}

void CZOLCommand::SetConnectionInfo(std::string address, std::string kind) {
    m_strAddress = std::move(address);
    m_strConnectionKind = std::move(kind);
}

void CZOLCommand::SetAddress(std::string address) {
    m_strAddress = std::move(address);
}

std::string CZOLCommand::GetAddress() {
    return m_strAddress;
}

void CZOLCommand::SetRelayByte(unsigned char relayByte) {
    m_byRelay = relayByte;
}

void CZOLCommand::SetDisplayId(unsigned char displayId) {
    m_byDisplayId = displayId;
}

void CZOLCommand::SetRelayTarget(int relayTarget) {
    m_nRelayTarget = relayTarget;
}

void CZOLCommand::SetCommandEx(unsigned char code, unsigned char subCode, int length, int chunkIndex,
                               int chunkCount, const unsigned char* data) {
    m_byCommandCode = code;
    m_bySubCode = subCode;
    m_nDataLength = length;
    m_nChunkIndex = chunkIndex;
    m_nChunkCount = chunkCount;
    CopyData(length, data);
}

void CZOLCommand::SetCommand(unsigned char code, int length, const unsigned char* data) {
    m_byCommandCode = code;
    m_nDataLength = length;
    CopyData(length, data);
}

// Without new bytes the object keeps the copy it has; a copy that cannot be allocated leaves none, and
// the forms that read data then refuse the request.
void CZOLCommand::CopyData(int length, const unsigned char* data) {
    if (data == nullptr || length < 1) {
        return;
    }
    ClearData();
    const auto size = static_cast<std::size_t>(length);
    m_pData.reset(static_cast<unsigned char*>(std::calloc(size, 1)));
    if (!m_pData) {
        ZOL_LOG_ERROR << "No memory for " << length << " data bytes of command " << Hex(m_byCommandCode);
        return;
    }
    std::memcpy(m_pData.get(), data, size);
    m_nDataHeld = length;
}

void CZOLCommand::ClearData() {
    m_pData.reset();
    m_nDataHeld = 0;
}

void CZOLCommand::SetDeviceClass(int deviceClass) {
    m_nDeviceClass = deviceClass;
}

void CZOLCommand::SetCommandText(std::string text) {
    m_strCommandText = std::move(text);
}

void CZOLCommand::SetCredential(std::string credential) {
    m_strCredential = std::move(credential);
}

std::string CZOLCommand::GetCredential() {
    return m_strCredential;
}

int CZOLCommand::GetModelCode() {
    return m_nModelCode;
}

void CZOLCommand::SetModelCode(int modelCode) {
    m_nModelCode = modelCode;
}

zol::payload::Request CZOLCommand::MakeRequest() const {
    zol::payload::Request request;
    request.code = m_byCommandCode;
    request.id = m_byDisplayId;
    request.subCode = m_bySubCode;
    request.data = m_pData.get();
    request.length = m_nDataLength;
    request.held = m_nDataHeld;
    request.deviceClass = m_nDeviceClass;
    request.modelCode = m_nModelCode;
    request.chunkIndex = m_nChunkIndex;
    request.chunkCount = m_nChunkCount;
    request.replyTimeoutMs = m_nReplyTimeout;
    return request;
}

IZOLConnection* CZOLCommand::ObtainConnection(int framingVariant, int* connectStatus) {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    if (pool == nullptr) {
        return nullptr;
    }
    IZOLConnection* connection = pool->FindConnection(m_strAddress);
    if (connection != nullptr && connection->GetCredential() != m_strCredential) {
        // The display is now addressed with another PIN: start over with a fresh connection.
        ZOL_LOG_DEBUG << "Credential changed for " << m_strAddress << ", replacing its connection";
        pool->RemoveConnection(m_strAddress);
        connection = nullptr;
    }
    if (connection == nullptr) {
        connection = pool->CreateConnection(m_strAddress, m_strConnectionKind, m_strCredential);
        if (connection == nullptr) {
            ZOL_LOG_WARN << "No connection of kind " << m_strConnectionKind << " for " << m_strAddress;
            return nullptr;
        }
        connection->Connect(connectStatus);
        if (zol::transport::ConnectTimeouts(connection) != 0) {
            // A display that neither accepted nor refused is not given a second wait in this command.
            ZOL_LOG_DEBUG << "Connect to " << m_strAddress << " timed out, command " << Hex(m_byCommandCode)
                          << " not sent";
            return nullptr;
        }
        if (framingVariant != 0) {
            if (auto* serial = dynamic_cast<IZOLSerialConnection*>(connection)) {
                serial->SetLinkParameter(kFramedBaudRate);
            }
        }
        if (connectStatus != nullptr && *connectStatus != ZOL_CONNECT_OPENED &&
            m_byCommandCode != kPowerQuery) {
            ZOL_LOG_DEBUG << "Connect status " << *connectStatus << " for " << m_strAddress << ", command "
                          << Hex(m_byCommandCode) << " not sent";
            return nullptr;
        }
    }
    if (!connection->IsConnected()) {
        connection->Connect(connectStatus);
        if (!connection->IsConnected()) {
            ZOL_LOG_DEBUG << "Not connected to " << m_strAddress << ", command " << Hex(m_byCommandCode)
                          << " not sent";
            return nullptr;
        }
    }
    return connection;
}

bool CZOLCommand::WritePlan(IZOLConnection& connection, const zol::payload::Plan& plan, int framingVariant) {
    zol::payload::Route route;
    route.framingVariant = framingVariant;
    route.relayByte = m_byRelay;
    route.displayId = m_byDisplayId;
    route.relayTarget = m_nRelayTarget;
    std::vector<unsigned char> bytes;
    if (!zol::payload::WireBytes(plan, route, bytes)) {
        return false;
    }
    // The result of the write is not looked at: the reply wait that follows shows whether it arrived.
    static constexpr unsigned char kNothing = 0;
    connection.Send(bytes.empty() ? &kNothing : bytes.data(), static_cast<int>(bytes.size()));
    return true;
}

unsigned char* CZOLCommand::SendAndReceive(int* outLength, int framingVariant, int* connectStatus) {
    // Roads that send without a driven exchange still keep their request and its reply together.
    const zol::transport::ExchangeTurn turn = zol::transport::TakeExchangeTurn(m_strAddress);
    IZOLConnection* connection = ObtainConnection(framingVariant, connectStatus);
    if (connection == nullptr) {
        return nullptr;
    }
    const zol::payload::Request request = MakeRequest();
    auto plan = std::make_unique<zol::payload::Plan>();
    if (!zol::payload::PlanRequest(request, *plan)) {
        ZOL_LOG_WARN << "Command " << Hex(m_byCommandCode) << " with " << m_nDataLength
                     << " data bytes refused: " << plan->refusal;
        return nullptr;
    }
    if (plan->pauseBeforeMs > 0) {
        zol::platform::Pause(static_cast<std::uint32_t>(plan->pauseBeforeMs));
    }
    ZOL_LOG_DEBUG << "Command " << Hex(plan->code) << " to ID " << Hex(plan->id) << " at " << m_strAddress
                  << ", " << plan->Count() << " data bytes, framing " << framingVariant;
    if (!WritePlan(*connection, *plan, framingVariant)) {
        return nullptr;
    }
    if (plan->pauseAfterMs > 0) {
        zol::platform::Pause(static_cast<std::uint32_t>(plan->pauseAfterMs));
    }
    if (!plan->awaitReply) {
        if (outLength != nullptr) {
            *outLength = 0;
        }
        return nullptr;
    }
    ZOL_LOG_DEBUG << "Waiting up to " << plan->replyWaitMs << " ms for the reply to " << Hex(plan->code);
    int received = 0;
    unsigned char* reply = connection->Receive(&received, plan->replyWaitMs);
    if (outLength != nullptr) {
        *outLength = received;
    }
    return reply;
}

bool CZOLCommand::SendWakeOnLan(const std::string& macText) {
    const auto mac = zol::wol::ParseMacText(macText);
    if (!mac) {
        ZOL_LOG_WARN << "Wake-on-LAN needs twelve hexadecimal digits, got \"" << macText << "\"";
        return false;
    }
    ZOL_LOG_DEBUG << "Wake-on-LAN for " << macText;
    return zol::wol::SendMagicPacket(zol::wol::MakeMagicPacket(*mac), m_nLastSocketError);
}
