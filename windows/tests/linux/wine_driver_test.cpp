// Runs the Windows test programs under Wine inside the test bed's PC namespace
// and checks that VornEN.dll answers the shared cases exactly as the Linux
// library does against the same two simulated devices.
//
// scripts/windows.sh runs this after the cross builds. It takes from the
// environment each architecture's Wine loader and prefix (wine_session.h) and
// VORNEN_WIN32_BIN / VORNEN_WIN64_BIN (the folders of the DLL and the
// programs of each build); an architecture without its folder is skipped.
// The Wine server runs in the PC namespace.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "VornEN.h"
#include "connection.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"
#include "vornen_cases.h"
#include "wine_session.h"
#include "wine_test.h"

namespace vornen {
namespace {

using namespace std::chrono_literals;

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

const VornenApi kLinuxApi = {En_Open,          En_Close,         En_SendStr,        En_SendRecvStr,
                             En_Get_IPAddress, En_Set_IPAddress, En_Get_Dll_Version};

class WineTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    wine::require_architecture(GetParam(), &bin_);
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(wine::exists(bin_ + "/VornEN.dll")) << bin_;
    // Console programs need no display.
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
    sim_a_ = testbed::start_simulator(a.ns, {"--command-trickle", "20", "--setup-log", setup_log_},
                                      work_ + "/a.ready", 10s);
    sim_b_ = testbed::start_simulator(b.ns, {}, work_ + "/b.ready", 10s);
    sim_c_ = testbed::start_simulator(c.ns, ends_after_a_piece("close"), work_ + "/c.ready", 10s);
    sim_d_ = testbed::start_simulator(d.ns, ends_after_a_piece("reset"), work_ + "/d.ready", 10s);
    ASSERT_GT(sim_a_, 0);
    ASSERT_GT(sim_b_, 0);
    ASSERT_GT(sim_c_, 0);
    ASSERT_GT(sim_d_, 0);

    session_ = std::make_unique<wine::Session>(*bed_, work_, GetParam());
    ASSERT_EQ(session_->failure(), "");
  }

  void TearDown() override {
    session_.reset();
    for (pid_t sim : {sim_a_, sim_b_, sim_c_, sim_d_}) {
      if (sim > 0) testbed::stop_simulator(sim);
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

  int in_pc(const std::vector<std::string>& argv, std::string* out) {
    return session_->run(argv, wine::kProgramLimitS, out);
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
    std::string bytes = wine::read_file(setup_log_);
    std::ofstream(setup_log_, std::ios::trunc);  // the simulator appends
    return bytes;
  }

  std::unique_ptr<testbed::TestBed> bed_;
  std::unique_ptr<wine::Session> session_;
  std::string bin_;
  std::string work_;
  std::string setup_log_;
  pid_t sim_a_ = -1;
  pid_t sim_b_ = -1;
  pid_t sim_c_ = -1;
  pid_t sim_d_ = -1;
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
  const int rc = in_pc({session_->wine(), bin_ + "/vornen_wine_cases.exe"}, &out);
  std::cout << out;
  // Wine exits 0 also when it could not start the program at all, so the
  // program's own last line decides.
  EXPECT_EQ(wine::last_line(out), "ALL OK") << out;
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
  const int rc = in_pc({session_->wine(), bin_ + "/vornen_wine_cases.exe"}, &out);
  EXPECT_EQ(rc, 2) << out;
  EXPECT_NE(out.find("not in the test bed"), std::string::npos) << out;
  EXPECT_EQ(out.find("case open"), std::string::npos) << out;
}

// A PC with a second adapter, as a virtual switch or Wi-Fi beside the cable
// gives one: VORNEN_INTERFACE picks one of them by name or by address, and an
// unknown name leaves none.
TEST_P(WineTest, InterfaceVariablePicksOneOfTwoAdapters) {
  bed_->pc_ip({"link", "add", "extra0", "type", "veth", "peer", "name", "extra1"});
  bed_->pc_ip({"addr", "add", "10.1.2.3/8", "dev", "extra0"});
  std::string out;
  const int rc = in_pc({session_->wine(), bin_ + "/vornen_wine_cases.exe", "two-adapters"}, &out);
  std::cout << out;
  EXPECT_EQ(wine::last_line(out), "ALL OK") << out;
  EXPECT_EQ(rc, 0) << out;
}

TEST_P(WineTest, CallerLinkedAgainstTheImportLibrary) {
  std::string out;
  const int rc = in_pc({session_->wine(), bin_ + "/vornen_import_caller.exe"}, &out);
  std::cout << out;
  EXPECT_EQ(wine::last_line(out), "ALL OK") << out;
  EXPECT_EQ(rc, 0) << out;
}

VORNEN_WINE_ARCHITECTURES(WineTest);

}  // namespace
}  // namespace vornen
