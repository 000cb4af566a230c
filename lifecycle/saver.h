// The one state object: everything the program keeps between events. The entry point creates it
// and passes it by reference; there are no globals, so tests may build many side by side. What
// scene/ and settings/ reach of it is its base (settings/saver_base.h); the scenes live here.
#pragma once

#include <memory>
#include <vector>

#include "platform/form.h"
#include "platform/raster.h"
#include "scene/scene.h"
#include "settings/saver_base.h"

namespace frin {

struct Saver : SaverBase {
  using SaverBase::SaverBase;

  // The primary monitor's scene first (or the preview's, the only one); it is drawn in
  // Form_Screen, and its state also keeps the sizes and positions start-up measures and the
  // input watch's last caret and cursor.
  std::vector<Scene> Scenes = std::vector<Scene>(1);
  // The windows of the monitors beyond the primary, in the order of Scenes[1] on.
  std::vector<std::unique_ptr<Form>> MonitorWindows;
  // The monitors as the full-screen run found them, the primary first (virtual-screen pixels).
  std::vector<Rect> MonitorLayout;
  // Their scales, in the same order: a monitor that takes another scale changes the layout too.
  std::vector<int32_t> MonitorScales;

  Scene& Primary() { return Scenes.front(); }
  const Scene& Primary() const { return Scenes.front(); }
};

}  // namespace frin
