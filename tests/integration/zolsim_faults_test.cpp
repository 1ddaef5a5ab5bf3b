// Faults a test orders from the simulated display: each changes exactly the reply it is meant for and
// is used up after the number of requests it was given.
#include "zolsim/RawClient.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

using zolsim::Bytes;
using zolsim::Fault;
using zolsim::FaultKind;
using zolsim::RawClient;
using zolsim::Simulator;

namespace {

constexpr const char* kAddress = "127.0.5.3";
const Bytes kQuery = {0xAA, 0x11, 0x01, 0x00, 0x12};
const Bytes kReply = {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56};

class SimFaults : public testing::Test {
protected:
    void SetUp() override {
        sim.AddDisplay(1);
        ASSERT_TRUE(sim.StartTcp(kAddress));
        ASSERT_TRUE(client.Connect(kAddress));
    }

    Simulator sim;
    RawClient client;
};

struct ShapeRow {
    const char* name;
    Fault fault;
    Bytes expected;
};

Fault Make(FaultKind kind) {
    Fault fault;
    fault.kind = kind;
    return fault;
}

Fault WrongCommand(unsigned char code) {
    Fault fault = Make(FaultKind::WrongCommand);
    fault.otherCode = code;
    return fault;
}

Fault WrongId(unsigned char id) {
    Fault fault = Make(FaultKind::WrongId);
    fault.otherId = id;
    return fault;
}

TEST_F(SimFaults, EachFaultShapesOneReplyAndTheNextIsNormal) {
    const ShapeRow rows[] = {
        {"corrupt checksum",
         Make(FaultKind::CorruptChecksum),
         {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0xA9}},
        {"garbage prefix",
         Make(FaultKind::GarbagePrefix),
         {0x13, 0x37, 0x00, 0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}},
        {"wrong ID, checksum recomputed", WrongId(5), {0xAA, 0xFF, 0x05, 0x03, 0x41, 0x11, 0x01, 0x5A}},
        {"refusal", Make(FaultKind::Nak), {0xAA, 0xFF, 0x01, 0x02, 0x4E, 0x11, 0x61}},
        {"another command", WrongCommand(0x12), {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x12, 0x01, 0x57}},
        {"reply twice",
         Make(FaultKind::Duplicate),
         {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56, 0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}},
        {"ill-formed: another header, the checksum still right",
         Make(FaultKind::IllFormed),
         {0xA5, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}},
        {"none", Make(FaultKind::None), kReply},
    };
    for (const ShapeRow& row : rows) {
        SCOPED_TRACE(row.name);
        sim.InjectFault(row.fault);
        ASSERT_TRUE(client.Send(kQuery));
        EXPECT_EQ(client.ReadUntilQuiet(50), row.expected);
        EXPECT_EQ(sim.PendingFaults(), 0);
        ASSERT_TRUE(client.Send(kQuery));
        EXPECT_EQ(client.ReadUntilQuiet(50), kReply);
    }
}

TEST_F(SimFaults, DropSwallowsAsManyRepliesAsItsCountButStillActs) {
    Fault drop = Make(FaultKind::Drop);
    drop.times = 2;
    sim.InjectFault(drop);
    ASSERT_TRUE(client.Send({0xAA, 0x12, 0x01, 0x01, 0x05, 0x19}));
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_TRUE(client.ReadUntilQuiet(100).empty());
    EXPECT_EQ(sim.FindDisplay(1)->Value(0x12), Bytes{0x05});
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_EQ(client.ReadExact(kReply.size()), kReply);
}

TEST_F(SimFaults, OnlyCodeLeavesOtherCommandsAlone) {
    Fault nak = Make(FaultKind::Nak);
    nak.onlyCode = 0x12;
    sim.InjectFault(nak);
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_EQ(client.ReadExact(kReply.size()), kReply);
    EXPECT_EQ(sim.PendingFaults(), 1);
    ASSERT_TRUE(client.Send({0xAA, 0x12, 0x01, 0x00, 0x13}));
    EXPECT_EQ(client.ReadExact(7), (Bytes{0xAA, 0xFF, 0x01, 0x02, 0x4E, 0x12, 0x62}));
}

TEST_F(SimFaults, TimedFaultsDeliverTheWholeReplyNoSoonerThanTheirTime) {
    Fault delay = Make(FaultKind::Delay);
    delay.delayMs = 200;
    Fault trickle = Make(FaultKind::Trickle);
    trickle.trickleMs = 40; // before each of the 8 bytes
    const struct {
        const char* name;
        Fault fault;
        int minMs;
    } rows[] = {{"delay", delay, 200}, {"trickle", trickle, 40 * static_cast<int>(kReply.size())}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim.InjectFault(row.fault);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(client.Send(kQuery));
        EXPECT_EQ(client.ReadExact(kReply.size(), 3000), kReply);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(row.minMs));
    }
}

