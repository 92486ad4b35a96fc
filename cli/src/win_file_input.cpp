#include "file_input.h"
#include "platform/win_system.h"
#include "win_text.h"

namespace vornctl {

FileInput read_small_file(const std::string& path, std::size_t limit) {
  FileInput in;
  const HANDLE file =
      ::CreateFileW(wide_text(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return {FileStatus::CannotOpen, {}, static_cast<int>(::GetLastError())};
  LARGE_INTEGER size{};
  if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileSizeEx(file, &size)) {
    ::CloseHandle(file);
    return {FileStatus::NotRegular, {}, 0};
  }
  if (static_cast<unsigned long long>(size.QuadPart) > limit) {
    ::CloseHandle(file);
    return {FileStatus::TooLarge, {}, 0};
  }
  char block[16384];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file, block, sizeof block, &n, nullptr)) {
      in = {FileStatus::CannotRead, {}, static_cast<int>(::GetLastError())};
      break;
    }
    if (n == 0) break;
    in.content.append(block, n);
    // The file may have grown since it was measured.
    if (in.content.size() > limit) {
      in = {FileStatus::TooLarge, {}, 0};
      break;
    }
  }
  ::CloseHandle(file);
  return in;
}

}  // namespace vornctl
