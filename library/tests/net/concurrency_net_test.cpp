// Callers on several threads: the exports take turns, so each call returns
// what it would have returned alone, and no thread's socket or event is
// closed under it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "VornEN.h"
#include "device_peers.h"
#include "net_fixture.h"

namespace vornen {
namespace {

#if VORNEN_HAVE_SIMULATOR

constexpr int kRounds = 15;

class ConcurrencyNetTest : public NetTest {};

TEST_F(ConcurrencyNetTest, CommandsDiscoveriesAndOpensFromSeveralThreadsAllSucceed) {
  const auto device = bed().add_device(peers::kDeviceMac, "192.168.16.100/24");
  peers::Simulator sim(device.ns, {});
  enter_pc();
  ASSERT_EQ(En_Open(), 0);
  // Descriptors of the host program's own that a double close would take.
  int own[2];
  ASSERT_EQ(::pipe2(own, O_CLOEXEC), 0);
  const int descriptors = testbed::open_descriptors();

  std::atomic<int> wrong_replies{0};
  std::atomic<int> wrong_addresses{0};
  std::atomic<int> failed_opens{0};
  std::atomic<int> finished{0};
  auto ask = [&] {
    for (int i = 0; i < kRounds; ++i) {
      char reply[64] = {};
      std::int32_t size = sizeof reply;
      const int r = En_SendRecvStr("192.168.16.100", "PING\r", 5, reply, &size, '\r');
      if (r != 0 ||
          std::string(reply, static_cast<std::size_t>(size > 0 ? size : 0)) != "OK:PING\r")
        ++wrong_replies;
    }
    ++finished;
  };
  auto find = [&] {
    for (int i = 0; i < kRounds; ++i) {
      char address[32] = {};
      std::int32_t capacity = sizeof address;
      if (En_Get_IPAddress(peers::kDeviceMac, address, &capacity) != 0 ||
          std::string(address, static_cast<std::size_t>(capacity > 0 ? capacity : 0)) !=
              "192.168.16.100")
        ++wrong_addresses;
    }
    ++finished;
  };
  auto open = [&] {
    for (int i = 0; i < kRounds; ++i)
      if (En_Open() != 0) ++failed_opens;
    ++finished;
  };

  // Every thread calls from the PC namespace, never from the machine's own.
  std::vector<std::thread> threads;
  for (int k = 0; k < 2; ++k) {
    threads.push_back(bed().thread_in(bed().pc(), ask));
    threads.push_back(bed().thread_in(bed().pc(), find));
    threads.push_back(bed().thread_in(bed().pc(), open));
  }
  for (auto& t : threads) t.join();

  EXPECT_EQ(finished, 6) << "a thread could not enter the PC namespace";
  EXPECT_EQ(wrong_replies, 0);
  EXPECT_EQ(wrong_addresses, 0);
  EXPECT_EQ(failed_opens, 0);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_FALSE(connection().socket_open);
  EXPECT_FALSE(connection().event_open);
  EXPECT_EQ(testbed::open_descriptors(), descriptors) << "descriptor lost";
  EXPECT_NE(::fcntl(own[0], F_GETFD), -1) << "the program's own descriptor was closed";
  EXPECT_NE(::fcntl(own[1], F_GETFD), -1) << "the program's own descriptor was closed";
  ::close(own[0]);
  ::close(own[1]);
}

#endif

}  // namespace
}  // namespace vornen
