// The flake scene through its own functions: the field, the cell table, the window layout, scene
// preparation, the step's arithmetic, the bands and the settling layer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>

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

std::string Data(const char* name) {
  return std::string(FRIN_TEST_DATA) + "/" + name;
}

TEST(SceneTest, FlakeFieldAndSpriteCells) {
  FlakeField field;
  field.Size(3);
  EXPECT_EQ(ErrorOf([&] { field[3].X = 1; }), 0);
  EXPECT_EQ(ErrorOf([&] { field[0]; }), kErrSubscript);
  EXPECT_EQ(ErrorOf([&] { field[4]; }), kErrSubscript);
  field.Size(-5);
  EXPECT_EQ(ErrorOf([&] { field[1]; }), kErrSubscript);

  const int cells[][4] = {// speed, image background, column, size
                          {1, 0, 14, 5}, {2, 0, 14, 5}, {3, 0, 7, 7},  {5, 0, 7, 7},  {6, 0, 0, 7},
                          {9, 0, 0, 7},  {0, 0, 7, 7},  {10, 0, 7, 7}, {2, 1, 12, 4}, {3, 1, 6, 5},
                          {5, 1, 6, 5},  {6, 1, 0, 6},  {9, 1, 0, 6},  {255, 1, 6, 5}};
  for (const auto& c : cells) {
    Flake f{.FallSpeed = static_cast<uint8_t>(c[0]), .SpriteSize = 99, .SpriteColumn = 99};
    ChooseSpriteCell(f, static_cast<uint8_t>(c[1]));
    EXPECT_TRUE(f.SpriteColumn == c[2] && f.SpriteSize == c[3]) << c[0] << " on " << c[1];
  }
}

TEST(SceneTest, FormScreenShowsOnlyTheCanvasAndTheFocusBoxWhenLoaded) {
  auto form = BuildForm_Screen(15, 15);
  EXPECT_TRUE(form->caption == "ScreenSaver Frin" && form->border == FormBorder::kNone);
  std::vector<std::string> visible;
  for (const auto& c : form->Controls()) {
    if (c->visible && c->kind != ControlKind::kTimer) visible.push_back(c->name);
    EXPECT_FALSE(c->timerEnabled) << c->name;
  }
  EXPECT_EQ(visible, (std::vector<std::string>{"Screen", "Pic_Focus"}));
  const Control& canvas = form->Get("Screen", 0);
  EXPECT_TRUE(canvas.surface.Width() == 105 && canvas.surface.Height() == 73);
  EXPECT_EQ(form->Get("Frin_Pic", 1).surface.Pixels(), MakeSpriteStrip(1).Pixels());
  EXPECT_TRUE(form->Get("Screen", 2).autoSize && !form->Get("Screen", 2).autoRedraw);
  EXPECT_EQ(form->Get("SS_Timer", 1).interval, 840);
}

