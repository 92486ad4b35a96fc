#include "output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "exit_codes.h"

namespace vornctl {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

TEST(Output, JsonHoldsTheResultOrTheErrorOnceAtTheEnd) {
  CaptureStdout();
  CaptureStderr();
  {
    Output out(true, "find");
    out.doc()["mac"] = "00-20-4A-8D-72-33";
    out.line("not in JSON");
    out.bytes("nor this");
    EXPECT_EQ(out.library_error("find", -1008), kExitNotFound);
    EXPECT_EQ(out.finish(kExitNotFound), kExitNotFound);
    out.finish(kExitNotFound);
  }
  const std::string printed = GetCapturedStdout();
  EXPECT_EQ(GetCapturedStderr(),
            "vornctl: find failed: -1008 ERR_NODEVICE_FORMAC: no device answered for that MAC "
            "address\n");
  const auto j = nlohmann::json::parse(printed);  // one document, written once
  EXPECT_EQ(j["command"], "find");
  EXPECT_EQ(j["mac"], "00-20-4A-8D-72-33");
  EXPECT_EQ(j["exit_status"], 3);
  EXPECT_EQ(j["error"]["code"], -1008);
  EXPECT_EQ(j["error"]["name"], "ERR_NODEVICE_FORMAC");
  EXPECT_EQ(j["error"]["exit_name"], "not-found");
  EXPECT_EQ(j["error"]["description"], "no device answered for that MAC address");
}

TEST(Output, ABinaryReplyStillMakesValidJson) {
  CaptureStdout();
  {
    Output out(true, "ask");
    out.doc()["reply"] = std::string("OK\xFF\xFE\r", 5);
    out.finish(kExitOk);
  }
  const auto j = nlohmann::json::parse(GetCapturedStdout());
  EXPECT_EQ(j["reply"], "OK\xEF\xBF\xBD\xEF\xBF\xBD\r");
}

TEST(Output, TextGoesOutAsItComesAndMessagesAreMadePrintable) {
  CaptureStdout();
  CaptureStderr();
  {
    Output out(false, "set");
    out.line("first");
    out.note("file says \x1b[2J here");
    EXPECT_EQ(out.usage_error("not a MAC address: 'a\rb'", "forget"), kExitUsage);
    EXPECT_EQ(out.finish(kExitUsage), kExitUsage);
  }
  EXPECT_EQ(GetCapturedStdout(), "first\n");
  EXPECT_EQ(GetCapturedStderr(),
            "vornctl: file says \\x1B[2J here\n"
            "vornctl: not a MAC address: 'a\\x0Db'\n"
            "usage: vornctl forget [OPTIONS] ADDRESS\n"
            "Try 'vornctl forget --help' for more information.\n");
}

}  // namespace
}  // namespace vornctl
