#include "library_binding.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "fake_control.h"

namespace setvornip {
namespace {

bool IsLoaded(const char* file) {
  void* handle = ::dlopen(file, RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) ::dlclose(handle);
  return handle != nullptr;
}

// First, before any test has loaded the fake.
TEST(LibraryBindingFirst, LoadsTheFileAtTheFirstCallNotBefore) {
  ASSERT_FALSE(IsLoaded(FAKE_VORNEN_FILE));
  {
    LibraryBinding binding({u"fake", {FAKE_VORNEN_FILE}});
    EXPECT_FALSE(IsLoaded(FAKE_VORNEN_FILE));
    EXPECT_EQ(binding.Open().code, 0);
    EXPECT_TRUE(IsLoaded(FAKE_VORNEN_FILE));
  }
  // The binding held the file until it went.
  EXPECT_FALSE(IsLoaded(FAKE_VORNEN_FILE));
}

using LibraryBindingTest = FakeLibraryTest;

TEST_F(LibraryBindingTest, TriesTheFilesInTurnAndNamesTheLibraryAsShown) {
  LibraryBinding missing({u"libVornEN.so.1", {"/nonexistent/a.so", "/nonexistent/b.so"}});
  EXPECT_EQ(missing.Open().bind_failure, u"ＤＬＬ「libVornEN.so.1」を読み込めない");
  LibraryBinding second({u"libVornEN.so.1", {"/nonexistent/a.so", FAKE_VORNEN_FILE}});
  const CallResult opened = second.Open();
  EXPECT_EQ(opened.bind_failure, u"");
  EXPECT_FALSE(opened.Failed());
  EXPECT_EQ(calls("En_Open"), 1);
}

TEST_F(LibraryBindingTest, ResultCodesPassThroughAndNegativeOnesFail) {
  set_result("En_Open", 3);
  set_result("En_Set_IPAddress", -1004);
  LibraryBinding binding(Fake());
  const CallResult opened = binding.Open();
  EXPECT_EQ(opened.code, 3);
  EXPECT_FALSE(opened.Failed());
  const CallResult set = binding.SetIpAddress(u"m", u"a", 16);
  EXPECT_EQ(set.code, -1004);
  EXPECT_TRUE(set.Failed());
  EXPECT_EQ(last_host_bits(), 16);
}

TEST_F(LibraryBindingTest, ReportedLengthIsKeptWithinTheBuffer) {
  LibraryBinding binding(Fake());
  set_text("En_Get_IPAddress", "192.168.16.100");
  set_length("En_Get_IPAddress", 250);
  const TextResult long_one = binding.GetIpAddress(u"m");
  // The whole 100-character buffer: the text, then the zeroes behind it.
  ASSERT_EQ(long_one.text.size(), 100u);
  EXPECT_EQ(long_one.text.substr(0, 15), std::u16string(u"192.168.16.100") + u'\0');
  set_length("En_Get_IPAddress", 0);
  EXPECT_EQ(binding.GetIpAddress(u"m").text, u"");
}

TEST_F(LibraryBindingTest, NoTextIsTakenFromAFailedCall) {
  set_result("En_Get_Dll_Version", -300);
  LibraryBinding binding(Fake());
  const TextResult version = binding.GetDllVersion();
  EXPECT_EQ(version.call.code, -300);
  EXPECT_EQ(version.text, u"");
}

TEST(LibraryText, CrossesAsUtf8BothWays) {
  const std::u16string text = u"ＭＡＣ 00-20 ✓";
  const std::string bytes = ToLibraryText(text);
  EXPECT_EQ(bytes, "\xEF\xBC\xAD\xEF\xBC\xA1\xEF\xBC\xA3 00-20 \xE2\x9C\x93");
  EXPECT_EQ(FromLibraryText(bytes.data(), bytes.size()), text);
  // Zero bytes are characters too, as in the 100-character buffers.
  EXPECT_EQ(FromLibraryText("a\0b", 3), std::u16string(u"a\0b", 3));
}

TEST(LibraryText, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  EXPECT_EQ(FromLibraryText("a\xFF"
                            "b",
                            3),
            u"a\uFFFDb");
  // A lone surrogate typed into a box goes out as a question mark.
  EXPECT_EQ(ToLibraryText(std::u16string{u'x', char16_t{0xD800}, u'y'}), "x?y");
}

TEST(DefaultLibraryFile, InstalledLayoutFirstThenTheSystemSearch) {
  const char* chosen = ::getenv("VORNEN_LIBRARY");
  const std::string saved = chosen != nullptr ? chosen : "";
  ::unsetenv("VORNEN_LIBRARY");
  const LibraryFile file = DefaultLibraryFile();
  EXPECT_EQ(file.shown, u"libVornEN.so.1");
  ASSERT_EQ(file.tried.size(), 2u);
  EXPECT_EQ(file.tried[1], "libVornEN.so.1");
  const std::string expected_end = "/" SETVORNIP_LIBDIR_FROM_BINDIR "/libVornEN.so.1";
  EXPECT_TRUE(file.tried[0].ends_with(expected_end)) << file.tried[0];
  EXPECT_EQ(file.tried[0].front(), '/');

  ::setenv("VORNEN_LIBRARY", "/opt/x/libother.so", 1);
  const LibraryFile chosen_file = DefaultLibraryFile();
  EXPECT_EQ(chosen_file.shown, u"/opt/x/libother.so");
  EXPECT_EQ(chosen_file.tried, std::vector<std::string>{"/opt/x/libother.so"});
  if (saved.empty()) {
    ::unsetenv("VORNEN_LIBRARY");
  } else {
    ::setenv("VORNEN_LIBRARY", saved.c_str(), 1);
  }
}

}  // namespace
}  // namespace setvornip
