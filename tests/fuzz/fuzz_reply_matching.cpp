// Reply matching and the frame scanner that cuts a reply into frames.
//
// Input: framing variant, command, display ID, then the reply bytes.
// Invariants: every frame handed out starts with AA FF and lies inside the reply, frames come in order
// without overlapping and are at most 2048 bytes; bytes of the work frame past the frame are zero; a match
// under the standard framing needs a frame from the display that carries the command; matching never
// reads past the reply.

#include "FuzzSupport.h"

#include "LFDData.h"
#include "command/ReplyFrames.h"

#include <array>
#include <cstring>
#include <memory>

namespace {

struct RecordRelease {
    void operator()(CLFDData* record) const { record->Release(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    const int framing = input.Byte() % 3;
    const unsigned char code = input.Byte();
    const unsigned char id = input.Byte();
    const zol::fuzz::Bytes reply = input.Rest();
    const int length = static_cast<int>(reply.size());

    std::size_t nextFree = 0; // frames may not overlap and come in order
    bool anyFromDisplayWithCode = false;
    zol::command::ForEachFrame(reply.data(), length, [&](const zol::command::WorkFrame& frame) {
        ZOL_FUZZ_CHECK(frame.length >= 2 && frame.length <= zol::command::kMaxFrame);
        ZOL_FUZZ_CHECK(frame.bytes[0] == 0xAA && frame.bytes[1] == 0xFF);
        // Where does this frame lie in the reply? The first AA FF at or after the previous frame's end.
        std::size_t at = nextFree;
        while (at + 1 < reply.size() && !(reply[at] == 0xAA && reply[at + 1] == 0xFF))
            ++at;
        ZOL_FUZZ_CHECK(at + static_cast<std::size_t>(frame.length) <= reply.size());
        ZOL_FUZZ_CHECK(
            std::memcmp(frame.bytes.data(), reply.data() + at, static_cast<std::size_t>(frame.length)) == 0);
        // One memcmp over the tail: a byte-by-byte loop here cost more than the matching under test.
        static constexpr std::array<unsigned char, zol::command::kMaxFrame> kZeros{};
        const std::size_t used = static_cast<std::size_t>(frame.length);
        ZOL_FUZZ_CHECK(std::memcmp(frame.bytes.data() + used, kZeros.data(), kZeros.size() - used) == 0);
        nextFree = at + static_cast<std::size_t>(frame.length);
        const int commandAt = code == 0xD2 ? 6 : 5;
        if (frame.bytes[2] == id && commandAt < frame.length &&
            frame.bytes[static_cast<std::size_t>(commandAt)] == code)
            anyFromDisplayWithCode = true;
    });

    std::unique_ptr<CLFDData, RecordRelease> record(CLFDDataFactory::CreateInstance());
    record->SetDisplayId(id);
    record->SetFramingVariant(framing);
    const bool matched = zol::command::ReplyMatches(reply.data(), length, record.get(), code);
    if (framing != 1)
        ZOL_FUZZ_CHECK(matched == anyFromDisplayWithCode);

    zol::command::WorkFrame rebuilt;
    if (zol::command::RebuildCompactReply(reply.data(), length, id, rebuilt)) {
        // A rebuilt compact reply is a standard frame of the display: header, ID, n+5 bytes.
        ZOL_FUZZ_CHECK(rebuilt.bytes[0] == 0xAA && rebuilt.bytes[2] == id);
        ZOL_FUZZ_CHECK(rebuilt.length == rebuilt.bytes[3] + 5);
    }
    return 0;
}
