#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console.h"
#include "platform/win_system.h"
#include "win_text.h"

namespace vornctl {

namespace {

UINT g_console_output_page = 0;  // the console's own, put back at exit

void restore_console_page() {
  if (g_console_output_page != 0) ::SetConsoleOutputCP(g_console_output_page);
}

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

}  // namespace

void prepare_standard_streams() {
  ::_setmode(kStandardOutput, _O_BINARY);
  ::_setmode(kStandardError, _O_BINARY);
  if (!is_terminal(kStandardOutput) && !is_terminal(kStandardError)) return;
  // The console is shared with the shell that started vornctl: its code page
  // is put back when vornctl ends.
  const UINT page = ::GetConsoleOutputCP();
  if (page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
    g_console_output_page = page;
    std::atexit(restore_console_page);
  }
  // The waiting notice rewrites its line with an escape sequence, which a
  // console of Windows 10 and later understands once asked to.
  DWORD mode = 0;
  const HANDLE error = handle_of(kStandardError);
  if (::GetConsoleMode(error, &mode))
    ::SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool is_terminal(int fd) {
  DWORD mode = 0;
  return ::GetConsoleMode(handle_of(fd), &mode) != 0;
}

void set_environment(const char* name, const std::string& value) {
  // The wide form: an adapter's friendly name need not fit the code page.
  ::SetEnvironmentVariableW(wide_text(name).c_str(), wide_text(value).c_str());
}

std::string system_error_text(int code) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length != 0 ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : utf8_text(message);
}

}  // namespace vornctl
