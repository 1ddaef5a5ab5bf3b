// The framing conversions: standard to compact, standard or long to fixed ID, and the compact reply
// rebuilt into a standard one.
//
// Input: mode byte, display ID, then bytes. Mode even: the bytes are taken as they are (malformed frames,
// wrong lengths). Mode odd: the bytes are the data of a well-formed standard frame built around them.
// Invariants: no conversion reads or writes past the given length and capacity; a malformed frame is
// refused with 0/false and left untouched; compact then rebuilt gives back the standard frame for its ID;
// a fixed-ID frame carries 0xF7 and a right checksum and differs from its source only there.

#include "FuzzSupport.h"

#include "protocol/Framing.h"

#include <algorithm>

namespace {

using zol::fuzz::Bytes;

Bytes StandardRequest(unsigned char code, unsigned char id, Bytes data) {
    if (data.size() > 255)
        data.resize(255);
    Bytes frame{0xAA, code, id, static_cast<unsigned char>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(zol::fuzz::Sum(frame, 1, frame.size()));
    return frame;
}

void CheckFixedId(const Bytes& source) {
    Bytes fixed = source;
    if (!zol::framing::ToFixedId(fixed.data(), fixed.size())) {
        ZOL_FUZZ_CHECK(fixed == source);
        return;
    }
    ZOL_FUZZ_CHECK(fixed.size() == source.size() && fixed[2] == 0xF7);
    ZOL_FUZZ_CHECK(zol::fuzz::Sum(fixed, 1, fixed.size() - 1) == fixed.back());
    for (std::size_t i = 0; i + 1 < fixed.size(); ++i)
        ZOL_FUZZ_CHECK(i == 2 || fixed[i] == source[i]);
}

void CheckCompactRoundTrip(const Bytes& source, unsigned char id, bool wellFormed) {
    Bytes compact(source.size(), 0); // a compact frame is always shorter than its standard one
    const std::size_t written =
        zol::framing::ToCompact(source.data(), source.size(), compact.data(), compact.size());
    if (wellFormed)
        ZOL_FUZZ_CHECK(written == source.size() - 2);
    if (written == 0)
        return;
    compact.resize(written);
    ZOL_FUZZ_CHECK(compact[0] == source[1] && compact[1] == source[3]);

    // Rebuilt for the frame's own ID, it is the standard frame again (checksum recomputed).
    Bytes rebuilt(written + 2, 0);
    const std::size_t length = zol::framing::RebuildStandardReply(compact.data(), compact.size(), source[2],
                                                                  rebuilt.data(), rebuilt.size());
    ZOL_FUZZ_CHECK(length == rebuilt.size());
    Bytes expected = source;
    expected.back() = zol::fuzz::Sum(expected, 1, expected.size() - 1);
    ZOL_FUZZ_CHECK(rebuilt == expected);

    // In place, in the buffer the compact reply came in.
    Bytes inPlace = compact;
    inPlace.resize(written + 2);
    ZOL_FUZZ_CHECK(zol::framing::RebuildStandardReply(inPlace.data(), written, id, inPlace.data(),
                                                      inPlace.size()) == written + 2);
    ZOL_FUZZ_CHECK(inPlace[2] == id && inPlace[0] == 0xAA);

    // One byte too little room is refused.
    Bytes tooSmall(written + 1, 0);
    ZOL_FUZZ_CHECK(zol::framing::RebuildStandardReply(compact.data(), compact.size(), id, tooSmall.data(),
                                                      tooSmall.size()) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    const unsigned char mode = input.Byte();
    const unsigned char id = input.Byte();
    const bool wellFormed = (mode & 1) != 0;
    Bytes source;
    if (wellFormed) {
        const unsigned char code = input.Byte();
        const unsigned char frameId = input.Byte();
        source = StandardRequest(code, frameId, input.Rest());
    } else {
        source = input.Rest();
    }

    CheckFixedId(source);
    CheckCompactRoundTrip(source, id, wellFormed);

    // In-place conversion to every variant within a buffer of exactly the frame's size.
    for (int variant = 0; variant <= 3; ++variant) {
        Bytes packet = source;
        const std::size_t length = zol::framing::ConvertInPlace(packet.data(), packet.size(), variant);
        ZOL_FUZZ_CHECK(length <= packet.size());
        if (variant != 1 && variant != 2)
            ZOL_FUZZ_CHECK(length == source.size() && packet == source);
    }

    // Any bytes taken as a compact reply: a rebuilt frame is n+5 bytes with the header and the ID.
    Bytes out(2048, 0);
    const std::size_t rebuilt =
        zol::framing::RebuildStandardReply(source.data(), source.size(), id, out.data(), out.size());
    if (rebuilt != 0) {
        ZOL_FUZZ_CHECK(rebuilt == static_cast<std::size_t>(source[1]) + 5 && out[0] == 0xAA && out[2] == id);
        ZOL_FUZZ_CHECK(zol::fuzz::Sum(out, 1, rebuilt - 1) == out[rebuilt - 1]);
    }
    return 0;
}
