// The flake scene: the field, the cell table, the window layout, scene preparation, the step's
// arithmetic, the bands and the settling layer, through the scene's own functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "lifecycle/form_screen.h"
#include "platform/errors.h"
#include "resources/sprite_strips.h"
#include "scene/scene.h"
#include "tests/scene_fakes.h"

namespace frin {
namespace {

using testing::SceneFixture;

int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

TEST(SceneTest, FlakeFieldChecksEveryIndex) {
  FlakeField field;
  field.Size(3);
  EXPECT_EQ(field.Count(), 3);
  field[3].X = 7;
  EXPECT_EQ(field[3].X, 7);
  EXPECT_EQ(field[1].FallSpeed, 0);
  EXPECT_EQ(ErrorOf([&] { field[0]; }), kErrSubscript);
  EXPECT_EQ(ErrorOf([&] { field[4]; }), kErrSubscript);
  field.Size(2);  // fresh and zero-filled
  EXPECT_EQ(field[2].X, 0);
  for (int32_t max : {0, -5}) {
    field.Size(max);
    EXPECT_EQ(field.Count(), 0);
    EXPECT_EQ(ErrorOf([&] { field[1]; }), kErrSubscript);
  }
  field.Size(4);
  field.Release();
  EXPECT_EQ(field.Count(), 0);
}

TEST(SceneTest, SpriteCellFollowsSpeedAndBackground) {
  struct Case {
    uint8_t speed, image, column, size;
  } cases[] = {
      {1, 0, 14, 5}, {2, 0, 14, 5}, {3, 0, 7, 7},   {5, 0, 7, 7},  {6, 0, 0, 7},  {9, 0, 0, 7},
      {0, 0, 7, 7},  {10, 0, 7, 7}, {255, 0, 7, 7}, {1, 1, 12, 4}, {2, 1, 12, 4}, {3, 1, 6, 5},
      {5, 1, 6, 5},  {6, 1, 0, 6},  {9, 1, 0, 6},   {0, 1, 6, 5},  {10, 1, 6, 5},
  };
  for (const Case& c : cases) {
    Flake f;
    f.FallSpeed = c.speed;
    f.SpriteColumn = 99;
    f.SpriteSize = 99;
    ChooseSpriteCell(f, c.image);
    EXPECT_EQ(f.SpriteColumn, c.column) << int{c.speed} << " on " << int{c.image};
    EXPECT_EQ(f.SpriteSize, c.size) << int{c.speed} << " on " << int{c.image};
  }
}

TEST(SceneTest, FormScreenHasItsDesignLayout) {
  auto form = MakeFormScreen(15, 15);
  EXPECT_EQ(form->Name(), "Form_Screen");
  EXPECT_EQ(form->caption, "ScreenSaver Frin");
  EXPECT_EQ(form->border, FormBorder::kNone);
  EXPECT_TRUE(form->hasIcon);
  EXPECT_FALSE(form->visible);
  EXPECT_EQ(form->clientWidth, 3630);
  EXPECT_EQ(form->clientHeight, 3120);
  EXPECT_EQ(form->left, 3660);
  EXPECT_EQ(form->top, 2190);
  struct Box {
    const char* name;
    int index;
    int32_t l, t, w, h;
    uint32_t back;
    bool visible, autoRedraw;
    int tab;
    int32_t pw, ph;  // surface pixels right after building
  } boxes[] = {
      {"Screen", 0, 120, 720, 1575, 1095, 0x00000000u, true, true, 0, 105, 73},
      {"Screen", 1, 1920, 720, 1575, 1095, 0x00000000u, false, true, 1, 105, 73},
      {"Frin_Pic", 0, 360, 120, 270, 180, 0x80000005u, false, true, 2, 18, 12},
      {"Frin_Pic", 1, 840, 120, 315, 210, 0x80000005u, false, true, 3, 21, 14},
      {"Pic_Focus", -1, 2040, 120, 1335, 495, 0x8000000Fu, true, false, 4, 0, 0},
      {"Screen", 2, 1920, 1920, 1575, 1095, 0x00000000u, false, false, 5, 0, 0},
  };
  for (const Box& b : boxes) {
    SCOPED_TRACE(::testing::Message() << b.name << "(" << b.index << ")");
    const Control& c = form->Get(b.name, b.index);
    EXPECT_EQ(c.kind, ControlKind::kPictureBox);
    EXPECT_EQ(c.left, b.l);
    EXPECT_EQ(c.top, b.t);
    EXPECT_EQ(c.width, b.w);
    EXPECT_EQ(c.height, b.h);
    EXPECT_EQ(c.backColor, b.back);
    if (b.name != std::string("Pic_Focus")) {
      EXPECT_EQ(c.foreColor, 0x80000008u);
    }
    EXPECT_EQ(c.visible, b.visible);
    EXPECT_EQ(c.autoRedraw, b.autoRedraw);
    EXPECT_EQ(c.autoSize, b.index == 2 && b.name == std::string("Screen"));
    EXPECT_EQ(c.tabIndex, b.tab);
    EXPECT_TRUE(c.scaleTwips);
    EXPECT_EQ(c.surface.Width(), b.pw);
    EXPECT_EQ(c.surface.Height(), b.ph);
  }
  EXPECT_EQ(form->Get("Frin_Pic", 0).surface.Pixels(), MakeSpriteStrip(0).Pixels());
  EXPECT_EQ(form->Get("Frin_Pic", 1).surface.Pixels(), MakeSpriteStrip(1).Pixels());
  for (Pixel p : form->Get("Screen", 0).surface.Pixels())
    ASSERT_EQ(p, kBlack);
  for (auto [index, interval] : {std::pair{0, 240}, {1, 840}}) {
    const Control& t = form->Get("SS_Timer", index);
    EXPECT_EQ(t.kind, ControlKind::kTimer);
    EXPECT_EQ(t.interval, interval);
    EXPECT_FALSE(t.timerEnabled);
  }
  EXPECT_EQ(form->Controls().size(), 8u);
}

TEST(SceneTest, PlacingABoxSizesItsSurfaceAtTheFormsRatio) {
  testing::SceneFakeApi api;
  Saver saver(api);
  saver.SceneState.TwipsPerPixelX = 12;
  saver.SceneState.TwipsPerPixelY = 20;
  BuildFormScreen(saver);
  ASSERT_NE(saver.ScreenControls.Screen[0], nullptr);
  EXPECT_EQ(saver.ScreenControls.Screen[0], &saver.Form_Screen->Get("Screen", 0));
  EXPECT_EQ(saver.ScreenControls.SS_Timer[1], &saver.Form_Screen->Get("SS_Timer", 1));
  Control& canvas = *saver.ScreenControls.Screen[0];
  canvas.Move(0, 0, 12 * 30, 20 * 10);  // a move alone keeps the surface
  EXPECT_EQ(canvas.surface.Width(), 1575 / 12);
  PlaceSurfaceBox(canvas, 0, 0, 12 * 30, 20 * 10);
  EXPECT_EQ(canvas.surface.Width(), 30);
  EXPECT_EQ(canvas.surface.Height(), 10);
}

// --- Scene preparation ---------------------------------------------------------------------------

Surface Gradient(int32_t w, int32_t h) {
  Surface s(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x)
      s.At(x, y) = 0x010000u * (x % 256) + 0x000100u * (y % 256) + 9;
  }
  return s;
}

TEST(SceneTest, PrepareSceneChoosesTheBackground) {
  struct Case {
    const char* saverType;
    const char* backScreen;
    const char* file;
    int want;  // 0 black, 1 desktop, 2 picture
  } cases[] = {
      {"black", "off", "/p/pic.bmp", 0},
      {"desktop", "off", "", 1},
      {"desktop", "on", "/p/pic.bmp", 1},  // the desktop wins; the picture is not read
      {"Desktop", "off", "", 0},           // exact comparison
      {"black", "on", "/p/pic.bmp", 2},
      {"black", "On", "/p/pic.bmp", 0},
      {"black", "on", "", 0},
      {"black", "on", "/p/missing.bmp", 0},
      {"black", "on", "/p/broken.jpg", 0},  // exists but does not decode: black, no error
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.saverType << " " << c.backScreen << " " << c.file);
    SceneFixture f(16, 12, 5);
    f.saver.SaverSettings.SaverType = c.saverType;
    f.saver.SaverSettings.BackScreen = c.backScreen;
    f.saver.SaverSettings.BS_File = c.file;
    f.api.desktop = Gradient(40, 30);
    f.api.files = {"/p/pic.bmp", "/p/broken.jpg"};
    Surface picture(2, 2);
    picture.At(0, 0) = 0xFF0000;
    picture.At(1, 0) = 0x00FF00;
    picture.At(0, 1) = 0x0000FF;
    picture.At(1, 1) = 0x777777;
    f.api.pictures["/p/pic.bmp"] = picture;
    f.api.pictures["/p/broken.jpg"] = std::nullopt;
    PrepareScene(f.saver);

    EXPECT_EQ(f.saver.SceneState.ImageBackground, c.want == 0 ? 0 : 1);
    if (c.want != 2) {
      EXPECT_EQ(f.api.pictureLoads, std::string(c.file) == "/p/broken.jpg");
    }
    for (int32_t y = 0; y < 12; ++y) {
      for (int32_t x = 0; x < 16; ++x) {
        Pixel want = kBlack;
        if (c.want == 1) want = f.api.desktop.At(x, y);
        if (c.want == 2) want = picture.At(x / 8, y / 6);  // stretched over the whole scene
        ASSERT_EQ(f.Buffer().At(x, y), want) << x << "," << y;
      }
    }
    EXPECT_EQ(f.Canvas().Pixels(), f.Buffer().Pixels());
    EXPECT_FALSE(f.saver.ScreenControls.Screen[0]->autoRedraw);
    const Control& box = *f.saver.ScreenControls.Screen[2];
    EXPECT_EQ(box.surface.Width(), 0);  // the loading box is empty again
    if (c.want == 2) {
      EXPECT_EQ(box.width, 2 * 15);  // it took the picture's size
      EXPECT_EQ(box.height, 2 * 15);
    }
  }
}

