#include "zolsim/Wire.h"

namespace zolsim {

unsigned char Checksum(const unsigned char* bytes, std::size_t from, std::size_t to) {
    unsigned sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += bytes[i];
    }
    return static_cast<unsigned char>(sum & 0xFF);
}

namespace {

unsigned char Low(std::size_t v) {
    return static_cast<unsigned char>(v & 0xFF);
}
unsigned char High(std::size_t v) {
    return static_cast<unsigned char>((v >> 8) & 0xFF);
}

void AppendChecksumFrom(Bytes& frame, std::size_t from) {
    frame.push_back(Checksum(frame.data(), from, frame.size()));
}

} // namespace

Bytes StandardReply(unsigned char id, const Answer& answer) {
    Bytes frame{kHeader, kReplyMark, id, Low(answer.values.size() + 2), answer.ack, answer.code};
    frame.insert(frame.end(), answer.values.begin(), answer.values.end());
    AppendChecksumFrom(frame, 1);
    return frame;
}

Bytes LongReply(unsigned char id, const Answer& answer) {
    const std::size_t n = answer.values.size() + 2;
    Bytes frame{kHeader, kReplyMark, id, High(n), Low(n), answer.ack, answer.code};
    frame.insert(frame.end(), answer.values.begin(), answer.values.end());
    AppendChecksumFrom(frame, 1);
    return frame;
}

Bytes CompactReply(const Answer& answer) {
    Bytes frame{kReplyMark, Low(answer.values.size() + 2), answer.ack, answer.code};
    frame.insert(frame.end(), answer.values.begin(), answer.values.end());
    AppendChecksumFrom(frame, 1);
    return frame;
}

Bytes StandardRequest(unsigned char code, unsigned char id, const Bytes& data) {
    Bytes frame{kHeader, code, id, Low(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    AppendChecksumFrom(frame, 1);
    return frame;
}

Bytes LongRequest(unsigned char code, unsigned char id, const Bytes& data) {
    Bytes frame{kHeader, code, id, High(data.size()), Low(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    AppendChecksumFrom(frame, 1);
    return frame;
}

Bytes CompactRequest(unsigned char code, const Bytes& data) {
    Bytes frame{code, Low(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    AppendChecksumFrom(frame, 1);
    return frame;
}

Bytes FixedIdRequest(unsigned char code, const Bytes& data) {
    return StandardRequest(code, kFixedId, data);
}

Bytes RelayHeader(unsigned char id, unsigned char relayByte, unsigned char relayTarget) {
    return StandardRequest(kRelayCode, id, {0x00, 0x01, 0x00, relayByte, relayTarget});
}

bool IsLongFrameCode(unsigned char code) {
    return code == 0xD2 || code == 0xD1;
}

void RequestParser::Feed(const unsigned char* bytes, std::size_t length) {
    if (bytes != nullptr && length > 0) {
        m_buffer.insert(m_buffer.end(), bytes, bytes + length);
    }
}

RequestParser::Parse RequestParser::TryStandard(std::size_t at, Request& out, std::size_t& used) const {
    const std::size_t avail = m_buffer.size() - at;
    const unsigned char* b = m_buffer.data() + at;
    if (avail < 4) {
        return Parse::NeedMore;
    }
    const bool isLong = IsLongFrameCode(b[1]);
    std::size_t dataAt = 4;
    std::size_t n = b[3];
    if (isLong) {
        if (avail < 5) {
            return Parse::NeedMore;
        }
        dataAt = 5;
        n = (static_cast<std::size_t>(b[3]) << 8) | b[4];
    }
    const std::size_t total = dataAt + n + 1;
    if (avail < total) {
        return Parse::NeedMore;
    }
    if (Checksum(b, 1, total - 1) != b[total - 1]) {
        return Parse::Invalid;
    }
    out = Request{};
    out.longFrame = isLong;
    out.code = b[1];
    out.id = b[2];
    out.framing = b[2] == kFixedId ? Framing::FixedId : Framing::Standard;
    out.data.assign(b + dataAt, b + dataAt + n);
    out.raw.assign(b, b + total);
    if (!isLong && out.code == kRelayCode && n == 5 && out.data[0] == 0x00 && out.data[1] == 0x01 &&
        out.data[2] == 0x00) {
        out.relayHeader = true;
        out.relayByte = out.data[3];
        out.relayTarget = out.data[4];
    }
    used = total;
    return Parse::Complete;
}

RequestParser::Parse RequestParser::TryCompact(std::size_t at, Request& out, std::size_t& used) const {
    const std::size_t avail = m_buffer.size() - at;
    const unsigned char* b = m_buffer.data() + at;
    if (avail < 2) {
        return Parse::NeedMore;
    }
    const std::size_t total = static_cast<std::size_t>(b[1]) + 3;
    if (avail < total) {
        return Parse::NeedMore;
    }
    if (Checksum(b, 1, total - 1) != b[total - 1]) {
        return Parse::Invalid;
    }
    out = Request{};
    out.framing = Framing::Compact;
    out.code = b[0];
    out.data.assign(b + 2, b + total - 1);
    out.raw.assign(b, b + total);
    used = total;
    return Parse::Complete;
}

// A compact frame that is still waiting for bytes may be a stray byte in front of a real frame;
// when a complete standard frame already stands behind it, the stray bytes are given up.
bool RequestParser::LaterStandardFrameComplete(std::size_t from) const {
    for (std::size_t i = from; i < m_buffer.size(); ++i) {
        if (m_buffer[i] != kHeader) {
            continue;
        }
        Request probe;
        std::size_t used = 0;
        if (TryStandard(i, probe, used) == Parse::Complete) {
            return true;
        }
    }
    return false;
}

std::optional<Request> RequestParser::Next() {
    while (!m_buffer.empty()) {
        Request req;
        std::size_t used = 0;
        const bool standard = m_buffer[0] == kHeader;
        const Parse result = standard ? TryStandard(0, req, used) : TryCompact(0, req, used);
        if (result == Parse::Complete) {
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(used));
            return req;
        }
        if (result == Parse::NeedMore && (standard || !LaterStandardFrameComplete(1))) {
            return std::nullopt;
        }
        m_buffer.erase(m_buffer.begin());
        ++m_skipped;
    }
    return std::nullopt;
}

} // namespace zolsim
