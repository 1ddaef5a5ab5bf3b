// The simulated display's secured front doors: the TLS greeting and handshake on the command port, the
// certificates a client has to trust, a stalled handshake, and the file server.
#include "zolsim/RawClient.h"
#include "zolsim/Simulator.h"
#include "zolsim/Tls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using zolsim::Bytes;
using zolsim::CertificateOptions;
using zolsim::RawClient;
using zolsim::Simulator;
using zolsim::TlsCredentials;

namespace {

constexpr const char* kAddress = "127.0.5.4";
const Bytes kQuery = {0xAA, 0x11, 0x01, 0x00, 0x12};
const Bytes kReply = {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56};

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class SimTls : public testing::Test {
protected:
    void SetUp() override {
        sim.AddDisplay(1);
        ASSERT_TRUE(sim.EnableTls());
        ASSERT_TRUE(sim.StartTcp(kAddress));
    }

    // Connects, reads the greeting and runs the handshake against the given root.
    bool ConnectSecured(RawClient& client, const std::string& rootPem, int timeoutMs = 3000) {
        if (!client.Connect(kAddress)) {
            return false;
        }
        const std::string greeting = zolsim::kTlsGreeting;
        return client.ReadExact(greeting.size()) == Text(greeting) &&
               client.StartTls(rootPem, true, timeoutMs);
    }

    Simulator sim;
};

TEST_F(SimTls, RequestsTravelInsideTheSessionAfterTheGreeting) {
    RawClient client;
    ASSERT_TRUE(ConnectSecured(client, sim.Credentials().rootCertPem));
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_EQ(client.ReadExact(kReply.size()), kReply);
}

struct TrustRow {
    const char* name;
    CertificateOptions options;
    bool trustOwnRoot; // false: the client trusts an unrelated root
    bool accepted;
};

TEST(SimTlsCertificates, OnlyAChainToTheTrustedRootWithinItsValidityIsAccepted) {
    CertificateOptions expired;
    expired.validFromDays = -30;
    expired.validToDays = -1;
    CertificateOptions otherName;
    otherName.commonName = "some other display";
    const TrustRow rows[] = {
        {"issued by the trusted root", {}, true, true},
        {"issued for another name", otherName, true, true},
        {"issued by an unrelated root", {}, false, false},
        {"expired", expired, true, false},
    };
    const std::string unrelatedRoot = TlsCredentials::Generate().rootCertPem;
    for (const TrustRow& row : rows) {
        SCOPED_TRACE(row.name);
        Simulator sim;
        sim.AddDisplay(1);
        const TlsCredentials credentials = TlsCredentials::Generate(row.options);
        ASSERT_TRUE(credentials.Valid());
        ASSERT_TRUE(sim.EnableTls(credentials));
        ASSERT_TRUE(sim.StartTcp("127.0.5.5"));
        RawClient client;
        ASSERT_TRUE(client.Connect("127.0.5.5"));
        client.ReadExact(std::string(zolsim::kTlsGreeting).size());
        EXPECT_EQ(client.StartTls(row.trustOwnRoot ? credentials.rootCertPem : unrelatedRoot), row.accepted);
    }
}

TEST_F(SimTls, AStalledHandshakeNeverCompletesAndTheNextConnectionIsServed) {
    zolsim::Fault stall;
    stall.kind = zolsim::FaultKind::StallHandshake;
    sim.InjectFault(stall);
    {
        RawClient client;
        EXPECT_FALSE(ConnectSecured(client, "", 300));
    }
    EXPECT_EQ(sim.PendingFaults(), 0);
    RawClient client;
    ASSERT_TRUE(ConnectSecured(client, ""));
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_EQ(client.ReadExact(kReply.size()), kReply);
}

TEST_F(SimTls, APlainPacketWhereAHandshakeBelongsIsNeverAnswered) {
    RawClient client;
    ASSERT_TRUE(client.Connect(kAddress));
    client.ReadExact(std::string(zolsim::kTlsGreeting).size());
    ASSERT_TRUE(client.Send(kQuery));
    EXPECT_TRUE(client.ReadUntilQuiet(100).empty());
    EXPECT_TRUE(sim.Requests().empty());
}

TEST_F(SimTls, PinAuthenticationTextIsAnsweredInsideTheSession) {
    sim.SetPin("1234");
    const struct {
        const char* sent;
        const char* answer;
    } rows[] = {
        {"ZOLAUTH<<1234>>", "ZOLAUTH<<OK>>"},
        {"ZOLAUTH<<9999>>", "ZOLAUTH<<FAIL 0x01>>"},
    };
    RawClient client;
    ASSERT_TRUE(ConnectSecured(client, ""));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sent);
        ASSERT_TRUE(client.Send(Text(row.sent)));
        EXPECT_EQ(client.ReadExact(std::string(row.answer).size()), Text(row.answer));
    }
}

TEST(SimTlsFiles, FileServerSendsTheTextOverAnyTlsVersionAndCloses) {
    Simulator sim;
    sim.SetServedFile("first line\nsecond line\n");
    ASSERT_TRUE(sim.StartFileServer("127.0.5.6", 0));
    RawClient client;
    ASSERT_TRUE(client.Connect("127.0.5.6", sim.FileServerPort()));
    ASSERT_TRUE(client.StartTls("", false));
    EXPECT_EQ(client.ReadUntilQuiet(200), Text("first line\nsecond line\n"));
    EXPECT_TRUE(client.WaitForClose());
    EXPECT_EQ(sim.FileDownloads(), 1);
}

TEST(SimTlsFiles, RootIsWrittenWhereATrustStoreLooksAndCanIssueAgain) {
    const TlsCredentials credentials = TlsCredentials::Generate();
    const auto base = std::filesystem::temp_directory_path() / ("zolsim-store-" + std::to_string(::getpid()));
    ASSERT_TRUE(credentials.WriteRootToStore(base.string()));
    std::ifstream in(base / "ROOT" / "zolsim-root.pem");
    std::stringstream written;
    written << in.rdbuf();
    EXPECT_EQ(written.str(), credentials.rootCertPem);
    std::filesystem::remove_all(base);

    // A second server certificate from the same root is trusted by the same store.
    const TlsCredentials again = TlsCredentials::IssuedBy(credentials.rootCertPem, credentials.rootKeyPem);
    ASSERT_TRUE(again.Valid());
    Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.EnableTls(again));
    ASSERT_TRUE(sim.StartTcp("127.0.5.7"));
    RawClient client;
    ASSERT_TRUE(client.Connect("127.0.5.7"));
    client.ReadExact(std::string(zolsim::kTlsGreeting).size());
    EXPECT_TRUE(client.StartTls(credentials.rootCertPem));

    EXPECT_FALSE(TlsCredentials::Generate({.selfSigned = true}).WriteRootToStore(base.string()));
}

} // namespace
