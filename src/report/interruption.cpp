#include "report/interruption.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

namespace flowplex::interruption {
namespace {

namespace fs = std::filesystem;

struct Leftovers {
  std::mutex final_names;  // held while finished files are renamed
  std::mutex mutex;
  std::unordered_set<std::string> temporaries;  // one per realization of a large CSV export
  std::vector<std::string> made_folders;
};

Leftovers& leftovers() {
  static Leftovers l;
  return l;
}

sigset_t interrupting_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

void remove_leftovers(Leftovers& l) {
  std::error_code ignored;
  for (const std::string& path : l.temporaries) fs::remove_all(path, ignored);
  for (auto f = l.made_folders.rbegin(); f != l.made_folders.rend(); ++f)
    if (fs::is_empty(*f, ignored)) fs::remove(*f, ignored);
}

// The console as the interruption's last line reaches it. From here on whatever another
// thread writes to the console (a prompt being flushed, a progress line) goes nowhere, so
// that nothing can follow that line.
int console_for_last_line() {
  const int console = ::dup(STDOUT_FILENO);
  if (console < 0) return STDOUT_FILENO;
  const int nowhere = ::open("/dev/null", O_WRONLY);
  if (nowhere >= 0) ::dup2(nowhere, STDOUT_FILENO);
  return console;
}

// Written straight to the descriptor: the main thread may be in the middle of a console line.
void say_interrupted(int signal) {
  const std::string_view line = signal == SIGINT ? "\n *** RUN INTERRUPTED BY SIGINT ***\n"
                                                 : "\n *** RUN INTERRUPTED BY SIGTERM ***\n";
  [[maybe_unused]] const ssize_t written = ::write(console_for_last_line(), line.data(), line.size());
}

[[noreturn]] void take_signal() {
  const sigset_t set = interrupting_signals();
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }
  Leftovers& l = leftovers();
  const std::lock_guard renames_done(l.final_names);
  const std::lock_guard lock(l.mutex);
  remove_leftovers(l);
  say_interrupted(signal);
  ::_exit(128 + signal);
}

}  // namespace

void watch() {
  const sigset_t set = interrupting_signals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(take_signal).detach();
}

int make_temporary(char* pattern) {
  const std::lock_guard lock(leftovers().mutex);
  const int fd = ::mkstemp(pattern);
  if (fd >= 0) leftovers().temporaries.insert(pattern);
  return fd;
}

bool make_temporary_folder(char* pattern) {
  const std::lock_guard lock(leftovers().mutex);
  if (::mkdtemp(pattern) == nullptr) return false;
  leftovers().temporaries.insert(pattern);
  return true;
}

void drop_temporary(const std::string& path) {
  const std::lock_guard lock(leftovers().mutex);
  leftovers().temporaries.erase(path);
}

int make_folder(const std::string& path) {
  const std::lock_guard lock(leftovers().mutex);
  if (::mkdir(path.c_str(), 0777) != 0) return errno;
  leftovers().made_folders.push_back(path);
  return 0;
}

void create_by_name(const std::function<void()>& create) {
  const std::lock_guard lock(leftovers().mutex);
  create();
}

std::unique_lock<std::mutex> hold_for_final_names() { return std::unique_lock(leftovers().final_names); }

}  // namespace flowplex::interruption
