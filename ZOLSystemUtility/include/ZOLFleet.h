#pragma once

/// \file
/// The fleet engine: one command over a whole wall of displays, costing about one display's wait rather
/// than the sum of them, without a host thread per display.
///
///     ZOLFleet::Engine engine;
///     engine.Run(records, ZOLFleet::Command::Execute(0x00),
///                [](const ZOLFleet::DisplayResult& result) { ... }); // once per record, as each finishes
///
/// What a display sees is what IZOLCommandHandler::Execute would send it: the same request bytes, reply
/// waits, 3000 ms re-receives, retries (the handler's retry count) with their 100 ms gaps, pauses and
/// decoding into the record. The difference is that many such exchanges run at once over one event loop on
/// the calling thread.
///
/// - Records that share a connection (IDs behind one relay address, displays on one serial line) take their
///   turns on it, in list order; different connections run in parallel, at most `maxInFlight` at a time.
/// - Plain TCP displays run in the event loop. Displays whose greeting asks for a secured session, serial
///   lines and operations by name run, one connection after another, on the engine's one worker thread
///   through the blocking roads (the pool's connections, the serial reader threads).
/// - The engine keeps its own TCP connections (one per address) open between runs, apart from the
///   process-wide pool; they close when the engine is destroyed. So do its event loops (an epoll and an
///   eventfd descriptor each, one per run that ran at the same time), which keep those connections
///   registered between runs: a sweep over open connections costs each display a send and a receive.
/// - Several host threads may call Run on one engine at once; a connection busy in another run is not
///   shared, the later run opens one of its own for the time of the run.
/// - The soft descriptor limit is raised towards the hard limit when a run needs more (a run whose
///   connections are all open needs none). A display for which no descriptor is left reports
///   OutOfDescriptors (and a warning in the log), never a silent display.

#include "ZOLExport.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ILFDData;

/// The fleet engine and the types of its runs; see the file description.
namespace ZOLFleet {

/// Why a display did not give the answer asked for (Ok when it did).
enum class ErrorKind {
    Ok,               ///< the display gave the answer asked for
    Nak,              ///< the display refused the command
    NoReply,          ///< connected, but no reply for this command came
    Refused,          ///< the connection was refused
    Unreachable,      ///< the connection could not be made in time, or the network has no route
    TlsUntrusted,     ///< the secured session failed (its certificate is not trusted)
    PinRequired,      ///< the display requires a PIN and the record has none
    PinNotNeeded,     ///< the record has a PIN but the display does not use the secured protocol
    BadAddress,       ///< no record, or an address that is not an IPv4 or IPv6 literal
    OutOfDescriptors, ///< no file descriptor was left for the connection
    SerialOpenFailed, ///< the serial port could not be opened
    Cancelled,        ///< the run was cancelled before this display finished
};

/// "ok", "nak", "no-reply", "refused", "unreachable", "tls-untrusted", "pin-required", "pin-not-needed",
/// "bad-address", "out-of-descriptors", "serial-open-failed", "cancelled".
ZOL_API const char* ErrorKindName(ErrorKind kind);

/// What a run does to every record.
struct ZOL_API Command {
    /// Which of the two roads a run takes.
    enum class Kind {
        Execute,  ///< one command code with its data bytes, as IZOLCommandHandler::Execute
        Operation ///< one operation of the extended helper, by name
    };
    Kind kind = Kind::Execute;          ///< Execute or Operation; the factories below set it
    unsigned char code = 0;             ///< Execute: the command code
    std::vector<unsigned char> data;    ///< Execute: its data bytes (at most 2042)
    bool verify = true;                 ///< Execute: match the reply and retry (as Execute's verify)
    std::string operation;              ///< Operation: a name of the extended helper's operation table
    std::vector<std::string> arguments; ///< Operation: its in-arguments, decimal or 0x-hexadecimal

