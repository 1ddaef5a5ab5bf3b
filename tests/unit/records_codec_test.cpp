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
    EXPECT_EQ((std::vector<int>{color.m_nPort1Code, color.m_nPort2Code, color.m_nPort3Code,
                                color.m_nPort4Code, color.m_nPort5Code}),
              (std::vector<int>{33, 35, 49, 51, 37}));
    EXPECT_FALSE(color.m_bPort1On || color.m_bPort2On || color.m_bPort3On || color.m_bPort4On ||
                 color.m_bPort5On);
    const FPGASettingsData fpga;
    for (int value : fpga.m_nValues) {
        EXPECT_EQ(value, 0);
    }
    EXPECT_TRUE(BlockRGBData().m_lstLevel.empty());
    EXPECT_TRUE(ModuleInformation().m_strSerial.empty());
}

TEST(RecordCopies, OwningRecordsCopyElementsAndMoveTakesThemOver) {
    BlockRGBData rgb;
    rgb.m_lstLevel = {1, 2};
    rgb.m_lstWords[8] = {7, 8};
    BlockRGBData copy(rgb);
    copy.m_lstWords[8].front() = 99;
    EXPECT_EQ(rgb.m_lstWords[8].front(), 7); // a copy owns its own lists
    BlockRGBData moved(std::move(rgb));
    EXPECT_EQ(moved.m_lstLevel, (std::list<int>{1, 2}));
    EXPECT_TRUE(rgb.m_lstLevel.empty()); // NOLINT: the moved-from lists were taken over

    BlockGradationData gradation;
    gradation.m_lstBlue = {5};
    BlockGradationData assigned;
    assigned = gradation;
    EXPECT_EQ(assigned.m_lstBlue, gradation.m_lstBlue);

    ModuleInformation module;
    module.m_nIndex = 3;
    module.m_strSerial = L"ABC";
    ModuleInformation other;
    other = std::move(module);
    EXPECT_EQ(other.m_nIndex, 3);
    EXPECT_EQ(other.m_strSerial, L"ABC");

    ClockSet clock{};
    clock.m_nYear = 2030;
    ClockSet clockCopy{};
    clockCopy = clock;
    EXPECT_EQ(clockCopy.m_nYear, 2030);
}

TEST(RecordSetData, FieldsTravelInWireOrder) {
    ClockSet clock{};
    clock.m_nYear = 2024;
    clock.m_nMonth = 12;
    clock.m_nDay = 6;
    clock.m_nHour = 2;
    clock.m_nMinute = 30;
    clock.m_bPm = true;
    const Bytes clockData = rec::EncodeClockSet(clock);
    EXPECT_EQ(clockData, (Bytes{6, 2, 30, 12, 0x07, 0xE8, 1}));

    DSTClock dst{};
    dst.m_nEnable = 1;
    dst.m_nOffset = 2;
    dst.m_bReplyFlag = true;
    EXPECT_EQ(rec::EncodeDSTClock(dst),
              (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2})); // the flag is never sent

    TimerData timer{};
    timer.m_bOnEnabled = true;
    timer.m_nOffHour = 23;
    timer.m_nByte14 = 0x1FF; // only the low byte travels
    EXPECT_EQ(rec::EncodeTimerData(timer), (Bytes{0, 0, 0, 1, 23, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}));

    DynamicPeakingData peaking{};
    peaking.m_nByte0 = 1;
    peaking.m_nWords[0] = 0x0102;
    peaking.m_nWords[3] = 0x0A0B;
    peaking.m_nByte10 = 9;
    EXPECT_EQ(rec::EncodeDynamicPeaking(peaking), (Bytes{0x20, 1, 0, 1, 2, 0, 0, 0, 0, 0x0A, 0x0B, 9}));

    InverseToneMappingData tone{};
    tone.m_nSub18Word3 = 0x1234;
    tone.m_nSub1BWords[4] = 0x5678;
    const auto toneData = rec::EncodeInverseToneMapping(tone);
    EXPECT_EQ(toneData[0], (Bytes{0x18, 0, 0, 0, 0, 0, 0, 0x12, 0x34}));
    EXPECT_EQ(toneData[3].size(), 11u);
    EXPECT_EQ(toneData[3].back(), 0x78);

    ColorMappingData colour{};
    colour.m_nSub11Words[8] = 0x0400;
    colour.m_nSub14Bytes[11] = 7;
    const auto colourData = rec::EncodeColorMapping(colour);
    EXPECT_EQ(colourData[0].size(), 6u);
    EXPECT_EQ(colourData[1].size(), 19u);
    EXPECT_EQ(colourData[1][17], 0x04);
    EXPECT_EQ(colourData[4], (Bytes{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}));
}

