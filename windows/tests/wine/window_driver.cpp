// Drives SetVornIP.exe under Wine as an operator and a checker would: starts
// it, finds its window by title and each control by its identifier, checks
// class, place, text and font of every control against the shared layout,
// presses the buttons, reads the log, and ends the program by its menu or its
// close box. windows/tests/linux runs it inside the test bed's PC namespace.
//
//   window_driver layout PROGRAM            the window as it opens; closed by the close box
//   window_driver commands PROGRAM LOG      open, find, set, a failing find; ended by Alt+F, X
//   window_driver usable PROGRAM LOG [FOLDER]
//                                           open, find, set with whatever library is there,
//                                           started in FOLDER; closed by the close box
//   window_driver close PROGRAM             closed while a find waits
//
// Arguments after "--" go to PROGRAM's own command line. LOG receives the
// log box's text in UTF-8. The last line is "ALL OK" when every check passed.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "form_layout.h"
#include "window_probe.h"

namespace {

using setvornip::ControlFont;
using setvornip::ControlKind;
using setvornip::ControlSpec;

int g_failures = 0;

std::string Utf8(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, units, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::u16string FromWide(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok" : "FAIL", what.c_str());
  if (!ok) ++g_failures;
}

template <typename T>
void CheckEqual(const T& actual, const T& expected, const std::string& what) {
  if constexpr (std::is_same_v<T, std::u16string>) {
    Check(actual == expected, what + ": '" + Utf8(actual) + "', expected '" + Utf8(expected) + "'");
  } else {
    Check(actual == expected,
          what + ": " + std::to_string(actual) + ", expected " + std::to_string(expected));
  }
}

struct HandleCloser {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Every call that waits for the window is bounded.
constexpr UINT kCommandLimitMs = 60000;

std::u16string TextOf(HWND window) {
  DWORD_PTR length = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kCommandLimitMs, &length);
  std::u16string text(length + 1, u'\0');
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kCommandLimitMs, &copied);
  text.resize(copied);
  return text;
}

void SetTextOf(HWND window, const std::u16string& text) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(text)),
                        SMTO_ABORTIFHUNG, kCommandLimitMs, &ignored);
}

// Presses a button as a click does, and returns at once: a command runs its
// library calls off the window's thread, with the window disabled meanwhile.
void Click(HWND button) {
  DWORD_PTR ignored = 0;
  const LRESULT sent =
      ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kCommandLimitMs, &ignored);
  Check(sent != 0, "button answered within the limit");
}

// Waits, within the limit, until the window takes input again: its command
// has ended.
void AwaitCommandEnd(HWND window) {
  const ULONGLONG deadline = ::GetTickCount64() + kCommandLimitMs;
  while (!::IsWindowEnabled(window) && ::GetTickCount64() < deadline) ::Sleep(20);
  Check(::IsWindowEnabled(window) != FALSE, "command ended within the limit");
}

// Presses a button and returns when its command has ended.
void Press(HWND button) {
  Click(button);
  AwaitCommandEnd(::GetParent(button));
}

// The running program and its window.
struct Program {
  UniqueHandle process;
  DWORD thread_id = 0;
  HWND window = nullptr;

  HWND Control(const char* name) const {
    return ::GetDlgItem(window, setvornip::FindControl(name)->id);
  }
};

struct FindData {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM data) {
  auto* find = reinterpret_cast<FindData*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t title[64] = {};
  ::GetWindowTextW(window, title, 64);
  if (owner == find->process_id && FromWide(title) == setvornip::kWindowTitle &&
      ::IsWindowVisible(window)) {
    find->found = window;
    return FALSE;
  }
  return TRUE;
}

