// The command object against the simulated display over TCP: the exact bytes the display receives,
// the framing variants and the relay header, the reply waits, the pauses, and the connection handling.

#include "ZOLCommand.h"
#include "ZOLConnection.h"
#include "protocol/ZOLCommand.h"

#include "zolsim/Simulator.h"

#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using zolsim::Bytes;

constexpr char kAddress[] = "127.0.2.1";
constexpr const char* kSecuredAddress = "127.0.2.2";

struct Given {
    unsigned char code = 0;
    Bytes data{};
    unsigned char id = 1;
    unsigned char subCode = 0;
    int relayTarget = -1;
    unsigned char relayByte = 0;
    int deviceClass = -1;
    int chunkIndex = 0;
    int chunkCount = 0;
};

struct Reply {
    std::unique_ptr<unsigned char, decltype(&std::free)> bytes{nullptr, &std::free};
    int length = -7; // untouched unless the command object writes it
    int connectStatus = -7;
    long long elapsedMs = 0;
};

class CommandWire : public zol::testing::SimulatedDisplaySuite<kAddress> {
protected:
    static void SetUpTestSuite() { StartDisplay(/*relayTarget=*/3); }
    void SetUp() override { ResetDisplay(); }

    static Reply Send(const Given& given, int framingVariant = 0, std::string address = kAddress,
                      std::string credential = "") {
        std::unique_ptr<IZOLCommand, void (*)(IZOLCommand*)> command(IZOLCommandFactory::CreateInstance(),
                                                                     [](IZOLCommand* c) { c->Release(); });
        command->Initialize();
        command->SetConnectionInfo(std::move(address), "ETHERNET");
        command->SetCredential(std::move(credential));
        command->SetDisplayId(given.id);
        command->SetRelayTarget(given.relayTarget);
        command->SetRelayByte(given.relayByte);
        command->SetDeviceClass(given.deviceClass);
        command->SetCommandEx(given.code, given.subCode, static_cast<int>(given.data.size()),
                              given.chunkIndex, given.chunkCount,
                              given.data.empty() ? nullptr : given.data.data());
        Reply reply;
        const auto start = std::chrono::steady_clock::now();
        reply.bytes.reset(command->SendAndReceive(&reply.length, framingVariant, &reply.connectStatus));
        reply.elapsedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        return reply;
    }

    // Everything the display read since the last ClearLog, once it has parsed `requests` requests.
    static Bytes Received(std::size_t requests = 1) {
        sim->WaitForRequests(requests, 1000);
        Bytes all;
        for (const Bytes& chunk : sim->Writes()) {
            all.insert(all.end(), chunk.begin(), chunk.end());
        }
        return all;
    }

};

struct WireRow {
    const char* name;
    Given given;
    Bytes wire;
    bool answered = true;
};

TEST_F(CommandWire, BytesOnTheWire) {
    const std::vector<WireRow> rows = {
        {"query", {.code = 0x11}, {0xAA, 0x11, 0x01, 0x00, 0x12}},
        {"one byte", {.code = 0x12, .data = {0x32}}, {0xAA, 0x12, 0x01, 0x01, 0x32, 0x46}},
        {"d0 selects the layout",
         {.code = 0x5B, .data = {0x00, 0x0A, 0x0B, 0x0C}},
         {0xAA, 0x5B, 0x01, 0x03, 0x0A, 0x0B, 0x0C, 0x80}},
        {"sub-item 0x14 sent 15 higher",
         {.code = 0xC0, .data = {0x14, 0x05}},
         {0xAA, 0xC0, 0x01, 0x02, 0x14, 0x14, 0xEB}},
        {"sub-code translated for device class 4",
         {.code = 0xFE, .data = {0x81, 0x01}, .deviceClass = 4},
         {0xAA, 0xFE, 0x01, 0x02, 0x40, 0x01, 0x42}},
        {"LED item set", {.code = 0xD0, .data = {0x99, 0x01}}, {0xAA, 0xD0, 0x01, 0x02, 0x99, 0x01, 0x6D}},
        {"long frame with its own length",
         {.code = 0xD2, .data = {0x40, 0x00, 0x06, 0x01, 0x02, 0x03, 0xAA, 0xBB}},
         {0xAA, 0xD2, 0x01, 0x00, 0x06, 0x40, 0x01, 0x02, 0x03, 0xAA, 0xBB, 0x84}},
        {"to every display whatever the ID",
         {.code = 0xB9, .data = {0x05}},
         zolsim::StandardRequest(0xB9, 0xFE, {0x05}),
         false},
        {"bulk frame",
         {.code = 0xD1, .data = {1, 2, 3, 4}, .subCode = 0x90, .chunkIndex = 1, .chunkCount = 2},
         {0xAA, 0xD1, 0xFE, 0x00, 0x07, 0x90, 0x01, 0x02, 0x01, 0x02, 0x03, 0x04, 0x73},
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim->ClearLog();
        const Reply reply = Send(row.given);
        EXPECT_EQ(Received(), row.wire);
        EXPECT_EQ(reply.bytes != nullptr, row.answered);
        EXPECT_EQ(reply.length > 0, row.answered);
    }
}

TEST_F(CommandWire, FramingVariants) {
    const std::vector<std::pair<int, Bytes>> rows = {
        {1, {0x12, 0x01, 0x32, 0x33}},
        {2, {0xAA, 0x12, 0xF7, 0x01, 0x32, 0x3C}},
        {7, {0xAA, 0x12, 0x01, 0x01, 0x32, 0x46}},
    };
    for (const auto& [variant, wire] : rows) {
        SCOPED_TRACE(variant);
        sim->ClearLog();
        Send({.code = 0x12, .data = {0x32}, .relayTarget = variant == 7 ? -1 : 3}, variant);
        EXPECT_EQ(Received(), wire);
    }
}

TEST_F(CommandWire, RelayHeaderAndRequestInOneWrite) {
    const Reply reply = Send({.code = 0x11, .relayTarget = 3, .relayByte = 2});
    EXPECT_NE(reply.bytes, nullptr);
    const std::vector<Bytes> writes = sim->Writes();
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front(), (Bytes{0xAA, 0xEE, 0x01, 0x05, 0x00, 0x01, 0x00, 0x02, 0x03, 0xFA, //
                                     0xAA, 0x11, 0x01, 0x00, 0x12}));
}

