// The scene on the headless backend with real picture files.
#include <gtest/gtest.h>

#include <string>

#include "lifecycle/saver.h"
#include "platform/memory/memory_platform.h"
#include "scene/scene.h"

namespace frin {
namespace {

struct MemoryScene {
  MemoryPlatform api{1000};
  Saver saver{api};

  MemoryScene(int32_t width, int32_t height, const std::string& file) {
    SceneState& s = saver.SceneState;
    s.SceneWidth = width;
    s.SceneHeight = height;
    s.TwipsPerPixelX = 15;
    s.TwipsPerPixelY = 15;
    saver.SaverSettings = SaverSettings{8, 30, "black", "on", file, "on", "on"};
    BuildFormScreen(saver);
    for (int i = 0; i < 2; ++i) {
      PlaceSurfaceBox(*saver.ScreenControls.Screen[i], 0, 0, width * 15, height * 15);
    }
    saver.FlakeField.Size(saver.SaverSettings.Max);
  }
};

TEST(SceneMemoryTest, APictureFileIsStretchedOverTheWholeScene) {
  const std::string path = std::string(FRIN_TEST_DATA) + "/two_colour_4x3.bmp";
  const std::optional<Surface> picture = MemoryPlatform::DecodeImageFile(path);
  ASSERT_TRUE(picture.has_value());
  ASSERT_EQ(picture->Width(), 4);
  ASSERT_EQ(picture->Height(), 3);
  MemoryScene m(12, 6, path);
  PrepareScene(m.saver);
  EXPECT_EQ(m.saver.SceneState.ImageBackground, 1);
  const Surface& buffer = m.saver.ScreenControls.Screen[1]->surface;
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 12; ++x) {
      ASSERT_EQ(buffer.At(x, y), picture->At(x / 3, y / 2)) << x << "," << y;
    }
  }
  EXPECT_EQ(m.saver.ScreenControls.Screen[0]->surface.Pixels(), buffer.Pixels());
  EXPECT_EQ(m.saver.ScreenControls.Screen[2]->surface.Width(), 0);
  // A first step draws from the image-background strip.
  StepFirstBand(m.saver);
  EXPECT_LT(m.saver.FlakeField[1].SpriteSize, 7);
}

TEST(SceneMemoryTest, FilesThatDoNotDecodeGiveTheBlackBackground) {
  for (const char* name :
       {"truncated.jpg", "truncated.bmp", "empty.jpg", "text.bmp", "nothing.bmp"}) {
    SCOPED_TRACE(name);
    MemoryScene m(10, 8, std::string(FRIN_TEST_DATA) + "/" + name);
    m.saver.SceneState.ImageBackground = 0;
    PrepareScene(m.saver);
    EXPECT_EQ(m.saver.SceneState.ImageBackground, 0);
    for (Pixel p : m.saver.ScreenControls.Screen[1]->surface.Pixels())
      ASSERT_EQ(p, kBlack);
    StepFirstBand(m.saver);
    EXPECT_TRUE(m.saver.FlakeField[1].SpriteSize == 5 || m.saver.FlakeField[1].SpriteSize == 7);
  }
}

}  // namespace
}  // namespace frin
