// Matching a reply to the display and the command it answers, and splitting replies into frames.

#include "LFDData.h"
#include "command/ReplyFrames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Frame(int id, Bytes body) {
    Bytes frame{0xAA, 0xFF, static_cast<unsigned char>(id), static_cast<unsigned char>(body.size())};
    frame.insert(frame.end(), body.begin(), body.end());
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum += frame[i];
    }
    frame.push_back(static_cast<unsigned char>(sum));
    return frame;
}

Bytes Join(const Bytes& a, const Bytes& b) {
    Bytes all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

struct MatchRow {
    const char* name;
    Bytes reply;
    unsigned char code;
    int framing;
    bool matches;
};

std::vector<MatchRow> MatchRows() {
    const Bytes mine = Frame(1, {'A', 0x12, 7});
    const Bytes other = Frame(2, {'A', 0x12, 7});
    return {
        {"own display and command", mine, 0x12, 0, true},
        {"another display", other, 0x12, 0, false},
        {"another command", mine, 0x13, 0, false},
        {"second frame is this display's", Join(other, mine), 0x12, 0, true},
        {"first frame is this display's", Join(mine, other), 0x12, 0, true},
        {"garbage in front", Join(Bytes{0x00, 0xAA, 0x01}, mine), 0x12, 0, true},
        // long-frame replies carry a two-byte length, so the command echo stands at index 6
        {"0xD2 echo at index 6", Frame(1, {0x00, 'A', 0xD2, 1}), 0xD2, 0, true},
        {"0xD2 echo at index 5 is not a match", Frame(1, {'A', 0xD2, 1}), 0xD2, 0, false},
        {"other code is checked at index 5, not 6", Frame(1, {0x00, 'A', 0x12, 1}), 0x12, 0, false},
        {"frame too short to hold the command", Bytes{0xAA, 0xFF, 0x01, 0x03, 'A'}, 0x12, 0, false},
        {"header alone", Bytes{0xAA, 0xFF}, 0x12, 0, false},
        {"no header anywhere", Bytes{0x01, 0x03, 'A', 0x12, 7, 0x5D}, 0x12, 0, false},
        {"compact reply under framing 1", Bytes{0xFF, 0x03, 'A', 0x12, 0x07, 0x5D}, 0x12, 1, true},
        {"compact reply with bad checksum", Bytes{0xFF, 0x03, 'A', 0x12, 0x07, 0x00}, 0x12, 1, false},
        {"compact reply shorter than its length", Bytes{0xFF, 0x09, 'A', 0x12}, 0x12, 1, false},
    };
}

class Matching : public testing::TestWithParam<MatchRow> {};

TEST_P(Matching, Decides) {
    const MatchRow& row = GetParam();
    CLFDData record;
    record.SetDisplayId(1);
    record.SetFramingVariant(row.framing);
    EXPECT_EQ(
        zol::command::ReplyMatches(row.reply.data(), static_cast<int>(row.reply.size()), &record, row.code),
        row.matches)
        << row.name;
}

INSTANTIATE_TEST_SUITE_P(Replies, Matching, testing::ValuesIn(MatchRows()),
                         [](const testing::TestParamInfo<MatchRow>& info) {
                             return "row" + std::to_string(info.index);
                         });

TEST(Matching, NothingToMatch) {
    CLFDData record;
    const Bytes reply = Frame(1, {'A', 0x12, 7});
    EXPECT_FALSE(zol::command::ReplyMatches(nullptr, 7, &record, 0x12));
    EXPECT_FALSE(zol::command::ReplyMatches(reply.data(), 0, &record, 0x12));
    EXPECT_FALSE(zol::command::ReplyMatches(reply.data(), -1, &record, 0x12));
    EXPECT_FALSE(zol::command::ReplyMatches(reply.data(), static_cast<int>(reply.size()), nullptr, 0x12));
}

TEST(FrameSplitting, FramesEndAtTheNextHeaderPairAndAreCutAt2048) {
    const Bytes first = Frame(1, {'A', 0x24, 1});
    const Bytes second = Frame(2, {'A', 0x25, 2});
    Bytes reply = Join(first, second);
    std::vector<Bytes> seen;
    zol::command::ForEachFrame(reply.data(), static_cast<int>(reply.size()),
                               [&](const zol::command::WorkFrame& f) {
                                   seen.emplace_back(f.bytes.begin(), f.bytes.begin() + f.length);
                               });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], first);
    EXPECT_EQ(seen[1], second);

    // One oversized frame: its first 2048 bytes form one frame, the scan goes on behind them.
    Bytes big{0xAA, 0xFF};
    big.resize(3000, 0x01);
    std::vector<int> lengths;
    zol::command::ForEachFrame(big.data(), static_cast<int>(big.size()),
                               [&](const zol::command::WorkFrame& f) { lengths.push_back(f.length); });
    EXPECT_EQ(lengths, std::vector<int>{2048});
}

} // namespace
