#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "file_input.h"
#include "platform/unique_fd.h"

namespace vornctl {

FileInput read_small_file(const std::string& path, std::size_t limit) {
  FileInput in;
  // Not blocking: a FIFO would otherwise hold the open until a writer came.
  const vornen::platform::UniqueFd file(
      ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!file.valid()) return {FileStatus::CannotOpen, {}, errno};
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {FileStatus::NotRegular, {}, 0};
  if (static_cast<std::size_t>(st.st_size) > limit) return {FileStatus::TooLarge, {}, 0};
  char block[16384];
  for (;;) {
    const ssize_t n = ::read(file.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {FileStatus::CannotRead, {}, errno};
    if (n == 0) return in;
    in.content.append(block, static_cast<std::size_t>(n));
    // The file may have grown since it was measured.
    if (in.content.size() > limit) return {FileStatus::TooLarge, {}, 0};
  }
}

}  // namespace vornctl
