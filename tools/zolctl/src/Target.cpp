#include "Target.h"

#include "ZOLConnection.h"

#include "Logger.h"

namespace zolctl {

namespace {

constexpr int kEthernet = 1;
constexpr int kSerial = 2;
constexpr std::uint32_t kFastBaudRate = 115200;

} // namespace

CLFDDataPtr MakeRecord(const Target& target) {
    CLFDDataPtr record(CLFDDataFactory::CreateInstance());
    record->SetAddress(target.Address());
    record->SetConnectionKind(target.IsSerial() ? kSerial : kEthernet);
    record->SetConnectionParameter(target.pin);
    record->SetDisplayId(target.id);
    record->SetFramingVariant(target.framing);
    record->SetRelayTarget(target.relayTarget);
    record->SetRelayByte(target.relayByte);
    record->SetModelCode(target.modelCode);
    record->SetProductFamily(target.productFamily);
    record->SetProductGroup(target.productGroup);
    record->SetProductClass(target.productClass);
    record->SetLinkVariant(target.linkVariant);
    record->SetBlockFlag(target.blockFlag);
    return record;
}

OpenResult OpenPooledConnection(const Target& target) {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    const std::string& address = target.Address();

    // A pooled connection made with another PIN is replaced, as every command would replace it.
    IZOLConnection* connection = pool->FindConnection(address);
    if (connection != nullptr && connection->GetCredential() != target.pin) {
        pool->RemoveConnection(address);
        connection = nullptr;
    }
    if (connection == nullptr) {
        connection = pool->CreateConnection(address, target.IsSerial() ? ZOL_KIND_SERIAL : ZOL_KIND_ETHERNET,
                                            target.pin);
    }
    if (connection == nullptr) {
        ZOL_LOG_ERROR << "No connection can be made for " << address;
        return {};
    }
    if (connection->IsConnected()) {
        return {ZOL_CONNECT_OPENED, true};
    }
    if (!target.IsSerial()) {
        connection->SetLinkParameter(target.port);
    }
    int status = ZOL_CONNECT_OPENED;
    connection->Connect(&status);
    if (target.IsSerial() && target.framing != 0) {
        connection->SetLinkParameter(kFastBaudRate);
    }
    return {status, connection->IsConnected()};
}

void PreparePooledPort(const Target& target) {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    IZOLConnection* connection = pool->FindConnection(target.host);
    if (connection == nullptr) {
        connection = pool->CreateConnection(target.host, ZOL_KIND_ETHERNET, target.pin);
    }
    if (connection != nullptr && !connection->IsConnected()) {
        connection->SetLinkParameter(target.port);
    }
}

void ForgetPooledConnection(const std::string& address) {
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
}

} // namespace zolctl
