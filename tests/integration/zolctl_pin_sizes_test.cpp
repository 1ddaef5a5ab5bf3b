// PINs of every size and of any bytes: a secured session either runs normally or fails with a clear
// connect status, and the PIN shows nowhere - not in the library's debug log, not in the connection's
// status text, not in zolctl's --verbose lines, its JSON or its error texts.
#include "Logger.h"
#include "TrustStore.h"
#include "ZOLConnection.h"
#include "ZolctlRun.h"
#include "transport/EthernetConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Bytes = std::vector<unsigned char>;

const Bytes kQuery = {0xAA, 0x11, 0x01, 0x00, 0x12};
const Bytes kReply = {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56};

// A PIN of `length` characters that no other text in a log could hold by chance.
std::string PinOfLength(std::size_t length) {
    static const std::string alphabet = "Q7xK2vR9mZ4pL8wT";
    std::string pin;
    for (std::size_t i = 0; i < length; ++i) {
        pin.push_back(alphabet[(i * 7 + 3) % alphabet.size()]);
    }
    return pin;
}

struct PinRow {
    const char* name;
    std::string pin;
};

std::vector<PinRow> PinRows() {
    return {
        {"empty", ""},
        {"4 characters", PinOfLength(4)},
        {"64 characters", PinOfLength(64)},
        {"1,024 characters", PinOfLength(1024)},
        {"100,000 characters", PinOfLength(100000)},
        {"non-ASCII bytes", "p\xC3\xAFn\xE2\x82\xAC\x01\xFF\x7F"},
    };
}

// Every log line of the library while it lives, at debug level.
class CapturedLog {
public:
    CapturedLog() {
        __logger.SetLevel(LogLevel::Debug);
        __logger.SetSink([this](const LogRecord& record) {
            const std::lock_guard lock(m_mutex);
            m_text += record.message;
            m_text += '\n';
        });
    }
    ~CapturedLog() {
        __logger.SetSink({});
        __logger.SetLevel(LogLevel::Off);
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    std::string Text() {
        const std::lock_guard lock(m_mutex);
        return m_text;
    }

private:
    std::mutex m_mutex;
    std::string m_text;
};

zoltest::TrustStore* g_store = zoltest::TrustStore::Register("zol-pin-sizes");

struct ConnectionDeleter {
    void operator()(CZOLEthernetConnection* connection) const { connection->Destroy(); }
};
using Connection = std::unique_ptr<CZOLEthernetConnection, ConnectionDeleter>;

void ExpectNowhere(const std::string& pin, const std::string& text, const char* where) {
    if (!pin.empty()) {
        EXPECT_EQ(text.find(pin), std::string::npos) << "the PIN shows in " << where;
    }
}

TEST(PinSizes, ASessionRunsOrFailsClearlyAndThePinShowsNowhere) {
    unsigned host = 1;
    for (const PinRow& row : PinRows()) {
        for (const bool exchange : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (exchange ? ", PIN exchange on" : ", PIN exchange off"));
            const std::string address = "127.0.140." + std::to_string(host++);
            zolsim::Simulator sim;
            sim.AddDisplay(1);
            ASSERT_TRUE(sim.EnableTls(g_store->Issued()));
            sim.SetPin(row.pin);
            ASSERT_TRUE(sim.StartTcp(address, 0));

            CapturedLog log;
            Connection connection(new CZOLEthernetConnection());
            connection->SetAddress(address);
            connection->SetLinkParameter(sim.TcpPort());
            connection->SetCredential(row.pin);
            connection->SetPinExchange(exchange);
            int connectStatus = 0;
            const bool connected = connection->Connect(&connectStatus);
            if (row.pin.empty()) {
                EXPECT_FALSE(connected);
                EXPECT_EQ(connectStatus, 3);
            } else if (connected) {
                EXPECT_EQ(connectStatus, 1);
                ASSERT_EQ(connection->Send(kQuery.data(), static_cast<int>(kQuery.size())),
                          static_cast<int>(kQuery.size()));
                int length = 0;
                unsigned char* reply = connection->Receive(&length, 2000);
                EXPECT_EQ(Bytes(reply, reply + length), kReply);
                std::free(reply);
            } else {
                // Only the exchange can turn a PIN down; without it every non-empty PIN connects.
                EXPECT_TRUE(exchange);
                EXPECT_EQ(connectStatus, 2);
                EXPECT_FALSE(connection->GetStatusText().empty());
            }
            std::cout << row.name << (exchange ? ", exchange on" : ", exchange off") << ": connect status "
                      << connectStatus << '\n';
            ExpectNowhere(row.pin, connection->GetStatusText(), "the status text");
            connection.reset();
            ExpectNowhere(row.pin, log.Text(), "the debug log");
        }
    }
}

TEST(PinSizes, ZolctlNeverPrintsThePinInAnyOutput) {
    const std::string address = "127.0.140.100";
    zolsim::Simulator sim;
    sim.AddDisplay(1).SetValue(0x12, {0x0A});
    ASSERT_TRUE(sim.EnableTls(g_store->Issued()));
    ASSERT_TRUE(sim.StartTcp(address));
    const std::filesystem::path pinFile = g_store->base / "display.pin";
    for (const PinRow& row : PinRows()) {
        SCOPED_TRACE(row.name);
        std::ofstream(pinFile, std::ios::binary | std::ios::trunc) << row.pin << '\n';
        for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
                 {"-v", "--host", address, "--pin-file", pinFile.string(), "exec", "0x12"},
                 {"--json", "--host", address, "--pin-file", pinFile.string(), "status"},
                 {"--host", address, "--pin-file", pinFile.string(), "raw", "0x12"},
                 {"--host", address, "--pin-file", pinFile.string(), "op", "NoSuchOperation"},
             }) {
            // --verbose takes the log over for its own lines (they land in ran.err); the others log here.
            CapturedLog log;
            const zoltest::Ran ran = zoltest::Zolctl(words);
            if (row.pin.empty()) {
                EXPECT_NE(ran.exitCode, 0) << ran.err;
            }
            ExpectNowhere(row.pin, ran.out, "stdout");
            ExpectNowhere(row.pin, ran.err, "stderr");
            ExpectNowhere(row.pin, log.Text(), "the debug log");
        }
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
    }
}

} // namespace
