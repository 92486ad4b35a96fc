#ifndef SETVORNIP_QT_MAIN_WINDOW_H
#define SETVORNIP_QT_MAIN_WINDOW_H

#include <QMainWindow>
#include <QSize>
#include <cstdint>
#include <memory>
#include <optional>

#include "command_runner.h"
#include "commands.h"
#include "plain_text_log_box.h"

class QLineEdit;
class QSocketNotifier;
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

  ~MainWindow() override;

  // Host-bit count for the chosen net mask; Option3 itself is never read.
  int32_t HostBits() const;
  // Whether a command is under way.
  bool Busy() const { return runner_.Busy(); }

 public slots:
  void Form_Load();
  // The commands return at once; each runs its library calls off the
  // window's thread and has ended when Busy() is false again.
  void Command6_Click();  // opens the library and logs its version
  void Command1_Click();  // sets the device's address
  void Command4_Click();  // finds the device's address by its MAC address
  void mnuQuit_Click();

 protected:
  // A close asked for during a command waits for the command to end.
  void closeEvent(QCloseEvent* event) override;

 private:
  // Starts a command unless one is under way. Until it ends the window shows
  // the wait cursor and drops the operator's clicks and keys, while it keeps
  // painting and answering the system.
  void Run(void (*command)(MainWindow&));
  // On the window's thread, after the worker has finished a library call.
  void OnCallFinished();
  void CommandEnded();

  // setvornip::Form
  std::u16string FieldText(setvornip::Field field) const override;
  void SetFieldText(setvornip::Field field, std::u16string_view text) override;
  bool Option1Selected() const override;
  bool Option2Selected() const override;
  void SelectOption1() override;
  setvornip::LogBox& Log() override { return *log_box_; }

  QLineEdit* Edit(setvornip::Field field) const;

  QPlainTextEdit* text3_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text4_ = nullptr;
  QRadioButton* option1_ = nullptr;
  QRadioButton* option2_ = nullptr;
  std::optional<PlainTextLogBox> log_box_;
  std::unique_ptr<QObject> input_swallower_;  // installed while a command runs
  bool close_pending_ = false;
  // The worker's wake: it writes to an eventfd, which the window's event
  // loop watches. The worker thread so never calls into Qt. Goes after the
  // runner, which may still wake while it waits for a call.
  struct EventFd {
    EventFd();
    ~EventFd();
    EventFd(const EventFd&) = delete;
    EventFd& operator=(const EventFd&) = delete;
    int fd;
  } wake_;
  std::unique_ptr<QSocketNotifier> wake_notifier_;
  // Last: goes first, waiting for a call under way before the rest goes.
  setvornip::CommandRunner runner_;
};

// Centres the window on the screen it will appear on.
void CentreOnScreen(QWidget& window);

#endif  // SETVORNIP_QT_MAIN_WINDOW_H
