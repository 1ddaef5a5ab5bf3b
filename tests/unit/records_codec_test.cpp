// The exported data records: defaults, copy and move, and their data bytes both ways.

#include "ZOLDataRecords.h"
#include "helpers/DataRecordCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zol::helpers::PickedReply;
using zol::helpers::records::Bytes;
namespace rec = zol::helpers::records;

// A standard reply packet: AA FF id n 'A' code data... checksum.
PickedReply Reply(unsigned char code, const Bytes& data) {
    Bytes packet{0xAA, 0xFF, 0x01, static_cast<unsigned char>(data.size() + 2), 'A', code};
    packet.insert(packet.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::size_t i = 1; i < packet.size(); ++i) {
        sum += packet[i];
    }
    packet.push_back(static_cast<unsigned char>(sum));
    return PickedReply(packet);
}

TEST(RecordDefaults, HdmiColourCodesAndFpgaZeros) {
    const HdmiUHDColor color;
    EXPECT_EQ((std::vector<int>{color.m_nField0, color.m_nField2, color.m_nField4, color.m_nField6,
                                color.m_nField8}),
              (std::vector<int>{33, 35, 49, 51, 37}));
    EXPECT_FALSE(color.m_bField1 || color.m_bField3 || color.m_bField5 || color.m_bField7 || color.m_bField9);
    const FPGASettingsData fpga;
    for (int value : fpga.m_nFields0To21) {
        EXPECT_EQ(value, 0);
    }
    EXPECT_TRUE(BlockRGBData().m_lstField0.empty());
    EXPECT_TRUE(ModuleInformation().m_strField1.empty());
}

TEST(RecordCopies, OwningRecordsCopyElementsAndMoveTakesThemOver) {
    BlockRGBData rgb;
    rgb.m_lstField0 = {1, 2};
    rgb.m_lstFields1To9[8] = {7, 8};
    BlockRGBData copy(rgb);
    copy.m_lstFields1To9[8].front() = 99;
    EXPECT_EQ(rgb.m_lstFields1To9[8].front(), 7); // a copy owns its own lists
    BlockRGBData moved(std::move(rgb));
    EXPECT_EQ(moved.m_lstField0, (std::list<int>{1, 2}));
    EXPECT_TRUE(rgb.m_lstField0.empty()); // NOLINT: the moved-from lists were taken over

    BlockGradationData gradation;
    gradation.m_lstField3 = {5};
    BlockGradationData assigned;
    assigned = gradation;
    EXPECT_EQ(assigned.m_lstField3, gradation.m_lstField3);

    ModuleInformation module;
    module.m_nField0 = 3;
    module.m_strField1 = L"ABC";
    ModuleInformation other;
    other = std::move(module);
    EXPECT_EQ(other.m_nField0, 3);
    EXPECT_EQ(other.m_strField1, L"ABC");

    ClockSet clock{};
    clock.m_nField0 = 2030;
    ClockSet clockCopy{};
    clockCopy = clock;
    EXPECT_EQ(clockCopy.m_nField0, 2030);
}

