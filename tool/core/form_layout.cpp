#include "form_layout.h"

namespace setvornip {

namespace {

using enum ControlKind;
using enum ControlFont;

constexpr char16_t kMaskCaption[] = u"設定したいネットマスク";

// Tab order; no two controls overlap.
constexpr ControlSpec kControls[] = {
    {"Label1", 401, kLabel, u"ＩＰアドレス設定", 240, 840, 1365, 195, 0, kOwnBold},
    {"Text3", 303, kLogBox, u"", 4080, 120, 6375, 4410, 1, kOwnRegular},
    {"Label2", 402, kLabel, u"MACアドレス", 360, 1200, 975, 180, 2, kWindow},
    {"Label4", 404, kLabel, u"設定したい IPアドレス", 240, 2760, 1635, 180, 3, kWindow},
    {"Text2", 302, kTextBox, u"192.168.16.100", 2280, 2760, 1575, 270, 4, kWindow},
    {"Text4", 304, kTextBox, u"00-20-4A-8D-72-33", 1920, 1155, 1935, 270, 5, kWindow},
    {"Command4", 104, kCommandButton, u"上記のＭＡＣアドレスからＩＰアドレスを探す", 240, 1560,
     3615, 375, 6, kWindow},
    {"Label7", 407, kLabel, u"ＤＬＬの使用開始", 240, 360, 1485, 195, 7, kOwnBold},
    {"Command6", 106, kCommandButton, u"ＤＬＬ オープン", 2280, 240, 1575, 450, 8, kWindow},
    {"Text1", 301, kTextBox, u"192.168.16.100", 2280, 2160, 1575, 270, 9, kWindow},
    {"Label3", 403, kLabel, u"検索した IPアドレス", 240, 2160, 1470, 180, 10, kWindow},
    {"Command1", 101, kCommandButton, u"上記のＩＰアドレスを設定する", 240, 4140, 3615, 375, 11,
     kWindow},
    {"Label5", 405, kLabel, kMaskCaption, 240, 3120, 1725, 180, 12, kWindow},
    {"Option1", 201, kOptionButton, u"255.255.255.0", 2280, 3120, 1575, 180, 13, kWindow},
    {"Label6", 406, kLabel, kMaskCaption, 240, 3480, 1725, 180, 14, kWindow},
    {"Option2", 202, kOptionButton, u"255.255.0.0", 2280, 3480, 1575, 180, 15, kWindow},
    {"Label8", 408, kLabel, kMaskCaption, 240, 3840, 1725, 180, 16, kWindow},
    {"Option3", 203, kOptionButton, u"255.0.0.0", 2280, 3840, 1575, 180, 17, kWindow},
    // Line1 sets the search part apart from the assignment part, drawn
    // three pixels wide; the band lines are plain.
    {"Line1", 501, kLine, u"", 240, 2520, 3840, 2520, -1, kWindow, 3},
    {"Line6", 506, kLine, u"", 120, 765, 3960, 765, -1, kWindow},
    {"Line5", 505, kLine, u"", 120, 120, 3960, 120, -1, kWindow},
};

}  // namespace

std::span<const ControlSpec> Controls() { return kControls; }

const ControlSpec* FindControl(std::string_view name) {
  for (const ControlSpec& control : kControls) {
    if (name == control.name) return &control;
  }
  return nullptr;
}

int TwipsToPixels(int twips, int dpi) {
  // Rounded to the nearest pixel, as the system's MulDiv does.
  return (twips * dpi + 720) / 1440;
}

PixelRect PixelRectOf(const ControlSpec& control, int dpi) {
  if (control.kind != ControlKind::kLine) {
    return {TwipsToPixels(control.left, dpi), TwipsToPixels(control.top, dpi),
            TwipsToPixels(control.width, dpi), TwipsToPixels(control.height, dpi)};
  }
  // Horizontal lines only: from x1 to x2 at y1.
  const int x1 = TwipsToPixels(control.left, dpi);
  const int x2 = TwipsToPixels(control.width, dpi);
  const int y = TwipsToPixels(control.top, dpi);
  return {x1, y - (control.line_width - 1) / 2, x2 - x1 + 1, control.line_width};
}

}  // namespace setvornip
