// The serial reader's frame assembly, fed in reads of any size (down to one byte at a time) with
// silences in between.
//
// Input: a mode byte, then either a script of reads and silences over raw bytes (mode even) or the
// values of one reply frame plus the places where the line splits it (mode odd).
// Invariants: what the reader publishes is never longer than what it holds, never empty and never past
// its 4096-byte buffer; a valid reply frame split across any reads is published once, whole and unchanged.

#include "FuzzSupport.h"

#include "transport/SerialFrameAssembly.h"

#include <algorithm>

namespace {

using zol::fuzz::Bytes;

// The reader thread's assembly, collecting what it publishes.
class Assembly {
public:
    Assembly()
        : m_assembly([this](const unsigned char* frame, std::size_t length) {
              ZOL_FUZZ_CHECK(length > 0 && length <= zol::kSerialReplyCapacity);
              m_published.emplace_back(frame, frame + length);
          }) {}
    void Read(const unsigned char* bytes, std::size_t count) { m_assembly.Feed(bytes, count); }
    void Silence() { m_assembly.Silence(); }
    const std::vector<Bytes>& Published() const { return m_published; }

private:
    std::vector<Bytes> m_published;
    zol::SerialFrameAssembly m_assembly;
};

void RunScript(zol::fuzz::Input& input) {
    // Script: a length byte L, then L bytes read at once; L = 0 is a silence on the line.
    Assembly assembly;
    while (input.Left() > 0) {
        const std::size_t length = input.Byte();
        if (length == 0) {
            assembly.Silence();
            continue;
        }
        Bytes read;
        for (std::size_t i = 0; i < length && input.Left() > 0; ++i)
            read.push_back(input.Byte());
        assembly.Read(read.data(), read.size());
    }
    assembly.Silence();
}

void RunSplitFrame(zol::fuzz::Input& input) {
    const unsigned char id = input.Byte();
    const unsigned char ack = input.Byte() & 1 ? 'A' : 'N';
    unsigned char code = input.Byte();
    if (code == 0xEE)
        code = 0xEF; // a relay announcement waits for the relayed frame: it is no whole reply on its own
    const std::size_t valueCount = input.Byte();
    Bytes values;
    for (std::size_t i = 0; i < valueCount && input.Left() > 0; ++i)
        values.push_back(input.Byte());
    const Bytes frame = zol::fuzz::StandardReply(id, ack, code, values);

    Assembly assembly;
    std::size_t at = 0;
    while (at < frame.size()) {
        const std::size_t piece = std::max<std::size_t>(1, input.Byte() % 16);
        const std::size_t take = std::min(piece, frame.size() - at);
        assembly.Read(frame.data() + at, take);
        at += take;
    }
    assembly.Silence();
    ZOL_FUZZ_CHECK(assembly.Published().size() == 1);
    ZOL_FUZZ_CHECK(assembly.Published().front() == frame);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    if (input.Byte() & 1)
        RunSplitFrame(input);
    else
        RunScript(input);
    return 0;
}
