// The settling layer: one white row per rise, from the bottom edge up to row 50.
#include "platform/errors.h"
#include "scene/scene.h"
#include "scene/scene_surfaces.h"

namespace frin {

void RaiseLayer(Scene& scene) {
  SceneState& s = scene.SceneState;
  RequireBound(scene);
  // Both surfaces measure in twips: the line covers pixel row GroundY, columns 0 to
  // SceneWidth - 1 (the end point is not drawn). At scale k the ground row is k pixel rows, from
  // row GroundY x k down, each one such line.
  const float right = static_cast<float>(CheckedMul(s.SceneWidth, s.TwipsPerPixelX));
  const int32_t firstRow = CheckedMul(s.GroundY, scene.Scale);
  for (int32_t row = firstRow; row < CheckedAdd(firstRow, scene.Scale); ++row) {
    const float y = static_cast<float>(CheckedMul(row, s.TwipsPerPixelY));
    scene.canvas->Line(0.0f, y, right, y, kWhite);
    scene.backgroundBuffer->Line(0.0f, y, right, y, kWhite);
  }
  s.GroundY = CheckedSub(s.GroundY, 1);
  if (s.GroundY < LayerFloor) s.GroundY = LayerFloor;
  s.SettledCount = 0;
}

}  // namespace frin
