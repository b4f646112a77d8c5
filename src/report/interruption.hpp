#pragma once
// A run stopped by SIGINT or SIGTERM leaves nothing half-written: the temporary files and
// folders it is making, and the folders it made for them, are registered here while they
// exist; a watcher thread takes the signal, removes them, writes one console line and ends
// the process with 128 + the signal's number. Files already under their final names stay as
// they are, and a signal that comes while files take their final names waits for them.
#include <functional>
#include <mutex>
#include <string>

namespace flowplex::interruption {

// Blocks SIGINT and SIGTERM in the calling thread, and so in every thread it starts
// afterwards, and starts the watcher. Called once, first thing in main.
void watch();

// Everything the run makes that an interruption must remove is made and registered in one
// step, under the lock the watcher takes before it removes what is registered: a signal
// cannot fall between the making and the registering and leave it behind.

// Makes a temporary file by mkstemp(pattern), registered to be removed on interruption
// until it is dropped. Returns mkstemp's result.
int make_temporary(char* pattern);
// Makes a temporary folder by mkdtemp(pattern), registered to be removed whole on
// interruption until it is dropped. Returns false, with errno set, when it cannot be made.
bool make_temporary_folder(char* pattern);
void drop_temporary(const std::string& path);
// Makes a folder by mkdir(path), registered to be removed on interruption if nothing else is
// left in it. Returns 0, or mkdir's errno (EEXIST when something stands under the name:
// then nothing is registered).
int make_folder(const std::string& path);
// Runs create() under the same lock, for what makes a file by its name in a registered
// temporary file's place (a library's own create call, with truncation) or folder: the
// watcher takes this lock before it removes anything and never lets it go, so nothing can be
// removed and then made again under its name. create() must not register anything itself.
void create_by_name(const std::function<void()>& create);

// Held while finished files take their final names: an interruption waits until the
// renames are done, so that no export is left half renamed.
[[nodiscard]] std::unique_lock<std::mutex> hold_for_final_names();

}  // namespace flowplex::interruption
