#ifndef SETVORNIP_CORE_PLATFORM_H
#define SETVORNIP_CORE_PLATFORM_H

// What the tool needs of the operating system besides its window, one file
// per system: platform_posix.cpp (dlopen) and platform_win.cpp
// (LoadLibraryExW), picked by the build.

#include <string>
#include <string_view>
#include <vector>

namespace setvornip {

// A loaded shared library, unloaded when the object goes.
class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary();
  SharedLibrary(SharedLibrary&& other) noexcept;
  SharedLibrary& operator=(SharedLibrary&& other) noexcept;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads a file by its path or, for a bare file name, through the system's
  // search for shared libraries; an empty object when it cannot.
  static SharedLibrary Load(const std::string& file);
  bool Loaded() const { return handle_ != nullptr; }
  // The address of an export, or nullptr.
  void* Find(const char* name) const;

 private:
  void* handle_ = nullptr;
};

// Where the tool looks for the library: the files tried in turn, and the
// name the log gives it when none can be loaded.
struct LibraryFile {
  std::u16string shown;
  std::vector<std::string> tried;
};

// The library as this system names it, or the file that VORNEN_LIBRARY
// names (which tests point at a stand-in).
LibraryFile DefaultLibraryFile();

// Texts cross to the library as 8-bit copies in the system's multibyte code
// page (the ANSI code page on Windows, UTF-8 on Linux), and come back so.
std::string ToLibraryText(std::u16string_view text);
std::u16string FromLibraryText(const char* bytes, std::size_t count);

// The log line telling the operator that this process lacks the right to
// write the PC's neighbour table, which an address assignment needs; empty
// when it has the right or the question cannot be asked. Linux: the
// capability CAP_NET_ADMIN. Windows: an elevated process token; since Vista
// the system's arp makes no static entry for a process that is not, and asks
// for nothing, so a window started normally (even by an administrator, with
// UAC on) finds devices but its sets time out.
std::u16string MissingRightNotice();

// An IPv4 address of an adapter that the library would use: up, neither
// loopback nor point-to-point. `name` is what VORNEN_INTERFACE and the
// window's --interface take (Linux: the interface name; Windows: the
// adapter's friendly name).
struct Adapter {
  std::u16string name;
  std::u16string address;
};
std::vector<Adapter> UsableAdapters();

// Makes the library of this process use the named adapter (VORNEN_INTERFACE),
// before the library is opened.
void ChooseAdapter(std::u16string_view name);

}  // namespace setvornip

#endif  // SETVORNIP_CORE_PLATFORM_H
