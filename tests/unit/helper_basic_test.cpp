// The basic helper's register packets, seen at the handler's TransferPacket: layout, paging, limits and
// the values read back out of replies.

#include "CommunicationHelper.h"
#include "LFDData.h"
#include "ZOLCommandHandler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using testing::_;
using testing::Invoke;
using testing::NiceMock;
using testing::Return;

using Bytes = std::vector<unsigned char>;

// Records every packet and answers each with an acknowledgement carrying the given value bytes.
class FakeHandler : public IZOLCommandHandler {
public:
    struct Sent {
        Bytes packet;
        int timeoutMs;
        bool acceptFirst;
    };

    FakeHandler() {
        ON_CALL(*this, TransferPacket(_, _, _, _, _, _, _, _))
            .WillByDefault(Invoke([this](ILFDData*, IZOLCommand*, unsigned char* packet, unsigned int length,
                                         unsigned char* replyOut, int timeoutMs, bool acceptFirst,
                                         unsigned char) {
                sent.push_back({Bytes(packet, packet + length), timeoutMs, acceptFirst});
                Bytes reply{0xAA, 0xFF,      packet[2], static_cast<unsigned char>(3 + replyValues.size()),
                            ack,  packet[1], packet[4]};
                reply.insert(reply.end(), replyValues.begin(), replyValues.end());
                std::copy(reply.begin(), reply.end(), replyOut);
                return true;
            }));
    }

    MOCK_METHOD(bool, TransferPacket,
                (ILFDData*, IZOLCommand*, unsigned char*, unsigned int, unsigned char*, int, bool,
                 unsigned char),
                (override));

    bool Initialize() override { return true; }
    unsigned char GetFlag() override { return 0; }
    void SetFlag(unsigned char) override {}
    unsigned int GetRetryCount() override { return retries; }
    void SetRetryCount(unsigned int count) override { retries = count; }
    unsigned int ExecuteForDisplays(bool, unsigned char, unsigned char, const unsigned char*, int*) override {
        return 0;
    }
    unsigned int Execute(ILFDData*, unsigned char, int, const unsigned char*, IZOLCommand*, int*,
                         bool) override {
        return 0;
    }
    unsigned int Broadcast(ILFDData*, unsigned char, unsigned char, const unsigned char*, IZOLCommand*,
                           int*) override {
        return 0;
    }
    bool ExecuteAcknowledged(ILFDData*, unsigned char, unsigned char, const unsigned char*) override {
        return false;
    }
    unsigned char* ExecuteRaw(ILFDData*, unsigned char, unsigned char, const unsigned char*,
                              IZOLCommand*) override {
        return nullptr;
    }
    unsigned char* ExecuteWithReply(ILFDData*, unsigned char, int, const unsigned char*, unsigned int*,
                                    bool) override {
        return nullptr;
    }
    void Reserved() override {}
    void DetectFraming(ILFDData*, int*) override {}
    void SetProgressObserver(ProgressObserver*) override {}
    unsigned char* SendFdBroadcastPair(std::string, int, std::string) override { return nullptr; }
    unsigned char* SendFdAddressedPair(std::string, int, unsigned char, std::string) override {
        return nullptr;
    }
    unsigned char* SendB8Broadcast(std::string, int, unsigned char, std::string) override { return nullptr; }
    bool WakeOnLan(std::string) override { return false; }
    unsigned int TransferChunked(ILFDData*, unsigned char, unsigned char, int, const unsigned char*,
                                 unsigned int) override {
        return 0;
    }
    void SetContext(void*) override {}

    std::vector<Sent> sent;
    Bytes replyValues;
    unsigned char ack = 'A';
    unsigned int retries = 4;
};

class BasicHelper : public testing::Test {
protected:
    void Attach(bool serial) {
        helper.reset(ICommunicationHelperFactory::CreateInstance(serial));
        ASSERT_NE(helper, nullptr);
        record.SetDisplayId(1);
        EXPECT_TRUE(helper->Attach(&handler, &record, nullptr));
    }

    NiceMock<FakeHandler> handler;
    CLFDData record;
    std::unique_ptr<ICommunicationHelper> helper;
};

