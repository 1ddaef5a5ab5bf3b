// zolctl's command line: any list of words is either a request to run, a help text or a usage error.
//
// Input: the words, separated by NUL bytes (up to 24 words).
// Invariants: parsing never throws and never touches a device; a request to run has every number in
// its documented range (ID 0..255, port 1..65535, framing 0..2, relay target -1..255, at most 255 data
// bytes, retries at most 1000), names exactly one of host and serial when it talks to one display and
// neither when --target chooses a wall, and a usage error always says what was wrong.

#include "FuzzSupport.h"

#include "Arguments.h"

#include <string>
#include <vector>

namespace {

bool TalksToDisplay(zolctl::Command command) {
    using zolctl::Command;
    return command == Command::Status || command == Command::Exec || command == Command::Raw ||
           command == Command::Op || command == Command::Refresh || command == Command::ProbeFraming;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size && words.size() <= 24; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back().push_back(static_cast<char>(data[i]));
    }

    // Built once: building the options for each input cost most of this target's time. Each parse gives
    // what ParseArguments gives (tests/unit/zolctl_edges_test.cpp holds the two to each other).
    static zolctl::ArgumentParser parser;
    const zolctl::ParseResult result =
        zol::fuzz::WithoutExceptions("ParseArguments", [&] { return parser.Parse(words); });
    switch (result.status) {
    case zolctl::ParseStatus::Run: {
        const zolctl::Request& request = result.request;
        const zolctl::Target& target = request.target;
        ZOL_FUZZ_CHECK(target.id >= 0 && target.id <= 255);
        ZOL_FUZZ_CHECK(target.port >= 1 && target.port <= 65535);
        ZOL_FUZZ_CHECK(target.framing >= 0 && target.framing <= 2);
        ZOL_FUZZ_CHECK(target.relayTarget >= -1 && target.relayTarget <= 255);
        ZOL_FUZZ_CHECK(target.relayByte >= 0 && target.relayByte <= 255);
        ZOL_FUZZ_CHECK(target.retries <= 1000);
        ZOL_FUZZ_CHECK(request.data.size() <= 255);
        ZOL_FUZZ_CHECK(target.host.empty() || target.serial.empty());
        // One display is named by --host or --serial; a wall by --target, whose inventory names them.
        if (request.FanOut())
            ZOL_FUZZ_CHECK(target.host.empty() && target.serial.empty());
        else if (TalksToDisplay(request.command))
            ZOL_FUZZ_CHECK(!target.host.empty() || !target.serial.empty());
        // A wall is woken by the MACs its inventory stores.
        if (request.command == zolctl::Command::Wol)
            ZOL_FUZZ_CHECK(request.mac.size() == (request.FanOut() ? 0u : 12u));
        break;
    }
    case zolctl::ParseStatus::Help:
        ZOL_FUZZ_CHECK(!result.text.empty());
        break;
    case zolctl::ParseStatus::Usage:
        ZOL_FUZZ_CHECK(!result.text.empty());
        break;
    }
    return 0;
}
