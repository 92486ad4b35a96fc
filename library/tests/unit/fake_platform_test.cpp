// The scripted fake itself: the unit tests and the fuzz targets rely on it to
// report every misuse of a handle, so a misuse that it let pass would hide a
// fault of the library everywhere at once.
#include "platform/fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vornen {
namespace {

using fake::Call;

bool reports(const fake::Fake& f, const std::string& text) {
  for (const auto& p : f.problems()) {
    if (p.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(FakePlatform, HandlesUsedOrClosedAfterTheirCloseAreReported) {
  fake::Fake f;
  f.expect(Call::OpenSocket);
  f.expect(Call::CreateEvent);
  const auto& os = platform::ops();
  const platform::Socket s = os.open_socket(platform::SocketKind::Stream);
  const platform::Event e = os.create_event();
  EXPECT_TRUE(f.problems().empty());
  EXPECT_EQ(f.open_handles(), 2);

  os.close_socket(s);
  os.close_event(e);
  f.expect(Call::Send);
  f.expect_wait(platform::WaitResult::Signalled);
  f.expect(Call::Recv);
  char buffer[4];
  os.send(s, "x", 1);
  os.wait_event(e, 10);
  os.recv(s, buffer, sizeof buffer);
  os.shutdown(s);
  os.close_socket(s);
  os.close_event(e);
  EXPECT_TRUE(reports(f, "send on socket " + std::to_string(s) + ", which is not open"));
  EXPECT_TRUE(reports(f, "wait_event on event " + std::to_string(e) + ", which is not open"));
  EXPECT_TRUE(reports(f, "recv on socket"));
  EXPECT_TRUE(reports(f, "shutdown on socket"));
  EXPECT_TRUE(reports(f, "socket closed twice"));
  EXPECT_TRUE(reports(f, "event closed twice"));
  EXPECT_EQ(f.open_handles(), 0);
}

TEST(FakePlatform, ALongPieceIsItsLeadThenItsBytesCutAtTheCapacity) {
  fake::Fake f;
  f.expect(Call::OpenSocket);
  f.expect_recv("END").led_by(5, 'x');
  f.expect_recv("END").led_by(5, 'x');
  f.expect_recv("END").led_by(2'000'000, 'x');
  const auto& os = platform::ops();
  const platform::Socket s = os.open_socket(platform::SocketKind::Stream);
  std::vector<char> buffer(2'000'000, '-');
  EXPECT_EQ(os.recv(s, buffer.data(), 100), 8);
  EXPECT_EQ(std::string(buffer.data(), 9), "xxxxxEND-");
  std::fill(buffer.begin(), buffer.end(), '-');
  EXPECT_EQ(os.recv(s, buffer.data(), 6), 6);
  EXPECT_EQ(std::string(buffer.data(), 7), "xxxxxE-");
  EXPECT_EQ(os.recv(s, buffer.data(), 2'000'000), 2'000'000) << "a full read, all lead";
  EXPECT_EQ(buffer.back(), 'x');
  os.close_socket(s);
  EXPECT_TRUE(f.problems().empty());
}

}  // namespace
}  // namespace vornen