// Starts the program with `arguments`, in `folder` when one is given, and
// waits, within a limit, for its window by title.
bool Start(const std::string& program_path, const std::vector<std::string>& arguments,
           const std::string& folder, Program* program) {
  std::wstring path(program_path.begin(), program_path.end());
  std::wstring command = L"\"" + path + L"\"";
  for (const std::string& argument : arguments) {
    command += L" \"" + std::wstring(argument.begin(), argument.end()) + L"\"";
  }
  const std::wstring current(folder.begin(), folder.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        current.empty() ? nullptr : current.c_str(), &startup, &info)) {
    Check(false, "start " + program_path);
    return false;
  }
  ::CloseHandle(info.hThread);
  program->process.reset(info.hProcess);
  ::WaitForInputIdle(info.hProcess, 30000);
  FindData find{info.dwProcessId, nullptr};
  for (int i = 0; i < 300 && find.found == nullptr; ++i) {
    ::EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&find));
    if (find.found == nullptr) ::Sleep(100);
  }
  Check(find.found != nullptr, "window found by its title");
  program->window = find.found;
  if (find.found != nullptr) program->thread_id = ::GetWindowThreadProcessId(find.found, nullptr);
  return find.found != nullptr;
}

bool Ends(const Program& program, const std::string& how) {
  const bool ended = ::WaitForSingleObject(program.process.get(), 10000) == WAIT_OBJECT_0;
  Check(ended, how + " ends the program");
  return ended;
}

// Reads fonts and menus inside the program through window_probe.dll.
class Probe {
 public:
  explicit Probe(DWORD thread_id) {
    section_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(WindowProbe), VORNEN_PROBE_SECTION));
    if (section_ != nullptr) {
      view_ = static_cast<WindowProbe*>(
          ::MapViewOfFile(section_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(WindowProbe)));
    }
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path);
    dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"window_probe.dll";
    library_ = ::LoadLibraryW(dll.c_str());
    const auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
        library_ != nullptr ? ::GetProcAddress(library_, VORNEN_PROBE_HOOK) : nullptr));
    if (hook != nullptr) hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, hook, library_, thread_id);
    message_ = ::RegisterWindowMessageW(VORNEN_PROBE_MESSAGE);
    Check(view_ != nullptr && hook_ != nullptr, "probe hook set on the window's thread");
  }
  ~Probe() {
    if (hook_ != nullptr) ::UnhookWindowsHookEx(hook_);
    if (library_ != nullptr) ::FreeLibrary(library_);
    if (view_ != nullptr) ::UnmapViewOfFile(view_);
  }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  // What the hook read for this window, or nullptr.
  const WindowProbe* Read(HWND window) {
    if (view_ == nullptr || hook_ == nullptr) return nullptr;
    ::ZeroMemory(view_, sizeof *view_);
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(window, message_, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    return view_->done != 0 ? view_ : nullptr;
  }

 private:
  UniqueHandle section_;
  WindowProbe* view_ = nullptr;
  HMODULE library_ = nullptr;
  HHOOK hook_ = nullptr;
  UINT message_ = 0;
};

const wchar_t* ClassName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kOptionButton:
    case ControlKind::kCommandButton:
      return L"Button";
    case ControlKind::kTextBox:
    case ControlKind::kLogBox:
      return L"Edit";
    case ControlKind::kLabel:
    case ControlKind::kLine:
      return L"Static";
  }
  return L"";
}

bool AcceptedFace(const std::u16string& face, ControlFont font) {
  if (face == (font == ControlFont::kWindow ? setvornip::kWindowFace : setvornip::kOwnFace)) {
    return true;
  }
  for (const std::u16string_view stand_in : setvornip::kStandInFaces) {
    if (face == stand_in) return true;
  }
  return false;
}

