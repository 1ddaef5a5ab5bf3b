// The secured session against the simulated display: which certificates are trusted, what the greeting
// and PIN decide, handshakes that trickle in or stall, and records that arrive in parts.
#include "Logger.h"
#include "TrustStore.h"
#include "ZOLConnection.h"
#include "tls_test_peer.h"
#include "transport/EthernetConnection.h"
#include "transport/TlsSession.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

const Bytes kQuery = {0xAA, 0x11, 0x01, 0x00, 0x12};
const Bytes kReply = {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56};
const std::string kHandshakeFailed = "[Client Handshake]-2146893052"; // the internal error, signed

struct ConnectionDeleter {
    void operator()(CZOLEthernetConnection* connection) const { connection->Destroy(); }
};
using Connection = std::unique_ptr<CZOLEthernetConnection, ConnectionDeleter>;

Connection MakeConnection(const std::string& address, std::uint16_t port, const std::string& pin) {
    Connection connection(new CZOLEthernetConnection());
    connection->SetAddress(address);
    connection->SetLinkParameter(port);
    connection->SetCredential(pin);
    return connection;
}

// One query inside the session, answered by display 1.
Bytes RoundTrip(CZOLEthernetConnection& connection) {
    if (connection.Send(kQuery.data(), static_cast<int>(kQuery.size())) != static_cast<int>(kQuery.size()))
        return {};
    int length = 0;
    unsigned char* reply = connection.Receive(&length, 2000);
    Bytes bytes(reply, reply + length);
    std::free(reply);
    return bytes;
}

long long ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
        .count();
}

zoltest::TrustStore* g_store = zoltest::TrustStore::Register("zol-tls-session");

struct SessionRow {
    const char* name;
    zolsim::TlsCredentials credentials; // empty: the display greets in plain
    std::string displayPin;
    std::string pin;
    bool pinExchange;
    bool connected;
    int connectStatus;
    std::string statusText;
};

TEST(TlsSession, CertificatesGreetingAndPinDecideTheSession) {
    zolsim::CertificateOptions expired;
    expired.validFromDays = -30;
    expired.validToDays = -1;
    zolsim::CertificateOptions otherName;
    otherName.commonName = "a display somewhere else";
    const std::string certificate = "[Server Certificate]";
    const std::vector<SessionRow> rows = {
        {"trusted chain, PIN sent and accepted", g_store->Issued(), "1234", "1234", true, true, 1, ""},
        {"issued for another host name", g_store->Issued(otherName), "", "1234", false, true, 1, ""},
        {"PIN not sent unless switched on", g_store->Issued(), "1234", "9999", false, true, 1, ""},
        {"chain to a root nobody trusts", zolsim::TlsCredentials::Generate(), "", "1234", false, false, 2,
         certificate},
        {"self-signed server certificate", zolsim::TlsCredentials::Generate({.selfSigned = true}), "", "1234",
         false, false, 2, certificate},
        {"expired certificate", g_store->Issued(expired), "", "1234", false, false, 2, certificate},
        {"wrong PIN refused by the display", g_store->Issued(), "1234", "9999", true, false, 2,
         "[PIN Authentication]-2146892992"},
        {"secured display, no PIN", g_store->Issued(), "", "", false, false, 3,
         "[TLS PreHandshake - PIN required]"},
        {"plain display, a PIN", {}, "", "1234", false, false, 4, "[TLS PreHandshake - PIN not required]"},
    };
    unsigned host = 1;
    for (const SessionRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string address = "127.0.9." + std::to_string(host++);
        zolsim::Simulator sim;
        sim.AddDisplay(1);
        if (row.credentials.Valid()) {
            ASSERT_TRUE(sim.EnableTls(row.credentials));
            sim.SetPin(row.displayPin);
        } else {
            sim.SetGreeting(zolsim::kPlainGreeting);
        }
        ASSERT_TRUE(sim.StartTcp(address, 0));
        Connection connection = MakeConnection(address, sim.TcpPort(), row.pin);
        connection->SetPinExchange(row.pinExchange);

        int connectStatus = 0;
        EXPECT_EQ(connection->Connect(&connectStatus), row.connected);
        EXPECT_EQ(connectStatus, row.connectStatus);
        EXPECT_EQ(connection->GetStatusText(), row.statusText);
        EXPECT_EQ(connection->IsConnected(), row.connected);
        if (row.connected) {
            EXPECT_EQ(connection->GetSecureMode(), 1u);
            EXPECT_EQ(RoundTrip(*connection), kReply);
            // The query went inside the session: the display read it as a request.
            EXPECT_EQ(sim.Requests().size(), 1u);
        }
    }
}

