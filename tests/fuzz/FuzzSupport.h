#pragma once

// Small pieces every fuzz target shares: reading choices off the front of an input, a failed invariant
// that stops the run with a readable message, and frame building for targets that need well-formed
// frames to start from.

#include "Logger.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zol::fuzz {

using Bytes = std::vector<unsigned char>;

// Every log line is formatted (its formatting is code under test too) and then thrown away: a search
// of millions of inputs must not flood the terminal. A fuzz target is one source file, so this runs once.
inline const bool kLogsQuiet = [] {
    __logger.SetLevel(LogLevel::Debug);
    __logger.SetSink([](const LogRecord&) {});
    return true;
}();

// Stops the run: libFuzzer records the input that broke the invariant.
[[noreturn]] inline void Broken(const char* invariant, const char* file, int line) {
    std::fprintf(stderr, "invariant broken at %s:%d: %s\n", file, line, invariant);
    std::abort();
}

#define ZOL_FUZZ_CHECK(condition)                                                                            \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::zol::fuzz::Broken(#condition, __FILE__, __LINE__);                                             \
    } while (0)

// What `parse` gives; a parser reports bad input, so an exception it lets out stops the run.
template <typename Parse> auto WithoutExceptions(const char* parser, Parse&& parse) -> decltype(parse()) {
    try {
        return parse();
    } catch (...) {
        std::fprintf(stderr, "%s let an exception out\n", parser);
        std::abort();
    }
}

// Takes choices off the front of the input and hands out what is left.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    unsigned char Byte() {
        if (m_at >= m_size)
            return 0;
        return m_data[m_at++];
    }
    // The rest of the input, copied into a buffer of exactly its size so that a read past the end is
    // caught by the address sanitizer.
    Bytes Rest() {
        Bytes rest(m_data + m_at, m_data + m_size);
        m_at = m_size;
        return rest;
    }
    std::size_t Left() const { return m_size - m_at; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// Low 8 bits of the sum of bytes [from, to).
inline unsigned char Sum(const Bytes& bytes, std::size_t from, std::size_t to) {
    unsigned sum = 0;
    for (std::size_t i = from; i < to && i < bytes.size(); ++i)
        sum += bytes[i];
    return static_cast<unsigned char>(sum);
}

// A standard reply frame: AA FF id N ack code values checksum (values cut to fit the length byte).
inline Bytes StandardReply(unsigned char id, unsigned char ack, unsigned char code, Bytes values) {
    if (values.size() > 253)
        values.resize(253);
    Bytes frame{0xAA, 0xFF, id, static_cast<unsigned char>(values.size() + 2), ack, code};
    frame.insert(frame.end(), values.begin(), values.end());
    frame.push_back(Sum(frame, 1, frame.size()));
    return frame;
}

} // namespace zol::fuzz
