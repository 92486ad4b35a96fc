#include "main_window.h"

#include <QAction>
#include <QApplication>
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

// Swallows the clicks and keys that reach the window while it is installed.
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
    : QMainWindow(parent), binding_(std::move(library)) {
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

  const auto on_click = [this](QPushButton* button, void (MainWindow::*command)()) {
    connect(button, &QPushButton::clicked, this, [this, command] { RunClicked(command); });
  };
  on_click(central->findChild<QPushButton*>(QStringLiteral("Command6")),
           &MainWindow::Command6_Click);
  on_click(central->findChild<QPushButton*>(QStringLiteral("Command1")),
           &MainWindow::Command1_Click);
  on_click(central->findChild<QPushButton*>(QStringLiteral("Command4")),
           &MainWindow::Command4_Click);
  connect(quit, &QAction::triggered, this, &MainWindow::mnuQuit_Click);

  text3_->setFocus();
  Form_Load();
}

int32_t MainWindow::HostBits() const {
  return setvornip::HostBits(option1_->isChecked(), option2_->isChecked());
}

void MainWindow::Form_Load() { setvornip::FormLoad(*this); }

void MainWindow::Command6_Click() { setvornip::OpenCommand(*this, binding_); }

void MainWindow::Command1_Click() {
  setvornip::SetCommand(*this, binding_, setvornip::LacksNeighbourTableRight());
}

void MainWindow::Command4_Click() { setvornip::FindCommand(*this, binding_); }

void MainWindow::mnuQuit_Click() { close(); }

void MainWindow::RunClicked(void (MainWindow::*command)()) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  (this->*command)();
  QApplication::restoreOverrideCursor();
  // While the command blocked the thread, the operator's clicks and keys
  // queued up; they are read now and dropped, so that no second command
  // starts behind the first.
  InputSwallower swallower;
  qApp->installEventFilter(&swallower);
  QCoreApplication::processEvents();
  qApp->removeEventFilter(&swallower);
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

void MainWindow::ShowProgress() {
  // Painted now: the event loop does not run until the library returns.
  repaint();
}

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
