// The completeness checks a connection applies to the bytes in hand while it waits for a reply.
//
// Input: a capacity selector, then the received bytes.
// Invariants: no check reads past the bytes in hand (they sit in a buffer of exactly their size; only
// IsValidPacket gets the zero-filled buffer of the full capacity it is documented to take); once the bytes
// in hand decide a reply (valid or invalid), more bytes never change the decision, so a reply split across
// reads is judged exactly as when it arrives whole; a standard reply judged valid has its checksum right;
// frame lengths handed out never exceed the bytes in hand.

#include "FuzzSupport.h"

#include "transport/PacketCompleteness.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

#include <sanitizer/asan_interface.h>

namespace {

using zol::ReplyVerdict;
using zol::fuzz::Bytes;

// Judges every non-empty prefix of the bytes with every judge. The prefixes share one buffer whose bytes
// behind the prefix are poisoned for the address sanitizer, so a read past the bytes in hand is caught as
// it would be in a buffer of exactly their size, without an allocation per prefix and judge (those were
// most of this target's time).
template <std::size_t N>
void CheckDecisionsStay(
    const Bytes& bytes,
    const std::array<std::function<ReplyVerdict(const unsigned char*, std::size_t)>, N>& judges) {
    if (bytes.empty())
        return;
    const std::unique_ptr<unsigned char[]> buffer(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    ASAN_POISON_MEMORY_REGION(buffer.get(), bytes.size());
    std::array<ReplyVerdict, N> decided;
    decided.fill(ReplyVerdict::NeedMore);
    for (std::size_t have = 1; have <= bytes.size(); ++have) {
        ASAN_UNPOISON_MEMORY_REGION(buffer.get() + have - 1, 1);
        for (std::size_t j = 0; j < N; ++j) {
            const ReplyVerdict verdict = judges[j](buffer.get(), have);
            if (decided[j] != ReplyVerdict::NeedMore)
                ZOL_FUZZ_CHECK(verdict == decided[j]);
            decided[j] = verdict;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    // Mostly the real capacities; sometimes a tiny one so that the capacity edges are reached too.
    const unsigned char selector = input.Byte();
    const std::size_t capacity = selector < 0x80   ? zol::kEthernetReplyCapacity
                                 : selector < 0xF0 ? zol::kSerialReplyCapacity
                                                   : static_cast<std::size_t>(selector - 0xF0);
    Bytes bytes = input.Rest();
    if (bytes.size() > capacity)
        bytes.resize(capacity);
    // Prefixes of long inputs cost quadratic time: judge the first 300 bytes prefix by prefix.
    const Bytes head(bytes.begin(),
                     bytes.begin() + static_cast<long>(std::min<std::size_t>(bytes.size(), 300)));

    using Judge = std::function<ReplyVerdict(const unsigned char*, std::size_t)>;
    CheckDecisionsStay<4>(
        head,
        {
            Judge([&](const unsigned char* d, std::size_t n) { return zol::JudgeReply(d, n, capacity); }),
            Judge([](const unsigned char* d, std::size_t n) { return zol::JudgeCompact(d, n); }),
            Judge([&](const unsigned char* d, std::size_t n) {
                return zol::JudgeIncomingReply(d, n, capacity);
            }),
            Judge(
                [&](const unsigned char* d, std::size_t n) { return zol::JudgeSerialFrame(d, n, capacity); }),
        });

    const std::size_t have = bytes.size();
    if (zol::JudgeReply(bytes.data(), have, capacity) == ReplyVerdict::Valid && bytes[0] == 0xAA) {
        const std::size_t end = static_cast<std::size_t>(bytes[3]) + 4;
        if (end < have && zol::fuzz::Sum(bytes, 1, end) == bytes[end]) {
            // the standard reading decided it
        } else {
            // else it can only have been a long frame
            ZOL_FUZZ_CHECK(have > 6 && bytes[6] == 0xD2);
        }
    }
    ZOL_FUZZ_CHECK(zol::CompactFrameLength(bytes.data(), have) <= have);
    ZOL_FUZZ_CHECK(zol::SerialFrameLength(bytes.data(), have) <= have);
    if (have > 0)
        ZOL_FUZZ_CHECK(zol::SerialFrameLength(bytes.data(), have) > 0);
    (void)zol::AcceptSerialAtSilence(bytes.data(), have);

    // IsValidPacket and the time-out acceptance take the whole zero-filled reply buffer.
    Bytes buffer(capacity, 0);
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    const bool valid = zol::IsValidPacket(buffer.data(), capacity);
    ZOL_FUZZ_CHECK(valid == (zol::JudgeReply(buffer.data(), capacity, capacity) == ReplyVerdict::Valid));
    if (valid)
        ZOL_FUZZ_CHECK(zol::AcceptAtTimeout(buffer.data(), std::max<std::size_t>(have, 1), capacity));
    return 0;
}
