// The tool's system layer on Linux: dlopen, UTF-8 texts through iconv, and
// the process's capabilities and adapters.
#include <arpa/inet.h>
#include <dlfcn.h>
#include <iconv.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "neighbour_right.h"
#include "platform.h"

namespace setvornip {

namespace {

constexpr char kLibraryName[] = "libVornEN.so.1";
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// The folder that holds this program, or empty.
std::string ProgramFolder() {
  char path[4096];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  const std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/'));
}

// Converts between encodings with iconv; a sequence that does not convert
// becomes `replacement` and the conversion goes on behind it.
std::string Convert(const char* to, const char* from, const char* bytes, std::size_t count,
                    std::size_t unit, std::string_view replacement) {
  std::string out;
  const iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  char* in = const_cast<char*>(bytes);
  std::size_t in_left = count;
  char buffer[256];
  while (in_left > 0) {
    char* next = buffer;
    std::size_t out_left = sizeof buffer;
    const std::size_t done = ::iconv(cd, &in, &in_left, &next, &out_left);
    out.append(buffer, static_cast<std::size_t>(next - buffer));
    if (done != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // An invalid or cut-off sequence: skip one unit of it.
    out.append(replacement);
    const std::size_t skip = in_left < unit ? in_left : unit;
    in += skip;
    in_left -= skip;
  }
  ::iconv_close(cd);
  return out;
}

}  // namespace

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

SharedLibrary SharedLibrary::Load(const std::string& file) {
  SharedLibrary library;
  library.handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  return library;
}

void* SharedLibrary::Find(const char* name) const {
  return handle_ != nullptr ? ::dlsym(handle_, name) : nullptr;
}

LibraryFile DefaultLibraryFile() {
  // secure_getenv: a program given extra rights ignores the variable, so it
  // cannot be made to load foreign code.
  const char* chosen = ::secure_getenv("VORNEN_LIBRARY");
  if (chosen != nullptr && *chosen != '\0') {
    return {FromLibraryText(chosen, std::strlen(chosen)), {chosen}};
  }
  LibraryFile file{u"libVornEN.so.1", {}};
  // The installed layout first: the library folder beside the program folder.
  const std::string folder = ProgramFolder();
  if (!folder.empty()) {
    file.tried.push_back(folder + "/" SETVORNIP_LIBDIR_FROM_BINDIR "/" + kLibraryName);
  }
  file.tried.emplace_back(kLibraryName);
  return file;
}

std::string ToLibraryText(std::u16string_view text) {
  return Convert("UTF-8", kUtf16, reinterpret_cast<const char*>(text.data()),
                 text.size() * sizeof(char16_t), sizeof(char16_t), "?");
}

std::u16string FromLibraryText(const char* bytes, std::size_t count) {
  constexpr char16_t kReplacement[] = u"\uFFFD";
  const std::string units =
      Convert(kUtf16, "UTF-8", bytes, count, 1,
              std::string_view(reinterpret_cast<const char*>(kReplacement), sizeof(char16_t)));
  std::u16string text(units.size() / sizeof(char16_t), u'\0');
  std::memcpy(text.data(), units.data(), text.size() * sizeof(char16_t));
  return text;
}

std::u16string MissingRightNotice() {
  // When the question cannot be asked, say nothing rather than warn wrongly.
  if (vornen::platform::neighbour_right() != vornen::platform::NeighbourRight::Missing) return {};
  return u"　注意：ARP表を書き換える権限（CAP_NET_ADMIN）がないため、設定できない恐れがある";
}

std::vector<Adapter> UsableAdapters() {
  std::vector<Adapter> adapters;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return adapters;
  for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    if ((a->ifa_flags & (IFF_LOOPBACK | IFF_POINTOPOINT)) != 0) continue;
    char address[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    ::inet_ntop(AF_INET, &in->sin_addr, address, sizeof address);
    adapters.push_back({FromLibraryText(a->ifa_name, std::strlen(a->ifa_name)),
                        FromLibraryText(address, std::strlen(address))});
  }
  ::freeifaddrs(list);
  return adapters;
}

void ChooseAdapter(std::u16string_view name) {
  ::setenv("VORNEN_INTERFACE", ToLibraryText(name).c_str(), 1);
}

}  // namespace setvornip
