// SetVornIP for Windows: the one window, until it is closed.
#include <stdlib.h>
#include <windows.h>

#include <string_view>

#include "main_window.h"
#include "platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/, int show) {
  // --interface NAME: on a PC with more than one adapter, the one to use
  // (its friendly name or one of its addresses), set for this process before
  // the library is first opened.
  for (int i = 1; i + 1 < __argc; ++i) {
    if (std::wstring_view(__wargv[i]) == L"--interface") {
      const std::wstring_view name(__wargv[i + 1]);
      setvornip::ChooseAdapter(std::u16string(name.begin(), name.end()));
    }
  }
  if (!setvornip::MainWindow::Register(instance)) return 1;
  const auto window = setvornip::MainWindow::Create(instance, show);
  if (window == nullptr) return 1;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // The operator's clicks and keys while a command runs start nothing.
    if (window->Drops(message)) continue;
    // Tab, the arrow keys in the option group and the menu's access keys
    // work as in a dialog.
    if (::IsDialogMessageW(window->handle(), &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
