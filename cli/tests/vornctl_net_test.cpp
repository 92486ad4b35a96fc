// vornctl run as a script runs it, inside the test bed against simulated
// devices: output, errors, JSON and exit status of each command, each exit
// status brought about by the situation it stands for.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testbed/simulator.h"
#include "testbed/testbed.h"

namespace {

using nlohmann::json;

struct Result {
  int status;
  std::string out;
  std::string err;
};

// The exit statuses, as the program documents them.
enum : int {
  kOk = 0,
  kFailure = 1,
  kUsage = 2,
  kNotFound = 3,
  kTimedOut = 4,
  kRefused = 5,
  kAdapter = 6,
  kNoRight = 7,
  kUnsafe = 8,
  kSomeRows = 9,
  kOutput = 10,
  kInterrupted = 130,
};

const std::vector<std::string> kWithoutRight = {"/usr/bin/setpriv", "--bounding-set", "-net_admin"};

class VornctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::available()) GTEST_SKIP() << testbed::unavailable_reason();
    bed_ = std::make_unique<testbed::TestBed>();
  }

  void TearDown() override {
    for (pid_t pid : simulators_) testbed::stop_simulator(pid);
    bed_.reset();
  }

  // A simulated device; `address` empty for one that has none yet.
  testbed::Device device(const std::string& mac, const std::string& address,
                         std::vector<std::string> args = {}) {
    testbed::Device d = bed_->add_device(mac, address);
    const std::string base = ::testing::TempDir() + d.ns;
    logs_.push_back(base + ".log");
    args.insert(args.end(), {"--mac", mac, "--log", base + ".log"});
    pid_t pid = testbed::start_simulator(d.ns, args, base + ".ready", std::chrono::seconds(10));
    EXPECT_GT(pid, 0) << "simulator for " << mac;
    simulators_.push_back(pid);
    return d;
  }

  Result vornctl(std::vector<std::string> args, std::vector<std::string> prefix = {}) {
    std::vector<std::string> argv = prefix;
    argv.push_back(VORNCTL_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    Result r;
    r.status = testbed::run_in(bed_->pc(), argv, &r.out, &r.err);
    return r;
  }

  // The short wait keeps the failures quick; given before the command, it
  // comes before any "--" too.
  Result quick(std::vector<std::string> args, std::vector<std::string> prefix = {}) {
    args.insert(args.begin(), {"--timeout", "400"});
    return vornctl(args, prefix);
  }

  // The simulator writes its log as it goes: wait for the line, within a
  // deadline, and return the log as it is then.
  std::string wait_for_log(std::size_t index, const std::string& line) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string text;
    for (;;) {
      std::ifstream in(logs_.at(index));
      std::stringstream s;
      s << in.rdbuf();
      text = s.str();
      if (text.find(line) != std::string::npos || std::chrono::steady_clock::now() > deadline)
        return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  // A provisioning file, readable by the workers whatever their rights.
  static std::string provisioning_file(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    ::chmod(path.c_str(), 0644);
    return path;
  }

  std::string neighbours() {
    std::string out;
    testbed::run_in(bed_->pc(), {"ip", "neigh", "show", "dev", "pc0"}, &out);
    return out;
  }

  std::unique_ptr<testbed::TestBed> bed_;
  std::vector<pid_t> simulators_;
  std::vector<std::string> logs_;
};

// The standard output as one JSON document; a failure when it is not one.
json document(const Result& r) {
  try {
    return json::parse(r.out);
  } catch (const json::exception& e) {
    ADD_FAILURE() << "not JSON: " << e.what() << "\n" << r.out;
    return json::object();
  }
}

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Polls `condition` until it holds or the (generous) deadline passes.
bool eventually(const std::function<bool()>& condition,
                std::chrono::seconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A process as /proc shows it: its parent, its state, and its start time,
// which tells it from a later process given the same pid.
struct Process {
  pid_t pid = 0;
  pid_t parent = 0;
  char state = '?';
  unsigned long long started = 0;
};

std::optional<Process> process(pid_t pid) {
  const std::string stat = file_text("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t name_end = stat.rfind(')');
  if (name_end == std::string::npos) return std::nullopt;
  std::istringstream fields(stat.substr(name_end + 2));
  Process p;
  p.pid = pid;
  fields >> p.state >> p.parent;
  std::string skipped;
  for (int i = 0; i < 16; ++i) fields >> skipped;  // fields 6 to 21
  fields >> p.started;
  return p;
}

std::vector<Process> children_of(pid_t parent) {
  std::vector<Process> found;
  DIR* d = ::opendir("/proc");
  if (d == nullptr) return found;
  while (const dirent* e = ::readdir(d)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
    if (pid <= 0) continue;
    if (const auto p = process(pid); p && p->parent == parent) found.push_back(*p);
  }
  ::closedir(d);
  return found;
}

// Still running: neither gone nor a zombie waiting for its reaper.
bool running(const Process& p) {
  const auto now = process(p.pid);
  return now && now->started == p.started && now->state != 'Z' && now->state != 'X';
}

TEST_F(VornctlTest, VersionsAsTextAndJson) {
  Result r = vornctl({"version"});
  EXPECT_EQ(r.status, kOk);
  EXPECT_EQ(r.out, "VornEN.DLL Rev. 1.001\n");
  json j = document(vornctl({"version", "-j"}));
  EXPECT_EQ(j["version"], "VornEN.DLL Rev. 1.001");
  EXPECT_EQ(j["exit_status"], kOk);
  Result program = vornctl({"--version"});
  EXPECT_EQ(program.status, kOk);
  EXPECT_EQ(program.out.rfind("vornctl ", 0), 0u) << program.out;
  EXPECT_NE(program.out.find("library VornEN.DLL Rev. 1.001"), std::string::npos);
}

TEST_F(VornctlTest, FindTakesMacsAsPeopleWriteThem) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  for (const char* mac : {"00-20-4A-8D-72-33", "00:20:4a:8d:72:33", "00-20-4a-8D-72-33"}) {
    Result found = quick({"find", mac});
    EXPECT_EQ(found.status, kOk) << mac << ": " << found.err;
    EXPECT_EQ(found.out, "192.168.16.100\n") << mac;
  }
  EXPECT_EQ(quick({"find", "00-20-4A-8D-72-33"}).err.find("waiting"), std::string::npos)
      << "no notice when not a terminal";
  json j = document(quick({"--json", "find", "00:20:4a:8d:72:33"}));
  EXPECT_EQ(j["command"], "find");
  EXPECT_EQ(j["mac"], "00:20:4A:8D:72:33");
  EXPECT_EQ(j["address"], "192.168.16.100");

  // An absent device.
  Result absent = quick({"find", "00-20-4a-00-00-99", "-j"});
  EXPECT_EQ(absent.status, kNotFound);
  EXPECT_NE(absent.err.find("-1008 ERR_NODEVICE_FORMAC: no device answered"), std::string::npos)
      << absent.err;
  json e = document(absent);
  EXPECT_EQ(e["exit_status"], kNotFound);
  EXPECT_EQ(e["error"]["code"], -1008);
  EXPECT_EQ(e["error"]["name"], "ERR_NODEVICE_FORMAC");
  EXPECT_EQ(e["error"]["exit_name"], "not-found");
  EXPECT_FALSE(e["error"]["description"].get<std::string>().empty());

  Result mixed = quick({"find", "00-20:4A-8D-72-33"});
  EXPECT_EQ(mixed.status, kUsage);
  EXPECT_NE(mixed.err.find("not a MAC address"), std::string::npos) << mixed.err;
}

TEST_F(VornctlTest, SetTakesLowerCaseMacsAndAPrefixAndSaysWhatEntryStays) {
  device("00-20-4A-8D-72-33", "");
  device("00-20-4A-00-00-02", "");
  Result set = quick({"set", "00:20:4a:8d:72:33", "192.168.16.100/16"});
  EXPECT_EQ(set.status, kOk) << set.err;
  EXPECT_EQ(set.out,
            "00:20:4A:8D:72:33 -> 192.168.16.100/16: ok\n"
            "permanent neighbour entry 192.168.16.100 lladdr 00:20:4a:8d:72:33 dev pc0 "
            "PERMANENT stays; 'vornctl forget 192.168.16.100' removes it\n");
  EXPECT_NE(set.err.find("warning: the device gets the prefix /16, the adapter pc0 has /24: the "
                         "device will not take the adapter's broadcast, so find and scan will "
                         "not see it"),
            std::string::npos)
      << set.err;
  EXPECT_NE(wait_for_log(0, "address set 192.168.16.100 host-bits 16")
                .find("address set 192.168.16.100 host-bits 16"),
            std::string::npos);
  EXPECT_NE(neighbours().find("192.168.16.100 lladdr 00:20:4a:8d:72:33 PERMANENT"),
            std::string::npos)
      << neighbours();
  // A device in a /16 no longer hears the PC's /24 broadcast; the other,
  // set by --netmask, is found again by its lower-case MAC.
  json j =
      document(quick({"set", "-j", "00-20-4a-00-00-02", "192.168.16.102", "-m", "255.255.255.0"}));
  EXPECT_EQ(j["exit_status"], kOk) << j.dump();
  EXPECT_EQ(j["mac"], "00-20-4A-00-00-02");
  EXPECT_EQ(j["prefix"], 24);
  EXPECT_EQ(j["host_bits"], 8);
  EXPECT_EQ(j["neighbour_entry"]["lladdr"], "00:20:4a:00:00:02");
  EXPECT_EQ(j["neighbour_entry"]["remove_with"], "vornctl forget 192.168.16.102");
  wait_for_log(1, "address set 192.168.16.102");
  Result found = quick({"find", "00-20-4a-00-00-02"});
  EXPECT_EQ(found.out, "192.168.16.102\n") << found.err;
}

TEST_F(VornctlTest, SetRefusesTheGatewayAndOwnAndTakenAddressesUnlessForced) {
  bed_->pc_ip({"route", "add", "default", "via", "192.168.16.254"});
  bed_->pc_ip({"neigh", "add", "192.168.16.50", "lladdr", "02:00:00:00:00:50", "nud", "reachable",
               "dev", "pc0"});
  Result gateway = quick({"set", "00-20-4A-8D-72-33", "192.168.16.254"});
  EXPECT_EQ(gateway.status, kUnsafe);
  EXPECT_NE(gateway.err.find("192.168.16.254 is the gateway of a route on pc0"), std::string::npos)
      << gateway.err;
  EXPECT_EQ(neighbours().find("192.168.16.254 lladdr 00:20:4a:8d:72:33"), std::string::npos)
      << "nothing written";

  json own = document(quick({"set", "00-20-4A-8D-72-33", "192.168.16.1", "--json"}));
  EXPECT_EQ(own["exit_status"], kUnsafe);
  EXPECT_NE(own["error"]["message"].get<std::string>().find("this PC's own address"),
            std::string::npos);

  Result taken = quick({"set", "00-20-4A-8D-72-33", "192.168.16.50"});
  EXPECT_EQ(taken.status, kUnsafe);
  EXPECT_NE(taken.err.find("with another MAC: 192.168.16.50 lladdr 02:00:00:00:00:50"),
            std::string::npos)
      << taken.err;

  // Forced, the assignment goes ahead; nobody answers at the address.
  Result forced = quick({"set", "--force", "00-20-4A-8D-72-33", "192.168.16.50"});
  EXPECT_EQ(forced.status, kTimedOut) << forced.err;
  EXPECT_NE(forced.err.find("192.168.16.50 lladdr 00:20:4a:8d:72:33 dev pc0 PERMANENT stays"),
            std::string::npos)
      << forced.err;
}

TEST_F(VornctlTest, ForgetRemovesTheEntrySetLeftAndOnlyThat) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  bed_->pc_ip({"neigh", "add", "192.168.16.60", "lladdr", "02:00:00:00:00:60", "nud", "reachable",
               "dev", "pc0"});
  ASSERT_EQ(quick({"set", "00-20-4A-8D-72-33", "192.168.16.100"}).status, kOk);
  ASSERT_NE(neighbours().find("192.168.16.100 lladdr 00:20:4a:8d:72:33 PERMANENT"),
            std::string::npos);

  Result without_right = vornctl({"forget", "192.168.16.100"}, kWithoutRight);
  EXPECT_EQ(without_right.status, kNoRight) << without_right.err;
  EXPECT_NE(neighbours().find("192.168.16.100 lladdr"), std::string::npos) << "still there";

  json j = document(vornctl({"forget", "192.168.16.100", "--json"}));
  EXPECT_EQ(j["exit_status"], kOk);
  EXPECT_EQ(j["removed"]["lladdr"], "00:20:4a:8d:72:33");
  EXPECT_EQ(neighbours().find("192.168.16.100 lladdr 00:20:4a:8d:72:33 PERMANENT"),
            std::string::npos)
      << neighbours();
  Result again = vornctl({"forget", "192.168.16.100"});
  EXPECT_EQ(again.status, kNotFound);
  EXPECT_NE(again.err.find("no permanent neighbour entry for 192.168.16.100"), std::string::npos);

  Result learnt = vornctl({"forget", "192.168.16.60"});
  EXPECT_EQ(learnt.status, kNotFound);
  EXPECT_NE(neighbours().find("192.168.16.60 lladdr 02:00:00:00:00:60"), std::string::npos)
      << "the kernel's own entry stays";

  // An entry still being resolved holds no MAC and counts as none.
  bed_->pc_ip({"neigh", "add", "192.168.16.77", "nud", "incomplete", "dev", "pc0"});
  Result unresolved = vornctl({"forget", "192.168.16.77"});
  EXPECT_EQ(unresolved.status, kNotFound);
  EXPECT_EQ(unresolved.err.find("the kernel's own entry"), std::string::npos) << unresolved.err;
}

TEST_F(VornctlTest, EachFailureHasItsOwnExitStatus) {
  device("00-20-4A-00-00-01", "192.168.16.101/24", {"--setup-silent"});
  device("00-20-4A-00-00-02", "192.168.16.102/24", {"--setup-reset-after", "1"});
  // An address where nothing listens: the kernel there refuses every port.
  bed_->add_device("00-20-4A-00-00-03", "192.168.16.103/24");

  Result silent = quick({"set", "00-20-4A-00-00-01", "192.168.16.101", "-j"});
  EXPECT_EQ(silent.status, kTimedOut) << silent.err;
  EXPECT_EQ(document(silent)["error"]["name"], "ERR_TIMEOUT_ONREAD");

  Result reset = quick({"set", "00-20-4A-00-00-02", "192.168.16.102"});
  EXPECT_EQ(reset.status, kRefused) << reset.err;

  Result refused = quick({"ask", "192.168.16.103", "HELLO\\r", "-j"});
  EXPECT_EQ(refused.status, kRefused) << refused.err;
  EXPECT_EQ(document(refused)["error"]["exit_name"], "refused");

  Result outside = quick({"set", "00-20-4A-8D-72-33", "10.0.0.1"});
  EXPECT_EQ(outside.status, kFailure);
  EXPECT_NE(outside.err.find("-1007 ERR_INPUTED_IP_MAY_UNREACHABLE"), std::string::npos);

  Result no_right = quick({"set", "00-20-4A-8D-72-33", "192.168.16.110"}, kWithoutRight);
  EXPECT_EQ(no_right.status, kNoRight) << no_right.err;
  EXPECT_NE(no_right.err.find("no right to change the neighbour table"), std::string::npos);

  EXPECT_EQ(quick({"set", "00-20-4A-8D-72-33", "192.168.16.100", "--host-bits", "33"}).status,
            kUsage);
  EXPECT_EQ(quick({"set", "00-20-4A-8D-72-33", "192.168.16.100/24", "--host-bits", "8"}).status,
            kUsage);
}

TEST_F(VornctlTest, TwoAdaptersNeedTheInterfaceOption) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  bed_->pc_ip({"link", "add", "extra0", "type", "veth", "peer", "name", "extra1"});
  bed_->pc_ip({"addr", "add", "10.1.2.3/8", "dev", "extra0"});
  Result plain = quick({"find", "00-20-4A-8D-72-33", "--json"});
  EXPECT_EQ(plain.status, kAdapter);
  EXPECT_EQ(document(plain)["error"]["name"], "ERR_TOOMANYNONETWORKINTERFACE");
  Result chosen = quick({"-i", "pc0", "find", "00-20-4A-8D-72-33"});
  EXPECT_EQ(chosen.status, kOk) << chosen.err;
  EXPECT_EQ(chosen.out, "192.168.16.100\n");
  Result after = quick({"find", "--interface=pc0", "00-20-4A-8D-72-33"});
  EXPECT_EQ(after.out, "192.168.16.100\n") << after.err;
  Result missing = quick({"--interface", "nosuch0", "find", "00-20-4A-8D-72-33"});
  EXPECT_EQ(missing.status, kAdapter);
  EXPECT_NE(missing.err.find("-14 ERR_NONETWORKINTERFACEONINFO"), std::string::npos);
  EXPECT_NE(missing.err.find("the PC has no adapter named 'nosuch0'"), std::string::npos)
      << missing.err;
}

