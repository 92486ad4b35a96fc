#ifndef SETVORNIP_QT_MAIN_WINDOW_H
#define SETVORNIP_QT_MAIN_WINDOW_H

#include <QMainWindow>
#include <QSize>
#include <cstdint>
#include <optional>

#include "commands.h"
#include "library_binding.h"
#include "plain_text_log_box.h"

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

// The tool's one window, built from the shared form layout; what its buttons
// do is the shared commands'. The handlers are public and keep the names of
// the events they serve, so a test drives the window as the operator would;
// the controls are reachable through findChild by their names.
class MainWindow : public QMainWindow, private setvornip::Form {
  Q_OBJECT

 public:
  // Size of the client area below the menu bar, in pixels at 96 dpi.
  static const QSize kClientSize;

  explicit MainWindow(setvornip::LibraryFile library = setvornip::DefaultLibraryFile(),
                      QWidget* parent = nullptr);
  // Binds the library from this one file (tests give a stand-in).
  explicit MainWindow(const QString& library_file, QWidget* parent = nullptr);

  // Host-bit count for the chosen net mask; Option3 itself is never read.
  int32_t HostBits() const;

 public slots:
  void Form_Load();
  void Command6_Click();  // opens the library and logs its version
  void Command1_Click();  // sets the device's address
  void Command4_Click();  // finds the device's address by its MAC address
  void mnuQuit_Click();

 private:
  // Runs a command as a click starts it: with a wait cursor, and without
  // acting afterwards on the clicks and keys the operator made meanwhile.
  void RunClicked(void (MainWindow::*command)());

  // setvornip::Form
  std::u16string FieldText(setvornip::Field field) const override;
  void SetFieldText(setvornip::Field field, std::u16string_view text) override;
  bool Option1Selected() const override;
  bool Option2Selected() const override;
  void SelectOption1() override;
  setvornip::LogBox& Log() override { return *log_box_; }
  void ShowProgress() override;

  QLineEdit* Edit(setvornip::Field field) const;

  setvornip::LibraryBinding binding_;
  QPlainTextEdit* text3_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text4_ = nullptr;
  QRadioButton* option1_ = nullptr;
  QRadioButton* option2_ = nullptr;
  std::optional<PlainTextLogBox> log_box_;
};

// Centres the window on the screen it will appear on.
void CentreOnScreen(QWidget& window);

#endif  // SETVORNIP_QT_MAIN_WINDOW_H
