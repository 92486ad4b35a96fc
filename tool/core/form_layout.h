#ifndef SETVORNIP_CORE_FORM_LAYOUT_H
#define SETVORNIP_CORE_FORM_LAYOUT_H

#include <span>
#include <string_view>

namespace setvornip {

// The window SetPellIP as both windows build it: title, menu, every control
// with its kind, text, place, font and tab index, and the faces to draw with.
// Places are in twips (1/1440 inch) from the top left of the client area.

inline constexpr char16_t kWindowTitle[] = u"Set IP Address";
inline constexpr int kClientWidthTwips = 10770;
inline constexpr int kClientHeightTwips = 4725;

inline constexpr char16_t kMenuFileCaption[] = u"ファイル(&F)";
inline constexpr char16_t kMenuQuitCaption[] = u"終了(&X)";
inline constexpr int kMenuQuitId = 601;

enum class ControlKind { kOptionButton, kCommandButton, kTextBox, kLogBox, kLabel, kLine };
enum class ControlFont { kWindow, kOwnRegular, kOwnBold };

struct ControlSpec {
  const char* name;
  int id;  // the Windows control identifier
  ControlKind kind;
  const char16_t* text;  // caption or initial text
  // Left, top, width, height; for a line the end points x1, y1, x2, y2.
  int left;
  int top;
  int width;
  int height;
  int tab_index;  // -1 for the lines, which have none
  ControlFont font;
  int line_width = 1;  // pixels, lines only
};

// Every control, in tab order; the lines come last. Windows that create the
// controls in this order get the specified keyboard order.
std::span<const ControlSpec> Controls();
// The control of that name, or nullptr.
const ControlSpec* FindControl(std::string_view name);

struct PixelRect {
  int left;
  int top;
  int width;
  int height;
};

// Twips to pixels at `dpi` (96: one pixel per 15 twips). A line becomes the
// rectangle it covers, end points included, its width centred on it.
PixelRect PixelRectOf(const ControlSpec& control, int dpi = 96);
int TwipsToPixels(int twips, int dpi = 96);

// The controls' own face, asked for by Text3, Label1 and Label7, and the
// Japanese proportional Gothic faces that stand in where it is missing; the
// face of the window's other controls. Sizes in hundredths of a point.
inline constexpr char16_t kOwnFace[] = u"ＭＳ Ｐゴシック";
// Windows without its Japanese supplemental fonts lacks both MS faces, but
// every Windows 10 and 11 has Yu Gothic UI and Meiryo UI; the Linux faces
// come after them.
inline constexpr std::u16string_view kStandInFaces[] = {u"MS PGothic",    u"Yu Gothic UI",
                                                        u"Meiryo UI",     u"IPAPGothic",
                                                        u"IPA Pゴシック", u"Noto Sans CJK JP"};
inline constexpr char16_t kWindowFace[] = u"MS UI Gothic";
inline constexpr int kOwnFontCentipoints = 975;
inline constexpr int kWindowFontCentipoints = 900;
inline constexpr int kRegularWeight = 400;
inline constexpr int kBoldWeight = 700;

}  // namespace setvornip

#endif  // SETVORNIP_CORE_FORM_LAYOUT_H
