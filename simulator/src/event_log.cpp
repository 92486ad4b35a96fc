#include "event_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "address_text.h"

namespace devsim {
namespace {

void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

std::string stamped(const EventLog& log, std::string_view event) {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - log.start)
                           .count();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%lld.%03lld ", static_cast<long long>(elapsed / 1000),
                static_cast<long long>(elapsed % 1000));
  std::string line = stamp;
  line += event;
  line += '\n';
  return line;
}

}  // namespace

bool open_event_log(EventLog& log, const std::string& path) {
  log.fd.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  return log.fd.valid();
}

void log_event(EventLog& log, std::string_view event) {
  const std::string line = stamped(log, event);
  std::lock_guard lock(log.mutex);
  write_all(log.fd.valid() ? log.fd.get() : STDOUT_FILENO, line);
}

void log_error(EventLog& log, std::string_view event) {
  log_event(log, event);
  if (log.fd.valid()) {
    std::string line = "vorn-devsim: ";
    line += event;
    line += '\n';
    write_all(STDERR_FILENO, line);
  }
}

std::string hex_preview(std::string_view bytes, std::size_t limit) {
  if (bytes.size() <= limit) return hex_text(bytes);
  return hex_text(bytes.substr(0, limit)) + "...";
}

std::string quoted_text(std::string_view bytes, std::size_t limit) {
  std::string text = "\"";
  for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\r') {
      text += "\\r";
    } else if (byte == '\n') {
      text += "\\n";
    } else if (byte == '\\' || byte == '"') {
      text += '\\';
      text += static_cast<char>(byte);
    } else if (byte >= 0x20 && byte < 0x7F) {
      text += static_cast<char>(byte);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    }
  }
  text += '"';
  if (bytes.size() > limit) text += "...";
  return text;
}

std::uint64_t fnv1a64(std::uint64_t hash, std::string_view bytes) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

}  // namespace devsim
