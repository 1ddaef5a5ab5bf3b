// The simulated display on a pseudo-terminal: a client opens the slave side like a serial port.
#include "zolsim/RawClient.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/ioctl.h>
#include <termios.h>

using zolsim::Bytes;
using zolsim::RawClient;
using zolsim::Simulator;

namespace {

const Bytes kQuery = {0xAA, 0x11, 0x01, 0x00, 0x12};
const Bytes kReply = {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56};

TEST(SimSerial, AnswersStandardAndCompactRequestsOnTheLine) {
    Simulator sim;
    sim.AddDisplay(1);
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    RawClient line;
    ASSERT_TRUE(line.OpenSerial(path, 115200));
    ASSERT_TRUE(line.Send(kQuery));
    EXPECT_EQ(line.ReadExact(kReply.size()), kReply);
    ASSERT_TRUE(line.Send({0x12, 0x01, 0x32, 0x33}));
    EXPECT_EQ(line.ReadExact(6), (Bytes{0xFF, 0x03, 0x41, 0x12, 0x32, 0x88}));
}

TEST(SimSerial, TheLineOutlivesAClientThatClosesAndReopens) {
    Simulator sim;
    sim.AddDisplay(1);
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        RawClient line;
        ASSERT_TRUE(line.OpenSerial(path));
        ASSERT_TRUE(line.Send(kQuery));
        EXPECT_EQ(line.ReadExact(kReply.size()), kReply);
    }
}

// On a pseudo-terminal a client's exclusive-use flag would outlive its close and lock the next client
// out; the line clears it once the client has let go, as a real port does.
TEST(SimSerial, ExclusiveUseEndsWithTheClientsClose) {
    Simulator sim;
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    {
        RawClient line;
        ASSERT_TRUE(line.OpenSerial(path));
        ASSERT_EQ(::ioctl(line.Fd(), TIOCEXCL), 0);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int exclusive = 1;
    while (exclusive != 0 && std::chrono::steady_clock::now() < deadline) {
        RawClient probe; // privileged test runs may open despite the flag; the flag itself tells
        ASSERT_TRUE(probe.OpenSerial(path));
        ASSERT_EQ(::ioctl(probe.Fd(), TIOCGEXCL, &exclusive), 0);
    }
    EXPECT_EQ(exclusive, 0);
}

TEST(SimSerial, HangUpLooksLikeAnUnpluggedCableAndANewLineCanBeOpened) {
    Simulator sim;
    sim.AddDisplay(1);
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    RawClient line;
    ASSERT_TRUE(line.OpenSerial(path));
    sim.HangUpPty();
    EXPECT_TRUE(line.WaitForClose(1000));

    const std::string again = sim.StartPty();
    ASSERT_FALSE(again.empty());
    RawClient second;
    ASSERT_TRUE(second.OpenSerial(again));
    ASSERT_TRUE(second.Send(kQuery));
    EXPECT_EQ(second.ReadExact(kReply.size()), kReply);
}

TEST(SimSerial, BaudPacingSpendsTheLineTimeOfEveryByte) {
    Simulator sim;
    sim.AddDisplay(1);
    const std::string path = sim.StartPty(true);
    ASSERT_FALSE(path.empty());
    RawClient line;
    ASSERT_TRUE(line.OpenSerial(path, 1200)); // 8 bytes of 10 bit times each: at least 66 ms
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.Send(kQuery));
    EXPECT_EQ(line.ReadExact(kReply.size(), 3000), kReply);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
}

TEST(SimSerial, FaultsApplyOnTheLineToo) {
    Simulator sim;
    sim.AddDisplay(1);
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    RawClient line;
    ASSERT_TRUE(line.OpenSerial(path));
    zolsim::Fault close;
    close.kind = zolsim::FaultKind::Close; // a line cannot be closed by the display: nothing comes back
    sim.InjectFault(close);
    ASSERT_TRUE(line.Send(kQuery));
    EXPECT_TRUE(line.ReadUntilQuiet(100).empty());
    ASSERT_TRUE(line.Send(kQuery));
    EXPECT_EQ(line.ReadExact(kReply.size()), kReply);
}

} // namespace
