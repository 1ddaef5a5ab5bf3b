#include "ReplyQueue.h"

namespace zolsim {

namespace {

// A send buffer that grew for a burst is given back once drained, so an idle connection stays small.
constexpr std::size_t kKeptCapacity = 512;

} // namespace

void ReplyQueue::Push(const Outgoing& reply, Core& core, Clock::time_point now) {
    if (m_closing) {
        return;
    }
    const auto bytes = std::make_shared<const Bytes>(reply.bytes);
    for (const DeliveryStep& step : PlanDelivery(reply)) {
        m_steps.push_back(Pending{bytes, step});
    }
    Advance(now, &core);
}

void ReplyQueue::PushText(const std::shared_ptr<const Bytes>& text, int waitMs, Clock::time_point now) {
    if (m_closing || !text) {
        return;
    }
    m_steps.push_back(Pending{text, DeliveryStep{waitMs, false, false, 0, text->size()}});
    Advance(now, nullptr);
}

void ReplyQueue::Advance(Clock::time_point now, Core* core) {
    // Each pass runs one step or returns: bounded by the steps queued.
    while (!m_steps.empty()) {
        const Pending& front = m_steps.front();
        if (!m_frontDue) {
            m_frontDue = now + std::chrono::milliseconds(front.step.waitMs);
        }
        if (*m_frontDue > now) {
            return;
        }
        m_frontDue.reset();
        if (front.step.close) {
            m_closing = true;
            m_steps.clear();
            return;
        }
        if (front.step.log && core != nullptr) {
            core->LogReply(*front.bytes);
        }
        if (m_sent > 0) {
            // What already left is dropped before more is added, so the buffer holds only unsent bytes.
            m_out.erase(m_out.begin(), m_out.begin() + static_cast<std::ptrdiff_t>(m_sent));
            m_sent = 0;
        }
        const auto begin = front.bytes->begin();
        m_out.insert(m_out.end(), begin + static_cast<std::ptrdiff_t>(front.step.from),
                     begin + static_cast<std::ptrdiff_t>(front.step.to));
        m_steps.erase(m_steps.begin());
    }
    if (m_steps.capacity() > 4) {
        m_steps.shrink_to_fit();
    }
}

void ReplyQueue::Consume(std::size_t count) {
    m_sent += count;
    if (m_sent < m_out.size()) {
        return;
    }
    m_sent = 0;
    m_out.clear();
    if (m_out.capacity() > kKeptCapacity) {
        Bytes().swap(m_out);
    }
}

} // namespace zolsim
