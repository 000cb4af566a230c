// The check every scene function makes before it draws: a scene whose window is not bound raises
// an error instead of reaching a missing surface.
#pragma once

#include "platform/errors.h"
#include "scene/scene.h"

namespace frin {

inline void RequireBound(const Scene& scene) {
  if (scene.canvas == nullptr || scene.backgroundBuffer == nullptr || scene.loadingBox == nullptr ||
      scene.strips[0] == nullptr || scene.strips[1] == nullptr || scene.timers[0] == nullptr ||
      scene.timers[1] == nullptr) {
    RaiseError(kErrInvalidProperty, "Form_Screen is not built");
  }
}

}  // namespace frin
