#pragma once
// Work spread over threads, results taken in order: make(k) for k = 1..n runs on a pool
// of threads that each take the next k from a shared counter, and deliver(k, result)
// runs on the calling thread strictly in order of k. Whatever the number of threads,
// delivery sees exactly what one thread would have made, in the same order.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace flowplex {

// At most this many results per thread wait for delivery: a thread that runs ahead
// waits, which bounds the memory the waiting results hold.
inline constexpr int kResultsAheadPerThread = 2;

namespace detail {

// The results made and not yet delivered, shared between the makers and the deliverer.
// Only k up to `ahead` past the last delivered are made, so a ring of `ahead` slots holds
// them all, however large n is.
template <typename Result>
class OrderedResults {
 public:
  explicit OrderedResults(int ahead) : slots_(static_cast<std::size_t>(ahead)), ahead_(ahead) {}

  // Waits until k may be made (not too far ahead of delivery); false once stopping.
  bool wait_for_room(int k) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopping_ || k <= delivered_ + ahead_; });
    return !stopping_;
  }
  void put(int k, Result result) { settle(k, [&](Slot& slot) { slot.result.emplace(std::move(result)); }); }
  void fail(int k, std::exception_ptr fault) { settle(k, [&](Slot& slot) { slot.fault = std::move(fault); }); }

  // Waits for k's result and hands it over; rethrows what its making threw.
  Result take(int k) {
    std::unique_lock lock(mutex_);
    Slot& slot = slot_of(k);
    changed_.wait(lock, [&] { return slot.result || slot.fault; });
    if (slot.fault) std::rethrow_exception(slot.fault);
    Result result = std::move(*slot.result);
    slot.result.reset();
    return result;
  }
  void delivered(int k) {
    {
      const std::lock_guard lock(mutex_);
      delivered_ = k;
    }
    changed_.notify_all();
  }
  // No more k is begun; the makers finish the one in hand.
  void stop() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
  }

 private:
  struct Slot {
    std::optional<Result> result;
    std::exception_ptr fault;
  };
  Slot& slot_of(int k) { return slots_[static_cast<std::size_t>((k - 1) % ahead_)]; }
  template <typename F>
  void settle(int k, F f) {
    {
      const std::lock_guard lock(mutex_);
      f(slot_of(k));
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  int ahead_;
  int delivered_ = 0;
  bool stopping_ = false;
};

// Stops the makers however delivery ends, so that none begins more work.
template <typename Result>
class StopWhenDone {
 public:
  explicit StopWhenDone(OrderedResults<Result>& results) : results_(results) {}
  ~StopWhenDone() { results_.stop(); }
  StopWhenDone(const StopWhenDone&) = delete;
  StopWhenDone& operator=(const StopWhenDone&) = delete;

 private:
  OrderedResults<Result>& results_;
};

}  // namespace detail

// make(k) -> Result runs on `threads` threads (1: on the calling thread, each k made and
// delivered before the next is begun); deliver(k, Result&&) on the calling thread, in
// order of k. When make(k) or deliver(k) throws, the results before k have been
// delivered, every thread is joined, and the exception leaves in_order.
template <typename Make, typename Deliver>
void in_order(int n, int threads, Make make, Deliver deliver) {
  using Result = decltype(make(1));
  if (threads <= 1 || n <= 1) {
    for (int k = 1; k <= n; ++k) deliver(k, make(k));
    return;
  }
  detail::OrderedResults<Result> results(threads * kResultsAheadPerThread);
  std::atomic<int> next{1};
  const auto work = [&] {
    for (int k = next++; k <= n && results.wait_for_room(k); k = next++) {
      try {
        results.put(k, make(k));
      } catch (...) {
        results.fail(k, std::current_exception());
      }
    }
  };
  std::vector<std::jthread> pool;  // joined before results and next go, however this ends
  const detail::StopWhenDone<Result> stop_when_done(results);
  for (int t = 0; t < std::min(threads, n); ++t) pool.emplace_back(work);
  for (int k = 1; k <= n; ++k) {
    deliver(k, results.take(k));
    results.delivered(k);
  }
}

// work(k) for k = 1..n on `threads` threads, for work in which each k writes only its
// own part of the data; when it returns, every k is done.
template <typename Work>
void side_by_side(int n, int threads, Work work) {
  in_order(
      n, threads,
      [&](int k) {
        work(k);
        return true;
      },
      [](int, bool) {});
}

}  // namespace flowplex
