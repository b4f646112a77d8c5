#include "export/background.hpp"

namespace flowplex {

BackgroundWriter::BackgroundWriter(std::size_t waiting_at_most)
    : capacity_(waiting_at_most), thread_([this] { work(); }) {}

BackgroundWriter::~BackgroundWriter() { stop(); }

void BackgroundWriter::post(std::function<void()> job) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return jobs_.size() < capacity_ || failure_; });
  if (failure_) return;
  jobs_.push_back(std::move(job));
  changed_.notify_all();
}

void BackgroundWriter::finish() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return (jobs_.empty() && !running_job_) || failure_; });
  }
  stop();
  if (failure_) std::rethrow_exception(failure_);
}

void BackgroundWriter::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !jobs_.empty() || stopping_; });
    if (stopping_) return;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    running_job_ = true;
    lock.unlock();
    std::exception_ptr failed;
    try {
      job();
    } catch (...) {
      failed = std::current_exception();
    }
    lock.lock();
    running_job_ = false;
    if (failed && !failure_) {
      failure_ = failed;
      jobs_.clear();
    }
    changed_.notify_all();
  }
}

void BackgroundWriter::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    jobs_.clear();
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

}  // namespace flowplex
