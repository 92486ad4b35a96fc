#ifndef SETVORNIP_CORE_RESULT_LOG_H
#define SETVORNIP_CORE_RESULT_LOG_H

#include <cstddef>
#include <string>
#include <string_view>

namespace setvornip {

// The log box as the log rules see it, whatever control shows it: its text
// counts in UTF-16 units, every line break as CR LF (two units), as in a
// Windows edit control.
class LogBox {
 public:
  virtual std::size_t Length() const = 0;
  virtual std::u16string Text() const = 0;
  virtual void SetText(std::u16string_view text) = 0;
  // Puts the caret at a position of Text(), empties the selection and keeps
  // the caret in view.
  virtual void SetSelStart(std::size_t position) = 0;
  virtual void ReplaceSelection(std::u16string_view text) = 0;

 protected:
  ~LogBox() = default;
};

// Above this length the log loses its start before the next append.
inline constexpr std::size_t kLogTrimAbove = 9000;
inline constexpr std::size_t kLogTrimCount = 999;

// Drops the first 999 characters of a log longer than 9000, then puts the
// caret at the end.
void TrimLog(LogBox& box);
// Trims, then adds the text at the end of the log whatever the operator did
// with the caret, and leaves the caret behind it.
void AppendLog(LogBox& box, std::u16string_view text);

}  // namespace setvornip

#endif  // SETVORNIP_CORE_RESULT_LOG_H
