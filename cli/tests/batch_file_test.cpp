#include "batch_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace vornctl {
namespace {

TEST(BatchFile, RowsKeepTheirLineNumbersAndSkipCommentsAndBlanks) {
  const Batch b = parse_batch(
      "# devices of hall 2\n"
      "00-20-4A-8D-72-33,192.168.16.100\n"
      "\n"
      "   # indented comment\n"
      "00:20:4a:00:00:01, 192.168.16.101 ,255.255.0.0\r\n"
      "00-20-4A-00-00-02,192.168.16.102/8\n"
      "00-20-4A-00-00-03,192.168.16.103,");
  EXPECT_EQ(b.error, "");
  ASSERT_EQ(b.rows.size(), 4u);
  EXPECT_EQ(b.rows[0].line, 2);
  EXPECT_EQ(b.rows[0].mac, "00-20-4A-8D-72-33");
  EXPECT_EQ(b.rows[0].host_bits, 8);
  EXPECT_EQ(b.rows[1].line, 5);
  EXPECT_EQ(b.rows[1].mac, "00:20:4A:00:00:01") << "normalised";
  EXPECT_EQ(b.rows[1].address, "192.168.16.101");
  EXPECT_EQ(b.rows[1].host_bits, 16);
  EXPECT_EQ(b.rows[2].address, "192.168.16.102");
  EXPECT_EQ(b.rows[2].host_bits, 24);
  EXPECT_EQ(b.rows[3].host_bits, 8) << "an empty netmask is the default";
  for (const auto& r : b.rows) EXPECT_EQ(r.error, "") << r.line;
}

TEST(BatchFile, AHeaderNamesTheColumnsInAnyOrder) {
  const Batch b = parse_batch(
      "Address,NETMASK,mac\n"
      "192.168.16.100,255.255.0.0,00-20-4A-8D-72-33\n"
      "192.168.16.101,,00-20-4A-00-00-01\n"
      "192.168.16.102,00-20-4A-00-00-02\n");
  EXPECT_EQ(b.error, "");
  ASSERT_EQ(b.rows.size(), 3u);
  EXPECT_EQ(b.rows[0].line, 2);
  EXPECT_EQ(b.rows[0].mac, "00-20-4A-8D-72-33");
  EXPECT_EQ(b.rows[0].address, "192.168.16.100");
  EXPECT_EQ(b.rows[0].host_bits, 16);
  EXPECT_EQ(b.rows[1].error, "");
  EXPECT_EQ(b.rows[2].error, "expected 3 fields");

  EXPECT_NE(parse_batch("mac,address,colour\n").error, "");
  EXPECT_NE(parse_batch("mac,address,mac\n").error, "");
  EXPECT_NE(parse_batch("mac,netmask\n").error, "") << "no address column";
}

TEST(BatchFile, QuotedFieldsMayHoldCommasAndQuotes) {
  const Batch b = parse_batch(
      "\"00-20-4A-8D-72-33\" , \"192.168.16.100\"\n"
      "\"00-20-4A-00-00-01\",\"192.168.16.101\",\"255.255.255.0\"\n"
      "\"00-20-4A-00-00-02,x\",192.168.16.102\n"
      "\"a\"\"b\",192.168.16.103\n"
      "\"00-20-4A-00-00-05\"x,192.168.16.105\n");
  ASSERT_EQ(b.rows.size(), 5u);
  EXPECT_EQ(b.rows[0].error, "");
  EXPECT_EQ(b.rows[0].address, "192.168.16.100");
  EXPECT_EQ(b.rows[1].error, "");
  EXPECT_EQ(b.rows[2].error, "not a MAC address: '00-20-4A-00-00-02,x'");
  EXPECT_EQ(b.rows[3].mac, "a\"b");
  EXPECT_EQ(b.rows[4].error, "text after a quoted field");
}

// A quote left open fails its own row; the rows after it are read as rows.
TEST(BatchFile, AnUnclosedQuoteIsAnErrorOfItsLineAlone) {
  const Batch b = parse_batch(
      "00-20-4A-00-00-01,\"192.168.16.101\n"
      "00-20-4A-00-00-02,192.168.16.102\n"
      "00-20-4A-00-00-03,\"192.168.16.103\"\n");
  ASSERT_EQ(b.rows.size(), 3u);
  EXPECT_EQ(b.rows[0].line, 1);
  EXPECT_EQ(b.rows[0].error, "a quoted field has no closing quote");
  EXPECT_EQ(b.rows[1].line, 2);
  EXPECT_EQ(b.rows[1].error, "");
  EXPECT_EQ(b.rows[2].line, 3);
  EXPECT_EQ(b.rows[2].address, "192.168.16.103");
}

// "CSV UTF-8" as a spreadsheet saves it: a byte-order mark, the columns
// named in words, empty columns beyond the table, CR LF line ends.
TEST(BatchFile, ASpreadsheetsCsvWithByteOrderMarkAndWordsInTheHeaderIsRead) {
  const Batch b = parse_batch(
      "\xEF\xBB\xBFMAC Address,IP Address,Subnet Mask,,\r\n"
      "00-20-4A-00-00-01,192.168.16.101,255.255.0.0,,\r\n"
      "00-20-4A-00-00-02,192.168.16.102,,,\r\n"
      ",,,,\r\n");
  EXPECT_EQ(b.error, "");
  ASSERT_EQ(b.rows.size(), 3u);
  EXPECT_EQ(b.rows[0].line, 2);
  EXPECT_EQ(b.rows[0].error, "");
  EXPECT_EQ(b.rows[0].host_bits, 16);
  EXPECT_EQ(b.rows[1].error, "");
  EXPECT_EQ(b.rows[1].host_bits, 8);
  EXPECT_EQ(b.rows[2].error, "expected 3 fields") << "an empty row is still a malformed row";
  EXPECT_EQ(parse_batch("ip_address,mac-address\n192.168.16.1,00-20-4A-00-00-01\n").rows[0].error,
            "");
}

// The export of locales that write decimal commas separates by semicolons;
// the first line tells which separator the file uses.
TEST(BatchFile, AFileSeparatedBySemicolonsIsRead) {
  const Batch b = parse_batch(
      "mac;address;netmask\n"
      "00-20-4A-00-00-01;192.168.16.101;255.255.255.0\n"
      "\"00-20-4A-00-00-02\";\"192.168.16.102/16\";\n");
  EXPECT_EQ(b.error, "");
  ASSERT_EQ(b.rows.size(), 2u);
  EXPECT_EQ(b.rows[0].error, "");
  EXPECT_EQ(b.rows[0].address, "192.168.16.101");
  EXPECT_EQ(b.rows[1].error, "");
  EXPECT_EQ(b.rows[1].host_bits, 16);
  const Batch headless = parse_batch("00-20-4A-00-00-01;192.168.16.101\n");
  ASSERT_EQ(headless.rows.size(), 1u);
  EXPECT_EQ(headless.rows[0].error, "");
}

TEST(BatchFile, MalformedRowsAreMarkedNotDropped) {
  const Batch b = parse_batch(
      "only-one-field\n"
      "a,b,c,d\n"
      "00-20-4A-8D-72-33,192.168.16.100,255.0.255.0\n"
      ",192.168.16.100\n"
      "00-20-4A-8D-72-33,192.168.16.1000\n"
      "00-20-4A-8D-72-33,192.168.16.100/16,255.255.255.0\n"
      "00-20-4A-8D-72-33,192.168.16.100/16,255.255.0.0\n");
  ASSERT_EQ(b.rows.size(), 7u);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_NE(b.rows[i].error, "") << "line " << b.rows[i].line;
  EXPECT_EQ(b.rows[5].error, "the prefix and the netmask differ");
  EXPECT_EQ(b.rows[6].error, "") << "the same netmask twice is no contradiction";
  EXPECT_EQ(b.rows[3].line, 4);
}

class BatchFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/vornctl-batch-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override {
    for (const std::string& p : made_) ::unlink(p.c_str());
    ::rmdir(dir_.c_str());
  }
  std::string path(const char* name) {
    made_.push_back(dir_ + "/" + name);
    return made_.back();
  }
  std::string dir_;
  std::vector<std::string> made_;
};

