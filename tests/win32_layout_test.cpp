// The Windows mirror's placement and notification decisions, on the real dialog and saver
// window models, and the coalescing of a tick's damage for presentation.
#include "platform/win32/win32_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "lifecycle/form_screen.h"
#include "platform/win32/win32_damage.h"
#include "settings/control_ids.h"
#include "settings/form_set.h"

namespace frin::win32 {
namespace {

std::string NameOf(const Control& c) {
  return c.index < 0 ? c.name : c.name + "(" + std::to_string(c.index) + ")";
}

TEST(Win32Layout, DialogControlsLandInsideTheClientAreaAtEveryRatio) {
  std::unique_ptr<Form> form = BuildForm_Set(JapaneseLanguage());
  for (int32_t tpp : {15, 12, 10}) {
    const int32_t clientW = TwipsToPixels(form->clientWidth, tpp);
    const int32_t clientH = TwipsToPixels(form->clientHeight, tpp);
    for (const auto& c : form->Controls()) {
      if (!HasWindow(c->kind)) continue;
      const PixelBox b = ControlPixels(*c, tpp, tpp);
      EXPECT_GE(b.left, 0) << NameOf(*c) << " at " << tpp;
      EXPECT_GE(b.top, 0) << NameOf(*c) << " at " << tpp;
      EXPECT_LE(b.right, clientW) << NameOf(*c) << " at " << tpp;
      EXPECT_LE(b.bottom, clientH) << NameOf(*c) << " at " << tpp;
      EXPECT_GT(b.Width(), 0) << NameOf(*c);
      EXPECT_GT(b.Height(), 0) << NameOf(*c);
      // A control held by a frame lies inside it: the frame's window is only its outline.
      if (c->container != nullptr) {
        const PixelBox f = ControlPixels(*c->container, tpp, tpp);
        EXPECT_TRUE(b.left >= f.left && b.top >= f.top && b.right <= f.right &&
                    b.bottom <= f.bottom)
            << NameOf(*c) << " leaves " << NameOf(*c->container) << " at " << tpp;
      }
    }
  }
  // At 15 twips per pixel: the readout of the count frame and the OK button, in pixels.
  const PixelBox readout = ControlPixels(form->Get("Label1", 0), 15, 15);
  EXPECT_EQ(readout.left, 176);  // (120 + 2520) / 15
  EXPECT_EQ(readout.top, 24);    // (120 + 240) / 15
  const PixelBox ok = ControlPixels(form->Get("Btn_Set", 0), 15, 15);
  EXPECT_EQ(ok.left, 320);
  EXPECT_EQ(ok.top, 208);
  EXPECT_EQ(ok.Width(), 81);
  EXPECT_EQ(ok.Height(), 33);
}

TEST(Win32Layout, DialogWindowsAreMadeInTabOrderWithStableIds) {
  std::unique_ptr<Form> form = BuildForm_Set(JapaneseLanguage());
  const std::vector<Control*> order = CreationOrder(*form);
  ASSERT_EQ(order.size(), 26u);
  const char* const expected[] = {"Btn_Set(0)", "Btn_Set(1)", "Srl_Set(0)", "Srl_Set(1)",
                                  "Chk_Set(0)", "Chk_Set(3)", "Txt_File",   "Btn_File",
                                  "Chk_Set(1)", "Chk_Set(2)"};
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(NameOf(*order[i]), expected[i]) << "position " << i;
  }
  EXPECT_EQ(NameOf(*order.back()), "Image1");  // outside the tab order: last
  std::set<int> ids;
  for (const Control* c : order) {
    EXPECT_NE(c->controlId, 0) << NameOf(*c);
    EXPECT_TRUE(ids.insert(c->controlId).second) << NameOf(*c) << " shares its id";
  }
  EXPECT_EQ(form->Get("Btn_Set", 0).controlId, IDC_BTN_SET_0);
  EXPECT_EQ(form->Get("Srl_Set", 1).controlId, IDC_SRL_SET_1);
  EXPECT_EQ(form->Get("Label1", 11).controlId, IDC_LABEL1_11);
  // Enter and Escape reach a window without a default button as IDOK (1) and IDCANCEL (2);
  // no control may answer to them.
  EXPECT_EQ(ids.count(1) + ids.count(2), 0u);
}

TEST(Win32Layout, TheSaverWindowHasNoControlWindows) {
  std::unique_ptr<Form> form = BuildForm_Screen(15, 15);
  EXPECT_TRUE(CreationOrder(*form).empty());
  // Pic_Focus lies left of the window once the run has placed it.
  Control& focus = form->Get("Pic_Focus");
  focus.Move(-750, 0, 450, 450);
  const PixelBox b = ControlPixels(focus, 15, 15);
  EXPECT_EQ(b.left, -50);
  EXPECT_EQ(b.right, -20);
}

TEST(Win32Layout, ALabelsCaptionEndsAPixelBeforeTheLabelStackedAboveIt) {
  std::unique_ptr<Form> form = BuildForm_Set(JapaneseLanguage());
  const Control& title = form->Get("Label1", 8);  // "Screen Saver", under "Frin"
  const Control& name = form->Get("Label1", 9);
  // Above a label lie the labels made after it, and nothing lies above the last one.
  const std::vector<const Control*> above = LabelsAbove(*form, title);
  EXPECT_NE(std::find(above.begin(), above.end(), &name), above.end());
  EXPECT_TRUE(LabelsAbove(*form, form->Get("Label1", 12)).empty());
  EXPECT_TRUE(LabelsAbove(*form, form->Get("Chk_Set", 0)).empty());
  const auto room = [&](const Control& c, int32_t tpp) {
    std::vector<PixelBox> boxes;
    for (const Control* k : LabelsAbove(*form, c))
      boxes.push_back(ControlPixels(*k, tpp, tpp));
    return UncoveredWidth(ControlPixels(c, tpp, tpp), boxes);
  };
  // "Screen Saver" from 360 twips, "Frin" from 2040: 112 pixels at 15 twips, 210 at 8, less the
  // pixel that keeps them apart; "Frin" keeps its whole box ("Ver. 3.02" begins after it).
  EXPECT_EQ(room(title, 15), 111);
  EXPECT_EQ(room(title, 8), 209);
  EXPECT_EQ(room(name, 15), 25);
  EXPECT_EQ(room(name, 8), 47);

  const PixelBox box{10, 10, 110, 30};
  EXPECT_EQ(UncoveredWidth(box, {}), 100);
  EXPECT_EQ(UncoveredWidth(box, {PixelBox{60, 0, 200, 11}}), 49);    // one shared row
  EXPECT_EQ(UncoveredWidth(box, {PixelBox{60, 30, 200, 40}}), 100);  // rows below it
  EXPECT_EQ(UncoveredWidth(box, {PixelBox{0, 10, 50, 30}}), 100);    // begins left of it
  EXPECT_EQ(UncoveredWidth(box, {PixelBox{110, 10, 150, 30}}), 99);  // touching its right edge
  EXPECT_EQ(UncoveredWidth(box, {PixelBox{111, 10, 150, 30}}), 100);
  EXPECT_EQ(UncoveredWidth(box, {PixelBox{90, 10, 150, 30}, PixelBox{40, 20, 60, 25}}), 29);
  EXPECT_EQ(UncoveredWidth(box, {PixelBox{11, 10, 150, 30}}), 0);
}

TEST(Win32Layout, CaptionRoomAndNotifications) {
  EXPECT_EQ(CaptionRoom(ControlKind::kCheckBox, 233, 17), 216);
  EXPECT_EQ(CaptionRoom(ControlKind::kCheckBox, 10, 17), 0);
  EXPECT_EQ(CaptionRoom(ControlKind::kCommandButton, 81, 17), 75);
  EXPECT_EQ(CaptionRoom(ControlKind::kFrame, 257, 17), 241);
  EXPECT_EQ(CaptionRoom(ControlKind::kLabel, 33, 17), 33);
  EXPECT_EQ(CaptionRoom(ControlKind::kTextBox, 209, 17), 0);

  // An automatic check box shows its new tick when the click arrives.
  EXPECT_EQ(CheckBoxTarget(1, 0), 1);
  EXPECT_EQ(CheckBoxTarget(0, 1), 0);
  // A click that did not turn the tick (sent without a state change) turns the model's value.
  EXPECT_EQ(CheckBoxTarget(0, 0), 1);
  EXPECT_EQ(CheckBoxTarget(1, 1), 0);

  Control bar;
  bar.kind = ControlKind::kHScrollBar;
  bar.min = 0;
  bar.max = 15;
  bar.value = 10;
  EXPECT_EQ(EndScrollTarget(4, bar), 4);
  EXPECT_EQ(EndScrollTarget(10, bar), std::nullopt);  // unchanged: no change event
  EXPECT_EQ(EndScrollTarget(16, bar), std::nullopt);  // outside the range: ignored
  EXPECT_EQ(EndScrollTarget(-1, bar), std::nullopt);
}

}  // namespace
}  // namespace frin::win32