TEST(RecordSetData, HdmiColourEntriesDependOnTheModel) {
    HdmiUHDColor color;
    color.m_bPort2On = true;
    color.m_bPort5On = true;
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
    rgb.m_lstLevel = {0x10, 0x20};
    for (int w = 0; w < 9; ++w) {
        rgb.m_lstWords[w] = {0x0100 + w, 0x0200 + w};
    }
    const auto data = rec::EncodeBlockRGB(0x01, 0x02, rgb);
    ASSERT_TRUE(data.has_value());
    ASSERT_EQ(data->size(), 41u);
    EXPECT_EQ((Bytes(data->begin(), data->begin() + 6)), (Bytes{0x9B, 0x01, 0x02, 0x10, 0x01, 0x00}));
    EXPECT_EQ((Bytes(data->begin() + 22, data->begin() + 25)), (Bytes{0x20, 0x02, 0x00}));
    EXPECT_EQ(data->back(), 0x08);

    BlockGradationData gradation;
    gradation.m_lstLevel = {0xFF};
    gradation.m_lstRed = {0x03FF};
    gradation.m_lstGreen = {0x0200};
    gradation.m_lstBlue = {1};
    EXPECT_EQ(rec::EncodeBlockGradation(0x05, gradation),
              (Bytes{0xA2, 0x05, 0xFF, 0x03, 0xFF, 0x02, 0, 0, 1}));
}

TEST(RecordSetData, BlockRowsThatDoNotFitOneRequestAreRefused) {
    const auto gradationRows = [](std::size_t level, std::size_t others) {
        BlockGradationData rows;
        rows.m_lstLevel.assign(level, 1);
        rows.m_lstRed.assign(others, 1);
        rows.m_lstGreen.assign(others, 1);
        rows.m_lstBlue.assign(others, 1);
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
        rows.m_lstLevel.assign(c.level, 1);
        for (auto& words : rows.m_lstWords) {
            words.assign(c.others, 1);
        }
        const auto data = rec::EncodeBlockRGB(0, 0, rows);
        EXPECT_EQ(data.has_value(), c.sent) << c.level << "/" << c.others;
        if (data) {
            EXPECT_EQ(data->size(), 3 + 19 * c.level);
        }
    }
}

