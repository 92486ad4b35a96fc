// A TCP peer played by a thread inside a device namespace of the test bed: it
// listens on a port and runs the test's script on each connection it
// accepts. Every wait in it is bounded and gives up when the peer is
// destroyed, so a peer whose test failed early ends by itself.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "testbed/testbed.h"

namespace vornen {

class ScriptPeer {
 public:
  using Clock = std::chrono::steady_clock;
  using Ms = std::chrono::milliseconds;

  class Session {
   public:
    // Reads until `count` bytes have come, the other side closes, or `limit`.
    std::string read(std::size_t count, Ms limit = Ms(5000)) {
      std::string got;
      const auto deadline = Clock::now() + limit;
      char chunk[65536];
      while (got.size() < count && wait_for(POLLIN, deadline)) {
        const std::size_t want = std::min(sizeof chunk, count - got.size());
        const ssize_t n = ::recv(fd_, chunk, want, 0);
        if (n <= 0) {
          closed_ = true;
          break;
        }
        got.append(chunk, static_cast<std::size_t>(n));
      }
      peer_.note_received(got);
      return got;
    }

    // Reads until the other side closes; true when it did within `limit`.
    bool read_to_end(Ms limit = Ms(5000)) {
      const auto deadline = Clock::now() + limit;
      while (!closed_ && Clock::now() < deadline) read(SIZE_MAX, limit);
      return closed_;
    }

    // Sends all of `bytes`, waiting for room as long as `limit`; true when
    // everything went.
    bool send(const std::string& bytes, Ms limit = Ms(30000)) {
      const auto deadline = Clock::now() + limit;
      std::size_t sent = 0;
      while (sent < bytes.size() && wait_for(POLLOUT, deadline)) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        if (n > 0) sent += static_cast<std::size_t>(n);
      }
      return sent == bytes.size();
    }

    // Waits without reading, so that what the other side sends piles up.
    void hold(Ms limit) {
      const auto deadline = Clock::now() + limit;
      while (!peer_.stop_ && Clock::now() < deadline) std::this_thread::sleep_for(Ms(5));
    }

    void pause(Ms time) { std::this_thread::sleep_for(time); }

    // Ends the connection with a reset instead of an orderly close.
    void reset() {
      linger hard{1, 0};
      ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
      ::close(fd_);
      fd_ = -1;
    }

   private:
    friend class ScriptPeer;
    Session(ScriptPeer& peer, int fd) : peer_(peer), fd_(fd) {}
    ~Session() {
      if (fd_ >= 0) ::close(fd_);
    }

    bool wait_for(short events, Clock::time_point deadline) {
      while (!peer_.stop_ && Clock::now() < deadline) {
        pollfd p{fd_, events, 0};
        if (::poll(&p, 1, 10) > 0) return true;
      }
      return false;
    }

    ScriptPeer& peer_;
    int fd_;
    bool closed_ = false;
  };

  using Script = std::function<void(Session&)>;

  ScriptPeer(const testbed::TestBed& bed, const std::string& ns, std::uint16_t port, Script script,
             int connections = 1)
      : script_(std::move(script)), connections_(connections) {
    std::promise<bool> listening;
    auto ready = listening.get_future();
    thread_ = bed.thread_in(ns, [this, port, &listening] { serve(port, listening); });
    if (ready.wait_for(std::chrono::seconds(3)) != std::future_status::ready || !ready.get()) {
      stop_ = true;
      thread_.join();
      throw std::runtime_error("peer could not listen on port " + std::to_string(port));
    }
  }

  ~ScriptPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  ScriptPeer(const ScriptPeer&) = delete;
  ScriptPeer& operator=(const ScriptPeer&) = delete;

  // Waits for the scripts to run out; true when they did within `limit`.
  bool finish(Ms limit = Ms(10000)) {
    const auto deadline = Clock::now() + limit;
    while (!done_ && Clock::now() < deadline) std::this_thread::sleep_for(Ms(2));
    return done_;
  }

  int accepted() const { return accepted_; }

  // Everything the scripts read, over all connections, in order.
  std::string received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }

 private:
  void serve(std::uint16_t port, std::promise<bool>& listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(port);
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0 &&
                    ::listen(fd, 4) == 0;
    listening.set_value(ok);
    if (ok) {
      // Waiting for a connection is bounded too: a test that never connects
      // still ends its peer.
      const auto deadline = Clock::now() + std::chrono::seconds(60);
      while (!stop_ && accepted_ < connections_ && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0) continue;
        const int conn = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) continue;
        ++accepted_;
        Session session(*this, conn);
        script_(session);
      }
    }
    if (fd >= 0) ::close(fd);
    done_ = true;
  }

  void note_received(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_ += bytes;
  }

  Script script_;
  int connections_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::atomic<int> accepted_{0};
  mutable std::mutex mutex_;
  std::string received_;
};

}  // namespace vornen