TEST(SceneTest, PrepareSceneSeedsEveryFlakeWithFiveDrawsInOrder) {
  SceneFixture f(640, 480, 300);
  f.api.clock = 123456789;
  Random shadow = f.saver.random;
  PrepareScene(f.saver);
  EXPECT_EQ(f.api.clockReads, 1);  // one re-seed for all flakes
  shadow.Reseed(123456789);
  for (int32_t i = 1; i <= 300; ++i) {
    const Flake& fl = f.saver.FlakeField[i];
    const double rx = shadow.Draw(), ry = shadow.Draw(), rs = shadow.Draw(), rd = shadow.Draw(),
                 rl = shadow.Draw();
    ASSERT_EQ(fl.X, static_cast<int32_t>(std::floor(rx * 640))) << i;
    ASSERT_EQ(fl.Y, static_cast<int32_t>(std::floor(ry * 480))) << i;
    const int speed = static_cast<int>(std::floor(rs * 9)) + 1;
    ASSERT_EQ(fl.FallSpeed, speed) << i;
    ASSERT_EQ(fl.DriftStep, std::floor(rd * 2) == 0 ? -1 : 1) << i;
    ASSERT_EQ(fl.DriftLimit, static_cast<int32_t>(std::floor(rl * (2 * speed + 1))) - speed) << i;
    EXPECT_EQ(fl.Drift, 0);
    EXPECT_TRUE(fl.X >= 0 && fl.X < 640 && fl.Y >= 0 && fl.Y < 480);
    EXPECT_LE(std::abs(fl.DriftLimit), fl.FallSpeed);
    Flake cell = fl;
    ChooseSpriteCell(cell, 0);
    EXPECT_EQ(cell.SpriteColumn, fl.SpriteColumn);
    EXPECT_EQ(cell.SpriteSize, fl.SpriteSize);
  }
  EXPECT_EQ(f.saver.SceneState.GroundY, 480);
  EXPECT_EQ(f.saver.SceneState.SettledCount, 0);
}