TEST(SceneTest, PrepareSceneChoosesTheBackground) {
  enum Want { kBlackBg, kDesktop, kPicture };
  const std::string bmp = Data("two_colour_4x3.bmp");
  const struct {
    const char* saverType;
    const char* backScreen;
    std::string file;
    Want want;
  } cases[] = {
      {"black", "off", bmp, kBlackBg},
      {"desktop", "off", "", kDesktop},
      {"desktop", "on", bmp, kDesktop},
      {"Desktop", "off", "", kBlackBg},
      {"black", "on", bmp, kPicture},
      {"black", "On", bmp, kBlackBg},
      {"black", "on", "", kBlackBg},
      {"black", "on", Data("missing.bmp"), kBlackBg},
      {"black", "on", Data("truncated.jpg"), kBlackBg},  // exists, does not decode: no error
  };
  const Surface picture = *MemoryPlatform::DecodeImageFile(bmp);
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.saverType << " " << c.backScreen << " " << c.file);
    SceneFixture f(12, 6, 5);
    f.saver.SaverSettings.SaverType = c.saverType;
    f.saver.SaverSettings.BackScreen = c.backScreen;
    f.saver.SaverSettings.BS_File = c.file;
    Surface desktop(30, 20);
    for (int32_t y = 0; y < 20; ++y) {
      for (int32_t x = 0; x < 30; ++x)
        desktop.At(x, y) = 0x010000u * x + 0x0100u * y + 9;
    }
    f.api.SetDesktop(desktop);
    PrepareScene(f.saver, f.saver.Primary());
    EXPECT_EQ(f.saver.Primary().SceneState.ImageBackground, c.want == kBlackBg ? 0 : 1);
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 12; ++x) {
        const Pixel want = c.want == kDesktop   ? desktop.At(x, y)
                           : c.want == kPicture ? picture.At(x / 3, y / 2)
                                                : kBlack;
        ASSERT_EQ(f.Buffer().At(x, y), want) << x << "," << y;
      }
    }
    EXPECT_EQ(f.Canvas().Pixels(), f.Buffer().Pixels());
    EXPECT_FALSE(f.saver.Primary().canvas->autoRedraw);
    const Control& box = *f.saver.Primary().loadingBox;
    EXPECT_EQ(box.surface.Width(), 0);  // emptied; sized to the picture while it held it
    if (c.want == kPicture) {
      EXPECT_TRUE(box.width == 4 * 15 && box.height == 3 * 15);
    }
  }
}

TEST(SceneTest, SeedingTakesFiveDrawsPerFlakeAfterOneReseed) {
  SceneFixture f(640, 480, 300);
  f.api.SetClockStart(123456789);
  Random shadow = f.saver.random;
  PrepareScene(f.saver, f.saver.Primary());
  EXPECT_EQ(f.api.clockReads, 1);
  shadow.Reseed(123456789);
  for (int32_t i = 1; i <= 300; ++i) {
    const Flake& fl = f.saver.Primary().FlakeField[i];
    double r[5];
    for (double& d : r)
      d = shadow.Draw();
    const int speed = static_cast<int>(std::floor(r[2] * 9)) + 1;
    ASSERT_EQ(fl.X, std::floor(r[0] * 640));
    ASSERT_EQ(fl.Y, std::floor(r[1] * 480));
    ASSERT_EQ(fl.FallSpeed, speed);
    ASSERT_EQ(fl.DriftStep, r[3] < 0.5 ? -1 : 1);
    ASSERT_EQ(fl.DriftLimit, std::floor(r[4] * (2 * speed + 1)) - speed);
    ASSERT_EQ(fl.Drift, 0);
  }
  EXPECT_TRUE(f.saver.Primary().SceneState.GroundY == 480 &&
              f.saver.Primary().SceneState.SettledCount == 0);
}

// A prepared black scene; Set gives a flake a chosen state.
struct StepFixture : SceneFixture {
  explicit StepFixture(int32_t w = 100, int32_t h = 80, int32_t max = 1,
                       const std::string& remain = "off")
      : SceneFixture(w, h, max, remain) {
    PrepareScene(saver, saver.Primary());
  }
  Flake& Set(int32_t i, int32_t x, int32_t y, uint8_t speed, int32_t drift, int32_t step,
             int32_t limit) {
    Flake& fl = saver.Primary().FlakeField[i];
    fl = Flake{
        .X = x, .Y = y, .FallSpeed = speed, .Drift = drift, .DriftStep = step, .DriftLimit = limit};
    ChooseSpriteCell(fl, saver.Primary().SceneState.ImageBackground);
    return fl;
  }
};

