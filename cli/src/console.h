// The process's standard streams and the terminal or console behind them,
// where the systems differ: posix_console.cpp and win_console.cpp.
#pragma once

#include <string>

namespace vornctl {

inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

// Before anything opens a descriptor or writes. On Linux: takes 0, 1 and 2
// with /dev/null when the caller left them closed, read-only, so that no
// socket of the library becomes "standard output" and receives the
// program's output, and writes to a closed standard output still fail. On
// Windows: standard output and error carry bytes unchanged (no "\r" added
// before "\n", so that JSON and --raw are the same bytes as on Linux), and a
// console shows them as UTF-8.
void prepare_standard_streams();

// Whether the descriptor is a terminal (a console on Windows; not the NUL
// device, which the C runtime also calls a character device).
bool is_terminal(int fd);

// Sets a variable of the process's environment, where the library reads it.
void set_environment(const char* name, const std::string& value);

// The system's text for an error code of its own (errno on Linux, a
// GetLastError code on Windows).
std::string system_error_text(int code);

}  // namespace vornctl