namespace frin::win32 {
namespace {

std::vector<Rect> Runs(DamageTiles& tiles) {
  std::vector<Rect> runs;
  tiles.TakeRuns([&](const Rect& r) { runs.push_back(r); });
  return runs;
}

bool Covers(const std::vector<Rect>& runs, int32_t x, int32_t y) {
  for (const Rect& r : runs) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  }
  return false;
}

TEST(Win32Damage, BusyTicksCoalesceIntoRunsThatCoverEveryChange) {
  constexpr int32_t T = DamageTiles::kTile;
  DamageTiles tiles;
  tiles.Resize(100, 70);  // tiles of the last column and row are cut by the surface

  // Two flakes' cells in neighbouring tiles of one row, one cell across a tile corner, one cell
  // hanging over the right edge, one wholly outside.
  const std::vector<Rect> damage = {{3, 3, 9, 9},
                                    {T + 2, 4, T + 8, 10},
                                    {T - 2, 2 * T - 2, T + 3, 2 * T + 3},
                                    {97, 40, 104, 47},
                                    {200, 5, 210, 15}};
  for (const Rect& r : damage)
    tiles.Mark(r);
  const std::vector<Rect> runs = Runs(tiles);
  // Every damaged pixel on the surface is presented.
  for (const Rect& r : damage) {
    for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, 70); ++y) {
      for (int32_t x = std::max(r.left, 0); x < std::min(r.right, 100); ++x) {
        EXPECT_TRUE(Covers(runs, x, y)) << x << "," << y;
      }
    }
  }
  // Nothing outside the surface, and the two cells of the first row share one run.
  for (const Rect& r : runs) {
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 100 && r.bottom <= 70);
  }
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(runs[0].left, 0);
  EXPECT_EQ(runs[0].top, 0);
  EXPECT_EQ(runs[0].right, 2 * T);
  EXPECT_EQ(runs[0].bottom, T);
  // Runs are taken once: the marks are cleared.
  EXPECT_TRUE(Runs(tiles).empty());
}