// Whether a caption, drawn with the font the control got, fits in it: the
// height of the face, and the width beside an option's circle or inside a
// button's edges. The layout was made for "MS UI Gothic", whose 9 points
// fill the 12-pixel labels and options exactly; a stand-in may run a pixel
// taller there, and a pixel or three wider in a label, which cuts it at the
// edge. More would cut the captions visibly.
void CheckCaptionFits(const WindowProbe& probe, HWND control, const ControlSpec& entry) {
  if (entry.kind != ControlKind::kLabel && entry.kind != ControlKind::kCommandButton &&
      entry.kind != ControlKind::kOptionButton) {
    return;
  }
  LOGFONTW logfont{};
  logfont.lfHeight = probe.height;
  logfont.lfWeight = probe.weight;
  logfont.lfCharSet = static_cast<BYTE>(probe.charset);
  ::lstrcpynW(logfont.lfFaceName, probe.face, LF_FACESIZE);
  HFONT font = ::CreateFontIndirectW(&logfont);
  HDC screen = ::GetDC(nullptr);
  const HGDIOBJ old = ::SelectObject(screen, font);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(screen, &metrics);
  const std::u16string text(entry.text);
  SIZE extent{};
  ::GetTextExtentPoint32W(screen, Wide(text), static_cast<int>(text.size()), &extent);
  ::SelectObject(screen, old);
  ::ReleaseDC(nullptr, screen);
  ::DeleteObject(font);
  RECT client{};
  ::GetClientRect(control, &client);
  LONG room = client.right;
  LONG height_room = client.bottom;
  if (entry.kind != ControlKind::kCommandButton) height_room += 1;
  if (entry.kind == ControlKind::kOptionButton) room -= ::GetSystemMetrics(SM_CXMENUCHECK) + 2;
  if (entry.kind == ControlKind::kCommandButton) room -= 4 * ::GetSystemMetrics(SM_CXEDGE);
  if (entry.kind == ControlKind::kLabel) room += 3;
  const std::string name = entry.name;
  std::printf("%s caption %ldx%ld in %ldx%ld\n", name.c_str(), extent.cx, metrics.tmHeight,
              client.right, client.bottom);
  Check(metrics.tmHeight <= height_room, name + " caption's height fits");
  Check(extent.cx <= room, name + " caption's width fits");
}

void CheckFont(Probe& probe, HWND control, const ControlSpec& entry, int dpi,
               const std::u16string& window_face) {
  const WindowProbe* font = probe.Read(control);
  const std::string name = entry.name;
  Check(font != nullptr, name + " font read");
  if (font == nullptr) return;
  const std::u16string face = FromWide(font->face);
  const std::u16string drawn = FromWide(font->drawn);
  Check(AcceptedFace(face, entry.font), name + " face '" + Utf8(face) + "'");
  if (!window_face.empty() && entry.font == ControlFont::kWindow) {
    CheckEqual(face, window_face, name + " face where its own is missing");
  }
  CheckEqual(drawn, face, name + " is drawn with its own face");
  const bool own = entry.font != ControlFont::kWindow;
  const int centipoints = own ? setvornip::kOwnFontCentipoints : setvornip::kWindowFontCentipoints;
  CheckEqual<long>(font->height, -::MulDiv(centipoints, dpi, 7200), name + " font height");
  CheckEqual<long>(
      font->weight,
      entry.font == ControlFont::kOwnBold ? setvornip::kBoldWeight : setvornip::kRegularWeight,
      name + " font weight");
  CheckEqual<long>(font->charset, SHIFTJIS_CHARSET, name + " character set");
  CheckCaptionFits(*font, control, entry);
}

void CheckVersion(const std::string& program_path) {
  const std::wstring path(program_path.begin(), program_path.end());
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<char> info(size);
  Check(size > 0 && ::GetFileVersionInfoW(path.c_str(), 0, size, info.data()), "version resource");
  for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
    wchar_t* text = nullptr;
    UINT length = 0;
    const bool found = size > 0 && ::VerQueryValueW(info.data(), query.c_str(),
                                                    reinterpret_cast<void**>(&text), &length);
    CheckEqual(found ? FromWide(text) : std::u16string(), std::u16string(u"1.00"),
               Utf8(FromWide(name)));
  }
}

