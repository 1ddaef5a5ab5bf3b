// The display's own view of the wire: requests as it parses them and replies as it frames them.
// Written independently of the client library so that each checks the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zolsim {

using Bytes = std::vector<unsigned char>;

inline constexpr unsigned char kHeader = 0xAA;
inline constexpr unsigned char kReplyMark = 0xFF;
inline constexpr unsigned char kAck = 'A';
inline constexpr unsigned char kNak = 'N';
inline constexpr unsigned char kAllDisplays = 0xFE;
inline constexpr unsigned char kFixedId = 0xF7;
inline constexpr unsigned char kRelayCode = 0xEE;

enum class Framing { Standard = 0, Compact = 1, FixedId = 2 };

// One request as the display understood it.
struct Request {
    Framing framing = Framing::Standard;
    bool longFrame = false;   // 2-byte length field (0xD2, 0xD1 bulk)
    bool relayHeader = false; // AA EE id 05 00 01 00 relay target cs
    int relayTarget = -1;     // for a relay header: its target; for a relayed request: the target it went to
    unsigned char relayByte = 0;
    unsigned char code = 0;
    int id = -1; // -1 for compact requests, which carry no ID
    Bytes data;
    Bytes raw; // the bytes exactly as received
    unsigned lineBaud = 0; // serial line speed the client had set when it arrived; 0 on TCP
};

// What a display says back, before it is framed.
struct Answer {
    unsigned char ack = kAck;
    unsigned char code = 0;
    Bytes values;
};

// Low 8 bits of the sum of bytes [from, to).
unsigned char Checksum(const unsigned char* bytes, std::size_t from, std::size_t to);

// Reply frames. The standard reply is AA FF id N ack code values cs with N = 2 + values;
// the long reply carries N in two bytes, high first; the compact reply drops the header and the ID:
// FF N ack code values cs, its checksum summing N and the N bytes after it.
Bytes StandardReply(unsigned char id, const Answer& answer);
Bytes LongReply(unsigned char id, const Answer& answer);
Bytes CompactReply(const Answer& answer);

// Request frames, for tests and tools that play the client.
Bytes StandardRequest(unsigned char code, unsigned char id, const Bytes& data = {});
Bytes LongRequest(unsigned char code, unsigned char id, const Bytes& data);
Bytes CompactRequest(unsigned char code, const Bytes& data = {});
Bytes FixedIdRequest(unsigned char code, const Bytes& data = {});
Bytes RelayHeader(unsigned char id, unsigned char relayByte, unsigned char relayTarget);

// True for the commands that always travel in long frames.
bool IsLongFrameCode(unsigned char code);

// Splits a byte stream into requests. Incomplete frames stay buffered until more bytes arrive;
// bytes that cannot start a valid frame are skipped (and counted) so a bad byte never stalls the line.
class RequestParser {
public:
    void Feed(const unsigned char* bytes, std::size_t length);
    std::optional<Request> Next();
    bool HasPartial() const { return !m_buffer.empty(); }
    std::size_t SkippedBytes() const { return m_skipped; }

private:
    enum class Parse { Complete, NeedMore, Invalid };
    Parse TryStandard(std::size_t at, Request& out, std::size_t& used) const;
    Parse TryCompact(std::size_t at, Request& out, std::size_t& used) const;
    bool LaterStandardFrameComplete(std::size_t from) const;

    Bytes m_buffer;
    std::size_t m_skipped = 0;
};

} // namespace zolsim