TEST(RecordGet, ClockTimerAndDaylightSaving) {
    ClockSet clock{};
    rec::DecodeClockSet(Reply(0xA7, {6, 2, 30, 12, 0x07, 0xEA, 5}), clock);
    EXPECT_EQ((std::vector<int>{clock.m_nYear, clock.m_nMonth, clock.m_nDay, clock.m_nHour, clock.m_nMinute}),
              (std::vector<int>{2026, 12, 6, 2, 30}));
    EXPECT_TRUE(clock.m_bPm);

    TimerData timer{};
    rec::DecodeTimerData(Reply(0xA4, {7, 30, 0, 2, 10, 45, 1, 0, 1, 0, 20, 0x21, 0, 0, 9}), timer);
    EXPECT_TRUE(timer.m_bOnEnabled);
    EXPECT_FALSE(timer.m_bOffEnabled);
    EXPECT_EQ(timer.m_nSource, 0x21);
    EXPECT_EQ(timer.m_nByte14, 9);

    // A reply of twelve bytes carries no flag: the checksum behind them is not read as one.
    DSTClock dst{};
    dst.m_bReplyFlag = true;
    rec::DecodeDSTClock(Reply(0xB6, {1, 3, 5, 0, 2, 0, 10, 5, 0, 3, 0, 1}), dst);
    EXPECT_EQ(dst.m_nEndMonth, 10);
    EXPECT_FALSE(dst.m_bReplyFlag);
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
        s.m_nLayout21Byte12 = s.m_nLayout21Byte13 = s.m_nSharedByte14 = -1;
        s.m_nLayout25Byte12 = s.m_nLayout25Byte13 = -1;
        for (int& v : s.m_nTail) {
            v = -1;
        }
        return s;
    };
    auto s21 = fresh();
    rec::DecodeMaintainanceControlStatus(Reply(0x08, data21), s21);
    EXPECT_EQ(s21.m_nDataLength, 21);
    EXPECT_EQ(s21.m_nBytes1To11[10], 11);
    EXPECT_EQ((std::vector<int>{s21.m_nLayout21Byte12, s21.m_nLayout21Byte13, s21.m_nSharedByte14,
                                s21.m_nLayout25Byte12, s21.m_nTail[3], s21.m_nTail[4], s21.m_nTail[7]}),
              (std::vector<int>{12, 13, 14, -1, -1, 15, 18}));

    auto s25 = fresh();
    rec::DecodeMaintainanceControlStatus(Reply(0x08, data25), s25);
    EXPECT_EQ((std::vector<int>{s25.m_nLayout21Byte12, s25.m_nLayout25Byte12, s25.m_nLayout25Byte13,
                                s25.m_nSharedByte14, s25.m_nTail[0], s25.m_nTail[7]}),
              (std::vector<int>{-1, 112, 113, 114, 115, 122}));

    auto other = fresh();
    rec::DecodeMaintainanceControlStatus(Reply(0x08, Bytes(15, 1)), other);
    EXPECT_EQ(other.m_nDataLength, 17);
    EXPECT_EQ(other.m_nSharedByte14, -1); // fields 13 to 25 stay as they were
    EXPECT_EQ(other.m_nTail[7], -1);
}

TEST(RecordGet, HdmiColourPairsFillTheirEntryAndSkipOthers) {
    HdmiUHDColor color;
    rec::DecodeHdmiUHDColor(Reply(0x21, {0x07, 51, 1, 99, 1, 33, 1, 37}), color);
    EXPECT_TRUE(color.m_bPort4On);
    EXPECT_TRUE(color.m_bPort1On);
    EXPECT_FALSE(color.m_bPort5On); // its flag lies outside the reply
    EXPECT_FALSE(color.m_bPort2On || color.m_bPort3On);
}

TEST(RecordGet, BlockRowsAreReadWhileAWholeRowIsLeft) {
    BlockGradationData gradation;
    rec::DecodeBlockGradation(Reply(0xD0, {0xA2, 0x01, 0x80, 0x02, 0x00, 0x01, 0x00, 0x00, 0x10, 9, 9, 9}),
                              gradation);
    EXPECT_EQ(gradation.m_lstLevel, (std::list<int>{0x80}));
    EXPECT_EQ(gradation.m_lstRed, (std::list<int>{0x0200}));
    EXPECT_EQ(gradation.m_lstBlue, (std::list<int>{0x0010}));

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
    EXPECT_EQ(rgb.m_lstLevel, (std::list<int>{0x40, 0x80}));
    EXPECT_EQ(rgb.m_lstWords[8], (std::list<int>{0x0008, 0x0108}));
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
    EXPECT_EQ(list[1].m_strSerial, L"SERIAL00001");
    EXPECT_EQ(list[1].m_strVersion, L"v1.00");
    EXPECT_EQ(list[2].m_strVersion, L"v2.0"); // unprintable characters are dropped
    EXPECT_EQ(list[2].m_nIndex, 1);

    // The long road: two length bytes, so the acknowledgement and the count move one place on; a module
    // announced but not sent is not invented.
    Bytes longPacket{0xAA, 0xFF, 0x01, 0x00, 0x14, 'A', 0xD2, 0x43, 0x02};
    longPacket.insert(longPacket.end(), modules.begin() + 2, modules.begin() + 18);
    longPacket.push_back(0x00);
    std::vector<ModuleInformation> fromLong;
    rec::DecodeModules(PickedReply(longPacket, true), true, fromLong);
    ASSERT_EQ(fromLong.size(), 1u);
    EXPECT_EQ(fromLong[0].m_strSerial, L"SERIAL00001");
}

} // namespace
