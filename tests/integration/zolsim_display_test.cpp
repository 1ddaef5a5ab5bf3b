// The simulated display's model: register access, tables, indexed lists, parameterised reads and the
// firmware update a client drives over a serial line.
#include "zolsim/DisplayModel.h"
#include "zolsim/RawClient.h"
#include "zolsim/Simulator.h"
#include "zolsim/Wire.h"

#include <gtest/gtest.h>

#include <termios.h>

using zolsim::Answer;
using zolsim::Bytes;
using zolsim::DisplayModel;
using zolsim::RawClient;
using zolsim::Request;
using zolsim::RequestParser;
using zolsim::Simulator;

namespace {

// Puts a standard request for display 1 on the wire and lets the display answer it.
std::optional<Answer> Ask(DisplayModel& display, unsigned char code, const Bytes& data) {
    RequestParser parser;
    const Bytes frame = zolsim::StandardRequest(code, 1, data);
    parser.Feed(frame.data(), frame.size());
    const std::optional<Request> request = parser.Next();
    EXPECT_TRUE(request.has_value());
    return request ? display.Handle(*request) : std::nullopt;
}

struct StepRow {
    const char* name;
    Bytes data;        // request data, access mode first
    unsigned char ack; // 'A' or 'N'
    Bytes values;      // reply values
};

TEST(SimDisplay, RegisterWritesAndReadsShareOneAddressSpace) {
    DisplayModel display(1, -1);
    const StepRow steps[] = {
        {"16-bit pair write", {0x90, 0x00, 0x40, 0xFF, 0xFF}, 'A', {0x90}},
        {"16-bit read of one register", {0x10, 0x00, 0x40}, 'A', {0x10, 0xFF, 0xFF}},
        {"8-bit pairs", {0x80, 0x00, 0x81, 0x05, 0xC9, 0x30, 0x07}, 'A', {0x80}},
        {"8-bit read of a list", {0x00, 0x00, 0x81, 0xC9, 0x30}, 'A', {0x00, 0x05, 0x07}},
        {"consecutive 16-bit write", {0x91, 0x00, 0x40, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03}, 'A', {0x91}},
        {"consecutive read by count",
         {0x10, 0x00, 0x40, 0x03},
         'A',
         {0x10, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03}},
        {"paged block, first packet of a page",
         {0x92, 0x81, 0x01, 0x01, 0xAA, 0xBB, 0xCC, 0xDD},
         'A',
         {0x92}},
        {"paged block, next packet continues", {0x92, 0x00, 0xEE, 0xFF}, 'A', {0x92}},
        {"block landed in order", {0x10, 0x01, 0x01, 0x03}, 'A', {0x10, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
        {"8-bit read of a 16-bit register gives its low byte", {0x00, 0x01, 0x01}, 'A', {0x00, 0xBB}},
        {"16-bit pair cut short", {0x90, 0x00, 0x40, 0xFF}, 'N', {0x01}},
        {"read without a whole address", {0x10, 0x00}, 'N', {0x01}},
        {"no access mode", {}, 'N', {0x01}},
    };
    for (const StepRow& step : steps) {
        SCOPED_TRACE(step.name);
        const auto answer = Ask(display, 0xE1, step.data);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->ack, step.ack);
        EXPECT_EQ(answer->code, 0xE1);
        EXPECT_EQ(answer->values, step.values);
    }
    EXPECT_EQ(display.Register(0x0103), 0xEEFFU);
}

TEST(SimDisplay, TablePacketsAccumulatePerConfiguration) {
    DisplayModel display(1, -1);
    ASSERT_TRUE(Ask(display, 0xE2, {0x28, 0x01, 0x02}).has_value());
    const auto answer = Ask(display, 0xE2, {0x28, 0x03, 0x04});
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->values, Bytes{0x28});
    EXPECT_EQ(display.Table(0x28), (Bytes{0x01, 0x02, 0x03, 0x04}));
    EXPECT_TRUE(display.Table(0x68).empty());
}

TEST(SimDisplay, IndexedListAndParameterisedReads) {
    DisplayModel display(1, -1);
    const StepRow rows[] = {
        {"entry count", {}, 'A', {0x02}},
        {"entry 1 with its index", {0x01}, 'A', {0x01, 0x12, 0x30, 0x13, 0x00}},
        {"entry beyond the list", {0x05}, 'N', {}},
    };
    for (const StepRow& row : rows) {
        SCOPED_TRACE(row.name);
        const auto answer = Ask(display, 0xA9, row.data);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->ack, row.ack);
        EXPECT_EQ(answer->values, row.values);
    }
    // A read that carries a parameter after its selector is answered, not stored as a setting.
    const auto reply1Bx97 = Ask(display, 0x1B, {0x97, 0x81});
    ASSERT_TRUE(reply1Bx97.has_value());
    EXPECT_EQ(reply1Bx97->values, (Bytes{0x97, 0x81, 0x00, 0x00}));
    EXPECT_EQ(display.SubValue(0x1B, 0x97), (Bytes{0x81, 0x00, 0x00}));
}

