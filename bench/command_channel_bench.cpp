// The command channel against what the wire allows: the throughput of
// En_SendRecvStr for a large reply beside a plain socket loop that reads the
// same reply from the same peer in the same run, and the wall time of a small
// command against the protocol floor (20 ms connect pause, 10 ms pause after
// sending, one round trip). Runs in a test bed (root); prints figures and
// asserts nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "VornEN.h"
#include "platform/platform.h"
#include "testbed/testbed.h"
#include "timing.h"

namespace {

using bench::Clock;
using bench::median;
using bench::ms_since;

constexpr const char* kDevice = "192.168.16.100";
constexpr std::uint16_t kCommandPort = 14001;
constexpr double kFixedPausesMs = 20 + 10;

// The real backend with its receives counted, to show how the reply came.
long g_reads = 0;
vornen::platform::Operations counted_backend() {
  vornen::platform::Operations ops = vornen::platform::native();
  ops.recv = [](vornen::platform::Socket s, void* buffer, int capacity) {
    ++g_reads;
    return vornen::platform::native().recv(s, buffer, capacity);
  };
  return ops;
}

// The device's command port: "BIG\r" is answered with the large reply,
// anything else ending in CR with "PONG\r". The peer then waits for the other
// side to close, as a device would.
class CommandPeer {
 public:
  CommandPeer(const testbed::TestBed& bed, const std::string& ns, const std::string& big)
      : big_(big) {
    std::atomic<int> state{0};
    thread_ = bed.thread_in(ns, [this, &state] { serve(state); });
    while (state == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ok_ = state == 1;
  }
  ~CommandPeer() {
    stop_ = true;
    thread_.join();
  }
  bool ok() const { return ok_; }

 private:
  void serve(std::atomic<int>& state) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(kCommandPort);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 ||
        ::listen(fd, 4) != 0) {
      state = 2;
      return;
    }
    state = 1;
    while (!stop_) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const int conn = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (conn >= 0) answer(conn);
    }
    ::close(fd);
  }

  void answer(int conn) {
    std::string command;
    char chunk[256];
    while (command.find('\r') == std::string::npos) {
      const ssize_t n = ::recv(conn, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      command.append(chunk, static_cast<std::size_t>(n));
    }
    const std::string& reply = command == "BIG\r" ? big_ : pong_;
    std::size_t sent = 0;
    while (sent < reply.size()) {
      const ssize_t n = ::send(conn, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    while (::recv(conn, chunk, sizeof chunk, 0) > 0) {
    }
    ::close(conn);
  }

  const std::string& big_;
  const std::string pong_ = "PONG\r";
  std::thread thread_;
  std::atomic<bool> stop_{false};
  bool ok_ = false;
};

int connect_plain() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(kCommandPort);
  ::inet_pton(AF_INET, kDevice, &to.sin_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The plain loop: send the command, read straight into the caller's buffer
// until the CR. Returns the bytes read, or -1.
long plain_exchange(int fd, const char* command, char* buffer, std::size_t capacity) {
  if (::send(fd, command, std::strlen(command), MSG_NOSIGNAL) < 0) return -1;
  std::size_t got = 0;
  while (got < capacity) {
    const ssize_t n = ::recv(fd, buffer + got, capacity - got, 0);
    if (n <= 0) return -1;
    const bool done = std::memchr(buffer + got, '\r', static_cast<std::size_t>(n)) != nullptr;
    got += static_cast<std::size_t>(n);
    if (done) break;
  }
  return static_cast<long>(got);
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 256;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (!testbed::available() || megabytes < 1 || megabytes > 1500 || rounds < 1 || rounds > 50) {
    std::fprintf(stderr,
                 "usage: command_channel_bench [REPLY_MB 1..1500 [ROUNDS 1..50]], as root\n");
    return 1;
  }
  const std::size_t size = static_cast<std::size_t>(megabytes) << 20;
  std::string big(size - 1, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('A' + i % 26);
  big += '\r';

  testbed::TestBed bed;
  const testbed::Device device = bed.add_device("00-20-4A-8D-72-33", std::string(kDevice) + "/24");
  CommandPeer peer(bed, device.ns, big);
  if (!peer.ok()) {
    std::fprintf(stderr, "the command port could not listen\n");
    return 1;
  }
  testbed::TestBed::InPc in_pc(bed);
  if (En_Open() != 0) {
    std::fprintf(stderr, "En_Open failed\n");
    return 1;
  }

  const vornen::platform::Operations counted = counted_backend();
  vornen::platform::use(&counted);
  std::vector<char> buffer(size);
  std::vector<double> library_ms, plain_ms;
  bool intact = true;
  for (int round = 0; round < rounds; ++round) {
    // Alternate, so that both see the same conditions of the machine.
    auto length = static_cast<std::int32_t>(size);
    auto start = Clock::now();
    const int r = En_SendRecvStr(kDevice, "BIG\r", 4, buffer.data(), &length, '\r');
    library_ms.push_back(ms_since(start));
    intact = intact && r == 0 && static_cast<std::size_t>(length) == size &&
             std::memcmp(buffer.data(), big.data(), size) == 0;

    const int fd = connect_plain();
    if (fd < 0) return 1;
    start = Clock::now();
    const long got = plain_exchange(fd, "BIG\r", buffer.data(), size);
    plain_ms.push_back(ms_since(start));
    ::close(fd);
    intact = intact && got == static_cast<long>(size);
  }

  const long reads_per_reply = g_reads / rounds;
  std::vector<double> call_ms, trip_ms;
  for (int i = 0; i < 30; ++i) {
    char reply[16];
    std::int32_t length = sizeof reply;
    auto start = Clock::now();
    const int r = En_SendRecvStr(kDevice, "PING\r", 5, reply, &length, '\r');
    call_ms.push_back(ms_since(start));
    intact = intact && r == 0 && length == 5;

    start = Clock::now();
    const int fd = connect_plain();
    if (fd < 0) return 1;
    const long got = plain_exchange(fd, "PING\r", reply, sizeof reply);
    ::close(fd);
    trip_ms.push_back(ms_since(start));
    intact = intact && got == 5;
  }
  En_Close();
  vornen::platform::use(nullptr);

  // The library's call holds the two fixed pauses of the protocol; the
  // transfer is what is left.
  const double library = median(library_ms) - kFixedPausesMs;
  const double plain = median(plain_ms);
  const double mb = static_cast<double>(size) / (1 << 20);
  std::printf("reply of %.0f MB, median of %d rounds\n", mb, rounds);
  std::printf("  En_SendRecvStr: %.1f ms call, %.1f ms without the 30 ms of pauses, %.0f MB/s\n",
              median(library_ms), library, mb / library * 1000);
  std::printf("  %ld reads per reply, %.0f KB each on average\n", reads_per_reply,
              static_cast<double>(size) / static_cast<double>(reads_per_reply) / 1024);
  std::printf("  plain socket loop: %.1f ms, %.0f MB/s\n", plain, mb / plain * 1000);
  std::printf("  throughput ratio %.3f (goal >= 0.8); whole-call ratio %.3f\n", plain / library,
              plain / median(library_ms));

  const double floor = kFixedPausesMs + median(trip_ms);
  std::printf("small command, median of 30\n");
  std::printf("  En_SendRecvStr %.2f ms; floor %.2f ms (20 + 10 + round trip %.2f ms)\n",
              median(call_ms), floor, median(trip_ms));
  std::printf("  ratio to floor %.3f (goal <= 1.1)\n", median(call_ms) / floor);
  if (!intact) std::printf("WARNING: a reply did not arrive whole\n");
  return intact ? 0 : 1;
}