TEST(TlsSession, PinExchangeIsOffUntilTheHostSwitchesItOn) {
    CZOLEthernetConnection connection;
    EXPECT_FALSE(connection.GetPinExchange());
}

TEST(TlsSession, AServerThatOnlyOffersTls11IsRefused) {
    tlstest::OldTlsServer server("127.0.9.30", 0, g_store->Issued(), TLS1_1_VERSION, zolsim::kTlsGreeting,
                                 "");
    ASSERT_TRUE(server.Listening());
    Connection connection = MakeConnection("127.0.9.30", server.Port(), "1234");
    int connectStatus = 0;
    EXPECT_FALSE(connection->Connect(&connectStatus));
    EXPECT_EQ(connectStatus, 2);
    EXPECT_EQ(connection->GetStatusText(), kHandshakeFailed);
    EXPECT_FALSE(connection->IsConnected());
}

TEST(TlsSession, AHandshakeAndRepliesThatTrickleInComplete) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.EnableTls(g_store->Issued()));
    ASSERT_TRUE(sim.StartTcp("127.0.9.31", 0));
    tlstest::TricklingRelay relay("127.0.9.32", "127.0.9.31", sim.TcpPort(), 16, 5);
    Connection connection = MakeConnection("127.0.9.32", relay.Port(), "1234");
    int connectStatus = 0;
    ASSERT_TRUE(connection->Connect(&connectStatus));
    EXPECT_EQ(connectStatus, 1);
    const int handshakePieces = relay.Pieces();
    EXPECT_GT(handshakePieces, 20);
    EXPECT_EQ(RoundTrip(*connection), kReply);
    // The reply's record came in more than one piece and was completed, not dropped.
    EXPECT_GT(relay.Pieces() - handshakePieces, 1);
}

TEST(TlsSession, AReplySplitOverTwoRecordsIsCompleted) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.EnableTls(g_store->Issued()));
    ASSERT_TRUE(sim.StartTcp("127.0.9.33", 0));
    zolsim::Fault split;
    split.kind = zolsim::FaultKind::Split;
    split.splitAt = 3;
    split.splitGapMs = 30;
    sim.InjectFault(split);
    Connection connection = MakeConnection("127.0.9.33", sim.TcpPort(), "1234");
    ASSERT_TRUE(connection->Connect(nullptr));
    EXPECT_EQ(RoundTrip(*connection), kReply);
}

TEST(TlsSession, AStalledHandshakeIsGivenUpAfterItsReadAttempts) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.EnableTls(g_store->Issued()));
    ASSERT_TRUE(sim.StartTcp("127.0.9.34", 0));
    zolsim::Fault stall;
    stall.kind = zolsim::FaultKind::StallHandshake;
    sim.InjectFault(stall);
    Connection connection = MakeConnection("127.0.9.34", sim.TcpPort(), "1234");
    int connectStatus = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connection->Connect(&connectStatus));
    const long long elapsed = ElapsedMs(start);
    EXPECT_EQ(connectStatus, 2);
    EXPECT_EQ(connection->GetStatusText(), kHandshakeFailed);
    const long long attempts = zol::tls::kHandshakeReadAttempts * zol::tls::kHandshakeReadWaitMs;
    EXPECT_GE(elapsed, attempts - 100);
    EXPECT_LT(elapsed, attempts + 2000);
}

