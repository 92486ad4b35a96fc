// One row of set --from run by a vornctl process of its own, on Windows,
// which cannot fork a worker: the parent starts vornctl.exe again with these
// words, and the worker writes the library's result on its standard output.
// The words are vornctl's own business, never typed by a user, and stay out
// of the command table and the help.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vornctl {

inline constexpr char kRowWorkerWord[] = "--row-worker";

struct RowWork {
  std::string mac;
  std::string address;
  int host_bits = 8;
  bool force = false;
  std::string label;      // the trace's name for the row: "line 3"
  std::string timeout;    // --timeout as given, or empty
  std::string interface;  // --interface as given, or empty
  bool trace = false;
};

// The words after the program's name, kRowWorkerWord first.
std::vector<std::string> row_worker_words(const RowWork& work);
// The work the words name; nullopt when they are not a worker's.
std::optional<RowWork> read_row_worker_words(const std::vector<std::string>& words);

// In the worker: opens the library, runs the row as a batch worker does
// (the lock, the checks again, the assignment) and returns its result.
int run_row(const RowWork& work);

}  // namespace vornctl
