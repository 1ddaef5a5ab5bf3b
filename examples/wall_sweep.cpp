// A status sweep over a wall with the fleet engine: every display is asked at once, and each result is
// printed as it comes in.
//
//     wall_sweep [--port PORT] ADDRESS...
//
// Prints one line per display and a summary; exits 0 when every display answered.
#include "LFDData.h"
#include "ZOLFleet.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kEthernet = 1;
constexpr unsigned char kStatusQuery = 0x00;

} // namespace

int main(int argc, char** argv) {
    ZOLFleet::RunOptions options;
    std::uint32_t port = 1515;
    std::vector<CLFDDataPtr> records;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--port" && i + 1 < argc) {
            port = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
            continue;
        }
        records.emplace_back(CLFDDataFactory::CreateInstance());
        records.back()->SetAddress(word);
        records.back()->SetConnectionKind(kEthernet);
        records.back()->SetDisplayId(1);
        options.ports[word] = port;
    }
    if (records.empty()) {
        std::fprintf(stderr, "usage: wall_sweep [--port PORT] ADDRESS...\n");
        return 2;
    }

    std::vector<ILFDData*> wall;
    for (const CLFDDataPtr& record : records) {
        wall.push_back(record.get());
    }
    ZOLFleet::Engine engine;
    const ZOLFleet::RunSummary summary = engine.Run(
        wall, ZOLFleet::Command::Execute(kStatusQuery),
        [](const ZOLFleet::DisplayResult& result) {
            std::string address;
            result.record->GetAddress(address);
            std::printf("%-15s %-12s power %s  %lld ms\n", address.c_str(),
                        ZOLFleet::ErrorKindName(result.error), result.record->GetPower() ? "on " : "off",
                        static_cast<long long>(result.elapsed.count()));
        },
        options);
    std::printf("%zu displays: %zu ok, %zu failed in %lld ms\n", summary.total, summary.ok, summary.failed,
                static_cast<long long>(summary.elapsed.count()));
    return summary.ok == summary.total ? 0 : 1;
}
