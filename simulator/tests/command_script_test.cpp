// Command-port scripts: how steps and texts parse, and what each receive step takes from the
// bytes that have arrived.
#include "command_script.h"

#include <gtest/gtest.h>

#include "command_port.h"

namespace devsim {
namespace {

CommandStep step(std::string_view line) {
  ScriptParse parsed = parse_step(line);
  EXPECT_EQ(parsed.error, "") << line;
  return parsed.steps.empty() ? CommandStep{} : parsed.steps.front();
}

TEST(CommandText, EscapesDecodeToTheirBytes) {
  EXPECT_EQ(expand_text("OK\\r", ""), "OK\r");
  EXPECT_EQ(expand_text("\\n\\t\\\\", ""), "\n\t\\");
  EXPECT_EQ(expand_text("\\x00\\xFf\\x0D", ""), std::string("\x00\xFF\r", 3));
  EXPECT_EQ(expand_text("OK:\\L\\r", "PING"), "OK:PING\r");
  EXPECT_EQ(expand_text("\\L\\L", "ab"), "abab");
}

TEST(CommandText, BadEscapesAreRefused) {
  EXPECT_FALSE(expand_text("OK\\", ""));
  EXPECT_FALSE(expand_text("\\q", ""));
  EXPECT_FALSE(expand_text("\\x4", ""));
  EXPECT_FALSE(expand_text("\\xG0", ""));
}

TEST(CommandSteps, ArgumentsAreReadAsWritten) {
  const CommandStep send = step("send ABC def\\r");
  EXPECT_EQ(send.kind, StepKind::send);
  EXPECT_EQ(send.text, "ABC def\\r");
  const CommandStep trickle = step("trickle 20 OK:\\L\\r");
  EXPECT_EQ(trickle.kind, StepKind::trickle);
  EXPECT_EQ(trickle.number, 20);
  EXPECT_EQ(trickle.text, "OK:\\L\\r");
  EXPECT_EQ(step("large 50000000").number, 50000000);
  EXPECT_EQ(step("recv 6").kind, StepKind::recv_bytes);
  EXPECT_EQ(step("send ").text, "");
}

TEST(CommandSteps, BadStepsAreRefused) {
  for (const char* line : {"sned OK", "recv", "recv 0", "recv -1", "recv 5x", "sleep", "sleep x",
                           "close now", "send \\q", "large 99999999999999999999", ""}) {
    EXPECT_NE(parse_step(line).error, "") << line;
  }
}

TEST(CommandSteps, ScriptFileSkipsCommentsAndBlankLines) {
  const ScriptParse parsed = parse_script(
      "# answer in two pieces\r\nrecv-line\n\nsend ABC\nsleep 50\n"
      "send DEFG\\r\nrepeat");
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.steps.size(), 5u);
  EXPECT_EQ(parsed.steps[0].kind, StepKind::recv_line);
  EXPECT_EQ(parsed.steps[3].text, "DEFG\\r");
  EXPECT_EQ(parsed.steps[4].kind, StepKind::repeat);
}

TEST(CommandSteps, ScriptErrorNamesTheLine) {
  EXPECT_NE(parse_script("recv-line\nsend OK\nbogus\n").error.find("line 3"), std::string::npos);
}

TEST(CommandSteps, RepeatWithoutReceiveWouldSpinAndIsRefused) {
  EXPECT_NE(check_script(parse_script("send X\nrepeat").steps), "");
  EXPECT_EQ(check_script(parse_script("recv-line\nsend X\nrepeat").steps), "");
  EXPECT_NE(check_script({}), "");
  for (const auto& script :
       {echo_script(), reply_script("X\\r"), large_script(10), trickle_script(5),
        close_at_once_script(), sink_script(), reset_mid_reply_script()}) {
    EXPECT_EQ(check_script(script), "");
  }
}

TEST(CommandInput, LineTakesUpToTheCrAndLeavesTheRest) {
  std::string inbox = "ABC";
  const CommandStep line = step("recv-line");
  EXPECT_FALSE(take_input(line, inbox, false));
  inbox += "D\rEF\rG";
  EXPECT_EQ(take_input(line, inbox, false), "ABCD");
  EXPECT_EQ(take_input(line, inbox, false), "EF");
  EXPECT_FALSE(take_input(line, inbox, false));
  EXPECT_EQ(inbox, "G");
}

TEST(CommandInput, CountTakesExactlyThatMany) {
  std::string inbox = "12345";
  const CommandStep six = step("recv 6");
  EXPECT_FALSE(take_input(six, inbox, false));
  inbox += "67";
  EXPECT_EQ(take_input(six, inbox, false), "123456");
  EXPECT_EQ(inbox, "7");
}

TEST(CommandInput, IdleTakesEverythingOnlyOnceQuietAndNotEmpty) {
  const CommandStep idle = step("recv-idle 100");
  std::string inbox;
  EXPECT_FALSE(take_input(idle, inbox, true));
  inbox = "no CR here";
  EXPECT_FALSE(take_input(idle, inbox, false));
  EXPECT_EQ(take_input(idle, inbox, true), "no CR here");
  EXPECT_TRUE(inbox.empty());
}

TEST(CommandLarge, PatternRunsOnAcrossPiecesAndHoldsNoCr) {
  const std::string whole = large_pattern(0, 200);
  EXPECT_EQ(whole.substr(0, 3), "ABC");
  EXPECT_EQ(whole[26], 'A');
  EXPECT_EQ(large_pattern(0, 120) + large_pattern(120, 80), whole);
  EXPECT_EQ(whole.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace devsim
