// The scene's test bench: the memory backend with its clock readings counted, and a saver whose
// window is built and whose canvas and buffer are placed as a run places them.
#pragma once

#include <string>

#include "lifecycle/form_screen.h"
#include "lifecycle/saver.h"
#include "platform/memory/memory_platform.h"

namespace frin::testing {

class CountingPlatform : public MemoryPlatform {
 public:
  int clockReads = 0;
  uint64_t Clock() override {
    ++clockReads;
    return MemoryPlatform::Clock();
  }
};

struct SceneFixture {
  CountingPlatform api;
  Saver saver{api};

  SceneFixture(int32_t width, int32_t height, int32_t max, const std::string& remain = "off") {
    SceneState& s = saver.Primary().SceneState;
    s.SceneWidth = width;
    s.SceneHeight = height;
    s.TwipsPerPixelX = 15;
    s.TwipsPerPixelY = 15;
    saver.SaverSettings = SaverSettings{max, 30, "black", "off", "", remain, "on"};
    AttachForm_Screen(saver);
    PlaceSurfaceBox(*saver.Primary().canvas, 0, 0, width * 15, height * 15);
    PlaceSurfaceBox(*saver.Primary().backgroundBuffer, 0, 0, width * 15, height * 15);
    saver.Primary().FlakeField.Size(max);
  }
  Surface& Canvas() { return saver.Primary().canvas->surface; }
  Surface& Buffer() { return saver.Primary().backgroundBuffer->surface; }
};

}  // namespace frin::testing