TEST_F(BasicHelper, WriteRegisterPacketLayoutAndChecksum) {
    Attach(false);
    EXPECT_TRUE(helper->WriteRegister(0x40, 0x90, 0xFFFF));
    ASSERT_EQ(handler.sent.size(), 1u);
    // AA E1 ID n mode addr.hi addr.lo value.hi value.lo checksum (sum of bytes 1 to n + 3)
    EXPECT_EQ(handler.sent[0].packet, (Bytes{0xAA, 0xE1, 0x01, 0x05, 0x90, 0x00, 0x40, 0xFF, 0xFF, 0xB5}));
    EXPECT_EQ(handler.sent[0].timeoutMs, 2000);
}

struct BlockCase {
    int words;
    std::size_t packets;
    std::size_t pageStarts;
    std::size_t lastPacketDataLength; // the length byte of the last packet
};

class BasicHelperBlock : public BasicHelper, public testing::WithParamInterface<BlockCase> {};

TEST_P(BasicHelperBlock, PagesOf4032WordsIn32WordPackets) {
    Attach(false);
    const auto& c = GetParam();
    std::vector<unsigned short> words(static_cast<std::size_t>(c.words), 0x1234);
    EXPECT_TRUE(helper->WriteBlock(0x0101, words.data(), c.words));
    ASSERT_EQ(handler.sent.size(), c.packets);
    std::size_t starts = 0;
    for (const auto& s : handler.sent) {
        EXPECT_EQ(s.packet[1], 0xE1);
        EXPECT_EQ(s.packet[4], 0x92);
        if ((s.packet[5] & 0x80) != 0) {
            ++starts;
            EXPECT_EQ(s.packet[6], 0x01); // the start address follows the page byte
            EXPECT_EQ(s.packet[7], 0x01);
        }
    }
    EXPECT_EQ(starts, c.pageStarts);
    EXPECT_EQ(handler.sent.back().packet[3], c.lastPacketDataLength);
}

INSTANTIATE_TEST_SUITE_P(Counts, BasicHelperBlock,
                         testing::Values(
                             // one page: 126 packets, the first says 125 more follow
                             BlockCase{4032, 126, 1, 32 * 2 + 2},
                             // a second page of one word: a page-start packet with the address
                             BlockCase{4033, 127, 2, 1 * 2 + 4}, BlockCase{33, 2, 1, 1 * 2 + 2},
                             BlockCase{1, 1, 1, 1 * 2 + 4}));

TEST_F(BasicHelper, FirstBlockPacketCountsThePacketsToCome) {
    Attach(false);
    std::vector<unsigned short> words(4032, 1);
    helper->WriteBlock(0, words.data(), 4032);
    EXPECT_EQ(handler.sent[0].packet[5], 0x80 | 125);
    EXPECT_EQ(handler.sent[1].packet[5], 124);
    EXPECT_EQ(handler.sent[125].packet[5], 0);
}

TEST_F(BasicHelper, RefusedFirstBlockPacketStopsAfterRetries) {
    Attach(false);
    handler.ack = 'N';
    std::vector<unsigned short> words(64, 1);
    EXPECT_FALSE(helper->WriteBlock(0, words.data(), 64));
    EXPECT_EQ(handler.sent.size(), 1u + handler.retries); // the first packet and its retries only
}

struct ShortRangeCase {
    unsigned char mode;
    int count;
    bool sent;
};

class BasicHelperShortRange : public BasicHelper, public testing::WithParamInterface<ShortRangeCase> {};

