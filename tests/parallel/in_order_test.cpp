#include "parallel/in_order.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace flowplex {
namespace {

// Later items finish first: without the ordering, delivery would see them first.
std::string made_late_first(int k, int n) {
  std::this_thread::sleep_for(std::chrono::microseconds(50 * (n - k)));
  return "item " + std::to_string(k);
}

TEST(InOrder, DeliversEveryItemInOrderWhateverTheThreads) {
  constexpr int n = 41;
  for (const int threads : {1, 2, 4, 7, 64}) {
    std::vector<std::string> delivered;
    in_order(n, threads, [&](int k) { return made_late_first(k, n); },
             [&](int k, std::string item) {
               EXPECT_EQ(item, "item " + std::to_string(k));
               delivered.push_back(std::move(item));
             });
    ASSERT_EQ(delivered.size(), static_cast<std::size_t>(n)) << threads;
    for (int k = 1; k <= n; ++k) EXPECT_EQ(delivered[static_cast<std::size_t>(k - 1)], "item " + std::to_string(k));
  }
}

// Items 30 and 35 fail, 35 first in time: the failure reported is 30's, after items
// 1 to 29 and nothing else, and no thread is left making items.
TEST(InOrder, FirstFailureInOrderEndsTheWork) {
  constexpr int n = 41;
  for (const int threads : {1, 4}) {
    std::atomic<int> running{0};
    std::vector<int> delivered;
    const auto make = [&](int k) {
      ++running;
      std::this_thread::sleep_for(std::chrono::microseconds(k == 30 ? 2000 : 10));
      --running;
      if (k == 30 || k == 35) throw std::runtime_error("item " + std::to_string(k));
      return k;
    };
    try {
      in_order(n, threads, make, [&](int k, int item) {
        EXPECT_EQ(item, k);
        delivered.push_back(k);
      });
      ADD_FAILURE() << "no failure reported";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "item 30") << threads;
    }
    EXPECT_EQ(delivered.size(), 29U) << threads;
    EXPECT_EQ(running.load(), 0) << threads;
  }
}

// A delivery that fails ends the work the same way.
TEST(InOrder, FailedDeliveryEndsTheWork) {
  std::atomic<int> made{0};
  EXPECT_THROW(in_order(41, 4, [&](int k) { return ++made, k; },
                        [](int k, int) {
                          if (k == 3) throw std::runtime_error("delivery 3");
                        }),
               std::runtime_error);
  // Only a bounded stretch beyond the failed delivery was made.
  EXPECT_LE(made.load(), 3 + 4 * kResultsAheadPerThread);
}

}  // namespace
}  // namespace flowplex
