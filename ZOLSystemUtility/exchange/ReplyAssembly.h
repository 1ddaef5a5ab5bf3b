#pragma once

// Bytes of one reply wait, gathered as they arrive until they form a complete reply. A reply split across
// reads is accumulated; when the wait ends undecided, what is in hand is still given back where the
// connection's own wait would give it back.

#include "command/CommandHandler.h"
#include "transport/PacketCompleteness.h"

#include <cstddef>

namespace zol::exchange {

class ReplyAssembly {
public:
    ReplyAssembly();

    bool Ok() const { return m_buffer != nullptr; }
    unsigned char* Tail() { return m_buffer.get() + m_have; }
    std::size_t Room() const { return kEthernetReplyCapacity - m_have; }
    std::size_t Have() const { return m_have; }
    // Adds bytes read into Tail(); true once the bytes in hand decide the reply (complete or not valid).
    bool Add(std::size_t count);
    // The reply when the bytes in hand are accepted, else an empty one. Ends the assembly.
    command::Reply Take();

private:
    command::ReplyBuffer m_buffer;
    std::size_t m_have = 0;
    ReplyVerdict m_verdict = ReplyVerdict::NeedMore;
};

} // namespace zol::exchange
