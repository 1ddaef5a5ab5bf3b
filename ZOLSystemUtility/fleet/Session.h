#pragma once

// One connection's share of a run: its records, in list order, each through the same command exchange the
// blocking handler drives, here driven by the event loop: connect and greeting, pauses, the write, the
// reply waits and re-receives, the retry gaps.

#include "ZOLFleet.h"
#include "exchange/CommandExchange.h"
#include "exchange/ReplyAssembly.h"
#include "fleet/ChangeWatch.h"
#include "fleet/EventLoop.h"
#include "fleet/Link.h"
#include "fleet/Outcome.h"
#include "protocol/PayloadTable.h"
#include "protocol/ZOLCommand.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ILFDData;

namespace zol::fleet {

struct RunSettings {
    const ZOLFleet::Command* command = nullptr;
    unsigned int retries = 4;
    bool reportChanges = true;
    const std::vector<std::string>* displayTypeTags = nullptr;
};

// What a session tells its run.
struct SessionEvents {
    std::function<void(ZOLFleet::DisplayResult&&)> report;
    // The display asks for a secured session: the records from `position` on go to the blocking roads.
    std::function<void(std::vector<std::size_t> indexes)> delegate;
    // The session has nothing left to do: its run may retire it.
    std::function<void()> finished;
};

class Session final : public LoopHandler {
public:
    // `records` is the run's whole list and `indexes` this connection's share of it, in order; both
    // outlive the session.
    Session(EventLoop& loop, Link& link, const std::vector<ILFDData*>& records,
            const std::vector<std::size_t>& indexes, const RunSettings& settings,
            const SessionEvents& events);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Start();
    bool Finished() const { return m_state == State::Finished; }
    // Ends the session now: the record in progress and those after it report Cancelled; a connection in
    // the middle of an exchange is closed (what it would carry next is unknown).
    void Cancel();
    Link& GetLink() { return m_link; }

    void OnReady(std::uint32_t events) override;
    void OnTimer(std::uint64_t generation) override;

private:
    enum class State {
        Idle,
        Connecting,
        Greeting,
        PauseBefore,
        Writing,
        PauseAfter,
        Awaiting,
        Gap,
        Finished
    };
    enum class Await { Transmit, ReceiveAgain };

    void NextRecord();
    void Finish();
    void FinishRecord(unsigned int status);
    void Follow(exchange::Action action);
    void BeginTransmit();
    void StartConnect();
    void ConnectFailed(int error);
    void Connected();
    void GreetingEnded();
    void PlanAndWrite();
    void WriteSome();
    void AfterWrite();
    void AwaitReply(Await what, int waitMs);
    void ReadReply();
    void EndAwait();
    void Transmitted(command::Reply reply, exchange::Transmitted how = exchange::Transmitted::Sent);
    void Timer(std::uint64_t atMs);
    void WatchFor(std::uint32_t events);
    void CloseLink();

    EventLoop& m_loop;
    Link& m_link;
    const std::vector<ILFDData*>& m_records;
    const std::vector<std::size_t>& m_indexes;
    RunSettings m_settings;
    SessionEvents m_events;
    std::size_t m_position = 0;
    State m_state = State::Idle;
    std::uint64_t m_generation = 0;

    // the record in progress
    ILFDData* m_record = nullptr;
    std::chrono::steady_clock::time_point m_started;
    std::optional<exchange::CommandExchange> m_machine;
    std::optional<CZOLCommand> m_request;
    std::optional<ChangeWatch> m_watch; // the record as the exchange sees it, when changes are reported
    int m_connectStatus = 1;
    ConnectTrace m_trace;
    int m_connectsLeft = 0;
    std::string m_greeting;
    bool m_greetingSeen = false;
    struct Timing {
        int pauseBeforeMs = 0;
        int pauseAfterMs = 0;
        int replyWaitMs = 0;
        bool awaitReply = true;
    } m_timing; // of the request being sent
    std::vector<unsigned char> m_bytes;
    std::size_t m_written = 0;
    Await m_await = Await::Transmit;
    std::optional<exchange::ReplyAssembly> m_assembly;
};

} // namespace zol::fleet
