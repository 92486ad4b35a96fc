#include "main_window.h"

#include <dlfcn.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFontInfo>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRawFont>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <utility>

#include "fake_vornen.h"
#include "plain_text_log_box.h"
#include "window_access.h"

namespace {

// The fake library's control functions, resolved from its file by name.
struct FakeControl {
  QLibrary library{QStringLiteral(FAKE_VORNEN_FILE)};
  FakeResetFn reset = Resolve<FakeResetFn>("fake_vornen_reset");
  FakeSetResultFn set_result = Resolve<FakeSetResultFn>("fake_vornen_set_result");
  FakeSetTextFn set_text = Resolve<FakeSetTextFn>("fake_vornen_set_text");
  FakeSetLengthFn set_length = Resolve<FakeSetLengthFn>("fake_vornen_set_length");
  FakeCallsFn calls = Resolve<FakeCallsFn>("fake_vornen_calls");
  FakeLastHostBitsFn last_host_bits = Resolve<FakeLastHostBitsFn>("fake_vornen_last_host_bits");
  FakeLastTextFn last_mac = Resolve<FakeLastTextFn>("fake_vornen_last_mac");
  FakeLastTextFn last_address = Resolve<FakeLastTextFn>("fake_vornen_last_address");
  FakeSetHookFn set_hook = Resolve<FakeSetHookFn>("fake_vornen_set_hook");

  template <typename Fn>
  Fn Resolve(const char* name) {
    auto function = reinterpret_cast<Fn>(library.resolve(name));
    if (function == nullptr) qFatal("fake library lacks %s", name);
    return function;
  }
};

// Loads the fake on first use and forgets what earlier tests scripted.
FakeControl& ScriptedFake() {
  static FakeControl control;
  control.reset();
  return control;
}

// A click as it reaches the event queue while a command runs.
void PostClick(QWidget* widget) {
  const QPointF centre = QRectF(widget->rect()).center();
  const QPointF global = widget->mapToGlobal(centre);
  QCoreApplication::postEvent(
      widget, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(
      widget, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                              Qt::NoButton, Qt::NoModifier));
}

// Holds the fake library inside En_Get_IPAddress, on the window's worker,
// until the test lets it go: the window as it is while a find waits for the
// network.
struct Gate {
  std::mutex mutex;
  std::condition_variable released_changed;
  bool released = false;
  std::atomic<bool> entered{false};

  static void Hook(const char* export_name) {
    if (std::strcmp(export_name, "En_Get_IPAddress") != 0) return;
    Gate& gate = Instance();
    gate.entered = true;
    std::unique_lock lock(gate.mutex);
    // Bounded, so that a call made on the window's own thread fails the test
    // instead of hanging it.
    gate.released_changed.wait_for(lock, std::chrono::seconds(10), [&] { return gate.released; });
  }
  static Gate& Instance() {
    static Gate gate;
    return gate;
  }
  void Close(FakeControl& fake) {
    {
      const std::lock_guard lock(mutex);
      released = false;
    }
    entered = false;
    fake.set_hook(Hook);
  }
  void Open() {
    {
      const std::lock_guard lock(mutex);
      released = true;
    }
    released_changed.notify_all();
  }
};

// A shown window over the fake library, whose finds the gate holds until the
// test opens it; opened, and the hook removed, also when a test stops early.
class HeldWindow {
 public:
  explicit HeldWindow(FakeControl& fake) : fake_(fake) {
    Gate::Instance().Close(fake);
    window.show();
  }
  ~HeldWindow() {
    Gate::Instance().Open();
    AwaitIdle(window);
    fake_.set_hook(nullptr);
  }
  HeldWindow(const HeldWindow&) = delete;
  HeldWindow& operator=(const HeldWindow&) = delete;

  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};

 private:
  FakeControl& fake_;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // First, while no test has loaded the fake yet.
  void LibraryIsBoundAtFirstUseNotAtStart();

  void StartsWithOption1AndAnEmptyLog();
  void SelectingOption3ClearsTheOthers();
  void WindowHasAFixedClientArea();
  void QuitClosesTheWindow();
  void FocusStartsInTheLogAndTabFollowsTheControls();
  void JapaneseTextsHaveAFaceWithTheirGlyphs();

