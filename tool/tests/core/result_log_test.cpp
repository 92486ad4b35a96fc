#include "result_log.h"

#include <gtest/gtest.h>

#include "memory_form.h"

namespace setvornip {
namespace {

// A text of the given length whose characters tell their position, so a cut
// shows where it fell.
std::u16string Numbered(std::size_t length) {
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) text += static_cast<char16_t>(u'A' + i % 26);
  return text;
}

TEST(AppendLog, LandsAtTheEndWhereverTheCaretWasAndLeavesTheCaretBehindIt) {
  MemoryLogBox box;
  box.text = u"first\r\nsecond";
  // The operator selected part of the first line.
  box.anchor = 1;
  box.caret = 4;
  AppendLog(box, u"成功\r\n");
  EXPECT_EQ(box.text, u"first\r\nsecond成功\r\n");
  EXPECT_EQ(box.anchor, box.text.size());
  EXPECT_EQ(box.caret, box.text.size());
}

TEST(AppendLog, CountsCrLfAsTwo) {
  MemoryLogBox box;
  AppendLog(box, u"\r\nhead成功\r\n");
  AppendLog(box, u"x");
  EXPECT_EQ(box.text, u"\r\nhead成功\r\nx");
  EXPECT_EQ(box.Length(), 11u);
}

struct TrimCase {
  std::size_t before;
  std::u16string expected;
};

class TrimLogLimit : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimLogLimit, TrimsOnlyAboveNineThousandAndKeepsFromTheThousandth) {
  MemoryLogBox box;
  box.text = Numbered(GetParam().before);
  AppendLog(box, u"新");
  EXPECT_EQ(box.text, GetParam().expected);
  EXPECT_EQ(box.caret, box.text.size());
}

INSTANTIATE_TEST_SUITE_P(Lengths, TrimLogLimit,
                         ::testing::Values(TrimCase{10, Numbered(10) + u"新"},
                                           TrimCase{9000, Numbered(9000) + u"新"},
                                           // The 1000th character (index 999) becomes the first.
                                           TrimCase{9001, Numbered(9001).substr(999) + u"新"},
                                           TrimCase{12000, Numbered(12000).substr(999) + u"新"}),
                         [](const ::testing::TestParamInfo<TrimCase>& param) {
                           return "Before" + std::to_string(param.param.before);
                         });

TEST(TrimLog, TrimsOncePerAppendSoTheLogMayStayAboveTheLimit) {
  MemoryLogBox box;
  box.text = Numbered(20000);
  AppendLog(box, u"x");
  EXPECT_EQ(box.Length(), 20000u - 999u + 1u);
  EXPECT_EQ(box.text.front(), Numbered(1000).back());
}

TEST(TrimLog, PutsTheCaretAtTheEndWithoutAppending) {
  MemoryLogBox box;
  box.text = u"abc";
  box.anchor = 0;
  box.caret = 2;
  TrimLog(box);
  EXPECT_EQ(box.text, u"abc");
  EXPECT_EQ(box.anchor, 3u);
  EXPECT_EQ(box.caret, 3u);
}

}  // namespace
}  // namespace setvornip