TEST_P(BasicHelperShortRange, RefusesMoreThanOnePacketHolds) {
    Attach(false);
    const auto& c = GetParam();
    std::vector<int> addresses(static_cast<std::size_t>(c.count), 0x10);
    std::vector<int> values(static_cast<std::size_t>(c.count), 7);
    EXPECT_EQ(helper->WriteShortRange(addresses.data(), c.mode, values.data(), c.count, 2000), c.sent);
    EXPECT_EQ(handler.sent.size(), c.sent ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Limits, BasicHelperShortRange,
                         testing::Values(ShortRangeCase{0x01, 32, true}, ShortRangeCase{0x01, 33, false},
                                         ShortRangeCase{0x11, 16, true}, ShortRangeCase{0x11, 17, false},
                                         ShortRangeCase{0x01, 0, false}));

// Counts whose byte size overflows an int once multiplied out must still be refused, not wrap round to
// a small size and walk past the caller's arrays.
TEST_F(BasicHelper, RegisterListsLongerThanOnePacketAreRefusedUnsent) {
    Attach(false);
    const int addresses[] = {0x40};
    int values[] = {1};
    for (const int count : {0x40000001, 0x7FFFFFFF, 682, -1}) {
        SCOPED_TRACE(count);
        EXPECT_FALSE(helper->WriteRegisterList(addresses, 0x10, values, count));
        EXPECT_FALSE(helper->ReadRegisterList(addresses, 0x10, values, count));
    }
    EXPECT_TRUE(handler.sent.empty());
}

TEST_F(BasicHelper, ReadRegisterListIn16BitModeJoinsPairs) {
    Attach(false);
    handler.replyValues = {0x12, 0x34, 0xAB, 0xCD}; // reply byte 3 is 7: four value bytes
    const int addresses[] = {0x40, 0x41};
    int values[2] = {0, 0};
    EXPECT_TRUE(helper->ReadRegisterList(addresses, 0x10, values, 2));
    EXPECT_EQ(values[0], 0x1234);
    EXPECT_EQ(values[1], 0xABCD);
    EXPECT_EQ(handler.sent[0].packet, (Bytes{0xAA, 0xE1, 0x01, 0x05, 0x10, 0x00, 0x40, 0x00, 0x41, 0x78}));
}

TEST_F(BasicHelper, ReadRegistersSplitsIntoPacketsOf64) {
    Attach(false);
    handler.replyValues = Bytes(64, 0x05);
    Bytes out(100, 0);
    EXPECT_TRUE(helper->ReadRegisters(0x100, 0x00, out.data(), 100));
    ASSERT_EQ(handler.sent.size(), 2u);
    EXPECT_EQ(handler.sent[0].packet[7], 64);   // count byte
    EXPECT_EQ(handler.sent[1].packet[6], 0x40); // next address 0x140
    EXPECT_EQ(handler.sent[1].packet[7], 36);
    EXPECT_EQ(out[99], 0x05);
}

struct RangeTimeoutCase {
    bool serial;
    int asked;
    int expected;
};

class BasicHelperRangeTimeout : public BasicHelper, public testing::WithParamInterface<RangeTimeoutCase> {};

TEST_P(BasicHelperRangeTimeout, SerialAlwaysWaits2000Ms) {
    Attach(GetParam().serial);
    std::vector<int> values(70, 1);
    EXPECT_TRUE(helper->WriteRange(0x10, 0x01, values.data(), 70, GetParam().asked));
    ASSERT_EQ(handler.sent.size(), 2u); // 64 + 6 values in 8-bit mode
    for (const auto& s : handler.sent) {
        EXPECT_EQ(s.timeoutMs, GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Links, BasicHelperRangeTimeout,
                         testing::Values(RangeTimeoutCase{false, 300, 300},
                                         RangeTimeoutCase{true, 300, 2000}));

TEST_F(BasicHelper, FailedTransferIsRetriedUpToTheRetryCount) {
    Attach(false);
    handler.retries = 2;
    EXPECT_CALL(handler, TransferPacket(_, _, _, _, _, _, _, _)).Times(3).WillRepeatedly(Return(false));
    EXPECT_FALSE(helper->WriteRegister(1, 0x80, 1));
}

TEST_F(BasicHelper, TableOf16EntriesTakesEvery16thValue) {
    Attach(false);
    std::vector<int> source(256);
    for (int i = 0; i < 256; ++i) {
        source[static_cast<std::size_t>(i)] = i * 4;
    }
    EXPECT_TRUE(helper->WriteTable(1, source.data(), 16));
    ASSERT_EQ(handler.sent.size(), 1u);
    const Bytes& p = handler.sent[0].packet;
    EXPECT_EQ(p[1], 0xE2);
    EXPECT_EQ(p[4], 64 + 8); // kind 1, 16 entries
    EXPECT_EQ(p[3], 33);     // 32 value bytes and the configuration byte
    EXPECT_EQ(p[7], 0x00);   // entry 1 is source[16] = 64, high byte first
    EXPECT_EQ(p[8], 64);
}

} // namespace