TEST(SceneTest, PrepareSceneSetsTheSecondTimerOnlyAboveTheSplit) {
  for (auto [max, second] : {std::pair{250, 840}, {251, 30}, {0, 840}, {-3, 840}}) {
    SceneFixture f(50, 60, max);
    f.saver.SaverSettings.Speed = 30;
    f.saver.SceneState.SettledCount = 9;
    PrepareScene(f.saver);
    EXPECT_EQ(f.saver.ScreenControls.SS_Timer[0]->interval, 30) << max;
    EXPECT_EQ(f.saver.ScreenControls.SS_Timer[1]->interval, second) << max;
    EXPECT_EQ(f.saver.SceneState.SettledCount, 0);
    EXPECT_EQ(f.saver.SceneState.GroundY, 60);
    // No flakes at all is a quiet scene, not an error.
    StepFirstBand(f.saver);
    StepSecondBand(f.saver);
  }
}

// --- The step ------------------------------------------------------------------------------------

// A prepared black scene with flake 1 set to the given state.
struct StepFixture : SceneFixture {
  explicit StepFixture(int32_t w = 100, int32_t h = 80, int32_t max = 1,
                       const std::string& remain = "off")
      : SceneFixture(w, h, max, remain) {
    PrepareScene(saver);
  }
  Flake& Set(int32_t index, int32_t x, int32_t y, uint8_t speed, int32_t drift, int32_t step,
             int32_t limit) {
    Flake& fl = saver.FlakeField[index];
    fl.X = x;
    fl.Y = y;
    fl.FallSpeed = speed;
    fl.Drift = drift;
    fl.DriftStep = step;
    fl.DriftLimit = limit;
    ChooseSpriteCell(fl, saver.SceneState.ImageBackground);
    return fl;
  }
};

