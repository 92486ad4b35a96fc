// Runs the Windows test programs under Wine inside the test bed's PC namespace
// and checks that VornEN.dll answers the shared cases exactly as the Linux
// library does against the same two simulated devices.
//
// scripts/windows.sh runs this after the cross builds. It takes from the
// environment: VORNEN_WINEPREFIX (the Wine prefix, made on first use),
// VORNEN_WINE (the wine program) and VORNEN_WIN32_BIN / VORNEN_WIN64_BIN (the
// folders of the DLL and the programs of each build); an architecture without
// its folder is skipped.
//
// The Wine server holds the sockets of the Windows programs, so it is started
// here inside the PC namespace and ended here by its pid.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "VornEN.h"
#include "connection.h"
#include "devsim/launcher.h"
#include "testbed/testbed.h"
#include "vornen_cases.h"

namespace vornen {
namespace {

using namespace std::chrono_literals;

// Upper bounds, in seconds, of one Windows program run and of the first
// start of a new Wine prefix.
constexpr int kProgramLimitS = 120;
constexpr int kPrefixLimitS = 300;

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> case_lines(const std::string& text) {
  std::vector<std::string> cases;
  for (const auto& line : lines_of(text)) {
    if (line.rfind("case ", 0) == 0) cases.push_back(line);
  }
  return cases;
}

std::string last_line(const std::string& text) {
  std::vector<std::string> lines = lines_of(text);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines.empty() ? "" : lines.back();
}

const VornenApi kLinuxApi = {En_Open,          En_Close,         En_SendStr,        En_SendRecvStr,
                             En_Get_IPAddress, En_Set_IPAddress, En_Get_Dll_Version};

class WineTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!testbed::available()) GTEST_SKIP() << testbed::unavailable_reason();
    bin_ = env(GetParam());
    if (bin_.empty()) GTEST_SKIP() << GetParam() << " is not set";
    prefix_ = env("VORNEN_WINEPREFIX");
    wine_ = env("VORNEN_WINE");
    ASSERT_FALSE(prefix_.empty()) << "VORNEN_WINEPREFIX is not set";
    ASSERT_TRUE(exists(wine_)) << "no wine program at '" << wine_ << "'";
    ASSERT_TRUE(exists(bin_ + "/VornEN.dll")) << bin_;
    wineserver_ = wine_.substr(0, wine_.rfind('/') + 1) + "wineserver";
    ASSERT_TRUE(exists(wineserver_)) << wineserver_;

    // Console programs need no display; Wine's own messages stay out of the
    // output the checks read.
    ::setenv("WINEPREFIX", prefix_.c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    // No prompts to install the .NET and HTML runtimes into a new prefix.
    ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    ::unsetenv("DISPLAY");

    char dir[] = "/tmp/vornen-wine-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    work_ = dir;
    setup_log_ = work_ + "/setup.log";

    bed_ = std::make_unique<testbed::TestBed>(VORNEN_CASE_PC "/24");
    const testbed::Device a = bed_->add_device(VORNEN_CASE_MAC_A, VORNEN_CASE_ADDRESS_A "/24");
    const testbed::Device b = bed_->add_device(VORNEN_CASE_MAC_B, VORNEN_CASE_ADDRESS_B "/24");
    const testbed::Device c = bed_->add_device(VORNEN_CASE_MAC_C, VORNEN_CASE_ADDRESS_C "/24");
    const testbed::Device d = bed_->add_device(VORNEN_CASE_MAC_D, VORNEN_CASE_ADDRESS_D "/24");
    sim_a_ = devsim::start_simulator(a.ns, {"--command-trickle", "20", "--setup-log", setup_log_},
                                     work_ + "/a.ready", 10s);
    sim_b_ = devsim::start_simulator(b.ns, {}, work_ + "/b.ready", 10s);
    sim_c_ = devsim::start_simulator(c.ns, ends_after_a_piece("close"), work_ + "/c.ready", 10s);
    sim_d_ = devsim::start_simulator(d.ns, ends_after_a_piece("reset"), work_ + "/d.ready", 10s);
    ASSERT_GT(sim_a_, 0);
    ASSERT_GT(sim_b_, 0);
    ASSERT_GT(sim_c_, 0);
    ASSERT_GT(sim_d_, 0);

    // A server of this prefix left from an interrupted run would hold its
    // sockets in another namespace.
    kill_wineserver();
    // The server starts in the prefix, so that must exist first; Wine fills
    // an empty one.
    ::mkdir(prefix_.c_str(), 0755);
    server_ = bed_->spawn(bed_->pc(), {wineserver_, "--foreground", "--persistent"});
    const std::string made = prefix_ + "/drive_c/windows/system32/kernel32.dll";
    if (!exists(made)) {
      std::string out;
      const int rc = in_pc({wine_, "wineboot", "--init"}, kPrefixLimitS, &out);
      ASSERT_TRUE(rc == 0 && exists(made)) << "wineboot: " << rc << "\n" << out;
    }
  }

  void TearDown() override {
    if (server_ > 0) {
      kill_wineserver();
      bed_->stop(server_);
    }
    for (pid_t sim : {sim_a_, sim_b_, sim_c_, sim_d_}) {
      if (sim > 0) devsim::stop_simulator(sim);
    }
    bed_.reset();
    if (!work_.empty()) testbed::run({"/bin/rm", "-rf", work_});
  }