TEST_F(VornctlTest, AnEmptyInterfaceNameIsRefused) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  Result r = quick({"--interface", "", "find", "00-20-4A-8D-72-33"});
  EXPECT_EQ(r.status, kUsage) << r.out;
  EXPECT_NE(r.err.find("--interface needs the name of an adapter"), std::string::npos) << r.err;
}

TEST_F(VornctlTest, ADownAdapterIsSaidToBeDownNotARefusingDevice) {
  device("00-20-4A-00-00-02", "");
  bed_->pc_ip({"link", "set", "pc0", "down"});
  Result r = quick({"set", "00-20-4A-00-00-02", "192.168.16.102"});
  EXPECT_EQ(r.status, kAdapter) << r.err;
  EXPECT_NE(r.err.find("the network adapter pc0 is down ('ip link set pc0 up' switches it on)"),
            std::string::npos)
      << r.err;
}

// The library reads an address as inet_aton does: a part with a leading 0 is
// octal, so 192.168.16.010 is 192.168.16.8, another host here, and so is the
// shortened 192.168.4104. Such a text is refused, saying what it stands for,
// and nothing is written; forget and a provisioning file read it alike.
TEST_F(VornctlTest, AnAddressThatIsNotPlainDecimalIsRefusedNamingWhatItWouldBe) {
  device("00-20-4A-00-00-02", "");
  for (const char* text : {"192.168.16.010", "192.168.4104"}) {
    Result set = quick({"set", "00-20-4A-00-00-02", text});
    EXPECT_EQ(set.status, kUsage) << text << ": " << set.err;
    EXPECT_NE(set.err.find("'" + std::string(text) + "' would be 192.168.16.8 ("),
              std::string::npos)
        << set.err;
  }
  EXPECT_EQ(neighbours().find("lladdr 00:20:4a:00:00:02"), std::string::npos) << neighbours();
  Result forget = vornctl({"forget", "192.168.16.010"});
  EXPECT_EQ(forget.status, kUsage) << forget.err;
  EXPECT_NE(forget.err.find("'192.168.16.010' would be 192.168.16.8"), std::string::npos)
      << forget.err;

  const std::string path = ::testing::TempDir() + "vornctl-octal.csv";
  std::ofstream(path) << "00-20-4A-00-00-02,192.168.16.010\n";
  ::chmod(path.c_str(), 0644);
  Result batch = quick({"set", "--from", path});
  EXPECT_EQ(batch.status, kSomeRows) << batch.err;
  EXPECT_NE(batch.out.find("line 1: malformed: '192.168.16.010' would be 192.168.16.8"),
            std::string::npos)
      << batch.out;
  EXPECT_EQ(neighbours().find("lladdr 00:20:4a:00:00:02"), std::string::npos) << neighbours();
}

