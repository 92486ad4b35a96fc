// Runs SetVornIP.exe under Wine inside the test bed's PC namespace, on a
// virtual display there, and checks it through the Windows window driver
// (windows/tests/wine/window_driver.cpp): its layout, fonts, menu and frame; that
// its log equals byte for byte the Qt window's log for the same clicks
// against the same simulated device, also with the library missing (and one
// planted in its current folder) and with a library that lacks an export;
// that it answers the system while a find waits, and that a close then waits
// for the find; and that on a PC with two adapters it lists them and takes
// one from its command line.
//
// scripts/windows.sh runs this after the cross builds, with the environment
// of the DLL's driver (wine_session.h) and VORNEN_WIN32_BIN /
// VORNEN_WIN64_BIN, the folders of each build's programs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "command_line.h"
#include "main_window.h"
#include "plain_text_log_box.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"
#include "wine_session.h"
#include "wine_test.h"

namespace vornen {
namespace {

using namespace std::chrono_literals;

// The window's defaults: the device that the set and the find address.
constexpr char kMac[] = "00-20-4A-8D-72-33";
constexpr char kAddress[] = "192.168.16.100";

template <typename T>
T* Control(const MainWindow& window, const char* name) {
  return window.findChild<T*>(QString::fromLatin1(name));
}

// Clicks a button and, as the Windows driver does, waits until the command it
// started has ended (its library calls run off the window's thread).
void Click(const MainWindow& window, const char* name) {
  Control<QAbstractButton>(window, name)->click();
  QDeadlineTimer deadline(60s);
  while (window.Busy() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  EXPECT_FALSE(window.Busy()) << name << " did not end within 60 s";
}

std::string LogOf(const MainWindow& window) {
  return LogText(*Control<QPlainTextEdit>(window, "Text3")).toUtf8().toStdString();
}

// What window_driver does in its "commands" mode, in the Qt window.
std::string QtCommands(MainWindow& window) {
  Click(window, "Command6");
  Control<QLineEdit>(window, "Text1")->clear();
  Click(window, "Command4");
  EXPECT_EQ(Control<QLineEdit>(window, "Text1")->text().toStdString(), kAddress);
  Click(window, "Option3");
  Click(window, "Option1");
  Click(window, "Command1");
  Control<QLineEdit>(window, "Text4")->setText(QStringLiteral("00-20-4A-8D-72"));
  Click(window, "Command4");
  // A device that is not there: the find waits its 5 s.
  Control<QLineEdit>(window, "Text4")->setText(QStringLiteral("00-20-4A-00-00-01"));
  Click(window, "Command4");
  return LogOf(window);
}

// What the Qt window shows after window_driver's "usable" clicks.
struct Usable {
  std::string log;
  std::string text1;  // the address field after the find
};

// What window_driver does in its "usable" mode.
Usable QtUsable(MainWindow& window) {
  Click(window, "Command6");
  Click(window, "Command4");
  Usable usable;
  usable.text1 = Control<QLineEdit>(window, "Text1")->text().toStdString();
  Click(window, "Command1");
  usable.log = LogOf(window);
  return usable;
}

class WindowUnderWine : public ::testing::TestWithParam<const char*> {
 protected:
  // One bed, device and display for both architectures; a Wine server of
  // each architecture's prefix is started by its first test.
  static void SetUpTestSuite() {
    if (!testbed::available()) return;
    char dir[] = "/tmp/setvornip-wine-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return;
    work_ = dir;
    bed_ = new testbed::TestBed();
    const testbed::Device device = bed_->add_device(kMac, std::string(kAddress) + "/24");
    device_log_ = work_ + "/device.log";
    simulator_ =
        testbed::start_simulator(device.ns, {"--log", device_log_}, work_ + "/device.ready", 10s);
    // A display of its own, inside the PC namespace with the programs.
    for (int number = 90; number < 190 && display_.empty(); ++number) {
      if (!wine::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
        display_ = ":" + std::to_string(number);
      }
    }
    xvfb_ = bed_->spawn(bed_->pc(), {"/usr/bin/Xvfb", display_, "-screen", "0", "1024x768x24",
                                     "-dpi", "96", "-nolisten", "tcp"});
    const std::string socket = "/tmp/.X11-unix/X" + display_.substr(1);
    for (int i = 0; i < 100 && !wine::exists(socket); ++i) std::this_thread::sleep_for(100ms);
    ::setenv("DISPLAY", display_.c_str(), 1);
    // A Japanese PC: its code page, and its fonts in menus and captions.
    ::setenv("LANG", "ja_JP.UTF-8", 1);
  }

  static void TearDownTestSuite() {
    sessions_.clear();
    if (simulator_ > 0) testbed::stop_simulator(simulator_);
    if (bed_ != nullptr && xvfb_ > 0) bed_->stop(xvfb_);
    delete bed_;
    bed_ = nullptr;
    if (!work_.empty()) testbed::run({"/bin/rm", "-rf", work_});
  }

  void SetUp() override {
    wine::require_architecture(GetParam(), &bin_);
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* file : {"SetVornIP.exe", "VornEN.dll", "window_driver.exe", "window_probe.dll",
                             "fake/VornEN.dll", "fake_partial/VornEN.dll"}) {
      ASSERT_TRUE(wine::exists(bin_ + "/" + file)) << bin_ << "/" << file;
    }
    ASSERT_NE(bed_, nullptr);
    ASSERT_GT(simulator_, 0) << "the simulator did not start";
    ASSERT_TRUE(wine::exists("/tmp/.X11-unix/X" + display_.substr(1))) << "no display";
    std::unique_ptr<wine::Session>& session = sessions_[GetParam()];
    if (!session) session = std::make_unique<wine::Session>(*bed_, work_, GetParam());
    session_ = session.get();
    ASSERT_EQ(session_->failure(), "");
    ASSERT_TRUE(session_->import_registry(WINE_DESKTOP_REG));
  }

  // Runs the window driver; its own last line says whether its checks passed.
  void Drive(const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> argv{session_->wine(), bin_ + "/window_driver.exe"};
    argv.insert(argv.end(), args.begin(), args.end());
    const int rc = session_->run(argv, wine::kProgramLimitS, out);
    std::cout << *out;
    EXPECT_EQ(wine::last_line(*out), "ALL OK") << *out;
    EXPECT_EQ(rc, 0);
  }

  // Runs window_driver's "usable" mode on `program` (then the driver's
  // `more` arguments): the Windows window must end with the Qt window's log
  // and address field.
  void DriveUsable(const std::string& program, const std::string& log_file,
                   const std::vector<std::string>& more, const Usable& qt) {
    std::vector<std::string> driver_args{"usable", wine::windows_path(program),
                                         wine::windows_path(log_file)};
    driver_args.insert(driver_args.end(), more.begin(), more.end());
    std::string out;
    Drive(driver_args, &out);
    EXPECT_EQ(wine::read_file(log_file), qt.log);
    // The Windows program's lines end in CR LF.
    EXPECT_NE(out.find("text1 after find: " + qt.text1 + "\r\n"), std::string::npos) << out;
  }

  // How many sets the device has taken so far.
  static std::size_t Sets() {
    const std::string events = wine::read_file(device_log_);
    const std::string set = "address set 192.168.16.100 host-bits 8";
    std::size_t count = 0;
    for (auto at = events.find(set); at != std::string::npos; at = events.find(set, at + 1)) {
      ++count;
    }
    return count;
  }

  // Waits, within a limit, until the device has taken `count` sets.
  static bool AwaitSets(std::size_t count) {
    for (int i = 0; i < 100 && Sets() < count; ++i) std::this_thread::sleep_for(100ms);
    return Sets() == count;
  }

  // A folder with SetVornIP.exe and, if given, a library file as VornEN.dll.
  std::string Folder(const std::string& name, const std::string& library) {
    namespace fs = std::filesystem;
    const std::string folder = work_ + "/" + GetParam() + "-" + name;
    fs::create_directories(folder);
    fs::copy_file(bin_ + "/SetVornIP.exe", folder + "/SetVornIP.exe",
                  fs::copy_options::overwrite_existing);
    if (!library.empty()) {
      fs::copy_file(library, folder + "/VornEN.dll", fs::copy_options::overwrite_existing);
    }
    return folder;
  }

  static inline std::string work_;
  static inline testbed::TestBed* bed_ = nullptr;
  static inline std::map<std::string, std::unique_ptr<wine::Session>> sessions_;
  static inline std::string device_log_;
  static inline std::string display_;
  static inline pid_t simulator_ = -1;
  static inline pid_t xvfb_ = -1;
  std::string bin_;
  wine::Session* session_ = nullptr;  // this architecture's, in sessions_
};

// The prefix lacks "MS UI Gothic" and has "Yu Gothic UI" (wine_desktop.reg),
// as a Windows without the Japanese supplemental fonts: the controls in that
// face fall back on Yu Gothic UI, and their captions fit.
TEST_P(WindowUnderWine, LayoutFontsMenuAndFrameThenTheCloseBoxEndsIt) {
  std::string out;
  Drive({"layout", wine::windows_path(bin_ + "/SetVornIP.exe"), "Yu Gothic UI"}, &out);
}

// Closed while a find waits, the window closes once the find has ended.
TEST_P(WindowUnderWine, CloseDuringAFindWaitsForItsEnd) {
  std::string out;
  Drive({"close", wine::windows_path(bin_ + "/SetVornIP.exe")}, &out);
}

TEST_P(WindowUnderWine, LogEqualsTheQtWindowsForTheSameClicksAndAltFXEndsIt) {
  const std::size_t sets_before = Sets();
  std::string qt_log;
  {
    MainWindow window{QStringLiteral(VORNEN_LIBRARY_FILE)};
    const testbed::TestBed::InPc in_pc(*bed_);
    qt_log = QtCommands(window);
  }
  ASSERT_NE(qt_log.find("ＩＰアドレスを設定する・・・成功"), std::string::npos) << qt_log;
  // The device takes its address anew once the dialogue has ended; the
  // Windows window's find must not fall into that moment.
  ASSERT_TRUE(AwaitSets(sets_before + 1)) << wine::read_file(device_log_);

  const std::string log_file = work_ + "/" + GetParam() + "-commands.log";
  std::string out;
  Drive({"commands", wine::windows_path(bin_ + "/SetVornIP.exe"), wine::windows_path(log_file)},
        &out);
  EXPECT_EQ(wine::read_file(log_file), qt_log);
  EXPECT_NE(out.find(std::string("text1 after find: ") + kAddress), std::string::npos) << out;
  // The set from Windows reached the device too (Wine's arp does nothing,
  // so the device already has the address).
  EXPECT_TRUE(AwaitSets(sets_before + 2)) << wine::read_file(device_log_);
}

TEST_P(WindowUnderWine, MissingLibraryAndMissingExportLogAsOnLinux) {
  const std::string missing = Folder("missing", "");
  const std::string partial = Folder("partial", bin_ + "/fake_partial/VornEN.dll");
  struct Case {
    std::string folder;
    setvornip::LibraryFile linux_file;
    std::string line;
  };
  const Case cases[] = {
      {missing, {u"VornEN.dll", {missing + "/VornEN.dll"}}, "ＤＬＬ「VornEN.dll」を読み込めない"},
      {partial,
       {u"VornEN.dll", {FAKE_VORNEN_PARTIAL_FILE}},
       "ＤＬＬ「VornEN.dll」に関数「En_Get_IPAddress」がない"},
  };
  // The program is started in a folder that holds a working stand-in called
  // VornEN.dll: it must never load it from there.
  const std::string planted = work_ + "/" + GetParam() + "-planted";
  std::filesystem::create_directories(planted);
  std::filesystem::copy_file(bin_ + "/fake/VornEN.dll", planted + "/VornEN.dll",
                             std::filesystem::copy_options::overwrite_existing);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    MainWindow window{c.linux_file};
    const Usable qt = QtUsable(window);
    EXPECT_NE(qt.log.find(c.line), std::string::npos) << qt.log;
    DriveUsable(c.folder + "/SetVornIP.exe", c.folder + "/log.txt", {wine::windows_path(planted)},
                qt);
  }
}

// With a second adapter in the PC the open fails with -15 and the log lists
// the usable adapters (Wine names them as Linux does) and how to choose one;
// started with --interface as that line says, the window finds the device
// and sets its address. Both logs are the Qt window's for the same clicks.
TEST_P(WindowUnderWine, SecondAdapterIsListedAndChosenByTheCommandLineAsOnLinux) {
  bed_->pc_ip({"link", "add", "extra0", "type", "veth", "peer", "name", "extra1"});
  const auto remove = qScopeGuard([&] {
    ::unsetenv("VORNEN_INTERFACE");
    bed_->pc_ip({"link", "del", "extra0"});
  });
  bed_->pc_ip({"addr", "add", "10.99.0.1/24", "dev", "extra0"});
  bed_->pc_ip({"link", "set", "extra0", "up"});
  bed_->pc_ip({"link", "set", "extra1", "up"});
  Usable qt;
  {
    MainWindow window{QStringLiteral(VORNEN_LIBRARY_FILE)};
    const testbed::TestBed::InPc in_pc(*bed_);
    qt = QtUsable(window);
  }
  ASSERT_NE(qt.log.find("　使えるアダプタ：「pc0」192.168.16.1、「extra0」10.99.0.1"),
            std::string::npos)
      << qt.log;
  const std::string program = bin_ + "/SetVornIP.exe";
  DriveUsable(program, work_ + "/" + GetParam() + "-adapters.log", {}, qt);

  const std::size_t sets_before = Sets();
  {
    ApplyCommandLine(
        {QStringLiteral("SetVornIP"), QStringLiteral("--interface"), QStringLiteral("pc0")});
    MainWindow window{QStringLiteral(VORNEN_LIBRARY_FILE)};
    const testbed::TestBed::InPc in_pc(*bed_);
    qt = QtUsable(window);
  }
  // Only its own command line may choose the adapter for the Windows window.
  ::unsetenv("VORNEN_INTERFACE");
  ASSERT_EQ(qt.text1, kAddress) << qt.log;
  ASSERT_NE(qt.log.find("ＩＰアドレスを設定する・・・成功"), std::string::npos) << qt.log;
  // The device takes its address anew once the set has ended; the Windows
  // window's find must not fall into that moment, nor the next test's.
  ASSERT_TRUE(AwaitSets(sets_before + 1)) << wine::read_file(device_log_);
  DriveUsable(program, work_ + "/" + GetParam() + "-chosen.log", {"--", "--interface", "pc0"}, qt);
  EXPECT_TRUE(AwaitSets(sets_before + 2)) << wine::read_file(device_log_);
}

VORNEN_WINE_ARCHITECTURES(WindowUnderWine);

}  // namespace
}  // namespace vornen

int main(int argc, char** argv) {
  // The Qt window runs offscreen; the Windows one on the bed's display.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