  void FirstOpenLogsEmptyLineHeadingAndVersion();
  void FailedVersionReadLogsFailureAndErrorLine();
  void FailedOpenIsLoggedAfterTheVersionLines();

  void SetPassesHostBitsForTheChosenMask_data();
  void SetPassesHostBitsForTheChosenMask();
  void SetLogsItsBlockAfterTheOpenBlock();
  void FailedSetLogsTheErrorLine();

  void FindPutsTheReportedTextIntoText1();
  void FailedFindEmptiesText1();

  void EventLoopRunsAndInputIsDroppedWhileTheLibraryWaits();
  void CloseDuringACommandWaitsForItsEnd();

  void MissingLibraryIsLoggedAndTheWindowStaysUsable();
  void MissingLibraryOfTheDefaultNameIsLogged();
  void MissingExportIsLoggedAndOthersStillWork();
};

void MainWindowTest::LibraryIsBoundAtFirstUseNotAtStart() {
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  QVERIFY(!IsLoaded(FAKE_VORNEN_FILE));
  Press(window, "Command6");
  QVERIFY(IsLoaded(FAKE_VORNEN_FILE));
  QCOMPARE(Log(window), kOpenBlock);
}

void MainWindowTest::StartsWithOption1AndAnEmptyLog() {
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  QVERIFY(Control<QRadioButton>(window, "Option1")->isChecked());
  QVERIFY(!Control<QRadioButton>(window, "Option2")->isChecked());
  QVERIFY(!Control<QRadioButton>(window, "Option3")->isChecked());
  QCOMPARE(Log(window), QString());
  QCOMPARE(window.windowTitle(), QStringLiteral("Set IP Address"));
}

void MainWindowTest::SelectingOption3ClearsTheOthers() {
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  auto* option2 = Control<QRadioButton>(window, "Option2");
  auto* option3 = Control<QRadioButton>(window, "Option3");
  QTest::mouseClick(option2, Qt::LeftButton);
  QTest::mouseClick(option3, Qt::LeftButton);
  QVERIFY(option3->isChecked());
  QVERIFY(!option2->isChecked());
  QVERIFY(!Control<QRadioButton>(window, "Option1")->isChecked());
}

void MainWindowTest::WindowHasAFixedClientArea() {
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const QSize shown = window.size();
  QCOMPARE(window.centralWidget()->size(), QSize(718, 315));
  QCOMPARE(window.minimumSize(), window.maximumSize());
  window.resize(shown + QSize(200, 100));
  QCOMPARE(window.size(), shown);
  QCOMPARE(window.centralWidget()->size(), QSize(718, 315));
  const Qt::WindowFlags flags = window.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
}

void MainWindowTest::QuitClosesTheWindow() {
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Control<QAction>(window, "mnuQuit")->trigger();
  QVERIFY(!window.isVisible());
}

void MainWindowTest::FocusStartsInTheLogAndTabFollowsTheControls() {
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QStringList order;
  for (int i = 0; i < 8; ++i) {
    order.append(QApplication::focusWidget()->objectName());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  // Labels never take the focus; the option group is entered at its choice.
  QCOMPARE(order, QStringList({"Text3", "Text2", "Text4", "Command4", "Command6", "Text1",
                               "Command1", "Option1"}));
}

void MainWindowTest::JapaneseTextsHaveAFaceWithTheirGlyphs() {
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  // The log and the two headings ask for their own face at 9.75 points.
  for (const char* name : {"Text3", "Label1", "Label7"}) {
    const QFont font = Control<QWidget>(window, name)->font();
    QCOMPARE(font.pointSizeF(), 9.75);
    QCOMPARE(font.bold(), QByteArray(name) != "Text3");
  }
  // Whatever face stands in must itself hold the glyphs, not a fallback's
  // boxes: check the first resolved face of each control for its text.
  const QString log_sample = QStringLiteral("ＤＬＬのバージョン・成功失敗　エラー：");
  QList<QPair<QWidget*, QString>> texts{{Control<QWidget>(window, "Text3"), log_sample}};
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    texts.append({button, button->text()});
  }
  for (QLabel* label : window.findChildren<QLabel*>()) texts.append({label, label->text()});
  for (const auto& [widget, text] : texts) {
    const QRawFont face = QRawFont::fromFont(widget->font());
    for (const QChar c : text) {
      QVERIFY2(face.supportsCharacter(c), qPrintable(QStringLiteral("%1 lacks %2 in %3")
                                                         .arg(widget->objectName(), QString(c),
                                                              QFontInfo(widget->font()).family())));
    }
  }
}

