// The flake step of both bands and the masked drawing of a flake.
#include <cmath>

#include "platform/errors.h"
#include "resources/sprite_strips.h"
#include "scene/scene.h"
#include "scene/scene_surfaces.h"

namespace frin {
namespace {

int32_t CheckedAbs(int32_t v) {
  return v < 0 ? CheckedSub(0, v) : v;
}

// A fresh draw scaled by n and floored, in double precision.
double DrawFloor(Random& random, double n) {
  return std::floor(static_cast<double>(random.Draw()) * n);
}

}  // namespace

void StepFirstBand(SaverBase& saver, Scene& scene) {
  const int32_t max = saver.SaverSettings.Max;
  const int32_t last = max < BandSplit ? max : BandSplit;
  for (int32_t i = 1; i <= last; ++i)
    StepFlake(saver, scene, i, true);
}

void StepSecondBand(SaverBase& saver, Scene& scene) {
  const int32_t max = saver.SaverSettings.Max;
  for (int32_t i = BandSplit + 1; i <= max; ++i)
    StepFlake(saver, scene, i, false);
}

void StepFlake(SaverBase& saver, Scene& scene, int32_t index, bool layerTest) {
  SceneState& s = scene.SceneState;
  Flake& f = scene.FlakeField[index];
  RequireBound(scene);

  // 1. Erase: the buffer under the old cell back onto the canvas (k times larger at scale k).
  const int32_t k = scene.Scale;
  const int32_t oldX = CheckedMul(f.X, k), oldY = CheckedMul(f.Y, k);
  const int32_t oldSize = CheckedMul(f.SpriteSize, k);
  BitBlt(scene.canvas->surface, oldX, oldY, oldSize, oldSize, scene.backgroundBuffer->surface, oldX,
         oldY, RasterOp::kSrcCopy);
  // 2. Re-seed for this flake.
  saver.random.Reseed(saver.api.Clock());
  // 3-5. Sideways by the drift, wrapping at the sides.
  f.X = CheckedAdd(f.X, f.Drift);
  const int32_t size = f.SpriteSize;
  const int32_t width = LogicalWidth(scene);
  if (f.X < -size) f.X = width;
  if (f.X > width) f.X = -size;
  // 6-7. Swing, turned back at the limit.
  f.Drift = CheckedAdd(f.Drift, f.DriftStep);
  if (CheckedAbs(f.Drift) > CheckedAbs(f.DriftLimit)) {
    f.DriftStep = CheckedSub(0, f.DriftStep);
    f.Drift = CheckedAdd(f.Drift, f.DriftStep);
  }
  // 8. Back at rest: a new limit, whose sign gives the next direction.
  if (f.Drift == 0) {
    const int32_t span = CheckedAdd(CheckedMul(2, f.FallSpeed), 1);
    f.DriftLimit = CheckedSub(CheckedNarrow<int32_t>(DrawFloor(saver.random, span)), f.FallSpeed);
    f.DriftStep = f.DriftLimit >= 0 ? 1 : -1;
  }
  // 9. Fall.
  f.Y = CheckedAdd(f.Y, f.FallSpeed);
  // 10. Past the ground line: back at the top with a new speed and cell.
  if (f.Y > s.GroundY) {
    f.Y = 0;
    f.FallSpeed = CheckedNarrow<uint8_t>(DrawFloor(saver.random, 9) + 1);
    ChooseSpriteCell(f, s.ImageBackground);
    if (saver.SaverSettings.Remain == "on") {
      s.SettledCount = CheckedAdd(s.SettledCount, 1);
      if (layerTest &&
          static_cast<double>(s.SettledCount) > std::floor(static_cast<double>(width) / 2.0)) {
        RaiseLayer(scene);
      }
    }
  }
  // 11. Draw at the new place.
  DrawFlake(scene, f.X, f.Y, f.SpriteSize, f.SpriteColumn);
}

void DrawFlake(const Scene& scene, int32_t x, int32_t y, uint8_t spriteSize, uint8_t spriteColumn) {
  // ImageBackground 1 draws from Frin_Pic(0), anything else from Frin_Pic(1).
  const int strip = scene.SceneState.ImageBackground == 1 ? 0 : 1;
  RequireBound(scene);
  Surface& canvas = scene.canvas->surface;
  // At scale k the strip magnified k times (made when the scene started), every coordinate k
  // times; at 1 the strip itself.
  const int32_t k = scene.Scale;
  const Surface& sprites = k > 1 ? scene.scaledStrips[strip] : scene.strips[strip]->surface;
  const int32_t px = CheckedMul(x, k), py = CheckedMul(y, k), size = CheckedMul(spriteSize, k);
  const int32_t column = CheckedMul(spriteColumn, k);
  BitBlt(canvas, px, py, size, size, sprites, column, CheckedMul(MaskRow(strip), k),
         RasterOp::kSrcErase);
  BitBlt(canvas, px, py, size, size, sprites, column, 0, RasterOp::kSrcInvert);
}

}  // namespace frin
