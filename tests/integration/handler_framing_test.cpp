// Framing variants through the handler: the compact road end to end over TCP, and finding out which
// framing a display on a serial line answers.

#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kAddress = "127.0.3.20";

TEST(HandlerFraming, CompactRepliesAreMatchedOnceAndDecoded) {
    zolsim::Simulator sim;
    sim.AddDisplay(1).SetValue(0x12, {27});
    ASSERT_TRUE(sim.StartTcp(kAddress));
    CLFDData record;
    record.SetAddress(kAddress);
    record.SetConnectionKind(1);
    record.SetDisplayId(1);
    record.SetFramingVariant(1);
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();

    // A compact reply decodes into the record but never counts as a decoded standard frame.
    EXPECT_EQ(handler->Execute(&record, 0x12, 0, nullptr, nullptr, nullptr, true), 0u);
    EXPECT_EQ(record.GetValue12(), 27);
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 1u) << "a matching compact reply is not retried";
    EXPECT_EQ(requests[0].framing, zolsim::Framing::Compact);
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kAddress);
}

// A caller-built packet goes out in the compact form; its reply is matched against the command the
// caller built, not against whatever byte the compact form moved into that place.
TEST(HandlerFraming, CallerBuiltPacketUnderCompactFramingMatchesItsCommand) {
    zolsim::Simulator sim;
    sim.AddDisplay(1).SetValue(0x12, {27});
    ASSERT_TRUE(sim.StartTcp(kAddress));
    CLFDData record;
    record.SetAddress(kAddress);
    record.SetConnectionKind(1);
    record.SetDisplayId(1);
    record.SetFramingVariant(1);
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    handler->SetRetryCount(0);

    unsigned char packet[] = {0xAA, 0x12, 0x01, 0x00, 0x13};
    unsigned char replyOut[2048] = {};
    EXPECT_TRUE(handler->TransferPacket(&record, nullptr, packet, sizeof(packet), replyOut, 150, false, 0));
    // The compact reply as it came: 0xFF, N, acknowledgement, command, value, checksum.
    EXPECT_EQ(replyOut[2], 'A');
    EXPECT_EQ(replyOut[3], 0x12);
    EXPECT_EQ(replyOut[4], 27);
    EXPECT_EQ(sim.Requests().size(), 1u) << "a matching reply is not asked for again";
    handler->SetRetryCount(4);
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kAddress);
}

struct ProbeRow {
    int answersOnly;
    int expectedVariant;
};

class HandlerFramingProbe : public testing::TestWithParam<ProbeRow> {};

TEST_P(HandlerFramingProbe, StoresTheVariantTheDisplayAnswers) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    sim.SetAnswerOnlyFraming(GetParam().answersOnly);
    const std::string port = sim.StartPty();
    ASSERT_FALSE(port.empty());
    CLFDData record;
    record.SetAddress(port);
    record.SetConnectionKind(2);
    record.SetFramingVariant(7);
    int connectStatus = 0;
    IZOLCommandHandlerFactory::CreateInstance()->DetectFraming(&record, &connectStatus);
    EXPECT_EQ(connectStatus, 1);
    EXPECT_EQ(record.GetFramingVariant(), GetParam().expectedVariant);
    EXPECT_EQ(IZOLConnectionPoolFactory::CreateInstance()->FindConnection(port), nullptr)
        << "the probed port is given back";
}

INSTANTIATE_TEST_SUITE_P(Rows, HandlerFramingProbe,
                         testing::Values(ProbeRow{1, 1}, ProbeRow{2, 2}, ProbeRow{0, 0}),
                         [](const testing::TestParamInfo<ProbeRow>& info) {
                             return "answers" + std::to_string(info.param.answersOnly);
                         });

} // namespace