TEST(SceneTest, FlakesWrapAtBothSides) {
  // X after the drift move, size 7 (speed 6 on black): -7 stays, -8 wraps to the right edge;
  // 100 stays, 101 wraps to -7.
  struct Case {
    int32_t x, drift, want;
  } cases[] = {{-6, -1, -7}, {-7, -1, 100}, {99, 1, 100}, {100, 1, -7}, {-7, 0, -7}};
  for (const Case& c : cases) {
    StepFixture f;
    Flake& fl = f.Set(1, c.x, 10, 6, c.drift, c.drift >= 0 ? 1 : -1, 5);
    StepFlake(f.saver, 1, true);
    EXPECT_EQ(fl.X, c.want) << c.x << " + " << c.drift;
    EXPECT_EQ(fl.Y, 16);
  }
}

TEST(SceneTest, DriftSwingsOutAndBack) {
  StepFixture f;
  Flake& fl = f.Set(1, 40, 0, 1, 0, 1, 3);
  const int32_t moves[] = {0, 1, 2, 3, 3, 2, 1};
  const int32_t drifts[] = {1, 2, 3, 3, 2, 1, 0};
  for (int t = 0; t < 7; ++t) {
    const int32_t before = fl.X;
    StepFlake(f.saver, 1, true);
    EXPECT_EQ(fl.X - before, moves[t]) << "tick " << t;
    EXPECT_EQ(fl.Drift, drifts[t]) << "tick " << t;
    if (t < 6) {
      EXPECT_EQ(fl.DriftLimit, 3);
    }
  }
  EXPECT_LE(std::abs(fl.DriftLimit), 1);  // a new limit from -1 to 1 was drawn at rest
  EXPECT_EQ(fl.DriftStep, fl.DriftLimit >= 0 ? 1 : -1);
}

TEST(SceneTest, ALimitOfZeroTurnsBackAtOnceAndDrawsAgain) {
  StepFixture f;
  Flake& fl = f.Set(1, 40, 0, 4, 0, 1, 0);
  f.api.clock = 777;
  Random shadow = f.saver.random;
  StepFlake(f.saver, 1, true);
  shadow.Reseed(777);
  const int32_t want = static_cast<int32_t>(std::floor(double{shadow.Draw()} * 9)) - 4;
  EXPECT_EQ(fl.Drift, 0);
  EXPECT_EQ(fl.X, 40);
  EXPECT_EQ(fl.DriftLimit, want);
  EXPECT_EQ(fl.DriftStep, want >= 0 ? 1 : -1);
  EXPECT_EQ(f.saver.random.State(), shadow.State());  // exactly one draw this tick
}

