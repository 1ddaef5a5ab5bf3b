#include "Core.h"

#include "HostileReplies.h"

#include <chrono>

namespace zolsim {

DisplayModel& Core::AddDisplay(unsigned char id, int relayTarget) {
    std::lock_guard guard(m_lock);
    for (auto& display : m_displays) {
        if (display->Id() == id && display->RelayTarget() == relayTarget) {
            return *display;
        }
    }
    m_displays.push_back(std::make_unique<DisplayModel>(id, relayTarget));
    return *m_displays.back();
}

DisplayModel* Core::FindDisplay(unsigned char id, int relayTarget) {
    std::lock_guard guard(m_lock);
    for (auto& display : m_displays) {
        if (display->Id() == id && display->RelayTarget() == relayTarget) {
            return display.get();
        }
    }
    return nullptr;
}

// Compact and fixed-ID requests name no display: the one wired directly to the line answers.
DisplayModel* Core::PrimaryDisplay() {
    std::lock_guard guard(m_lock);
    for (auto& display : m_displays) {
        if (display->RelayTarget() < 0) {
            return display.get();
        }
    }
    return m_displays.empty() ? nullptr : m_displays.front().get();
}

std::vector<DisplayModel*> Core::BroadcastTargets(int relayTarget) {
    std::lock_guard guard(m_lock);
    std::vector<DisplayModel*> targets;
    for (auto& display : m_displays) {
        const int target = display->RelayTarget();
        const bool reached =
            relayTarget < 0 ? target < 0 : (relayTarget == kAllDisplays || target == relayTarget);
        if (reached) {
            targets.push_back(display.get());
        }
    }
    return targets;
}

std::vector<Outgoing> Core::Process(Session& session, const unsigned char* bytes, std::size_t length) {
    std::shared_ptr<RequestLog> requestLog;
    {
        std::lock_guard guard(m_lock);
        if (m_keepLog) {
            m_writes.emplace_back(bytes, bytes + length);
        }
        requestLog = m_requestLog;
    }
    session.parser.Feed(bytes, length);
    std::vector<Outgoing> outgoing;
    while (auto request = session.parser.Next()) {
        request->lineBaud = session.lineBaud;
        if (!request->relayHeader && request->framing == Framing::Standard) {
            request->relayTarget = session.relayTarget;
        }
        if (requestLog) {
            requestLog->Append(session.address, *request);
        }
        auto reply = Respond(session, *request);
        // Logged once acted on, so a test that waits for the request sees its effect on the display.
        {
            std::lock_guard guard(m_lock);
            if (m_keepLog) {
                m_requests.push_back(*request);
            }
        }
        m_requestArrived.notify_all();
        if (reply) {
            outgoing.push_back(std::move(*reply));
        }
    }
    // A relay header with nothing behind it yet is answered on its own; its target stays armed
    // for the request that follows.
    if (!session.announcement.empty() && !session.parser.HasPartial()) {
        outgoing.push_back(Outgoing{std::move(session.announcement)});
        session.announcement.clear();
    }
    return outgoing;
}

std::optional<Outgoing> Core::Respond(Session& session, const Request& request) {
    int answerOnly = 0;
    {
        std::lock_guard guard(m_lock);
        answerOnly = m_answerOnly;
    }
    if (answerOnly >= 0 && answerOnly != static_cast<int>(request.framing)) {
        return std::nullopt;
    }

    // A relay announcement is answered like any command, by the unit that carries that ID.
    if (request.relayHeader) {
        session.relayTarget = request.relayTarget;
        session.announcement.clear();
        const unsigned char id = static_cast<unsigned char>(request.id);
        bool known = false;
        {
            std::lock_guard guard(m_lock);
            for (auto& display : m_displays) {
                known = known || display->Id() == id;
            }
        }
        if (id != kAllDisplays && known) {
            session.announcement = StandardReply(id, zolsim::Answer{kAck, kRelayCode, request.data});
        }
        return std::nullopt;
    }

    const int relay = request.framing == Framing::Standard ? session.relayTarget : -1;
    Bytes announcement = std::move(session.announcement);
    session.announcement.clear();
    session.relayTarget = -1;

    if (request.framing == Framing::Standard && request.id == kAllDisplays) {
        for (DisplayModel* display : BroadcastTargets(relay)) {
            display->Handle(request);
        }
        if (announcement.empty()) {
            return std::nullopt;
        }
        return Outgoing{std::move(announcement)};
    }

    DisplayModel* display = request.framing == Framing::Standard
                                ? FindDisplay(static_cast<unsigned char>(request.id), relay)
                                : PrimaryDisplay();
    std::optional<zolsim::Answer> answer;
    if (display != nullptr) {
        answer = display->Handle(request);
    }
    if (!answer && announcement.empty()) {
        return std::nullopt;
    }

    std::optional<Fault> fault = answer ? TakeFault(request.code) : std::nullopt;
    const FaultKind kind = fault ? fault->kind : FaultKind::None;
    if (kind == FaultKind::Drop) {
        return std::nullopt;
    }
    if (kind == FaultKind::Nak) {
        answer = zolsim::Answer{kNak, request.code, {}};
    }
    if (kind == FaultKind::WrongCommand) {
        answer->code = fault->otherCode;
    }
    unsigned char id = display != nullptr ? display->Id() : static_cast<unsigned char>(request.id);
    if (kind == FaultKind::WrongId) {
        id = fault->otherId;
    }

    Outgoing out;
    out.bytes = std::move(announcement);
    if (answer) {
        Bytes reply;
        if (request.framing == Framing::Compact) {
            reply = CompactReply(*answer);
        } else if (request.longFrame) {
            reply = LongReply(id, *answer);
        } else {
            reply = StandardReply(id, *answer);
        }
        out.bytes.insert(out.bytes.end(), reply.begin(), reply.end());
    }
    switch (kind) {
    case FaultKind::CorruptChecksum:
        out.bytes.back() = static_cast<unsigned char>(out.bytes.back() ^ 0xFF);
        break;
    case FaultKind::GarbagePrefix:
        out.bytes.insert(out.bytes.begin(), fault->garbage.begin(), fault->garbage.end());
        break;
    case FaultKind::Delay:
        out.delayMs = fault->delayMs;
        break;
    case FaultKind::Split:
        out.splitAt = fault->splitAt;
        out.splitGapMs = fault->splitGapMs;
        break;
    case FaultKind::Close:
        out.close = true;
        break;
    case FaultKind::Duplicate:
        out.twice = true;
        break;
    case FaultKind::Trickle:
        out.trickleMs = fault->trickleMs;
        break;
    case FaultKind::EndlessGarbage:
        out.bytes = EndlessGarbageChunk();
        out.endless = true;
        break;
    case FaultKind::Oversized:
        if (answer) {
            out.bytes = OversizedReply(id, *answer);
        }
        break;
    case FaultKind::IllFormed:
        out.bytes = IllFormedReply(std::move(out.bytes));
        break;
    case FaultKind::CloseMidReply:
        out.splitAt = out.bytes.size() > 1 ? out.bytes.size() / 2 : 1;
        out.splitGapMs = fault->splitGapMs;
        out.close = true;
        break;
    default:
        break;
    }
    return out;
}

// Faults that act on a whole connection rather than on one request's reply.
bool Core::IsConnectionFault(FaultKind kind) {
    return kind == FaultKind::StallHandshake || kind == FaultKind::NeverRead;
}

std::optional<Fault> Core::TakeFault(unsigned char code) {
    std::lock_guard guard(m_lock);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (IsConnectionFault(it->kind) || (it->onlyCode >= 0 && it->onlyCode != code)) {
            continue;
        }
        Fault taken = *it;
        if (--it->times <= 0) {
            m_faults.erase(it);
        }
        return taken;
    }
    return std::nullopt;
}

