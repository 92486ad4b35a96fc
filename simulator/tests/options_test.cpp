// The command line: address texts, behaviour options, and the one-source rule for the
// command port's script.
#include "options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace devsim {
namespace {

OptionsParse parse(std::vector<std::string> args) { return parse_options(args); }

Options parse_ok(std::vector<std::string> args) {
  OptionsParse parsed = parse_options(args);
  EXPECT_EQ(parsed.error, "");
  return parsed.options;
}

TEST(AddressTexts, MacTakesBothSeparatorsButNotMixed) {
  const Mac expected{0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33};
  EXPECT_EQ(parse_mac("00-20-4A-8D-72-33"), expected);
  EXPECT_EQ(parse_mac("00:20:4a:8d:72:33"), expected);
  EXPECT_FALSE(parse_mac("00-20:4A-8D-72-33"));
  EXPECT_FALSE(parse_mac("00-20-4A-8D-72-3"));
  EXPECT_FALSE(parse_mac("00-20-4A-8D-72-33-"));
  EXPECT_FALSE(parse_mac("00-20-4G-8D-72-33"));
  EXPECT_FALSE(parse_mac("0020.4A8D.7233...."));
  EXPECT_EQ(format_mac(expected), "00:20:4A:8D:72:33");
}

TEST(AddressTexts, Ipv4IsStrictAndPrefixOptional) {
  EXPECT_EQ(parse_ipv4("192.168.16.100"), (Ipv4{192, 168, 16, 100}));
  for (const char* bad : {"192.168.16", "192.168.16.256", "192.168.16.1.5", "192..16.1",
                          "192.168.16.-1", " 192.168.16.1", "a.b.c.d", ""}) {
    EXPECT_FALSE(parse_ipv4(bad)) << bad;
  }
  const auto with = parse_ipv4_prefix("10.1.2.3/16", 24);
  ASSERT_TRUE(with);
  EXPECT_EQ(with->prefix, 16);
  EXPECT_EQ(parse_ipv4_prefix("10.1.2.3", 24)->prefix, 24);
  EXPECT_FALSE(parse_ipv4_prefix("10.1.2.3/33", 24));
  EXPECT_FALSE(parse_ipv4_prefix("10.1.2.3/", 24));
  EXPECT_EQ(format_ipv4({10, 0, 0, 1}), "10.0.0.1");
}

TEST(Options, DefaultsEchoEveryLine) {
  const Options options = parse_ok({});
  EXPECT_TRUE(options.interface.empty());
  EXPECT_FALSE(options.retake);
  EXPECT_TRUE(parse_ok({"--retake"}).retake);
  EXPECT_FALSE(options.any_namespace);
  EXPECT_FALSE(options.address);
  EXPECT_EQ(options.default_prefix, 24);
  ASSERT_EQ(options.command_steps.size(), 3u);
  EXPECT_EQ(options.command_steps[1].text, "OK:\\L\\r");
}

TEST(Options, ValuesComeSeparateOrAfterEquals) {
  const Options options =
      parse_ok({"--interface", "veth1", "--mac=00-20-4A-8D-72-33", "--address", "192.168.16.100",
                "--default-prefix=16", "--log", "/tmp/x.log"});
  EXPECT_EQ(options.interface, "veth1");
  EXPECT_EQ(options.mac, (Mac{0x00, 0x20, 0x4A, 0x8D, 0x72, 0x33}));
  EXPECT_EQ(options.log_path, "/tmp/x.log");
  // A starting address without a prefix takes the default prefix, wherever that is given.
  ASSERT_TRUE(options.address);
  EXPECT_EQ(options.address->prefix, 16);
}

TEST(Options, DiscoveryBehaviours) {
  const Options options = parse_ok({"--discovery-before", "0,29,31,65000", "--discovery-flood",
                                    "5,20", "--discovery-delay", "300", "--discovery-mac",
                                    "02:11:22:33:44:55", "--discovery-silent"});
  EXPECT_EQ(options.discovery.before_lengths, (std::vector<int>{0, 29, 31, 65000}));
  EXPECT_EQ(options.discovery.flood_count, 5);
  EXPECT_EQ(options.discovery.flood_interval_ms, 20);
  EXPECT_EQ(options.discovery.delay_ms, 300);
  EXPECT_TRUE(options.discovery.reply_mac);
  EXPECT_TRUE(options.discovery.silent);
}

TEST(Options, BadValuesAreRefused) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--discovery-before", "65001"},
           {"--discovery-before", "10,"},
           {"--discovery-flood", "5"},
           {"--discovery-flood", "5,20,1"},
           {"--mac", "00-20-4A-8D-72"},
           {"--address", "192.168.16.300"},
           {"--default-prefix", "33"},
           {"--setup-reset-after", "-1"},
           {"--command-large", "lots"},
           {"--command-reply", "bad\\escape"},
           {"--interface"},
           {"--unknown"},
           {"stray"},
       }) {
    EXPECT_NE(parse(args).error, "") << args.front();
  }
}

TEST(Options, SetupBehaviours) {
  const Options options =
      parse_ok({"--setup-silent", "--setup-no-menu", "--setup-reset-after", "10"});
  EXPECT_TRUE(options.setup.silent);
  EXPECT_TRUE(options.setup.no_menu);
  EXPECT_EQ(options.setup.reset_after, 10);
  EXPECT_EQ(parse_ok({}).setup.reset_after, -1);
}

TEST(Options, CommandStepsAccumulate) {
  const Options options =
      parse_ok({"--command-step", "recv-line", "--command-step", "send ABC", "--command-step",
                "sleep 50", "--command-step", "send DEFG\\r", "--command-step", "repeat"});
  ASSERT_EQ(options.command_steps.size(), 5u);
  EXPECT_EQ(options.command_steps[2].number, 50);
}

TEST(Options, OnlyOneSourceOfCommandScript) {
  EXPECT_NE(parse({"--command-large", "10", "--command-sink"}).error, "");
  EXPECT_NE(parse({"--command-reply", "X\\r", "--command-step", "hold"}).error, "");
  EXPECT_NE(parse({"--command-step", "send X", "--command-step", "repeat"}).error, "");
  EXPECT_EQ(parse_ok({"--command-large", "50000000"}).command_steps[1].number, 50000000);
}

TEST(Options, CommandScriptFileIsRead) {
  const std::string path = ::testing::TempDir() + "devsim_script.txt";
  {
    std::ofstream file(path);
    file << "# idle reply\nrecv-idle 100\nsend got \\L\\r\n";
  }
  const Options options = parse_ok({"--command-script", path});
  ASSERT_EQ(options.command_steps.size(), 2u);
  EXPECT_EQ(options.command_steps[0].kind, StepKind::recv_idle);
  std::remove(path.c_str());
  EXPECT_NE(parse({"--command-script", path}).error, "");
}

}  // namespace
}  // namespace devsim