TEST_F(VornctlTest, SetRefusesTheNetworkAndBroadcastAddressesOfItsPrefix) {
  device("00-20-4A-00-00-02", "");
  Result network = quick({"set", "00-20-4A-00-00-02", "192.168.16.0"});
  EXPECT_EQ(network.status, kUnsafe) << network.err;
  EXPECT_NE(network.err.find("refusing to set 192.168.16.0: it is the address of the network "
                             "192.168.16.0/24 itself (--force sets it anyway)"),
            std::string::npos)
      << network.err;
  Result broadcast = quick({"set", "00-20-4A-00-00-02", "192.168.16.127/25"});
  EXPECT_EQ(broadcast.status, kUnsafe) << broadcast.err;
  EXPECT_NE(broadcast.err.find("it is the broadcast address of 192.168.16.0/25"), std::string::npos)
      << broadcast.err;
  EXPECT_EQ(neighbours().find("lladdr 00:20:4a:00:00:02"), std::string::npos) << neighbours();
}

// Each check and neighbour write is one step under a lock shared by every
// vornctl: of two started together for one address, the second finds the
// first one's entry.
TEST_F(VornctlTest, TwoSetsOfOneAddressAtOnceGiveItToOneDevice) {
  // Devices that take each new address they are given, whoever won before.
  device("00-20-4A-00-00-01", "", {"--retake"});
  device("00-20-4A-00-00-02", "", {"--retake"});
  // One shell starts both, a fork apart, as a script would; each one's
  // status and messages come back in order.
  const std::string script =
      "\"$0\" --timeout 400 set 00-20-4A-00-00-01 \"$1\" 2>&1 & one=$!; "
      "\"$0\" --timeout 400 set 00-20-4A-00-00-02 \"$1\" >\"$2\" 2>&1; two=$?; "
      "wait $one; echo \"status $? $two\"; cat \"$2\"";
  const std::string second_messages = ::testing::TempDir() + "vornctl-second.txt";
  // Without the lock both passed the check in about one attempt of eight.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string address = "192.168.16." + std::to_string(110 + attempt);
    std::string out;
    testbed::run_in(bed_->pc(), {"/bin/sh", "-c", script, VORNCTL_PATH, address, second_messages},
                    &out);
    int first = -1, second = -1;
    ASSERT_EQ(std::sscanf(out.c_str() + out.find("status "), "status %d %d", &first, &second), 2)
        << out;
    EXPECT_EQ((first == kOk) + (second == kOk), 1) << address << ":\n" << out;
    EXPECT_EQ((first == kUnsafe) + (second == kUnsafe), 1) << address << ":\n" << out;
    EXPECT_NE(out.find("in the neighbour table with another MAC"), std::string::npos) << out;
  }
}