// `window_face`: the face that the controls in the window's own face must
// have got, where the test has made that face missing; empty: any accepted.
void CheckLayout(const Program& program, const std::u16string& window_face) {
  HWND window = program.window;
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  std::printf("screen %d dpi\n", dpi);

  RECT client{};
  ::GetClientRect(window, &client);
  CheckEqual<long>(client.right, setvornip::TwipsToPixels(setvornip::kClientWidthTwips, dpi),
                   "client width");
  CheckEqual<long>(client.bottom, setvornip::TwipsToPixels(setvornip::kClientHeightTwips, dpi),
                   "client height");
  if (dpi == 96) Check(client.right == 718 && client.bottom == 315, "718 x 315 at 96 dpi");

  const LONG style = ::GetWindowLongW(window, GWL_STYLE);
  Check((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) != 0, "caption and close box");
  Check((style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) == 0,
        "no sizing frame, no maximise or minimise box");
  // The frame's edges and corners do not offer resizing.
  RECT frame{};
  ::GetWindowRect(window, &frame);
  const POINT edges[] = {{frame.right - 1, (frame.top + frame.bottom) / 2},
                         {(frame.left + frame.right) / 2, frame.bottom - 1},
                         {frame.right - 1, frame.bottom - 1},
                         {frame.left, frame.top}};
  for (const POINT& edge : edges) {
    DWORD_PTR hit = 0;
    ::SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(edge.x, edge.y), SMTO_ABORTIFHUNG,
                          5000, &hit);
    Check(hit < HTLEFT || hit > HTBOTTOMRIGHT, "no resizing at (" + std::to_string(edge.x) + "," +
                                                   std::to_string(edge.y) + "): hit " +
                                                   std::to_string(hit));
  }
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const long dx = (frame.left + frame.right) - (work.left + work.right);
  const long dy = (frame.top + frame.bottom) - (work.top + work.bottom);
  Check(dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2, "centred on the screen");

  Probe probe(program.thread_id);
  if (const WindowProbe* menu = probe.Read(window)) {
    CheckEqual(FromWide(menu->menu), std::u16string(setvornip::kMenuFileCaption), "menu");
    CheckEqual(FromWide(menu->item), std::u16string(setvornip::kMenuQuitCaption), "menu item");
    CheckEqual<unsigned>(menu->item_id, setvornip::kMenuQuitId, "menu item id");
  } else {
    Check(false, "menu read");
  }

  for (const ControlSpec& entry : setvornip::Controls()) {
    const std::string name = entry.name;
    HWND control = ::GetDlgItem(window, entry.id);
    Check(control != nullptr, name + " found by id " + std::to_string(entry.id));
    if (control == nullptr) continue;
    wchar_t class_name[32] = {};
    ::GetClassNameW(control, class_name, 32);
    Check(::lstrcmpiW(class_name, ClassName(entry.kind)) == 0,
          name + " class " + Utf8(FromWide(class_name)));
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    const setvornip::PixelRect expected = setvornip::PixelRectOf(entry, dpi);
    Check(rect.left == expected.left && rect.top == expected.top &&
              rect.right - rect.left == expected.width && rect.bottom - rect.top == expected.height,
          name + " at " + std::to_string(rect.left) + "," + std::to_string(rect.top) + " size " +
              std::to_string(rect.right - rect.left) + "x" +
              std::to_string(rect.bottom - rect.top));
    CheckEqual(TextOf(control), std::u16string(entry.text), name + " text");
    if (entry.kind != ControlKind::kLine) CheckFont(probe, control, entry, dpi, window_face);
    const LONG control_style = ::GetWindowLongW(control, GWL_STYLE);
    if (entry.kind == ControlKind::kCommandButton) {
      CheckEqual<long>(control_style & BS_TYPEMASK, BS_PUSHBUTTON, name + " is no default button");
    }
    if (entry.kind == ControlKind::kOptionButton) {
      CheckEqual<long>(control_style & BS_TYPEMASK, BS_AUTORADIOBUTTON, name + " is an option");
      DWORD_PTR state = 0;
      ::SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
      CheckEqual<long>(static_cast<long>(state), name == "Option1" ? BST_CHECKED : BST_UNCHECKED,
                       name + " selection at start");
    }
    if (entry.kind == ControlKind::kLogBox) {
      Check((control_style & ES_MULTILINE) != 0 && (control_style & WS_VSCROLL) != 0 &&
                (control_style & ES_READONLY) == 0,
            name + " is an editable multi-line box with a vertical scroll bar");
    }
  }

  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  ::GetGUIThreadInfo(program.thread_id, &gui);
  Check(gui.hwndFocus == program.Control("Text3"), "focus in Text3 at start");
  // The keyboard's order through the controls that take the focus.
  const char* const order[] = {"Text2", "Text4",    "Command4", "Command6",
                               "Text1", "Command1", "Option1",  "Text3"};
  HWND at = program.Control("Text3");
  for (const char* next : order) {
    at = ::GetNextDlgTabItem(window, at, FALSE);
    Check(at == program.Control(next), std::string("Tab moves on to ") + next);
  }
}

