// The command handler against the simulated display: what reaches the display (counted requests),
// what lands in the record, and how misbehaving replies, retries and cancellation play out.

#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLAlert.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"

#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using zolsim::Fault;
using zolsim::FaultKind;

constexpr char kAddress[] = "127.0.3.1";
constexpr const char* kSilentAddress = "127.0.3.250"; // nothing listens here

struct FreeReply {
    void operator()(unsigned char* p) const { std::free(p); }
};
using ReplyPtr = std::unique_ptr<unsigned char, FreeReply>;

class HandlerExecute : public zol::testing::SimulatedDisplaySuite<kAddress> {
protected:
    static void SetUpTestSuite() { StartDisplay(/*relayTarget=*/3); }
    void SetUp() override {
        ResetDisplay();
        ResetProcessWide();
        handler = IZOLCommandHandlerFactory::CreateInstance();
        handler->SetRetryCount(4);
        handler->SetProgressObserver(nullptr);
        PointAtDisplay(record);
    }
    void TearDown() override { handler->SetProgressObserver(nullptr); }

    // Requests the display saw for a command code (relay headers not counted).
    static int RequestsFor(unsigned char code) {
        int count = 0;
        for (const auto& request : sim->Requests()) {
            count += !request.relayHeader && request.code == code ? 1 : 0;
        }
        return count;
    }

    IZOLCommandHandler* handler = nullptr;
    CLFDData record;
};

TEST_F(HandlerExecute, StatusQueryIsDecodedIntoTheRecord) {
    sim->FindDisplay(1)->SetPower(true);
    EXPECT_EQ(handler->Execute(&record, 0x00, 0, nullptr, nullptr, nullptr, true), 1u);
    EXPECT_TRUE(record.GetPower());
    EXPECT_TRUE(record.IsResponding());
    EXPECT_TRUE(record.GetStatusReceived());
    EXPECT_EQ(RequestsFor(0x00), 1);
}

TEST_F(HandlerExecute, SetThenQueryRoundTripsAValue) {
    const unsigned char value = 33;
    EXPECT_EQ(handler->Execute(&record, 0x12, 1, &value, nullptr, nullptr, true), 1u);
    record.SetValue12(0);
    EXPECT_EQ(handler->Execute(&record, 0x12, 0, nullptr, nullptr, nullptr, true), 1u);
    EXPECT_EQ(record.GetValue12(), 33);
}

TEST_F(HandlerExecute, RelayedDisplayAnswersThroughItsRelay) {
    sim->FindDisplay(1, 3)->SetValue(0x12, {44});
    record.SetRelayTarget(3);
    EXPECT_EQ(handler->Execute(&record, 0x12, 0, nullptr, nullptr, nullptr, true), 1u);
    EXPECT_EQ(record.GetValue12(), 44);
}

// How many times a command goes out when its replies do not match, and what the call returns.
struct RetryRow {
    const char* name;
    unsigned char code;
    std::vector<Fault> faults; // applied to consecutive requests
    unsigned retryCount;
    bool verify;
    int expectedRequests;
    unsigned expectedResult;
};

Fault WrongCommand(int times) {
    Fault fault;
    fault.kind = FaultKind::WrongCommand;
    fault.otherCode = 0x13; // a 0x13 reply the decoder still stores
    fault.times = times;
    return fault;
}

Fault Dropped() {
    Fault fault;
    fault.kind = FaultKind::Drop;
    return fault;
}

class HandlerRetries : public HandlerExecute, public testing::WithParamInterface<RetryRow> {};

