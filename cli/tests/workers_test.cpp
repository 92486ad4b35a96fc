#include "workers.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "reply_area.h"

namespace vornctl {
namespace {

// Counters the workers share with the test: an anonymous shared mapping.
struct Shared {
  std::atomic<int> running;
  std::atomic<int> most;
};

class WorkersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    void* p =
        ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(p, MAP_FAILED);
    shared_ = new (p) Shared{};
  }
  void TearDown() override { ::munmap(shared_, sizeof(Shared)); }

  // Enters, waits (bounded) until `wanted` workers are in at once, leaves.
  int meet(int wanted, int result) {
    const int now = ++shared_->running;
    for (int seen = shared_->most.load();
         now > seen && !shared_->most.compare_exchange_weak(seen, now);) {
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (shared_->most.load() < wanted && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    --shared_->running;
    return result;
  }

  Shared* shared_ = nullptr;
};

TEST_F(WorkersTest, ResultsComeInTaskOrderAndNoMoreThanJobsRunAtOnce) {
  std::vector<std::pair<int, int>> done;
  run_in_workers(
      7, 3,
      [&](int i) {
        // Later tasks end first, yet are reported after the earlier ones.
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * (7 - i)));
        return meet(3, -1000 - i);
      },
      [&](int i, int result) { done.emplace_back(i, result); });
  ASSERT_EQ(done.size(), 7u);
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(done[static_cast<std::size_t>(i)], std::make_pair(i, -1000 - i));
  EXPECT_EQ(shared_->most.load(), 3) << "three at once, never more";
}

TEST_F(WorkersTest, AWorkerThatDiesIsReportedAndTheOthersGoOn) {
  std::vector<int> results;
  run_in_workers(
      3, 2,
      [](int i) {
        if (i == 1) std::abort();
        return i;
      },
      [&](int, int result) { results.push_back(result); });
  EXPECT_EQ(results, (std::vector<int>{0, kWorkerLost, 2}));
}

TEST_F(WorkersTest, OneJobRunsTheTasksOneAfterTheOther) {
  int count = 0;
  run_in_workers(
      4, 1, [&](int) { return meet(1, 0); }, [&](int, int) { ++count; });
  EXPECT_EQ(count, 4);
  EXPECT_EQ(shared_->most.load(), 1);
}

// Resident memory of this process in bytes.
long resident() {
  long pages = 0, resident_pages = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return -1;
  if (std::fscanf(f, "%ld %ld", &pages, &resident_pages) != 2) resident_pages = -1;
  std::fclose(f);
  return resident_pages * ::sysconf(_SC_PAGESIZE);
}

TEST(ReplyArea, MemoryIsTakenAsTheReplyIsWrittenNotUpFront) {
  constexpr std::size_t kCapacity = 1024L * 1024 * 1024;
  const long before = resident();
  ReplyArea area(kCapacity);
  ASSERT_NE(area.data(), nullptr);
  EXPECT_EQ(area.capacity(), kCapacity);
  EXPECT_LT(resident() - before, 4L * 1024 * 1024) << "a gigabyte reserved, not taken";
  constexpr std::size_t kWritten = 16L * 1024 * 1024;
  for (std::size_t i = 0; i < kWritten; i += 4096) area.data()[i] = 'x';
  EXPECT_GE(resident() - before, static_cast<long>(kWritten));
}

}  // namespace
}  // namespace vornctl
