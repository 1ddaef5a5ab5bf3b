// Reply bytes in, record values out: every row feeds one reply to the decoder and lists exactly the
// record values it must change (through the record's value list), so a rule that stores too much, too
// little or the wrong value fails its row.

#include "LFDData.h"
#include "LFDValueVisitor.h"
#include "VWDataAdapter.h"
#include "ZOLSystemHelper.h"
#include "command/ReplyDecoder.h"
#include "fleet/ChangeWatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Expected = std::map<std::string, LFDValue>;

// A standard reply frame: AA FF id N ack command values checksum.
Bytes Frame(int id, int command, Bytes values, unsigned char ack = 'A') {
    Bytes frame{0xAA,
                0xFF,
                static_cast<unsigned char>(id),
                static_cast<unsigned char>(values.size() + 2),
                ack,
                static_cast<unsigned char>(command)};
    frame.insert(frame.end(), values.begin(), values.end());
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum += frame[i];
    }
    frame.push_back(static_cast<unsigned char>(sum));
    return frame;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes WithBadChecksum(Bytes frame) {
    frame.back() = static_cast<unsigned char>(frame.back() + 1);
    return frame;
}

struct Row {
    const char* name;
    Bytes reply;
    unsigned char code;
    Expected changed;
    bool result = true;
    std::function<void(CLFDData&)> setup = {}; // the record is display 1, standard framing, no relay
};

std::string ModelText(int number) {
    return CZOLSystemHelper::GetStringFromModelNum(static_cast<unsigned char>(number));
}

