#include "main_window.h"

#include <QFont>
#include <QLayout>
#include <QScreen>

#include "result_log.h"
#include "result_message.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The controls' own face, and the Japanese proportional Gothic faces that
// stand in for it where it is missing.
const QString kOwnFace = QStringLiteral("ＭＳ Ｐゴシック");
const QStringList kStandIns = {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                               QStringLiteral("IPA Pゴシック"), QStringLiteral("Noto Sans CJK JP")};
// The window's default face for every other control.
const QString kDefaultFace = QStringLiteral("MS UI Gothic");

QFont ControlFont(qreal points, QFont::Weight weight) {
  QFont font;
  font.setFamilies(QStringList{kOwnFace} + kStandIns);
  font.setPointSizeF(points);
  font.setWeight(weight);
  return font;
}

}  // namespace

MainWindow::MainWindow(const QString& library_file, QWidget* parent)
    : QMainWindow(parent), binding_(library_file) {
  ui_.setupUi(this);

  // Fixed dialog frame with a close box only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  QFont window_font;
  window_font.setFamilies(QStringList{kDefaultFace} + kStandIns);
  window_font.setPointSize(9);
  setFont(window_font);
  ui_.Text3->setFont(ControlFont(9.75, QFont::Normal));
  ui_.Label1->setFont(ControlFont(9.75, QFont::Bold));
  ui_.Label7->setFont(ControlFont(9.75, QFont::Bold));

  // The client area is fixed; the menu bar adds its own height above it.
  ui_.centralwidget->setFixedSize(kClientSize);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(ui_.Command6, &QPushButton::clicked, this, &MainWindow::Command6_Click);
  connect(ui_.Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
  connect(ui_.Command4, &QPushButton::clicked, this, &MainWindow::Command4_Click);
  connect(ui_.mnuQuit, &QAction::triggered, this, &MainWindow::mnuQuit_Click);

  ui_.Text3->setFocus();
  Form_Load();
}

int32_t MainWindow::HostBits() const {
  if (ui_.Option1->isChecked()) return 8;
  if (ui_.Option2->isChecked()) return 16;
  return 24;
}

void MainWindow::Form_Load() { ui_.Option1->setChecked(true); }

void MainWindow::Command6_Click() {
  const CallResult opened = CallOpen(binding_);
  Log(kCrLf + QStringLiteral("ＤＬＬのバージョンを読み出す・・・"));
  const TextResult version = CallGetDllVersion(binding_);
  if (version.call.Failed()) {
    Log(QStringLiteral("失敗") + kCrLf);
    LogFailure(version.call);
  } else {
    Log(QStringLiteral("成功") + kCrLf);
    Log(QStringLiteral("　ＤＬＬのバージョン = ") + version.text + kCrLf);
  }
  // The lines above report the version read; an open that failed gets lines
  // of its own, since the set and find commands then fail for that reason.
  if (opened.Failed()) {
    Log(QStringLiteral("　ＤＬＬのオープンに失敗") + kCrLf);
    LogFailure(opened);
  }
}

void MainWindow::Command1_Click() {
  Command6_Click();
  const int32_t host_bits = HostBits();
  Log(QStringLiteral("ＩＰアドレスを設定する・・・"));
  const CallResult result =
      CallSetIpAddress(binding_, ui_.Text4->text(), ui_.Text2->text(), host_bits);
  if (result.Failed()) {
    Log(QStringLiteral("失敗") + kCrLf);
    LogFailure(result);
  } else {
    Log(QStringLiteral("成功") + kCrLf);
  }
}

void MainWindow::Command4_Click() {
  Command6_Click();
  Log(QStringLiteral("ＭＡＣアドレスからＩＰアドレスを検索・・・"));
  const TextResult found = CallGetIpAddress(binding_, ui_.Text4->text());
  if (found.call.Failed()) {
    Log(QStringLiteral("失敗") + kCrLf);
    LogFailure(found.call);
    ui_.Text1->setText(QString());
    return;
  }
  Log(QStringLiteral("成功") + kCrLf);
  ui_.Text1->setText(found.text);
  Log(QStringLiteral("　ＩＰアドレス = ") + ui_.Text1->text() + kCrLf);
}

void MainWindow::mnuQuit_Click() { close(); }

void MainWindow::Log(const QString& text) { AppendLog(*ui_.Text3, text); }

void MainWindow::LogFailure(const CallResult& result) {
  const QString reason =
      result.bind_failure.isEmpty() ? ResultMessage(result.code) : result.bind_failure;
  Log(QStringLiteral("　エラー：") + reason + kCrLf);
}

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  window.adjustSize();
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}
