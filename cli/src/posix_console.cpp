#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console.h"

namespace vornctl {

void prepare_standard_streams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor: this one.
    const int held = ::open("/dev/null", O_RDONLY);
    if (held >= 0 && held != fd) ::close(held);
  }
}

bool is_terminal(int fd) { return ::isatty(fd) != 0; }

void set_environment(const char* name, const std::string& value) {
  ::setenv(name, value.c_str(), 1);
}

std::string system_error_text(int code) { return std::strerror(code); }

}  // namespace vornctl
