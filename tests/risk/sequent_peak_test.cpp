// The one-pass storages against the statistics test's own sequent-peak routine, on the
// flows a real run generates for the example river system and on its historic records:
// equal bit for bit at every yield level.
#include "risk/sequent_peak.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "run/phases.hpp"
#include "run/run.hpp"
#include "stats_test/storage_yield.hpp"
#include "test_support.hpp"

namespace flowplex {
namespace {

StorageCurve by_brutog(int NY, std::span<const float> x, float MAR) {
  StorageYield out;
  int count = 0;
  brutog(NY, x, MAR, out, count);
  return out.storage;
}

void expect_same_bits(const StorageCurve& fast, const StorageCurve& slow, const std::string& where) {
  for (std::size_t L = 0; L < kYieldLevels; ++L)
    EXPECT_EQ(std::bit_cast<std::uint32_t>(fast[L]), std::bit_cast<std::uint32_t>(slow[L]))
        << where << " level " << L + 1 << ": " << fast[L] << " against " << slow[L];
}

class GeneratedFlows : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    for (const auto& f : fs::directory_iterator(fs::path(FLOWPLEX_SOURCE_DIR) / "examples"))
      fs::copy_file(f.path(), dir_.path() / f.path().filename());
    // Fifty rigorous years of all five gauges, no analysis: the store keeps the flows.
    std::istringstream in("50\n0\n1\n2\n3\n4\n5\n0\n\nHIS\nHIS\nHIS\nHIS\nHIS\n4\n4\n4\n4\n4\n");
    std::ostringstream out;
    Console con(in, out);
    Channels ch;
    ASSERT_EQ(run_flowplex(*s_, con, ch), ExitStatus::Success);
  }
  testing::ScratchDir dir_;
  std::unique_ptr<Store> s_ = make_store();
};

TEST_F(GeneratedFlows, OnePassGivesBrutogsStoragesBitForBit) {
  const int NYS = s_->RUN.NYS;
  for (int k = 1; k <= s_->RUN.NSEL; ++k) {
    const float own = s_->HIST.HISTYR.span(s_->HIST.NYHIST(k), 1, k)[0];  // a MAR of the gauge's size
    for (const float MAR : {own, 0.5F * own, 3.0F * own, 123.456F})
      for (int seq = 1; seq <= kSequences; ++seq) {
        const auto x = s_->FLOW.FLOW.span(kMonths * NYS, 1, 1, seq, k);
        expect_same_bits(required_storages(NYS, x, MAR), by_brutog(NYS, x, MAR),
                         "slot " + std::to_string(k) + " sequence " + std::to_string(seq));
      }
  }
}

TEST_F(GeneratedFlows, OnePassGivesBrutogsStoragesOnTheHistoricRecords) {
  for (int k = 1; k <= s_->RUN.NSEL; ++k) {
    std::vector<float> months;
    for (int y = 1; y <= s_->HIST.NYHIST(k); ++y)
      for (int m = 1; m <= kMonths; ++m) months.push_back(s_->HIST.HISTM(y, m, k));
    for (const float MAR : {s_->HIST.HISTYR(1, k), 0.001F, 0.0F})
      expect_same_bits(required_storages(s_->HIST.NYHIST(k), months, MAR), by_brutog(s_->HIST.NYHIST(k), months, MAR),
                       "historic record of slot " + std::to_string(k));
  }
}

}  // namespace
}  // namespace flowplex
