#include "batch_file.h"

#include <gtest/gtest.h>

namespace vornctl {
namespace {

TEST(BatchFile, RowsKeepTheirLineNumbersAndSkipCommentsAndBlanks) {
  const auto rows = parse_batch(
      "# devices of hall 2\n"
      "00-20-4A-8D-72-33,192.168.16.100\n"
      "\n"
      "00:20:4A:00:00:01, 192.168.16.101 ,255.255.0.0\r\n"
      "00-20-4A-00-00-02,192.168.16.102,255.0.0.0\n");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].line, 2);
  EXPECT_EQ(rows[0].mac, "00-20-4A-8D-72-33");
  EXPECT_EQ(rows[0].host_bits, 8);
  EXPECT_EQ(rows[1].line, 4);
  EXPECT_EQ(rows[1].address, "192.168.16.101");
  EXPECT_EQ(rows[1].host_bits, 16);
  EXPECT_EQ(rows[2].host_bits, 24);
  for (const auto& r : rows) EXPECT_TRUE(r.error.empty()) << r.line;
}

TEST(BatchFile, MalformedRowsAreMarkedNotDropped) {
  const auto rows = parse_batch(
      "only-one-field\n"
      "a,b,c,d\n"
      "00-20-4A-8D-72-33,192.168.16.100,255.255.255.128\n"
      ",192.168.16.100\n"
      "00-20-4A-8D-72-33,192.168.16.100,\n");
  ASSERT_EQ(rows.size(), 5u);
  for (const auto& r : rows) EXPECT_FALSE(r.error.empty()) << "line " << r.line;
  EXPECT_EQ(rows[3].line, 4);
}

}  // namespace
}  // namespace vornctl
