#include "command_line.h"

#include <gtest/gtest.h>

#include <set>

#include "vocabulary.h"

namespace vornctl {
namespace {

TEST(CommandLine, ShortAndLongOptionsStandBeforeOrAfterTheWords) {
  auto line = parse_command_line({"-t", "400", "set", "00-20-4A-8D-72-33", "--netmask=255.255.0.0",
                                  "10.0.0.5", "-jv", "--host-bits", "8"});
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.command, "set");
  EXPECT_EQ(line.words, (std::vector<std::string>{"00-20-4A-8D-72-33", "10.0.0.5"}));
  EXPECT_EQ(line.options.timeout, "400");
  EXPECT_EQ(line.options.netmask, "255.255.0.0");
  EXPECT_EQ(line.options.host_bits, "8");
  EXPECT_TRUE(line.options.json);
  EXPECT_TRUE(line.options.trace);
  EXPECT_FALSE(line.options.force);

  auto attached = parse_command_line({"ask", "-c4", "-e;", "-r", "h", "t", "--interface=pc0"});
  EXPECT_EQ(attached.error, "");
  EXPECT_EQ(attached.options.max_bytes, "4");
  EXPECT_EQ(attached.options.terminator, ";");
  EXPECT_TRUE(attached.options.raw);
  EXPECT_EQ(attached.options.interface, "pc0");
}

TEST(CommandLine, DoubleDashEndsTheOptions) {
  auto line = parse_command_line({"ask", "-j", "--", "192.168.16.100", "-X\\r"});
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.words, (std::vector<std::string>{"192.168.16.100", "-X\\r"}));
  EXPECT_TRUE(line.options.json);
  auto before = parse_command_line({"--", "find", "--json"});
  EXPECT_EQ(before.command, "find");
  EXPECT_EQ(before.words, (std::vector<std::string>{"--json"}));
  EXPECT_FALSE(before.options.json);
}

TEST(CommandLine, AnOptionTheCommandDoesNotTakeIsAnError) {
  EXPECT_EQ(parse_command_line({"find", "--netmask", "255.255.0.0", "m"}).error,
            "unknown option '--netmask' for find");
  EXPECT_EQ(parse_command_line({"find", "-m", "255.255.0.0", "m"}).error,
            "unknown option '-m' for find");
  EXPECT_EQ(parse_command_line({"find", "--json=yes", "m"}).error,
            "option '--json' takes no value");
  EXPECT_EQ(parse_command_line({"--interface", "pc0", "version"}).error,
            "version takes no option --interface");
  EXPECT_EQ(parse_command_line({"--force", "set", "m", "a"}).error,
            "unknown option '--force' before the command");
  EXPECT_EQ(parse_command_line({"ask", "h", "t", "--terminator"}).error,
            "option '--terminator' needs a value");
  EXPECT_EQ(parse_command_line({"ask", "h", "t", "-e"}).error, "option '-e' needs a value");
  // The first problem is told, and the rest of the line is still read.
  auto line = parse_command_line({"scan", "--colour", "--json", "-h"});
  EXPECT_EQ(line.error, "unknown option '--colour' for scan");
  EXPECT_TRUE(line.options.json);
  EXPECT_TRUE(line.options.help);
}

TEST(CommandLine, OperandsAreCounted) {
  EXPECT_EQ(parse_command_line({"find"}).error, "missing operand");
  EXPECT_EQ(parse_command_line({"find", "a", "b"}).error, "extra operand 'b'");
  EXPECT_EQ(parse_command_line({"scan", "x"}).error, "extra operand 'x'");
  EXPECT_EQ(parse_command_line({"frobnicate"}).error, "unknown command 'frobnicate'");
  auto nothing = parse_command_line({});
  EXPECT_EQ(nothing.command, "");
  EXPECT_EQ(nothing.error, "");
  auto version = parse_command_line({"-V"});
  EXPECT_TRUE(version.options.version);
  EXPECT_EQ(version.error, "");
}

TEST(Vocabulary, NamesAreUniqueAndEveryOptionOfEveryCommandParses) {
  std::set<char> shorts;
  std::set<std::string> longs;
  for (const OptionSpec& o : option_table()) {
    if (o.short_name != 0) {
      EXPECT_TRUE(shorts.insert(o.short_name).second) << o.short_name;
    }
    EXPECT_TRUE(longs.insert(o.long_name).second) << o.long_name;
  }
  for (const CommandSpec& c : command_table()) {
    for (int id : c.options) {
      const OptionSpec* o = find_option(id);
      ASSERT_NE(o, nullptr);
      std::vector<std::string> args = {c.name, std::string("--") + o->long_name};
      if (o->argument != nullptr) args.push_back("1");
      for (int i = 0; i < c.min_words; ++i) args.push_back("w");
      EXPECT_EQ(parse_command_line(args).error, "") << c.name << " --" << o->long_name;
    }
  }
}

}  // namespace
}  // namespace vornctl
