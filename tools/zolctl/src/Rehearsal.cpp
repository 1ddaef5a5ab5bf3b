#include "Rehearsal.h"

#include "CommunicationHelperExtended.h"
#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "fleet/ChangeWatch.h"
#include "platform/Pause.h"
#include "transport/ConnectionPool.h"
#include "zolsim/DisplayModel.h"
#include "zolsim/Wire.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace zolctl {

namespace {

constexpr const char* kAddress = "rehearsal display";

// The display behind every connection made during a rehearsal, and what it received.
struct Stage {
    zolsim::DisplayModel display{1, -1};
    std::vector<zolsim::Request> requests;
    std::vector<IZOLConnection*> made; // owned by the pool until the rehearsal removes them
};

// A connection that hands what is written to the stage's display and keeps its replies for Receive.
class StageConnection final : public IZOLConnection {
public:
    explicit StageConnection(Stage& stage) : m_stage(stage) {}

    bool Initialize() override { return true; }
    void SetAddress(std::string address) override { m_address = std::move(address); }
    std::string GetAddress() override { return m_address; }
    void SetCredential(std::string credential) override { m_credential = std::move(credential); }
    std::string GetCredential() override { return m_credential; }
    std::string GetConnectionType() override { return ZOL_CONN_TYPE_ETHERNET; }
    bool Connect(int* connectStatus) override {
        if (connectStatus != nullptr) {
            *connectStatus = ZOL_CONNECT_OPENED;
        }
        m_connected = true;
        return true;
    }
    void SetEventSink(IConnectionEventSink*) override {}
    void SetEventNotification(bool) override {}
    bool IsConnected() override { return m_connected; }
    int Send(const unsigned char* data, int length) override {
        if (!m_connected || data == nullptr || length <= 0) {
            return -1;
        }
        m_parser.Feed(data, static_cast<std::size_t>(length));
        while (std::optional<zolsim::Request> request = m_parser.Next()) {
            m_stage.requests.push_back(*request);
            const std::optional<zolsim::Answer> answer = m_stage.display.Handle(*request);
            if (!answer) {
                continue;
            }
            const zolsim::Bytes reply = request->longFrame
                                            ? zolsim::LongReply(m_stage.display.Id(), *answer)
                                            : zolsim::StandardReply(m_stage.display.Id(), *answer);
            m_pending.insert(m_pending.end(), reply.begin(), reply.end());
        }
        return length;
    }
    unsigned char* Receive(int* length, int) override {
        if (m_pending.empty()) {
            if (length != nullptr) {
                *length = 0;
            }
            return nullptr;
        }
        auto* bytes = static_cast<unsigned char*>(std::malloc(m_pending.size()));
        if (bytes == nullptr) {
            return nullptr;
        }
        std::memcpy(bytes, m_pending.data(), m_pending.size());
        if (length != nullptr) {
            *length = static_cast<int>(m_pending.size());
        }
        m_pending.clear();
        return bytes;
    }
    void Close() override { m_connected = false; }
    void ReleaseResources() override { Close(); }
    void Destroy() override { delete this; }
    bool IsBusy() override { return false; }
    void SetBusy(bool) override {}
    std::string GetLocalAddress() override { return "127.0.0.1"; }
    std::uint32_t SetLinkParameter(std::uint32_t value) override {
        m_linkParameter = value;
        return 0;
    }
    std::uint32_t GetLinkParameter() override { return m_linkParameter; }

private:
    Stage& m_stage;
    zolsim::RequestParser m_parser;
    std::vector<unsigned char> m_pending;
    std::string m_address;
    std::string m_credential;
    std::uint32_t m_linkParameter = 1515;
    bool m_connected = false;
};

// For the rehearsal's length: every new pooled connection leads to the stage, pauses are instant and the
// handler tries once. Everything is put back afterwards.
class StageScope {
public:
    explicit StageScope(Stage& stage)
        : m_stage(stage), m_instant(zol::platform::SetInstantPauses(true)),
          m_handler(IZOLCommandHandlerFactory::CreateInstance()), m_retries(m_handler->GetRetryCount()) {
        m_handler->SetRetryCount(1);
        CZOLConnectionPool::SetConnectionMaker([&stage](const std::string&) -> IZOLConnection* {
            stage.made.push_back(new StageConnection(stage));
            return stage.made.back();
        });
    }
    // Only the connections the rehearsal made leave the pool; the process's own stay.
    ~StageScope() {
        CZOLConnectionPool::SetConnectionMaker({});
        std::vector<std::string> addresses;
        for (IZOLConnection* connection : m_stage.made) {
            addresses.push_back(connection->GetAddress());
        }
        for (const std::string& address : addresses) {
            IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
        }
        m_handler->SetRetryCount(m_retries);
        zol::platform::SetInstantPauses(m_instant);
    }
    StageScope(const StageScope&) = delete;
    StageScope& operator=(const StageScope&) = delete;

private:
    Stage& m_stage;
    bool m_instant;
    IZOLCommandHandler* m_handler;
    unsigned m_retries;
};

std::unique_ptr<CLFDData> StageRecord(const DisplayKind& kind) {
    auto record = std::make_unique<CLFDData>();
    record->SetAddress(kAddress);
    record->SetConnectionKind(1);
    record->SetDisplayId(1);
    record->SetProductFamily(kind.productFamily);
    record->SetLinkVariant(kind.linkVariant);
    record->SetModelCode(kind.modelCode);
    record->SetCommandE3Allowed(true);
    record->SetSupportedC8Sub82(true);
#define CAP(Name) record->Set##Name(true);
#include "LFDCapabilities.def"
#undef CAP
    return record;
}

struct HelperRelease {
    void operator()(ICommunicationHelperExtended* helper) const {
        if (helper != nullptr) {
            helper->Release();
        }
    }
};

Rehearsal RunOnce(const Performance& perform, const DisplayKind& kind) {
    Rehearsal rehearsal;
    rehearsal.kind = kind;
    Stage stage;
    const StageScope scope(stage);
    const std::unique_ptr<CLFDData> record = StageRecord(kind);
    zol::fleet::ChangeWatch watch(*record);
    const std::unique_ptr<ICommunicationHelperExtended, HelperRelease> helper(
        ICommunicationHelperExtendedFactory::CreateInstance(&watch));
    if (!helper) {
        rehearsal.error = "the display helper could not be created";
        return rehearsal;
    }
    try {
        rehearsal.ran = perform(*helper, &rehearsal.error);
    } catch (int) {
        rehearsal.error = "the operation was cancelled";
    }
    rehearsal.requests = std::move(stage.requests);
    rehearsal.stored = watch.Stored();
    return rehearsal;
}

} // namespace

Rehearsal Rehearse(const Performance& perform) {
    static const DisplayKind kKinds[] = {{0, 0, 0}, {7, 0, 0}, {7, 1, 0}, {4, 0, 0}, {5, 0, 0}};
    Rehearsal first;
    for (const DisplayKind& kind : kKinds) {
        Rehearsal rehearsal = RunOnce(perform, kind);
        if (!rehearsal.requests.empty() || !rehearsal.ran) {
            return rehearsal;
        }
        if (&kind == &kKinds[0]) {
            first = std::move(rehearsal);
        }
    }
    return first;
}

} // namespace zolctl
