#include "commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>

#include "fake_control.h"
#include "memory_form.h"
#include "window_thread.h"

namespace setvornip {
namespace {

const std::u16string kOpenBlock =
    u"\r\nＤＬＬのバージョンを読み出す・・・成功\r\n"
    u"　ＤＬＬのバージョン = VornEN.DLL Rev. 1.001\r\n";

// A notice as a platform gives it for a process without the right.
const std::u16string kNotice = u"　注意：権限がない";

using Commands = FakeLibraryTest;

TEST(HostBits, Option1ThenOption2ThenTwentyFour) {
  EXPECT_EQ(HostBits(true, false), 8);
  EXPECT_EQ(HostBits(false, true), 16);
  EXPECT_EQ(HostBits(false, false), 24);
  // Option1 is tested first.
  EXPECT_EQ(HostBits(true, true), 8);
}

TEST_F(Commands, FormLoadSelectsOption1AndTouchesNothingElse) {
  MemoryForm form;
  FormLoad(form, u"");
  EXPECT_TRUE(form.Option1Selected());
  EXPECT_EQ(form.log.text, u"");
  EXPECT_EQ(calls("En_Open"), 0);
}

TEST_F(Commands, FormLoadLogsTheMissingRightWhenThePlatformReportsIt) {
  MemoryForm form;
  FormLoad(form, kNotice);
  EXPECT_TRUE(form.Option1Selected());
  EXPECT_EQ(form.log.text, kNotice + u"\r\n");
  EXPECT_EQ(calls("En_Open"), 0);
}

TEST_F(Commands, OpenLogsEmptyLineHeadingAndVersion) {
  MemoryForm form;
  WindowThread binding(Fake());
  Open(form, binding);
  EXPECT_EQ(form.log.text, kOpenBlock);
  EXPECT_EQ(calls("En_Open"), 1);
  EXPECT_EQ(calls("En_Get_Dll_Version"), 1);
}

TEST_F(Commands, OpenKeepsOnlyTheReportedLengthOfTheVersion) {
  set_text("En_Get_Dll_Version", "Rev. 9junk");
  set_length("En_Get_Dll_Version", 6);
  MemoryForm form;
  WindowThread binding(Fake());
  Open(form, binding);
  EXPECT_EQ(form.log.text,
            u"\r\nＤＬＬのバージョンを読み出す・・・成功\r\n　ＤＬＬのバージョン = Rev. 9\r\n");
}

TEST_F(Commands, FailedVersionReadLogsFailureAndErrorLine) {
  set_result("En_Get_Dll_Version", -1005);
  MemoryForm form;
  WindowThread binding(Fake());
  Open(form, binding);
  EXPECT_EQ(form.log.text,
            u"\r\nＤＬＬのバージョンを読み出す・・・失敗\r\n"
            u"　エラー：-1005：ERR_ILLEGAL_INPUT_PARAMETER     入力変数が異常\r\n");
}

TEST_F(Commands, FailedOpenIsLoggedAfterTheVersionLines) {
  set_result("En_Open", -14);
  MemoryForm form;
  WindowThread binding(Fake());
  Open(form, binding);
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"　ＤＬＬのオープンに失敗\r\n"
                               u"　エラー：-14：ERR_NONETWORKINTERFACEONINFO    "
                               u"ネットワークアダプタがない\r\n");
}

TEST_F(Commands, SetPassesTheInputsAsTypedAndTheHostBitsOfTheChoice) {
  for (const auto& [option, bits] : {std::pair{1, 8}, {2, 16}, {3, 24}, {0, 24}}) {
    MemoryForm form;
    form.option = option;
    form.text4 = u" 00:20:4a:8D:72:33";
    form.text2 = u"10.0.0.7 ";
    WindowThread binding(Fake());
    Set(form, binding);
    EXPECT_EQ(last_host_bits(), bits) << option;
    EXPECT_STREQ(last_mac(), " 00:20:4a:8D:72:33");
    EXPECT_STREQ(last_address(), "10.0.0.7 ");
    EXPECT_EQ(form.log.text, kOpenBlock + u"ＩＰアドレスを設定する・・・成功\r\n");
  }
  EXPECT_EQ(calls("En_Close"), 0);  // the library stays open
}

TEST_F(Commands, FailedSetLogsTheErrorLine) {
  set_result("En_Set_IPAddress", -1007);
  MemoryForm form;
  WindowThread binding(Fake());
  Set(form, binding);
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"ＩＰアドレスを設定する・・・失敗\r\n"
                               u"　エラー：-1007：ERR_INPUTED_IP_MAY_UNREACHABLE  "
                               u"入力変数のIPが不正\r\n");
}

TEST_F(Commands, SetWithoutTheRightSaysSoInOneLineBeforeItsHeading) {
  MemoryForm form;
  WindowThread binding(Fake());
  Set(form, binding, kNotice);
  EXPECT_EQ(form.log.text, kOpenBlock + kNotice + u"\r\nＩＰアドレスを設定する・・・成功\r\n");
  EXPECT_EQ(calls("En_Set_IPAddress"), 1);
}

