// Reply bytes from a display into a record, in every framing variant.
//
// Input: framing variant, reply command expected, display ID, relay target, then the reply bytes.
// Invariants (docs/security.md): no read past the reply (the reply sits in a buffer of exactly its
// length); the same reply always decodes to the same values; a reply without any frame header changes
// nothing; a frame whose checksum is wrong or that is no acknowledgement stores no value (a refusal only
// marks the 0xC4 group unavailable); a true result needs a frame carrying the expected command.

#include "FuzzSupport.h"

#include "LFDData.h"
#include "LFDValueVisitor.h"
#include "command/ReplyDecoder.h"

#include <array>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using zol::fuzz::Bytes;

struct RecordRelease {
    void operator()(CLFDData* record) const { record->Release(); }
};
using Record = std::unique_ptr<CLFDData, RecordRelease>;

Record MakeRecord(int framing, int id, int relayTarget) {
    Record record(CLFDDataFactory::CreateInstance());
    record->SetAddress(""); // no neighbour-table look-up for the hardware address
    record->SetDisplayId(id);
    record->SetFramingVariant(framing);
    record->SetRelayTarget(relayTarget);
    return record;
}

// The frames of a reply the way a display's stream is cut: each begins at AA FF and runs to the next AA FF
// or the end, at most 2048 bytes; a frame is read as if zeros followed it.
struct FrameFacts {
    bool any = false;
    bool anyStoring = false; // an acknowledgement whose checksum holds
    bool anyCarries = false; // byte 5 is the expected command
};

FrameFacts Inspect(const Bytes& reply, unsigned char code) {
    FrameFacts facts;
    auto starts = [&](std::size_t at) {
        return at + 1 < reply.size() && reply[at] == 0xAA && reply[at + 1] == 0xFF;
    };
    std::size_t at = 0;
    while (at < reply.size()) {
        if (!starts(at)) {
            ++at;
            continue;
        }
        std::size_t end = at + 1;
        while (end < reply.size() && !starts(end))
            ++end;
        const std::size_t length = std::min<std::size_t>(end - at, 2048);
        std::array<unsigned char, 2048> frame{};
        std::copy(reply.begin() + static_cast<long>(at), reply.begin() + static_cast<long>(at + length),
                  frame.begin());
        facts.any = true;
        const std::size_t n = frame[3];
        unsigned sum = 0;
        for (std::size_t i = 1; i <= n + 3; ++i)
            sum += frame[i];
        if (frame[4] == 'A' && static_cast<unsigned char>(sum) == frame[n + 4])
            facts.anyStoring = true;
        if (frame[5] == code)
            facts.anyCarries = true;
        at += length;
    }
    return facts;
}

// A record's values in list order, each under the literal its name comes from. LFDValues::Snapshot copies
// every name into a string of its own, and with about two hundred values taken several times per input
// that copying was most of this target's time; the names are only compared here, so pointers do.
using Values = std::vector<std::pair<const char*, LFDValue>>;

Values ValuesOf(const ILFDData& record) {
    Values values;
    values.reserve(256);
    ForEachValue(record, [&values](const char* name, const auto& value) {
        values.emplace_back(name, ToLFDValue(value));
    });
    return values;
}

// A fresh record's values depend only on how it was made, so each kind is listed once.
const Values& FreshValues(int framing, int id, int relayTarget) {
    static std::map<std::tuple<int, int, int>, Values> made;
    const auto key = std::make_tuple(framing, id, relayTarget);
    auto found = made.find(key);
    if (found == made.end())
        found = made.emplace(key, ValuesOf(*MakeRecord(framing, id, relayTarget))).first;
    return found->second;
}

// Names whose value differs; both lists hold the same values in the same order.
std::vector<std::string_view> ChangedNames(const Values& before, const Values& after) {
    std::vector<std::string_view> changed;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (!(before[i].second == after[i].second))
            changed.emplace_back(before[i].first);
    }
    return changed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    const int framing = input.Byte() % 3;
    const unsigned char code = input.Byte();
    const int id = input.Byte();
    const int relayTarget = static_cast<int>(input.Byte() % 4) - 1;
    const Bytes reply = input.Rest();
    if (reply.empty())
        return 0;

    Record first = MakeRecord(framing, id, relayTarget);
    Record second = MakeRecord(framing, id, relayTarget);
    const Values& before = FreshValues(framing, id, relayTarget);
    const int length = static_cast<int>(reply.size());
    const bool decoded = zol::command::DecodeReply(reply.data(), length, first.get(), code);
    const bool again = zol::command::DecodeReply(reply.data(), length, second.get(), code);
    const Values after = ValuesOf(*first);

    ZOL_FUZZ_CHECK(decoded == again);
    ZOL_FUZZ_CHECK(ChangedNames(after, ValuesOf(*second)).empty());

    if (framing == 1) {
        // A compact reply is one frame, decoded after it is rebuilt; the result is always false.
        ZOL_FUZZ_CHECK(!decoded);
        return 0;
    }
    const FrameFacts facts = Inspect(reply, code);
    const std::vector<std::string_view> changed = ChangedNames(before, after);
    if (!facts.any) {
        ZOL_FUZZ_CHECK(changed.empty());
        ZOL_FUZZ_CHECK(!decoded);
    }
    if (!facts.anyStoring) {
        ZOL_FUZZ_CHECK(!decoded);
        for (const std::string_view name : changed)
            ZOL_FUZZ_CHECK(name == "C4Available");
    }
    if (decoded)
        ZOL_FUZZ_CHECK(facts.anyCarries);
    return 0;
}
