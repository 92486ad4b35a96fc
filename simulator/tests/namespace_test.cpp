// The simulator on real sockets in the test bed: the PC namespace and a device namespace on
// its link, the device started through the bed. Needs root; skipped otherwise.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "event_log.h"
#include "testbed/run_directory.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"
#include "unique_fd.h"

extern char** environ;

namespace devsim {
namespace {

using namespace std::chrono_literals;

const std::string kDeviceMac = "00:20:4A:8D:72:33";

int run(const std::vector<std::string>& words) {
  std::vector<char*> argv;
  std::vector<std::string> copy = words;
  for (std::string& word : copy) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs `body` on a thread that has entered namespace `netns`; its sockets live there.
template <typename Body>
void in_netns(const std::string& netns, Body body) {
  std::thread worker([&] {
    const UniqueFd ns(::open(("/var/run/netns/" + netns).c_str(), O_RDONLY | O_CLOEXEC));
    if (!ns.valid() || ::setns(ns.get(), CLONE_NEWNET) != 0) {
      ADD_FAILURE() << "cannot enter " << netns;
      return;
    }
    body();
  });
  worker.join();
}

sockaddr_in endpoint(const char* address, unsigned short port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  ::inet_pton(AF_INET, address, &to.sin_addr);
  return to;
}

// Connects with a bounded wait; invalid when refused or timed out.
UniqueFd connect_to(const char* address, unsigned short port, int timeout_ms = 3000) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  const sockaddr_in to = endpoint(address, port);
  ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to);
  pollfd watched{fd.get(), POLLOUT, 0};
  int error = 0;
  socklen_t length = sizeof error;
  if (::poll(&watched, 1, timeout_ms) != 1 ||
      ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
    return UniqueFd();
  }
  const int flags = ::fcntl(fd.get(), F_GETFL);
  ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  const int on = 1;
  ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

// One read, waiting at most `timeout_ms`; empty on time-out or close.
std::string read_some(int fd, int timeout_ms = 3000) {
  pollfd watched{fd, POLLIN, 0};
  if (::poll(&watched, 1, timeout_ms) != 1) return {};
  char buffer[4096];
  const ssize_t length = ::recv(fd, buffer, sizeof buffer, 0);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

// Reads until a CR arrives or the peer closes.
std::string read_reply(int fd) {
  std::string reply;
  while (reply.find('\r') == std::string::npos) {
    const std::string piece = read_some(fd);
    if (piece.empty()) break;
    reply += piece;
  }
  return reply;
}

void send_text(int fd, std::string_view text) {
  ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
}

struct Datagram {
  std::string bytes;
  std::string from;
};

std::vector<Datagram> broadcast_query(const char* broadcast, int wait_ms) {
  std::vector<Datagram> replies;
  const UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  const int on = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  const sockaddr_in to = endpoint(broadcast, 30718);
  ::sendto(fd.get(), "\x00\x00\x00\xF6", 4, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  pollfd watched{fd.get(), POLLIN, 0};
  std::string buffer(70000, '\0');
  while (::poll(&watched, 1, wait_ms) == 1) {
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    const ssize_t length = ::recvfrom(fd.get(), buffer.data(), buffer.size(), 0,
                                      reinterpret_cast<sockaddr*>(&from), &from_length);
    if (length < 0) break;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    replies.push_back({buffer.substr(0, static_cast<std::size_t>(length)), text});
  }
  return replies;
}

const std::vector<std::string> kRecords = {
    ":20000010C0A810640000100000000000000000004C010000B136000000000000C0000000FF\\",
    ":20002010" + std::string(64, '0') + "FF\\",
    ":20004010" + std::string(64, '0') + "FF\\",
    ":18006010" + std::string(48, '0') + "FF\\",
    ":00000001FF\\",
};

class NamespaceSimulator : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::available()) {
      GTEST_SKIP() << testbed::unavailable_reason();
    }
    // The bed gives the device's eth0 the MAC the simulator plays.
    bed_.emplace();
    pc_ = bed_->pc();
    device_ = bed_->add_device(kDeviceMac, "").ns;
    pc_link_ = "pc0";
    run_dir_.emplace("vsim-test");
    log_ = run_dir_->file("events.log");
    setup_log_ = run_dir_->file("setup.log");
    ready_ = run_dir_->file("ready");
  }

  void TearDown() override {
    if (pid_ > 0) {
      EXPECT_EQ(testbed::stop_simulator(pid_), 0) << "the simulator did not stop cleanly";
    }
    bed_.reset();
  }

  void start(std::vector<std::string> args) {
    args.insert(args.end(), {"--mac", kDeviceMac, "--log", log_, "--setup-log", setup_log_});
    pid_ = testbed::start_simulator(device_, args, ready_, 5s);
    ASSERT_GT(pid_, 0) << "the simulator did not come up";
  }

  // Waits (bounded) until the event log holds `text`.
  bool logged(const std::string& text, std::chrono::milliseconds timeout = 3s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      if (read_file(log_).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(10ms);
    }
    ADD_FAILURE() << "not in the log: " << text << "\n" << read_file(log_);
    return false;
  }

