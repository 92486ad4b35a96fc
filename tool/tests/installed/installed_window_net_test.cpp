// SetVornIP installed under a prefix (cmake --install) finds its library in
// the install layout, without LD_LIBRARY_PATH or VORNEN_LIBRARY: the program
// runs on a virtual display inside the test bed's PC namespace, the open
// button is pressed, and the program's memory map shows the prefix's
// libVornEN.so.1, loaded only then.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "testbed/testbed.h"

namespace {

using namespace std::chrono_literals;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class InstalledWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbed::available()) GTEST_SKIP() << testbed::unavailable_reason();
    char dir[] = "/tmp/setvornip-prefix-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    prefix_ = dir;
    std::string out;
    std::string errors;
    ASSERT_EQ(testbed::run({CMAKE_COMMAND, "--install", PROJECT_BINARY_DIR, "--prefix", prefix_},
                           &out, &errors),
              0)
        << out << errors;
    bed_ = std::make_unique<testbed::TestBed>();
    for (int number = 90; number < 190 && display_.empty(); ++number) {
      if (!Exists("/tmp/.X" + std::to_string(number) + "-lock")) {
        display_ = ":" + std::to_string(number);
      }
    }
    xvfb_ = bed_->spawn(bed_->pc(), {"/usr/bin/Xvfb", display_, "-screen", "0", "1024x768x24",
                                     "-dpi", "96", "-nolisten", "tcp"});
    const std::string socket = "/tmp/.X11-unix/X" + display_.substr(1);
    for (int i = 0; i < 100 && !Exists(socket); ++i) std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(Exists(socket)) << "no display";
    ::setenv("DISPLAY", display_.c_str(), 1);
  }

  void TearDown() override {
    if (bed_ != nullptr && program_ > 0) bed_->stop(program_);
    if (bed_ != nullptr && xvfb_ > 0) bed_->stop(xvfb_);
    bed_.reset();
    if (!prefix_.empty()) testbed::run({"/bin/rm", "-rf", prefix_});
  }

  // The window's X id, once it is shown; empty when it does not appear.
  std::string AwaitWindow() {
    for (int i = 0; i < 100; ++i) {
      std::string found;
      testbed::run_in(bed_->pc(), {"/usr/bin/xdotool", "search", "--name", "^Set IP Address$"},
                      &found);
      if (!found.empty()) return found.substr(0, found.find('\n'));
      std::this_thread::sleep_for(100ms);
    }
    return {};
  }

  std::string prefix_;
  std::string display_;
  std::unique_ptr<testbed::TestBed> bed_;
  pid_t xvfb_ = -1;
  pid_t program_ = -1;
};

TEST_F(InstalledWindow, FindsTheLibraryBesideItsProgramFolderAtTheFirstCall) {
  const std::string program = prefix_ + "/" CMAKE_INSTALL_BINDIR "/SetVornIP";
  const std::string library_dir = prefix_ + "/" CMAKE_INSTALL_LIBDIR "/";
  ASSERT_TRUE(Exists(program));
  ASSERT_TRUE(Exists(library_dir + "libVornEN.so.1"));
  program_ = bed_->spawn(bed_->pc(), {"/usr/bin/env", "-u", "LD_LIBRARY_PATH", "-u",
                                      "VORNEN_LIBRARY", "QT_QPA_PLATFORM=xcb", program});
  const std::string window = AwaitWindow();
  ASSERT_FALSE(window.empty()) << "the window did not appear";
  const std::string maps = "/proc/" + std::to_string(program_) + "/maps";
  EXPECT_EQ(ReadFile(maps).find("libVornEN"), std::string::npos) << "bound before its first use";

  // The open button's centre is its twips / 15, below the menu bar, which is
  // what the window has above its 315-pixel client area.
  std::string geometry;
  testbed::run_in(bed_->pc(), {"/usr/bin/xdotool", "getwindowgeometry", "--shell", window},
                  &geometry);
  const auto at = geometry.find("HEIGHT=");
  ASSERT_NE(at, std::string::npos) << geometry;
  const int menu = std::stoi(geometry.substr(at + 7)) - 315;
  ASSERT_EQ(testbed::run_in(bed_->pc(), {"/usr/bin/xdotool", "mousemove", "--window", window, "204",
                                         std::to_string(menu + 31), "click", "1"}),
            0);

  std::string mapped;
  for (int i = 0; i < 100 && mapped.find(library_dir + "libVornEN.so") == std::string::npos; ++i) {
    std::this_thread::sleep_for(100ms);
    mapped = ReadFile(maps);
  }
  EXPECT_NE(mapped.find(library_dir + "libVornEN.so"), std::string::npos)
      << "libVornEN is not mapped from " << library_dir << ":\n"
      << mapped;
}

}  // namespace
