#include "gothic_font.h"

#include <string>
#include <vector>

#include "form_layout.h"

namespace setvornip {

namespace {

HFONT CreateFace(std::u16string_view face, int centipoints, int weight, int dpi) {
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(centipoints, dpi, 7200);
  font.lfWeight = weight;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  face.copy(reinterpret_cast<char16_t*>(font.lfFaceName), LF_FACESIZE - 1);
  return ::CreateFontIndirectW(&font);
}

// Whether the system draws a font of this face as that face, rather than
// mapping it onto another one.
bool HasFace(HFONT font, std::u16string_view face) {
  HDC screen = ::GetDC(nullptr);
  const HGDIOBJ old = ::SelectObject(screen, font);
  wchar_t used[LF_FACESIZE] = {};
  const int length = ::GetTextFaceW(screen, LF_FACESIZE, used);
  ::SelectObject(screen, old);
  ::ReleaseDC(nullptr, screen);
  return length > 0 && std::u16string_view(reinterpret_cast<const char16_t*>(used)) == face;
}

}  // namespace

HFONT CreateGothicFont(std::u16string_view face, int centipoints, int weight, int dpi) {
  std::vector<std::u16string_view> faces{face};
  faces.insert(faces.end(), std::begin(kStandInFaces), std::end(kStandInFaces));
  for (const std::u16string_view candidate : faces) {
    HFONT font = CreateFace(candidate, centipoints, weight, dpi);
    if (font != nullptr && HasFace(font, candidate)) return font;
    if (font != nullptr) ::DeleteObject(font);
  }
  // None of them: the system's own choice for a Japanese Gothic.
  return CreateFace(face, centipoints, weight, dpi);
}

}  // namespace setvornip
