#include "fleet/Session.h"

#include "ILFDData.h"
#include "Logger.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "command/CommandObject.h"
#include "platform/Pause.h"
#include "platform/Socket.h"
#include "protocol/RequestWire.h"
#include "transport/Greeting.h"

#include <cerrno>
#include <cstring>
#include <sys/epoll.h>
#include <sys/socket.h>

namespace zol::fleet {

namespace {

constexpr int kGreetingWaitMs = 50;
constexpr int kConnectWaitMs = 5000; // as the blocking connection's
constexpr int kSendWaitMs = 2000;
constexpr unsigned char kPowerQuery = 0x11; // still goes out when the connect status reports a failure

} // namespace

Session::Session(EventLoop& loop, Link& link, const std::vector<ILFDData*>& records,
                 const std::vector<std::size_t>& indexes, const RunSettings& settings,
                 const SessionEvents& events)
    : m_loop(loop), m_link(link), m_records(records), m_indexes(indexes), m_settings(settings),
      m_events(events) {}

Session::~Session() {
    m_loop.Release(this);
    m_loop.Forget(m_link.fd);
}

void Session::Start() {
    NextRecord();
}

void Session::WatchFor(std::uint32_t events) {
    m_loop.Watch(m_link.fd, m_link.socket, events, this);
}

void Session::Timer(std::uint64_t atMs) {
    m_loop.At(atMs, this, ++m_generation);
}

void Session::CloseLink() {
    m_loop.Closing(m_link.fd);
    m_link.Close();
}

void Session::NextRecord() {
    ++m_generation;
    if (m_position >= m_indexes.size()) {
        Finish();
        return;
    }
    m_record = m_records[m_indexes[m_position]];
    m_started = std::chrono::steady_clock::now();
    m_connectStatus = 1;
    m_trace = {};
    const ZOLFleet::Command& command = *m_settings.command;
    if (m_record == nullptr) {
        FinishRecord(0);
        return;
    }
    ILFDData* seen = m_record;
    if (m_settings.reportChanges)
        seen = &m_watch.emplace(*m_record);
    if (!m_record->IsCommunicationEnabled()) {
        // Not contacted, and counted as done; a status request first marks it offline.
        if (command.code == 0x00) {
            seen->SetResponding(false);
            seen->SetPower(false);
        }
        FinishRecord(1);
        return;
    }
    m_request.emplace();
    command::FillCommand(*m_request, *m_record, command.code, static_cast<int>(command.data.size()),
                         command.data.empty() ? nullptr : command.data.data());
    m_machine.emplace(*seen, command.code, command.verify, m_settings.retries, m_settings.displayTypeTags);
    Follow(m_machine->Start());
}

void Session::Finish() {
    m_state = State::Finished;
    if (m_events.finished)
        m_events.finished();
}

void Session::FinishRecord(unsigned int status) {
    ZOLFleet::DisplayResult result;
    result.record = m_record;
    result.index = m_indexes[m_position];
    result.status = status;
    result.connectStatus = m_connectStatus;
    const bool nak = m_machine && m_record != nullptr &&
                     IsNak(m_machine->LastReply(), *m_record, m_settings.command->code);
    result.error = m_record == nullptr ? ZOLFleet::ErrorKind::BadAddress
                                       : Classify(status, nak, m_connectStatus, m_trace);
    if (m_trace.timedOut && m_trace.lastError == 0)
        result.error = ZOLFleet::ErrorKind::Unreachable;
    if (m_record != nullptr && m_watch)
        result.changed = m_watch->Changed();
    result.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_started);
    m_machine.reset();
    m_watch.reset();
    m_request.reset();
    m_assembly.reset();
    m_events.report(std::move(result));
    ++m_position;
    m_state = State::Idle;
    NextRecord();
}

void Session::Cancel() {
    if (m_state == State::Finished)
        return;
    ++m_generation;
    if (m_state != State::Idle)
        CloseLink();
    for (; m_position < m_indexes.size(); ++m_position) {
        ZOLFleet::DisplayResult result;
        result.record = m_records[m_indexes[m_position]];
        result.index = m_indexes[m_position];
        result.connectStatus = m_connectStatus;
        result.error = ZOLFleet::ErrorKind::Cancelled;
        m_events.report(std::move(result));
        m_connectStatus = 1;
    }
    Finish();
}

