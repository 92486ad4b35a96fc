#ifndef SETVORNIP_WIN_MAIN_WINDOW_H
#define SETVORNIP_WIN_MAIN_WINDOW_H

#include <windows.h>

#include <memory>
#include <string>

#include "command_runner.h"
#include "commands.h"
#include "gothic_font.h"

namespace setvornip {

// The edit control Text3 as the log rules see it; an edit control already
// counts CR LF as two.
class EditLogBox final : public LogBox {
 public:
  explicit EditLogBox(HWND edit = nullptr) : edit_(edit) {}

  std::size_t Length() const override;
  std::u16string Text() const override;
  void SetText(std::u16string_view text) override;
  void SetSelStart(std::size_t position) override;
  void ReplaceSelection(std::u16string_view text) override;

 private:
  HWND edit_;
};

// The window SetPellIP made of the system's own controls, one per row of the
// shared layout; its commands are the shared core's.
class MainWindow final : private Form {
 public:
  // Registers the window class; false when that fails.
  static bool Register(HINSTANCE instance);
  // Creates the window and its controls, runs the load event and shows it
  // centred on the screen with the focus in Text3.
  static std::unique_ptr<MainWindow> Create(HINSTANCE instance, int show);

  HWND handle() const { return window_; }
  // Whether the message loop drops this message: the operator's clicks and
  // keys while a command runs.
  bool Drops(const MSG& message) const;

 private:
  MainWindow();
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls(HINSTANCE instance);
  void CreateMenuBar();
  void Centre();
  // Starts a command unless one is under way. Until it ends the window is
  // disabled (clicks and keys reach none of its controls, but it paints and
  // answers the system) and shows the wait cursor.
  void Run(void (*command)(MainWindow&));
  void CommandEnded();

  // Form
  std::u16string FieldText(Field field) const override;
  void SetFieldText(Field field, std::u16string_view text) override;
  bool Option1Selected() const override;
  bool Option2Selected() const override;
  void SelectOption1() override;
  LogBox& Log() override { return log_box_; }

  HWND Control(const char* name) const;

  HWND window_ = nullptr;
  HWND last_focus_ = nullptr;
  HWND focus_before_command_ = nullptr;
  int dpi_ = 96;
  Font window_font_;
  Font own_font_;
  Font own_bold_font_;
  EditLogBox log_box_;
  bool close_pending_ = false;  // a close asked for during a command
  // Last: goes first, waiting for a call under way before the rest goes.
  CommandRunner runner_;
};

}  // namespace setvornip

#endif  // SETVORNIP_WIN_MAIN_WINDOW_H
