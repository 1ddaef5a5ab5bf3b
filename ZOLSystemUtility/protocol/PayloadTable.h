#pragma once

// The payload table: for every command code the command object knows, which packet a request becomes,
// how long its reply is awaited, which pauses surround it and whether a reply is awaited at all.
//
// Planning is pure: a Request (what the command object holds) goes in, a Plan (frame kind, data bytes,
// wait, pauses) comes out, or the request is refused. Building the packet from a plan is the packet
// builder's work (PayloadBuild.h); writing it is the command object's.

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

namespace zol::payload {

inline constexpr unsigned char kAllDisplays = 0xFE; // the display ID every display on the line obeys
inline constexpr int kMaxShortData = 255;           // one length byte
inline constexpr int kMaxLongData = 2042;           // a long frame inside the builder's 2048 bytes
inline constexpr int kMaxBulkData = 65532;          // the bulk frame's 16-bit length counts 3 more bytes

// What the table reads from the command object.
struct Request {
    unsigned char code = 0;
    unsigned char id = 0;
    unsigned char subCode = 0; // used by the bulk command 0xD1 only
    const unsigned char* data = nullptr;
    int length = 0; // N as the caller set it; below 1 means no data
    int held = 0;   // bytes really readable behind `data`
    int deviceClass = -1;
    int modelCode = 0;
    int chunkIndex = 0;
    int chunkCount = 0;
    int replyTimeoutMs = 2000;

    bool HasData() const { return length >= 1; }
    // Data bytes a form may read: never more than the caller announced, nor more than it handed over.
    int Available() const { return (data != nullptr && length >= 1) ? std::min(length, held) : 0; }
    bool Has(int count) const { return count <= Available(); }
    unsigned char D(int index) const { return data[index]; }
};

enum class Frame : unsigned char {
    Standard, // AA code id N data checksum
    Long,     // AA code id N(2 bytes, high first) data checksum
    Bulk,     // the numbered bulk frame of command 0xD1, written as built
    Empty,    // nothing built: a write of length 0, the reply awaited as usual
};

// What a request becomes.
class Plan {
public:
    Frame frame = Frame::Standard;
    unsigned char code = 0;
    unsigned char id = 0;
    int replyWaitMs = 0;
    int pauseBeforeMs = 0; // before the packet is built and written
    int pauseAfterMs = 0;  // between writing and the reply wait
    bool awaitReply = true;
    unsigned char subCode = 0; // bulk frame only: its sub-code and chunk numbers
    unsigned char chunkIndex = 0;
    unsigned char chunkCount = 0;
    const char* refusal = nullptr; // why a request was refused, for the log

    // The frame's data bytes (for a bulk frame, the payload behind sub-code and chunk numbers).
    const unsigned char* Data() const { return m_external != nullptr ? m_external : m_bytes.data(); }
    int Count() const { return m_count; }

    // The query form: no data.
    void Query() { m_count = 0; }
    void Put(unsigned char byte) { m_bytes[static_cast<std::size_t>(m_count++)] = byte; }
    void Put(std::initializer_list<unsigned char> bytes) {
        for (unsigned char byte : bytes) {
            Put(byte);
        }
    }
    // Appends `count` of the request's bytes from d[first]; false (and nothing added) when the request
    // does not hold them or they would not fit in a long frame.
    bool PutData(const Request& request, int first, int count);
    // Points at the request's bytes instead of copying them (bulk frames, which may exceed a long frame).
    void UseRequestData(const Request& request, int count) {
        m_external = request.data;
        m_count = count;
    }

private:
    std::array<unsigned char, kMaxLongData> m_bytes{};
    const unsigned char* m_external = nullptr;
    int m_count = 0;
};

// Returns false, recording why, so that a rule reads "return Refuse(plan, ...)".
inline bool Refuse(Plan& plan, const char* why) {
    plan.refusal = why;
    return false;
}

// A rule fills the plan's frame and data (and, where its row says so, wait, pause, target ID and reply
// expectation) or refuses the request.
using Rule = bool (*)(const Request&, Plan&);

enum class Family : unsigned char {
    Query = 1,     // always a query, data ignored
    QueryOrByte,   // no data: query; otherwise the one byte d0
    QueryOrLayout, // no data: query; otherwise the entry's rule
    ByCount,       // the rule decides from the data count; no query form of its own
    SubCoded,      // the rule decides from the sub-code
};

struct Entry {
    unsigned char code = 0;
    Family family = Family::Query;
    Rule rule = nullptr;       // families 3 to 5
    int dataReplyWaitMs = 0;   // reply wait when the request carries data (0: the object's)
    int dataPauseBeforeMs = 0; // pause before building when the request carries data
    int pauseAfterMs = 0;      // pause between writing and the reply wait, always
    bool silentToAll = false;  // no reply awaited when the display ID is 0xFE
};

// The entry for a command code, or null for a code the table does not know.
const Entry* Lookup(unsigned char code);

// Turns a request into a plan. False when the request is refused (unknown code, sub-code not listed,
// fewer data bytes than the form reads, more than the frame holds); plan.refusal then says why.
bool PlanRequest(const Request& request, Plan& plan);

} // namespace zol::payload
