// The chunk shape of the NetCDF flows and the row that gathers whole chunks.
#include "export/flow_chunks.hpp"

#include <gtest/gtest.h>

namespace flowplex {
namespace {

TEST(FlowChunkShape, ServesOneStationAndOneRealizationOfTheWorstCaseSystem) {
  // 300 gauges, 200 years, 1,000 realizations (workload B of bench/).
  const FlowChunkShape shape = flow_chunk_shape(1000, 2400, 300);
  EXPECT_EQ(shape.months, 2400U);
  EXPECT_EQ(shape.stations, 8U);
  EXPECT_EQ(shape.realizations, 4U);
  EXPECT_EQ(shape.blocks(300), 38U);
  EXPECT_GE(shape.bytes(), kLeastChunkBytes);
  // One station of every realization: its block of 8 of the 300 gauges.
  EXPECT_LE(shape.stations * 10, 300U);
}

TEST(FlowChunkShape, SplitsTheGaugesEvenlyAndKeepsWithinTheFile) {
  EXPECT_EQ(flow_chunk_shape(41, 600, 5).stations, 5U);  // the example system: one block
  EXPECT_EQ(flow_chunk_shape(41, 600, 9).stations, 5U);  // two blocks of 5 and 4, not 8 and 1
  EXPECT_EQ(flow_chunk_shape(41, 600, 16).stations, 8U);
  EXPECT_EQ(flow_chunk_shape(41, 600, 17).stations, 6U);
  // R stays within the realizations of the file, and is 1 at least.
  EXPECT_EQ(flow_chunk_shape(3, 12, 5).realizations, 3U);
  EXPECT_EQ(flow_chunk_shape(1, 2400, 300).realizations, 1U);
  // Short sequences take more realizations to make a chunk of 256 KiB.
  const FlowChunkShape short_years = flow_chunk_shape(100000, 12, 300);
  EXPECT_GE(short_years.bytes(), kLeastChunkBytes);
  EXPECT_LT(short_years.bytes(), kLeastChunkBytes + 12 * 8 * sizeof(float));
}

TEST(FlowChunkRow, HoldsEachChunkAsOneContiguousArray) {
  // 3 realizations per chunk, 2 months, 5 gauges in blocks of 3 and 2; a last row of 2.
  const FlowChunkShape shape{3, 2, 3};
  FlowChunkRow row(shape, 5);
  ASSERT_EQ(row.blocks(), 2U);
  EXPECT_EQ(row.stations(0), 3U);
  EXPECT_EQ(row.stations(1), 2U);
  EXPECT_EQ(row.first_station(1), 3U);
  const auto flows_of = [](int r) {
    std::vector<float> flow;
    for (int t = 0; t < 2; ++t)
      for (int g = 0; g < 5; ++g) flow.push_back(static_cast<float>(100 * r + 10 * t + g));
    return flow;
  };
  row.begin(2);
  EXPECT_EQ(row.count(), 2U);
  for (int r = 0; r < 2; ++r) row.place(static_cast<std::size_t>(r), flows_of(r).data());
  // Block 0: (realization, month, station 0..2); block 1: stations 3..4.
  const std::vector<float> first(row.chunk(0), row.chunk(0) + 2 * 2 * 3);
  EXPECT_EQ(first, (std::vector<float>{0, 1, 2, 10, 11, 12, 100, 101, 102, 110, 111, 112}));
  const std::vector<float> second(row.chunk(1), row.chunk(1) + 2 * 2 * 2);
  EXPECT_EQ(second, (std::vector<float>{3, 4, 13, 14, 103, 104, 113, 114}));
}

}  // namespace
}  // namespace flowplex
