// Runs vornctl.exe under Wine inside the test bed's PC namespace and the
// Linux vornctl beside it, against the same simulated devices: each command's
// standard output (text and JSON, byte for byte) and exit status must be the
// Linux program's, a set must reach the device, a program started without
// "Run as administrator" must be refused the neighbour table, and an adapter
// must be chosen by its friendly name or one of its addresses.
//
// scripts/windows.sh runs this after the cross builds, with the environment
// of the DLL's driver (wine_session.h) and VORNEN_WIN32_BIN /
// VORNEN_WIN64_BIN, the folders of each build's programs; an architecture
// without its folder is skipped.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "exit_codes.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"
#include "wine_session.h"
#include "wine_test.h"

namespace vornen {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using namespace vornctl;

// The devices of the bed.
constexpr char kFoundMac[] = "00-20-4A-8D-72-33";  // at kFoundAddress, answers commands
constexpr char kFoundAddress[] = "192.168.16.100";
constexpr char kOtherMac[] = "00-20-4A-00-00-02";  // at .102, for a scan of two
constexpr char kSlow[] = "192.168.16.104";         // answers a command after 1.5 s
constexpr char kNobody[] = "192.168.16.103";       // a host with no command port
constexpr char kBareMac[] = "00-20-4A-00-00-05";   // without an address, to be set
constexpr char kAbsentMac[] = "00-20-4A-00-00-99";

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string shown(const Outcome& r) {
  return "status " + std::to_string(r.status) + "\nout:\n" + r.out + "\nerr:\n" + r.err;
}

json document(const Outcome& r) {
  try {
    return json::parse(r.out);
  } catch (const json::exception& e) {
    ADD_FAILURE() << "not JSON: " << e.what() << "\n" << shown(r);
    return json::object();
  }
}

// Polls `condition` until it holds or the generous deadline passes.
bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class VornctlUnderWine : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    wine::require_architecture(GetParam(), &bin_);
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* file : {"vornctl.exe", "run_limited.exe"}) {
      ASSERT_TRUE(wine::exists(bin_ + "/" + file)) << bin_ << "/" << file;
    }
    // Console programs need no display.
    ::unsetenv("DISPLAY");

    char dir[] = "/tmp/vornctl-wine-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    work_ = dir;
    found_log_ = work_ + "/found.log";
    bare_log_ = work_ + "/bare.log";

    bed_ = std::make_unique<testbed::TestBed>();
    simulate(bed_->add_device(kFoundMac, std::string(kFoundAddress) + "/24"),
             {"--log", found_log_});
    simulate(bed_->add_device(kOtherMac, "192.168.16.102/24"), {"--log", work_ + "/other.log"});
    simulate(bed_->add_device("00-20-4A-00-00-04", std::string(kSlow) + "/24"),
             {"--command-step", "recv-line", "--command-step", "sleep 1500", "--command-step",
              "send LATE\\r", "--log", work_ + "/slow.log"});
    simulate(bed_->add_device(kBareMac, ""), {"--log", bare_log_});
    // The kernel there refuses every port.
    bed_->add_device("00-20-4A-00-00-03", std::string(kNobody) + "/24");

    session_ = std::make_unique<wine::Session>(*bed_, work_, GetParam());
    ASSERT_EQ(session_->failure(), "");
  }

  void TearDown() override {
    session_.reset();
    for (pid_t sim : simulators_) testbed::stop_simulator(sim);
    bed_.reset();
    if (!work_.empty()) testbed::run({"/bin/rm", "-rf", work_});
  }

  void simulate(const testbed::Device& device, const std::vector<std::string>& args) {
    const pid_t pid =
        testbed::start_simulator(device.ns, args, work_ + "/" + device.ns + ".ready", 10s);
    ASSERT_GT(pid, 0) << "simulator for " << device.mac;
    simulators_.push_back(pid);
  }

  Outcome in_pc(std::vector<std::string> argv) {
    Outcome r;
    r.status = session_->run(argv, wine::kProgramLimitS, &r.out, &r.err);
    return r;
  }

  // The Linux program, in the PC namespace; `prefix` starts it (setpriv).
  Outcome on_linux(const std::vector<std::string>& args, std::vector<std::string> prefix = {}) {
    prefix.push_back(VORNCTL_FILE);
    prefix.insert(prefix.end(), args.begin(), args.end());
    return in_pc(prefix);
  }

  Outcome on_windows(const std::vector<std::string>& args) {
    std::vector<std::string> argv{session_->wine(), bin_ + "/vornctl.exe"};
    argv.insert(argv.end(), args.begin(), args.end());
    return in_pc(argv);
  }

  // As a program started by an administrator without "Run as administrator".
  Outcome limited_on_windows(const std::vector<std::string>& args) {
    std::vector<std::string> argv{session_->wine(), bin_ + "/run_limited.exe",
                                  wine::windows_path(bin_ + "/vornctl.exe")};
    argv.insert(argv.end(), args.begin(), args.end());
    return in_pc(argv);
  }

  // Runs `args` with both programs: the same exit status (`status`) and the
  // same standard output and errors, byte for byte; returns the Windows run.
  Outcome expect_same(const std::vector<std::string>& args, int status) {
    std::string command;
    for (const auto& a : args) command += " " + a;
    SCOPED_TRACE("vornctl" + command);
    const Outcome linux_run = on_linux(args);
    EXPECT_EQ(linux_run.status, status) << shown(linux_run);
    const Outcome windows_run = on_windows(args);
    EXPECT_EQ(windows_run.status, linux_run.status) << shown(windows_run);
    EXPECT_EQ(windows_run.out, linux_run.out)
        << "Windows: " << shown(windows_run) << "\nLinux: " << shown(linux_run);
    EXPECT_EQ(windows_run.err, linux_run.err);
    return windows_run;
  }

  // Both runs' JSON documents are the same but for the error's message,
  // which names each system's own tools (`ip link` or `ipconfig`, root or
  // "Run as administrator").
  static void expect_same_but_the_message(const Outcome& windows_run, const Outcome& linux_run) {
    json windows_doc = document(windows_run);
    json linux_doc = document(linux_run);
    EXPECT_TRUE(windows_doc["error"]["message"].is_string()) << windows_run.out;
    windows_doc["error"].erase("message");
    linux_doc["error"].erase("message");
    EXPECT_EQ(windows_doc, linux_doc)
        << "Windows: " << shown(windows_run) << "\nLinux: " << shown(linux_run);
  }

  std::string neighbours() {
    std::string out;
    testbed::run_in(bed_->pc(), {"ip", "neigh", "show", "dev", "pc0"}, &out);
    return out;
  }

  // Waits until the device without an address has taken `count` sets of
  // `address`.
  bool await_sets(const std::string& address, std::size_t count) {
    const std::string set = "address set " + address;
    return eventually([&] { return count_of(wine::read_file(bare_log_), set) >= count; }) &&
           count_of(wine::read_file(bare_log_), set) == count;
  }

  std::unique_ptr<testbed::TestBed> bed_;
  std::unique_ptr<wine::Session> session_;
  std::vector<pid_t> simulators_;
  std::string bin_;
  std::string work_;
  std::string found_log_;
  std::string bare_log_;
};

