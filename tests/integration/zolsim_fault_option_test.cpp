// zolsim's --fault KIND[:COUNT]: the forms it takes and refuses, and a fault so ordered misbehaving for
// as many requests as it says.
#include "zolsim/FaultText.h"
#include "zolsim/RawClient.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zolsim::FaultKind;
using zolsim::ParseFaultText;

TEST(ZolsimFaultOption, NamesAndCounts) {
    struct Row {
        const char* text;
        FaultKind kind;
        int times;
        int delayMs;
    };
    const std::vector<Row> rows = {
        {"drop", FaultKind::Drop, 1, 0},
        {"drop:3", FaultKind::Drop, 3, 0},
        {"delay", FaultKind::Delay, 1, zolsim::kNamedDelayMs},
        {"delay:2", FaultKind::Delay, 2, zolsim::kNamedDelayMs},
        {"split:1", FaultKind::Split, 1, 0},
        {"corrupt-checksum", FaultKind::CorruptChecksum, 1, 0},
        {"garbage-prefix:5", FaultKind::GarbagePrefix, 5, 0},
        {"wrong-id", FaultKind::WrongId, 1, 0},
        {"wrong-command", FaultKind::WrongCommand, 1, 0},
        {"duplicate", FaultKind::Duplicate, 1, 0},
        {"nak:2147483647", FaultKind::Nak, 2147483647, 0},
        {"close", FaultKind::Close, 1, 0},
        {"stall-handshake:2", FaultKind::StallHandshake, 2, 0},
        {"trickle", FaultKind::Trickle, 1, 0},
        {"endless-garbage", FaultKind::EndlessGarbage, 1, 0},
        {"oversized:3", FaultKind::Oversized, 3, 0},
        {"ill-formed", FaultKind::IllFormed, 1, 0},
        {"close-mid-reply", FaultKind::CloseMidReply, 1, 0},
        {"never-read:2", FaultKind::NeverRead, 2, 0},
    };
    for (const Row& row : rows) {
        std::string error;
        const auto fault = ParseFaultText(row.text, error);
        ASSERT_TRUE(fault.has_value()) << row.text << ": " << error;
        EXPECT_EQ(fault->kind, row.kind) << row.text;
        EXPECT_EQ(fault->times, row.times) << row.text;
        EXPECT_EQ(fault->delayMs, row.delayMs) << row.text;
        EXPECT_EQ(fault->onlyCode, -1) << "any command";
    }
}

TEST(ZolsimFaultOption, RefusesWhatItDoesNotKnow) {
    struct Row {
        const char* text;
        const char* said;
    };
    const std::vector<Row> rows = {
        {"", "unknown fault kind"},     {"bogus", "unknown fault kind"},  {"none", "unknown fault kind"},
        {"Drop", "unknown fault kind"}, {"drop:0", "bad count"},          {"drop:-1", "bad count"},
        {"drop:", "bad count"},         {"drop:x", "bad count"},          {"drop:0.5", "bad count"},
        {"drop:2:3", "bad count"},      {"drop:2147483648", "bad count"},
    };
    for (const Row& row : rows) {
        std::string error;
        EXPECT_FALSE(ParseFaultText(row.text, error).has_value()) << row.text;
        EXPECT_NE(error.find(row.said), std::string::npos) << row.text << ": " << error;
    }
    std::string error;
    ParseFaultText("bogus", error);
    EXPECT_NE(error.find(zolsim::FaultKindNames()), std::string::npos) << "lists the kinds: " << error;
}

TEST(ZolsimFaultOption, AFaultByNameMisbehavesForItsCount) {
    zolsim::Simulator sim;
    sim.AddDisplay(1).SetValue(0x12, {0x0A});
    std::string error;
    const auto fault = ParseFaultText("nak:2", error);
    ASSERT_TRUE(fault.has_value()) << error;
    sim.InjectFault(*fault);
    ASSERT_TRUE(sim.StartTcp("127.0.100.30"));
    zolsim::RawClient client;
    ASSERT_TRUE(client.Connect("127.0.100.30"));

    const zolsim::Bytes query = {0xAA, 0x12, 0x01, 0x00, 0x13};
    const zolsim::Bytes refused = {0xAA, 0xFF, 0x01, 0x02, 'N', 0x12, 0x62};
    const zolsim::Bytes answered = {0xAA, 0xFF, 0x01, 0x03, 'A', 0x12, 0x0A, 0x60};
    for (const zolsim::Bytes& expected : {refused, refused, answered}) {
        ASSERT_TRUE(client.Send(query));
        EXPECT_EQ(client.ReadExact(expected.size()), expected);
    }
}

} // namespace