// A MAC is six bytes whatever its spelling: the second row for one device
// is not run.
TEST_F(VornctlTest, BatchRowsOfOneMacInTwoSpellingsAreOneDevice) {
  device("00-20-4A-00-00-02", "");
  const std::string path = ::testing::TempDir() + "vornctl-one-mac.csv";
  std::ofstream(path) << "00-20-4A-00-00-02,192.168.16.102\n00:20:4a:00:00:02,192.168.16.103\n";
  ::chmod(path.c_str(), 0644);
  Result r = quick({"set", "--from", path});
  EXPECT_EQ(r.status, kSomeRows) << r.err;
  EXPECT_NE(r.out.find("line 1: 00-20-4A-00-00-02 -> 192.168.16.102/24: ok\n"
                       "line 2: 00:20:4A:00:00:02 is given on line 1\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(neighbours().find("192.168.16.103"), std::string::npos) << neighbours();
}

TEST_F(VornctlTest, TraceShowsTheWholeSetDialogue) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  Result r = quick({"set", "-v", "00-20-4A-8D-72-33", "192.168.16.100"});
  ASSERT_EQ(r.status, kOk) << r.err;
  // Each step in its order, each line time-stamped.
  const std::vector<std::string> steps = {
      "neighbour entry written (\"arp -s 192.168.16.100 00-20-4A-8D-72-33 \"): 192.168.16.100 "
      "lladdr 00:20:4a:8d:72:33 dev pc0 PERMANENT",
      "to 192.168.16.100:1: under way",
      "pause 20 ms",
      "to 192.168.16.100:9999: under way",
      "events on socket",
      "recv on socket",
      "send on socket",
      ": 1 byte 4D \"M\"",
      "recv on socket",
      "pause 1 ms",
      ": 2 bytes 5330 \"S0\"",
      ": 1 byte 0D \"\\r\"",
      ": 76 bytes ",
      "pause 10 ms",
      ": 76 bytes ",
      ": 76 bytes ",
      ": 60 bytes ",
      ": 12 bytes ",
      "pause 10 ms",
      ": 2 bytes 5253 \"RS\"",
      ": 1 byte 0D \"\\r\"",
      "shutdown socket",
      "close socket",
  };
  std::size_t at = 0;
  for (const std::string& step : steps) {
    const std::size_t found = r.err.find(step, at);
    ASSERT_NE(found, std::string::npos) << "missing after offset " << at << ": " << step << "\n"
                                        << r.err;
    at = found + step.size();
  }
  std::istringstream lines(r.err);
  std::string line;
  const std::regex stamped(R"(^ *\d+\.\d{3} ms .+)");
  int count = 0;
  while (std::getline(lines, line)) {
    EXPECT_TRUE(std::regex_match(line, stamped)) << line;
    ++count;
  }
  EXPECT_GT(count, 40);
  EXPECT_EQ(r.out.rfind("00-20-4A-8D-72-33 -> 192.168.16.100/24: ok\n", 0), 0u) << r.out;

  Result find = quick({"find", "--trace", "00-20-4A-8D-72-33"});
  EXPECT_NE(find.err.find("datagram to 192.168.16.255:30718: 4 bytes 000000F6"), std::string::npos)
      << find.err;
  EXPECT_NE(find.err.find("datagram from 192.168.16.100: 30 bytes"), std::string::npos);
}

TEST_F(VornctlTest, AskPrintsTheReplyWithoutTheTerminatorAndSaysWhenItIsCut) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  Result ask = quick({"ask", "192.168.16.100", "HELLO\\r"});
  EXPECT_EQ(ask.status, kOk) << ask.err;
  EXPECT_EQ(ask.out, "OK:HELLO\n");
  EXPECT_EQ(ask.err, "");
  Result raw = quick({"ask", "--raw", "192.168.16.100", "HELLO\\r"});
  EXPECT_EQ(raw.out, "OK:HELLO\r");
  Result dashed = quick({"ask", "192.168.16.100", "--", "-X\\r"});
  EXPECT_EQ(dashed.out, "OK:-X\n") << dashed.err;

  Result capped = quick({"ask", "192.168.16.100", "HELLO\\r", "-c", "4"});
  EXPECT_EQ(capped.status, kOk);
  EXPECT_EQ(capped.out, "OK:H\n");
  EXPECT_NE(capped.err.find("the reply was cut at 4 bytes"), std::string::npos) << capped.err;
  json j = document(quick({"ask", "192.168.16.100", "HELLO\\r", "--max-bytes", "4", "--json"}));
  EXPECT_EQ(j["truncated"], true);
  EXPECT_EQ(j["reply"], "OK:H");
  EXPECT_EQ(j["reply_hex"], "4F4B3A48");
  // Exactly as long as the limit, terminator included: whole, not cut.
  json whole = document(quick({"ask", "192.168.16.100", "HELLO\\r", "-c", "9", "-j"}));
  EXPECT_EQ(whole["truncated"], false);
  EXPECT_EQ(whole["terminated"], true);
  EXPECT_EQ(whole["reply"], "OK:HELLO");
  EXPECT_EQ(whole["reply_hex"], "4F4B3A48454C4C4F0D");

  Result send = quick({"send", "192.168.16.100", "PING\\x0d", "--json"});
  EXPECT_EQ(send.status, kOk) << send.err;
  EXPECT_EQ(document(send)["sent_hex"], "50494E470D");
  EXPECT_NE(wait_for_log(0, "command recv 5 bytes 50494E470D").find("50494E470D"),
            std::string::npos);
  EXPECT_EQ(quick({"send", "192.168.16.100", ""}).status, kFailure) << "nothing to send";
}

