#ifndef SETVORNIP_MAIN_WINDOW_H
#define SETVORNIP_MAIN_WINDOW_H

#include <QMainWindow>
#include <QString>
#include <cstdint>

#include "ui_main_window.h"
#include "vornen_binding.h"

// The tool's one window. The handlers are public and keep the names of the
// events they serve, so a test drives the window as the operator would; the
// controls are reachable through findChild by their object names.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Size of the client area below the menu bar, in pixels at 96 dpi.
  static constexpr QSize kClientSize{718, 315};

  explicit MainWindow(const QString& library_file = DefaultLibraryFile(),
                      QWidget* parent = nullptr);

  // Host-bit count for the chosen net mask; Option3 itself is never read.
  int32_t HostBits() const;

 public slots:
  void Form_Load();
  void Command6_Click();  // opens the library and logs its version
  void Command1_Click();  // sets the device's address
  void Command4_Click();  // finds the device's address by its MAC address
  void mnuQuit_Click();

 private:
  void Log(const QString& text);
  void LogFailure(const CallResult& result);

  Ui::SetPellIP ui_;
  VornenBinding binding_;
};

// Centres the window on the screen it will appear on.
void CentreOnScreen(QWidget& window);

#endif  // SETVORNIP_MAIN_WINDOW_H
