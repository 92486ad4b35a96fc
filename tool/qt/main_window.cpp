#include "main_window.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "form_layout.h"

namespace {

using setvornip::ControlFont;
using setvornip::ControlKind;
using setvornip::ControlSpec;

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A face and the Japanese proportional Gothic faces that stand in for it.
QFont GothicFont(std::u16string_view face, int centipoints, int weight) {
  QStringList families{ToQString(face)};
  for (const std::u16string_view stand_in : setvornip::kStandInFaces) {
    families.append(ToQString(stand_in));
  }
  QFont font;
  font.setFamilies(families);
  font.setPointSizeF(centipoints / 100.0);
  font.setWeight(weight == setvornip::kBoldWeight ? QFont::Bold : QFont::Normal);
  return font;
}

QWidget* MakeControl(const ControlSpec& entry, QWidget* parent) {
  const QString text = ToQString(entry.text);
  switch (entry.kind) {
    case ControlKind::kOptionButton:
      return new QRadioButton(text, parent);
    case ControlKind::kCommandButton: {
      // No button answers Enter or Esc for the window.
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::kTextBox:
      return new QLineEdit(text, parent);
    case ControlKind::kLogBox: {
      auto* box = new QPlainTextEdit(text, parent);
      box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      box->setTabChangesFocus(true);
      return box;
    }
    case ControlKind::kLabel: {
      auto* label = new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::kLine: {
      auto* line = new QFrame(parent);
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Plain);
      line->setLineWidth(entry.line_width);
      return line;
    }
  }
  return nullptr;
}

// Swallows the clicks and keys that reach the window while it is installed:
// the operator's input during a command starts nothing.
class InputSwallower : public QObject {
 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
        return true;
      default:
        return false;
    }
  }
};

}  // namespace

const QSize MainWindow::kClientSize{setvornip::TwipsToPixels(setvornip::kClientWidthTwips),
                                    setvornip::TwipsToPixels(setvornip::kClientHeightTwips)};

MainWindow::MainWindow(const QString& library_file, QWidget* parent)
    : MainWindow(setvornip::LibraryFile{library_file.toStdU16String(),
                                        {library_file.toLocal8Bit().toStdString()}},
                 parent) {}

MainWindow::MainWindow(setvornip::LibraryFile library, QWidget* parent)
    : QMainWindow(parent),
      input_swallower_(std::make_unique<InputSwallower>()),
      runner_(std::move(library), [fd = wake_.fd] {
        // On the worker: the result is taken on the window's thread.
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
      }) {
  wake_notifier_ = std::make_unique<QSocketNotifier>(wake_.fd, QSocketNotifier::Read);
  connect(wake_notifier_.get(), &QSocketNotifier::activated, this, [this] {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(wake_.fd, &count, sizeof count);
    OnCallFinished();
  });
  setObjectName(QStringLiteral("SetPellIP"));
  setWindowTitle(ToQString(setvornip::kWindowTitle));
  // Fixed dialog frame with a close box only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFont(GothicFont(setvornip::kWindowFace, setvornip::kWindowFontCentipoints,
                     setvornip::kRegularWeight));

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("centralwidget"));
  setCentralWidget(central);
  QWidget* previous = nullptr;
  for (const ControlSpec& entry : setvornip::Controls()) {
    QWidget* control = MakeControl(entry, central);
    control->setObjectName(QString::fromLatin1(entry.name));
    const setvornip::PixelRect rect = setvornip::PixelRectOf(entry);
    control->setGeometry(rect.left, rect.top, rect.width, rect.height);
    if (entry.font != ControlFont::kWindow) {
      control->setFont(GothicFont(setvornip::kOwnFace, setvornip::kOwnFontCentipoints,
                                  entry.font == ControlFont::kOwnBold ? setvornip::kBoldWeight
                                                                      : setvornip::kRegularWeight));
    }
    // The table is in tab order; labels and lines never take the focus.
    if (control->focusPolicy() != Qt::NoFocus) {
      if (previous != nullptr) setTabOrder(previous, control);
      previous = control;
    }
  }
  text3_ = central->findChild<QPlainTextEdit*>(QStringLiteral("Text3"));
  text1_ = central->findChild<QLineEdit*>(QStringLiteral("Text1"));
  text2_ = central->findChild<QLineEdit*>(QStringLiteral("Text2"));
  text4_ = central->findChild<QLineEdit*>(QStringLiteral("Text4"));
  option1_ = central->findChild<QRadioButton*>(QStringLiteral("Option1"));
  option2_ = central->findChild<QRadioButton*>(QStringLiteral("Option2"));
  log_box_.emplace(*text3_);

  QMenu* file_menu = menuBar()->addMenu(ToQString(setvornip::kMenuFileCaption));
  file_menu->setObjectName(QStringLiteral("mnuFile"));
  QAction* quit = file_menu->addAction(ToQString(setvornip::kMenuQuitCaption));
  quit->setObjectName(QStringLiteral("mnuQuit"));

  // The client area is fixed; the menu bar adds its own height above it.
  central->setFixedSize(kClientSize);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(central->findChild<QPushButton*>(QStringLiteral("Command6")), &QPushButton::clicked, this,
          &MainWindow::Command6_Click);
  connect(central->findChild<QPushButton*>(QStringLiteral("Command1")), &QPushButton::clicked, this,
          &MainWindow::Command1_Click);
  connect(central->findChild<QPushButton*>(QStringLiteral("Command4")), &QPushButton::clicked, this,
          &MainWindow::Command4_Click);
  connect(quit, &QAction::triggered, this, &MainWindow::mnuQuit_Click);

  text3_->setFocus();
  Form_Load();
}