void MainWindowTest::FirstOpenLogsEmptyLineHeadingAndVersion() {
  FakeControl& fake = ScriptedFake();
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.Command6_Click();
  QVERIFY(AwaitIdle(window));
  QCOMPARE(Log(window), kOpenBlock);
  const QStringList lines = Log(window).split(QStringLiteral("\r\n"));
  QCOMPARE(lines.value(0), QString());
  QCOMPARE(lines.value(1), QStringLiteral("ＤＬＬのバージョンを読み出す・・・成功"));
  QCOMPARE(fake.calls("En_Open"), 1);
  QCOMPARE(fake.calls("En_Get_Dll_Version"), 1);
}

void MainWindowTest::FailedVersionReadLogsFailureAndErrorLine() {
  FakeControl& fake = ScriptedFake();
  fake.set_result("En_Get_Dll_Version", -1005);
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.Command6_Click();
  QVERIFY(AwaitIdle(window));
  QCOMPARE(Log(window), QStringLiteral("\r\nＤＬＬのバージョンを読み出す・・・失敗\r\n"
                                       "　エラー：-1005：ERR_ILLEGAL_INPUT_PARAMETER     "
                                       "入力変数が異常\r\n"));
}

void MainWindowTest::FailedOpenIsLoggedAfterTheVersionLines() {
  FakeControl& fake = ScriptedFake();
  fake.set_result("En_Open", -14);
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.Command6_Click();
  QVERIFY(AwaitIdle(window));
  QCOMPARE(Log(window), kOpenBlock + QStringLiteral("　ＤＬＬのオープンに失敗\r\n"
                                                    "　エラー：-14：ERR_NONETWORKINTERFACEONINFO"
                                                    "    ネットワークアダプタがない\r\n"));
}

void MainWindowTest::SetPassesHostBitsForTheChosenMask_data() {
  QTest::addColumn<QString>("option");
  QTest::addColumn<int>("host_bits");
  QTest::newRow("255.255.255.0") << QStringLiteral("Option1") << 8;
  QTest::newRow("255.255.0.0") << QStringLiteral("Option2") << 16;
  QTest::newRow("255.0.0.0") << QStringLiteral("Option3") << 24;
}

void MainWindowTest::SetPassesHostBitsForTheChosenMask() {
  QFETCH(QString, option);
  QFETCH(int, host_bits);
  FakeControl& fake = ScriptedFake();
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.findChild<QRadioButton*>(option)->setChecked(true);
  window.Command1_Click();
  QVERIFY(AwaitIdle(window));
  QCOMPARE(fake.last_host_bits(), host_bits);
}

void MainWindowTest::SetLogsItsBlockAfterTheOpenBlock() {
  FakeControl& fake = ScriptedFake();
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  // The inputs go to the library as typed, without trimming or checks.
  Control<QLineEdit>(window, "Text4")->setText(QStringLiteral(" 00:20:4a:8D:72:33"));
  Control<QLineEdit>(window, "Text2")->setText(QStringLiteral("10.0.0.7 "));
  Press(window, "Command1");
  QCOMPARE(Log(window), kOpenBlock + QStringLiteral("ＩＰアドレスを設定する・・・成功\r\n"));
  QCOMPARE(fake.last_mac(), " 00:20:4a:8D:72:33");
  QCOMPARE(fake.last_address(), "10.0.0.7 ");
  QCOMPARE(fake.calls("En_Open"), 1);
  QCOMPARE(fake.calls("En_Set_IPAddress"), 1);
  QCOMPARE(fake.calls("En_Close"), 0);  // the library stays open
}

