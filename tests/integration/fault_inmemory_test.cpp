// The command handler's send, match and retry loop over an in-memory connection that breaks on purpose:
// every single operation (connect, send, receive) is made to fail in turn, writes are cut into pieces of
// every size, and replies are handed over in pieces. Whatever breaks, the handler ends, frees every reply
// and stores either nothing or the display's true value - never a value made of a broken reply.

#include "FaultyConnection.h"
#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLCommand.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "transport/ConnectionPool.h"
#include "zolsim/DisplayModel.h"
#include "zolsim/Wire.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

using zol::testing::Bytes;
using zol::testing::FaultPlan;
using zol::testing::FaultyCommand;
using zol::testing::FaultyConnection;

constexpr unsigned char kValue12 = 0x12;
constexpr unsigned char kDisplayValue = 37;
constexpr int kStaleValue = 99;

// The simulated display behind the connection: parses what is written and answers whole requests.
struct Display {
    zolsim::DisplayModel model{1, -1};
    zolsim::RequestParser parser;

    zol::testing::Peer Peer() {
        return [this](const Bytes& written) {
            parser.Feed(written.data(), written.size());
            Bytes replies;
            while (auto request = parser.Next()) {
                if (auto answer = model.Handle(*request)) {
                    const Bytes reply = zolsim::StandardReply(model.Id(), *answer);
                    replies.insert(replies.end(), reply.begin(), reply.end());
                }
            }
            return replies;
        };
    }
};

class FaultInMemory : public testing::Test {
protected:
    void SetUp() override {
        ResetProcessWide();
        handler = IZOLCommandHandlerFactory::CreateInstance();
        handler->SetProgressObserver(nullptr);
        handler->SetRetryCount(2);
        display.model.SetValue(kValue12, {kDisplayValue});
        record.SetAddress("in-memory display"); // no pooled connection has this name
        record.SetConnectionKind(1);
        record.SetDisplayId(1);
        record.SetValue12(kStaleValue);
    }
    void TearDown() override { handler->SetRetryCount(4); }

    // Runs one query of the 0x12 setting (Value12) over a connection with this plan; returns Execute's
    // result.
    unsigned Query(const FaultPlan& plan, int* sends = nullptr) {
        FaultyConnection connection(display.Peer(), plan);
        FaultyCommand command(connection);
        const unsigned result = handler->Execute(&record, kValue12, 0, nullptr, &command, nullptr, true);
        if (sends != nullptr)
            *sends = command.Sends();
        return result;
    }

    IZOLCommandHandler* handler = nullptr;
    Display display;
    CLFDData record;
};

TEST_F(FaultInMemory, CleanRunTakesThreeOperations) {
    // The loop below relies on this count: connect, send, receive.
    FaultyConnection connection(display.Peer());
    FaultyCommand command(connection);
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, &command, nullptr, true), 1u);
    EXPECT_EQ(connection.Operations(), 3);
    EXPECT_EQ(record.GetValue12(), kDisplayValue);
}

TEST_F(FaultInMemory, AnySingleFailedOperationIsRecoveredByARetry) {
    // With two retries, one broken connect, send or receive anywhere still ends with the true value.
    for (int failAt = 1; failAt <= 12; ++failAt) {
        SCOPED_TRACE("operation " + std::to_string(failAt) + " fails");
        record.SetValue12(kStaleValue);
        int sends = 0;
        EXPECT_EQ(Query(FaultPlan{failAt}, &sends), 1u);
        EXPECT_EQ(record.GetValue12(), kDisplayValue);
        EXPECT_EQ(sends, failAt <= 3 ? 2 : 1) << "only a failure within the first attempt costs a send";
    }
}

TEST_F(FaultInMemory, WithoutRetriesAFailedOperationIsAFailureThatStoresNothing) {
    handler->SetRetryCount(0);
    for (int failAt = 1; failAt <= 3; ++failAt) {
        SCOPED_TRACE("operation " + std::to_string(failAt) + " fails");
        record.SetValue12(kStaleValue);
        EXPECT_EQ(Query(FaultPlan{failAt}), 0u);
        EXPECT_EQ(record.GetValue12(), kStaleValue);
    }
}

