#include "lifecycle/full_screen_run.h"

#include "lifecycle/form_screen.h"
#include "lifecycle/input_watch.h"
#include "lifecycle/main.h"
#include "lifecycle/preview_run.h"
#include "platform/errors.h"
#include "scene/scene.h"

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

void MoveDesign(Saver& saver, Control& control, int32_t width, int32_t height, int32_t left,
                int32_t top) {
  const int32_t tx = saver.SceneState.TwipsPerPixelX;
  const int32_t ty = saver.SceneState.TwipsPerPixelY;
  const int32_t w = CheckedMul(width / kDesignTwipsPerPixel, tx);
  const int32_t h = CheckedMul(height / kDesignTwipsPerPixel, ty);
  const int32_t l = CheckedMul(left / kDesignTwipsPerPixel, tx);
  const int32_t t = CheckedMul(top / kDesignTwipsPerPixel, ty);
  control.Move(l, t, w, h);
}

void PlaceDesignControls(Saver& saver) {
  const ScreenControls& c = saver.ScreenControls;
  for (auto [control, place] :
       {std::pair{c.Pic_Focus, kPicFocusDesign}, std::pair{c.Frin_Pic[0], kFrinPic0Design},
        std::pair{c.Frin_Pic[1], kFrinPic1Design}}) {
    MoveDesign(saver, *control, place.width, place.height, place.left, place.top);
  }
}

int32_t SceneTwipsWidth(const Saver& saver) {
  return CheckedMul(saver.SceneState.TwipsPerPixelX, saver.SceneState.SceneWidth);
}

int32_t SceneTwipsHeight(const Saver& saver) {
  return CheckedMul(saver.SceneState.TwipsPerPixelY, saver.SceneState.SceneHeight);
}

void PlaceSceneSurfaces(Saver& saver) {
  const int32_t w = SceneTwipsWidth(saver);
  const int32_t h = SceneTwipsHeight(saver);
  PlaceSurfaceBox(*saver.ScreenControls.Screen[0], 0, 0, w, h);
  PlaceSurfaceBox(*saver.ScreenControls.Screen[1], 0, 0, w, h);
}

void RunFullScreen(Saver& saver) {
  Module_API& api = saver.api;
  SceneState& scene = saver.SceneState;

  Form& form = LoadFormScreen(saver);
  form.SetCaption(kSaverTitle);
  // The whole screen's size, just beyond its bottom-right corner: nothing of it shows yet.
  const int32_t w = SceneTwipsWidth(saver);
  const int32_t h = SceneTwipsHeight(saver);
  form.Move(w, h, w, h);
  form.SetWindowState(0);
  PlaceDesignControls(saver);
  form.Show();
  saver.ScreenControls.Pic_Focus->SetFocus();
  while (api.ShowCursor(false) >= 0) {
  }
  form.Hide();
  form.SetLeftTop(saver.WindowOrigin.x, saver.WindowOrigin.y);
  PlaceSceneSurfaces(saver);
  api.DoEvents();

  scene.LastCaret = api.GetCaretPos();
  scene.LastCursor = api.GetCursorPos();

  // Hidden from here until the window is shown again: a desktop copy does not contain it.
  saver.FlakeField.Size(saver.SaverSettings.Max);
  PrepareScene(saver);
  StepFirstBand(saver);

  form.Show();
  api.SetTopmost(form.hwnd, kSwpNoSize | kSwpNoMove | kSwpShowWindow);
  saver.ScreenControls.SS_Timer[0]->SetTimerEnabled(true);
  if (saver.SaverSettings.Max > BandSplit) saver.ScreenControls.SS_Timer[1]->SetTimerEnabled(true);
  saver.InPasswordCheck = 0;
  api.SetScreenSaverRunning(true);
}

}  // namespace frin
