#pragma once

// The process-wide command handler (see ZOLCommandHandler.h for what may run concurrently).

#include "ZOLCommandHandler.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

class IZOLConnection;

namespace zol::exchange {
class CommandExchange;
}

namespace zol::command {

struct FreeDeleter {
    void operator()(unsigned char* bytes) const { std::free(bytes); }
};
using ReplyBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

// A reply and the length its receiver reported.
struct Reply {
    ReplyBuffer bytes;
    int length = 0;

    bool Arrived() const { return bytes != nullptr || length != 0; }
    // Whether byte i was received.
    bool Has(int i) const { return bytes != nullptr && i >= 0 && i < length; }
};

class CZOLCommandHandler final : public IZOLCommandHandler {
public:
    CZOLCommandHandler();

    bool Initialize() override;
    unsigned char GetFlag() override;
    void SetFlag(unsigned char flag) override;
    unsigned int GetRetryCount() override;
    void SetRetryCount(unsigned int count) override;
    unsigned int ExecuteForDisplays(bool allDisplays, unsigned char code, unsigned char length,
                                    const unsigned char* data, int* connectStatus) override;
    unsigned int Execute(ILFDData* record, unsigned char code, int length, const unsigned char* data,
                         IZOLCommand* command, int* connectStatus, bool verify) override;
    unsigned int Broadcast(ILFDData* record, unsigned char code, unsigned char length,
                           const unsigned char* data, IZOLCommand* command, int* connectStatus) override;
    bool ExecuteAcknowledged(ILFDData* record, unsigned char code, unsigned char length,
                             const unsigned char* data) override;
    unsigned char* ExecuteRaw(ILFDData* record, unsigned char code, unsigned char length,
                              const unsigned char* data, IZOLCommand* command) override;
    bool TransferPacket(ILFDData* record, IZOLCommand* command, unsigned char* packet,
                        unsigned int packetLength, unsigned char* replyOut, int timeoutMs, bool acceptFirst,
                        unsigned char mode) override;
    unsigned char* ExecuteWithReply(ILFDData* record, unsigned char code, int length,
                                    const unsigned char* data, unsigned int* replyLength,
                                    bool verify) override;
    void Reserved() override;
    void DetectFraming(ILFDData* record, int* connectStatus) override;
    void SetProgressObserver(ProgressObserver* observer) override;
    unsigned char* SendFdBroadcastPair(std::string address, int connectionKind,
                                       std::string parameter) override;
    unsigned char* SendFdAddressedPair(std::string address, int connectionKind, unsigned char id,
                                       std::string parameter) override;
    unsigned char* SendB8Broadcast(std::string address, int connectionKind, unsigned char value,
                                   std::string parameter) override;
    bool WakeOnLan(std::string macAddress) override;
    unsigned int TransferChunked(ILFDData* record, unsigned char code, unsigned char subCode, int totalLength,
                                 const unsigned char* data, unsigned int chunkKiB) override;
    void SetContext(void* context) override;
    ~CZOLCommandHandler() override = default;

private:
    // Drives Execute's exchange (send, match, re-receive, retry) over the command object and the pooled
    // connection, blocking; the cancel check follows every send when `cancellable`.
    void SendMatchRetry(exchange::CommandExchange& machine, ILFDData& record, IZOLCommand& command,
                        int* connectStatus, bool cancellable);
    Reply RunRaw(ILFDData& record, unsigned char code, unsigned char length, const unsigned char* data,
                 IZOLCommand* command);
    // The reply matches the command; a reply that does not is still decoded so that volunteered status
    // is not lost.
    bool MatchOrSalvage(const Reply& reply, ILFDData& record, unsigned char code) const;
    void CheckCancel() const;
    void Notify() const;

    std::atomic<unsigned int> m_nRetryCount{4};
    std::atomic<unsigned char> m_byFlag{0};
    const std::vector<std::string> m_DisplayTypeTags;
    std::atomic<void*> m_pContext{nullptr};
    std::atomic<ProgressObserver*> m_pProgressObserver{nullptr};
};

// Receives once more from the pooled connection of an address; nothing when no connection is pooled.
Reply ReceiveFromPool(const std::string& address, int timeoutMs);

// The pooled connection for an address, replaced when its credential differs and created (and opened)
// when absent; null when it cannot be created.
IZOLConnection* ObtainConnection(const std::string& address, const std::string& kindText,
                                 const std::string& credential, int framingVariant);

} // namespace zol::command
