// SetVornIP for Windows: the one window, until it is closed.
#include <windows.h>

#include "main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/, int show) {
  if (!setvornip::MainWindow::Register(instance)) return 1;
  const auto window = setvornip::MainWindow::Create(instance, show);
  if (window == nullptr) return 1;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab, the arrow keys in the option group and the menu's access keys
    // work as in a dialog.
    if (::IsDialogMessageW(window->handle(), &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
