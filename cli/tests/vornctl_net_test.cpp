// vornctl run as a script runs it, inside the test bed against simulated
// devices: output, errors and exit status of each command.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "devsim/launcher.h"
#include "testbed/testbed.h"

namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

class VornctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::available()) GTEST_SKIP() << testbed::unavailable_reason();
    bed_ = std::make_unique<testbed::TestBed>();
  }

  void TearDown() override {
    for (pid_t pid : simulators_) devsim::stop_simulator(pid);
    bed_.reset();
  }

  // A simulated device; `address` empty for one that has none yet.
  testbed::Device device(const std::string& mac, const std::string& address,
                         std::vector<std::string> args = {}) {
    testbed::Device d = bed_->add_device(mac, address);
    const std::string base = ::testing::TempDir() + d.ns;
    logs_.push_back(base + ".log");
    args.insert(args.end(), {"--mac", mac, "--log", base + ".log"});
    pid_t pid = devsim::start_simulator(d.ns, args, base + ".ready", std::chrono::seconds(10));
    EXPECT_GT(pid, 0) << "simulator for " << mac;
    simulators_.push_back(pid);
    return d;
  }

  Result vornctl(std::vector<std::string> args, std::vector<std::string> prefix = {}) {
    std::vector<std::string> argv = prefix;
    argv.push_back(VORNCTL_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"--timeout", "400"});
    Result r;
    r.status = testbed::run_in(bed_->pc(), argv, &r.out, &r.err);
    return r;
  }

  std::string log_of(std::size_t index) {
    std::ifstream in(logs_.at(index));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::unique_ptr<testbed::TestBed> bed_;
  std::vector<pid_t> simulators_;
  std::vector<std::string> logs_;
};

TEST_F(VornctlTest, VersionPrintsTheLibraryText) {
  Result r = vornctl({"version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "VornEN.DLL Rev. 1.001\n");
}

TEST_F(VornctlTest, FindPrintsTheAddressAndFailuresNameTheirCode) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  Result found = vornctl({"find", "00-20-4A-8D-72-33"});
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, "192.168.16.100\n");
  EXPECT_EQ(found.err.find("waiting"), std::string::npos) << "no notice when not a terminal";

  Result absent = vornctl({"find", "00-20-4A-00-00-99"});
  EXPECT_EQ(absent.status, 1);
  EXPECT_NE(absent.err.find("-1008 ERR_NODEVICE_FORMAC: no device answered"), std::string::npos)
      << absent.err;
  Result bad = vornctl({"find", "00-20-4a-8d-72-33"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("-1005 ERR_ILLEGAL_INPUT_PARAMETER"), std::string::npos) << bad.err;
  EXPECT_EQ(vornctl({"find"}).status, 2);
}

TEST_F(VornctlTest, SetGivesTheAddressThatFindThenFinds) {
  device("00-20-4A-8D-72-33", "");
  device("00-20-4A-00-00-02", "");
  Result set = vornctl({"set", "00:20:4A:8D:72:33", "192.168.16.100", "--host-bits", "8"});
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.out, "00:20:4A:8D:72:33 -> 192.168.16.100: ok\n");
  EXPECT_EQ(set.err.find("warning"), std::string::npos) << "root has the right";
  EXPECT_NE(log_of(0).find("address set 192.168.16.100 host-bits 8"), std::string::npos)
      << log_of(0);
  Result found = vornctl({"find", "00-20-4A-8D-72-33"});
  EXPECT_EQ(found.out, "192.168.16.100\n");

  Result wide = vornctl({"set", "00-20-4A-00-00-02", "192.168.16.102", "--netmask", "255.255.0.0"});
  EXPECT_EQ(wide.status, 0) << wide.err;
  EXPECT_NE(log_of(1).find("address set 192.168.16.102 host-bits 16"), std::string::npos)
      << log_of(1);
}

TEST_F(VornctlTest, SetRefusesBadOptionsAndReportsLibraryFailures) {
  EXPECT_EQ(vornctl({"set", "00-20-4A-8D-72-33", "192.168.16.100", "--netmask", "255.255.255.128"})
                .status,
            2);
  EXPECT_EQ(vornctl({"set", "00-20-4A-8D-72-33", "192.168.16.100", "--host-bits", "33"}).status, 2);
  Result outside = vornctl({"set", "00-20-4A-8D-72-33", "10.0.0.1"});
  EXPECT_EQ(outside.status, 1);
  EXPECT_NE(outside.err.find("-1007 ERR_INPUTED_IP_MAY_UNREACHABLE"), std::string::npos);
}

