#pragma once

// One command's exchange with a display, as a state machine that does no I/O of its own: it says what to
// do next (transmit the request and wait for its reply, wait for more reply bytes, pause, or stop), and is
// told what came of it. The blocking handler and the fleet engine drive the same machine, so a display
// sees the same requests, waits, re-receives, retries and gaps whichever of them talks to it.
//
// The road: transmit; an unverified command, or a reply that matches, ends it. A reply that does not
// match is given one more receive of 3000 ms. Then, unless the command is 0x1D (never sent twice) or that
// receive matched, up to `retries` attempts follow, each a 100 ms gap, a transmit and, when something
// came back that does not match, another 3000 ms receive. Every reply of 6 bytes or more that does not
// match is still decoded into the record, so that status a display volunteered is not lost.

#include "command/CommandHandler.h"
#include "command/ReplyDecoder.h"

#include <string>
#include <vector>

class ILFDData;

namespace zol::exchange {

inline constexpr int kReReceiveMs = 3000;
inline constexpr int kRetryGapMs = 100;

enum class Step {
    Transmit,     // send the request (connecting first when needed) and wait for its reply
    ReceiveAgain, // wait up to waitMs for a reply on the same connection, sending nothing
    Pause,        // do nothing for waitMs (the gap before a retry)
    Done,         // the exchange is over: Finish() or TakeReply()
};

struct Action {
    Step step = Step::Done;
    int waitMs = 0;
};

// How a transmit went, besides the reply it brought.
enum class Transmitted {
    Sent,            // the request went out (or was refused by the payload table); the reply is what came
    ConnectTimedOut, // the connection could not be made in time: it is not tried again in this command
};

class CommandExchange {
public:
    CommandExchange(ILFDData& record, unsigned char code, bool verify, unsigned int retries,
                    const std::vector<std::string>* displayTypeTags);

    Action Start();
    // The outcome of a Transmit step.
    Action OnTransmitted(command::Reply reply, Transmitted how = Transmitted::Sent);
    // The outcome of a ReceiveAgain step (an empty reply when nothing complete came in time).
    Action OnReceived(command::Reply reply);
    // A Pause step has elapsed.
    Action OnPaused();

    bool IsDone() const { return m_phase == Phase::Done; }
    unsigned char Code() const { return m_code; }
    // Whether the last transmit could not connect in time.
    bool ConnectTimedOut() const { return m_connectTimedOut; }
    // The last reply (matched or not) and whether it matched this command.
    const command::Reply& LastReply() const { return m_last; }
    bool Matched() const { return m_matched; }

    // Execute's ending: a status request first marks the record offline (a good status reply marks it
    // responding and powered again), then a reply of 6 bytes or more is decoded. 1 when a frame for this
    // command decoded.
    unsigned int Finish();
    // ExecuteWithReply's ending: the last reply, handed over.
    command::Reply TakeReply() { return std::move(m_last); }

private:
    enum class Phase { Idle, FirstSend, FirstReReceive, Gap, RetrySend, RetryReReceive, Done };

    bool MatchOrSalvage();
    Action NextAttempt();
    Action Stop();

    ILFDData& m_record;
    unsigned char m_code;
    bool m_verify;
    unsigned int m_retries;
    command::DecodeOptions m_decode;
    Phase m_phase = Phase::Idle;
    unsigned int m_attempt = 0;
    command::Reply m_last;
    bool m_matched = false;
    bool m_connectTimedOut = false;
};

} // namespace zol::exchange
