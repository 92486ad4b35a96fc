// Timing helpers shared by the benchmarks.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One TCP round trip to a device: the median of 20 plain blocking connects to
// its command port, from the calling thread's namespace.
inline double round_trip_ms(const char* address) {
  std::vector<double> samples;
  for (int i = 0; i < 20; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(14001);
    ::inet_pton(AF_INET, address, &a.sin_addr);
    const auto start = Clock::now();
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    samples.push_back(ms_since(start));
    ::close(fd);
  }
  return median(samples);
}

}  // namespace bench
