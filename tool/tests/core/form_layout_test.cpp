#include "form_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace setvornip {
namespace {

bool Overlap(const PixelRect& a, const PixelRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

TEST(FormLayout, ControlsAreInTabOrderWithUniqueNamesAndIds) {
  std::set<std::string> names;
  std::set<int> ids;
  int next_tab = 0;
  for (const ControlSpec& control : Controls()) {
    EXPECT_TRUE(names.insert(control.name).second) << control.name;
    EXPECT_TRUE(ids.insert(control.id).second) << control.name;
    EXPECT_NE(control.id, kMenuQuitId);
    if (control.kind == ControlKind::kLine) {
      EXPECT_EQ(control.tab_index, -1) << control.name;
    } else {
      EXPECT_EQ(control.tab_index, next_tab++) << control.name;
    }
  }
  EXPECT_EQ(next_tab, 18);
  EXPECT_EQ(Controls().size(), 21u);
}

TEST(FormLayout, TwipsBecomePixelsAtTheScreensDensity) {
  const ControlSpec* log = FindControl("Text3");
  ASSERT_NE(log, nullptr);
  const PixelRect at96 = PixelRectOf(*log);
  EXPECT_EQ(at96.left, 272);
  EXPECT_EQ(at96.top, 8);
  EXPECT_EQ(at96.width, 425);
  EXPECT_EQ(at96.height, 294);
  const PixelRect at144 = PixelRectOf(*log, 144);
  EXPECT_EQ(at144.left, 408);
  EXPECT_EQ(at144.width, 638);  // 637.5 rounded
  EXPECT_EQ(TwipsToPixels(kClientWidthTwips), 718);
  EXPECT_EQ(TwipsToPixels(kClientHeightTwips), 315);
  EXPECT_EQ(FindControl("Nothing"), nullptr);
}

TEST(FormLayout, LinesCoverTheirEndPointsWithTheirWidthCentred) {
  const PixelRect line5 = PixelRectOf(*FindControl("Line5"));
  EXPECT_EQ(line5.left, 8);
  EXPECT_EQ(line5.top, 8);
  EXPECT_EQ(line5.width, 257);
  EXPECT_EQ(line5.height, 1);
  const PixelRect line1 = PixelRectOf(*FindControl("Line1"));
  EXPECT_EQ(line1.left, 16);
  EXPECT_EQ(line1.top, 167);
  EXPECT_EQ(line1.width, 241);
  EXPECT_EQ(line1.height, 3);
}

TEST(FormLayout, NoTwoControlsOverlapAndAllLieInTheClientArea) {
  const auto controls = Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const PixelRect a = PixelRectOf(controls[i]);
    EXPECT_GE(a.left, 0);
    EXPECT_GE(a.top, 0);
    EXPECT_LE(a.left + a.width, 718) << controls[i].name;
    EXPECT_LE(a.top + a.height, 315) << controls[i].name;
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      EXPECT_FALSE(Overlap(a, PixelRectOf(controls[j])))
          << controls[i].name << " and " << controls[j].name;
    }
  }
}

TEST(FormLayout, OwnFontsOnTheLogAndTheTwoHeadings) {
  for (const ControlSpec& control : Controls()) {
    const std::string name = control.name;
    const ControlFont expected = name == "Text3"                        ? ControlFont::kOwnRegular
                                 : name == "Label1" || name == "Label7" ? ControlFont::kOwnBold
                                                                        : ControlFont::kWindow;
    EXPECT_EQ(control.font, expected) << name;
  }
}

}  // namespace
}  // namespace setvornip
