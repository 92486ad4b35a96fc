// Small stand-ins for a device, run as threads inside a device namespace of
// the test bed, and what the tests need around them: the simulator started
// and stopped by the test bed, the PC's neighbour table, descriptor and child
// counts for leak checks, and a backend without the fixed pauses.
#pragma once

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <future>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "testbed/run_directory.h"
#include "testbed/testbed.h"

#if VORNEN_HAVE_SIMULATOR
#include "testbed/simulator.h"
#endif

namespace vornen::peers {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline constexpr const char* kDeviceMac = "00-20-4A-8D-72-33";
inline const unsigned char kDeviceMacBytes[6] = {0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33};

// A 30-byte discovery reply carrying `mac` in bytes 24 to 29.
inline std::string discovery_reply(const unsigned char (&mac)[6]) {
  std::string r(24, '\0');
  r[3] = '\xF7';
  r.append(reinterpret_cast<const char*>(mac), 6);
  return r;
}

// Answers every discovery query on UDP 30718 with `replies`, in order, to the
// query's source, after `delay`. Replies may be of any length.
class DiscoveryPeer {
 public:
  DiscoveryPeer(const testbed::TestBed& bed, const std::string& ns,
                std::vector<std::string> replies, std::chrono::milliseconds delay = 0ms)
      : replies_(std::move(replies)), delay_(delay) {
    std::promise<bool> ready;
    auto bound = ready.get_future();
    thread_ = bed.thread_in(ns, [this, &ready] { serve(ready); });
    if (bound.wait_for(3s) != std::future_status::ready || !bound.get()) {
      stop_ = true;
      thread_.join();
      throw std::runtime_error("discovery peer could not bind UDP 30718");
    }
  }
  ~DiscoveryPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  DiscoveryPeer(const DiscoveryPeer&) = delete;
  DiscoveryPeer& operator=(const DiscoveryPeer&) = delete;

  int queries() const { return queries_; }

 private:
  void serve(std::promise<bool>& ready) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(30718);
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
    ready.set_value(ok);
    while (ok && !stop_) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      unsigned char query[64];
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t n =
          ::recvfrom(fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (n != 4 || query[0] != 0 || query[1] != 0 || query[2] != 0 || query[3] != 0xF6) continue;
      ++queries_;
      if (delay_ > 0ms) std::this_thread::sleep_for(delay_);
      for (const auto& r : replies_)
        ::sendto(fd, r.data(), r.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
    if (fd >= 0) ::close(fd);
  }

  std::vector<std::string> replies_;
  std::chrono::milliseconds delay_;
  std::atomic<bool> stop_{false};
  std::atomic<int> queries_{0};
  std::thread thread_;
};

// Listens on TCP 9999 and keeps every connection's received bytes. A talking
// peer greets, answers the first "M" and then reads to the end; a silent one
// only reads.
class SetupPeer {
 public:
  SetupPeer(const testbed::TestBed& bed, const std::string& ns, bool silent = false)
      : silent_(silent) {
    std::promise<bool> ready;
    auto bound = ready.get_future();
    thread_ = bed.thread_in(ns, [this, &ready] { serve(ready); });
    if (bound.wait_for(3s) != std::future_status::ready || !bound.get()) {
      stop_ = true;
      thread_.join();
      throw std::runtime_error("setup peer could not listen on TCP 9999");
    }
  }
  ~SetupPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  SetupPeer(const SetupPeer&) = delete;
  SetupPeer& operator=(const SetupPeer&) = delete;

  // The bytes of each finished connection, waiting up to `limit` for `count`.
  std::vector<std::string> conversations(std::size_t count, std::chrono::milliseconds limit = 3s) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [&] { return done_.size() >= count; });
    return done_;
  }

 private:
  void serve(std::promise<bool>& ready) {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(9999);
    const bool ok = listener >= 0 &&
                    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                    ::bind(listener, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0 &&
                    ::listen(listener, 4) == 0;
    ready.set_value(ok);
    while (ok && !stop_) {
      pollfd p{listener, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::string got = converse(fd);
      ::close(fd);
      std::lock_guard lock(mutex_);
      done_.push_back(std::move(got));
      changed_.notify_all();
    }
    if (listener >= 0) ::close(listener);
  }

  std::string converse(int fd) {
    static constexpr char kGreeting[] = "*** setup ***\r\n";
    static constexpr char kMenu[] = "menu ? ";
    if (!silent_) ::send(fd, kGreeting, sizeof kGreeting - 1, MSG_NOSIGNAL);
    std::string got;
    bool answered = false;
    const auto deadline = Clock::now() + 5s;
    while (!stop_ && Clock::now() < deadline) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      char buffer[512];
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
      if (!silent_ && !answered && got.find('M') != std::string::npos) {
        ::send(fd, kMenu, sizeof kMenu - 1, MSG_NOSIGNAL);
        answered = true;
      }
    }
    return got;
  }

  bool silent_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> done_;
  std::thread thread_;
};

// The output of `ip -n NS args...`.
inline std::string ip_output(const std::string& ns, const std::vector<std::string>& args) {
  std::string path = "/usr/sbin/ip";
  for (const char* p : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
    if (::access(p, X_OK) == 0) {
      path = p;
      break;
    }
  std::vector<std::string> argv = {path, "-n", ns};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string out;
  testbed::run(argv, &out);
  return out;
}

// Child processes of this process, zombies included.
inline int child_processes() {
  int count = 0;
  DIR* d = ::opendir("/proc/self/task");
  if (d == nullptr) return -1;
  while (dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    std::ifstream children(std::string("/proc/self/task/") + e->d_name + "/children");
    std::string pid;
    while (children >> pid) ++count;
  }
  ::closedir(d);
  return count;
}

// The real backend without its fixed pauses, for loops that check leaks:
// the pauses hold no resource and would only stretch the run.
class WithoutPauses {
 public:
  WithoutPauses() : ops_(platform::native()) {
    ops_.sleep_ms = [](int) {};
    platform::use(&ops_);
  }
  ~WithoutPauses() { platform::use(nullptr); }
  WithoutPauses(const WithoutPauses&) = delete;
  WithoutPauses& operator=(const WithoutPauses&) = delete;

 private:
  platform::Operations ops_;
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Waits up to `limit` until the file holds `text`.
inline bool file_shows(const std::string& path, const std::string& text,
                       std::chrono::milliseconds limit = 3s) {
  const auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline) {
    if (read_file(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

#if VORNEN_HAVE_SIMULATOR
// One vorn-devsim in a device namespace, with its event log and setup log in
// a directory of its own; stopped by its pid when the test ends.
class Simulator {
 public:
  Simulator(const std::string& ns, std::vector<std::string> args) : dir_("vornen-devsim") {
    args.insert(args.end(), {"--log", log(), "--setup-log", setup_log()});
    pid_ = testbed::start_simulator(ns, args, dir_.file("ready"), 5s);
    if (pid_ < 0) throw std::runtime_error("vorn-devsim did not start: " + read_file(log()));
  }
  ~Simulator() { testbed::stop_simulator(pid_); }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  std::string log() const { return dir_.file("events.log"); }
  std::string setup_log() const { return dir_.file("setup.log"); }

 private:
  testbed::RunDirectory dir_;
  pid_t pid_ = -1;
};
#endif

}  // namespace vornen::peers
