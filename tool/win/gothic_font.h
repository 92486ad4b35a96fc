#ifndef SETVORNIP_WIN_GOTHIC_FONT_H
#define SETVORNIP_WIN_GOTHIC_FONT_H

#include <windows.h>

#include <string_view>
#include <utility>

namespace setvornip {

// A font handle deleted when the object goes.
class Font {
 public:
  explicit Font(HFONT handle = nullptr) : handle_(handle) {}
  ~Font() {
    if (handle_ != nullptr) ::DeleteObject(handle_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  Font& operator=(Font&& other) noexcept {
    if (this != &other) {
      if (handle_ != nullptr) ::DeleteObject(handle_);
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  HFONT get() const { return handle_; }

 private:
  HFONT handle_;
};

// A Shift-JIS font of `face` at `centipoints` hundredths of a point on a
// screen of `dpi`, or of the first stand-in face that the system has when it
// lacks that one.
HFONT CreateGothicFont(std::u16string_view face, int centipoints, int weight, int dpi);

}  // namespace setvornip

#endif  // SETVORNIP_WIN_GOTHIC_FONT_H
