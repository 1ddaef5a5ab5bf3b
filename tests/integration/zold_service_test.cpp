// The service's life: HTTPS, a service with no token, a reload that keeps the connections of the
// displays it did not change, a stop that closes every one, and starts refused for what does not load.

#include "ZoldHarness.h"

#include "zolsim/Simulator.h"
#include "zolsim/Tls.h"

#include <memory>

namespace {

using zoldtest::Folder;
using zoldtest::Http;

constexpr char kFirst[] = "127.0.111.1";
constexpr char kSecond[] = "127.0.111.2";
constexpr char kThird[] = "127.0.111.3";
constexpr char kListen[] = "127.0.111.9";

struct Displays {
    Displays() {
        for (const char* address : {kFirst, kSecond, kThird}) {
            auto& sim = sims.emplace_back(std::make_unique<zolsim::Simulator>());
            sim->AddDisplay(1);
            EXPECT_TRUE(sim->StartTcp(address));
        }
    }
    zolsim::Simulator& At(std::size_t i) { return *sims.at(i); }
    std::vector<std::unique_ptr<zolsim::Simulator>> sims;
};

zold::ServiceConfig BaseConfig(const Folder& folder, const std::string& inventory) {
    zold::ServiceConfig config;
    config.inventory = folder.Write("wall.toml", inventory);
    config.tokenFile = folder.Write("zold.token", std::string(zoldtest::kToken) + "\n");
    config.listenHost = kListen;
    config.listenPort = 0;
    config.interval = std::chrono::milliseconds(100);
    return config;
}

TEST(ZoldService, ServesHttpsWithTheCertificateGiven) {
    Folder folder("zold-tls");
    Displays displays;
    zolsim::CertificateOptions options;
    options.selfSigned = true;
    const zolsim::TlsCredentials credentials = zolsim::TlsCredentials::Generate(options);
    ASSERT_TRUE(credentials.Valid());
    zold::ServiceConfig config = BaseConfig(folder, zoldtest::DisplayEntry("one", kFirst));
    config.tlsCert = folder.Write("zold.crt", credentials.certPem);
    config.tlsKey = folder.Write("zold.key", credentials.keyPem);
    zold::Service service(config);
    std::string error;
    ASSERT_TRUE(service.Start(&error)) << error;

    httplib::SSLClient secure(kListen, service.Port());
    secure.set_ca_cert_path(config.tlsCert);
    secure.enable_server_certificate_verification(false); // self-signed for an IP: the chain is the test
    secure.set_connection_timeout(std::chrono::seconds(5));
    const zoldtest::Reply reply = zoldtest::ToReply(secure.Get("/api/v1/displays"));
    ASSERT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(reply.json["displays"][0]["name"], "one");
    httplib::Headers auth{{"Authorization", std::string("Bearer ") + zoldtest::kToken}};
    EXPECT_EQ(
        zoldtest::ToReply(secure.Post("/api/v1/displays/one/refresh", auth, "", "application/json")).status,
        200);

    // Plain HTTP to the HTTPS port gets no answer.
    Http plain(kListen, service.Port());
    plain.Client().set_read_timeout(std::chrono::seconds(2));
    EXPECT_NE(plain.Get("/api/v1/displays").status, 200);
}

TEST(ZoldService, WithoutATokenFileEveryChangeIsRefused) {
    Folder folder("zold-notoken");
    Displays displays;
    zold::ServiceConfig config = BaseConfig(folder, zoldtest::DisplayEntry("one", kFirst));
    config.tokenFile.clear();
    config.interval = std::chrono::hours(1);
    zold::Service service(config);
    std::string error;
    ASSERT_TRUE(service.Start(&error)) << error;
    ASSERT_TRUE(zoldtest::WaitFor([&] { return zoldtest::Polled(service, {"one"}); }));
    displays.At(0).ClearLog();
    Http http(kListen, service.Port());
    for (const std::string& token : {std::string(), std::string(zoldtest::kToken)}) {
        const zoldtest::Reply reply = http.Post("/api/v1/displays/one/refresh", "", token);
        EXPECT_EQ(reply.status, 401);
        EXPECT_EQ(reply.json["message"], "no token configured: changes are refused");
    }
    EXPECT_EQ(http.Get("/api/v1/displays/one").status, 200);
    EXPECT_TRUE(displays.At(0).Requests().empty());
}

TEST(ZoldService, ReloadKeepsTheConnectionsOfUnchangedDisplaysAndStopClosesAll) {
    Folder folder("zold-reload");
    Displays displays;
    zold::ServiceConfig config = BaseConfig(folder, zoldtest::DisplayEntry("one", kFirst) +
                                                        zoldtest::DisplayEntry("two", kSecond, "[\"pair\"]"));
    zold::Service service(config);
    std::string error;
    ASSERT_TRUE(service.Start(&error)) << error;
    ASSERT_TRUE(zoldtest::WaitFor(
        [&] { return displays.At(0).Requests().size() >= 3 && displays.At(1).Requests().size() >= 3; }));
    // Polls every 100 ms over the engine's kept connections: one each so far.
    EXPECT_EQ(displays.At(0).AcceptedConnections(), 1);
    EXPECT_EQ(displays.At(1).AcceptedConnections(), 1);

    // "two" moves to the third display; "three" is new; "one" stays as it was.
    folder.Write("wall.toml", zoldtest::DisplayEntry("one", kFirst) + zoldtest::DisplayEntry("two", kThird) +
                                  zoldtest::DisplayEntry("three", kSecond));
    ASSERT_TRUE(service.Reload(&error)) << error;
    displays.At(0).ClearLog();
    ASSERT_TRUE(zoldtest::WaitFor([&] {
        return displays.At(0).Requests().size() >= 3 && displays.At(2).Requests().size() >= 3 &&
               zoldtest::Polled(service, {"two", "three"});
    }));
    EXPECT_EQ(displays.At(0).AcceptedConnections(), 1);
    EXPECT_EQ(displays.At(2).AcceptedConnections(), 1);
    EXPECT_EQ(service.CurrentWall()->displays.size(), 3U);
    EXPECT_EQ(service.States().Find("two").values.value("Power", false), true);
    Http http(kListen, service.Port());
    EXPECT_EQ(http.Get("/api/v1/displays/two").json["address"], kThird);
    // The group went with the old entry.
    EXPECT_EQ(http.Post("/api/v1/displays/@pair/refresh").json["error"], "unknown-group");

    // A reload with new options takes their token file: the old token no longer opens anything.
    zold::ServiceConfig renewed = config;
    renewed.tokenFile = folder.Write("new.token", "renewed-token\n");
    ASSERT_TRUE(service.Reload(&error, &renewed)) << error;
    EXPECT_EQ(http.Post("/api/v1/displays/one/refresh").status, 401);
    EXPECT_EQ(http.Post("/api/v1/displays/one/refresh", "", "renewed-token").status, 200);

    // A reload that does not load leaves everything as it was.
    folder.Write("wall.toml", "[[display]]\nname = \"broken\"\n");
    EXPECT_FALSE(service.Reload(&error));
    EXPECT_NE(error.find("wall.toml"), std::string::npos) << error;
    EXPECT_EQ(service.CurrentWall()->displays.size(), 3U);

    service.Stop();
    EXPECT_EQ(service.OpenConnections(), 0U);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(zoldtest::WaitFor([&] { return displays.At(i).ActiveConnections() == 0; })) << i;
    }
    EXPECT_NE(http.Get("/api/v1/displays").status, 200);
}

