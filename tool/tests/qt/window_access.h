#ifndef SETVORNIP_TESTS_QT_WINDOW_ACCESS_H
#define SETVORNIP_TESTS_QT_WINDOW_ACCESS_H

#include <dlfcn.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QtGlobal>

#include "main_window.h"
#include "plain_text_log_box.h"

// What the Qt window's tests share: its controls by name, its log, and
// whether a library file is loaded in this process.

inline const QString kOpenBlock = QStringLiteral(
    "\r\nＤＬＬのバージョンを読み出す・・・成功\r\n"
    "　ＤＬＬのバージョン = VornEN.DLL Rev. 1.001\r\n");

template <typename T>
T* Control(const MainWindow& window, const char* name) {
  T* control = window.findChild<T*>(QString::fromLatin1(name));
  if (control == nullptr) qFatal("window lacks %s", name);
  return control;
}

// A command's limit in a test: far more than any the fake library runs.
inline constexpr int kCommandLimitMs = 30000;

// Waits until the window's command has ended, its event loop running
// meanwhile; false when it has not within the limit.
inline bool AwaitIdle(const MainWindow& window, int limit_ms = kCommandLimitMs) {
  return QTest::qWaitFor([&] { return !window.Busy(); }, limit_ms);
}

// Clicks a button and waits until the command it started has ended.
inline void Press(const MainWindow& window, const char* button) {
  QTest::mouseClick(Control<QPushButton>(window, button), Qt::LeftButton);
  QVERIFY(AwaitIdle(window));
}

inline QString Log(const MainWindow& window) {
  return LogText(*Control<QPlainTextEdit>(window, "Text3"));
}

inline bool IsLoaded(const char* file) {
  void* handle = dlopen(file, RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

#endif  // SETVORNIP_TESTS_QT_WINDOW_ACCESS_H