std::vector<Row> Rows() {
    auto framing = [](int variant) { return [variant](CLFDData& r) { r.SetFramingVariant(variant); }; };
    return {
        {"status stores power, values 12 13 14 and responding",
         Frame(1, 0x00, {1, 1, 1, 0x22}),
         0x00,
         {{"Power", true},
          {"Value12", 1},
          {"Value13", true},
          {"Value14", 0x21},
          {"Responding", true},
          {"StatusReceived", true}}},
        {"status with value 1 = 30 keeps value 12",
         Frame(1, 0x00, {1, 30, 0, 0x1F}),
         0x00,
         {{"Power", true}, {"Value14", 0x18}, {"Responding", true}, {"StatusReceived", true}}},
        {"status from ID 0xFF counts as display 0",
         Frame(0xFF, 0x00, {0, 1, 2, 0x30}),
         0x00,
         {{"Value12", 1}, {"Value14", 0x30}, {"Responding", true}, {"StatusReceived", true}},
         true,
         [](CLFDData& r) { r.SetDisplayId(0); }},
        {"status from another display stores nothing", Frame(2, 0x00, {1, 1, 1, 0x22}), 0x00, {}},
        {"0x12 from ID 0xFE is ignored", Frame(0xFE, 0x12, {7}), 0x12, {}},
        {"0x12 from the record's ID is stored", Frame(1, 0x12, {7}), 0x12, {{"Value12", 7}}},
        {"0x12 needs length 3", Frame(1, 0x12, {7, 8}), 0x12, {}},
        {"framing 2 skips the ID check", Frame(5, 0x12, {7}), 0x12, {{"Value12", 7}}, true, framing(2)},
        {"framing 1 rebuilds a compact reply, result false",
         Bytes{0xFF, 0x03, 'A', 0x12, 0x07, 0x5D},
         0x12,
         {{"Value12", 7}},
         false,
         framing(1)},
        {"framing 1 compact reply with a bad checksum",
         Bytes{0xFF, 0x03, 'A', 0x12, 0x07, 0x5E},
         0x12,
         {},
         false,
         framing(1)},
        {"bad checksum stores nothing", WithBadChecksum(Frame(1, 0x12, {7})), 0x12, {}, false},
        {"unknown acknowledgement stores nothing", Frame(1, 0x12, {7}, 'X'), 0x12, {}, false},
        {"NAK for 0xC4 marks its data unavailable",
         Frame(1, 0xC4, {}, 'N'),
         0xC4,
         {{"C4Available", false}},
         false,
         [](CLFDData& r) { r.SetC4Available(true); }},
        {"two frames in one reply both decode",
         Join({Frame(1, 0x24, {11}), Frame(1, 0x25, {12})}),
         0x25,
         {{"Value24", 11}, {"Value25", 12}}},
        {"garbage before a frame is skipped",
         Join({Bytes{0x13, 0x37, 0xAA}, Frame(1, 0x26, {9})}),
         0x26,
         {{"Value26", 9}}},
        {"result is false when no frame carries the code",
         Frame(1, 0x24, {11}),
         0x25,
         {{"Value24", 11}},
         false},
        {"0x04 multi values",
         Frame(9, 0x04, {1, 2, 3, 4, 5, 6, 7}),
         0x04,
         {{"Value24", 1},
          {"Value25", 2},
          {"Value26", 3},
          {"Value27", 4},
          {"Value28", 5},
          {"Value3E", 6},
          {"Value3F", 7}}},
        {"0x0B serial text keeps printable bytes",
         Frame(1, 0x0B, {'A', 'B', 0x01, 'C'}),
         0x0B,
         {{"SerialText", std::string("ABC")}}},
        {"0x0E version text drops the prefix and the board name",
         Frame(1, 0x0E, Text("SW:Main Micom T-12")),
         0x0E,
         {{"VersionText", std::string(" T-12")}}},
        {"0x0D health needs 8 bytes and ACK",
         Frame(1, 0x0D, {1, 2, 3, 4, 5, 6}),
         0x0D,
         {{"Value0D", std::vector<int>{1, 2, 3, 4, 5, 6}}}},
        {"0x0D shorter than 8 stores nothing", Frame(1, 0x0D, {1, 2, 3, 4, 5}), 0x0D, {}},
        {"model index 9 gives [NON]",
         Frame(1, 0x10, {9, 3}),
         0x10,
         {{"ModelNumber", 3}, {"ModelName", "[NON]" + ModelText(3)}}},
        {"model index 4 gives [LED]",
         Frame(1, 0x10, {4, 20}),
         0x10,
         {{"ModelNumber", 20}, {"ModelName", "[LED]" + ModelText(20)}}},
        {"0x13 stores only 0 or 1", Frame(1, 0x13, {2}), 0x13, {}},
        {"0x1F bool", Frame(1, 0x1F, {1}), 0x1F, {{"Value1F", true}}},
        {"0x50 needs value 0 = 0", Frame(1, 0x50, {1, 2, 3}), 0x50, {}},
        {"0x50 two-byte value", Frame(1, 0x50, {0, 0x12, 0x34}), 0x50, {{"Value50", 0x1234}}},
        {"0x58 writes field 9 of the settings block",
         Frame(1, 0x58, {255}),
         0x58,
         {{"SettingsBlock", std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0}}}},
        {"0x83 three-byte value in tenths",
         Frame(1, 0x83, {0x01, 0x02, 0x03}),
         0x83,
         {{"Value83", std::vector<int>{0x010203 * 10, 3}}}},
        {"0xC4 with eight bytes",
         Frame(1, 0xC4, {7, 2, 3, 1, 1, 9}),
         0xC4,
         {{"ValueC4f", 9},
          {"C4Available", true},
          {"ValueC4Flag", true},
          {"ValueC4", 7},
          {"ValueC4d", true},
          {"ValueC4b", 2},
          {"ValueC4e", true},
          {"ValueC4c", 3}}},
        {"0xC0 0x14 is stored less 15", Frame(1, 0xC0, {0x14, 20}), 0xC0, {{"ValueC0x14", 5}}},
        {"0xCB one count reads only value 1",
         Frame(1, 0xCB, {1, 0x11, 0xFF}),
         0xCB,
         {{"ValueCBbit0", true}, {"ValueCBbit4", true}}},
        {"0xCB two counts",
         Frame(1, 0xCB, {2, 0x02, 0x05}),
         0xCB,
         {{"ValueCBbit1", true}, {"ValueCB2bit0", true}, {"ValueCB2bit2", true}}},
        {"0x1B 0x81 hardware address text",
         Frame(1, 0x1B, Join({{0x81}, Text("0011aabbccdd")})),
         0x1B,
         {{"MacAddress", std::string("0011aabbccdd")}}},
        {"0x1B 0x98 fields",
         Frame(1, 0x1B, Join({{0x98}, Text("x-;-b;-c;-d;-e;")})),
         0x1B,
         {{"Value1Bx98b", std::string("b")},
          {"Value1Bx98c", std::string("c")},
          {"Value1Bx98d", std::string("d")},
          {"Value1Bx98e", std::string("e")},
          {"Value1Bx98Flag", true}}},
        {"0x1B 0x97 mode 1 skips the display's own address",
         Frame(1, 0x1B, Join({{0x97, 0x81, 0, 1, 9}, Text("127.0.0.1"), {8}, Text("10.0.0.9")})),
         0x1B,
         {{"Value1Bx97Mode", 1}, {"Value1Bx97Text", std::string("10.0.0.9")}},
         true,
         [](CLFDData& r) { r.SetAddress("127.0.0.1"); }},
        {"0x1B 0x97 mode 2 octets",
         Frame(1, 0x1B, {0x97, 0x81, 0, 2, 4, 10, 0, 0, 7}),
         0x1B,
         {{"Value1Bx97Source", 2},
          {"Value1Bx97Mode", 2},
          {"Value1Bx97Octets", std::vector<int>{10, 0, 0, 7}}}},
        {"0x1B 0xA4 typed texts; an entry past the end stops the list",
         Frame(1, 0x1B, Join({{0xA4, 3, 0, 2}, Text("V1"), {6, 1}, Text("Z"), {7, 9}, Text("ab")})),
         0x1B,
         {{"VersionText", std::string("V1")}, {"D2x32Text2", std::string("Z")}}},
        {"0x1B from another display stores nothing", Frame(3, 0x1B, {0x31, 5}), 0x1B, {}},
        {"0x21 0x30 typed entries fill the block",
         Frame(1, 0x21, {0x30, 1, 5, 0x80, 4, 0x01, 0x02, 0x03, 0x04, 0x82, 6, 0, 0, 1, 0, 0, 2, 0x77, 1}),
         0x21,
         {{"Value21x30Block", std::vector<int>{5, -1, -1, -1, 0x0102, 0x0304, -1, -1, -1, 1, 2, -1, -1}}}},
        {"0x21 bool selector refuses 2", Frame(1, 0x21, {0x03, 2}), 0x21, {}},
        {"0x21 0x0C three values",
         Frame(1, 0x21, {0x0C, 4, 5, 6}),
         0x21,
         {{"Value21x0C", true}, {"Value21x0Cb", 5}, {"Value21x0Cc", 6}}},
        {"0xD0 0x82 rate lists and words",
         Frame(1, 0xD0, {0x82, 0x21, 0x12, 0, 0x01, 0x02, 0x03, 0x04}),
         0xD0,
         {{"ValueD0x82a", std::vector<int>{85, 8}},
          {"ValueD0x82b", std::vector<int>{37, 20}},
          {"ValueD0x82c", 0x0102},
          {"ValueD0x82d", 0x0304}}},
        {"0xD0 0x84 tagged block",
         Frame(1, 0xD0, {0x84, 1, 2, 3, 4, 0x10, 9, 0xC5, 8, 0xF0, 7}),
         0xD0,
         {{"ValueD0x84Block", std::vector<int>{1, 2, 3, 4, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 8}}}},
        {"0xD0 0x8A typed entries",
         Frame(1, 0xD0, {0x8A, 2, 1, 0x05, 4, 1, 42, 3, 2, 0x14, 0x04}),
         0xD0,
         {{"ValueD0x8Aa", true},
          {"ValueD0x8Ac", true},
          {"ValueD0x8Ak", 42},
          {"ValueCBbit4", true},
          {"ValueD0x8Ae", true},
          {"ValueD0x8Af", true},
          {"ValueD0x8Ai", true},
          {"ValueD0x8Aj", true}}},
        {"0xD0 from ID 0xFE stores nothing", Frame(0xFE, 0xD0, {0x81, 5}), 0xD0, {}},
        {"0xFE with 11 bytes: value 8 before value 7",
         Frame(1, 0xFE, {1, 2, 3, 4, 5, 6, 7, 0xF0, 9}),
         0xFE,
         {{"ValueFEBlock", std::vector<int>{1, 2, 3, 4, 5, 6, 7, 9, 0xF0}}}},
        {"0xFE with 4 bytes and 0x51", Frame(1, 0xFE, {0x51, 0}), 0xFE, {{"ValueFE", true}}},
    };
}

