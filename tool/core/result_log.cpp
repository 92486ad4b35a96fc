#include "result_log.h"

namespace setvornip {

void TrimLog(LogBox& box) {
  std::size_t length = box.Length();
  if (length > kLogTrimAbove) {
    // The cut takes no account of line ends: the log may start mid-line.
    box.SetText(std::u16string_view(box.Text()).substr(kLogTrimCount));
    length -= kLogTrimCount;
  }
  box.SetSelStart(length);
}

void AppendLog(LogBox& box, std::u16string_view text) {
  TrimLog(box);
  box.ReplaceSelection(text);
  box.SetSelStart(box.Length());
}

}  // namespace setvornip