// The library's call holds the worker, not the window's thread: while it
// waits, the window has logged the heading and is free, and nothing is
// delivered until the call returns.
TEST_F(Commands, CallsThatWaitRunOffTheWindowsThreadAfterTheHeading) {
  struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
    std::thread::id caller;
  };
  static Gate* gate = nullptr;
  Gate this_gate;
  gate = &this_gate;
  set_hook([](const char* name) {
    if (std::string_view(name) != "En_Get_IPAddress") return;
    std::unique_lock lock(gate->mutex);
    gate->caller = std::this_thread::get_id();
    gate->entered = true;
    gate->changed.notify_all();
    // Bounded, so that a call made on the test's own thread fails the test
    // instead of hanging it.
    gate->changed.wait_for(lock, std::chrono::seconds(10), [] { return gate->released; });
  });
  MemoryForm form;
  WindowThread thread(Fake());
  FindCommand(form, thread.runner);
  // Deliver the open and the version read, as the window's loop would.
  ASSERT_TRUE(thread.Step());
  ASSERT_TRUE(thread.Step());
  {
    std::unique_lock lock(this_gate.mutex);
    ASSERT_TRUE(this_gate.changed.wait_for(lock, std::chrono::seconds(30),
                                           [&] { return this_gate.entered; }));
    EXPECT_NE(this_gate.caller, std::this_thread::get_id());
  }
  EXPECT_TRUE(thread.runner.Busy());
  EXPECT_FALSE(thread.runner.Deliver());
  EXPECT_EQ(form.log.text, kOpenBlock + u"ＭＡＣアドレスからＩＰアドレスを検索・・・");
  {
    const std::lock_guard lock(this_gate.mutex);
    this_gate.released = true;
  }
  this_gate.changed.notify_all();
  thread.Finish();
  set_hook(nullptr);
  EXPECT_FALSE(thread.runner.Busy());
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"ＭＡＣアドレスからＩＰアドレスを検索・・・成功\r\n"
                               u"　ＩＰアドレス = 192.168.16.100\r\n");
}

TEST_F(Commands, FindPutsTheReportedTextIntoText1AndLogsItFromThere) {
  set_text("En_Get_IPAddress", "10.20.30.40junk");
  set_length("En_Get_IPAddress", 11);
  MemoryForm form;
  form.text1.clear();
  WindowThread binding(Fake());
  Find(form, binding);
  EXPECT_EQ(form.text1, u"10.20.30.40");
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"ＭＡＣアドレスからＩＰアドレスを検索・・・成功\r\n"
                               u"　ＩＰアドレス = 10.20.30.40\r\n");
  EXPECT_STREQ(last_mac(), "00-20-4A-8D-72-33");
}

TEST_F(Commands, FailedFindEmptiesText1) {
  set_result("En_Get_IPAddress", -1008);
  MemoryForm form;
  WindowThread binding(Fake());
  Find(form, binding);
  EXPECT_EQ(form.text1, u"");
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n"
                               u"　エラー：-1008：指定ＭＡＣアドレスのデバイスが存在しない。\r\n");
}

TEST_F(Commands, MissingLibraryIsLoggedForEveryCallAndTriedAgain) {
  MemoryForm form;
  WindowThread binding({u"VornEN.dll", {"/nonexistent/VornEN.dll"}});
  const std::u16string error = u"　エラー：ＤＬＬ「VornEN.dll」を読み込めない\r\n";
  const std::u16string block = u"\r\nＤＬＬのバージョンを読み出す・・・失敗\r\n" + error +
                               u"　ＤＬＬのオープンに失敗\r\n" + error;
  Open(form, binding);
  EXPECT_EQ(form.log.text, block);
  Find(form, binding);
  EXPECT_EQ(form.log.text,
            block + block + u"ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n" + error);
  EXPECT_EQ(form.text1, u"");
  Set(form, binding);
  EXPECT_EQ(form.log.text, block + block + u"ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n" +
                               error + block + u"ＩＰアドレスを設定する・・・失敗\r\n" + error);
}

TEST_F(Commands, MissingExportIsLoggedAndTheOthersStillWork) {
  MemoryForm form;
  WindowThread binding({u"VornEN.dll", {FAKE_VORNEN_PARTIAL_FILE}});
  Find(form, binding);
  EXPECT_EQ(form.log.text,
            kOpenBlock +
                u"ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n"
                u"　エラー：ＤＬＬ「VornEN.dll」に関数「En_Get_IPAddress」がない\r\n");
  EXPECT_EQ(form.text1, u"");
  form.log.text.clear();
  Set(form, binding);
  EXPECT_EQ(form.log.text, kOpenBlock + u"ＩＰアドレスを設定する・・・成功\r\n");
}

}  // namespace
}  // namespace setvornip
