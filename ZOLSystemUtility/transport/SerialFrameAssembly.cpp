#include "transport/SerialFrameAssembly.h"

#include "Logger.h"
#include "transport/ConnectionEvents.h"

#include <algorithm>
#include <cstring>

namespace zol {

std::span<unsigned char> SerialFrameAssembly::Room() {
    if (m_fill == m_buffer.size())
        Drop();
    return {m_buffer.data() + m_fill, m_buffer.size() - m_fill};
}

void SerialFrameAssembly::Received(std::size_t count) {
    m_fill += std::min(count, m_buffer.size() - m_fill);
    if (JudgeSerialFrame(m_buffer.data(), m_fill, m_buffer.size()) == ReplyVerdict::Valid)
        Publish();
    // Otherwise the burst goes on until it forms a frame or the line falls silent.
}

void SerialFrameAssembly::Feed(const unsigned char* bytes, std::size_t count) {
    while (count > 0) {
        const std::span<unsigned char> room = Room();
        const std::size_t take = std::min(count, room.size());
        std::memcpy(room.data(), bytes, take);
        Received(take);
        bytes += take;
        count -= take;
    }
}

void SerialFrameAssembly::Silence() {
    if (m_fill == 0)
        return;
    if (AcceptSerialAtSilence(m_buffer.data(), m_fill))
        Publish();
    else
        Drop();
}

void SerialFrameAssembly::Publish() {
    m_publish(m_buffer.data(), SerialFrameLength(m_buffer.data(), m_fill));
    m_buffer.fill(0);
    m_fill = 0;
}

void SerialFrameAssembly::Drop() {
    if (m_fill > 0) {
        ZOL_LOG_DEBUG << "Drop " << HexText(m_buffer.data(), m_fill);
    }
    m_buffer.fill(0);
    m_fill = 0;
}

} // namespace zol