  // The setup dialogue, run from a thread in the PC namespace: the menu, the
  // five records (address 192.168.16.100, host bits 16) and RS. Returns what
  // was sent.
  std::string give_setup(const std::string& address) {
    const UniqueFd setup = connect_to(address.c_str(), 9999);
    EXPECT_TRUE(setup.valid());
    if (!setup.valid()) return "";
    EXPECT_FALSE(read_some(setup.get()).empty());
    send_text(setup.get(), "M");
    EXPECT_FALSE(read_some(setup.get()).empty());
    std::vector<std::string> pieces = {"S0", "\r"};
    pieces.insert(pieces.end(), kRecords.begin(), kRecords.end());
    pieces.insert(pieces.end(), {"RS", "\r"});
    std::string sent = "M";
    for (const std::string& piece : pieces) {
      send_text(setup.get(), piece);
      sent += piece;
    }
    // The device closes after RS.
    EXPECT_EQ(read_some(setup.get()), "");
    return sent;
  }

  std::string pc_, device_, pc_link_, log_, setup_log_, ready_;
  std::optional<testbed::RunDirectory> run_dir_;
  std::optional<testbed::TestBed> bed_;
  pid_t pid_ = -1;
};

TEST_F(NamespaceSimulator, TakesAnAddressAnswersDiscoveryAndAppliesSetup) {
  start({});
  ASSERT_EQ(run({"ip", "-n", pc_, "neigh", "replace", "192.168.16.100", "lladdr", kDeviceMac, "nud",
                 "permanent", "dev", pc_link_}),
            0);
  std::string sent;
  in_netns(pc_, [&] {
    // Nothing listens on port 1: the touch is refused once the address is taken.
    EXPECT_FALSE(connect_to("192.168.16.100", 1).valid());
    const auto replies = broadcast_query("192.168.16.255", 500);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes.size(), 30u);
    EXPECT_EQ(replies[0].bytes.substr(24), std::string("\x00\x20\x4A\x8D\x72\x33", 6));
    EXPECT_EQ(replies[0].from, "192.168.16.100");

    sent = give_setup("192.168.16.100");
  });
  EXPECT_TRUE(logged("address taken 192.168.16.100/24"));
  EXPECT_TRUE(logged("address set 192.168.16.100 host-bits 16 prefix 16"));
  EXPECT_EQ(read_file(setup_log_), sent);
}