TEST(TlsSession, ACommandAfterTheDisplayLeftFailsAndTheConnectionCanReopen) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.EnableTls(g_store->Issued()));
    ASSERT_TRUE(sim.StartTcp("127.0.9.35", 0));
    Connection connection = MakeConnection("127.0.9.35", sim.TcpPort(), "1234");
    ASSERT_TRUE(connection->Connect(nullptr));
    sim.DropConnections();
    int length = 0;
    EXPECT_EQ(connection->Receive(&length, 500), nullptr);
    EXPECT_FALSE(connection->IsConnected());
    ASSERT_TRUE(connection->Connect(nullptr));
    EXPECT_EQ(RoundTrip(*connection), kReply);
    connection->Close();
    EXPECT_FALSE(connection->IsConnected());
}

// Plaintext that is still on the socket when the handshake starts belongs to the greeting: it is
// dropped and logged, never read as a TLS record.
TEST(TlsSessionSocket, PlaintextLeftBeforeTheHandshakeIsDiscarded) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
    const zolsim::TlsCredentials credentials = g_store->Issued();
    ASSERT_EQ(::send(fds[1], "JUNK", 4, MSG_NOSIGNAL), 4);

    SSL_CTX* serverContext = SSL_CTX_new(TLS_server_method());
    BIO* certBio = BIO_new_mem_buf(credentials.certPem.data(), static_cast<int>(credentials.certPem.size()));
    BIO* keyBio = BIO_new_mem_buf(credentials.keyPem.data(), static_cast<int>(credentials.keyPem.size()));
    X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    SSL_CTX_use_certificate(serverContext, cert);
    SSL_CTX_use_PrivateKey(serverContext, key);
    std::thread server([&] {
        SSL* ssl = SSL_new(serverContext);
        SSL_set_fd(ssl, fds[1]);
        for (int round = 0; round < 400; ++round) {
            const int result = SSL_accept(ssl);
            if (result == 1 || SSL_get_error(ssl, result) != SSL_ERROR_WANT_READ)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        SSL_free(ssl);
    });

    std::mutex lock;
    std::vector<std::string> warnings;
    __logger.SetLevel(LogLevel::Warn);
    __logger.SetSink([&](const LogRecord& record) {
        std::lock_guard guard(lock);
        warnings.push_back(record.message);
    });
    zol::tls::TlsSession session(fds[0], "127.0.0.1");
    ASSERT_EQ(session.InitClientCredentials(), zol::tls::kOk);
    EXPECT_EQ(session.PerformClientHandshake(), zol::tls::kOk);
    EXPECT_EQ(session.VerifySrvrCertificate(), zol::tls::kOk);
    session.CloseSecureSession();
    server.join();
    __logger.SetSink({});
    __logger.SetLevel(LogLevel::Off);
    EXPECT_NE(std::find(warnings.begin(), warnings.end(), "Discard 4 bytes received before the handshake"),
              warnings.end());

    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
    SSL_CTX_free(serverContext);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(TlsSessionPin, TheDisplaysAnswerMapsToAStatus) {
    struct Row {
        const char* reply;
        std::int32_t status;
    };
    const Row rows[] = {
        {"ZOLAUTH<<OK>>", zol::tls::kOk},
        {"ZOLAUTH<<FAIL 0x00>>", zol::tls::kInternalError},
        {"ZOLAUTH<<FAIL 0x01>>", zol::tls::kPinRejected},
        {"ZOLAUTH<<FAIL 0x02>>", zol::tls::kLogonDenied},
        {"ZOLAUTH<<FAIL>>", zol::tls::kOk},
        {"0x01 without the failure word", zol::tls::kOk},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reply);
        EXPECT_EQ(zol::tls::PinReplyStatus(row.reply), row.status);
    }
    EXPECT_EQ(zol::tls::PinRequest("0042"), "ZOLAUTH<<0042>>");
}

} // namespace
