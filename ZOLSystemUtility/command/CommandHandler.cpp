#include "command/CommandHandler.h"

#include "ILFDData.h"
#include "Logger.h"
#include "ZOLCommand.h"
#include "ZOLConnection.h"
#include "command/CommandObject.h"
#include "command/DecoderChecks.h"
#include "command/ReplyDecoder.h"
#include "command/ReplyFrames.h"
#include "exchange/BlockingDriver.h"
#include "exchange/CommandExchange.h"
#include "platform/Pause.h"
#include "protocol/ZOLCommand.h"

#include <optional>

namespace zol::command {

namespace {

// Lengths a request can carry: a long frame holds at most 2042 data bytes.
constexpr int kMaxDataLength = 2042;
constexpr int kBroadcastSettleMs = 500;

bool RefuseData(const char* operation, int length, const unsigned char* data) {
    if (length < 0 || length > kMaxDataLength) {
        ZOL_LOG_WARN << operation << ": refused a data length of " << length;
        return true;
    }
    if (data == nullptr && length > 0) {
        ZOL_LOG_WARN << operation << ": refused " << length << " data bytes without data";
        return true;
    }
    return false;
}

void MarkOffline(ILFDData& record) {
    record.SetResponding(false);
    record.SetPower(false);
}

} // namespace

CZOLCommandHandler::CZOLCommandHandler() : m_DisplayTypeTags(DefaultDisplayTypeTags()) {}

bool CZOLCommandHandler::Initialize() {
    return true;
}
unsigned char CZOLCommandHandler::GetFlag() {
    return m_byFlag.load();
}
void CZOLCommandHandler::SetFlag(unsigned char flag) {
    m_byFlag.store(flag);
}
unsigned int CZOLCommandHandler::GetRetryCount() {
    return m_nRetryCount.load();
}
void CZOLCommandHandler::SetRetryCount(unsigned int count) {
    m_nRetryCount.store(count);
}
void CZOLCommandHandler::Reserved() {}
void CZOLCommandHandler::SetProgressObserver(ProgressObserver* observer) {
    m_pProgressObserver.store(observer);
}
void CZOLCommandHandler::SetContext(void* context) {
    m_pContext.store(context);
}

void CZOLCommandHandler::CheckCancel() const {
    ProgressObserver* observer = m_pProgressObserver.load();
    if (observer != nullptr && observer->IsCancelRequested()) {
        ZOL_LOG_INFO << "Command cancelled by the progress observer";
        throw 1; // the cancellation hosts catch as an int
    }
}

void CZOLCommandHandler::Notify() const {
    if (ProgressObserver* observer = m_pProgressObserver.load()) {
        observer->OnProgressStep(0, 0, true);
    }
}

bool CZOLCommandHandler::MatchOrSalvage(const Reply& reply, ILFDData& record, unsigned char code) const {
    if (reply.bytes == nullptr || reply.length <= 0) {
        return false;
    }
    if (ReplyMatches(reply.bytes.get(), reply.length, &record, code)) {
        return true;
    }
    if (reply.length >= 6) {
        DecodeOptions options;
        options.displayTypeTags = &m_DisplayTypeTags;
        DecodeReply(reply.bytes.get(), reply.length, &record, code, options);
    }
    return false;
}

Reply ReceiveFromPool(const std::string& address, int timeoutMs) {
    Reply reply;
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    IZOLConnection* connection = pool != nullptr ? pool->FindConnection(address) : nullptr;
    if (connection != nullptr) {
        reply.bytes.reset(connection->Receive(&reply.length, timeoutMs));
    }
    return reply;
}

void CZOLCommandHandler::SendMatchRetry(exchange::CommandExchange& machine, ILFDData& record,
                                        IZOLCommand& command, int* connectStatus, bool cancellable) {
    exchange::DriveBlocking(machine, record, command, connectStatus, [this, cancellable] {
        if (cancellable) {
            CheckCancel();
        }
    });
}

namespace {

// The opening both Execute and Broadcast share: no record or bad data gives 0; a disabled display is not
// contacted and counts as done (a status request first marks it offline); otherwise the command object is
// filled and the caller goes on (no value).
std::optional<unsigned int> Opening(const char* operation, ILFDData* record, unsigned char code, int length,
                                    const unsigned char* data, CommandObject& commandObject) {
    if (record == nullptr || RefuseData(operation, length, data)) {
        return 0;
    }
    if (!record->IsCommunicationEnabled()) {
        if (code == 0x00) {
            MarkOffline(*record);
        }
        return 1;
    }
    if (!commandObject) {
        return 0;
    }
    FillCommand(*commandObject, *record, code, length, data);
    return std::nullopt;
}

} // namespace

unsigned int CZOLCommandHandler::Execute(ILFDData* record, unsigned char code, int length,
                                         const unsigned char* data, IZOLCommand* command, int* connectStatus,
                                         bool verify) {
    CommandObject commandObject(command, CommandObject::AtEnd::ClearData);
    if (const std::optional<unsigned int> early =
            Opening("Execute", record, code, length, data, commandObject)) {
        return *early;
    }
    exchange::CommandExchange machine(*record, code, verify, m_nRetryCount.load(), &m_DisplayTypeTags);
    SendMatchRetry(machine, *record, *commandObject, connectStatus, true);
    return machine.Finish();
}

unsigned char* CZOLCommandHandler::ExecuteWithReply(ILFDData* record, unsigned char code, int length,
                                                    const unsigned char* data, unsigned int* replyLength,
                                                    bool verify) {
    if (record == nullptr || !record->IsCommunicationEnabled() ||
        RefuseData("ExecuteWithReply", length, data)) {
        return nullptr;
    }
    CommandObject commandObject(nullptr, CommandObject::AtEnd::Nothing);
    if (!commandObject) {
        return nullptr;
    }
    FillCommand(*commandObject, *record, code, length, data);
    exchange::CommandExchange machine(*record, code, verify, m_nRetryCount.load(), &m_DisplayTypeTags);
    SendMatchRetry(machine, *record, *commandObject, nullptr, false);
    Reply last = machine.TakeReply();
    if (replyLength != nullptr) {
        *replyLength = last.bytes != nullptr && last.length > 0 ? static_cast<unsigned int>(last.length) : 0;
    }
    return last.bytes.release();
}

unsigned int CZOLCommandHandler::Broadcast(ILFDData* record, unsigned char code, unsigned char length,
                                           const unsigned char* data, IZOLCommand* command,
                                           int* connectStatus) {
    CommandObject commandObject(command, CommandObject::AtEnd::ClearData);
    if (const std::optional<unsigned int> early =
            Opening("Broadcast", record, code, length, data, commandObject)) {
        return *early;
    }
    commandObject->SetRelayByte(255);
    commandObject->SetDisplayId(0xFE);
    commandObject->SetRelayTarget(record->GetRelayTarget() < 0 ? -1 : 254);
    Reply reply;
    reply.bytes.reset(
        commandObject->SendAndReceive(&reply.length, record->GetFramingVariant(), connectStatus));
    platform::Pause(kBroadcastSettleMs);
    return 1; // whoever answered, the reply is not looked at
}

void CZOLCommandHandler::DetectFraming(ILFDData* record, int* connectStatus) {
    if (record == nullptr) {
        return;
    }
    std::string address;
    record->GetAddress(address);
    CZOLCommand probe;
    int variant = 0;
    ReplyBuffer reply(probe.ProbeFraming(address, connectStatus, &variant));
    record->SetFramingVariant(variant);
}

bool CZOLCommandHandler::WakeOnLan(std::string macAddress) {
    CZOLCommand command;
    return command.SendWakeOnLan(macAddress);
}

} // namespace zol::command