void Session::Follow(exchange::Action action) {
    switch (action.step) {
    case exchange::Step::Transmit:
        BeginTransmit();
        return;
    case exchange::Step::ReceiveAgain:
        if (m_link.fd < 0) {
            m_await = Await::ReceiveAgain;
            Follow(m_machine->OnReceived({}));
            return;
        }
        AwaitReply(Await::ReceiveAgain, action.waitMs);
        return;
    case exchange::Step::Pause:
        m_state = State::Gap;
        Timer(platform::SteadyMs() + platform::SchedulePause(static_cast<std::uint32_t>(action.waitMs)));
        return;
    case exchange::Step::Done:
        FinishRecord(m_machine->Finish());
        return;
    }
}

// --- transmit: connect when needed, then plan, pause, write, pause, await (as the command object does)

void Session::BeginTransmit() {
    if (m_link.fd >= 0) {
        PlanAndWrite();
        return;
    }
    // A connection made for the first time gets a second attempt in the same send, as a pooled one does.
    m_connectsLeft = m_link.fresh ? 2 : 1;
    StartConnect();
}

void Session::StartConnect() {
    --m_connectsLeft;
    m_connectStatus = ZOL_CONNECT_OPENED;
    if (platform::IpLiteralKind(m_link.address) == platform::IpKind::None) {
        m_connectStatus = ZOL_CONNECT_INVALID_ADDRESS;
        ConnectFailed(EADDRNOTAVAIL);
        return;
    }
    int error = 0;
    const int fd = platform::OpenDualStackSocket(&error);
    if (fd < 0) {
        if (error == EMFILE || error == ENFILE) {
            m_trace.outOfDescriptors = true;
            ZOL_LOG_WARN << "No file descriptor left for a connection to " << m_link.address << " ("
                         << std::strerror(error) << ")";
        }
        ConnectFailed(error);
        return;
    }
    m_link.Opened(fd);
    const int started = platform::StartConnectNumeric(fd, m_link.address, m_link.port);
    if (started == 0) {
        Connected();
        return;
    }
    if (started != EINPROGRESS) {
        ConnectFailed(started);
        return;
    }
    m_state = State::Connecting;
    WatchFor(EPOLLOUT);
    Timer(platform::SteadyMs() + kConnectWaitMs);
}

void Session::ConnectFailed(int error) {
    CloseLink();
    const bool timedOut = error == ETIMEDOUT;
    m_trace.lastError = error;
    m_trace.timedOut = m_trace.timedOut || timedOut;
    if (error != EADDRNOTAVAIL && !m_trace.outOfDescriptors) {
        ZOL_LOG_INFO << "Can not connect to " << m_link.address << " with port " << m_link.port;
    }
    const bool wasFresh = m_link.fresh;
    m_link.fresh = false;
    if (timedOut) {
        Transmitted({}, exchange::Transmitted::ConnectTimedOut);
        return;
    }
    const bool statusBlocks =
        m_connectStatus != ZOL_CONNECT_OPENED && m_settings.command->code != kPowerQuery;
    if (m_connectsLeft > 0 && !(wasFresh && statusBlocks)) {
        StartConnect();
        return;
    }
    Transmitted({});
}

void Session::Connected() {
    m_state = State::Greeting;
    m_greeting.clear();
    m_greetingSeen = false;
    WatchFor(EPOLLIN);
    Timer(platform::SteadyMs() + kGreetingWaitMs);
}