TEST_F(VornctlTest, AskStopsAtTheChosenTerminatorAndTakesLargeReplies) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24", {"--command-reply", "A;B;C\\r"});
  device("00-20-4A-00-00-02", "192.168.16.102/24", {"--command-large", "3000000"});
  Result r = quick({"ask", "192.168.16.100", "Q\\r", "--terminator", ";"});
  EXPECT_EQ(r.status, kOk) << r.err;
  EXPECT_EQ(r.out, "A\n");
  Result large = quick({"ask", "192.168.16.102", "Q\\r"});
  EXPECT_EQ(large.status, kOk) << large.err;
  EXPECT_EQ(large.out.size(), 3000001u);
  EXPECT_EQ(large.out.substr(0, 4), "ABCD");
}

// Output that could not be written is a failure, whatever the command did;
// a closed standard output is not handed on to a socket of the library.
TEST_F(VornctlTest, AnOutputThatCannotBeWrittenFailsTheRun) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24");
  auto shell = [&](const std::string& redirected) {
    Result r;
    r.status = testbed::run_in(bed_->pc(), {"sh", "-c", "\"$0\" " + redirected, VORNCTL_PATH},
                               &r.out, &r.err);
    return r;
  };
  for (const char* command : {"version >/dev/full", "--json version >/dev/full",
                              "--timeout 400 scan --json >/dev/full"}) {
    Result full = shell(command);
    EXPECT_EQ(full.status, kOutput) << command;
    EXPECT_NE(full.err.find("vornctl: write error: No space left on device\n"), std::string::npos)
        << command << ": " << full.err;
  }
  Result failed = shell("--timeout 400 --json find 00-20-4A-00-00-99 >/dev/full");
  EXPECT_EQ(failed.status, kNotFound) << "a failure keeps its own status";
  EXPECT_NE(failed.err.find("vornctl: write error"), std::string::npos) << failed.err;
  Result closed = shell("--timeout 400 ask 192.168.16.100 'HELLO\\r' >&-");
  EXPECT_EQ(closed.status, kOutput) << closed.err;
  EXPECT_EQ(closed.err, "vornctl: write error: Bad file descriptor\n");
  EXPECT_EQ(shell("--timeout 400 send 192.168.16.100 'X\\r' >&-").status, kOk)
      << "nothing to write, nothing lost";
}

