// The command object on a serial line (the simulated display's pseudo-terminal): the framing probe and
// a compact exchange at the higher line speed.

#include "ZOLConnection.h"
#include "protocol/ZOLCommand.h"

#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using zolsim::Bytes;

const Bytes kCompactStatusQuery = {0x00, 0x00, 0x00};
const Bytes kFixedIdStatusQuery = {0xAA, 0x00, 0xF7, 0x00, 0xF7};

IZOLConnectionPool* Pool() {
    return IZOLConnectionPoolFactory::CreateInstance();
}

class CommandSerial : public testing::Test {
protected:
    void SetUp() override {
        sim.AddDisplay(1);
        port = sim.StartPty();
        ASSERT_FALSE(port.empty());
        command.SetDisplayId(1);
    }
    void TearDown() override { Pool()->RemoveConnection(port); }

    std::vector<Bytes> Requests() const {
        std::vector<Bytes> raw;
        for (const auto& request : sim.Requests()) {
            raw.push_back(request.raw);
        }
        return raw;
    }

    zolsim::Simulator sim;
    std::string port;
    CZOLCommand command;
};

TEST_F(CommandSerial, ProbeFindsTheFramingTheDisplayAnswers) {
    struct Row {
        int answers;
        int variant;
        std::vector<Bytes> written;
    };
    const std::vector<Row> rows = {
        {1, 1, {kCompactStatusQuery}},
        {2, 2, {kCompactStatusQuery, kFixedIdStatusQuery}},
        {0, 9, {kCompactStatusQuery, kFixedIdStatusQuery}}, // answers neither: variant untouched
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answers);
        sim.SetAnswerOnlyFraming(row.answers);
        sim.ClearLog();
        int status = 0;
        int variant = 9;
        std::unique_ptr<unsigned char, decltype(&std::free)> reply(
            command.ProbeFraming(port, &status, &variant), &std::free);
        EXPECT_EQ(status, ZOL_CONNECT_OPENED);
        EXPECT_EQ(variant, row.variant);
        EXPECT_EQ(reply != nullptr, row.variant != 9);
        EXPECT_EQ(Requests(), row.written);
        EXPECT_EQ(Pool()->FindConnection(port), nullptr) << "the probe closes and removes its connection";
    }
}

TEST_F(CommandSerial, ProbeLeavesAPortInUseAlone) {
    IZOLConnection* pooled = Pool()->CreateConnection(port, "SERIAL", "");
    ASSERT_NE(pooled, nullptr);
    int status = 0;
    int variant = 9;
    EXPECT_EQ(command.ProbeFraming(port, &status, &variant), nullptr);
    EXPECT_EQ(variant, 9);
    EXPECT_EQ(Pool()->FindConnection(port), pooled);
    EXPECT_TRUE(sim.Requests().empty());
}

TEST_F(CommandSerial, ProbeOfAPortThatCannotBeOpened) {
    int status = 0;
    int variant = 9;
    EXPECT_EQ(command.ProbeFraming("/dev/zol-no-such-port", &status, &variant), nullptr);
    EXPECT_EQ(status, ZOL_CONNECT_PORT_FAILED);
    EXPECT_EQ(variant, 9);
    EXPECT_EQ(Pool()->FindConnection("/dev/zol-no-such-port"), nullptr);
}

// A compact request goes out at 115200 baud and the compact reply comes back.
TEST_F(CommandSerial, CompactExchange) {
    command.SetConnectionInfo(port, "SERIAL");
    command.SetCommand(0x11, 0, nullptr);
    int length = 0;
    int status = 0;
    std::unique_ptr<unsigned char, decltype(&std::free)> reply(command.SendAndReceive(&length, 1, &status),
                                                               &std::free);
    EXPECT_EQ(status, ZOL_CONNECT_OPENED);
    EXPECT_EQ(Requests(), (std::vector<Bytes>{{0x11, 0x00, 0x00}}));
    EXPECT_NE(reply, nullptr);
    EXPECT_GE(length, 3);
    IZOLConnection* pooled = Pool()->FindConnection(port);
    ASSERT_NE(pooled, nullptr);
    EXPECT_EQ(pooled->GetLinkParameter(), 115200u);
}

} // namespace