void Session::GreetingEnded() {
    ++m_generation;
    const std::string greeting = transport::GreetingText(m_greeting, m_greetingSeen);
    const transport::SessionStart start = transport::DecideSessionStart(greeting, !m_link.credential.empty());
    if (start == transport::SessionStart::Secured) {
        // The secured session is the blocking roads' work: this record and the rest go there.
        CloseLink();
        m_link.secured = true;
        m_machine.reset();
        m_request.reset();
        std::vector<std::size_t> rest(m_indexes.begin() + static_cast<std::ptrdiff_t>(m_position),
                                      m_indexes.end());
        m_position = m_indexes.size();
        Finish();
        m_events.delegate(std::move(rest));
        return;
    }
    if (start != transport::SessionStart::Plain) {
        m_connectStatus = start == transport::SessionStart::PinNotRequired ? ZOL_CONNECT_PIN_NOT_REQUIRED
                                                                           : ZOL_CONNECT_PIN_REQUIRED;
        ConnectFailed(ECONNABORTED);
        return;
    }
    m_link.fresh = false;
    m_trace = {};
    PlanAndWrite();
}

void Session::PlanAndWrite() {
    const payload::Request request = m_request->MakeRequest();
    // The plan is large and only its bytes and timings outlive this step: thousands of sessions waiting
    // for replies keep just those.
    // One plan per loop thread serves every session of it in turn.
    static thread_local payload::Plan scratch;
    scratch = payload::Plan{};
    payload::Plan* const plan = &scratch;
    if (!payload::PlanRequest(request, *plan)) {
        ZOL_LOG_WARN << "Command " << static_cast<int>(request.code) << " refused: " << plan->refusal;
        Transmitted({});
        return;
    }
    m_timing = {plan->pauseBeforeMs, plan->pauseAfterMs, plan->replyWaitMs, plan->awaitReply};
    payload::Route route;
    route.framingVariant = m_record->GetFramingVariant();
    route.relayByte = static_cast<unsigned char>(m_record->GetRelayByte() & 0xFF);
    route.displayId = static_cast<unsigned char>(m_record->GetDisplayId());
    route.relayTarget = m_record->GetRelayTarget();
    if (!payload::WireBytes(*plan, route, m_bytes)) {
        Transmitted({});
        return;
    }
    m_written = 0;
    if (m_timing.pauseBeforeMs > 0) {
        m_state = State::PauseBefore;
        Timer(platform::SteadyMs() +
              platform::SchedulePause(static_cast<std::uint32_t>(m_timing.pauseBeforeMs)));
        return;
    }
    WriteSome();
}

void Session::WriteSome() {
    if (m_bytes.size() >= 3) {
        // Stale bytes before a request for another command or display are dropped when the handler's flag
        // asks for it: whatever has already arrived.
        const bool otherTarget = m_bytes[1] != m_link.lastCommand || m_bytes[2] != m_link.lastDisplayId;
        if (otherTarget && m_state != State::Writing &&
            IZOLCommandHandlerFactory::CreateInstance()->GetFlag() != 0) {
            unsigned char stale[kEthernetReplyCapacity];
            int error = 0;
            platform::ReadSome(m_link.fd, stale, sizeof stale, &error);
        }
        m_link.lastCommand = m_bytes[1];
        m_link.lastDisplayId = m_bytes[2];
    }
    if (m_state != State::Writing)
        Timer(platform::SteadyMs() + kSendWaitMs);
    while (m_written < m_bytes.size() && m_link.fd >= 0) {
        const long sent = ::send(m_link.fd, m_bytes.data() + m_written, m_bytes.size() - m_written,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            m_written += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_state = State::Writing;
            WatchFor(EPOLLOUT);
            return;
        }
        CloseLink(); // a broken connection: the reply wait that follows finds nothing
    }
    AfterWrite();
}

void Session::AfterWrite() {
    ++m_generation;
    if (m_timing.pauseAfterMs > 0) {
        m_state = State::PauseAfter;
        Timer(platform::SteadyMs() +
              platform::SchedulePause(static_cast<std::uint32_t>(m_timing.pauseAfterMs)));
        return;
    }
    if (!m_timing.awaitReply) {
        Transmitted({});
        return;
    }
    AwaitReply(Await::Transmit, m_timing.replyWaitMs);
}

// --- reply waits: end as soon as the bytes in hand are a complete reply

void Session::AwaitReply(Await what, int waitMs) {
    m_await = what;
    if (m_link.fd < 0) {
        EndAwait();
        return;
    }
    // The loop reports bytes already waiting, so nothing is read here: most replies are still on their way.
    m_assembly.emplace();
    m_state = State::Awaiting;
    WatchFor(EPOLLIN);
    Timer(platform::SteadyMs() + static_cast<std::uint64_t>(waitMs < 0 ? 0 : waitMs));
}

