// The event log: one line per event, shared by all service threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "unique_fd.h"

namespace devsim {

struct EventLog {
  UniqueFd fd;  // invalid: events go to standard output
  std::mutex mutex;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// Opens `path` for appending; returns false (with errno set) when it cannot.
bool open_event_log(EventLog& log, const std::string& path);

// Writes "SECONDS.MILLIS EVENT\n" in one write so lines of different threads never mix.
void log_event(EventLog& log, std::string_view event);

// Also writes the event to standard error: for failures a person should see.
void log_error(EventLog& log, std::string_view event);

// Hex of the first `limit` bytes, with "..." appended when there were more.
std::string hex_preview(std::string_view bytes, std::size_t limit = 256);

// The bytes as a C-like quoted text: "S0\r", non-printables as \xHH.
std::string quoted_text(std::string_view bytes, std::size_t limit = 128);

// 64-bit FNV-1a, updated piece by piece, so tests can check large transfers cheaply.
inline constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ULL;
std::uint64_t fnv1a64(std::uint64_t hash, std::string_view bytes);

}  // namespace devsim