TEST_F(FaultInMemory, RequestWrittenInPiecesOfAnySizeArrivesWhole) {
    for (std::size_t piece = 1; piece <= 6; ++piece) {
        SCOPED_TRACE("writes of at most " + std::to_string(piece) + " bytes");
        record.SetValue12(kStaleValue);
        FaultPlan plan;
        plan.maxWrite = piece;
        int sends = 0;
        EXPECT_EQ(Query(plan, &sends), 1u);
        EXPECT_EQ(sends, 1);
        EXPECT_EQ(record.GetValue12(), kDisplayValue);
    }
}

TEST_F(FaultInMemory, ReplyHandedOverInPiecesNeverStoresAWrongValue) {
    // A connection that gives up part of a reply is broken; the handler may fail, but a piece of a frame
    // (whose checksum cannot hold) must not be decoded into the record.
    for (std::size_t piece = 1; piece <= 8; ++piece) {
        SCOPED_TRACE("reads of at most " + std::to_string(piece) + " bytes");
        record.SetValue12(kStaleValue);
        FaultPlan plan;
        plan.maxRead = piece;
        const unsigned result = Query(plan);
        EXPECT_TRUE(record.GetValue12() == kStaleValue || record.GetValue12() == kDisplayValue)
            << record.GetValue12();
        if (result == 1u) {
            EXPECT_EQ(record.GetValue12(), kDisplayValue);
        }
    }
}

TEST_F(FaultInMemory, FailuresCombinedWithPiecesStillEnd) {
    for (int failAt = 1; failAt <= 10; ++failAt) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}}) {
            SCOPED_TRACE("operation " + std::to_string(failAt) + ", pieces of " + std::to_string(piece));
            record.SetValue12(kStaleValue);
            FaultPlan plan{failAt, piece, piece};
            Query(plan);
            EXPECT_TRUE(record.GetValue12() == kStaleValue || record.GetValue12() == kDisplayValue);
        }
    }
}

// Through the pool: when opening the link reports anything but success, the request is not sent - except
// a power query (0x11), which still goes out and is answered.
TEST_F(FaultInMemory, AFailedConnectStatusStopsEveryRequestButThePowerQuery) {
    struct Row {
        unsigned char code;
        bool sent;
    };
    constexpr const char* kPooledAddress = "in-memory pooled display";
    for (const Row row : {Row{0x11, true}, Row{0x12, false}, Row{0x00, false}}) {
        SCOPED_TRACE("command " + std::to_string(row.code));
        FaultPlan plan;
        plan.connectStatus = ZOL_CONNECT_PIN_REQUIRED;
        FaultyConnection* made = nullptr;
        CZOLConnectionPool::SetConnectionMaker([&](const std::string&) -> IZOLConnection* {
            made = new FaultyConnection(display.Peer(), plan); // the pool owns it, and Destroys it
            return made;
        });
        std::unique_ptr<IZOLCommand, void (*)(IZOLCommand*)> command(IZOLCommandFactory::CreateInstance(),
                                                                     [](IZOLCommand* c) { c->Release(); });
        command->Initialize();
        command->SetConnectionInfo(kPooledAddress, "ETHERNET");
        command->SetDisplayId(1);
        command->SetCommand(row.code, 0, nullptr);
        int length = -1;
        int status = 0;
        std::unique_ptr<unsigned char, decltype(&std::free)> reply(
            command->SendAndReceive(&length, 0, &status), &std::free);
        EXPECT_EQ(status, ZOL_CONNECT_PIN_REQUIRED);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->Writes() > 0, row.sent);
        EXPECT_EQ(reply != nullptr, row.sent);
        CZOLConnectionPool::SetConnectionMaker(nullptr);
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kPooledAddress);
    }
}

} // namespace
