// GET /api/v1/displays of a wall of 1,000 displays (a zolsim process of its own), beside the same
// httplib serving a fixed body of the same size from the same process: what serving the wall's document
// costs beyond its bytes. Rounds take turns, static then zold, each on a new keep-alive connection;
// printed are each side's requests per second, median and p99.
//
// Addresses: displays 127.0.114.0 - 127.0.117.231, the servers on 127.0.118.1 and 127.0.118.2.
// `bench_zold_displays [--rounds N]`; zolsim is $ZOLSIM, else the one built beside the benchmark.

#include "support/AlternatingRounds.h"
#include "support/ZoldWall.h"

#include <httplib.h>

#include <cstdlib>
#include <thread>

namespace {

constexpr std::size_t kDisplays = 1000;
constexpr int kPerRound = 40;
// zold renders the wall's document once per change of the state and serves its bytes otherwise; a
// fixed body costs only its copy. The target is that the wall's document costs at most this many fixed
// ones.
constexpr double kTarget = 4.0;

class Side {
public:
    Side(std::string host, std::uint16_t port) : m_host(std::move(host)), m_port(port) {}
    bool Open() {
        m_client = std::make_unique<httplib::Client>(m_host, m_port);
        m_client->set_keep_alive(true);
        m_client->set_read_timeout(std::chrono::seconds(10));
        return true;
    }
    bool Exchange() {
        const httplib::Result result = m_client->Get("/api/v1/displays");
        return result && result->status == 200 && !result->body.empty();
    }
    void Close() { m_client.reset(); }

private:
    std::string m_host;
    std::uint16_t m_port;
    std::unique_ptr<httplib::Client> m_client;
};

void PrintRate(const bench::Latencies& side) {
    const double median = side.Median();
    std::printf("  %-8s %8.0f req/s at the median (median %8.1f us, p99 %8.1f us)\n", side.name.c_str(),
                median > 0 ? 1e6 / median : 0.0, median, side.P99());
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 15;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--rounds") {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    bench::ZoldWall wall(kDisplays, 0, std::chrono::hours(1));
    if (const std::string error = wall.Start(); !error.empty()) {
        std::fprintf(stderr, "bench_zold_displays: %s\n", error.c_str());
        return 1;
    }
    // Every display polled once, so the document holds what a running wall's does.
    const auto until = bench::Clock::now() + std::chrono::seconds(60);
    auto polled = [&] {
        std::size_t count = 0;
        for (const auto& [name, state] : wall.Service().States().All()) {
            count += state.polled ? 1 : 0;
        }
        return count;
    };
    for (int look = 0; look < 6000 && polled() < kDisplays && bench::Clock::now() < until; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (polled() < kDisplays) {
        std::fprintf(stderr, "bench_zold_displays: only %zu of %zu displays polled\n", polled(), kDisplays);
        return 1;
    }
    Side zoldSide("127.0.118.1", wall.Service().Port());
    zoldSide.Open();
    const httplib::Result sample =
        httplib::Client("127.0.118.1", wall.Service().Port()).Get("/api/v1/displays");
    if (!sample) {
        std::fprintf(stderr, "bench_zold_displays: zold does not answer\n");
        return 1;
    }
    const std::string body = sample->body;

    httplib::Server fixed;
    fixed.Get("/api/v1/displays", [&body](const httplib::Request&, httplib::Response& response) {
        response.set_content(body, "application/json");
    });
    const int fixedPort = fixed.bind_to_any_port("127.0.118.2");
    std::thread serving([&] { fixed.listen_after_bind(); });
    Side fixedSide("127.0.118.2", static_cast<std::uint16_t>(fixedPort));

    bench::Comparison comparison("GET /api/v1/displays, " + std::to_string(kDisplays) + " displays (" +
                                     std::to_string(body.size() / 1024) + " KiB)",
                                 "static", "zold", kPerRound, kTarget);
    for (int round = 0; round < rounds; ++round) {
        for (auto [side, into] :
             {std::pair{&fixedSide, &comparison.bare}, std::pair{&zoldSide, &comparison.library}}) {
            side->Open();
            for (int i = 0; i < bench::kWarmUpRoundTrips + kPerRound; ++i) {
                const auto started = bench::Clock::now();
                if (!side->Exchange()) {
                    std::fprintf(stderr, "bench_zold_displays: %s did not answer\n", into->name.c_str());
                    fixed.stop();
                    serving.join();
                    return 1;
                }
                if (i >= bench::kWarmUpRoundTrips) {
                    into->us.push_back(
                        std::chrono::duration<double, std::micro>(bench::Clock::now() - started).count());
                }
            }
            side->Close();
        }
        ++comparison.rounds;
    }
    fixed.stop();
    serving.join();
    bench::PrintComparison(comparison);
    PrintRate(comparison.bare);
    PrintRate(comparison.library);
    return 0;
}