TEST(SceneTest, FlakesLandOnlyPastTheGroundLine) {
  for (auto [y, lands] : {std::pair{75, false}, {76, true}}) {
    StepFixture f(100, 80);
    Flake& fl = f.Set(1, 30, y, 5, 0, 1, 5);  // GroundY 80: 75 + 5 stays, 76 + 5 lands
    f.api.clock = 4242;
    Random shadow = f.saver.random;
    StepFlake(f.saver, 1, true);
    EXPECT_EQ(fl.X, 30);
    EXPECT_EQ(fl.Drift, 1);
    EXPECT_EQ(fl.DriftStep, 1);
    EXPECT_EQ(fl.DriftLimit, 5);
    if (!lands) {
      EXPECT_EQ(fl.Y, 80);
      EXPECT_EQ(fl.FallSpeed, 5);
      continue;
    }
    shadow.Reseed(4242);
    const int speed = static_cast<int>(std::floor(double{shadow.Draw()} * 9)) + 1;
    EXPECT_EQ(fl.Y, 0);
    EXPECT_EQ(fl.FallSpeed, speed);
    Flake cell = fl;
    ChooseSpriteCell(cell, 0);
    EXPECT_EQ(fl.SpriteColumn, cell.SpriteColumn);
    // Drawn at the top in the same tick: the opaque centre of its new cell shows.
    const int32_t mid = fl.SpriteSize / 2;
    EXPECT_NE(f.Canvas().At(30 + mid, mid), kBlack);
    EXPECT_EQ(f.saver.SceneState.SettledCount, 0);  // Remain is off
  }
}

TEST(SceneTest, StepErasesTheOldCellFromTheBuffer) {
  StepFixture f(40, 40);
  f.Buffer().Fill(0x203040);
  Flake& fl = f.Set(1, 10, 10, 3, 0, 1, 2);
  DrawFlake(f.saver, 10, 10, fl.SpriteSize, fl.SpriteColumn);
  StepFlake(f.saver, 1, true);  // now at (10, 13)
  for (int32_t y = 10; y < 13; ++y) {
    for (int32_t x = 10; x < 17; ++x)
      EXPECT_EQ(f.Canvas().At(x, y), 0x203040u) << x << "," << y;
  }
}

TEST(SceneTest, BandsSplitAtTwoHundredFifty) {
  struct Case {
    int32_t max, first, second;
  } cases[] = {{250, 250, 0}, {251, 250, 1}, {300, 250, 50}, {7, 7, 0}, {0, 0, 0}};
  for (const Case& c : cases) {
    SceneFixture f(200, 5000, c.max);
    PrepareScene(f.saver);
    auto ys = [&] {
      std::vector<int32_t> v;
      for (int32_t i = 1; i <= c.max; ++i)
        v.push_back(f.saver.FlakeField[i].Y);
      return v;
    };
    const std::vector<int32_t> before = ys();
    f.api.clockReads = 0;
    StepFirstBand(f.saver);
    EXPECT_EQ(f.api.clockReads, c.first) << c.max;  // one re-seed per flake stepped
    std::vector<int32_t> after = ys();
    for (int32_t i = 0; i < c.max; ++i)
      EXPECT_EQ(after[i] != before[i], i < BandSplit) << i;
    f.api.clockReads = 0;
    StepSecondBand(f.saver);
    EXPECT_EQ(f.api.clockReads, c.second) << c.max;
  }
}

// --- The settling layer --------------------------------------------------------------------------

// Makes flake `index` land on its next step.
void PrimeLanding(StepFixture& f, int32_t index) {
  f.Set(index, 5, f.saver.SceneState.GroundY, 1, 0, 1, 1);
}

