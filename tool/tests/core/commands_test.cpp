#include "commands.h"

#include <gtest/gtest.h>

#include "fake_control.h"
#include "memory_form.h"

namespace setvornip {
namespace {

const std::u16string kOpenBlock =
    u"\r\nＤＬＬのバージョンを読み出す・・・成功\r\n"
    u"　ＤＬＬのバージョン = VornEN.DLL Rev. 1.001\r\n";

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
  FormLoad(form);
  EXPECT_TRUE(form.Option1Selected());
  EXPECT_EQ(form.log.text, u"");
  EXPECT_EQ(calls("En_Open"), 0);
}

TEST_F(Commands, OpenLogsEmptyLineHeadingAndVersion) {
  MemoryForm form;
  LibraryBinding binding(Fake());
  OpenCommand(form, binding);
  EXPECT_EQ(form.log.text, kOpenBlock);
  EXPECT_EQ(calls("En_Open"), 1);
  EXPECT_EQ(calls("En_Get_Dll_Version"), 1);
}

TEST_F(Commands, OpenKeepsOnlyTheReportedLengthOfTheVersion) {
  set_text("En_Get_Dll_Version", "Rev. 9junk");
  set_length("En_Get_Dll_Version", 6);
  MemoryForm form;
  LibraryBinding binding(Fake());
  OpenCommand(form, binding);
  EXPECT_EQ(form.log.text,
            u"\r\nＤＬＬのバージョンを読み出す・・・成功\r\n　ＤＬＬのバージョン = Rev. 9\r\n");
}

TEST_F(Commands, FailedVersionReadLogsFailureAndErrorLine) {
  set_result("En_Get_Dll_Version", -1005);
  MemoryForm form;
  LibraryBinding binding(Fake());
  OpenCommand(form, binding);
  EXPECT_EQ(form.log.text,
            u"\r\nＤＬＬのバージョンを読み出す・・・失敗\r\n"
            u"　エラー：-1005：ERR_ILLEGAL_INPUT_PARAMETER     入力変数が異常\r\n");
}

TEST_F(Commands, FailedOpenIsLoggedAfterTheVersionLines) {
  set_result("En_Open", -14);
  MemoryForm form;
  LibraryBinding binding(Fake());
  OpenCommand(form, binding);
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
    LibraryBinding binding(Fake());
    SetCommand(form, binding, false);
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
  LibraryBinding binding(Fake());
  SetCommand(form, binding, false);
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"ＩＰアドレスを設定する・・・失敗\r\n"
                               u"　エラー：-1007：ERR_INPUTED_IP_MAY_UNREACHABLE  "
                               u"入力変数のIPが不正\r\n");
}

TEST_F(Commands, SetWithoutTheRightSaysSoInOneLineBeforeItsHeading) {
  MemoryForm form;
  LibraryBinding binding(Fake());
  SetCommand(form, binding, true);
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"　注意：ARP表を書き換える権限（CAP_NET_ADMIN）がないため、"
                               u"設定できない恐れがある\r\n"
                               u"ＩＰアドレスを設定する・・・成功\r\n");
  EXPECT_EQ(calls("En_Set_IPAddress"), 1);
}

TEST_F(Commands, LibraryCallsThatWaitComeAfterTheHeadingIsShown) {
  MemoryForm form;
  LibraryBinding binding(Fake());
  std::vector<std::u16string> shown;
  form.on_progress = [&] {
    EXPECT_EQ(calls("En_Set_IPAddress") + calls("En_Get_IPAddress"), 0);
    shown.push_back(form.log.text);
  };
  SetCommand(form, binding, false);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], kOpenBlock + u"ＩＰアドレスを設定する・・・");
  form.log.text.clear();
  form.on_progress = [&] {
    EXPECT_EQ(calls("En_Get_IPAddress"), 0);
    shown.push_back(form.log.text);
  };
  FindCommand(form, binding);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1], kOpenBlock + u"ＭＡＣアドレスからＩＰアドレスを検索・・・");
}

TEST_F(Commands, FindPutsTheReportedTextIntoText1AndLogsItFromThere) {
  set_text("En_Get_IPAddress", "10.20.30.40junk");
  set_length("En_Get_IPAddress", 11);
  MemoryForm form;
  form.text1.clear();
  LibraryBinding binding(Fake());
  FindCommand(form, binding);
  EXPECT_EQ(form.text1, u"10.20.30.40");
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"ＭＡＣアドレスからＩＰアドレスを検索・・・成功\r\n"
                               u"　ＩＰアドレス = 10.20.30.40\r\n");
  EXPECT_STREQ(last_mac(), "00-20-4A-8D-72-33");
}

TEST_F(Commands, FailedFindEmptiesText1) {
  set_result("En_Get_IPAddress", -1008);
  MemoryForm form;
  LibraryBinding binding(Fake());
  FindCommand(form, binding);
  EXPECT_EQ(form.text1, u"");
  EXPECT_EQ(form.log.text, kOpenBlock +
                               u"ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n"
                               u"　エラー：-1008：指定ＭＡＣアドレスのデバイスが存在しない。\r\n");
}

TEST_F(Commands, MissingLibraryIsLoggedForEveryCallAndTriedAgain) {
  MemoryForm form;
  LibraryBinding binding({u"VornEN.dll", {"/nonexistent/VornEN.dll"}});
  const std::u16string error = u"　エラー：ＤＬＬ「VornEN.dll」を読み込めない\r\n";
  const std::u16string block = u"\r\nＤＬＬのバージョンを読み出す・・・失敗\r\n" + error +
                               u"　ＤＬＬのオープンに失敗\r\n" + error;
  OpenCommand(form, binding);
  EXPECT_EQ(form.log.text, block);
  FindCommand(form, binding);
  EXPECT_EQ(form.log.text,
            block + block + u"ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n" + error);
  EXPECT_EQ(form.text1, u"");
  SetCommand(form, binding, false);
  EXPECT_EQ(form.log.text, block + block + u"ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n" +
                               error + block + u"ＩＰアドレスを設定する・・・失敗\r\n" + error);
}

TEST_F(Commands, MissingExportIsLoggedAndTheOthersStillWork) {
  MemoryForm form;
  LibraryBinding binding({u"VornEN.dll", {FAKE_VORNEN_PARTIAL_FILE}});
  FindCommand(form, binding);
  EXPECT_EQ(form.log.text,
            kOpenBlock +
                u"ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n"
                u"　エラー：ＤＬＬ「VornEN.dll」に関数「En_Get_IPAddress」がない\r\n");
  EXPECT_EQ(form.text1, u"");
  form.log.text.clear();
  SetCommand(form, binding, false);
  EXPECT_EQ(form.log.text, kOpenBlock + u"ＩＰアドレスを設定する・・・成功\r\n");
}

}  // namespace
}  // namespace setvornip
