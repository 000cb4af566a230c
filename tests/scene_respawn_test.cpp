// What a landed flake comes back with, watched through whole runs: the new draws, the cell, the
// place it is drawn and the landing count that raises the layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "tests/lifecycle_test_harness.h"

namespace frin::lifecycle_test {
namespace {

// The run's one scene.
const SceneState& StateOf(const Harness& h) {
  return h.saver.Primary().SceneState;
}
const FlakeField& FlakesOf(const Harness& h) {
  return h.saver.Primary().FlakeField;
}

struct Landing {
  Flake before, after;
};

// Runs a full-screen saver of `max` flakes for `ticks` steps of 30 ms and returns every landing
// of the first band: a flake whose row went back up.
std::vector<Landing> Landings(Harness& h, int ticks) {
  std::vector<Landing> landings;
  const int32_t first = std::min<int32_t>(FlakesOf(h).Count(), BandSplit);
  for (int t = 0; t < ticks; ++t) {
    std::vector<Flake> before;
    for (int32_t i = 1; i <= first; ++i)
      before.push_back(FlakesOf(h)[i]);
    EXPECT_FALSE(h.Advance(30));
    for (int32_t i = 1; i <= first; ++i) {
      const Flake& now = FlakesOf(h)[i];
      if (now.Y < before[static_cast<size_t>(i - 1)].Y) {
        landings.push_back({before[static_cast<size_t>(i - 1)], now});
      }
    }
  }
  return landings;
}

void StartTall(Harness& h, int32_t width, const char* saverType, const char* remain) {
  h.api.SetScreenPixels(width, 40);
  h.api.SetDesktop(Surface(width, 40, 0x405060));
  h.Store("Max", "30");
  h.Store("Speed", "30");
  h.Store("SaverType", saverType);
  h.Store("Remain", remain);
  h.Store("Mouse_Move", "on");
  ASSERT_FALSE(h.Start("/s"));
}

TEST(SceneRespawn, ALandedFlakeComesBackAtTheTopWithAnySpeedAndTheCellOfThatSpeed) {
  for (const char* saverType : {"black", "desktop"}) {
    SCOPED_TRACE(saverType);
    Harness h;
    StartTall(h, 1000, saverType, "on");
    const uint8_t background = StateOf(h).ImageBackground;
    EXPECT_EQ(background, std::string(saverType) == "desktop" ? 1 : 0);
    const int32_t countedAtStart = StateOf(h).SettledCount;  // landings of the run's first step
    const std::vector<Landing> landings = Landings(h, 160);
    ASSERT_GT(landings.size(), 250u);
    std::map<int, int> speeds;
    for (const Landing& l : landings) {
      ++speeds[l.after.FallSpeed];
      EXPECT_EQ(l.after.Y, 0);
      // The cell is the one the table gives the new speed on this run's background.
      Flake cell = l.after;
      ChooseSpriteCell(cell, background);
      EXPECT_TRUE(cell.SpriteColumn == l.after.SpriteColumn &&
                  cell.SpriteSize == l.after.SpriteSize)
          << "speed " << int{l.after.FallSpeed};
    }
    // Every speed from 1 to 9 comes back, each about as often as the others, and no other.
    ASSERT_EQ(speeds.size(), 9u);
    EXPECT_EQ(speeds.begin()->first, 1);
    EXPECT_EQ(speeds.rbegin()->first, 9);
    for (auto [speed, n] : speeds)
      EXPECT_GT(n * 9 * 3, static_cast<int>(landings.size())) << "speed " << speed;
    // Below the threshold every landing is counted and the layer has not risen.
    EXPECT_EQ(StateOf(h).SettledCount - countedAtStart, static_cast<int32_t>(landings.size()));
    EXPECT_EQ(StateOf(h).GroundY, 40);
  }
}

TEST(SceneRespawn, ALandedFlakeIsDrawnAtTheTopInTheTickItLands) {
  Harness h;
  StartTall(h, 200, "black", "off");
  const int32_t n = FlakesOf(h).Count();
  int landed = 0;
  for (int t = 0; t < 40; ++t) {
    std::vector<Flake> before;
    for (int32_t i = 1; i <= n; ++i)
      before.push_back(FlakesOf(h)[i]);
    ASSERT_FALSE(h.Advance(30));
    const Surface& canvas = h.Get("Screen", 0).surface;
    for (int32_t i = 1; i <= n; ++i) {
      const Flake& f = FlakesOf(h)[i];
      if (f.Y >= before[static_cast<size_t>(i - 1)].Y || f.X < 0 || f.X + f.SpriteSize > 200) {
        continue;
      }
      // Its cell in the top rows shows ink, unless a later flake's erase took it back.
      bool erased = false;
      for (int32_t j = i + 1; j <= n; ++j) {
        const Flake& o = before[static_cast<size_t>(j - 1)];
        erased = erased || (o.X < f.X + f.SpriteSize && f.X < o.X + o.SpriteSize &&
                            o.Y < f.SpriteSize && 0 < o.Y + o.SpriteSize);
      }
      if (erased) continue;
      ++landed;
      int ink = 0;
      for (int32_t y = 0; y < f.SpriteSize; ++y) {
        for (int32_t x = f.X; x < f.X + f.SpriteSize; ++x)
          ink += canvas.At(x, y) != kBlack;
      }
      EXPECT_GT(ink, 0) << "flake " << i << " at " << f.X;
      EXPECT_EQ(f.Y, 0);
    }
  }
  EXPECT_GT(landed, 10);
}

TEST(SceneRespawn, OnlyTheSettlingValueOnCountsLandings) {
  for (const char* remain : {"ON", "On", "1", "yes", "on "}) {
    SCOPED_TRACE(remain);
    Harness h;
    StartTall(h, 60, "black", remain);
    EXPECT_FALSE(Landings(h, 80).empty());
    EXPECT_EQ(StateOf(h).SettledCount, 0);
    EXPECT_EQ(StateOf(h).GroundY, 40);
  }
}

TEST(SceneRespawn, OnlyTheFirstBandsLandingsRaiseTheLayer) {
  Harness h;
  h.api.SetScreenPixels(100, 80);
  h.Store("Max", "300");
  h.Store("Remain", "on");
  ASSERT_FALSE(h.Start("/s"));
  SceneState& s = h.saver.Primary().SceneState;
  FlakeField& flakes = h.saver.Primary().FlakeField;
  // Every flake of the second band is about to land, none of the first.
  for (int32_t i = 1; i <= 300; ++i) {
    flakes[i].Y = i > BandSplit ? s.GroundY : 0;
    flakes[i].FallSpeed = 1;
  }
  s.SettledCount = 1000;  // far above the threshold of 50
  h.Screen().RaiseTimer(h.Get("SS_Timer", 1));
  EXPECT_EQ(s.SettledCount, 1050);
  EXPECT_EQ(s.GroundY, 80);
  // The next landing of the first band finds the count above the threshold.
  flakes[7].Y = s.GroundY;
  h.Screen().RaiseTimer(h.Get("SS_Timer", 0));
  EXPECT_EQ(s.SettledCount, 0);
  EXPECT_EQ(s.GroundY, 79);
}

}  // namespace
}  // namespace frin::lifecycle_test