TEST(SceneTest, FlakesWrapSwingAndTurn) {
  // X after the drift move with cell size 7: -7 stays, -8 wraps right; 100 stays, 101 to -7.
  for (auto [x, drift, want] :
       {std::tuple{-6, -1, -7}, {-7, -1, 100}, {99, 1, 100}, {100, 1, -7}}) {
    StepFixture f;
    Flake& fl = f.Set(1, x, 10, 6, drift, drift, 5);
    StepFlake(f.saver, f.saver.Primary(), 1, true);
    EXPECT_TRUE(fl.X == want && fl.Y == 16) << x << " + " << drift;
  }
  // The worked swing with limit 3.
  StepFixture f;
  Flake& fl = f.Set(1, 40, 0, 1, 0, 1, 3);
  const int32_t moves[] = {0, 1, 2, 3, 3, 2, 1}, drifts[] = {1, 2, 3, 3, 2, 1, 0};
  for (int t = 0; t < 7; ++t) {
    const int32_t before = fl.X;
    StepFlake(f.saver, f.saver.Primary(), 1, true);
    EXPECT_TRUE(fl.X - before == moves[t] && fl.Drift == drifts[t]) << "tick " << t;
  }
  // Limit 0: out to 1, back to 0 and a new limit drawn in the same tick, with one draw.
  StepFixture z;
  Flake& zl = z.Set(1, 40, 0, 4, 0, 1, 0);
  z.api.SetClockStart(777);
  Random shadow = z.saver.random;
  StepFlake(z.saver, z.saver.Primary(), 1, true);
  shadow.Reseed(777);
  const int32_t limit = static_cast<int32_t>(std::floor(double{shadow.Draw()} * 9)) - 4;
  EXPECT_TRUE(zl.Drift == 0 && zl.X == 40 && zl.DriftLimit == limit);
  EXPECT_EQ(zl.DriftStep, limit >= 0 ? 1 : -1);
  EXPECT_EQ(z.saver.random.State(), shadow.State());
}

TEST(SceneTest, FlakesLandOnlyPastTheGroundLine) {
  for (auto [y, lands] : {std::pair{75, false}, {76, true}}) {
    StepFixture f(100, 80);  // GroundY 80: 75 + 5 stays, 76 + 5 lands
    Flake& fl = f.Set(1, 30, y, 5, 0, 1, 5);
    StepFlake(f.saver, f.saver.Primary(), 1, true);
    EXPECT_TRUE(fl.X == 30 && fl.Drift == 1 && fl.DriftStep == 1 && fl.DriftLimit == 5);
    EXPECT_EQ(fl.Y, lands ? 0 : 80);
    if (lands) {  // drawn at the top in the same tick with its new cell
      EXPECT_NE(f.Canvas().At(30 + fl.SpriteSize / 2, fl.SpriteSize / 2), kBlack);
      EXPECT_EQ(f.saver.Primary().SceneState.SettledCount, 0);  // Remain is off
    }
  }
  // A landed flake's new cell comes from the table of the run's background, whatever its speed.
  for (const char* saverType : {"black", "desktop"}) {
    SceneFixture f(100, 80, 40);
    f.saver.SaverSettings.SaverType = saverType;
    PrepareScene(f.saver, f.saver.Primary());
    const bool image = f.saver.Primary().SceneState.ImageBackground == 1;
    for (int32_t i = 1; i <= 40; ++i) {
      Flake& fl = f.saver.Primary().FlakeField[i];
      fl.Y = f.saver.Primary().SceneState.GroundY;
      StepFlake(f.saver, f.saver.Primary(), i, true);
      ASSERT_EQ(fl.Y, 0);
      const int speed = fl.FallSpeed;
      const int column = speed <= 2 ? (image ? 12 : 14) : speed <= 5 ? (image ? 6 : 7) : 0;
      const int size = speed <= 2   ? (image ? 4 : 5)
                       : speed <= 5 ? (image ? 5 : 7)
                                    : (image ? 6 : 7);
      EXPECT_TRUE(fl.SpriteColumn == column && fl.SpriteSize == size)
          << saverType << ", speed " << speed;
    }
  }
}