// The short wait of the Linux tests keeps the failures quick; a device that
// answers after 1.5 s shows that each program waits as long as --timeout
// says, not its own 5 s.
TEST_P(VornctlUnderWine, FindScanAskAndTheWaitAsOnLinux) {
  const Outcome found = expect_same({"--timeout", "400", "find", kFoundMac}, kExitOk);
  EXPECT_EQ(found.out, std::string(kFoundAddress) + "\n");
  expect_same({"--timeout", "400", "--json", "find", "00:20:4a:8d:72:33"}, kExitOk);
  const Outcome scan = expect_same({"--timeout", "400", "scan"}, kExitOk);
  EXPECT_NE(scan.out.find("192.168.16.102"), std::string::npos) << scan.out;
  expect_same({"--timeout", "400", "scan", "--json"}, kExitOk);
  const Outcome ask = expect_same({"--timeout", "400", "ask", kFoundAddress, "HELLO\\r"}, kExitOk);
  EXPECT_EQ(ask.out, "OK:HELLO\n");
  expect_same({"--timeout", "400", "ask", kFoundAddress, "HELLO\\r", "--json"}, kExitOk);
  const Outcome late =
      expect_same({"--timeout", "400", "ask", kSlow, "Q\\r", "--json"}, kExitTimedOut);
  EXPECT_EQ(document(late)["error"]["name"], "ERR_TIMEOUT_ONREAD") << late.out;
  const Outcome waited = expect_same({"--timeout", "4000", "ask", kSlow, "Q\\r"}, kExitOk);
  EXPECT_EQ(waited.out, "LATE\n");
}

