// A small regular file read whole. The systems differ in how a path is
// opened (posix_file_input.cpp; win_file_input.cpp takes the UTF-8 path to
// Windows' UTF-16 one), not in what is refused.
#pragma once

#include <cstddef>
#include <string>

namespace vornctl {

enum class FileStatus { Read, CannotOpen, NotRegular, TooLarge, CannotRead };

struct FileInput {
  FileStatus status = FileStatus::Read;
  std::string content;
  int error = 0;  // the system's code, for CannotOpen and CannotRead
};

// Reads `path` when it is a regular file of at most `limit` bytes. A FIFO or
// a device is refused, never waited on.
FileInput read_small_file(const std::string& path, std::size_t limit);

}  // namespace vornctl