void Core::SetGreeting(std::string text) {
    std::lock_guard guard(m_lock);
    m_greeting = std::move(text);
}

std::string Core::Greeting() const {
    std::lock_guard guard(m_lock);
    return m_greeting;
}

void Core::SetGreetingDelay(int ms) {
    std::lock_guard guard(m_lock);
    m_greetingDelayMs = ms;
}

int Core::GreetingDelay() const {
    std::lock_guard guard(m_lock);
    return m_greetingDelayMs;
}

bool Core::TakeConnectionFault(FaultKind kind) {
    std::lock_guard guard(m_lock);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->kind == kind) {
            if (--it->times <= 0) {
                m_faults.erase(it);
            }
            return true;
        }
    }
    return false;
}

bool Core::EnsureTlsLocked(std::string& error) {
    if (m_commandTls && m_fileTls) {
        return true;
    }
    if (!m_credentials.Valid()) {
        m_credentials = TlsCredentials::Generate();
    }
    m_commandTls = TlsServerContext::Create(m_credentials, true, error);
    m_fileTls = TlsServerContext::Create(m_credentials, false, error);
    return m_commandTls && m_fileTls;
}

bool Core::SetTlsCredentials(const TlsCredentials& credentials, std::string& error) {
    std::lock_guard guard(m_lock);
    m_credentials = credentials;
    m_commandTls.reset();
    m_fileTls.reset();
    return EnsureTlsLocked(error);
}

