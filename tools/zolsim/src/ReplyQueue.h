// What one connection of the fleet door still has to send: bytes ready to leave, and the steps of
// replies that wait for their time (a late greeting, a delayed reply, the rest of a split one). Steps
// run in order, each one's wait counted from when the step before it ran, just as a threaded door
// waits and writes in turn. Empty, it holds no memory beyond its own few words.
#pragma once

#include "Core.h"
#include "Delivery.h"

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace zolsim {

class ReplyQueue {
public:
    using Clock = std::chrono::steady_clock;

    // Queues a reply's steps and runs those already due; core keeps the reply log.
    void Push(const Outgoing& reply, Core& core, Clock::time_point now);
    // Queues text sent after waitMs, kept out of the reply log (a greeting), and runs it when due.
    void PushText(const std::shared_ptr<const Bytes>& text, int waitMs, Clock::time_point now);
    // Runs every step due at now; core (null for text only) keeps the reply log.
    void Advance(Clock::time_point now, Core* core);

    // Steps wait for their time; the display reads nothing more meanwhile, as a threaded door would not.
    bool Waiting() const { return !m_steps.empty(); }
    // When the first waiting step is due.
    std::optional<Clock::time_point> NextDue() const { return m_frontDue; }
    // A step closed the connection: it ends once the bytes before that step have left.
    bool Closing() const { return m_closing; }

    // The bytes ready to leave.
    const unsigned char* Data() const { return m_out.data() + m_sent; }
    std::size_t Size() const { return m_out.size() - m_sent; }
    void Consume(std::size_t count);

private:
    struct Pending {
        std::shared_ptr<const Bytes> bytes;
        DeliveryStep step;
    };

    std::vector<Pending> m_steps;
    std::optional<Clock::time_point> m_frontDue; // set once the first step's wait has begun
    Bytes m_out;
    std::size_t m_sent = 0;
    bool m_closing = false;
};

} // namespace zolsim