TEST(SceneTest, FlakesSteppedInOneTickDrawDifferentNumbers) {
  // Every flake re-seeds from the same clock value and then draws a new swing limit; a re-seed
  // that restarted the sequence would give all of them the same limit.
  StepFixture f(100, 80, 20);
  f.api.SetClockStart(5000);
  for (int32_t i = 1; i <= 20; ++i)
    f.Set(i, 5 * i, 0, 9, 0, 1, 0);
  f.api.clockReads = 0;
  StepFirstBand(f.saver, f.saver.Primary());
  EXPECT_EQ(f.api.clockReads, 20);
  std::set<int32_t> limits;
  for (int32_t i = 1; i <= 20; ++i) {
    const int32_t limit = f.saver.Primary().FlakeField[i].DriftLimit;
    EXPECT_TRUE(limit >= -9 && limit <= 9) << limit;
    limits.insert(limit);
  }
  EXPECT_GT(limits.size(), 5u);
  // Draws stay in [0, 1) and spread over it however often the clock repeats.
  Random random;
  int tenths[10] = {};
  for (int k = 0; k < 10000; ++k) {
    random.Reseed(5000);
    const float r = random.Draw();
    ASSERT_TRUE(r >= 0.0f && r < 1.0f) << r;
    ++tenths[static_cast<int>(r * 10)];
  }
  for (int t : tenths)
    EXPECT_TRUE(t > 900 && t < 1100) << t;
}

TEST(SceneTest, BandsSplitAtTwoHundredFifty) {
  for (auto [max, first, second] :
       {std::tuple{250, 250, 0}, {251, 250, 1}, {300, 250, 50}, {0, 0, 0}, {-3, 0, 0}}) {
    SceneFixture f(200, 5000, max);
    PrepareScene(f.saver, f.saver.Primary());
    EXPECT_EQ(f.saver.Primary().timers[0]->interval, 30);
    EXPECT_EQ(f.saver.Primary().timers[1]->interval, max > 250 ? 30 : 840);
    f.api.clockReads = 0;
    StepFirstBand(f.saver, f.saver.Primary());  // one re-seed per flake stepped
    EXPECT_EQ(f.api.clockReads, first) << max;
    f.api.clockReads = 0;
    StepSecondBand(f.saver, f.saver.Primary());
    EXPECT_EQ(f.api.clockReads, second) << max;
  }
}

void PrimeLanding(StepFixture& f, int32_t index) {
  f.Set(index, 5, f.saver.Primary().SceneState.GroundY, 1, 0, 1, 1);
}

TEST(SceneTest, TheLayerRisesWhenMoreThanHalfTheWidthHaveLanded) {
  for (auto [width, atRise] : {std::pair{1024, 513}, {1023, 512}}) {
    StepFixture f(width, 100, 300, "on");
    SceneState& s = f.saver.Primary().SceneState;
    s.SettledCount = atRise - 2;
    PrimeLanding(f, 1);
    StepFlake(f.saver, f.saver.Primary(), 1, true);
    EXPECT_TRUE(s.SettledCount == atRise - 1 && s.GroundY == 100) << width;
    PrimeLanding(f, 2);
    StepFlake(f.saver, f.saver.Primary(), 2, true);
    EXPECT_TRUE(s.SettledCount == 0 && s.GroundY == 99) << width;
    s.SettledCount = 700;  // the second band counts but never raises
    PrimeLanding(f, 260);
    StepFlake(f.saver, f.saver.Primary(), 260, false);
    EXPECT_TRUE(s.SettledCount == 701 && s.GroundY == 99);
  }
  StepFixture off(64, 100, 1, "off");
  PrimeLanding(off, 1);
  StepFlake(off.saver, off.saver.Primary(), 1, true);
  EXPECT_EQ(off.saver.Primary().SceneState.SettledCount, 0);
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
  RaiseLayer(f.saver.Primary());  // row 53, below the last row
  EXPECT_TRUE(f.Canvas().Pixels() == before.Pixels() && f.Buffer().Pixels() == before.Pixels());
  f.saver.Primary().SceneState.SettledCount = 5;
  RaiseLayer(f.saver.Primary());  // row 52 shows on the canvas at once
  EXPECT_TRUE(RowIsWhite(f.Canvas(), 52) && RowIsWhite(f.Buffer(), 52));
  EXPECT_EQ(f.saver.Primary().SceneState.SettledCount, 0);
  for (int32_t want : {50, 50, 50}) {
    RaiseLayer(f.saver.Primary());
    EXPECT_EQ(f.saver.Primary().SceneState.GroundY, want);
  }
  EXPECT_TRUE(RowIsWhite(f.Buffer(), 50) && !RowIsWhite(f.Buffer(), 49));
}

