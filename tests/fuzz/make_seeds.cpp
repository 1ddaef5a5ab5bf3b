// Writes the committed seed corpus of the fuzz targets from the simulated display's own replies, so that
// every search starts from real frames: `fuzz_make_seeds tests/fuzz/corpus`.

#include "zolsim/DisplayModel.h"
#include "zolsim/Wire.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using zolsim::Bytes;
namespace fs = std::filesystem;

void Write(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct Reply {
    unsigned char code;
    zolsim::Answer answer;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds CORPUS_DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    const unsigned char id = 1;

    // What the display answers to a query of each command it knows (a few of each kind).
    zolsim::DisplayModel display(id, -1);
    std::vector<Reply> replies;
    for (unsigned code : {0x00u, 0x0Bu, 0x0Eu, 0x11u, 0x12u, 0x1Bu, 0x21u, 0x67u, 0x83u, 0xA7u, 0xC4u, 0xD0u,
                          0xE1u, 0x4Cu, 0x55u}) {
        zolsim::Request request;
        request.code = static_cast<unsigned char>(code);
        request.id = id;
        if (auto answer = display.Handle(request))
            replies.push_back({request.code, *answer});
    }
    zolsim::Answer refusal{zolsim::kNak, 0xC4, {}};
    replies.push_back({0xC4, refusal});

    const Bytes relay =
        zolsim::StandardReply(id, {zolsim::kAck, zolsim::kRelayCode, {0x00, 0x01, 0x00, 0x00, 0x02}});
    int n = 0;
    for (const Reply& reply : replies) {
        const Bytes standard = zolsim::StandardReply(id, reply.answer);
        const Bytes compact = zolsim::CompactReply(reply.answer);
        const Bytes longReply = zolsim::LongReply(id, reply.answer);
        Bytes fixedId = zolsim::StandardReply(zolsim::kFixedId, reply.answer);
        const std::string name = "reply_" + std::to_string(n++);
        const Bytes head{reply.code, id};

        // Decoder and matching: framing, code, ID (, relay target), reply.
        Write(root / "reply_decoder", name, Join({{0x00, reply.code, id, 0x00}, standard}));
        Write(root / "reply_decoder", name + "_compact", Join({{0x01, reply.code, id, 0x00}, compact}));
        Write(root / "reply_decoder", name + "_relayed",
              Join({{0x00, reply.code, id, 0x03}, relay, standard}));
        Write(root / "reply_matching", name, Join({{0x00, reply.code, id}, standard, fixedId}));
        Write(root / "reply_matching", name + "_compact", Join({{0x01, reply.code, id}, compact}));
        // Picker: ID, command, no sub-code, a stream with a stranger's frame in front.
        Write(root / "reply_picker", name,
              Join({{id, reply.code, 0xFF}, zolsim::StandardReply(7, reply.answer), standard}));
        // Completeness: Ethernet and serial capacities, standard, long and compact replies.
        Write(root / "packet_completeness", name, Join({{0x00}, standard}));
        Write(root / "packet_completeness", name + "_long", Join({{0x00}, longReply}));
        Write(root / "packet_completeness", name + "_compact", Join({{0x90}, compact}));
        // Serial assembly: a script of reads of 3 bytes and a silence.
        Bytes script{0x00};
        for (std::size_t at = 0; at < standard.size(); at += 3) {
            const std::size_t take = std::min<std::size_t>(3, standard.size() - at);
            script.push_back(static_cast<unsigned char>(take));
            script.insert(script.end(), standard.begin() + static_cast<long>(at),
                          standard.begin() + static_cast<long>(at + take));
        }
        script.push_back(0x00);
        Write(root / "serial_assembly", name, script);
        Write(root / "serial_assembly", name + "_split",
              Join({{0x01, id, 0x01, reply.code, static_cast<unsigned char>(reply.answer.values.size())},
                    reply.answer.values,
                    {1, 2, 3, 5, 8}}));
        // Framing: raw frames and frames built around a request's data.
        Write(root / "framing", name,
              Join({{0x00, id}, zolsim::StandardRequest(reply.code, id, reply.answer.values)}));
        Write(root / "framing", name + "_compact", Join({{0x00, id}, compact}));
        Write(root / "framing", name + "_built", Join({{0x01, id}, head, reply.answer.values}));
    }
    Write(root / "framing", "long_request",
          Join({{0x00, 1}, zolsim::LongRequest(0xD2, 1, Bytes(300, 0x5A))}));

    // Texts.
    const std::vector<std::string> texts{"1:5;7:7;;x:3",
                                         ":7",
                                         "0:4294967296",
                                         "12:",
                                         "00:0012;3",
                                         "ff",
                                         "A",
                                         "1G",
                                         "127.0.0.1",
                                         "::1",
                                         "fe80::1%eth0",
                                         "::ffff:192.168.1.2",
                                         "1.2.3.4.5",
                                         "2001:db8::ff00:42:8329"};
    n = 0;
    for (const std::string& text : texts) {
        Bytes bytes(text.begin(), text.end());
        for (unsigned char selector = 0; selector < 2; ++selector)
            Write(root / "system_helper", "text_" + std::to_string(n) + "_" + std::to_string(selector),
                  Join({{selector}, bytes}));
        Write(root / "network_helper", "text_" + std::to_string(n), Join({{0x00}, bytes}));
        ++n;
    }
    Write(root / "system_helper", "wide", Join({{0x02}, {0x41, 0, 0, 0, 0xE9, 0, 0, 0, 0x00, 0xD8, 0, 0}}));
    Write(root / "system_helper", "bytes", Join({{0x03}, zolsim::StandardReply(1, replies.front().answer)}));

    // Command lines, words separated by NUL.
    using namespace std::string_literals;
    const std::vector<std::string> lines{"status\0--host\0127.0.0.1"s,
                                         "exec\0--host\0::1\0--id\0"
                                         "0x10\0"
                                         "0x11\0"
                                         "1"s,
                                         "raw\0--serial\0/dev/pts/3\0"
                                         "0\0"
                                         "255"s,
                                         "op\0--host\0"
                                         "10.0.0.2\0GetPower"s,
                                         "wol\0"
                                         "0011223344AA"s,
                                         "refresh\0--host\0"
                                         "1.2.3.4\0"
                                         "2"s,
                                         "probe-framing\0--serial\0/dev/ttyS0"s,
                                         "--help"s,
                                         "firmware\0--anything"s,
                                         "exec\0--host\0x\0"
                                         "256"s};
    n = 0;
    for (const std::string& line : lines)
        Write(root / "zolctl_arguments", "line_" + std::to_string(n++), Bytes(line.begin(), line.end()));

    // Operation arguments: operation (two bytes), in-argument, text; spread over the table so that each
    // argument kind is met.
    const std::vector<std::string> words{
        "-3", "0x1F", "255", "0.5", "1e-3", "0a0b0c", "1,0x20,-3", "1,0.5,0", "10.0.0.1,10.0.0.2", ""};
    n = 0;
    for (const std::string& word : words) {
        const auto operation = static_cast<unsigned char>(n * 17);
        Write(root / "operation_arguments", "word_" + std::to_string(n++),
              Join({{0x00, operation, 0x00}, Bytes(word.begin(), word.end())}));
    }

    // Record arguments: kind, then the JSON object.
    const std::vector<std::string> records{
        R"({"Field0": 2024, "Field1": 12, "Field2": 31, "Field3": 23, "Field4": 59, "Field5": true})",
        R"({"Field0": [1, 2], "Fields1To9": [[1], [], [3, 4], [], [], [], [], [], [5]]})",
        R"({"Field0": 0, "Field1": "name", "Field2": "text"})",
        R"({"Fields0To21": [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21]})",
        R"({"Field0": 1, "Field1": 2})"};
    n = 0;
    for (const std::string& record : records) {
        const auto kind = static_cast<unsigned char>(n);
        Write(root / "record_json", "record_" + std::to_string(n++),
              Join({{kind}, Bytes(record.begin(), record.end())}));
    }

    // Inventories.
    const std::vector<std::string> inventories{
        "[defaults]\npin-file = \"wall.pin\"\nframing = 0\n\n[[display]]\nname = \"lobby-1\"\n"
        "host = \"10.0.0.5\"\nid = 1\nport = 1515\nrelay-target = -1\nmac = \"00:11:22:33:44:55\"\n"
        "groups = [\"lobby\", \"wall-a\"]\n",
        "[[display]]\nname = \"ops.2\"\nserial = \"/dev/ttyUSB0\"\nid = 0x10\nmodel-code = -7\n"
        "[[display]]\nname = \"ops_3\"\nhost = \"[::1]:1516\"\nrelay-byte = 255\n",
        "[[display]]\nname = \"x\"\nhost = \"h\"\npin = \"0000\"\n"};
    n = 0;
    for (const std::string& inventory : inventories)
        Write(root / "inventory", "inventory_" + std::to_string(n++),
              Bytes(inventory.begin(), inventory.end()));

    // Session start: flags (PIN given), read size, the display's greeting and its answer to the PIN.
    const std::vector<std::string> greetings{"ZOLSTART<<NORMAL>>", "ZOLSTART<<TLS>>ZOLAUTH<<OK>>",
                                             "ZOLSTART<<TLS>>ZOLAUTH<<FAIL 0x01>>", "ZOL\0TLS>>FAIL\0 0x02"s};
    n = 0;
    for (const std::string& greeting : greetings) {
        const auto flags = static_cast<unsigned char>(n % 2 == 0 ? 1 : 0);
        Write(root / "session_start", "greeting_" + std::to_string(n++),
              Join({{flags, 4}, Bytes(greeting.begin(), greeting.end())}));
    }
    return 0;
}
