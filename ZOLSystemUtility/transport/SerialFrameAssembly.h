#pragma once

// How the serial reader thread turns the bytes of a line into reply frames: bytes collect in a burst
// buffer until they form a frame (published at once) or the line falls silent (the burst is published
// when it may still stand as a reply, else dropped). A full buffer that formed no frame is dropped to
// make room. Free of any port, so that it can be driven byte by byte in tests.

#include "transport/PacketCompleteness.h"

#include <array>
#include <cstddef>
#include <functional>
#include <span>

namespace zol {

class SerialFrameAssembly {
public:
    // Called with each frame the burst forms; the bytes are valid only during the call.
    using PublishFrame = std::function<void(const unsigned char* frame, std::size_t length)>;

    explicit SerialFrameAssembly(PublishFrame publish) : m_publish(std::move(publish)) {}

    // Where the next read goes (never empty: a full buffer is dropped first).
    std::span<unsigned char> Room();
    // `count` bytes were read into Room().
    void Received(std::size_t count);
    // Bytes from elsewhere, in pieces that fit, each piece judged as a read of its own.
    void Feed(const unsigned char* bytes, std::size_t count);
    // The line has been quiet for the burst silence.
    void Silence();

    bool InBurst() const { return m_fill > 0; }

private:
    void Publish();
    void Drop();

    PublishFrame m_publish;
    std::array<unsigned char, kSerialReplyCapacity> m_buffer{};
    std::size_t m_fill = 0;
};

} // namespace zol