TEST(ZoldService, StartRefusesWhatDoesNotLoad) {
    Folder folder("zold-refused");
    Displays displays;
    const std::string good = zoldtest::DisplayEntry("one", kFirst);
    struct Case {
        const char* what;
        std::function<void(zold::ServiceConfig&)> change;
        const char* message;
    };
    const Case cases[] = {
        {"missing inventory", [&](zold::ServiceConfig& c) { c.inventory = folder.Path("none.toml"); },
         "none.toml"},
        {"inventory with a PIN",
         [&](zold::ServiceConfig& c) { c.inventory = folder.Write("pin.toml", good + "pin = \"1234\"\n"); },
         "pin-file"},
        {"missing token file", [&](zold::ServiceConfig& c) { c.tokenFile = folder.Path("none.token"); },
         "none.token"},
        {"empty token file",
         [&](zold::ServiceConfig& c) { c.tokenFile = folder.Write("empty.token", "\n \n"); },
         "holds no token"},
        {"TLS files that are not PEM",
         [&](zold::ServiceConfig& c) {
             c.tlsCert = folder.Write("bad.crt", "not a certificate");
             c.tlsKey = folder.Write("bad.key", "not a key");
         },
         "cannot be loaded"},
        {"address in use",
         [&](zold::ServiceConfig& c) {
             c.listenHost = kFirst; // the display's own port
             c.listenPort = 1515;
         },
         "cannot listen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zold::ServiceConfig config = BaseConfig(folder, good);
        c.change(config);
        zold::Service service(config);
        std::string error;
        EXPECT_FALSE(service.Start(&error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(error.find("1234"), std::string::npos);
        EXPECT_EQ(service.Port(), 0);
    }
}

} // namespace