void MainWindowTest::FailedSetLogsTheErrorLine() {
  FakeControl& fake = ScriptedFake();
  fake.set_result("En_Set_IPAddress", -1007);
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  window.Command1_Click();
  QVERIFY(AwaitIdle(window));
  QCOMPARE(Log(window), kOpenBlock + QStringLiteral("ＩＰアドレスを設定する・・・失敗\r\n"
                                                    "　エラー：-1007：ERR_INPUTED_IP_MAY_"
                                                    "UNREACHABLE  入力変数のIPが不正\r\n"));
}

void MainWindowTest::FindPutsTheReportedTextIntoText1() {
  FakeControl& fake = ScriptedFake();
  // Only the reported length counts, not the terminator.
  fake.set_text("En_Get_IPAddress", "10.20.30.40junk");
  fake.set_length("En_Get_IPAddress", 11);
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  Press(window, "Command4");
  QCOMPARE(Control<QLineEdit>(window, "Text1")->text(), QStringLiteral("10.20.30.40"));
  QCOMPARE(Log(window),
           kOpenBlock + QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・成功\r\n"
                                       "　ＩＰアドレス = 10.20.30.40\r\n"));
  QCOMPARE(fake.last_mac(), "00-20-4A-8D-72-33");
}

void MainWindowTest::FailedFindEmptiesText1() {
  FakeControl& fake = ScriptedFake();
  fake.set_result("En_Get_IPAddress", -1008);
  MainWindow window{QStringLiteral(FAKE_VORNEN_FILE)};
  auto* text1 = Control<QLineEdit>(window, "Text1");
  QVERIFY(!text1->text().isEmpty());
  window.Command4_Click();
  QVERIFY(AwaitIdle(window));
  QCOMPARE(text1->text(), QString());
  QCOMPARE(Log(window),
           kOpenBlock + QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n"
                                       "　エラー：-1008：指定ＭＡＣアドレスの"
                                       "デバイスが存在しない。\r\n"));
}

void MainWindowTest::EventLoopRunsAndInputIsDroppedWhileTheLibraryWaits() {
  FakeControl& fake = ScriptedFake();
  HeldWindow held(fake);
  MainWindow& window = held.window;
  Gate& gate = Gate::Instance();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  auto* find = Control<QPushButton>(window, "Command4");
  QTest::mouseClick(find, Qt::LeftButton);
  QVERIFY(QTest::qWaitFor([&] { return gate.entered.load(); }, kCommandLimitMs));

  // The library waits; the window's event loop goes on: a timer fires.
  bool fired = false;
  QTimer::singleShot(10, &window, [&] { fired = true; });
  QVERIFY(QTest::qWaitFor([&] { return fired; }, kCommandLimitMs));
  QVERIFY(window.Busy());
  const QCursor* cursor = QApplication::overrideCursor();
  QVERIFY(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
  QCOMPARE(Log(window), kOpenBlock + QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・"));
  // The operator clicks and types meanwhile: nothing starts or changes.
  PostClick(Control<QPushButton>(window, "Command1"));
  PostClick(find);
  QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
  QTest::keyClick(Control<QLineEdit>(window, "Text4"), Qt::Key_X);
  window.Command6_Click();
  QCoreApplication::processEvents();
  QCOMPARE(fake.calls("En_Open"), 1);
  QCOMPARE(Control<QLineEdit>(window, "Text4")->text(), QStringLiteral("00-20-4A-8D-72-33"));

  gate.Open();
  QVERIFY(AwaitIdle(window));
  QCOMPARE(Log(window),
           kOpenBlock + QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・成功\r\n"
                                       "　ＩＰアドレス = 192.168.16.100\r\n"));
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QCOMPARE(fake.calls("En_Get_IPAddress"), 1);
  QCOMPARE(fake.calls("En_Set_IPAddress"), 0);
  // And the window takes clicks again afterwards.
  fake.set_hook(nullptr);
  Press(window, "Command4");
  QCOMPARE(fake.calls("En_Get_IPAddress"), 2);
}

void MainWindowTest::CloseDuringACommandWaitsForItsEnd() {
  FakeControl& fake = ScriptedFake();
  HeldWindow held(fake);
  MainWindow& window = held.window;
  Gate& gate = Gate::Instance();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Press(window, "Command6");  // not held: only the find waits
  window.Command4_Click();
  QVERIFY(QTest::qWaitFor([&] { return gate.entered.load(); }, kCommandLimitMs));
  QVERIFY(!window.close());
  window.mnuQuit_Click();
  QVERIFY(window.isVisible());
  gate.Open();
  QVERIFY(QTest::qWaitFor([&] { return !window.isVisible(); }, kCommandLimitMs));
  QVERIFY(!window.Busy());
  // No line is lost.
  QCOMPARE(Log(window), kOpenBlock + kOpenBlock +
                            QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・成功\r\n"
                                           "　ＩＰアドレス = 192.168.16.100\r\n"));
}