// Given the address it holds, the device keeps it in place: taken away for a
// moment, it would leave a gap in which a discovery goes unanswered. The
// kernel's address events show it; a marker on loop-back before and after
// makes sure the monitor saw everything between.
TEST_F(NamespaceSimulator, SetupToTheAddressItHoldsKeepsItInPlace) {
  start({"--address", "192.168.16.100/16"});
  const std::string events = run_dir_->file("address-events");
  const pid_t monitor = ::fork();
  ASSERT_GE(monitor, 0);
  if (monitor == 0) {
    const int out = ::open(events.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0) ::_exit(127);
    ::execlp("timeout", "timeout", "20", "ip", "-n", device_.c_str(), "-o", "monitor", "address",
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // The monitor's lines about `address`, deletions or not.
  auto lines_of = [&](const std::string& address, bool deleted) {
    std::vector<std::string> found;
    std::istringstream lines(read_file(events));
    for (std::string line; std::getline(lines, line);)
      if (line.find(" " + address + "/") != std::string::npos &&
          (line.rfind("Deleted", 0) == 0) == deleted)
        found.push_back(line);
    return found;
  };
  auto seen = [&](const std::string& address, bool deleted,
                  std::chrono::milliseconds wait = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) {
      if (!lines_of(address, deleted).empty()) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  };
  // The monitor listens once it reports a change; until then, make one again.
  bool listening = false;
  for (int i = 0; i < 50 && !listening; ++i) {
    run({"ip", "-n", device_, "addr", "add", "10.9.9.9/32", "dev", "lo"});
    listening = seen("10.9.9.9", false, 200ms);
    if (!listening) run({"ip", "-n", device_, "addr", "del", "10.9.9.9/32", "dev", "lo"});
  }
  ASSERT_TRUE(listening) << "the address monitor did not start";
  in_netns(pc_, [&] { give_setup("192.168.16.100"); });
  EXPECT_TRUE(logged("address set 192.168.16.100 host-bits 16 prefix 16"));
  run({"ip", "-n", device_, "addr", "del", "10.9.9.9/32", "dev", "lo"});
  EXPECT_TRUE(seen("10.9.9.9", true)) << read_file(events);
  ::kill(monitor, SIGTERM);
  ::waitpid(monitor, nullptr, 0);
  EXPECT_EQ(lines_of("192.168.16.100", true), std::vector<std::string>()) << read_file(events);
}

TEST_F(NamespaceSimulator, RetakeReplacesAnAddressItAlreadyHas) {
  start({"--address", "192.168.16.100/24", "--retake"});
  ASSERT_EQ(run({"ip", "-n", pc_, "neigh", "replace", "192.168.16.101", "lladdr", kDeviceMac, "nud",
                 "permanent", "dev", pc_link_}),
            0);
  in_netns(pc_, [&] {
    EXPECT_FALSE(connect_to("192.168.16.101", 1).valid());
    const UniqueFd setup = connect_to("192.168.16.101", 9999);
    EXPECT_TRUE(setup.valid());
  });
  EXPECT_TRUE(logged("address taken 192.168.16.101/24 replacing 192.168.16.100"));
}

TEST_F(NamespaceSimulator, BehaviourOptionsShapeDiscovery) {
  start({"--address", "192.168.16.100/24", "--discovery-before", "0,29,65000", "--discovery-flood",
         "2,10"});
  in_netns(pc_, [&] {
    const auto replies = broadcast_query("192.168.16.255", 500);
    ASSERT_EQ(replies.size(), 6u);
    EXPECT_EQ(replies[0].bytes.size(), 0u);
    EXPECT_EQ(replies[1].bytes.size(), 29u);
    EXPECT_EQ(replies[2].bytes.size(), 65000u);
    EXPECT_NE(replies[3].bytes.substr(24), replies[5].bytes.substr(24));
    EXPECT_EQ(replies[5].bytes.substr(24), std::string("\x00\x20\x4A\x8D\x72\x33", 6));
  });
}

TEST_F(NamespaceSimulator, CommandPortEchoesAndRepliesInPieces) {
  start({"--address", "192.168.16.100/24", "--command-step", "recv-line", "--command-step",
         "send ABC", "--command-step", "sleep 50", "--command-step", "send DEFG\\rXY",
         "--command-step", "repeat"});
  in_netns(pc_, [&] {
    const UniqueFd command = connect_to("192.168.16.100", 14001);
    ASSERT_TRUE(command.valid());
    send_text(command.get(), "PING\r");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read_some(command.get()), "ABC");
    EXPECT_EQ(read_some(command.get()), "DEFG\rXY");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
  });
  EXPECT_TRUE(logged("command conn closed total 5 bytes"));
}

TEST_F(NamespaceSimulator, SinkCountsAMillionBytes) {
  start({"--address", "192.168.16.100/24", "--command-sink"});
  std::string data(1000000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  in_netns(pc_, [&] {
    const UniqueFd command = connect_to("192.168.16.100", 14001);
    ASSERT_TRUE(command.valid());
    std::string_view rest = data;
    while (!rest.empty()) {
      const ssize_t sent = ::send(command.get(), rest.data(), rest.size(), MSG_NOSIGNAL);
      ASSERT_GT(sent, 0);
      rest.remove_prefix(static_cast<std::size_t>(sent));
    }
    ::shutdown(command.get(), SHUT_WR);
    EXPECT_EQ(read_some(command.get()), "");  // the device closes once we have
  });
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llX",
                static_cast<unsigned long long>(fnv1a64(kFnvOffset, data)));
  EXPECT_TRUE(logged(std::string("command conn closed total 1000000 bytes fnv1a64 ") + hash));
}

TEST_F(NamespaceSimulator, LargeReplyArrivesWhole) {
  start({"--address", "192.168.16.100/24", "--command-large", "5000000"});
  in_netns(pc_, [&] {
    const UniqueFd command = connect_to("192.168.16.100", 14001);
    ASSERT_TRUE(command.valid());
    send_text(command.get(), "GET\r");
    const std::string reply = read_reply(command.get());
    ASSERT_EQ(reply.size(), 5000001u);
    EXPECT_EQ(reply.substr(0, 4), "ABCD");
    EXPECT_EQ(reply.back(), '\r');
  });
}

TEST_F(NamespaceSimulator, BadRecordsKeepTheAddress) {
  start({"--address", "192.168.16.100/24"});
  in_netns(pc_, [&] {
    const UniqueFd setup = connect_to("192.168.16.100", 9999);
    ASSERT_TRUE(setup.valid());
    read_some(setup.get());
    send_text(setup.get(), "M");
    read_some(setup.get());
    std::string record0 = kRecords[0];
    record0.replace(1 + 32 * 2, 2, "C1");
    send_text(setup.get(),
              "S0\r" + record0 + kRecords[1] + kRecords[2] + kRecords[3] + kRecords[4] + "RS\r");
    EXPECT_EQ(read_some(setup.get()), "");
  });
  EXPECT_TRUE(logged("setup error records rejected, address kept: record 0: byte 32 is C1"));
  in_netns(pc_, [&] { EXPECT_EQ(broadcast_query("192.168.16.255", 300).size(), 1u); });
}

// Starting it needs no namespace: a simulator that refuses its options never gets ready.
TEST(Launcher, ReportsASimulatorThatExitsAtOnce) {
  const std::string ready = ::testing::TempDir() + "devsim_never.ready";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(testbed::start_simulator("", {"--no-such-option"}, ready, 5s), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
  EXPECT_EQ(testbed::start_simulator("vsim-no-such-namespace", {}, ready, 5s), -1);
}

}  // namespace
}  // namespace devsim