// Wine has no CreateIpNetEntry2 and its arp writes nothing, so the Linux
// program sets first and leaves the permanent entry that carries the
// Windows program's dialogue to the device, which takes the address anew.
// Wine's GetIpNetTable2 reports the entries of the Linux namespace, this one
// written on the Linux side, as rows of the adapter pc0 with their MACs, the
// permanent ones as NlnsPermanent: the Windows program names the entry in its
// JSON as the Linux one does.
TEST_P(VornctlUnderWine, SetGivesTheDeviceItsAddressAsOnLinux) {
  const std::vector<std::string> set = {"--timeout", "400",    "set",
                                        "--json",    kBareMac, "192.168.16.105"};
  const Outcome linux_run = on_linux(set);
  ASSERT_EQ(linux_run.status, kExitOk) << shown(linux_run);
  ASSERT_TRUE(await_sets("192.168.16.105", 1)) << wine::read_file(bare_log_);
  ASSERT_NE(neighbours().find("192.168.16.105 lladdr 00:20:4a:00:00:05 PERMANENT"),
            std::string::npos)
      << neighbours();

  const Outcome windows_run = on_windows(set);
  EXPECT_EQ(windows_run.status, kExitOk) << shown(windows_run);
  EXPECT_TRUE(await_sets("192.168.16.105", 2)) << wine::read_file(bare_log_);
  // The entry's "dev" is the adapter's name as the system gives it: the
  // alias of its row (ConvertInterfaceLuidToAlias) on Windows, which Wine
  // takes from the Linux adapter, so pc0 on both here; on a real PC it is
  // the friendly name ("Ethernet"). Nothing else in the JSON names the
  // system, so the documents are the same to the byte.
  EXPECT_NE(linux_run.out.find("\"dev\": \"pc0\""), std::string::npos) << linux_run.out;
  EXPECT_EQ(windows_run.out, linux_run.out)
      << "Windows: " << shown(windows_run) << "\nLinux: " << shown(linux_run);

  const Outcome again = expect_same({"--timeout", "400", "find", kBareMac}, kExitOk);
  EXPECT_EQ(again.out, "192.168.16.105\n");

  // A file of rows, two at a time: on Windows, which cannot fork, each row
  // runs in a vornctl.exe started again, and the report is Linux's to the
  // byte. Linux runs first and leaves the entries, as above.
  const std::string rows = work_ + "/rows.csv";
  std::ofstream(rows) << "mac,address\n"
                      << kBareMac << ",192.168.16.105\n"
                      << kOtherMac << ",192.168.16.102\n";
  const Outcome linux_batch =
      on_linux({"--timeout", "400", "--json", "set", "--from", rows, "--jobs", "2"});
  ASSERT_EQ(linux_batch.status, kExitOk) << shown(linux_batch);
  const Outcome windows_batch = on_windows({"--timeout", "400", "--json", "--trace", "set",
                                            "--from", wine::windows_path(rows), "--jobs", "2"});
  EXPECT_EQ(windows_batch.status, kExitOk) << shown(windows_batch);
  EXPECT_EQ(windows_batch.out, linux_batch.out)
      << "Windows: " << shown(windows_batch) << "\nLinux: " << shown(linux_batch);
  EXPECT_TRUE(await_sets("192.168.16.105", 4)) << wine::read_file(bare_log_);
  // Each row's worker opened the library for itself: a process of its own.
  for (const char* row : {"line 2: socket layer started", "line 3: socket layer started"})
    EXPECT_NE(windows_batch.err.find(row), std::string::npos) << windows_batch.err;
}