int32_t MainWindow::HostBits() const {
  return setvornip::HostBits(option1_->isChecked(), option2_->isChecked());
}

MainWindow::EventFd::EventFd() : fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd < 0) qFatal("eventfd: %s", std::strerror(errno));
}

MainWindow::EventFd::~EventFd() { ::close(fd); }

MainWindow::~MainWindow() {
  // A window destroyed during a command: the runner waits for the call, and
  // the application's state is put back.
  if (runner_.Busy()) {
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(input_swallower_.get());
  }
}

void MainWindow::Form_Load() { setvornip::FormLoad(*this, setvornip::MissingRightNotice()); }

void MainWindow::Command6_Click() {
  Run([](MainWindow& window) { setvornip::OpenCommand(window, window.runner_); });
}

void MainWindow::Command1_Click() {
  Run([](MainWindow& window) {
    setvornip::SetCommand(window, window.runner_, setvornip::MissingRightNotice());
  });
}

void MainWindow::Command4_Click() {
  Run([](MainWindow& window) { setvornip::FindCommand(window, window.runner_); });
}

void MainWindow::mnuQuit_Click() { close(); }

void MainWindow::closeEvent(QCloseEvent* event) {
  if (runner_.Busy()) {
    close_pending_ = true;
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void MainWindow::Run(void (*command)(MainWindow&)) {
  if (runner_.Busy()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(input_swallower_.get());
  command(*this);
  if (!runner_.Busy()) CommandEnded();
}

void MainWindow::OnCallFinished() {
  if (runner_.Deliver()) CommandEnded();
}

void MainWindow::CommandEnded() {
  qApp->removeEventFilter(input_swallower_.get());
  QApplication::restoreOverrideCursor();
  if (std::exchange(close_pending_, false)) close();
}

std::u16string MainWindow::FieldText(setvornip::Field field) const {
  return Edit(field)->text().toStdU16String();
}

void MainWindow::SetFieldText(setvornip::Field field, std::u16string_view text) {
  Edit(field)->setText(ToQString(text));
}

bool MainWindow::Option1Selected() const { return option1_->isChecked(); }

bool MainWindow::Option2Selected() const { return option2_->isChecked(); }

void MainWindow::SelectOption1() { option1_->setChecked(true); }

QLineEdit* MainWindow::Edit(setvornip::Field field) const {
  switch (field) {
    case setvornip::Field::kText1:
      return text1_;
    case setvornip::Field::kText2:
      return text2_;
    case setvornip::Field::kText4:
      return text4_;
  }
  return text1_;
}

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  window.adjustSize();
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}
