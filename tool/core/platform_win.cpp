// The tool's system layer on Windows: LoadLibraryA, whose search starts in
// the program's own folder, and texts in the ANSI code page.
#include <windows.h>

#include <utility>

#include "platform.h"

namespace setvornip {

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

SharedLibrary SharedLibrary::Load(const std::string& file) {
  SharedLibrary library;
  library.handle_ = ::LoadLibraryA(file.c_str());
  return library;
}

void* SharedLibrary::Find(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

LibraryFile DefaultLibraryFile() { return {u"VornEN.dll", {"VornEN.dll"}}; }

std::string ToLibraryText(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, units, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::u16string FromLibraryText(const char* bytes, std::size_t count) {
  if (count == 0) return {};
  const int length = static_cast<int>(count);
  const int size = ::MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
  std::u16string text(static_cast<std::size_t>(size), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes, length, reinterpret_cast<wchar_t*>(text.data()), size);
  return text;
}

// The library's "arp -s" needs an elevated process on Windows; whether it
// ran is not known to the tool, so it warns of nothing here.
bool LacksNeighbourTableRight() { return false; }

}  // namespace setvornip