TEST(SceneTest, TheLayerRisesWhenMoreThanHalfTheWidthHaveLanded) {
  for (auto [width, atRise] : {std::pair{1024, 513}, {1023, 512}}) {
    StepFixture f(width, 100, 300, "on");
    f.saver.SceneState.SettledCount = atRise - 2;
    PrimeLanding(f, 1);
    StepFlake(f.saver, 1, true);
    EXPECT_EQ(f.saver.SceneState.SettledCount, atRise - 1) << width;
    EXPECT_EQ(f.saver.SceneState.GroundY, 100);
    PrimeLanding(f, 2);
    StepFlake(f.saver, 2, true);
    EXPECT_EQ(f.saver.SceneState.SettledCount, 0) << width;
    EXPECT_EQ(f.saver.SceneState.GroundY, 99);
    // The second band counts but never raises.
    f.saver.SceneState.SettledCount = 700;
    PrimeLanding(f, 260);
    StepFlake(f.saver, 260, false);
    EXPECT_EQ(f.saver.SceneState.SettledCount, 701);
    EXPECT_EQ(f.saver.SceneState.GroundY, 99);
  }
  // Remain off: nothing counted.
  StepFixture off(64, 100, 1, "off");
  PrimeLanding(off, 1);
  StepFlake(off.saver, 1, true);
  EXPECT_EQ(off.saver.SceneState.SettledCount, 0);
}

bool RowIsWhite(const Surface& s, int32_t y) {
  for (int32_t x = 0; x < s.Width(); ++x) {
    if (s.At(x, y) != kWhite) return false;
  }
  return true;
}

TEST(SceneTest, TheFirstRiseIsBelowTheSceneAndTheLayerStopsAtRowFifty) {
  StepFixture f(30, 53, 1, "on");
  const Surface before = f.Canvas();
  RaiseLayer(f.saver);  // at row 53, one below the last row: nothing shows
  EXPECT_EQ(f.Canvas().Pixels(), before.Pixels());
  EXPECT_EQ(f.Buffer().Pixels(), before.Pixels());
  EXPECT_EQ(f.saver.SceneState.GroundY, 52);
  f.saver.SceneState.SettledCount = 5;
  RaiseLayer(f.saver);
  EXPECT_TRUE(RowIsWhite(f.Canvas(), 52));  // the canvas shows the new row at once
  EXPECT_TRUE(RowIsWhite(f.Buffer(), 52));
  EXPECT_FALSE(RowIsWhite(f.Buffer(), 51));
  EXPECT_EQ(f.saver.SceneState.SettledCount, 0);
  EXPECT_EQ(f.saver.SceneState.GroundY, 51);
  for (int32_t want : {50, 50, 50}) {
    RaiseLayer(f.saver);
    EXPECT_EQ(f.saver.SceneState.GroundY, want);
  }
  EXPECT_TRUE(RowIsWhite(f.Buffer(), 51));
  EXPECT_TRUE(RowIsWhite(f.Buffer(), 50));
  EXPECT_FALSE(RowIsWhite(f.Buffer(), 49));
}

