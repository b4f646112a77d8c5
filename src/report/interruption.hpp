#pragma once
// A run stopped by SIGINT or SIGTERM leaves nothing half-written: the temporary files and
// folders it is making, and the folders it made for them, are registered here while they
// exist; a watcher thread takes the signal, removes them, writes one console line and ends
// the process with 128 + the signal's number. Files already under their final names stay as
// they are, and a signal that comes while files take their final names waits for them.
#include <mutex>
#include <string>

namespace flowplex::interruption {

// Blocks SIGINT and SIGTERM in the calling thread, and so in every thread it starts
// afterwards, and starts the watcher. Called once, first thing in main.
void watch();

// A temporary file or folder, removed whole on interruption until it is dropped.
void add_temporary(const std::string& path);
// Makes a temporary file by mkstemp(pattern) and registers it in one step, so that an
// interruption cannot fall between the two and leave it behind. Returns mkstemp's result.
int make_temporary(char* pattern);
void drop_temporary(const std::string& path);
// A folder the run made, removed on interruption if nothing else is left in it.
void add_made_folder(const std::string& path);

// Held while finished files take their final names: an interruption waits until the
// renames are done, so that no export is left half renamed.
[[nodiscard]] std::unique_lock<std::mutex> hold_for_final_names();

}  // namespace flowplex::interruption