void SendKeys(const std::vector<std::pair<WORD, bool>>& keys) {
  std::vector<INPUT> inputs;
  for (const auto& [key, down] : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Waits, within a limit, until the window's thread shows a menu.
bool MenuOpens(const Program& program) {
  for (int i = 0; i < 100; ++i) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (::GetGUIThreadInfo(program.thread_id, &gui) &&
        (gui.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0) {
      return true;
    }
    ::Sleep(50);
  }
  return false;
}

// Alt+F opens the file menu; X in it ends the program.
void QuitByKeyboard(const Program& program) {
  ::SetForegroundWindow(program.window);
  SendKeys({{VK_MENU, true}, {'F', true}, {'F', false}, {VK_MENU, false}});
  Check(MenuOpens(program), "Alt+F opens the menu");
  SendKeys({{'X', true}, {'X', false}});
  Ends(program, "Alt+F, X");
}

// Clicks the close box in the caption, found where the window says it is.
void QuitByCloseBox(const Program& program) {
  RECT frame{};
  ::GetWindowRect(program.window, &frame);
  POINT close_box{-1, -1};
  for (LONG y = frame.top; y < frame.top + 40 && close_box.x < 0; ++y) {
    for (LONG x = frame.right - 1; x > frame.right - 80 && close_box.x < 0; --x) {
      DWORD_PTR hit = 0;
      ::SendMessageTimeoutW(program.window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                            5000, &hit);
      if (hit == HTCLOSE) close_box = {x - 3, y + 3};
    }
  }
  Check(close_box.x >= 0, "close box found");
  if (close_box.x < 0) return;
  ::SetForegroundWindow(program.window);
  ::SetCursorPos(close_box.x, close_box.y);
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, clicks, sizeof(INPUT));
  Ends(program, "the close box");
}

bool WriteLog(const Program& program, const std::string& path) {
  const std::string log = Utf8(TextOf(program.Control("Text3")));
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    Check(false, "write " + path);
    return false;
  }
  std::fwrite(log.data(), 1, log.size(), out);
  std::fclose(out);
  return true;
}

// A MAC address that no device on the bed has: its find waits the library's
// whole 5 s.
constexpr char16_t kAbsentMac[] = u"00-20-4A-00-00-01";

// While a find for a device that is not there waits, the window answers the
// system's ping within 1 s each time (Windows marks a window that takes no
// messages for 5 s as not responding), takes no input, and a second click
// on a button starts nothing.
void CheckAnswersWhileAFindWaits(const Program& program) {
  SetTextOf(program.Control("Text4"), kAbsentMac);
  Click(program.Control("Command4"));
  Check(!::IsWindowEnabled(program.window), "the window takes no input while the find waits");
  Click(program.Control("Command6"));
  int answered = 0;
  const ULONGLONG deadline = ::GetTickCount64() + kCommandLimitMs;
  while (!::IsWindowEnabled(program.window) && ::GetTickCount64() < deadline) {
    DWORD_PTR ignored = 0;
    const bool answers =
        ::SendMessageTimeoutW(program.window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored) != 0;
    Check(answers, "the window answers within 1 s while the find waits");
    if (!answers) break;
    ++answered;
    ::Sleep(250);
  }
  std::printf("answered %d pings during the find\n", answered);
  Check(answered >= 5, "the window answered throughout the find");
  AwaitCommandEnd(program.window);
}

