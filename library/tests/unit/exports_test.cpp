// The exports as a C caller sees them: whatever the system layer throws stays
// inside the library and comes back as a result code.
#include <gtest/gtest.h>

#include <new>

#include "VornEN.h"
#include "fake_fixture.h"

namespace vornen {
namespace {

class ExportsTest : public FakeTest {
 protected:
  // The fake's table with one operation that throws as an allocation would.
  void throw_from_arp() {
    throwing_ = platform::ops();
    throwing_.run_arp = [](const char*) { throw std::bad_alloc(); };
    platform::use(&throwing_);
  }

  platform::Operations throwing_{};
};

TEST_F(ExportsTest, AThrowingSystemCallBecomesACodeAndLeavesTheLibraryReady) {
  open_ready();
  throw_from_arp();
  int32_t r = 0;
  EXPECT_NO_THROW(r = En_Set_IPAddress("00-20-4A-8D-72-33", "192.168.16.100", 8));
  EXPECT_EQ(r, ERR_MIDDLE_SETIOSTATE);
  EXPECT_EQ(connection().state, kReady);
  EXPECT_STREQ(connection().broadcast, "192.168.16.255");
}

TEST_F(ExportsTest, CallsAfterABrokenOffCallWorkAsBefore) {
  open_ready();
  throw_from_arp();
  En_Set_IPAddress("00-20-4A-8D-72-33", "192.168.16.100", 8);
  char text[100];
  int32_t length = sizeof text;
  EXPECT_EQ(En_Get_Dll_Version(text, &length), 0) << "the lock was given back";
  EXPECT_EQ(length, 21);
}

}  // namespace
}  // namespace vornen