// Started with the limited token, as from a prompt that is not "Run as
// administrator", set and forget are refused before anything is sent or
// written, as on Linux without CAP_NET_ADMIN; a find still runs.
TEST_P(VornctlUnderWine, NotElevatedSetAndForgetAreRefusedWithExitSeven) {
  const std::vector<std::string> without_right = {"/usr/bin/setpriv", "--bounding-set",
                                                  "-net_admin"};
  bed_->pc_ip({"neigh", "replace", "192.168.16.107", "lladdr", "00:20:4a:00:00:05", "nud",
               "permanent", "dev", "pc0"});
  struct Case {
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {{"--timeout", "400", "set", kBareMac, "192.168.16.106", "--json"}},
      {{"forget", "192.168.16.107", "--json"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[c.args.size() - 3]);
    const Outcome linux_run = on_linux(c.args, without_right);
    ASSERT_EQ(linux_run.status, kExitNoRight) << shown(linux_run);
    const Outcome windows_run = limited_on_windows(c.args);
    EXPECT_EQ(windows_run.status, kExitNoRight) << shown(windows_run);
    EXPECT_EQ(document(windows_run)["error"]["exit_name"], "no-right") << windows_run.out;
    EXPECT_NE(windows_run.out.find("\"message\": \"no right to change the neighbour table"),
              std::string::npos)
        << windows_run.out;
    expect_same_but_the_message(windows_run, linux_run);
  }
  EXPECT_EQ(wine::read_file(bare_log_).find("address set"), std::string::npos)
      << wine::read_file(bare_log_);
  EXPECT_NE(neighbours().find("192.168.16.107 lladdr 00:20:4a:00:00:05 PERMANENT"),
            std::string::npos)
      << neighbours();
  EXPECT_EQ(neighbours().find("192.168.16.106"), std::string::npos) << neighbours();

  Outcome find = limited_on_windows({"--timeout", "400", "find", kFoundMac});
  EXPECT_EQ(find.status, kExitOk) << shown(find);
  EXPECT_EQ(find.out, std::string(kFoundAddress) + "\n");
}

// Each failure's exit status and JSON; on a PC with a second adapter the
// choice by --interface, which Wine's adapter list (GetAdaptersAddresses)
// names pc0 as Linux does, and which Windows takes by an address as well.
TEST_P(VornctlUnderWine, ExitStatusesAndTheAdapterChoiceAsOnLinux) {
  expect_same({"--timeout", "400", "find", kAbsentMac, "--json"}, kExitNotFound);
  expect_same({"--timeout", "400", "ask", kNobody, "HELLO\\r", "--json"}, kExitRefused);
  expect_same({"--timeout", "400", "find", "00-20:4A-8D-72-33", "--json"}, kExitUsage);
  const std::vector<std::string> unknown = {"--timeout", "400",     "--interface", "nosuch0",
                                            "find",      kFoundMac, "--json"};
  const Outcome linux_unknown = on_linux(unknown);
  EXPECT_EQ(linux_unknown.status, kExitAdapter) << shown(linux_unknown);
  const Outcome windows_unknown = on_windows(unknown);
  EXPECT_EQ(windows_unknown.status, kExitAdapter) << shown(windows_unknown);
  EXPECT_NE(windows_unknown.out.find("no adapter named 'nosuch0'"), std::string::npos)
      << windows_unknown.out;
  expect_same_but_the_message(windows_unknown, linux_unknown);

  bed_->pc_ip({"link", "add", "extra0", "type", "veth", "peer", "name", "extra1"});
  bed_->pc_ip({"addr", "add", "10.1.2.3/8", "dev", "extra0"});
  bed_->pc_ip({"link", "set", "extra0", "up"});
  bed_->pc_ip({"link", "set", "extra1", "up"});
  expect_same({"--timeout", "400", "find", kFoundMac, "--json"}, kExitAdapter);
  const std::vector<std::string> by_name = {"--timeout", "400",     "-i",    "pc0",
                                            "find",      kFoundMac, "--json"};
  expect_same(by_name, kExitOk);
  // Linux names adapters only; the address picks the same adapter.
  const Outcome by_address =
      on_windows({"--timeout", "400", "-i", "192.168.16.1", "find", kFoundMac, "--json"});
  const Outcome linux_run = on_linux(by_name);
  EXPECT_EQ(by_address.status, kExitOk) << shown(by_address);
  EXPECT_EQ(by_address.out, linux_run.out)
      << "Windows: " << shown(by_address) << "\nLinux: " << shown(linux_run);
}

VORNEN_WINE_ARCHITECTURES(VornctlUnderWine);

}  // namespace
}  // namespace vornen