TEST(RecordSetData, FieldsTravelInWireOrder) {
    ClockSet clock{};
    clock.m_nField0 = 2024;
    clock.m_nField1 = 12;
    clock.m_nField2 = 6;
    clock.m_nField3 = 2;
    clock.m_nField4 = 30;
    clock.m_bField5 = true;
    const Bytes clockData = rec::EncodeClockSet(clock);
    EXPECT_EQ(clockData, (Bytes{6, 2, 30, 12, 0x07, 0xE8, 1}));

    DSTClock dst{};
    dst.m_nField0 = 1;
    dst.m_nField11 = 2;
    dst.m_bField12 = true;
    EXPECT_EQ(rec::EncodeDSTClock(dst),
              (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2})); // the flag is never sent

    TimerData timer{};
    timer.m_bField3 = true;
    timer.m_nField4 = 23;
    timer.m_nField14 = 0x1FF; // only the low byte travels
    EXPECT_EQ(rec::EncodeTimerData(timer), (Bytes{0, 0, 0, 1, 23, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}));

    DynamicPeakingData peaking{};
    peaking.m_nField0 = 1;
    peaking.m_nFields2To5[0] = 0x0102;
    peaking.m_nFields2To5[3] = 0x0A0B;
    peaking.m_nField6 = 9;
    EXPECT_EQ(rec::EncodeDynamicPeaking(peaking), (Bytes{0x20, 1, 0, 1, 2, 0, 0, 0, 0, 0x0A, 0x0B, 9}));

    InverseToneMappingData tone{};
    tone.m_nField5 = 0x1234;
    tone.m_nFields16To20[4] = 0x5678;
    const auto toneData = rec::EncodeInverseToneMapping(tone);
    EXPECT_EQ(toneData[0], (Bytes{0x18, 0, 0, 0, 0, 0, 0, 0x12, 0x34}));
    EXPECT_EQ(toneData[3].size(), 11u);
    EXPECT_EQ(toneData[3].back(), 0x78);

    ColorMappingData colour{};
    colour.m_nFields6To14[8] = 0x0400;
    colour.m_nFields36To47[11] = 7;
    const auto colourData = rec::EncodeColorMapping(colour);
    EXPECT_EQ(colourData[0].size(), 6u);
    EXPECT_EQ(colourData[1].size(), 19u);
    EXPECT_EQ(colourData[1][17], 0x04);
    EXPECT_EQ(colourData[4], (Bytes{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}));
}

