#pragma once
// A writer thread beside the generation: the jobs posted to it (compressing, formatting
// and writing one sequence) run one after another, in order, while the run goes on. A
// few jobs may wait; posting more waits for room, which bounds the memory they hold.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace flowplex {

class BackgroundWriter {
 public:
  explicit BackgroundWriter(std::size_t waiting_at_most);
  // Discards the jobs still waiting and waits for the one running.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Once a job has failed, later jobs are dropped: the failure is reported by finish().
  void post(std::function<void()> job);
  // Waits until every job has run; rethrows the first failure of a job.
  void finish();

 private:
  void work();
  void stop();

  std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool running_job_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace flowplex