// A reply that would retitle and clear a terminal reaches it escaped; --raw
// and a pipe take the bytes as they came.
TEST_F(VornctlTest, AskEscapesControlBytesOnATerminal) {
  device("00-20-4A-8D-72-33", "192.168.16.100/24",
         {"--command-reply", "\\x1B]0;TITLE\\x07\\x1B[2J\\r"});
  auto on_terminal = [&](const std::string& options) {
    Result r;
    // script(1) runs the program with a pseudo-terminal as its standard
    // output and copies what reaches that terminal.
    r.status = testbed::run_in(
        bed_->pc(),
        {"script", "-qec",
         std::string(VORNCTL_PATH) + " --timeout 400 ask " + options + " 192.168.16.100 'Q\\r'",
         "/dev/null"},
        &r.out, &r.err);
    return r;
  };
  Result shown = on_terminal("");
  EXPECT_EQ(shown.status, kOk) << shown.err;
  EXPECT_EQ(shown.out, "\\x1B]0;TITLE\\x07\\x1B[2J\r\n");
  EXPECT_NE(on_terminal("--raw").out.find("\x1B]0;TITLE\x07\x1B[2J\r"), std::string::npos);
  EXPECT_EQ(quick({"ask", "192.168.16.100", "Q\\r"}).out, "\x1B]0;TITLE\x07\x1B[2J\n");
}

TEST_F(VornctlTest, ScanListsEveryDeviceSortedAndAsJson) {
  device("00-20-4A-00-00-03", "192.168.16.103/24");
  device("00-20-4A-00-00-01", "192.168.16.101/24");
  device("00-20-4A-00-00-02", "192.168.16.102/24");
  Result table = quick({"scan"});
  EXPECT_EQ(table.status, kOk) << table.err;
  EXPECT_EQ(table.out,
            "MAC                ADDRESS\n"
            "00-20-4A-00-00-01  192.168.16.101\n"
            "00-20-4A-00-00-02  192.168.16.102\n"
            "00-20-4A-00-00-03  192.168.16.103\n");
  json j = document(quick({"scan", "--json"}));
  ASSERT_EQ(j["devices"].size(), 3u) << j.dump();
  EXPECT_EQ(j["devices"][0]["mac"], "00-20-4A-00-00-01");
  EXPECT_EQ(j["devices"][2]["address"], "192.168.16.103");
}

TEST_F(VornctlTest, BatchRunsRowsInParallelAndReportsThemInFileOrder) {
  for (const char* mac :
       {"00-20-4A-00-00-01", "00-20-4A-00-00-02", "00-20-4A-00-00-03", "00-20-4A-00-00-04"})
    device(mac, "");
  const std::string path = ::testing::TempDir() + "vornctl-batch.csv";
  {
    std::ofstream csv(path);
    csv << "MAC,Address,Netmask\n"
           "# hall 2\n"
           "00-20-4A-00-00-01,192.168.16.101,\n"
           "\"00:20:4a:00:00:02\",\"192.168.16.102/16\",\n"
           "this line is not a row\n"
           "00-20-4A-00-00-03,192.168.16.103,255.255.255.0\r\n"
           "00-20-4A-00-00-09,192.168.16.101,\n"
           "\n"
           "00-20-4a-00-00-04,192.168.16.1,\n";
  }
  ::chmod(path.c_str(), 0644);
  Result r = quick({"set", "--from", path, "--jobs", "3"});
  EXPECT_EQ(r.status, kSomeRows) << r.err;
  EXPECT_EQ(r.out,
            "line 3: 00-20-4A-00-00-01 -> 192.168.16.101/24: ok\n"
            "line 4: 00:20:4A:00:00:02 -> 192.168.16.102/16: ok\n"
            "line 5: malformed: expected 3 fields\n"
            "line 6: 00-20-4A-00-00-03 -> 192.168.16.103/24: ok\n"
            "line 7: 192.168.16.101 is given on line 3\n"
            "line 9: 00-20-4A-00-00-04 -> 192.168.16.1/24: refusing to set 192.168.16.1: "
            "192.168.16.1 is this PC's own address (pc0) (--force sets it anyway)\n"
            "6 rows: 3 provisioned, 3 failed\n"
            "permanent neighbour entries stay for the provisioned addresses; 'vornctl forget "
            "ADDRESS' removes one\n");
  EXPECT_NE(wait_for_log(1, "host-bits 16").find("address set 192.168.16.102 host-bits 16"),
            std::string::npos);

  // Again as JSON, traced: the devices answer at their new addresses now,
  // and each worker's trace lines carry its row.
  Result again = quick({"set", "-f", path, "-P", "3", "-j", "-v"});
  EXPECT_NE(again.err.find(" ms line 4: connect socket"), std::string::npos) << again.err;
  EXPECT_NE(again.err.find(" ms line 6: pause 20 ms"), std::string::npos) << again.err;
  json j = document(again);
  EXPECT_EQ(j["exit_status"], kSomeRows);
  ASSERT_EQ(j["rows"].size(), 6u) << j.dump();
  EXPECT_EQ(j["rows"][0]["line"], 3);
  EXPECT_EQ(j["rows"][0]["ok"], true);
  EXPECT_EQ(j["rows"][0]["neighbour_entry"]["lladdr"], "00:20:4a:00:00:01");
  EXPECT_EQ(j["rows"][2]["error"]["exit_name"], "usage");
  EXPECT_EQ(j["rows"][5]["error"]["exit_status"], kUnsafe);
  EXPECT_EQ(j["summary"]["provisioned"], 3);
  EXPECT_EQ(j["summary"]["failed"], 3);
  for (const char* found : {"01 192.168.16.101", "03 192.168.16.103"}) {
    const std::string s = found;
    EXPECT_EQ(quick({"find", "00-20-4A-00-00-" + s.substr(0, 2)}).out, s.substr(3) + "\n");
  }
}

