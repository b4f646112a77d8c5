#pragma once
// A long call made on a thread of its own while the interpreter's thread waits, so that
// Python keeps running its signal handlers: a Ctrl-C asks the call to stop through its
// stop token, and the KeyboardInterrupt is raised once the call has let go of its work.
#include <pybind11/pybind11.h>

#include <chrono>
#include <exception>
#include <future>
#include <stop_token>
#include <thread>

namespace flowplex::python {

// How often the waiting thread takes the interpreter's lock to run its signal handlers.
inline constexpr std::chrono::milliseconds kSignalPoll{50};

// Runs work(stop) without the interpreter's lock; returns what it returns, or rethrows
// what it threw. A signal whose handler raises (Ctrl-C's KeyboardInterrupt) requests the
// stop, waits for the work to end and raises that exception instead.
template <typename Work>
auto interruptible(Work work) -> decltype(work(std::stop_token{})) {
  std::stop_source stop;
  std::packaged_task<decltype(work(std::stop_token{}))(std::stop_token)> task(std::move(work));
  auto result = task.get_future();
  bool interrupted = false;
  {
    pybind11::gil_scoped_release released;
    std::thread worker([&task, token = stop.get_token()] { task(token); });
    while (result.wait_for(kSignalPoll) != std::future_status::ready) {
      pybind11::gil_scoped_acquire held;
      if (PyErr_CheckSignals() != 0) {
        interrupted = true;
        stop.request_stop();
        break;
      }
    }
    worker.join();
  }
  if (interrupted) throw pybind11::error_already_set();
  return result.get();
}

}  // namespace flowplex::python