TEST_F(SimFaults, SplitSendsTheReplyInTwoWritesWithAGap) {
    Fault split = Make(FaultKind::Split);
    split.splitAt = 3;
    split.splitGapMs = 150;
    sim.InjectFault(split);
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_EQ(client.ReadUntilQuiet(60), (Bytes{0xAA, 0xFF, 0x01}));
    EXPECT_EQ(client.ReadExact(5), (Bytes{0x03, 0x41, 0x11, 0x01, 0x56}));
}

TEST_F(SimFaults, CloseEndsTheConnectionInsteadOfAnswering) {
    sim.InjectFault(Make(FaultKind::Close));
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_TRUE(client.WaitForClose());
    RawClient again;
    ASSERT_TRUE(again.Connect(kAddress));
    ASSERT_TRUE(again.Send(kQuery));
    EXPECT_EQ(again.ReadExact(kReply.size()), kReply);
}

TEST_F(SimFaults, CloseMidReplySendsHalfTheReplyThenCloses) {
    sim.InjectFault(Make(FaultKind::CloseMidReply));
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_EQ(client.ReadExact(kReply.size() / 2), Bytes(kReply.begin(), kReply.begin() + 4));
    EXPECT_TRUE(client.WaitForClose());
}

TEST_F(SimFaults, OversizedAnnouncesMoreThanAReplyMayHoldAndSendsIt) {
    sim.InjectFault(Make(FaultKind::Oversized));
    ASSERT_TRUE(client.Send(kQuery));
    const Bytes got = client.ReadExact(2048 + 64);
    ASSERT_EQ(got.size(), 2048u + 64u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 8), (Bytes{0xAA, 0xFF, 0x01, 0xFF, 0xFF, 0x41, 0x11, 0x01}));
    // Read with a one-byte length (0xFF values), its checksum would stand at 259: it must not hold there.
    EXPECT_NE(zolsim::Checksum(got.data(), 1, 259), got[259]);
    EXPECT_EQ(zolsim::Checksum(got.data(), 1, got.size() - 1), got.back());
    EXPECT_TRUE(client.ReadUntilQuiet(50).empty());
}

TEST_F(SimFaults, EndlessGarbageNeverHoldsAHeaderAndGoesOnUntilTheClientLeaves) {
    sim.InjectFault(Make(FaultKind::EndlessGarbage));
    ASSERT_TRUE(client.Send(kQuery));
    // Far more than one write of the display, and more than any socket buffer keeps.
    const Bytes got = client.ReadExact(8u << 20, 10000);
    ASSERT_EQ(got.size(), 8u << 20);
    EXPECT_EQ(std::count(got.begin(), got.end(), 0xAA), 0);
    client.Close();
    for (int i = 0; i < 200 && sim.ActiveConnections() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(sim.ActiveConnections(), 0) << "the display stops writing once the client has gone";
}

TEST_F(SimFaults, NeverReadGreetsThenReadsNothingOnTheNextConnectionOnly) {
    // The fixture's connection is served first, so the fault cannot fall to it.
    ASSERT_TRUE(client.Send(kQuery));
    ASSERT_EQ(client.ReadExact(kReply.size()), kReply);
    sim.ClearLog();
    sim.SetGreeting(zolsim::kPlainGreeting);
    sim.InjectFault(Make(FaultKind::NeverRead));
    RawClient ignored;
    ASSERT_TRUE(ignored.Connect(kAddress));
    const std::string greeting = zolsim::kPlainGreeting;
    EXPECT_EQ(ignored.ReadExact(greeting.size()), Bytes(greeting.begin(), greeting.end()));
    ASSERT_TRUE(ignored.Send(kQuery));
    EXPECT_TRUE(ignored.ReadUntilQuiet(100).empty());
    EXPECT_FALSE(sim.WaitForRequests(1, 100));
    EXPECT_EQ(sim.PendingFaults(), 0);

    RawClient served;
    ASSERT_TRUE(served.Connect(kAddress));
    EXPECT_EQ(served.ReadExact(greeting.size()), Bytes(greeting.begin(), greeting.end()));
    ASSERT_TRUE(served.Send(kQuery));
    EXPECT_EQ(served.ReadExact(kReply.size()), kReply);
}

TEST_F(SimFaults, FaultsOnARelayedRequestShapeTheCombinedReply) {
    sim.AddRelayedDisplay(1, 3);
    sim.InjectFault(Make(FaultKind::CorruptChecksum));
    ASSERT_TRUE(client.Send(
        {0xAA, 0xEE, 0x01, 0x05, 0x00, 0x01, 0x00, 0x02, 0x03, 0xFA, 0xAA, 0x11, 0x01, 0x00, 0x12}));
    const Bytes expected = {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02,
                            0x03, 0x3C, 0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0xA9};
    EXPECT_EQ(client.ReadExact(expected.size()), expected);
}

TEST_F(SimFaults, ClearFaultsForgetsPendingOnes) {
    Fault drop = Make(FaultKind::Drop);
    drop.times = 5;
    sim.InjectFault(drop);
    EXPECT_EQ(sim.PendingFaults(), 5);
    sim.ClearFaults();
    EXPECT_EQ(sim.PendingFaults(), 0);
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_EQ(client.ReadExact(kReply.size()), kReply);
}

} // namespace
