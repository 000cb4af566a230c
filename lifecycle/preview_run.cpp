#include "lifecycle/preview_run.h"

#include "lifecycle/full_screen_run.h"
#include "lifecycle/main.h"
#include "platform/errors.h"
#include "platform/number_text.h"
#include "platform/twips.h"
#include "scene/scene.h"

namespace frin {

void StartPreview(Saver& saver, int32_t commandHandle) {
  Module_API& api = saver.api;
  SceneState& scene = saver.Primary().SceneState;
  const WindowHandle host = HandleFromCommand(commandHandle);

  Rect rect;
  if (!api.GetWindowRect(host, rect)) api.EndProcess(0);
  scene.SceneWidth = CheckedSub(rect.right, rect.left);
  scene.SceneHeight = CheckedSub(rect.bottom, rect.top);
  // A host without width has no room for a flake, and the flake count cannot be scaled to it.
  if (scene.SceneWidth <= 0) api.EndProcess(0);
  saver.Primary().Origin = Point{0, 0};

  Form& form = LoadFormScreen(saver);
  api.SetWindowStyle(form.hwnd, api.GetWindowStyle(form.hwnd) | kWsChild);
  api.SetParent(form.hwnd, host);
  // The preview's scale follows the dots per inch its own window is drawn at.
  saver.Primary().Scale = ScaleAtDpi(api.WindowDpi(form.hwnd));
  scene.PreviewMode = 1;
  RunPreview(saver);
}

int32_t ScalePreviewMax(int32_t max, int32_t screenTwips, int32_t twipsPerPixelX,
                        int32_t sceneWidth) {
  const int64_t previewTwips = static_cast<int64_t>(twipsPerPixelX) * sceneWidth;
  const int64_t ratio = previewTwips == 0 ? 0 : screenTwips / previewTwips;
  if (ratio != 0) max = CheckedNarrow<int32_t>(max / ratio);
  return max < 1 ? 1 : max;
}

void RunPreview(Saver& saver) {
  Module_API& api = saver.api;
  Form& form = *saver.Form_Screen;
  Scene& scene = saver.Primary();

  form.SetCaption(kPreviewCaption);
  // The preview's size, just beyond the bottom-right corner of the host's client area.
  const int32_t w = SceneTwipsWidth(scene);
  const int32_t h = SceneTwipsHeight(scene);
  form.Move(w, h, w, h);
  PlaceDesignControls(scene);
  form.Show();
  form.SetLeftTop(CheckedMul(scene.Origin.x, scene.SceneState.TwipsPerPixelX),
                  CheckedMul(scene.Origin.y, scene.SceneState.TwipsPerPixelY));
  form.Hide();
  PlaceSceneSurfaces(scene);
  api.DoEvents();

  const int32_t screenTwips =
      CheckedNarrow<int32_t>(RoundHalfEven(static_cast<double>(api.Screen().widthTwips)));
  int32_t& max = saver.SaverSettings.Max;
  max = ScalePreviewMax(max, screenTwips, scene.SceneState.TwipsPerPixelX,
                        scene.SceneState.SceneWidth);

  StartScene(saver, scene);

  form.Show();
  scene.timers[0]->SetTimerEnabled(true);
  if (max > BandSplit) scene.timers[1]->SetTimerEnabled(true);
  api.BringWindowToTop(api.FindTopWindow(saver.HostDialogCaption));
}

void Form_Unload(Saver& saver) {
  if (saver.Primary().SceneState.PreviewMode != 1 || !saver.Form_Screen) return;
  Module_API& api = saver.api;
  api.PostClose(api.GetOwner(saver.Form_Screen->hwnd));
}

}  // namespace frin
