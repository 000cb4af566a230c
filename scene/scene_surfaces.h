// The controls of Form_Screen the scene draws through, checked once per use: a scene function
// called before the window is built raises an error instead of reaching a missing surface.
#pragma once

#include "lifecycle/saver.h"
#include "platform/errors.h"

namespace frin {

inline const ScreenControls& SceneControls(const Saver& saver) {
  const ScreenControls& c = saver.ScreenControls;
  if (c.Screen[0] == nullptr || c.Screen[1] == nullptr || c.Screen[2] == nullptr ||
      c.Frin_Pic[0] == nullptr || c.Frin_Pic[1] == nullptr || c.SS_Timer[0] == nullptr ||
      c.SS_Timer[1] == nullptr) {
    RaiseError(kErrInvalidProperty, "Form_Screen is not built");
  }
  return c;
}

}  // namespace frin
