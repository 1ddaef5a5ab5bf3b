#pragma once

// Bytes of one reply wait, gathered as they arrive until they form a complete reply. A reply split across
// reads is accumulated; when the wait ends undecided, what is in hand is still given back where the
// connection's own wait would give it back. The reply buffer is taken only when the first bytes arrive, so
// thousands of waits in flight hold no memory until their replies come.

#include "command/CommandHandler.h"
#include "transport/PacketCompleteness.h"

#include <cstddef>

namespace zol::exchange {

class ReplyAssembly {
public:
    std::size_t Room() const { return kEthernetReplyCapacity - m_have; }
    std::size_t Have() const { return m_have; }
    // Adds at most Room() bytes; true once the bytes in hand decide the reply (complete or not valid), or
    // when no buffer could be had for them.
    bool Append(const unsigned char* bytes, std::size_t count);
    // The reply when the bytes in hand are accepted, else an empty one. Ends the assembly.
    command::Reply Take();

private:
    command::ReplyBuffer m_buffer;
    std::size_t m_have = 0;
    ReplyVerdict m_verdict = ReplyVerdict::NeedMore;
};

} // namespace zol::exchange