TEST_P(HandlerRetries, SendsAsOftenAsTheRetryRulesSay) {
    const RetryRow& row = GetParam();
    sim->FindDisplay(1)->SetValue(0x12, {1});
    for (const auto& fault : row.faults) {
        sim->InjectFault(fault);
    }
    handler->SetRetryCount(row.retryCount);
    record.SetValue13(false);
    EXPECT_EQ(handler->Execute(&record, row.code, 0, nullptr, nullptr, nullptr, row.verify),
              row.expectedResult);
    EXPECT_EQ(RequestsFor(row.code), row.expectedRequests);
    if (row.code == 0x12 && row.faults.front().kind == FaultKind::WrongCommand) {
        EXPECT_TRUE(record.GetValue13()) << "a reply that does not match is still decoded";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HandlerRetries,
    testing::Values(
        RetryRow{"retry count 0 sends once", 0x12, {WrongCommand(10)}, 0, true, 1, 0},
        RetryRow{"one bad reply, then a good one", 0x12, {WrongCommand(1)}, 2, true, 2, 1},
        RetryRow{"0x1D is never retried", 0x1D, {WrongCommand(10)}, 4, true, 1, 0},
        RetryRow{"without verify one send decodes what came", 0x12, {WrongCommand(10)}, 4, false, 1, 0},
        RetryRow{"no reply at all, then a good one", 0x12, {Dropped()}, 2, true, 2, 1},
        RetryRow{"retries exhausted", 0x12, {WrongCommand(10)}, 1, true, 2, 0}),
    [](const testing::TestParamInfo<RetryRow>& info) { return "row" + std::to_string(info.index); });

class CancellingObserver : public ProgressObserver {
public:
    void OnProgressStep(int, int, bool) override { ++steps; }
    bool IsCancelRequested() override { return ++queries >= cancelAt; }
    int cancelAt = 1;
    int queries = 0;
    int steps = 0;
};

TEST_F(HandlerExecute, CancellationLeavesExecuteRightAfterTheSend) {
    CancellingObserver observer;
    handler->SetProgressObserver(&observer);
    try {
        handler->Execute(&record, 0x12, 0, nullptr, nullptr, nullptr, true);
        FAIL() << "Execute returned instead of being cancelled";
    } catch (int code) {
        EXPECT_EQ(code, 1);
    }
    EXPECT_EQ(observer.queries, 1);
    EXPECT_EQ(RequestsFor(0x12), 1);
}

TEST_F(HandlerExecute, CancellationStopsTheDisplayLoopAndMarksDisplaysNotResponding) {
    CLFDData second = record;
    record.SetResponding(true);
    second.SetResponding(true);
    CVWDataAdapter::Process().AddDisplay(1, &record);
    CVWDataAdapter::Process().AddDisplay(2, &second);
    CancellingObserver observer;
    observer.cancelAt = 1;
    handler->SetProgressObserver(&observer);
    EXPECT_EQ(handler->ExecuteForDisplays(true, 0x12, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(RequestsFor(0x12), 1) << "the second display is never reached";
    EXPECT_FALSE(record.IsResponding());
    EXPECT_FALSE(second.IsResponding());
}

TEST_F(HandlerExecute, DisplayLoopNotifiesEveryDisplayAndSkipsUnselectedOnes) {
    CLFDData unselected = record;
    CLFDData silent = record;
    record.SetResponding(true);
    record.SetSelected(true);
    unselected.SetSelected(false);
    silent.SetSelected(true);
    silent.SetResponding(false); // skipped but notified for any command but status
    CVWDataAdapter::Process().AddDisplay(1, &record);
    CVWDataAdapter::Process().AddDisplay(2, &unselected);
    CVWDataAdapter::Process().AddDisplay(3, &silent);
    CancellingObserver observer;
    observer.cancelAt = 1000;
    handler->SetProgressObserver(&observer);
    EXPECT_EQ(handler->ExecuteForDisplays(false, 0x12, 0, nullptr, nullptr), 1u);
    EXPECT_EQ(observer.steps, 2);
    EXPECT_EQ(RequestsFor(0x12), 1);
}

TEST_F(HandlerExecute, BroadcastReturnsOneWhetherOrNotAnyoneAnswers) {
    const unsigned char value = 5;
    EXPECT_EQ(handler->Broadcast(&record, 0x12, 1, &value, nullptr, nullptr), 1u);
    ASSERT_TRUE(sim->WaitForRequests(1, 2000));
    const auto requests = sim->Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().id, 0xFE);

    CLFDData nobody;
    nobody.SetAddress(kSilentAddress);
    nobody.SetConnectionKind(1);
    EXPECT_EQ(handler->Broadcast(&nobody, 0x12, 1, &value, nullptr, nullptr), 1u);
    EXPECT_EQ(handler->Broadcast(nullptr, 0x12, 1, &value, nullptr, nullptr), 0u);
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kSilentAddress);
}

TEST_F(HandlerExecute, RawRoadsReturnTheReplyAndReadItsAcknowledgement) {
    unsigned int length = 0;
    ReplyPtr reply(handler->ExecuteWithReply(&record, 0x12, 0, nullptr, &length, true));
    ASSERT_NE(reply, nullptr);
    ASSERT_GE(length, 6u);
    EXPECT_EQ(reply.get()[5], 0x12);

    ReplyPtr raw(handler->ExecuteRaw(&record, 0x12, 0, nullptr, nullptr));
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(raw.get()[4], 'A');

    EXPECT_TRUE(handler->ExecuteAcknowledged(&record, 0x12, 0, nullptr));
    Fault refuse;
    refuse.kind = FaultKind::Nak;
    sim->InjectFault(refuse);
    EXPECT_FALSE(handler->ExecuteAcknowledged(&record, 0x12, 0, nullptr));
}

TEST_F(HandlerExecute, DisabledDisplayIsNotContacted) {
    record.SetCommunicationEnabled(false);
    record.SetResponding(true);
    record.SetPower(true);
    EXPECT_EQ(handler->Execute(&record, 0x00, 0, nullptr, nullptr, nullptr, true), 1u);
    EXPECT_FALSE(record.IsResponding());
    EXPECT_FALSE(record.GetPower());
    EXPECT_EQ(handler->ExecuteWithReply(&record, 0x00, 0, nullptr, nullptr, true), nullptr);
    EXPECT_TRUE(sim->Requests().empty());
}

// Bad input is refused before anything is sent.
TEST_F(HandlerExecute, BadLengthsAndMissingDataSendNothing) {
    const unsigned char data[4] = {1, 2, 3, 4};
    unsigned char replyOut[2048];
    EXPECT_EQ(handler->Execute(&record, 0x12, -1, data, nullptr, nullptr, true), 0u);
    EXPECT_EQ(handler->Execute(&record, 0x12, 5000, data, nullptr, nullptr, true), 0u);
    EXPECT_EQ(handler->Execute(&record, 0x12, 2, nullptr, nullptr, nullptr, true), 0u);
    EXPECT_EQ(handler->Execute(nullptr, 0x12, 1, data, nullptr, nullptr, true), 0u);
    EXPECT_EQ(handler->ExecuteWithReply(&record, 0x12, -3, data, nullptr, true), nullptr);
    EXPECT_EQ(handler->ExecuteRaw(&record, 0x12, 2, nullptr, nullptr), nullptr);
    EXPECT_EQ(handler->ExecuteRaw(nullptr, 0x12, 1, data, nullptr), nullptr);
    EXPECT_FALSE(handler->TransferPacket(&record, nullptr, nullptr, 5, replyOut, 100, true, 0));
    EXPECT_FALSE(handler->TransferPacket(&record, nullptr, replyOut, 4096, replyOut, 100, true, 0));
    EXPECT_EQ(handler->TransferChunked(&record, 0xD1, 0x90, -1, data, 1), 0u);
    EXPECT_EQ(handler->TransferChunked(&record, 0xD1, 0x90, 4, nullptr, 1), 0u);
    EXPECT_EQ(handler->TransferChunked(&record, 0xD1, 0x90, 4, data, 0), 0u);
    EXPECT_EQ(handler->TransferChunked(nullptr, 0xD1, 0x90, 4, data, 1), 1u);
    EXPECT_TRUE(sim->Writes().empty());
}

TEST_F(HandlerExecute, TransferPacketAcceptsTheFirstReplyAndCopiesItsFrame) {
    unsigned char packet[] = {0xAA, 0x12, 0x01, 0x00, 0x13};
    unsigned char replyOut[2048] = {};
    sim->FindDisplay(1)->SetValue(0x12, {9});
    EXPECT_TRUE(handler->TransferPacket(&record, nullptr, packet, sizeof(packet), replyOut, 1000, true, 0));
    EXPECT_EQ(replyOut[0], 0xAA);
    EXPECT_EQ(replyOut[5], 0x12);
    EXPECT_EQ(replyOut[6], 9);
}

// The PIN alerts name the display and what the person has to do.
std::vector<std::string> g_alerts;

struct PinRow {
    bool securedDisplay;
    const char* pin;
    int expectedStatus;
    const char* expectedAlert;
};

class HandlerPinAlerts : public HandlerExecute, public testing::WithParamInterface<PinRow> {};

TEST_P(HandlerPinAlerts, OutcomeRaisesItsAlert) {
    const PinRow& row = GetParam();
    constexpr const char* kSecuredAddress = "127.0.3.2";
    zolsim::Simulator display;
    display.AddDisplay(1);
    if (row.securedDisplay) {
        ASSERT_TRUE(display.EnableTls()); // credentials made up front, so the greeting is not held back
        display.SetGreeting(zolsim::kTlsGreeting);
    }
    ASSERT_TRUE(display.StartTcp(kSecuredAddress));
    CLFDData locked = record;
    locked.SetAddress(kSecuredAddress);
    locked.SetConnectionParameter(row.pin);
    locked.SetResponding(true);
    CVWDataAdapter::Process().AddDisplay(1, &locked);
    g_alerts.clear();
    CZOLAlert::SetHandler([](const std::string& caption, const std::string& text,
                             void*) { g_alerts.push_back(caption + "|" + text); },
                          nullptr);
    int connectStatus = 0;
    handler->ExecuteForDisplays(true, 0x12, 0, nullptr, &connectStatus);
    CZOLAlert::SetHandler(nullptr, nullptr);
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kSecuredAddress);

    EXPECT_EQ(connectStatus, row.expectedStatus);
    ASSERT_EQ(g_alerts.size(), 1u);
    EXPECT_EQ(g_alerts[0], std::string("Alert|LFD 127.0.3.2: ") + row.expectedAlert);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HandlerPinAlerts,
    testing::Values(
        PinRow{true, "", 3, "Enter the device PIN for connection when the device's Secured Protocol is ON. "},
        PinRow{false, "1234", 4,
               "DEVICE PIN is not needed for connection when the device's Secured Protocol is OFF. "}),
    [](const testing::TestParamInfo<PinRow>& info) {
        return "status" + std::to_string(info.param.expectedStatus);
    });

} // namespace
