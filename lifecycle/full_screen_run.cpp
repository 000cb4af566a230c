#include "lifecycle/full_screen_run.h"

#include "lifecycle/form_screen.h"
#include "lifecycle/input_watch.h"
#include "lifecycle/main.h"
#include "lifecycle/preview_run.h"
#include "platform/errors.h"
#include "scene/scene.h"
#include "scene/scene_surfaces.h"

namespace frin {
namespace {

constexpr int32_t kDesignTwipsPerPixel = 15;

}  // namespace

Form& LoadFormScreen(Saver& saver) {
  BuildFormScreen(saver);
  Form& form = *saver.Form_Screen;
  form.On("SS_Timer").timer = [&saver](int index) { SS_Timer_Timer(saver, index); };
  form.On("Pic_Focus").keyDown = [&saver](int, int keyCode, int shift) {
    Pic_Focus_KeyDown(saver, keyCode, shift);
  };
  form.On("Screen").click = [&saver](int index) { Screen_Click(saver, index); };
  form.onUnload = [&saver] { Form_Unload(saver); };
  saver.api.LoadForm(form);
  return form;
}

void MoveDesign(const Scene& scene, Control& control, int32_t width, int32_t height, int32_t left,
                int32_t top) {
  const int32_t tx = scene.SceneState.TwipsPerPixelX;
  const int32_t ty = scene.SceneState.TwipsPerPixelY;
  const int32_t w = CheckedMul(width / kDesignTwipsPerPixel, tx);
  const int32_t h = CheckedMul(height / kDesignTwipsPerPixel, ty);
  const int32_t l = CheckedMul(left / kDesignTwipsPerPixel, tx);
  const int32_t t = CheckedMul(top / kDesignTwipsPerPixel, ty);
  control.Move(l, t, w, h);
}

void PlaceDesignControls(Scene& scene) {
  RequireBound(scene);
  for (auto [control, place] :
       {std::pair{&scene.window->Get("Pic_Focus"), kPicFocusDesign},
        std::pair{scene.strips[0], kFrinPic0Design}, std::pair{scene.strips[1], kFrinPic1Design}}) {
    MoveDesign(scene, *control, place.width, place.height, place.left, place.top);
  }
}

int32_t SceneTwipsWidth(const Scene& scene) {
  return CheckedMul(scene.SceneState.TwipsPerPixelX, scene.SceneState.SceneWidth);
}

int32_t SceneTwipsHeight(const Scene& scene) {
  return CheckedMul(scene.SceneState.TwipsPerPixelY, scene.SceneState.SceneHeight);
}

void PlaceSceneSurfaces(Scene& scene) {
  RequireBound(scene);
  const int32_t w = SceneTwipsWidth(scene);
  const int32_t h = SceneTwipsHeight(scene);
  PlaceSurfaceBox(*scene.canvas, 0, 0, w, h);
  PlaceSurfaceBox(*scene.backgroundBuffer, 0, 0, w, h);
}

void RunFullScreen(Saver& saver) {
  Module_API& api = saver.api;
  Scene& scene = saver.Primary();

  Form& form = LoadFormScreen(saver);
  form.SetCaption(kSaverTitle);
  // The whole screen's size, just beyond its bottom-right corner: nothing of it shows yet.
  const int32_t w = SceneTwipsWidth(scene);
  const int32_t h = SceneTwipsHeight(scene);
  form.Move(w, h, w, h);
  form.SetWindowState(0);
  PlaceDesignControls(scene);
  form.Show();
  form.Get("Pic_Focus").SetFocus();
  while (api.ShowCursor(false) >= 0) {
  }
  form.Hide();
  form.SetLeftTop(scene.WindowOrigin.x, scene.WindowOrigin.y);
  PlaceSceneSurfaces(scene);
  api.DoEvents();

  scene.SceneState.LastCaret = api.GetCaretPos();
  scene.SceneState.LastCursor = api.GetCursorPos();

  // Hidden from here until the window is shown again: a desktop copy does not contain it.
  StartScene(saver, scene);

  form.Show();
  api.SetTopmost(form.hwnd, kSwpNoSize | kSwpNoMove | kSwpShowWindow);
  scene.timers[0]->SetTimerEnabled(true);
  if (saver.SaverSettings.Max > BandSplit) scene.timers[1]->SetTimerEnabled(true);
  saver.InPasswordCheck = 0;
  api.SetScreenSaverRunning(true);
}

}  // namespace frin