    /// A command of kind Execute: the code and its data bytes (checked by Run, not here).
    static Command Execute(unsigned char code, std::vector<unsigned char> data = {});
    /// A command of kind Operation: the operation's name and its in-arguments (checked by Run, not here).
    static Command Operation(std::string name, std::vector<std::string> arguments = {});
};

/// One record's outcome, handed to the callback as soon as the record is done.
struct ZOL_API DisplayResult {
    ILFDData* record = nullptr; ///< the record as given to Run (the host's; null for a null record)
    std::size_t index = 0;      ///< the record's position in the list given to Run
    unsigned int status = 0;    ///< Execute's result (1 success); an operation's own result
    int connectStatus = 1;      ///< 1 opened, 2 secured session failed, 3 PIN required, 4 PIN not needed,
                                ///< 100 serial port not opened, 201 invalid address
    ErrorKind error = ErrorKind::Ok;      ///< Ok, or why the display did not give the answer asked for
    std::vector<std::string> changed;     ///< names of the record values the reply changed (see LFDValues)
    std::vector<int> outs;                ///< an operation's out-arguments, in argument order
    std::chrono::milliseconds elapsed{0}; ///< from the start of this record's work to its result
};

/// How a run goes about its work; every field has a default.
struct ZOL_API RunOptions {
    /// Connections in flight at once; 0: as many as the descriptor limit allows, less a reserve.
    std::size_t maxInFlight = 0;
    /// Retries of an unanswered command; empty: the command handler's retry count.
    std::optional<unsigned int> retries;
    /// Time between starting one connection's work and the next (0: all at once).
    std::chrono::milliseconds stagger{0};
    /// Whether DisplayResult::changed is filled: each value a reply stores is compared with what it held.
    bool reportChanges = true;
    /// TCP ports by display address; an address not listed is reached on 1515. A display that the blocking
    /// roads carry (a secured session) uses its pooled connection, whose port is that connection's own.
    std::map<std::string, std::uint32_t> ports;
};

/// Cancels a run from any thread: records not yet finished report Cancelled, their connections are closed,
/// and Run returns within about 50 ms (a record on the worker thread finishes its current exchange first).
class ZOL_API CancelToken {
public:
    /// Asks every run watching this token to stop; it stays cancelled for good.
    void Cancel() { m_cancelled.store(true); }
    /// True once Cancel was called.
    bool IsCancelled() const { return m_cancelled.load(); }

private:
    std::atomic<bool> m_cancelled{false};
};

/// The counts of one run, returned by Run when every record is done.
struct ZOL_API RunSummary {
    std::size_t total = 0;                ///< records given to Run
    std::size_t ok = 0;                   ///< finished with error kind Ok
    std::size_t failed = 0;               ///< finished with an error kind other than Ok and Cancelled
    std::size_t cancelled = 0;            ///< finished with error kind Cancelled
    std::chrono::milliseconds elapsed{0}; ///< the whole run, from the call of Run to its return
};

/// Called on Run's thread with each record's outcome, which lives only for the call; an empty one is
/// not called.
using ResultCallback = std::function<void(const DisplayResult&)>;

/// Runs one command over many records at once; see the file description.
class ZOL_API Engine {
public:
    /// An engine with no connections open; they open with the first run that needs them.
    Engine();
    /// Closes the engine's connections and event loops; no run may still be going.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    /// Runs the command over every record and returns when all are done or the run is cancelled. The
    /// callback runs on the calling thread, once per record. Throws std::invalid_argument for a command
    /// that no record could run (too many data bytes, an unknown operation, a wrong argument count).
    RunSummary Run(const std::vector<ILFDData*>& records, const Command& command,
                   const ResultCallback& onResult, const RunOptions& options = {},
                   const CancelToken* cancel = nullptr);

    /// Engine connections open right now (idle between runs, or in a run).
    std::size_t OpenConnections() const;
    /// Closes every idle connection.
    void CloseIdleConnections();

    class Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace ZOLFleet
