// Scene preparation: the background, the frozen canvas image, the seeded flakes.
#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "platform/errors.h"
#include "scene/scene.h"
#include "scene/scene_surfaces.h"

namespace frin {
namespace {

// The draw r scaled by n and floored, in double precision.
double FloorOf(float r, double n) {
  return std::floor(static_cast<double>(r) * n);
}

// Pixels in logical pixels of the scene's scale, rounded up.
int32_t Logical(const Scene& scene, int32_t pixels) {
  const int32_t k = scene.Scale > 1 ? scene.Scale : 1;
  return CheckedAdd(pixels, k - 1) / k;
}

// The picture file decoded, or a copy of the one an earlier monitor's scene kept (a copy there is
// no room for is decoded again).
std::optional<Surface> SharedPicture(SaverBase& saver) {
  if (saver.KeptPicture) {
    try {
      return *saver.KeptPicture;
    } catch (const std::bad_alloc&) {
      saver.KeptPicture.reset();
    }
  }
  return saver.api.LoadPicture(saver.SaverSettings.BS_File);
}

// Loads the picture file into the loading box and stretches it over the whole buffer. False when
// the file cannot be decoded: the scene then runs on the black background.
bool PaintPicture(SaverBase& saver, Scene& scene) {
  const SceneState& s = scene.SceneState;
  std::optional<Surface> picture = SharedPicture(saver);
  if (!picture) return false;

  // The loading box takes the picture and sizes itself to it (AutoSize), in twips.
  Control& box = *scene.loadingBox;
  const int32_t pictureWidth = picture->Width(), pictureHeight = picture->Height();
  box.surface = std::move(*picture);
  box.Move(box.left, box.top, CheckedMul(pictureWidth, s.TwipsPerPixelX),
           CheckedMul(pictureHeight, s.TwipsPerPixelY));
  box.NotifyPicture();

  // Destination: the whole scene, (0, 0, SceneWidth x TwipsPerPixelX, SceneHeight x
  // TwipsPerPixelY) in twips; source: the whole box. Both back to pixels for the raster.
  const int32_t destWidthTwips = CheckedMul(s.SceneWidth, s.TwipsPerPixelX);
  const int32_t destHeightTwips = CheckedMul(s.SceneHeight, s.TwipsPerPixelY);
  auto pixels = [](int32_t twips, int32_t perPixel) { return perPixel > 0 ? twips / perPixel : 0; };
  const Rect dest{0, 0, pixels(destWidthTwips, s.TwipsPerPixelX),
                  pixels(destHeightTwips, s.TwipsPerPixelY)};
  const Rect source{0, 0, pixels(box.width, s.TwipsPerPixelX),
                    pixels(box.height, s.TwipsPerPixelY)};
  StretchPaint(scene.backgroundBuffer->surface, dest, box.surface, source,
               saver.api.SecondThread());

  // Empty the loading box again; its memory goes with it, or to the monitors still to start.
  if (saver.KeepPicture && !saver.KeptPicture) saver.KeptPicture = std::move(box.surface);
  box.surface = Surface();
  box.NotifyPicture();
  return true;
}

// Whether every pixel of the rectangle of surface is black (a blanked screen's copy).
bool AllBlack(const Surface& surface, const Rect& r) {
  for (int32_t y = r.top; y < r.bottom; ++y) {
    const Pixel* row = surface.Row(y);
    for (int32_t x = r.left; x < r.right; ++x)
      if ((row[x] & kColourMask) != kBlack) return false;
  }
  return true;
}

// The wallpaper's picture: the named file, or where that is gone the system's kept copy of the
// current wallpaper; nullopt (the colour alone) when there is none or it cannot be read.
std::optional<Surface> WallpaperPicture(Module_API& api, const WallpaperSettings& wallpaper) {
  if (wallpaper.path.empty()) return std::nullopt;
  if (api.FileExists(wallpaper.path)) return api.LoadPicture(wallpaper.path);
  if (!wallpaper.keptCopy.empty() && api.FileExists(wallpaper.keptCopy))
    return api.LoadPicture(wallpaper.keptCopy);
  return std::nullopt;
}

// The desktop as the user sees it into the buffer: the copy of the screen, and for each monitor
// whose part of the copy cannot be the user's desktop (the copy failed, or that part is all
// black, as a blanked screen reads) that monitor's wallpaper as the desktop draws it. Where the
// real desktop is all black, its wallpaper and colour give that same black.
void PaintDesktop(SaverBase& saver, Scene& scene) {
  const SceneState& s = scene.SceneState;
  Surface& buffer = scene.backgroundBuffer->surface;
  Module_API& api = saver.api;
  const bool seen =
      api.CaptureDesktop(buffer, scene.Origin.x, scene.Origin.y, s.SceneWidth, s.SceneHeight);
  const std::vector<Rect> monitors = api.Monitors();
  const Rect virtualScreen = BoundingRect(monitors);
  const int32_t width = std::min(s.SceneWidth, buffer.Width());
  const int32_t height = std::min(s.SceneHeight, buffer.Height());
  for (const Rect& m : monitors) {
    // The monitor's part of the scene, in the buffer's pixels.
    const Rect part{std::max(m.left - scene.Origin.x, 0), std::max(m.top - scene.Origin.y, 0),
                    std::min(m.right - scene.Origin.x, width),
                    std::min(m.bottom - scene.Origin.y, height)};
    if (part.Empty() || (seen && !AllBlack(buffer, part))) continue;
    const WallpaperSettings wallpaper = api.DesktopWallpaper(m);
    const std::optional<Surface> picture = WallpaperPicture(api, wallpaper);
    PaintWallpaper(buffer, scene.Origin.x, scene.Origin.y, m, virtualScreen,
                   picture ? &*picture : nullptr, wallpaper.position, wallpaper.colour);
  }
}

// The settings show a picture file that is there (else the background is black or the desktop).
bool ShowsPictureFile(SaverBase& saver) {
  const SaverSettings& settings = saver.SaverSettings;
  return settings.SaverType != "desktop" && settings.BackScreen == "on" &&
         !settings.BS_File.empty() && saver.api.FileExists(settings.BS_File);
}

}  // namespace

void PrefetchBackgroundPicture(SaverBase& saver) {
  if (ShowsPictureFile(saver)) saver.api.PrefetchPicture(saver.SaverSettings.BS_File);
}

void BindScene(Scene& scene, Form& window) {
  scene.window = &window;
  scene.canvas = &window.Get("Screen", 0);
  scene.backgroundBuffer = &window.Get("Screen", 1);
  scene.loadingBox = &window.Get("Screen", 2);
  for (int i = 0; i < 2; ++i) {
    scene.strips[i] = &window.Get("Frin_Pic", i);
    scene.timers[i] = &window.Get("SS_Timer", i);
  }
}

int32_t LogicalWidth(const Scene& scene) {
  return Logical(scene, scene.SceneState.SceneWidth);
}

int32_t LogicalHeight(const Scene& scene) {
  return Logical(scene, scene.SceneState.SceneHeight);
}

void StartScene(SaverBase& saver, Scene& scene) {
  RequireBound(scene);
  for (int i = 0; i < 2; ++i)
    scene.scaledStrips[i] =
        scene.Scale > 1 ? Magnify(scene.strips[i]->surface, scene.Scale) : Surface();
  scene.FlakeField.Size(saver.SaverSettings.Max);
  PrepareScene(saver, scene);
  StepFirstBand(saver, scene);
}

void PrepareScene(SaverBase& saver, Scene& scene) {
  SceneState& s = scene.SceneState;
  const SaverSettings& settings = saver.SaverSettings;
  RequireBound(scene);

  // 1-3. The background into the buffer.
  if (settings.SaverType == "desktop") {
    PaintDesktop(saver, scene);
    s.ImageBackground = 1;
  } else if (settings.BackScreen == "on") {
    s.ImageBackground = ShowsPictureFile(saver) && PaintPicture(saver, scene) ? 1 : 0;
  }

  // 4-5. The background onto the canvas, where it stays as the canvas's repaint image.
  BitBlt(scene.canvas->surface, 0, 0, s.SceneWidth, s.SceneHeight, scene.backgroundBuffer->surface,
         0, 0, RasterOp::kSrcCopy);
  scene.canvas->SetAutoRedraw(false);

  // 6. One re-seed, then every flake in index order.
  saver.random.Reseed(saver.api.Clock());
  const int32_t max = settings.Max;
  for (int32_t i = 1; i <= max; ++i)
    SeedFlake(saver, scene, i);

  // 7-10.
  s.SettledCount = 0;
  scene.timers[0]->SetInterval(settings.Speed);
  if (max > BandSplit) scene.timers[1]->SetInterval(settings.Speed);
  s.GroundY = LogicalHeight(scene);
}

void SeedFlake(SaverBase& saver, Scene& scene, int32_t index) {
  const SceneState& s = scene.SceneState;
  Random& random = saver.random;
  Flake& f = scene.FlakeField[index];
  f.X = CheckedNarrow<int32_t>(FloorOf(random.Draw(), LogicalWidth(scene)));
  f.Y = CheckedNarrow<int32_t>(FloorOf(random.Draw(), LogicalHeight(scene)));
  f.FallSpeed = CheckedNarrow<uint8_t>(FloorOf(random.Draw(), 9) + 1);
  f.Drift = 0;
  f.DriftStep = CheckedNarrow<int32_t>(FloorOf(random.Draw(), 2));
  if (f.DriftStep == 0) f.DriftStep = -1;
  const int32_t span = CheckedAdd(CheckedMul(2, f.FallSpeed), 1);
  f.DriftLimit = CheckedSub(CheckedNarrow<int32_t>(FloorOf(random.Draw(), span)), f.FallSpeed);
  ChooseSpriteCell(f, s.ImageBackground);
}

}  // namespace frin