TEST_F(BatchFileOnDisk, OnlyARegularFileOfSaneSizeIsRead) {
  const std::string good = path("good.csv");
  std::ofstream(good) << "00-20-4A-8D-72-33,192.168.16.100\n";
  const Batch read = read_batch_file(good);
  EXPECT_EQ(read.error, "");
  EXPECT_EQ(read.rows.size(), 1u);

  EXPECT_NE(read_batch_file(dir_).error.find("is not a regular file"), std::string::npos);
  EXPECT_NE(read_batch_file("/dev/null").error.find("is not a regular file"), std::string::npos);
  // A FIFO with no writer: refused at once, not waited on.
  const std::string fifo = path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_NE(read_batch_file(fifo).error.find("is not a regular file"), std::string::npos);

  const std::string large = path("large.csv");
  std::ofstream(large) << "#";
  ASSERT_EQ(::truncate(large.c_str(), static_cast<off_t>(kMaxBatchBytes) + 1), 0);
  EXPECT_NE(read_batch_file(large).error.find("is larger than 1024 KiB"), std::string::npos);
  ASSERT_EQ(::truncate(large.c_str(), static_cast<off_t>(kMaxBatchBytes)), 0);
  EXPECT_EQ(read_batch_file(large).error, "") << "exactly at the limit";

  EXPECT_NE(read_batch_file(dir_ + "/missing.csv").error.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace vornctl
