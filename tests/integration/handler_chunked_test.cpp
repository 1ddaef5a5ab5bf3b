// Chunked transfers against the simulated display: how a payload is cut into numbered bulk frames.

#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "platform/Pause.h"
#include "zolsim/Simulator.h"

#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kAddress[] = "127.0.3.10";

struct ChunkRow {
    unsigned chunkKiB;
    int totalLength;
    std::vector<int> chunkLengths;
};

class HandlerChunked
    : public zol::testing::SimulatedDisplaySuite<kAddress, testing::TestWithParam<ChunkRow>> {
protected:
};

TEST_P(HandlerChunked, CutsThePayloadIntoNumberedChunks) {
    const ChunkRow& row = GetParam();
    sim->ClearLog();
    std::vector<unsigned char> payload(static_cast<std::size_t>(row.totalLength));
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<unsigned char>(i * 7 + i / 251);
    }
    CLFDData record;
    PointAtDisplay(record);
    const auto pausedBefore = zol::platform::PausedMsTotal();

    EXPECT_EQ(
        IZOLCommandHandlerFactory::CreateInstance()->TransferChunked(
            &record, 0xD1, 0x90, row.totalLength, payload.empty() ? nullptr : payload.data(), row.chunkKiB),
        1u);

    const std::size_t count = row.chunkLengths.size();
    if (count > 0) {
        ASSERT_TRUE(sim->WaitForRequests(count, 5000));
    }
    const auto requests = sim->Requests();
    ASSERT_EQ(requests.size(), count);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& data = requests[i].data;
        ASSERT_EQ(requests[i].code, 0xD1);
        ASSERT_EQ(data.size(), static_cast<std::size_t>(row.chunkLengths[i]) + 3) << "chunk " << i;
        EXPECT_EQ(data[0], 0x90);
        EXPECT_EQ(data[1], i);
        EXPECT_EQ(data[2], count);
        EXPECT_TRUE(std::equal(data.begin() + 3, data.end(), payload.begin() + static_cast<long>(offset)))
            << "chunk " << i << " carries the wrong slice";
        offset += static_cast<std::size_t>(row.chunkLengths[i]);
    }
    // Eight seconds between chunks, none after the last.
    EXPECT_EQ(zol::platform::PausedMsTotal() - pausedBefore, 8000u * (count > 0 ? count - 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HandlerChunked,
    testing::Values(ChunkRow{64, 131064, {65532, 65532}},    // 64 KiB chunks hold 65532 bytes
                    ChunkRow{64, 131065, {65532, 65532, 1}}, // the remainder goes last
                    ChunkRow{1, 2048, {1024, 1024}},
                    ChunkRow{4, 100, {100}}, // a single chunk carries everything
                    ChunkRow{2, 0, {}}),     // nothing to send
    [](const testing::TestParamInfo<ChunkRow>& info) { return "row" + std::to_string(info.index); });

} // namespace
