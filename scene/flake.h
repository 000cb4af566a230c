// The flake record, the flake field and the scene-wide values.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/module_api.h"

namespace frin {

inline constexpr int32_t BandSplit = 250;
inline constexpr int32_t LayerFloor = 50;

struct Flake {
  int32_t X = 0;
  int32_t Y = 0;
  uint8_t FallSpeed = 0;
  int32_t Drift = 0;
  int32_t DriftStep = 0;
  int32_t DriftLimit = 0;
  uint8_t SpriteSize = 0;
  uint8_t SpriteColumn = 0;
};

// Flakes 1 to Max; every access checks the index (the subscript error outside 1..Max). Sizing to
// a count below 1 leaves the field empty. Storage is reserved once per sizing.
class FlakeField {
 public:
  void Size(int32_t max);  // fresh, zero-filled flakes 1..max
  void Release();
  int32_t Count() const { return static_cast<int32_t>(flakes_.size()); }
  Flake& operator[](int32_t index);
  const Flake& operator[](int32_t index) const;

 private:
  std::vector<Flake> flakes_;
};

struct SceneState {
  int32_t SceneWidth = 0;
  int32_t SceneHeight = 0;
  int32_t TwipsPerPixelX = 0;
  int32_t TwipsPerPixelY = 0;
  int32_t GroundY = 0;
  int32_t SettledCount = 0;
  uint8_t ImageBackground = 0;
  uint8_t PreviewMode = 0;
  Point LastCaret;
  Point LastCursor;
};

// Sets SpriteColumn, then SpriteSize, from FallSpeed and the background kind.
void ChooseSpriteCell(Flake& flake, uint8_t imageBackground);

}  // namespace frin