TEST_F(VornctlTest, BatchNamesTheEntriesItsFailedRowsLeave) {
  device("00-20-4A-00-00-01", "");
  const std::string path = ::testing::TempDir() + bed_->pc() + ".csv";
  // Nobody has the second MAC: its row writes the entry, then waits in vain.
  std::ofstream(path) << "00-20-4A-00-00-01,192.168.16.101\n"
                         "00-20-4A-00-00-09,192.168.16.109\n";
  Result r = quick({"set", "--from", path});
  EXPECT_EQ(r.status, kSomeRows) << r.err;
  const std::string note =
      "permanent neighbour entry 192.168.16.109 lladdr 00:20:4a:00:00:09 dev pc0 PERMANENT "
      "stays; 'vornctl forget 192.168.16.109' removes it\n";
  EXPECT_TRUE(
      r.out.ends_with("2 rows: 1 provisioned, 1 failed\n"
                      "permanent neighbour entries stay for the provisioned addresses; "
                      "'vornctl forget ADDRESS' removes one\n" +
                      note))
      << r.out;
  EXPECT_EQ(count_of(r.out, "permanent neighbour entry "), 1u) << "the failed row's alone";
  json j = document(quick({"set", "--from", path, "--json"}));
  ASSERT_EQ(j["rows"].size(), 2u) << j.dump();
  EXPECT_EQ(j["rows"][1]["ok"], false);
  EXPECT_EQ(j["rows"][1]["neighbour_entry"]["remove_with"], "vornctl forget 192.168.16.109");
}

// A batch caught mid-way, as a user meets it when stopping one: row 2 is
// done, rows 3 and 4 are in the setup dialogue with devices that never
// answer, row 5 waits for a free worker.
class StoppedBatchTest : public VornctlTest {
 protected:
  void SetUp() override {
    VornctlTest::SetUp();
    if (IsSkipped()) return;
    device("00-20-4A-00-00-01", "");
    device("00-20-4A-00-00-02", "", {"--setup-silent"});
    device("00-20-4A-00-00-03", "", {"--setup-silent"});
    device("00-20-4A-00-00-04", "");
    const std::string base = ::testing::TempDir() + bed_->pc();
    csv_ = base + ".csv";
    out_ = base + ".out";
    err_ = base + ".err";
    status_ = base + ".status";
    std::ofstream(csv_) << "mac,address\n"
                           "00-20-4A-00-00-01,192.168.16.101\n"
                           "00-20-4A-00-00-02,192.168.16.102\n"
                           "00-20-4A-00-00-03,192.168.16.103\n"
                           "00-20-4A-00-00-04,192.168.16.104\n";
  }

  // Starts `vornctl set --from` with two jobs and a wait far longer than
  // the test, its output going to out_ (a file or a FIFO), and returns once
  // rows 3 and 4 are in their dialogue for the `round`th time.
  void start(const std::vector<std::string>& options, std::size_t round) {
    std::remove(status_.c_str());
    std::vector<std::string> argv = {"/bin/sh",
                                     "-c",
                                     "out=$1 err=$2 status=$3; shift 3; "
                                     "\"$@\" >\"$out\" 2>\"$err\"; echo $? >\"$status\"",
                                     "sh",
                                     out_,
                                     err_,
                                     status_,
                                     VORNCTL_PATH,
                                     "set",
                                     "--from",
                                     csv_,
                                     "--jobs",
                                     "2",
                                     "--timeout",
                                     "60000"};
    argv.insert(argv.end(), options.begin(), options.end());
    const pid_t shell = bed_->spawn(bed_->pc(), argv);
    ASSERT_TRUE(eventually([&] {
      const auto children = children_of(shell);
      if (children.empty()) return false;
      vornctl_ = children[0];
      return true;
    })) << "vornctl started";
    ASSERT_TRUE(eventually([&] {
      return count_of(file_text(logs_[1]), "setup conn from") >= round &&
             count_of(file_text(logs_[2]), "setup conn from") >= round;
    })) << "rows 3 and 4 under way\n"
        << file_text(err_);
    workers_ = children_of(vornctl_.pid);
    ASSERT_EQ(workers_.size(), 2u) << "one worker for each of rows 3 and 4";
  }

  // vornctl's exit status once it has ended; -1 if it did not in time.
  int exit_status() {
    std::string text;
    eventually([&] {
      text = file_text(status_);
      return !text.empty() && text.back() == '\n';
    });
    return text.empty() ? -1 : std::stoi(text);
  }

  bool workers_gone() {
    return eventually([&] {
      for (const Process& w : workers_)
        if (running(w)) return false;
      return true;
    });
  }

  std::string csv_, out_, err_, status_;
  Process vornctl_;
  std::vector<Process> workers_;
};

