#include "main_window.h"

#include <utility>
#include <vector>

#include "form_layout.h"

namespace setvornip {

namespace {

constexpr wchar_t kClassName[] = L"SetPellIP";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME;
// Posted by the worker when a library call has ended.
constexpr UINT kCallFinished = WM_APP + 1;

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

std::u16string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int copied = ::GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

// The system's class and styles for each kind of control.
struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD ex_style;
};

ControlClass ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kOptionButton:
      // The first of the group takes the Tab stop (set where the group opens).
      return {L"BUTTON", BS_AUTORADIOBUTTON, 0};
    case ControlKind::kCommandButton:
      // A plain push button: none answers Enter for the window.
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::kTextBox:
      return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::kLogBox:
      return {L"EDIT",
              ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ControlKind::kLabel:
      // A caption too wide for its label is cut at the edge, not wrapped out
      // of sight a whole character at a time.
      return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::kLine:
      // An empty static filled in the text colour (WM_CTLCOLORSTATIC).
      return {L"STATIC", SS_NOPREFIX, 0};
  }
  return {L"STATIC", 0, 0};
}

bool TakesFocus(ControlKind kind) {
  return kind != ControlKind::kLabel && kind != ControlKind::kLine;
}

}  // namespace

std::size_t EditLogBox::Length() const {
  return static_cast<std::size_t>(::GetWindowTextLengthW(edit_));
}

std::u16string EditLogBox::Text() const { return WindowText(edit_); }

void EditLogBox::SetText(std::u16string_view text) {
  const std::u16string terminated(text);
  ::SetWindowTextW(edit_, Wide(terminated.c_str()));
}

void EditLogBox::SetSelStart(std::size_t position) {
  ::SendMessageW(edit_, EM_SETSEL, position, static_cast<LPARAM>(position));
  ::SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

void EditLogBox::ReplaceSelection(std::u16string_view text) {
  const std::u16string terminated(text);
  ::SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(terminated.c_str()));
}

MainWindow::MainWindow()
    : runner_(DefaultLibraryFile(), [this] {
        // On the worker; the window outlives every call (its close waits
        // for the command to end).
        ::PostMessageW(window_, kCallFinished, 0, 0);
      }) {}

bool MainWindow::Register(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = instance;
  window_class.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  return ::RegisterClassExW(&window_class) != 0;
}

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance, int show) {
  std::unique_ptr<MainWindow> main(new MainWindow());
  HDC screen = ::GetDC(nullptr);
  main->dpi_ = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  HWND window = ::CreateWindowExW(kWindowExStyle, kClassName, Wide(kWindowTitle), kWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, main.get());
  if (window == nullptr) return nullptr;
  main->CreateMenuBar();
  main->CreateControls(instance);
  main->Centre();
  FormLoad(*main, MissingRightNotice());
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  main->last_focus_ = main->Control("Text3");
  ::SetFocus(main->last_focus_);
  return main;
}

void MainWindow::CreateMenuBar() {
  HMENU bar = ::CreateMenu();
  HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kMenuQuitId, Wide(kMenuQuitCaption));
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), Wide(kMenuFileCaption));
  // The window owns the menu from here and destroys it with itself.
  ::SetMenu(window_, bar);
}