TEST(SimDisplay, RulesCanBeReplacedRowByRow) {
    DisplayModel display(1, -1);
    display.SetRule(0x12, zolsim::rules::Refuse());
    EXPECT_EQ(Ask(display, 0x12, {0x10})->ack, 'N');
    display.SetRule(0x12, zolsim::rules::Silent());
    EXPECT_FALSE(Ask(display, 0x12, {0x10}).has_value());
    display.SetRule(0x12, zolsim::rules::Value());
    EXPECT_EQ(Ask(display, 0x12, {0x10})->values, Bytes{0x10});
    EXPECT_EQ(display.Value(0x12), Bytes{0x10});
}

// The update a client runs on a serial line: update mode, bulk frames to every display, final query.
TEST(SimDisplay, FirmwareArrivesInBulkFramesOnlyInUpdateMode) {
    Simulator sim;
    DisplayModel& display = sim.AddDisplay(1);
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    RawClient line;
    ASSERT_TRUE(line.OpenSerial(path));

    const Bytes bulk0 = {0xAA, 0xD1, 0xFE, 0x00, 0x06, 0x90, 0x00, 0x02, 0x01, 0x02, 0x03, 0x6D};
    const Bytes bulk1 = {0xAA, 0xD1, 0xFE, 0x00, 0x05, 0x90, 0x01, 0x02, 0x04, 0x05, 0x70};
    const Bytes finalQuery = {0xAA, 0xD0, 0x01, 0x01, 0xC0, 0x92};

    // Outside update mode bulk frames are ignored.
    ASSERT_TRUE(line.Send(bulk0));
    ASSERT_TRUE(sim.WaitForRequests(1, 2000));
    EXPECT_TRUE(display.FirmwareImage().empty());

    ASSERT_TRUE(line.Send({0xAA, 0x1B, 0x01, 0x02, 0x91, 0x01, 0xB0}));
    EXPECT_EQ(line.ReadExact(9), (Bytes{0xAA, 0xFF, 0x01, 0x04, 0x41, 0x1B, 0x91, 0x01, 0xF2}));
    ASSERT_TRUE(line.Send({0xAA, 0xD0, 0x01, 0x02, 0xB0, 0x01, 0x84}));
    EXPECT_EQ(line.ReadExact(9), (Bytes{0xAA, 0xFF, 0x01, 0x04, 0x41, 0xD0, 0xB0, 0x01, 0xC6}));
    EXPECT_TRUE(display.UpdateMode());

    // Chunks count only once the client has raised the line to the update speed.
    ASSERT_TRUE(line.Send(bulk0));
    ASSERT_TRUE(sim.WaitForRequests(4, 2000));
    EXPECT_EQ(display.Snapshot().firmwareRejectedChunks, 1);
    termios tio{};
    ASSERT_EQ(::tcgetattr(line.Fd(), &tio), 0);
    ::cfsetspeed(&tio, B115200);
    ASSERT_EQ(::tcsetattr(line.Fd(), TCSANOW, &tio), 0);

    ASSERT_TRUE(line.Send(bulk0));
    ASSERT_TRUE(line.Send(finalQuery));
    EXPECT_EQ(line.ReadExact(9),
              (Bytes{0xAA, 0xFF, 0x01, 0x04, 0x41, 0xD0, 0xC0, 0x00, 0xD5})); // one missing
    ASSERT_TRUE(line.Send(bulk1));
    ASSERT_TRUE(line.Send(finalQuery));
    EXPECT_EQ(line.ReadExact(9), (Bytes{0xAA, 0xFF, 0x01, 0x04, 0x41, 0xD0, 0xC0, 0x01, 0xD6}));
    EXPECT_EQ(display.FirmwareImage(), (Bytes{0x01, 0x02, 0x03, 0x04, 0x05}));

    ASSERT_TRUE(line.Send({0xAA, 0xD0, 0x01, 0x02, 0xC1, 0x01, 0x95}));
    EXPECT_EQ(line.ReadExact(9), (Bytes{0xAA, 0xFF, 0x01, 0x04, 0x41, 0xD0, 0xC1, 0x01, 0xD7}));
    EXPECT_FALSE(display.UpdateMode());
}

} // namespace