// Closing the window while a find waits: the window stays until the find
// has ended, then the program ends.
void RunClose(const Program& program) {
  SetTextOf(program.Control("Text4"), kAbsentMac);
  Click(program.Control("Command4"));
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(program.window, WM_CLOSE, 0, 0, SMTO_NORMAL, 1000, &ignored);
  Check(::IsWindow(program.window) && !::IsWindowEnabled(program.window),
        "the window stays while its find waits");
  Check(::WaitForSingleObject(program.process.get(), 0) == WAIT_TIMEOUT,
        "the program runs on while its find waits");
  AwaitCommandEnd(program.window);
  Ends(program, "a close during a find");
}

void RunCommands(const Program& program, const std::string& log_path) {
  Press(program.Control("Command6"));
  SetTextOf(program.Control("Text1"), u"");
  Press(program.Control("Command4"));
  std::printf("text1 after find: %s\n", Utf8(TextOf(program.Control("Text1"))).c_str());
  // Through the option group and back: a wider mask would move the device
  // out of the PC's broadcast domain. The set comes after the find: the
  // device takes its address anew once the dialogue ends, and answers no
  // query meanwhile.
  Press(program.Control("Option3"));
  Press(program.Control("Option1"));
  Press(program.Control("Command1"));
  SetTextOf(program.Control("Text4"), u"00-20-4A-8D-72");
  Press(program.Control("Command4"));
  CheckEqual(TextOf(program.Control("Text1")), std::u16string(), "Text1 after a failed find");
  CheckAnswersWhileAFindWaits(program);
  WriteLog(program, log_path);
  QuitByKeyboard(program);
}

void RunUsable(const Program& program, const std::string& log_path) {
  Press(program.Control("Command6"));
  Press(program.Control("Command4"));
  std::printf("text1 after find: %s\n", Utf8(TextOf(program.Control("Text1"))).c_str());
  Press(program.Control("Command1"));
  DWORD_PTR ignored = 0;
  Check(::SendMessageTimeoutW(program.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0,
        "the window still answers");
  WriteLog(program, log_path);
  QuitByCloseBox(program);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  std::vector<std::string> program_args;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--") {
      program_args.assign(argv + i + 1, argv + argc);
      break;
    }
    args.emplace_back(argv[i]);
  }
  if (args.size() < 2) {
    std::fprintf(stderr,
                 "usage: window_driver layout PROGRAM [FACE] | commands PROGRAM LOG |\n"
                 "       usable PROGRAM LOG [FOLDER] | close PROGRAM\n"
                 "       ... [-- PROGRAM'S OWN ARGUMENTS]\n");
    return 2;
  }
  const std::string& mode = args[0];
  // usable: started in FOLDER, its current folder, when one is given.
  const std::string folder = mode == "usable" && args.size() > 3 ? args[3] : "";
  Program program;
  if (Start(args[1], program_args, folder, &program)) {
    if (mode == "layout") {
      CheckVersion(args[1]);
      // FACE, in UTF-8: the face the window's own face must have fallen back to.
      std::u16string face;
      if (args.size() > 2) {
        wchar_t wide[LF_FACESIZE] = {};
        ::MultiByteToWideChar(CP_UTF8, 0, args[2].c_str(), -1, wide, LF_FACESIZE);
        face = FromWide(wide);
      }
      CheckLayout(program, face);
      QuitByCloseBox(program);
    } else if (mode == "commands" && args.size() > 2) {
      RunCommands(program, args[2]);
    } else if (mode == "usable" && args.size() > 2) {
      RunUsable(program, args[2]);
    } else if (mode == "close") {
      RunClose(program);
    } else {
      Check(false, "mode " + mode);
    }
  }
  if (program.process != nullptr &&
      ::WaitForSingleObject(program.process.get(), 0) != WAIT_OBJECT_0) {
    ::TerminateProcess(program.process.get(), 1);
  }
  std::printf("%s\n", g_failures == 0 ? "ALL OK" : "FAILED");
  return g_failures == 0 ? 0 : 1;
}
