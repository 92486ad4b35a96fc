// The window with the real library, inside the test bed: the clicks run with
// the window's thread in the PC namespace until their command has ended, so
// that the worker threads of the library calls, started from it, are there
// too; against a simulated device on the bed's link.
#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <chrono>
#include <memory>

#include "command_line.h"
#include "main_window.h"
#include "plain_text_log_box.h"
#include "testbed/simulator.h"
#include "testbed/testbed.h"
#include "window_access.h"

namespace {

const char kMac[] = "00-20-4A-8D-72-33";
}  // namespace

class MainWindowNetTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();

  void SetThenFindAssignsTheAddressAndShowsIt();
  void FindForAnAbsentMacLogsNoDevice();
  void SecondAdapterIsListedAndChosenByTheCommandLine();

 private:
  QString SimulatorLog() const;

  std::unique_ptr<testbed::TestBed> bed_;
  pid_t simulator_ = -1;
  QString simulator_log_;
};

void MainWindowNetTest::initTestCase() {
  if (!testbed::available()) {
    QSKIP(qPrintable(QStringLiteral("test bed unavailable: ") +
                     QString::fromStdString(testbed::unavailable_reason())));
  }
  // The window binds the built library by its file name, as it would any.
  if (qEnvironmentVariableIsEmpty("VORNEN_LIBRARY")) qputenv("VORNEN_LIBRARY", VORNEN_LIBRARY_FILE);

  bed_ = std::make_unique<testbed::TestBed>();
  // No address yet: the set command is what gives it one.
  const testbed::Device device = bed_->add_device(kMac, "");
  const std::string base = QDir::tempPath().toStdString() + "/" + device.ns;
  simulator_log_ = QString::fromStdString(base + ".log");
  QFile::remove(simulator_log_);
  // Started from the main thread, which lives as long as the simulator must.
  simulator_ = testbed::start_simulator(device.ns, {"--mac", kMac, "--log", base + ".log"},
                                        base + ".ready", std::chrono::seconds(10));
  QVERIFY2(simulator_ > 0, "the simulator did not start");
  QVERIFY2(SimulatorLog().contains(QStringLiteral("address none")), qPrintable(SimulatorLog()));
}

void MainWindowNetTest::cleanupTestCase() {
  if (simulator_ > 0) QCOMPARE(testbed::stop_simulator(simulator_), 0);
  bed_.reset();
}

QString MainWindowNetTest::SimulatorLog() const {
  QFile file(simulator_log_);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

void MainWindowNetTest::SetThenFindAssignsTheAddressAndShowsIt() {
  MainWindow window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  auto* text1 = Control<QLineEdit>(window, "Text1");
  // Text1 starts with the very address the find must show.
  text1->clear();
  {
    const testbed::TestBed::InPc in_pc(*bed_);
    Press(window, "Command1");
    // The device takes its address once the dialogue has ended, and answers
    // no query meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(SimulatorLog().contains(QStringLiteral("address set 192.168.16.100")),
                             10000);
    Press(window, "Command4");
  }
  QVERIFY2(IsLoaded(VORNEN_LIBRARY_FILE), "the built library was not the one bound");

  const QString log = Log(window);
  QVERIFY2(log == kOpenBlock + QStringLiteral("ＩＰアドレスを設定する・・・成功\r\n") + kOpenBlock +
                      QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・成功\r\n"
                                     "　ＩＰアドレス = 192.168.16.100\r\n"),
           qPrintable(QStringLiteral("log:\n") + log));
  QCOMPARE(text1->text(), QStringLiteral("192.168.16.100"));
  // The device took the address through the set, not from anywhere else.
  const QString events = SimulatorLog();
  QVERIFY2(events.contains(QStringLiteral("address taken 192.168.16.100/24")), qPrintable(events));
  QVERIFY2(events.contains(QStringLiteral("address set 192.168.16.100 host-bits 8")),
           qPrintable(events));
}

void MainWindowNetTest::FindForAnAbsentMacLogsNoDevice() {
  MainWindow window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Control<QLineEdit>(window, "Text4")->setText(QStringLiteral("00-20-4A-00-00-99"));
  auto* text1 = Control<QLineEdit>(window, "Text1");
  QVERIFY(!text1->text().isEmpty());
  {
    // Nobody answers: the library waits its full 5000 ms for a reply.
    const testbed::TestBed::InPc in_pc(*bed_);
    Press(window, "Command4");
  }
  const QString log = Log(window);
  QVERIFY2(log == kOpenBlock + QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n"
                                              "　エラー：-1008：指定ＭＡＣアドレスの"
                                              "デバイスが存在しない。\r\n"),
           qPrintable(QStringLiteral("log:\n") + log));
  QCOMPARE(text1->text(), QString());
}

void MainWindowNetTest::SecondAdapterIsListedAndChosenByTheCommandLine() {
  // A second adapter on the PC, as a docker or libvirt bridge would be.
  // (A veth pair with both ends in the PC; only one end gets an address.)
  bed_->pc_ip({"link", "add", "extra0", "type", "veth", "peer", "name", "extra1"});
  const auto remove = qScopeGuard([&] {
    qunsetenv("VORNEN_INTERFACE");
    bed_->pc_ip({"link", "del", "extra0"});
  });
  bed_->pc_ip({"addr", "add", "10.99.0.1/24", "dev", "extra0"});
  bed_->pc_ip({"link", "set", "extra0", "up"});
  bed_->pc_ip({"link", "set", "extra1", "up"});
  qunsetenv("VORNEN_INTERFACE");

  MainWindow window;
  {
    const testbed::TestBed::InPc in_pc(*bed_);
    Press(window, "Command6");
  }
  // The operator learns which adapters there are and how to choose one.
  QString log = Log(window);
  QVERIFY2(log == kOpenBlock + QStringLiteral("　ＤＬＬのオープンに失敗\r\n"
                                              "　エラー：-15：ERR_TOOMANYNONETWORKINTERFACE"
                                              "   複数のネットワークアダプタが検出\r\n"
                                              "　使えるアダプタ：「pc0」192.168.16.1、"
                                              "「extra0」10.99.0.1　一つを選ぶには、ショートカット"
                                              "のリンク先の末尾に --interface \"pc0\" のように"
                                              "名前を付けて起動する\r\n"),
           qPrintable(QStringLiteral("log:\n") + log));

  // Started as that line says, the window uses the adapter named; the device
  // has its address from the set of the first case.
  ApplyCommandLine(
      {QStringLiteral("SetVornIP"), QStringLiteral("--interface"), QStringLiteral("pc0")});
  MainWindow chosen;
  {
    const testbed::TestBed::InPc in_pc(*bed_);
    Press(chosen, "Command6");
    Press(chosen, "Command4");
  }
  log = Log(chosen);
  QVERIFY2(log == kOpenBlock + kOpenBlock +
                      QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・成功\r\n"
                                     "　ＩＰアドレス = 192.168.16.100\r\n"),
           qPrintable(QStringLiteral("log:\n") + log));
}

QTEST_MAIN(MainWindowNetTest)
#include "main_window_net_test.moc"