TEST(SceneTest, CheckedArithmeticAndMissingWindowRaise) {
  StepFixture f;
  f.Set(1, INT32_MAX, 0, 1, 1, 1, 3);
  EXPECT_EQ(ErrorOf([&] { StepFlake(f.saver, f.saver.Primary(), 1, true); }), kErrOverflow);
  f.Set(1, 0, 0, 1, INT32_MIN, -1, 3);
  EXPECT_EQ(ErrorOf([&] { StepFlake(f.saver, f.saver.Primary(), 1, true); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([&] { StepFlake(f.saver, f.saver.Primary(), 2, true); }), kErrSubscript);
  testing::CountingPlatform api;
  Saver bare(api);
  EXPECT_EQ(ErrorOf([&] { PrepareScene(bare, bare.Primary()); }), kErrInvalidProperty);
}

// The first broken invariant of a flake after a step, or null. A landing may give a smaller cell
// to a flake wrapped to minus its old size, so the left bound is the table's largest cell.
const char* FlakeFault(const Flake& fl, int32_t width, int32_t groundBefore) {
  if (fl.FallSpeed < 1 || fl.FallSpeed > 9) return "speed";
  if (fl.DriftStep != 1 && fl.DriftStep != -1) return "drift step";
  if (std::abs(fl.Drift) > std::abs(fl.DriftLimit) || std::abs(fl.DriftLimit) > 9) return "drift";
  if (fl.X < -6 || fl.X > width || fl.Y < 0 || fl.Y > groundBefore) return "position";
  Flake cell = fl;
  ChooseSpriteCell(cell, 1);
  if (cell.SpriteColumn != fl.SpriteColumn || cell.SpriteSize != fl.SpriteSize) return "cell";
  return nullptr;
}

TEST(SceneTest, LongRunKeepsTheInvariantsAndTheLayerStopsAtRowFifty) {
  constexpr int32_t kW = 48, kH = 110, kMax = 16;
  SceneFixture f(kW, kH, kMax, "on");
  f.saver.SaverSettings.SaverType = "desktop";
  f.api.SetDesktop(Surface(kW, kH, 0x203040));
  PrepareScene(f.saver, f.saver.Primary());
  for (int tick = 0; tick < 100000; ++tick) {
    f.api.Advance(30);
    const int32_t groundBefore = f.saver.Primary().SceneState.GroundY;
    StepFirstBand(f.saver, f.saver.Primary());
    const SceneState& s = f.saver.Primary().SceneState;
    ASSERT_TRUE(s.GroundY >= LayerFloor && s.GroundY <= groundBefore && s.SettledCount <= kW);
    for (int32_t i = 1; i <= kMax; ++i) {
      const char* fault = FlakeFault(f.saver.Primary().FlakeField[i], kW, groundBefore);
      if (fault != nullptr) FAIL() << "tick " << tick << ", flake " << i << ": " << fault;
    }
    if (tick % 1000 != 999) continue;
    // Outside the flakes' current cells the canvas shows the buffer.
    Surface cells(kW, kH);
    for (int32_t i = 1; i <= kMax; ++i) {
      const Flake& fl = f.saver.Primary().FlakeField[i];
      BitBlt(cells, fl.X, fl.Y, fl.SpriteSize, fl.SpriteSize, Surface(7, 7, kWhite), 0, 0,
             RasterOp::kSrcCopy);
    }
    for (int32_t p = 0; p < kW * kH; ++p) {
      if (cells.Pixels()[p] == kBlack) {
        ASSERT_EQ(f.Canvas().Pixels()[p], f.Buffer().Pixels()[p]);
      }
    }
  }
  EXPECT_EQ(f.saver.Primary().SceneState.GroundY, LayerFloor);
  for (int32_t y = 0; y < kH; ++y)
    EXPECT_EQ(RowIsWhite(f.Buffer(), y), y >= LayerFloor) << y;
}

}  // namespace
}  // namespace frin