TlsCredentials Core::Credentials() {
    std::lock_guard guard(m_lock);
    std::string error;
    EnsureTlsLocked(error);
    return m_credentials;
}

std::shared_ptr<TlsServerContext> Core::CommandTls() {
    std::lock_guard guard(m_lock);
    std::string error;
    EnsureTlsLocked(error);
    return m_commandTls;
}

std::shared_ptr<TlsServerContext> Core::FileTls() {
    std::lock_guard guard(m_lock);
    std::string error;
    EnsureTlsLocked(error);
    return m_fileTls;
}

void Core::SetPin(std::string pin) {
    std::lock_guard guard(m_lock);
    m_pin = std::move(pin);
}

// "ZOLAUTH<<1234>>" is answered with "ZOLAUTH<<OK>>" for the display's PIN (or any PIN when the display
// has none) and "ZOLAUTH<<FAIL 0x01>>" otherwise.
std::optional<Bytes> Core::AuthReply(const unsigned char* bytes, std::size_t length) {
    static const std::string prefix = "ZOLAUTH<<";
    const std::string text(reinterpret_cast<const char*>(bytes), length);
    if (text.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    const auto end = text.find(">>", prefix.size());
    const std::string pin =
        text.substr(prefix.size(), end == std::string::npos ? std::string::npos : end - prefix.size());
    std::lock_guard guard(m_lock);
    const std::string answer = m_pin.empty() || pin == m_pin ? "ZOLAUTH<<OK>>" : "ZOLAUTH<<FAIL 0x01>>";
    return Bytes(answer.begin(), answer.end());
}

void Core::SetServedFile(std::string text) {
    std::lock_guard guard(m_lock);
    m_servedFile = std::move(text);
}

std::string Core::ServedFile() const {
    std::lock_guard guard(m_lock);
    return m_servedFile;
}

void Core::CountDownload() {
    std::lock_guard guard(m_lock);
    ++m_downloads;
}

int Core::Downloads() const {
    std::lock_guard guard(m_lock);
    return m_downloads;
}

void Core::InjectFault(const Fault& fault) {
    if (fault.times <= 0) {
        return;
    }
    std::lock_guard guard(m_lock);
    m_faults.push_back(fault);
}

void Core::ClearFaults() {
    std::lock_guard guard(m_lock);
    m_faults.clear();
}

int Core::PendingFaults() const {
    std::lock_guard guard(m_lock);
    int pending = 0;
    for (const Fault& fault : m_faults) {
        pending += fault.times;
    }
    return pending;
}

void Core::SetAnswerOnlyFraming(int variant) {
    std::lock_guard guard(m_lock);
    m_answerOnly = variant < 0 || variant > 2 ? -1 : variant;
}

void Core::LogReply(const Bytes& bytes) {
    std::lock_guard guard(m_lock);
    if (m_keepLog) {
        m_replies.push_back(bytes);
    }
}

std::vector<Bytes> Core::Writes() const {
    std::lock_guard guard(m_lock);
    return m_writes;
}

std::vector<Request> Core::Requests() const {
    std::lock_guard guard(m_lock);
    return m_requests;
}

std::vector<Bytes> Core::Replies() const {
    std::lock_guard guard(m_lock);
    return m_replies;
}

void Core::ClearLog() {
    std::lock_guard guard(m_lock);
    m_writes.clear();
    m_requests.clear();
    m_replies.clear();
}

void Core::SetRequestLog(std::shared_ptr<RequestLog> log) {
    std::lock_guard guard(m_lock);
    m_requestLog = std::move(log);
}

void Core::SetKeepLog(bool keep) {
    std::lock_guard guard(m_lock);
    m_keepLog = keep;
    if (!keep) {
        m_writes.clear();
        m_requests.clear();
        m_replies.clear();
    }
}

bool Core::WaitForRequests(std::size_t count, int timeoutMs) const {
    std::unique_lock guard(m_lock);
    return m_requestArrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                     [&] { return m_requests.size() >= count; });
}

} // namespace zolsim