TEST(SceneTest, CheckedArithmeticTrapsOverflow) {
  StepFixture f;
  f.Set(1, INT32_MAX, 0, 1, 1, 1, 3);
  EXPECT_EQ(ErrorOf([&] { StepFlake(f.saver, 1, true); }), kErrOverflow);
  f.Set(1, 0, 0, 1, INT32_MIN, -1, 3);
  EXPECT_EQ(ErrorOf([&] { StepFlake(f.saver, 1, true); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([&] { StepFlake(f.saver, 2, true); }), kErrSubscript);
  f.saver.SceneState.SettledCount = INT32_MAX;
  f.saver.SaverSettings.Remain = "on";
  PrimeLanding(f, 1);
  EXPECT_EQ(ErrorOf([&] { StepFlake(f.saver, 1, true); }), kErrOverflow);
}

TEST(SceneTest, SceneFunctionsNeedTheWindowBuilt) {
  testing::SceneFakeApi api;
  Saver saver(api);
  saver.FlakeField.Size(1);
  saver.SaverSettings.Max = 1;
  EXPECT_EQ(ErrorOf([&] { PrepareScene(saver); }), kErrInvalidProperty);
  EXPECT_EQ(ErrorOf([&] { StepFirstBand(saver); }), kErrInvalidProperty);
  EXPECT_EQ(ErrorOf([&] { RaiseLayer(saver); }), kErrInvalidProperty);
  EXPECT_EQ(ErrorOf([&] { DrawFlake(saver, 0, 0, 5, 0); }), kErrInvalidProperty);
}

// The first broken invariant of a flake after a step, or null. A landing may give a smaller
// cell to a flake wrapped to minus its old size, so the left bound is the table's largest cell.
const char* FlakeFault(const Flake& fl, uint8_t imageBackground, int32_t width,
                       int32_t groundBefore) {
  if (fl.FallSpeed < 1 || fl.FallSpeed > 9) return "speed";
  if (fl.DriftStep != 1 && fl.DriftStep != -1) return "drift step";
  if (std::abs(fl.Drift) > std::abs(fl.DriftLimit)) return "drift beyond its limit";
  if (std::abs(fl.DriftLimit) > 9) return "limit";
  if (fl.X < (imageBackground == 1 ? -6 : -7) || fl.X > width) return "x";
  if (fl.Y < 0 || fl.Y > groundBefore) return "y";
  Flake cell = fl;
  ChooseSpriteCell(cell, imageBackground);
  if (cell.SpriteColumn != fl.SpriteColumn || cell.SpriteSize != fl.SpriteSize) return "cell";
  return nullptr;
}

// A long run with settling on over a desktop copy, the invariants checked throughout.
TEST(SceneTest, LongRunKeepsTheInvariantsAndTheLayerStopsAtRowFifty) {
  constexpr int32_t kW = 48, kH = 110, kMax = 16;
  SceneFixture f(kW, kH, kMax, "on");
  f.saver.SaverSettings.SaverType = "desktop";
  f.api.desktop = Gradient(kW, kH);
  PrepareScene(f.saver);
  ASSERT_EQ(f.saver.SceneState.ImageBackground, 1);
  int32_t lowestGround = kH;
  for (int tick = 0; tick < 100000; ++tick) {
    f.api.clock += 30;
    const int32_t groundBefore = f.saver.SceneState.GroundY;
    StepFirstBand(f.saver);
    const SceneState& s = f.saver.SceneState;
    ASSERT_GE(s.GroundY, LayerFloor);
    ASSERT_LE(s.GroundY, groundBefore);
    lowestGround = std::min(lowestGround, s.GroundY);
    ASSERT_LE(s.SettledCount, 2 * (kW / 2 + 1));
    for (int32_t i = 1; i <= kMax; ++i) {
      const char* fault = FlakeFault(f.saver.FlakeField[i], 1, kW, groundBefore);
      if (fault != nullptr) FAIL() << "tick " << tick << ", flake " << i << ": " << fault;
    }
    if (tick % 1000 == 0 || tick == 99999) {
      // Outside the flakes' current cells the canvas shows the buffer.
      std::vector<bool> covered(static_cast<size_t>(kW * kH), false);
      for (int32_t i = 1; i <= kMax; ++i) {
        const Flake& fl = f.saver.FlakeField[i];
        for (int32_t y = fl.Y; y < fl.Y + fl.SpriteSize && y < kH; ++y) {
          for (int32_t x = std::max(fl.X, 0); x < fl.X + fl.SpriteSize && x < kW; ++x) {
            covered[static_cast<size_t>(y * kW + x)] = true;
          }
        }
      }
      for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
          if (!covered[static_cast<size_t>(y * kW + x)]) {
            ASSERT_EQ(f.Canvas().At(x, y), f.Buffer().At(x, y)) << tick << ": " << x << "," << y;
          }
        }
      }
    }
  }
  EXPECT_EQ(lowestGround, LayerFloor);
  EXPECT_EQ(f.saver.SceneState.GroundY, LayerFloor);
  for (int32_t y = 0; y < kH; ++y) {
    EXPECT_EQ(RowIsWhite(f.Buffer(), y), y >= LayerFloor) << y;
  }
}

}  // namespace
}  // namespace frin