TEST_F(StoppedBatchTest, ASignalStopsTheWorkersAndTheReportSaysWhatRanAndWhatDidNot) {
  start({}, 1);
  ::kill(vornctl_.pid, SIGTERM);
  EXPECT_EQ(exit_status(), kInterrupted) << file_text(err_);
  EXPECT_TRUE(workers_gone());
  EXPECT_EQ(file_text(out_),
            "line 2: 00-20-4A-00-00-01 -> 192.168.16.101/24: ok\n"
            "line 3: 00-20-4A-00-00-02 -> 192.168.16.102/24: stopped while running: the batch "
            "was interrupted\n"
            "line 4: 00-20-4A-00-00-03 -> 192.168.16.103/24: stopped while running: the batch "
            "was interrupted\n"
            "line 5: 00-20-4A-00-00-04 -> 192.168.16.104/24: not run: the batch was "
            "interrupted\n"
            "4 rows: 1 provisioned, 0 failed, 2 stopped, 1 not run: interrupted by SIGTERM\n"
            "permanent neighbour entries stay for the provisioned addresses; 'vornctl forget "
            "ADDRESS' removes one\n"
            "permanent neighbour entry 192.168.16.102 lladdr 00:20:4a:00:00:02 dev pc0 PERMANENT "
            "stays; 'vornctl forget 192.168.16.102' removes it\n"
            "permanent neighbour entry 192.168.16.103 lladdr 00:20:4a:00:00:03 dev pc0 PERMANENT "
            "stays; 'vornctl forget 192.168.16.103' removes it\n");
  EXPECT_EQ(file_text(err_),
            "vornctl: set --from interrupted by SIGTERM: 2 rows stopped, 1 not run\n");
  const std::string table = neighbours();
  EXPECT_NE(table.find("192.168.16.103 lladdr 00:20:4a:00:00:03 PERMANENT"), std::string::npos)
      << table;
  EXPECT_EQ(table.find("192.168.16.104 "), std::string::npos) << "row 5 did not run\n" << table;

  // As JSON, stopped as Ctrl-C stops it: still one whole document.
  start({"--json"}, 2);
  ::kill(vornctl_.pid, SIGINT);
  EXPECT_EQ(exit_status(), kInterrupted) << file_text(err_);
  EXPECT_TRUE(workers_gone());
  json j = json::parse(file_text(out_), nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << file_text(out_);
  EXPECT_EQ(j["exit_status"], kInterrupted);
  EXPECT_EQ(j["error"]["exit_name"], "interrupted");
  ASSERT_EQ(j["rows"].size(), 4u) << j.dump();
  EXPECT_EQ(j["rows"][0]["ok"], true);
  EXPECT_EQ(j["rows"][0]["neighbour_entry"]["address"], "192.168.16.101");
  EXPECT_EQ(j["rows"][2]["error"]["message"], "stopped while running: the batch was interrupted");
  EXPECT_EQ(j["rows"][2]["neighbour_entry"]["remove_with"], "vornctl forget 192.168.16.103");
  EXPECT_EQ(j["rows"][3]["error"]["message"], "not run: the batch was interrupted");
  EXPECT_FALSE(j["rows"][3].contains("neighbour_entry"));
  EXPECT_EQ(j["summary"], json::parse(R"({"rows": 4, "provisioned": 1, "failed": 0, "stopped": 2,
                            "not_run": 1, "interrupted_by": "SIGINT"})"));
}

TEST_F(StoppedBatchTest, WorkersEndWhenVornctlIsKilled) {
  start({}, 1);
  ::kill(vornctl_.pid, SIGKILL);
  EXPECT_TRUE(workers_gone()) << "workers outlived their parent";
}

// `vornctl set --from FILE | head -1`: the reader takes a line and goes.
TEST_F(StoppedBatchTest, AClosedOutputStopsTheBatch) {
  ASSERT_EQ(::mkfifo(out_.c_str(), 0600), 0);
  const int reader = ::open(out_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  start({}, 1);
  std::string first;
  eventually([&] {
    char c;
    while (::read(reader, &c, 1) == 1) {
      first += c;
      if (c == '\n') return true;
    }
    return false;
  });
  ::close(reader);
  EXPECT_EQ(first, "line 2: 00-20-4A-00-00-01 -> 192.168.16.101/24: ok\n");
  EXPECT_EQ(exit_status(), kInterrupted) << file_text(err_);
  EXPECT_TRUE(workers_gone());
  EXPECT_NE(file_text(err_).find("set --from interrupted by SIGPIPE: 2 rows stopped, 1 not run; "
                                 "standard output was closed"),
            std::string::npos)
      << file_text(err_);
}

// As a spreadsheet saves it where decimals take a comma: a byte-order mark,
// the columns named in words, semicolons, empty columns, CR LF.
TEST_F(VornctlTest, BatchReadsAFileSavedByASpreadsheet) {
  device("00-20-4A-00-00-01", "");
  device("00-20-4A-00-00-02", "");
  const std::string path = provisioning_file("vornctl-spreadsheet.csv",
                                             "\xEF\xBB\xBFMAC Address;IP Address;Subnet Mask;;\r\n"
                                             "00-20-4A-00-00-01;192.168.16.101;255.255.255.0;;\r\n"
                                             "00:20:4a:00:00:02;192.168.16.102/16;;;\r\n");
  Result r = quick({"set", "--from", path, "--jobs", "2"});
  EXPECT_EQ(r.status, kOk) << r.err;
  EXPECT_EQ(r.out,
            "line 2: 00-20-4A-00-00-01 -> 192.168.16.101/24: ok\n"
            "line 3: 00:20:4A:00:00:02 -> 192.168.16.102/16: ok\n"
            "2 rows: 2 provisioned, 0 failed\n"
            "permanent neighbour entries stay for the provisioned addresses; 'vornctl forget "
            "ADDRESS' removes one\n");
}

TEST_F(VornctlTest, UsageErrorsGiveAShortHintAndHelpIsOnRequest) {
  for (const char* command : {"version", "find", "set", "forget", "send", "ask", "scan"}) {
    Result r = vornctl({command, "--help"});
    EXPECT_EQ(r.status, kOk) << command;
    EXPECT_EQ(r.out.rfind("usage: vornctl ", 0), 0u) << command;
    EXPECT_NE(r.out.find("Exit status:"), std::string::npos) << command;
    EXPECT_EQ(vornctl({command, "-h"}).out, r.out) << command;
  }
  Result unknown = vornctl({"find", "--netmask", "255.255.255.0", "00-20-4A-8D-72-33"});
  EXPECT_EQ(unknown.status, kUsage);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err,
            "vornctl: unknown option '--netmask' for find\n"
            "usage: vornctl find [OPTIONS] MAC\n"
            "Try 'vornctl find --help' for more information.\n");
  json j = document(vornctl({"scan", "extra", "--json"}));
  EXPECT_EQ(j["exit_status"], kUsage);
  EXPECT_EQ(j["error"]["message"], "extra operand 'extra'");
  EXPECT_EQ(vornctl({"frobnicate"}).status, kUsage);
  EXPECT_EQ(vornctl({}).status, kUsage);
}

}  // namespace
