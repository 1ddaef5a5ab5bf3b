// The simulated display over TCP, checked byte for byte by a raw client: it is the reference the client
// library is tested against, so its own replies are pinned to hand-computed frames here.
#include "zolsim/RawClient.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <string>

using zolsim::Bytes;
using zolsim::Framing;
using zolsim::RawClient;
using zolsim::Simulator;

namespace {

constexpr const char* kAddress = "127.0.5.1";

class SimTcp : public testing::Test {
protected:
    void SetUp() override {
        sim.AddDisplay(1);
        ASSERT_TRUE(sim.StartTcp(kAddress));
        ASSERT_TRUE(client.Connect(kAddress));
    }

    // Sends a request and reads exactly as many bytes as expected.
    Bytes Exchange(const Bytes& request, std::size_t expectedLength) {
        EXPECT_TRUE(client.Send(request));
        return client.ReadExact(expectedLength);
    }

    Simulator sim;
    RawClient client;
};

struct ExchangeRow {
    const char* name;
    Bytes request;
    Bytes reply;
};

TEST_F(SimTcp, AnswersEachFramingWithTheExpectedBytes) {
    const ExchangeRow rows[] = {
        {"query of 0x11", {0xAA, 0x11, 0x01, 0x00, 0x12}, {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}},
        {"set of 0x12 echoes the value",
         {0xAA, 0x12, 0x01, 0x01, 0x32, 0x46},
         {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x12, 0x32, 0x88}},
        {"unknown command is refused",
         {0xAA, 0x77, 0x01, 0x00, 0x78},
         {0xAA, 0xFF, 0x01, 0x02, 0x4E, 0x77, 0xC7}},
        {"status block",
         {0xAA, 0x00, 0x01, 0x00, 0x01},
         {0xAA, 0xFF, 0x01, 0x09, 0x41, 0x00, 0x01, 0x32, 0x00, 0x21, 0x10, 0x00, 0x00, 0xAE}},
        {"long frame 0xD2 gets a two-byte length",
         {0xAA, 0xD2, 0x01, 0x00, 0x01, 0x43, 0x17},
         {0xAA, 0xFF, 0x01, 0x00, 0x04, 0x41, 0xD2, 0x43, 0x00, 0x5A}},
        {"long frame carrying 0xAA in its data",
         {0xAA, 0xD2, 0x01, 0x00, 0x06, 0x40, 0x01, 0x02, 0x03, 0xAA, 0xBB, 0x84},
         {0xAA, 0xFF, 0x01, 0x00, 0x08, 0x41, 0xD2, 0x40, 0x01, 0x02, 0x03, 0xAA, 0xBB, 0xC6}},
        {"fixed-ID request answered by the display's own ID",
         {0xAA, 0x12, 0xF7, 0x01, 0x32, 0x3C},
         {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x12, 0x32, 0x88}},
        {"compact set answered compact", {0x12, 0x01, 0x32, 0x33}, {0xFF, 0x03, 0x41, 0x12, 0x32, 0x88}},
        {"compact query answered compact", {0x11, 0x00, 0x00}, {0xFF, 0x03, 0x41, 0x11, 0x01, 0x56}},
        {"serial text", {0xAA, 0x0B, 0x01, 0x00, 0x0C}, {0xAA, 0xFF, 0x01, 0x10, 0x41, 0x0B, 'Z',
                                                         'S',  '5',  '5',  'S',  'I',  'M',  '0',
                                                         '0',  '0',  '0',  '0',  '0',  '1',  0xAD}},
        {"sub-coded query answers behind its selector",
         {0xAA, 0x1B, 0x01, 0x01, 0x81, 0x9E},
         {0xAA, 0xFF, 0x01, 0x0F, 0x41, 0x1B, 0x81, 'a', '0', 'b',
          '1',  'c',  '2',  'd',  '3',  'e',  '4',  'f', '5', 0x70}},
    };
    for (const ExchangeRow& row : rows) {
        SCOPED_TRACE(row.name);
        // The status block's value 1 is the 0x12 setting stored a few rows earlier.
        EXPECT_EQ(Exchange(row.request, row.reply.size()), row.reply);
    }
}

TEST_F(SimTcp, SetIsRememberedAndVisibleInTheModel) {
    EXPECT_EQ(Exchange({0xAA, 0x12, 0x01, 0x01, 0x20, 0x34}, 8),
              (Bytes{0xAA, 0xFF, 0x01, 0x03, 0x41, 0x12, 0x20, 0x76}));
    EXPECT_EQ(sim.FindDisplay(1)->Value(0x12), Bytes{0x20});
    EXPECT_EQ(Exchange({0xAA, 0x12, 0x01, 0x00, 0x13}, 8),
              (Bytes{0xAA, 0xFF, 0x01, 0x03, 0x41, 0x12, 0x20, 0x76}));
}

TEST_F(SimTcp, SeveralDisplaysBehindOneAddressAnswerWithTheirOwnId) {
    sim.AddDisplay(2).SetPower(false);
    EXPECT_EQ(Exchange({0xAA, 0x11, 0x02, 0x00, 0x13}, 8),
              (Bytes{0xAA, 0xFF, 0x02, 0x03, 0x41, 0x11, 0x00, 0x56}));
    EXPECT_EQ(Exchange({0xAA, 0x11, 0x01, 0x00, 0x12}, 8),
              (Bytes{0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}));
}

TEST_F(SimTcp, BroadcastIsActedOnByEveryDisplayAndAnsweredByNone) {
    sim.AddDisplay(2);
    ASSERT_TRUE(client.Send({0xAA, 0x12, 0xFE, 0x01, 0x07, 0x18}));
    EXPECT_TRUE(client.ReadUntilQuiet(100).empty());
    EXPECT_EQ(sim.FindDisplay(1)->Value(0x12), Bytes{0x07});
    EXPECT_EQ(sim.FindDisplay(2)->Value(0x12), Bytes{0x07});
}

TEST_F(SimTcp, StaysSilentForAnAbsentDisplayAndABadChecksum) {
    const Bytes silent[] = {
        {0xAA, 0x11, 0x09, 0x00, 0x1A}, // no display 9
        {0xAA, 0x11, 0x01, 0x00, 0x13}, // checksum off by one
    };
    for (const Bytes& request : silent) {
        ASSERT_TRUE(client.Send(request));
    }
    EXPECT_TRUE(client.ReadUntilQuiet(100).empty());
    // The line is not stalled by what came before.
    EXPECT_EQ(Exchange({0xAA, 0x11, 0x01, 0x00, 0x12}, 8),
              (Bytes{0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}));
}

TEST_F(SimTcp, ReassemblesARequestSplitAcrossWritesAndSkipsLeadingGarbage) {
    ASSERT_TRUE(client.Send({0x00, 0x37, 0xAA, 0x11}));
    EXPECT_TRUE(client.ReadUntilQuiet(50).empty());
    EXPECT_EQ(Exchange({0x01, 0x00, 0x12}, 8), (Bytes{0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}));
    const auto writes = sim.Writes();
    ASSERT_EQ(writes.size(), 2U);
    EXPECT_EQ(writes[0], (Bytes{0x00, 0x37, 0xAA, 0x11}));
}

TEST_F(SimTcp, RelayHeaderIsAnnouncedAndTheRequestBehindItGoesToTheRelayedDisplay) {
    sim.AddRelayedDisplay(1, 3).SetPower(false);
    const Bytes relayAndQuery = {0xAA, 0xEE, 0x01, 0x05, 0x00, 0x01, 0x00, 0x02,
                                 0x03, 0xFA, 0xAA, 0x11, 0x01, 0x00, 0x12};
    const Bytes expected = {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02,
                            0x03, 0x3C, 0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x00, 0x55};
    EXPECT_EQ(Exchange(relayAndQuery, expected.size()), expected);

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_TRUE(requests[0].relayHeader);
    EXPECT_EQ(requests[0].relayByte, 0x02);
    EXPECT_EQ(requests[1].relayTarget, 3);
    EXPECT_EQ(requests[1].code, 0x11);

    // Without a header the directly wired display answers again.
    EXPECT_EQ(Exchange({0xAA, 0x11, 0x01, 0x00, 0x12}, 8),
              (Bytes{0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}));
}

TEST_F(SimTcp, RelayHeaderForAnUnknownTargetIsAnnouncedButTheRequestGoesUnanswered) {
    const Bytes expected = {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02, 0x03, 0x3C};
    ASSERT_TRUE(client.Send(
        {0xAA, 0xEE, 0x01, 0x05, 0x00, 0x01, 0x00, 0x02, 0x03, 0xFA, 0xAA, 0x11, 0x01, 0x00, 0x12}));
    EXPECT_EQ(client.ReadUntilQuiet(100), expected);
}

struct OnlyFramingRow {
    int variant;
    bool standardAnswered;
    bool compactAnswered;
    bool fixedAnswered;
};

TEST_F(SimTcp, AnswerOnlyFramingLetsAProbeSeeOneVariant) {
    const OnlyFramingRow rows[] = {
        {-1, true, true, true},
        {0, true, false, false},
        {1, false, true, false},
        {2, false, false, true},
    };
    for (const OnlyFramingRow& row : rows) {
        SCOPED_TRACE(row.variant);
        sim.SetAnswerOnlyFraming(row.variant);
        ASSERT_TRUE(client.Send({0xAA, 0x00, 0x01, 0x00, 0x01}));
        EXPECT_EQ(!client.ReadUntilQuiet(60).empty(), row.standardAnswered);
        ASSERT_TRUE(client.Send({0x00, 0x00, 0x00}));
        EXPECT_EQ(!client.ReadUntilQuiet(60).empty(), row.compactAnswered);
        ASSERT_TRUE(client.Send({0xAA, 0x00, 0xF7, 0x00, 0xF7}));
        EXPECT_EQ(!client.ReadUntilQuiet(60).empty(), row.fixedAnswered);
    }
}

TEST_F(SimTcp, RequestsAreLoggedWithTheirFraming) {
    ASSERT_TRUE(client.Send({0x11, 0x00, 0x00}));
    ASSERT_TRUE(client.Send({0xAA, 0x11, 0xF7, 0x00, 0x08}));
    ASSERT_TRUE(sim.WaitForRequests(2, 2000));
    const auto requests = sim.Requests();
    EXPECT_EQ(requests[0].framing, Framing::Compact);
    EXPECT_EQ(requests[0].id, -1);
    EXPECT_EQ(requests[1].framing, Framing::FixedId);
    EXPECT_EQ(requests[1].id, 0xF7);
    sim.ClearLog();
    EXPECT_TRUE(sim.Requests().empty());
}

TEST(SimTcpConnections, GreetingIsSentFirstAndDroppedConnectionsAreCounted) {
    Simulator sim;
    sim.AddDisplay(1);
    sim.SetGreeting(zolsim::kPlainGreeting);
    ASSERT_TRUE(sim.StartTcp("127.0.5.2"));
    RawClient client;
    ASSERT_TRUE(client.Connect("127.0.5.2"));
    const std::string greeting = "ZOLSTART<<NORMAL>>";
    EXPECT_EQ(client.ReadExact(greeting.size()), Bytes(greeting.begin(), greeting.end()));
    EXPECT_EQ(sim.AcceptedConnections(), 1);

    sim.DropConnections();
    EXPECT_TRUE(client.WaitForClose());
    RawClient again;
    ASSERT_TRUE(again.Connect("127.0.5.2"));
    EXPECT_EQ(again.ReadExact(greeting.size()).size(), greeting.size());
    EXPECT_EQ(sim.AcceptedConnections(), 2);
}

TEST(SimTcpConnections, ASlowDisplayGreetsLate) {
    Simulator sim;
    sim.SetGreeting(zolsim::kPlainGreeting);
    sim.SetGreetingDelay(150);
    ASSERT_TRUE(sim.StartTcp("127.0.5.8"));
    RawClient client;
    ASSERT_TRUE(client.Connect("127.0.5.8"));
    EXPECT_TRUE(client.ReadUntilQuiet(50, 50).empty());
    EXPECT_EQ(client.ReadExact(18), Bytes(zolsim::kPlainGreeting, zolsim::kPlainGreeting + 18));
}

TEST(SimTcpConnections, ListensOnIpv6LoopbackAndRefusesNonLiterals) {
    Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.StartTcp("::1", 0));
    RawClient client;
    ASSERT_TRUE(client.Connect("::1", sim.TcpPort()));
    ASSERT_TRUE(client.Send({0xAA, 0x11, 0x01, 0x00, 0x12}));
    EXPECT_EQ(client.ReadExact(8).size(), 8U);

    EXPECT_FALSE(sim.StartTcp("localhost"));
    EXPECT_FALSE(sim.StartTcp("300.1.1.1"));
}

} // namespace