LFDValue Plain(const LFDSnapshot& snapshot, const std::string& name) {
    for (const auto& value : snapshot) {
        if (value.name == name) {
            return value.value;
        }
    }
    return {};
}

class DecoderRules : public testing::TestWithParam<Row> {
protected:
    void SetUp() override { ResetProcessWide(); }
    // Display 1, as the row prepares it.
    static CLFDData RecordFor(const Row& row) {
        CLFDData record;
        record.SetDisplayId(1);
        if (row.setup) {
            row.setup(record);
        }
        return record;
    }
};

TEST_P(DecoderRules, StoresExactlyTheRowsValues) {
    const Row& row = GetParam();
    CLFDData record = RecordFor(row);
    const LFDSnapshot before = LFDValues::Snapshot(record);
    const bool result =
        zol::command::DecodeReply(row.reply.data(), static_cast<int>(row.reply.size()), &record, row.code);
    const LFDSnapshot after = LFDValues::Snapshot(record);

    EXPECT_EQ(result, row.result);
    std::vector<std::string> expectedNames;
    for (const auto& [name, value] : row.changed) {
        EXPECT_EQ(Plain(after, name), value) << name;
    }
    std::vector<std::string> changed = LFDValues::Changed(before, after);
    for (const auto& name : changed) {
        EXPECT_TRUE(row.changed.count(name) == 1) << "unexpected change of " << name;
    }
    EXPECT_EQ(changed.size(), row.changed.size());
}