void MainWindowTest::MissingLibraryIsLoggedAndTheWindowStaysUsable() {
  const QString missing = QStringLiteral("/nonexistent/libVornEN.so");
  MainWindow window{missing};
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const QString error = QStringLiteral("　エラー：ＤＬＬ「%1」を読み込めない\r\n").arg(missing);

  Press(window, "Command6");
  QCOMPARE(Log(window), QStringLiteral("\r\nＤＬＬのバージョンを読み出す・・・失敗\r\n") + error +
                            QStringLiteral("　ＤＬＬのオープンに失敗\r\n") + error);

  Press(window, "Command4");
  QVERIFY(Log(window).endsWith(QStringLiteral("検索・・・失敗\r\n") + error));
  QCOMPARE(Control<QLineEdit>(window, "Text1")->text(), QString());

  // Each command tries the file again rather than giving up for good.
  Press(window, "Command1");
  QVERIFY(Log(window).endsWith(QStringLiteral("設定する・・・失敗\r\n") + error));
  QVERIFY(window.isVisible());
}

void MainWindowTest::MissingLibraryOfTheDefaultNameIsLogged() {
  const QByteArray chosen = qgetenv("VORNEN_LIBRARY");
  const auto restore = qScopeGuard([&] {
    if (!chosen.isNull()) qputenv("VORNEN_LIBRARY", chosen);
  });
  qunsetenv("VORNEN_LIBRARY");
  const setvornip::LibraryFile file = setvornip::DefaultLibraryFile();
  QVERIFY(file.shown == u"libVornEN.so.1");
  for (const std::string& tried : file.tried) {
    // The buttons below would call a real library on the machine's network.
    QLibrary probe(QString::fromStdString(tried));
    if (probe.load()) {
      probe.unload();
      QSKIP("a libVornEN.so.1 is where the window looks for it");
    }
  }
  MainWindow window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const QString error = QStringLiteral("　エラー：ＤＬＬ「libVornEN.so.1」を読み込めない\r\n");
  Press(window, "Command1");
  Press(window, "Command4");
  const QString block = QStringLiteral("\r\nＤＬＬのバージョンを読み出す・・・失敗\r\n") + error +
                        QStringLiteral("　ＤＬＬのオープンに失敗\r\n") + error;
  const QString log = Log(window);
  QVERIFY2(log == block + QStringLiteral("ＩＰアドレスを設定する・・・失敗\r\n") + error + block +
                      QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・失敗\r\n") + error,
           qPrintable(QStringLiteral("log:\n") + log));
  QCOMPARE(Control<QLineEdit>(window, "Text1")->text(), QString());
  QVERIFY(window.isVisible());
}

void MainWindowTest::MissingExportIsLoggedAndOthersStillWork() {
  MainWindow window{QStringLiteral(FAKE_VORNEN_PARTIAL_FILE)};
  window.Command4_Click();
  QVERIFY(AwaitIdle(window));
  const QString log = Log(window);
  QVERIFY2(log.startsWith(kOpenBlock), qPrintable(log));
  QVERIFY2(log.endsWith(QStringLiteral("検索・・・失敗\r\n　エラー：ＤＬＬ「%1」に関数「En_Get_"
                                       "IPAddress」がない\r\n")
                            .arg(QStringLiteral(FAKE_VORNEN_PARTIAL_FILE))),
           qPrintable(log));
  QCOMPARE(Control<QLineEdit>(window, "Text1")->text(), QString());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
