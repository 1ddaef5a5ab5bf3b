#include "exchange/ReplyAssembly.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zol::exchange {

bool ReplyAssembly::Append(const unsigned char* bytes, std::size_t count) {
    if (m_buffer == nullptr) {
        // The buffer is the connection's: room for a whole reply and a terminating zero, zeroed so that the
        // completeness check reads zeros past the bytes received.
        m_buffer.reset(static_cast<unsigned char*>(std::calloc(kEthernetReplyCapacity + 1, 1)));
        if (m_buffer == nullptr)
            return true;
    }
    count = std::min(count, Room());
    std::memcpy(m_buffer.get() + m_have, bytes, count);
    m_have += count;
    m_verdict = JudgeIncomingReply(m_buffer.get(), m_have, kEthernetReplyCapacity);
    return m_verdict != ReplyVerdict::NeedMore || m_have >= kEthernetReplyCapacity;
}

command::Reply ReplyAssembly::Take() {
    command::Reply reply;
    const bool accepted = m_have > 0 && (m_verdict == ReplyVerdict::Valid ||
                                         (m_verdict == ReplyVerdict::NeedMore &&
                                          AcceptAtTimeout(m_buffer.get(), m_have, kEthernetReplyCapacity)));
    if (accepted) {
        reply.length = static_cast<int>(m_have);
        reply.bytes = std::move(m_buffer);
    }
    m_have = 0;
    return reply;
}

} // namespace zol::exchange