// The fleet engine learns what a reply changed by watching the setters instead of comparing snapshots:
// for every row both must name the same values in the same order.
TEST_P(DecoderRules, WatchedSettersNameWhatSnapshotsName) {
    const Row& row = GetParam();
    CLFDData record = RecordFor(row);
    const LFDSnapshot before = LFDValues::Snapshot(record);
    zol::fleet::ChangeWatch watch(record);
    zol::command::DecodeReply(row.reply.data(), static_cast<int>(row.reply.size()), &watch, row.code);
    EXPECT_EQ(watch.Changed(), LFDValues::Changed(before, LFDValues::Snapshot(record)));
}

INSTANTIATE_TEST_SUITE_P(Replies, DecoderRules, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) {
                             return "row" + std::to_string(info.index);
                         });

// A relay announcement names the relay target of the frame that follows; that frame's values go to the
// record behind the same address whose relay target it is.
TEST(DecoderRelay, FrameAfterAnnouncementLandsInTheRelayTargetsRecord) {
    ResetProcessWide();
    CLFDData direct;
    direct.SetAddress("127.0.3.99");
    direct.SetDisplayId(1);
    CLFDData relayed = direct;
    relayed.SetRelayTarget(3);
    CVWDataAdapter& adapter = CVWDataAdapterCollection::Process().AddAdapter(std::string("127.0.3.99"));
    adapter.AddDisplay(1, &direct);
    adapter.AddDisplay(2, &relayed);

    const Bytes reply = Join({Frame(1, 0xEE, {0x00, 0x01, 0x00, 0x02, 0x03}), Frame(1, 0x12, {1})});
    EXPECT_TRUE(zol::command::DecodeReply(reply.data(), static_cast<int>(reply.size()), &direct, 0x12));
    EXPECT_EQ(relayed.GetValue12(), 1);
    EXPECT_EQ(direct.GetValue12(), 0);

    // Without the announcement the same frame is the direct display's.
    const Bytes plain = Frame(1, 0x12, {1});
    zol::command::DecodeReply(plain.data(), static_cast<int>(plain.size()), &direct, 0x12);
    EXPECT_EQ(direct.GetValue12(), 1);
    ResetProcessWide();
}

TEST(DecoderRelay, FrameForAnUnknownDisplayBehindTheAddressIsDropped) {
    ResetProcessWide();
    CLFDData direct;
    direct.SetAddress("127.0.3.98");
    CVWDataAdapter& adapter = CVWDataAdapterCollection::Process().AddAdapter(std::string("127.0.3.98"));
    adapter.AddDisplay(1, &direct);
    const Bytes reply = Join({Frame(1, 0xEE, {0x00, 0x01, 0x00, 0x02, 0x05}), Frame(1, 0x12, {1})});
    EXPECT_FALSE(zol::command::DecodeReply(reply.data(), static_cast<int>(reply.size()), &direct, 0x12));
    EXPECT_EQ(direct.GetValue12(), 0);
    ResetProcessWide();
}

// Truncated and hostile replies: every prefix of a long reply decodes without reading past its end
// (the sanitizer build catches an overread) and a null or negative input is refused.
TEST(DecoderBadInput, PrefixesAndNullsAreSafe) {
    CLFDData record;
    const Bytes reply = Frame(1, 0x1B, Join({{0xA4, 3, 0, 200}, Text("V1")}));
    for (std::size_t cut = 0; cut <= reply.size(); ++cut) {
        Bytes prefix(reply.begin(), reply.begin() + static_cast<long>(cut));
        zol::command::DecodeReply(prefix.empty() ? nullptr : prefix.data(), static_cast<int>(cut), &record,
                                  0x1B);
    }
    EXPECT_FALSE(zol::command::DecodeReply(reply.data(), -5, &record, 0x1B));
    EXPECT_FALSE(zol::command::DecodeReply(nullptr, 10, &record, 0x1B));
    EXPECT_FALSE(zol::command::DecodeReply(reply.data(), static_cast<int>(reply.size()), nullptr, 0x1B));
}

} // namespace
