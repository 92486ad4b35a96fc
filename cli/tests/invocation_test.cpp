#include "invocation.h"

#include <gtest/gtest.h>

namespace vornctl {
namespace {

TEST(Invocation, OptionsMayStandAnywhereAndTakeTheirValues) {
  auto in = parse_invocation(
      {"--interface", "pc0", "set", "00-20-4A-8D-72-33", "--netmask=255.255.0.0", "10.0.0.5"});
  EXPECT_TRUE(in.error.empty());
  EXPECT_EQ(in.command, "set");
  EXPECT_EQ(in.words, (std::vector<std::string>{"00-20-4A-8D-72-33", "10.0.0.5"}));
  EXPECT_EQ(option(in, "--interface"), "pc0");
  EXPECT_EQ(option(in, "--netmask"), "255.255.0.0");
  EXPECT_FALSE(option(in, "--host-bits"));
}

TEST(Invocation, FlagsAndHelp) {
  auto in = parse_invocation({"scan", "--json", "-h"});
  EXPECT_EQ(in.flags.count("--json"), 1u);
  EXPECT_EQ(in.flags.count("--help"), 1u);
}

TEST(Invocation, UnknownOptionAndMissingValueAreErrors) {
  EXPECT_FALSE(parse_invocation({"find", "--colour"}).error.empty());
  EXPECT_FALSE(parse_invocation({"ask", "h", "t", "--terminator"}).error.empty());
}

}  // namespace
}  // namespace vornctl