// A reply later than 2000 ms still counts where the command waits longer, and one within 2000 ms is
// lost where it waits less.
TEST_F(CommandWire, ReplyWaits) {
    struct Row {
        const char* name;
        Given given;
        int delayMs;
        bool answered;
    };
    const std::vector<Row> rows = {
        {"0x14 with data waits 7000 ms", {.code = 0x14, .data = {0x21}}, 2500, true},
        {"0x1B 0x91 waits 1000 ms", {.code = 0x1B, .data = {0x91, 0x01}}, 1500, false},
        {"the default is 2000 ms", {.code = 0x12, .data = {0x10}}, 2500, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kAddress);
        sim->InjectFault(
            {.kind = zolsim::FaultKind::Delay, .delayMs = row.delayMs, .onlyCode = row.given.code});
        const Reply reply = Send(row.given);
        EXPECT_EQ(reply.bytes != nullptr, row.answered);
        if (!row.answered) {
            EXPECT_LT(reply.elapsedMs, row.delayMs);
        }
    }
}

TEST_F(CommandWire, NoReplyAwaitedReturnsAtOnce) {
    // Nobody answers a request to every display; the command must not wait for one.
    for (unsigned char code : {0x70, 0xC7}) {
        const Reply reply = Send({.code = code, .data = {0x01}, .id = 0xFE});
        EXPECT_EQ(reply.bytes, nullptr);
        EXPECT_EQ(reply.length, 0);
        EXPECT_LT(reply.elapsedMs, 1000);
    }
    EXPECT_TRUE(sim->WaitForRequests(2, 1000)); // both went out all the same
}

TEST_F(CommandWire, RefusedRequestWritesNothing) {
    for (const Given& given :
         {Given{.code = 0x1B, .data = {0x99}}, Given{.code = 0xFF}, Given{.code = 0x21}}) {
        sim->ClearLog();
        const Reply reply = Send(given);
        EXPECT_EQ(reply.bytes, nullptr);
        EXPECT_EQ(reply.length, -7);
        EXPECT_FALSE(sim->WaitForRequests(1, 200));
    }
}

// A display that wants a PIN: no request goes out without one, and a changed PIN replaces the pooled
// connection instead of reusing the one opened with the old PIN.
TEST_F(CommandWire, ConnectStatusAndCredential) {
    zolsim::Simulator secured;
    secured.AddDisplay(1);
    secured.SetGreeting("ZOLSTART<<TLS>>");
    ASSERT_TRUE(secured.StartTcp(kSecuredAddress));

    const Reply reply = Send({.code = 0x12, .data = {0x32}}, 0, kSecuredAddress);
    EXPECT_EQ(reply.bytes, nullptr);
    EXPECT_EQ(reply.length, -7);
    EXPECT_EQ(reply.connectStatus, ZOL_CONNECT_PIN_REQUIRED);
    EXPECT_TRUE(secured.Writes().empty());

    // Plain display, first without a PIN, then with one: the pooled connection is replaced.
    EXPECT_NE(Send({.code = 0x11}).bytes, nullptr);
    const Reply withPin = Send({.code = 0x11}, 0, kAddress, "1234");
    EXPECT_EQ(withPin.bytes, nullptr);
    EXPECT_EQ(withPin.connectStatus, ZOL_CONNECT_PIN_NOT_REQUIRED);
    IZOLConnection* pooled = IZOLConnectionPoolFactory::CreateInstance()->FindConnection(kAddress);
    ASSERT_NE(pooled, nullptr);
    EXPECT_EQ(pooled->GetCredential(), "1234");
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kSecuredAddress);
}

} // namespace