TEST_F(VornctlTest, SetWarnsWithoutTheRightToChangeTheNeighbourTable) {
  Result r = vornctl({"set", "00-20-4A-8D-72-33", "192.168.16.100"},
                     {"/usr/bin/setpriv", "--bounding-set", "-net_admin"});
  EXPECT_NE(r.err.find("warning: no right to change the neighbour table"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.status, 1) << "nobody answers at the address";
}

TEST_F(VornctlTest, SendAndAskCarryEscapedTextAndTheReply) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  Result ask = vornctl({"ask", "192.168.16.100", "HELLO\\r"});
  EXPECT_EQ(ask.status, 0) << ask.err;
  EXPECT_EQ(ask.out, "OK:HELLO\r\n");
  Result capped = vornctl({"ask", "192.168.16.100", "HELLO\\r", "--max-bytes", "4"});
  EXPECT_EQ(capped.out, "OK:H\n");
  Result send = vornctl({"send", "192.168.16.100", "PING\\x0d"});
  EXPECT_EQ(send.status, 0) << send.err;
  EXPECT_NE(log_of(0).find("command recv 5 bytes 50494E470D"), std::string::npos) << log_of(0);

  Result nobody = vornctl({"ask", "192.168.16.200", "HELLO\\r"});
  EXPECT_EQ(nobody.status, 1);
  EXPECT_NE(nobody.err.find("-101 ERR_TIMEOUT_ONCONNECTION"), std::string::npos) << nobody.err;
  EXPECT_EQ(vornctl({"send", "192.168.16.100", ""}).status, 1) << "nothing to send";
}

TEST_F(VornctlTest, AskStopsAtTheChosenTerminator) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24", {"--command-reply", "A;B;C\\r"});
  Result r = vornctl({"ask", "192.168.16.100", "Q\\r", "--terminator", ";"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "A;\n");
}

TEST_F(VornctlTest, ScanListsEveryDeviceSortedAndAsJson) {
  device("00-20-4A-00-00-03", "192.168.16.103/24");
  device("00-20-4A-00-00-01", "192.168.16.101/24");
  device("00-20-4A-00-00-02", "192.168.16.102/24");
  Result table = vornctl({"scan"});
  EXPECT_EQ(table.status, 0) << table.err;
  EXPECT_EQ(table.out,
            "MAC                ADDRESS\n"
            "00-20-4A-00-00-01  192.168.16.101\n"
            "00-20-4A-00-00-02  192.168.16.102\n"
            "00-20-4A-00-00-03  192.168.16.103\n");
  Result json = vornctl({"scan", "--json"});
  EXPECT_EQ(json.out,
            "[\n"
            "  {\"mac\": \"00-20-4A-00-00-01\", \"address\": \"192.168.16.101\"},\n"
            "  {\"mac\": \"00-20-4A-00-00-02\", \"address\": \"192.168.16.102\"},\n"
            "  {\"mac\": \"00-20-4A-00-00-03\", \"address\": \"192.168.16.103\"}\n"
            "]\n");
}

TEST_F(VornctlTest, BatchProvisionsGoodRowsAndReportsBadOnesByLine) {
  device("00-20-4A-00-00-01", "");
  device("00-20-4A-00-00-02", "");
  device("00-20-4A-00-00-03", "");
  const std::string path = ::testing::TempDir() + "vornctl-batch.csv";
  {
    std::ofstream csv(path);
    csv << "00-20-4A-00-00-01,192.168.16.101\n"
           "00-20-4a-00-00-09,192.168.16.109\n"
           "00-20-4A-00-00-02,192.168.16.102,255.255.255.0\n"
           "this line is not a row\n"
           "00-20-4A-00-00-03,192.168.16.103\n";
  }
  ::chmod(path.c_str(), 0644);
  Result r = vornctl({"set", "--from", path});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("line 2: 00-20-4a-00-00-09 -> 192.168.16.109: failed -1005"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("line 4: malformed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("5 rows: 3 provisioned, 2 failed"), std::string::npos) << r.out;
  for (const char* mac_and_address :
       {"01 192.168.16.101", "02 192.168.16.102", "03 192.168.16.103"}) {
    const std::string s = mac_and_address;
    Result found = vornctl({"find", "00-20-4A-00-00-" + s.substr(0, 2)});
    EXPECT_EQ(found.out, s.substr(3) + "\n");
  }
}

TEST_F(VornctlTest, InterfaceOptionPicksOneOfSeveralAdapters) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  bed_->pc_ip({"link", "add", "extra0", "type", "veth", "peer", "name", "extra1"});
  bed_->pc_ip({"addr", "add", "10.1.2.3/8", "dev", "extra0"});
  Result plain = vornctl({"find", "00-20-4A-8D-72-33"});
  EXPECT_EQ(plain.status, 1);
  EXPECT_NE(plain.err.find("-15 ERR_TOOMANYNONETWORKINTERFACE"), std::string::npos) << plain.err;
  Result chosen = vornctl({"--interface", "pc0", "find", "00-20-4A-8D-72-33"});
  EXPECT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_EQ(chosen.out, "192.168.16.100\n");
  Result missing = vornctl({"--interface", "nosuch0", "find", "00-20-4A-8D-72-33"});
  EXPECT_NE(missing.err.find("-14 ERR_NONETWORKINTERFACEONINFO"), std::string::npos);
}

TEST_F(VornctlTest, EveryCommandHasHelp) {
  for (const char* command : {"version", "find", "set", "send", "ask", "scan"}) {
    Result r = vornctl({command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind("usage: vornctl ", 0), 0u) << command;
  }
  EXPECT_EQ(vornctl({"frobnicate"}).status, 2);
}

}  // namespace