void Session::ReadReply() {
    unsigned char chunk[kEthernetReplyCapacity];
    while (m_state == State::Awaiting && m_assembly) {
        int error = 0;
        const long got = platform::ReadSome(m_link.fd, chunk, m_assembly->Room(), &error);
        if (got > 0) {
            if (m_assembly->Append(chunk, static_cast<std::size_t>(got))) {
                EndAwait();
            }
            continue;
        }
        if (got < 0 && (error == EAGAIN || error == EWOULDBLOCK))
            return;
        ZOL_LOG_INFO << "Connection to " << m_link.address << " ended by the display";
        CloseLink();
        EndAwait();
    }
}

// A descriptor stays watched for reading after a wait: bytes that come while nobody reads are noticed in
// OnReady, which stops watching; the common case, the next wait or the end of the run, saves a change.
void Session::EndAwait() {
    ++m_generation;
    command::Reply reply = m_assembly ? m_assembly->Take() : command::Reply{};
    m_assembly.reset();
    m_state = State::Idle;
    if (m_await == Await::Transmit) {
        Transmitted(std::move(reply));
    } else {
        Follow(m_machine->OnReceived(std::move(reply)));
    }
}

void Session::Transmitted(command::Reply reply, exchange::Transmitted how) {
    ++m_generation;
    m_state = State::Idle;
    Follow(m_machine->OnTransmitted(std::move(reply), how));
}

// --- loop events

void Session::OnReady(std::uint32_t events) {
    switch (m_state) {
    case State::Connecting: {
        ++m_generation;
        const int error = platform::FinishConnect(m_link.fd);
        if (error != 0) {
            ConnectFailed(error);
        } else {
            Connected();
        }
        return;
    }
    case State::Greeting: {
        unsigned char chunk[1024];
        int error = 0;
        const std::size_t room = std::min(sizeof chunk, transport::kGreetingLimit - m_greeting.size());
        const long got = platform::ReadSome(m_link.fd, chunk, room, &error);
        if (got < 0 && (error == EAGAIN || error == EWOULDBLOCK))
            return;
        if (got <= 0 || (events & (EPOLLHUP | EPOLLRDHUP)) != 0) {
            m_greetingSeen = m_greetingSeen || got == 0;
            GreetingEnded();
            return;
        }
        m_greetingSeen = true;
        m_greeting.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(got));
        if (transport::GreetingComplete(m_greeting))
            GreetingEnded();
        return;
    }
    case State::Writing:
        WriteSome();
        return;
    case State::Awaiting:
        ReadReply();
        return;
    default:
        WatchFor(0);
        return;
    }
}

void Session::OnTimer(std::uint64_t generation) {
    if (generation != m_generation)
        return;
    switch (m_state) {
    case State::Connecting:
        ConnectFailed(ETIMEDOUT);
        return;
    case State::Greeting: {
        // In a busy turn the greeting may be waiting unread while its time runs out: read what is there
        // before deciding that none came.
        const std::uint64_t before = m_generation;
        OnReady(EPOLLIN);
        if (m_state == State::Greeting && m_generation == before)
            GreetingEnded();
        return;
    }
    case State::PauseBefore:
        m_state = State::Idle;
        WriteSome();
        return;
    case State::Writing:
        CloseLink(); // no room for the request within the send time-out
        AfterWrite();
        return;
    case State::PauseAfter:
        m_state = State::Idle;
        if (!m_timing.awaitReply) {
            Transmitted({});
            return;
        }
        AwaitReply(Await::Transmit, m_timing.replyWaitMs);
        return;
    case State::Awaiting:
        // As with the greeting: in a busy turn a reply may be waiting unread when its time runs out.
        ReadReply();
        if (m_state == State::Awaiting)
            EndAwait();
        return;
    case State::Gap:
        m_state = State::Idle;
        Follow(m_machine->OnPaused());
        return;
    default:
        return;
    }
}

} // namespace zol::fleet