TEST(RecordSetData, HdmiColourEntriesDependOnTheModel) {
    HdmiUHDColor color;
    color.m_bField3 = true;
    color.m_bField9 = true;
    const struct {
        int model;
        Bytes data;
    } rows[] = {
        {0x69, {0x07, 33, 0, 35, 1}},
        {0x71, {0x07, 33, 0, 35, 1, 49, 0, 51, 0, 37, 1}},
        {0x73, {0x07, 33, 0, 35, 1, 37, 1}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(rec::EncodeHdmiUHDColor(color, row.model), row.data) << row.model;
    }
}

TEST(RecordSetData, BlockRowsTakeTheListsFront) {
    BlockRGBData rgb;
    rgb.m_lstField0 = {0x10, 0x20};
    for (int w = 0; w < 9; ++w) {
        rgb.m_lstFields1To9[w] = {0x0100 + w, 0x0200 + w};
    }
    const auto data = rec::EncodeBlockRGB(0x01, 0x02, rgb);
    ASSERT_TRUE(data.has_value());
    ASSERT_EQ(data->size(), 41u);
    EXPECT_EQ((Bytes(data->begin(), data->begin() + 6)), (Bytes{0x9B, 0x01, 0x02, 0x10, 0x01, 0x00}));
    EXPECT_EQ((Bytes(data->begin() + 22, data->begin() + 25)), (Bytes{0x20, 0x02, 0x00}));
    EXPECT_EQ(data->back(), 0x08);

    BlockGradationData gradation;
    gradation.m_lstField0 = {0xFF};
    gradation.m_lstField1 = {0x03FF};
    gradation.m_lstField2 = {0x0200};
    gradation.m_lstField3 = {1};
    EXPECT_EQ(rec::EncodeBlockGradation(0x05, gradation),
              (Bytes{0xA2, 0x05, 0xFF, 0x03, 0xFF, 0x02, 0, 0, 1}));
}

TEST(RecordSetData, BlockRowsThatDoNotFitOneRequestAreRefused) {
    const auto gradationRows = [](std::size_t level, std::size_t others) {
        BlockGradationData rows;
        rows.m_lstField0.assign(level, 1);
        rows.m_lstField1.assign(others, 1);
        rows.m_lstField2.assign(others, 1);
        rows.m_lstField3.assign(others, 1);
        return rows;
    };
    const struct {
        std::size_t level, others;
        bool sent;
    } gradationCases[] = {{0, 0, false}, {36, 36, true}, {37, 37, false}, {3, 2, false}, {2, 3, false}};
    for (const auto& c : gradationCases) {
        auto rows = gradationRows(c.level, c.others);
        EXPECT_EQ(rec::EncodeBlockGradation(0, rows).has_value(), c.sent) << c.level << "/" << c.others;
    }
    const struct {
        std::size_t level, others;
        bool sent;
    } rgbCases[] = {{0, 0, false}, {13, 13, true}, {14, 14, false}, {2, 1, false}};
    for (const auto& c : rgbCases) {
        BlockRGBData rows;
        rows.m_lstField0.assign(c.level, 1);
        for (auto& words : rows.m_lstFields1To9) {
            words.assign(c.others, 1);
        }
        const auto data = rec::EncodeBlockRGB(0, 0, rows);
        EXPECT_EQ(data.has_value(), c.sent) << c.level << "/" << c.others;
        if (data) {
            EXPECT_EQ(data->size(), 3 + 19 * c.level);
        }
    }
}

TEST(RecordGet, ClockSetTimerDataAndDSTClock) {
    ClockSet clock{};
    rec::DecodeClockSet(Reply(0xA7, {6, 2, 30, 12, 0x07, 0xEA, 5}), clock);
    EXPECT_EQ((std::vector<int>{clock.m_nField0, clock.m_nField1, clock.m_nField2, clock.m_nField3,
                                clock.m_nField4}),
              (std::vector<int>{2026, 12, 6, 2, 30}));
    EXPECT_TRUE(clock.m_bField5);

    TimerData timer{};
    rec::DecodeTimerData(Reply(0xA4, {7, 30, 0, 2, 10, 45, 1, 0, 1, 0, 20, 0x21, 0, 0, 9}), timer);
    EXPECT_TRUE(timer.m_bField3);
    EXPECT_FALSE(timer.m_bField7);
    EXPECT_EQ(timer.m_nField11, 0x21);
    EXPECT_EQ(timer.m_nField14, 9);

    // A reply of twelve bytes carries no flag: the checksum behind them is not read as one.
    DSTClock dst{};
    dst.m_bField12 = true;
    rec::DecodeDSTClock(Reply(0xB6, {1, 3, 5, 0, 2, 0, 10, 5, 0, 3, 0, 1}), dst);
    EXPECT_EQ(dst.m_nField6, 10);
    EXPECT_FALSE(dst.m_bField12);
}

TEST(RecordGet, MaintenanceLayoutFollowsTheLengthByte) {
    Bytes data21(19);
    Bytes data25(23);
    for (std::size_t i = 0; i < data25.size(); ++i) {
        data25[i] = static_cast<unsigned char>(100 + i);
        if (i < data21.size()) {
            data21[i] = static_cast<unsigned char>(i);
        }
    }
    const auto fresh = [] {
        MaintainanceControlStatus s{};
        s.m_nField13 = s.m_nField14 = s.m_nField15 = -1;
        s.m_nField16 = s.m_nField17 = -1;
        for (int& v : s.m_nFields18To25) {
            v = -1;
        }
        return s;
    };
    auto s21 = fresh();
    rec::DecodeMaintainanceControlStatus(Reply(0x08, data21), s21);
    EXPECT_EQ(s21.m_nField0, 21);
    EXPECT_EQ(s21.m_nFields2To12[10], 11);
    EXPECT_EQ((std::vector<int>{s21.m_nField13, s21.m_nField14, s21.m_nField15, s21.m_nField16,
                                s21.m_nFields18To25[3], s21.m_nFields18To25[4], s21.m_nFields18To25[7]}),
              (std::vector<int>{12, 13, 14, -1, -1, 15, 18}));

    auto s25 = fresh();
    rec::DecodeMaintainanceControlStatus(Reply(0x08, data25), s25);
    EXPECT_EQ((std::vector<int>{s25.m_nField13, s25.m_nField16, s25.m_nField17, s25.m_nField15,
                                s25.m_nFields18To25[0], s25.m_nFields18To25[7]}),
              (std::vector<int>{-1, 112, 113, 114, 115, 122}));

    auto other = fresh();
    rec::DecodeMaintainanceControlStatus(Reply(0x08, Bytes(15, 1)), other);
    EXPECT_EQ(other.m_nField0, 17);
    EXPECT_EQ(other.m_nField15, -1); // fields 13 to 25 stay as they were
    EXPECT_EQ(other.m_nFields18To25[7], -1);
}

TEST(RecordGet, HdmiColourPairsFillTheirEntryAndSkipOthers) {
    HdmiUHDColor color;
    rec::DecodeHdmiUHDColor(Reply(0x21, {0x07, 51, 1, 99, 1, 33, 1, 37}), color);
    EXPECT_TRUE(color.m_bField7);
    EXPECT_TRUE(color.m_bField1);
    EXPECT_FALSE(color.m_bField9); // its flag lies outside the reply
    EXPECT_FALSE(color.m_bField3 || color.m_bField5);
}

TEST(RecordGet, BlockRowsAreReadWhileAWholeRowIsLeft) {
    BlockGradationData gradation;
    rec::DecodeBlockGradation(Reply(0xD0, {0xA2, 0x01, 0x80, 0x02, 0x00, 0x01, 0x00, 0x00, 0x10, 9, 9, 9}),
                              gradation);
    EXPECT_EQ(gradation.m_lstField0, (std::list<int>{0x80}));
    EXPECT_EQ(gradation.m_lstField1, (std::list<int>{0x0200}));
    EXPECT_EQ(gradation.m_lstField3, (std::list<int>{0x0010}));

    Bytes rgbData{0x9B, 0x01, 0x02};
    for (int row = 0; row < 2; ++row) {
        rgbData.push_back(static_cast<unsigned char>(0x40 * (row + 1)));
        for (int w = 0; w < 9; ++w) {
            rgbData.push_back(static_cast<unsigned char>(row));
            rgbData.push_back(static_cast<unsigned char>(w));
        }
    }
    rgbData.push_back(0x77); // a partial third row
    BlockRGBData rgb;
    rec::DecodeBlockRGB(Reply(0xD0, rgbData), rgb);
    EXPECT_EQ(rgb.m_lstField0, (std::list<int>{0x40, 0x80}));
    EXPECT_EQ(rgb.m_lstFields1To9[8], (std::list<int>{0x0008, 0x0108}));
}

TEST(RecordGet, ModulesAreAppendedFromEitherRoad) {
    Bytes modules{0xA0, 0x02};
    for (const char* text : {"SERIAL00001v1.00", "SERIAL00002v2.\x01"
                                                 "0"}) {
        modules.insert(modules.end(), text, text + 16);
    }
    std::vector<ModuleInformation> list(1);
    rec::DecodeModules(Reply(0xD0, modules), false, list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].m_strField1, L"SERIAL00001");
    EXPECT_EQ(list[1].m_strField2, L"v1.00");
    EXPECT_EQ(list[2].m_strField2, L"v2.0"); // unprintable characters are dropped
    EXPECT_EQ(list[2].m_nField0, 1);

    // The long road: two length bytes, so the acknowledgement and the count move one place on; a module
    // announced but not sent is not invented.
    Bytes longPacket{0xAA, 0xFF, 0x01, 0x00, 0x14, 'A', 0xD2, 0x43, 0x02};
    longPacket.insert(longPacket.end(), modules.begin() + 2, modules.begin() + 18);
    longPacket.push_back(0x00);
    std::vector<ModuleInformation> fromLong;
    rec::DecodeModules(PickedReply(longPacket, true), true, fromLong);
    ASSERT_EQ(fromLong.size(), 1u);
    EXPECT_EQ(fromLong[0].m_strField1, L"SERIAL00001");
}

} // namespace
