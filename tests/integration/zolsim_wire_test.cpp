// How the simulated display cuts a byte stream into requests: every framing, frames split across reads,
// and stray bytes that must neither stall the line nor swallow the frame behind them.
#include "zolsim/Wire.h"

#include <gtest/gtest.h>

#include <vector>

using zolsim::Bytes;
using zolsim::Framing;
using zolsim::Request;
using zolsim::RequestParser;

namespace {

struct Expected {
    Framing framing;
    unsigned char code;
    int id;
    Bytes data;
    int relayTarget = -1;
};

struct StreamRow {
    const char* name;
    std::vector<Bytes> chunks; // as the reads delivered them
    std::vector<Expected> requests;
    std::size_t skipped;
    bool partialLeft = false;
};

TEST(SimWire, StreamsAreCutIntoTheRequestsTheyCarry) {
    const StreamRow rows[] = {
        {"standard query", {{0xAA, 0x11, 0x01, 0x00, 0x12}}, {{Framing::Standard, 0x11, 1, {}}}, 0},
        {"standard set split in three reads",
         {{0xAA}, {0x12, 0x01, 0x01}, {0x32, 0x46}},
         {{Framing::Standard, 0x12, 1, {0x32}}},
         0},
        {"two requests in one read",
         {{0xAA, 0x11, 0x01, 0x00, 0x12, 0xAA, 0x12, 0x02, 0x01, 0x32, 0x47}},
         {{Framing::Standard, 0x11, 1, {}}, {Framing::Standard, 0x12, 2, {0x32}}},
         0},
        {"long frame with two length bytes",
         {{0xAA, 0xD2, 0x01, 0x00, 0x01, 0x43, 0x17}},
         {{Framing::Standard, 0xD2, 1, {0x43}}},
         0},
        {"compact query", {{0x11, 0x00, 0x00}}, {{Framing::Compact, 0x11, -1, {}}}, 0},
        {"compact set", {{0x12, 0x01, 0x32, 0x33}}, {{Framing::Compact, 0x12, -1, {0x32}}}, 0},
        {"fixed ID", {{0xAA, 0x11, 0xF7, 0x00, 0x08}}, {{Framing::FixedId, 0x11, 0xF7, {}}}, 0},
        {"relay header",
         {{0xAA, 0xEE, 0x01, 0x05, 0x00, 0x01, 0x00, 0x02, 0x03, 0xFA}},
         {{Framing::Standard, 0xEE, 1, {0x00, 0x01, 0x00, 0x02, 0x03}, 3}},
         0},
        {"bad checksum is given up byte by byte",
         {{0xAA, 0x11, 0x01, 0x00, 0x13, 0xAA, 0x11, 0x01, 0x00, 0x12}},
         {{Framing::Standard, 0x11, 1, {}}},
         5},
        {"stray byte that looks like a long compact frame does not hide the frame behind it",
         {{0x13, 0xAA, 0x11, 0x01, 0x00, 0x12}},
         {{Framing::Standard, 0x11, 1, {}}},
         1},
        {"incomplete frame waits for more", {{0xAA, 0x11, 0x01}}, {}, 0, true},
    };
    for (const StreamRow& row : rows) {
        SCOPED_TRACE(row.name);
        RequestParser parser;
        std::vector<Request> parsed;
        for (const Bytes& chunk : row.chunks) {
            parser.Feed(chunk.data(), chunk.size());
            while (auto request = parser.Next()) {
                parsed.push_back(*request);
            }
        }
        ASSERT_EQ(parsed.size(), row.requests.size());
        for (std::size_t i = 0; i < parsed.size(); ++i) {
            EXPECT_EQ(parsed[i].framing, row.requests[i].framing);
            EXPECT_EQ(parsed[i].code, row.requests[i].code);
            EXPECT_EQ(parsed[i].id, row.requests[i].id);
            EXPECT_EQ(parsed[i].data, row.requests[i].data);
            EXPECT_EQ(parsed[i].relayTarget, row.requests[i].relayTarget);
        }
        EXPECT_EQ(parser.SkippedBytes(), row.skipped);
        EXPECT_EQ(parser.HasPartial(), row.partialLeft);
    }
}

TEST(SimWire, RequestBuildersMatchTheWorkedExamples) {
    EXPECT_EQ(zolsim::StandardRequest(0x11, 0x01), (Bytes{0xAA, 0x11, 0x01, 0x00, 0x12}));
    EXPECT_EQ(zolsim::StandardRequest(0x12, 0x01, {0x32}), (Bytes{0xAA, 0x12, 0x01, 0x01, 0x32, 0x46}));
    EXPECT_EQ(zolsim::LongRequest(0xD2, 0x01, {0x43}), (Bytes{0xAA, 0xD2, 0x01, 0x00, 0x01, 0x43, 0x17}));
    EXPECT_EQ(zolsim::CompactRequest(0x12, {0x32}), (Bytes{0x12, 0x01, 0x32, 0x33}));
    EXPECT_EQ(zolsim::FixedIdRequest(0x12, {0x32}), (Bytes{0xAA, 0x12, 0xF7, 0x01, 0x32, 0x3C}));
    EXPECT_EQ(zolsim::RelayHeader(0x01, 0x02, 0x03),
              (Bytes{0xAA, 0xEE, 0x01, 0x05, 0x00, 0x01, 0x00, 0x02, 0x03, 0xFA}));
}

} // namespace
