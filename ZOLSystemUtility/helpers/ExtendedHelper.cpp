// The extended helper's lifecycle, the patterns its operations are built from, and the operations that
// need no display command (connection state, stored parameters).

#include "helpers/ExtendedHelper.h"
#include "transport/EthernetConnection.h"

#include "Logger.h"
#include "ZOLCommand.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "ZOLSystemHelper.h"

#include <cstdlib>
#include <memory>
#include <new>

namespace zol::helpers {

namespace {

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using ReplyPtr = std::unique_ptr<unsigned char, FreeDeleter>;

constexpr int kSerialKind = 2;

} // namespace

CCommunicationHelperExtended::CCommunicationHelperExtended(ILFDData* record) : m_pRecord(record) {
    const bool serial = m_pRecord->GetConnectionKind() == kSerialKind;
    m_pBasicHelper = ICommunicationHelperFactory::CreateInstance(serial);
    if (m_pBasicHelper == nullptr) {
        ZOL_LOG_ERROR << "No basic helper: the extended helper has no handler";
        return;
    }
    m_pHandler = IZOLCommandHandlerFactory::CreateInstance();
    if (m_pHandler != nullptr) {
        m_pHandler->Initialize();
    }
    m_pCommand = IZOLCommandFactory::CreateInstance();
    if (m_pCommand != nullptr) {
        m_pCommand->Initialize();
    }
    m_pBasicHelper->Attach(m_pHandler, m_pRecord, m_pCommand);
}

ICommunicationHelperExtended* CCommunicationHelperExtended::Destroy(int deleteFlag) {
    m_pRecord = nullptr;
    if (m_pCommand != nullptr) {
        m_pCommand->Release();
    }
    m_pCommand = nullptr;
    // The handler is the process-wide one: it is forgotten, not deleted.
    m_pHandler = nullptr;
    delete m_pBasicHelper;
    m_pBasicHelper = nullptr;
    if (deleteFlag != 0) {
        delete this;
        return nullptr;
    }
    return this;
}

void CCommunicationHelperExtended::Release() {
    Destroy(1);
}

// --- patterns

int CCommunicationHelperExtended::Exec(unsigned char code, const std::vector<unsigned char>& data,
                                       bool verify) {
    if (m_pHandler == nullptr) {
        return 0;
    }
    return static_cast<int>(m_pHandler->Execute(m_pRecord, code, static_cast<int>(data.size()),
                                                data.empty() ? nullptr : data.data(), nullptr, nullptr,
                                                verify));
}

int CCommunicationHelperExtended::Bcast(unsigned char code, const std::vector<unsigned char>& data) {
    if (m_pHandler == nullptr) {
        return 0;
    }
    if (data.size() > 255) {
        ZOL_LOG_ERROR << "Broadcast of " << static_cast<int>(data.size()) << " data bytes refused";
        return 0;
    }
    return static_cast<int>(m_pHandler->Broadcast(m_pRecord, code, static_cast<unsigned char>(data.size()),
                                                  data.empty() ? nullptr : data.data(), nullptr, nullptr));
}

std::optional<PickedReply> CCommunicationHelperExtended::WithReply(unsigned char code,
                                                                   const std::vector<unsigned char>& data,
                                                                   int subCode, bool verify) {
    if (m_pHandler == nullptr) {
        return std::nullopt;
    }
    unsigned int length = 0;
    ReplyPtr reply(m_pHandler->ExecuteWithReply(m_pRecord, code, static_cast<int>(data.size()),
                                                data.empty() ? nullptr : data.data(), &length, verify));
    if (!reply) {
        return std::nullopt;
    }
    return PickReply(reply.get(), length, m_pRecord->GetDisplayId(), code, subCode);
}

std::vector<unsigned char>
CCommunicationHelperExtended::WithReplyBytes(unsigned char code, const std::vector<unsigned char>& data) {
    if (m_pHandler == nullptr) {
        return {};
    }
    unsigned int length = 0;
    ReplyPtr reply(m_pHandler->ExecuteWithReply(m_pRecord, code, static_cast<int>(data.size()),
                                                data.empty() ? nullptr : data.data(), &length, true));
    if (!reply) {
        return {};
    }
    return std::vector<unsigned char>(reply.get(), reply.get() + length);
}

std::optional<PickedReply> CCommunicationHelperExtended::Raw(unsigned char code, Data data) {
    if (m_pHandler == nullptr) {
        return std::nullopt;
    }
    const std::vector<unsigned char> bytes(data);
    ReplyPtr reply(m_pHandler->ExecuteRaw(m_pRecord, code, static_cast<unsigned char>(bytes.size()),
                                          bytes.empty() ? nullptr : bytes.data(), nullptr));
    if (!reply) {
        return std::nullopt;
    }
    // The raw road hands back no length: a frame is trusted only as far as its own length byte reaches.
    const unsigned char* p = reply.get();
    if (p[0] != 0xAA || p[1] != 0xFF) {
        return PickedReply({});
    }
    const std::size_t size = static_cast<std::size_t>(p[3]) + 5;
    return PickedReply(std::vector<unsigned char>(p, p + size));
}

// --- record tests

int CCommunicationHelperExtended::Model() const {
    return m_pRecord->GetModelCode();
}

bool CCommunicationHelperExtended::ModelIs(std::initializer_list<int> codes) const {
    for (const int code : codes) {
        if (Model() == code) {
            return true;
        }
    }
    return false;
}

int CCommunicationHelperExtended::Family() const {
    return m_pRecord->GetProductFamily();
}
int CCommunicationHelperExtended::Group() const {
    return m_pRecord->GetProductGroup();
}
int CCommunicationHelperExtended::ProductClass() const {
    return m_pRecord->GetProductClass();
}
int CCommunicationHelperExtended::LinkVariant() const {
    return m_pRecord->GetLinkVariant();
}

bool CCommunicationHelperExtended::FamilyIs(std::initializer_list<int> families) const {
    for (const int family : families) {
        if (Family() == family) {
            return true;
        }
    }
    return false;
}

bool CCommunicationHelperExtended::GroupIs(std::initializer_list<int> groups) const {
    for (const int group : groups) {
        if (Group() == group) {
            return true;
        }
    }
    return false;
}

int CCommunicationHelperExtended::Command71Class() const {
    switch (m_pRecord->GetValue71()) {
    case 33:
    case 35:
    case 37:
    case 39:
        return 1;
    case 32:
    case 34:
    case 36:
    case 38:
        return 2;
    default:
        return 3;
    }
}

std::string CCommunicationHelperExtended::Address() const {
    std::string address;
    m_pRecord->GetAddress(address);
    return address;
}

// --- connection operations: no packet, only the pooled connection

int CCommunicationHelperExtended::ConnectDisplay() {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    IZOLConnection* connection = pool != nullptr ? pool->FindConnection(Address()) : nullptr;
    return connection != nullptr && connection->Connect(nullptr) ? 1 : 0;
}

int CCommunicationHelperExtended::IsDisplayConnected() {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    IZOLConnection* connection = pool != nullptr ? pool->FindConnection(Address()) : nullptr;
    return connection != nullptr && connection->IsConnected() ? 1 : 0;
}

// The count lives on the Ethernet connection itself, beyond the interface: a checked down-cast reaches it.
int CCommunicationHelperExtended::GetConnectFailureCount() {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    IZOLConnection* connection = pool != nullptr ? pool->FindConnection(Address()) : nullptr;
    const auto* ethernet = dynamic_cast<const CZOLEthernetConnection*>(connection);
    return ethernet != nullptr ? static_cast<int>(ethernet->GetConnectFailureCount()) : 0;
}

void CCommunicationHelperExtended::SendFdAddressed(unsigned char id, std::string address, int connectionKind,
                                                   std::string parameter) {
    if (m_pHandler != nullptr) {
        ReplyPtr reply(m_pHandler->SendFdAddressedPair(address, connectionKind, id, parameter));
    }
}

void CCommunicationHelperExtended::SendFdBroadcast(std::string address, int connectionKind,
                                                   std::string parameter) {
    if (m_pHandler != nullptr) {
        ReplyPtr reply(m_pHandler->SendFdBroadcastPair(address, connectionKind, parameter));
    }
}

// Input source straight through the helper's own command object, past the handler: the reply is not
// matched or decoded.
int CCommunicationHelperExtended::SendSourceDirect(int source) {
    if (m_pCommand == nullptr) {
        return 0;
    }
    std::string parameter;
    m_pRecord->GetConnectionParameter(parameter);
    const auto code = static_cast<unsigned char>(CZOLSystemHelper::GetSourceHex(source));
    m_pCommand->SetConnectionInfo(Address(), m_pRecord->GetConnectionKind() == 1 ? "ETHERNET" : "SERIAL");
    m_pCommand->SetCredential(parameter);
    m_pCommand->SetDisplayId(static_cast<unsigned char>(m_pRecord->GetDisplayId()));
    m_pCommand->SetRelayTarget(m_pRecord->GetRelayTarget());
    m_pCommand->SetCommand(0x14, 1, &code);
    int length = 0;
    ReplyPtr reply(m_pCommand->SendAndReceive(&length, m_pRecord->GetFramingVariant(), nullptr));
    m_pCommand->ClearData();
    return 0;
}

// --- stored parameters: the record's, no traffic

int CCommunicationHelperExtended::GetStoredParameter1() {
    return m_pRecord->GetStoredParameter1();
}
int CCommunicationHelperExtended::GetStoredParameter2() {
    return m_pRecord->GetStoredParameter2();
}
int CCommunicationHelperExtended::GetStoredParameter3() {
    return m_pRecord->GetStoredParameter3();
}
int CCommunicationHelperExtended::GetStoredParameter4() {
    return m_pRecord->GetStoredParameter4();
}
int CCommunicationHelperExtended::GetStoredParameter5() {
    return m_pRecord->GetStoredParameter5();
}
int CCommunicationHelperExtended::GetStoredParameter6() {
    return m_pRecord->GetStoredParameter6();
}
int CCommunicationHelperExtended::GetStoredParameter7() {
    return m_pRecord->GetStoredParameter7();
}
int CCommunicationHelperExtended::GetStoredParameter8() {
    return m_pRecord->GetStoredParameter8();
}
int CCommunicationHelperExtended::SetStoredParameter1(int v) {
    return m_pRecord->SetStoredParameter1(v);
}
int CCommunicationHelperExtended::SetStoredParameter2(int v) {
    return m_pRecord->SetStoredParameter2(v);
}
int CCommunicationHelperExtended::SetStoredParameter3(int v) {
    return m_pRecord->SetStoredParameter3(v);
}
int CCommunicationHelperExtended::SetStoredParameter4(int v) {
    return m_pRecord->SetStoredParameter4(v);
}
int CCommunicationHelperExtended::SetStoredParameter5(int v) {
    return m_pRecord->SetStoredParameter5(v);
}
int CCommunicationHelperExtended::SetStoredParameter6(int v) {
    return m_pRecord->SetStoredParameter6(v);
}
int CCommunicationHelperExtended::SetStoredParameter7(int v) {
    return m_pRecord->SetStoredParameter7(v);
}
int CCommunicationHelperExtended::SetStoredParameter8(int v) {
    return m_pRecord->SetStoredParameter8(v);
}

// Values the display has no command for: nothing to send.
int CCommunicationHelperExtended::GetUnsupportedValue() {
    return 0;
}
int CCommunicationHelperExtended::SetUnsupportedValue(unsigned char) {
    return 0;
}

} // namespace zol::helpers

ICommunicationHelperExtended* ICommunicationHelperExtendedFactory::CreateInstance(ILFDData* record) {
    if (record == nullptr) {
        ZOL_LOG_ERROR << "No extended helper without a display record";
        return nullptr;
    }
    return new (std::nothrow) zol::helpers::CCommunicationHelperExtended(record);
}