void MainWindow::CreateControls(HINSTANCE instance) {
  window_font_ = Font(CreateGothicFont(kWindowFace, kWindowFontCentipoints, kRegularWeight, dpi_));
  own_font_ = Font(CreateGothicFont(kOwnFace, kOwnFontCentipoints, kRegularWeight, dpi_));
  own_bold_font_ = Font(CreateGothicFont(kOwnFace, kOwnFontCentipoints, kBoldWeight, dpi_));
  // Labels and lines first, then the controls that take the focus in tab
  // order: creation order is the keyboard's order, and the three option
  // buttons stand together as one group.
  std::vector<const ControlSpec*> order;
  for (const ControlSpec& entry : Controls()) {
    if (!TakesFocus(entry.kind)) order.push_back(&entry);
  }
  const std::size_t first_focusable = order.size();
  for (const ControlSpec& entry : Controls()) {
    if (TakesFocus(entry.kind)) order.push_back(&entry);
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    const ControlSpec& entry = *order[i];
    const ControlClass control_class = ClassOf(entry.kind);
    DWORD style = WS_CHILD | WS_VISIBLE | control_class.style;
    const bool opens_group = i == 0 || i == first_focusable ||
                             (entry.kind == ControlKind::kOptionButton &&
                              order[i - 1]->kind != ControlKind::kOptionButton);
    if (opens_group) style |= WS_GROUP;
    if (opens_group && entry.kind == ControlKind::kOptionButton) style |= WS_TABSTOP;
    const PixelRect rect = PixelRectOf(entry, dpi_);
    HWND control = ::CreateWindowExW(control_class.ex_style, control_class.name, Wide(entry.text),
                                     style, rect.left, rect.top, rect.width, rect.height, window_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                     instance, nullptr);
    const HFONT font = entry.font == ControlFont::kOwnBold      ? own_bold_font_.get()
                       : entry.font == ControlFont::kOwnRegular ? own_font_.get()
                                                                : window_font_.get();
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  HWND log = Control("Text3");
  // Far more than the log ever holds between two trims.
  ::SendMessageW(log, EM_SETLIMITTEXT, 0, 0);
  log_box_ = EditLogBox(log);
}

void MainWindow::Centre() {
  RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi_), TwipsToPixels(kClientHeightTwips, dpi_)};
  ::AdjustWindowRectEx(&frame, kWindowStyle, TRUE, kWindowExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar that wraps onto two lines takes from the client area: give
  // it back so that the client area keeps its size.
  RECT client{};
  ::GetClientRect(window_, &client);
  const int short_by = TwipsToPixels(kClientHeightTwips, dpi_) - client.bottom;
  if (short_by > 0) {
    ::SetWindowPos(window_, nullptr, 0, 0, width, height + short_by,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* main = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    main->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(main));
  }
  auto* main = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (main == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  return main->Handle(message, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id == kMenuQuitId) {
        // The program ends with its window; the library is not closed.
        ::SendMessageW(window_, WM_CLOSE, 0, 0);
        return 0;
      }
      if (HIWORD(wparam) != BN_CLICKED) break;
      if (id == FindControl("Command6")->id) {
        Run([](MainWindow& main) { OpenCommand(main, main.runner_); });
      } else if (id == FindControl("Command1")->id) {
        Run([](MainWindow& main) { SetCommand(main, main.runner_, MissingRightNotice()); });
      } else if (id == FindControl("Command4")->id) {
        Run([](MainWindow& main) { FindCommand(main, main.runner_); });
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      // The lines are plain lines in the default colour: the text colour.
      const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
      for (const ControlSpec& entry : Controls()) {
        if (entry.id == id && entry.kind == ControlKind::kLine) {
          return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOWTEXT));
        }
      }
      break;
    }
    case WM_ACTIVATE:
      // Give the focus back to the control that had it, as a dialog does.
      if (LOWORD(wparam) == WA_INACTIVE) {
        last_focus_ = ::GetFocus();
      } else if (last_focus_ != nullptr) {
        ::SetFocus(last_focus_);
        return 0;
      }
      break;
    case kCallFinished:
      if (runner_.Deliver()) CommandEnded();
      return 0;
    case WM_SETCURSOR:
      // Over the whole window, its controls included, while a command runs.
      if (runner_.Busy()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      // Closing during a command waits for it to end, then closes.
      if (runner_.Busy()) {
        close_pending_ = true;
        return 0;
      }
      ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(window_, message, wparam, lparam);
}

void MainWindow::Run(void (*command)(MainWindow&)) {
  if (runner_.Busy()) return;
  // Disabling takes the focus away; it comes back to where it was.
  focus_before_command_ = ::GetFocus();
  ::EnableWindow(window_, FALSE);
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  command(*this);
  if (!runner_.Busy()) CommandEnded();
}

void MainWindow::CommandEnded() {
  ::EnableWindow(window_, TRUE);
  if (focus_before_command_ != nullptr) ::SetFocus(focus_before_command_);
  // The cursor as the window under it asks for it again.
  POINT at{};
  ::GetCursorPos(&at);
  ::SetCursorPos(at.x, at.y);
  if (std::exchange(close_pending_, false)) ::DestroyWindow(window_);
}

bool MainWindow::Drops(const MSG& message) const {
  if (!runner_.Busy()) return false;
  return (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
         (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST);
}

std::u16string MainWindow::FieldText(Field field) const {
  return WindowText(Control(field == Field::kText1   ? "Text1"
                            : field == Field::kText2 ? "Text2"
                                                     : "Text4"));
}

void MainWindow::SetFieldText(Field field, std::u16string_view text) {
  const std::u16string terminated(text);
  ::SetWindowTextW(Control(field == Field::kText1   ? "Text1"
                           : field == Field::kText2 ? "Text2"
                                                    : "Text4"),
                   Wide(terminated.c_str()));
}

bool MainWindow::Option1Selected() const {
  return ::IsDlgButtonChecked(window_, FindControl("Option1")->id) == BST_CHECKED;
}

bool MainWindow::Option2Selected() const {
  return ::IsDlgButtonChecked(window_, FindControl("Option2")->id) == BST_CHECKED;
}

void MainWindow::SelectOption1() {
  ::CheckRadioButton(window_, FindControl("Option1")->id, FindControl("Option3")->id,
                     FindControl("Option1")->id);
}

HWND MainWindow::Control(const char* name) const {
  return ::GetDlgItem(window_, FindControl(name)->id);
}

}  // namespace setvornip