TEST(Win32Damage, AnEmptyOrResizedGridPresentsNothing) {
  DamageTiles tiles;
  tiles.Mark(Rect{0, 0, 10, 10});  // no surface yet
  EXPECT_TRUE(Runs(tiles).empty());
  tiles.Resize(64, 64);
  tiles.Mark(Rect{5, 5, 5, 20});  // empty rectangle
  tiles.Mark(Rect{-20, -20, -1, -1});
  EXPECT_TRUE(Runs(tiles).empty());
  tiles.Mark(Rect{0, 0, 64, 64});
  tiles.Resize(64, 64);  // a new size drops the marks
  EXPECT_TRUE(Runs(tiles).empty());
}

// The region of one present: the rectangles handed to add().
std::vector<Rect> Region(const DamageList& damage, DamageTiles& tiles, int32_t w, int32_t h,
                         Rect& bounds) {
  std::vector<Rect> region;
  bounds = CollectDamage(damage, tiles, w, h, [&](const Rect& r) { region.push_back(r); });
  return region;
}

TEST(Win32Damage, AQuietTickPresentsItsRectanglesClippedToTheSurface) {
  DamageTiles tiles;
  tiles.Resize(100, 70);
  DamageList damage;
  damage.Add(Rect{10, 10, 17, 17});
  damage.Add(Rect{-3, 60, 4, 67});    // over the left edge
  damage.Add(Rect{95, 66, 102, 73});  // over the bottom right corner
  damage.Add(Rect{120, 5, 127, 12});  // wholly outside: dropped
  Rect bounds;
  const std::vector<Rect> region = Region(damage, tiles, 100, 70, bounds);
  ASSERT_EQ(region.size(), 3u);
  EXPECT_EQ(region[1].left, 0);
  EXPECT_EQ(region[2].right, 100);
  EXPECT_EQ(region[2].bottom, 70);
  EXPECT_EQ(bounds.left, 0);
  EXPECT_EQ(bounds.top, 10);
  EXPECT_EQ(bounds.right, 100);
  EXPECT_EQ(bounds.bottom, 70);

  DamageList outside;
  outside.Add(Rect{-20, -20, -10, -10});
  EXPECT_TRUE(Region(outside, tiles, 100, 70, bounds).empty());
  EXPECT_TRUE(bounds.Empty());  // nothing to copy at all
}

TEST(Win32Damage, ABusyTickPresentsFewerRectanglesThatCoverEveryChange) {
  constexpr int32_t kW = 640, kH = 480;
  DamageTiles tiles;
  tiles.Resize(kW, kH);
  DamageList damage;
  // Three hundred flakes' erased and drawn cells, some over the left edge.
  std::vector<Rect> cells;
  for (int i = 0; i < 300; ++i) {
    const int32_t x = (i * 37) % (kW + 7) - 7, y = (i * 53) % kH;
    cells.push_back(Rect{x, y, x + 7, y + 7});
    cells.push_back(Rect{x + 1, y + 3, x + 8, y + 10});
  }
  for (const Rect& r : cells)
    damage.Add(r);
  Rect bounds;
  const std::vector<Rect> region = Region(damage, tiles, kW, kH, bounds);
  EXPECT_LT(region.size(), cells.size() / 2);
  for (const Rect& r : cells) {
    for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, kH); ++y) {
      for (int32_t x = std::max(r.left, 0); x < std::min(r.right, kW); ++x)
        ASSERT_TRUE(Covers(region, x, y)) << x << "," << y;
    }
  }
  for (const Rect& r : region) {
    EXPECT_TRUE(r.left >= bounds.left && r.top >= bounds.top && r.right <= bounds.right &&
                r.bottom <= bounds.bottom);
  }
  // The marks are gone: the next tick starts from nothing.
  EXPECT_TRUE(Runs(tiles).empty());
}

}  // namespace
}  // namespace frin::win32