  // A command port that answers a line with part of a reply, then ends the
  // connection with `how` ("close" or "reset") once the piece has been read.
  static std::vector<std::string> ends_after_a_piece(const std::string& how) {
    return {"--command-step", "recv-line", "--command-step", "send OK",
            "--command-step", "sleep 300", "--command-step", how};
  }

  // Ends this prefix's server and every program of it; nothing else.
  void kill_wineserver() { testbed::run({wineserver_, "--kill"}); }

  // Runs a program in the PC namespace with its output and errors in `out`,
  // ending it after `limit_s` seconds. The output goes through a file, not a
  // pipe: Wine's service processes inherit it and outlive the program.
  int in_pc(const std::vector<std::string>& argv, int limit_s, std::string* out) {
    const std::string netns = "/var/run/netns/" + bed_->pc();
    const std::string log = work_ + "/program.log";
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
      const int ns = ::open(netns.c_str(), O_RDONLY | O_CLOEXEC);
      if (ns < 0 || ::setns(ns, CLONE_NEWNET) != 0) ::_exit(126);
      const int in = ::open("/dev/null", O_RDONLY);
      const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || fd < 0) ::_exit(126);
      ::dup2(in, 0);
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    int status = 0;
    pid_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limit_s);
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(50ms);
    }
    if (done != pid) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      *out = read_file(log) + "\n(ended after " + std::to_string(limit_s) + " s)";
      return -1;
    }
    *out = read_file(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Runs the cases with the Linux library in this process, inside the PC
  // namespace, with a short wait: results do not depend on its length.
  std::string linux_cases(int* failures) {
    testbed::TestBed::InPc in(*bed_);
    reset_connection_for_tests();
    set_wait_timeout_ms(400);
    char* text = nullptr;
    std::size_t size = 0;
    FILE* out = ::open_memstream(&text, &size);
    *failures = vornen_run_cases(&kLinuxApi, out);
    std::fclose(out);
    std::string result(text, size);
    std::free(text);
    reset_connection_for_tests();
    return result;
  }

  std::string take_setup_log() {
    std::string bytes = read_file(setup_log_);
    std::ofstream(setup_log_, std::ios::trunc);  // the simulator appends
    return bytes;
  }

  std::unique_ptr<testbed::TestBed> bed_;
  std::string bin_;
  std::string prefix_;
  std::string wine_;
  std::string wineserver_;
  std::string work_;
  std::string setup_log_;
  pid_t sim_a_ = -1;
  pid_t sim_b_ = -1;
  pid_t sim_c_ = -1;
  pid_t sim_d_ = -1;
  pid_t server_ = -1;
};

TEST_P(WineTest, DllAnswersTheCasesAsTheLinuxLibraryDoes) {
  int linux_failures = 0;
  const std::string linux_out = linux_cases(&linux_failures);
  EXPECT_EQ(linux_failures, 0) << linux_out;
  const std::string linux_setup = take_setup_log();
  // One complete setup dialogue: the menu key, S0, five records of 300
  // characters in all, RS.
  ASSERT_EQ(linux_setup.size(), 4u + 300u + 3u) << linux_setup;
  EXPECT_EQ(linux_setup.substr(0, 4), "MS0\r");
  EXPECT_EQ(linux_setup.substr(linux_setup.size() - 3), "RS\r");

  std::string out;
  const int rc = in_pc({wine_, bin_ + "/vornen_wine_cases.exe"}, kProgramLimitS, &out);
  std::cout << out;
  // Wine exits 0 also when it could not start the program at all, so the
  // program's own last line decides.
  EXPECT_EQ(last_line(out), "ALL OK") << out;
  EXPECT_EQ(rc, 0) << out;
  EXPECT_EQ(case_lines(out), case_lines(linux_out)) << "Wine:\n"
                                                    << out << "\nLinux:\n"
                                                    << linux_out;
  EXPECT_EQ(take_setup_log(), linux_setup) << "the device got other setup bytes from the DLL";
}

// The program's own guard: on a PC that is not the test bed's it must not
// open the library, which would broadcast.
TEST_P(WineTest, CasesProgramRefusesToRunOutsideTheTestBed) {
  bed_->pc_ip({"addr", "del", VORNEN_CASE_PC "/24", "dev", "pc0"});
  bed_->pc_ip({"addr", "add", "10.1.2.3/8", "dev", "pc0"});
  std::string out;
  const int rc = in_pc({wine_, bin_ + "/vornen_wine_cases.exe"}, kProgramLimitS, &out);
  EXPECT_EQ(rc, 2) << out;
  EXPECT_NE(out.find("not in the test bed"), std::string::npos) << out;
  EXPECT_EQ(out.find("case open"), std::string::npos) << out;
}

TEST_P(WineTest, CallerLinkedAgainstTheImportLibrary) {
  std::string out;
  const int rc = in_pc({wine_, bin_ + "/vornen_import_caller.exe"}, kProgramLimitS, &out);
  std::cout << out;
  EXPECT_EQ(last_line(out), "ALL OK") << out;
  EXPECT_EQ(rc, 0) << out;
}

INSTANTIATE_TEST_SUITE_P(Architectures, WineTest,
                         ::testing::Values("VORNEN_WIN32_BIN", "VORNEN_WIN64_BIN"),
                         [](const auto& param_info) {
                           return std::string(param_info.param).find("32") != std::string::npos
                                      ? "i686"
                                      : "x86_64";
                         });

}  // namespace
}  // namespace vornen
