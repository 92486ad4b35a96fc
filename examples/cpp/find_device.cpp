// The C example in C++: the library opened for the lifetime of one object,
// texts as std::string, failures as exceptions.
//
//   find_device_cpp MAC [COMMAND]
//
// Build against the installed library with CMake:
//   find_package(VornEN 1.0 REQUIRED)
//   target_link_libraries(find_device_cpp PRIVATE VornEN::VornEN)
#include <VornEN.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

void check(const char* call, int32_t code) {
  if (code != 0)
    throw std::runtime_error(std::string(call) + " failed with " + std::to_string(code));
}

// En_Open on construction, En_Close on destruction.
class Opened {
 public:
  Opened() { check("En_Open", En_Open()); }
  ~Opened() { En_Close(); }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;

  std::string find(const std::string& mac) const {
    char address[16];
    int32_t capacity = sizeof address;
    check("En_Get_IPAddress", En_Get_IPAddress(mac.c_str(), address, &capacity));
    return std::string(address, static_cast<std::size_t>(capacity));
  }

  std::string ask(const std::string& host, const std::string& command) const {
    const std::string line = command + '\r';
    std::string reply(4096, '\0');
    int32_t size = static_cast<int32_t>(reply.size());
    check("En_SendRecvStr",
          En_SendRecvStr(host.c_str(), line.data(), static_cast<int32_t>(line.size()), reply.data(),
                         &size, '\r'));
    reply.resize(static_cast<std::size_t>(size));
    if (!reply.empty() && reply.back() == '\r') reply.pop_back();
    return reply;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s MAC [COMMAND]\n", argv[0]);
    return 2;
  }
  try {
    const Opened library;
    const std::string address = library.find(argv[1]);
    std::printf("%s is at %s\n", argv[1], address.c_str());
    if (argc == 3) std::printf("reply: %s\n", library.ask(address, argv[2]).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
