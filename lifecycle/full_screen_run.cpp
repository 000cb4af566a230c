#include "lifecycle/full_screen_run.h"

#include <algorithm>

#include "lifecycle/form_screen.h"
#include "lifecycle/input_watch.h"
#include "lifecycle/main.h"
#include "lifecycle/preview_run.h"
#include "platform/errors.h"
#include "platform/twips.h"
#include "scene/scene.h"
#include "scene/scene_surfaces.h"

namespace frin {
namespace {

constexpr int32_t kDesignTwipsPerPixel = 15;

// The bottom-right corner of the virtual screen (every scene's rectangle), in twips.
Point VirtualScreenEnd(Saver& saver) {
  Point end;
  for (const Scene& scene : saver.Scenes) {
    const int32_t right = CheckedMul(CheckedAdd(scene.Origin.x, scene.SceneState.SceneWidth),
                                     scene.SceneState.TwipsPerPixelX);
    const int32_t bottom = CheckedMul(CheckedAdd(scene.Origin.y, scene.SceneState.SceneHeight),
                                      scene.SceneState.TwipsPerPixelY);
    end.x = std::max(end.x, right);
    end.y = std::max(end.y, bottom);
  }
  return end;
}

// Builds, wires and loads the window of every scene beyond the primary, not shown.
void LoadMonitorWindows(Saver& saver) {
  for (size_t i = 1; i < saver.Scenes.size(); ++i) {
    Scene& scene = saver.Scenes[i];
    saver.MonitorWindows.push_back(
        BuildForm_Screen(scene.SceneState.TwipsPerPixelX, scene.SceneState.TwipsPerPixelY));
    Form& window = *saver.MonitorWindows.back();
    BindScene(scene, window);
    WireFormScreen(saver, window);
    saver.api.LoadForm(window);
  }
}

}  // namespace

void WireFormScreen(Saver& saver, Form& form) {
  form.On("SS_Timer").timer = [&saver](int index) { SS_Timer_Timer(saver, index); };
  form.On("Pic_Focus").keyDown = [&saver](int, int keyCode, int shift) {
    Pic_Focus_KeyDown(saver, keyCode, shift);
  };
  form.On("Screen").click = [&saver](int index) { Screen_Click(saver, index); };
  form.onUnload = [&saver] { Form_Unload(saver); };
}

Form& LoadFormScreen(Saver& saver) {
  AttachForm_Screen(saver);
  Form& form = *saver.Form_Screen;
  WireFormScreen(saver, form);
  // Every window hears of a display change; the primary's alone answers it, once.
  form.onDisplayChange = [&saver] { DisplayChanged(saver); };
  saver.api.LoadForm(form);
  return form;
}

void AddMonitorScenes(Saver& saver) {
  const std::vector<Rect> monitors = saver.api.Monitors();
  saver.Scenes.resize(1);
  saver.MonitorLayout = monitors;
  saver.MonitorScales = MonitorScales(saver.api, monitors);
  std::vector<Rect> covered;
  if (!monitors.empty()) {
    covered.push_back(monitors.front());
    saver.Primary().Scale = saver.MonitorScales.front();
  }
  for (size_t i = 1; i < monitors.size(); ++i) {
    const Rect& m = monitors[i];
    bool listed = false;
    for (const Rect& c : covered)
      listed = listed ||
               (c.left == m.left && c.top == m.top && c.right == m.right && c.bottom == m.bottom);
    if (m.Empty() || listed) continue;
    covered.push_back(m);
    Scene scene;
    const SceneState& primary = saver.Primary().SceneState;
    scene.SceneState.TwipsPerPixelX = primary.TwipsPerPixelX;
    scene.SceneState.TwipsPerPixelY = primary.TwipsPerPixelY;
    scene.SceneState.PreviewMode = primary.PreviewMode;
    scene.SceneState.SceneWidth = m.Width();
    scene.SceneState.SceneHeight = m.Height();
    scene.Origin = Point{m.left, m.top};
    scene.Scale = saver.MonitorScales[i];
    saver.Scenes.push_back(std::move(scene));
  }
}

std::vector<int32_t> MonitorScales(Module_API& api, const std::vector<Rect>& monitors) {
  std::vector<int32_t> scales;
  for (const Rect& m : monitors)
    scales.push_back(ScaleAtDpi(api.MonitorDpi(m)));
  return scales;
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

  AddMonitorScenes(saver);
  Form& form = LoadFormScreen(saver);
  LoadMonitorWindows(saver);
  // Windows are shown primary last, so that the primary's window keeps the keyboard.
  const auto primaryLast = [&saver](auto&& step) {
    for (size_t i = saver.Scenes.size(); i-- > 0;)
      step(saver.Scenes[i]);
  };

  // Each window at its own size, just beyond the bottom-right corner of the whole virtual screen:
  // nothing of it shows yet.
  const Point beyond = VirtualScreenEnd(saver);
  primaryLast([&](Scene& scene) {
    Form& window = *scene.window;
    window.SetCaption(kSaverTitle);
    window.Move(beyond.x, beyond.y, SceneTwipsWidth(scene), SceneTwipsHeight(scene));
    window.SetWindowState(0);
    PlaceDesignControls(scene);
    window.Show();
  });
  form.Get("Pic_Focus").SetFocus();
  while (api.ShowCursor(false) >= 0) {
  }
  primaryLast([&](Scene& scene) {
    scene.window->Hide();
    scene.window->SetLeftTop(CheckedMul(scene.Origin.x, scene.SceneState.TwipsPerPixelX),
                             CheckedMul(scene.Origin.y, scene.SceneState.TwipsPerPixelY));
    PlaceSceneSurfaces(scene);
  });
  api.DoEvents();

  SceneState& primary = saver.Primary().SceneState;
  primary.LastCaret = api.GetCaretPos();
  primary.LastCursor = api.GetCursorPos();

  // Hidden from here until the windows are shown again: a desktop copy contains none of them.
  // Several monitors share one decode of a picture background.
  saver.KeepPicture = saver.Scenes.size() > 1;
  for (Scene& scene : saver.Scenes)
    StartScene(saver, scene);
  saver.KeepPicture = false;
  saver.KeptPicture.reset();

  primaryLast([&](Scene& scene) {
    scene.window->Show();
    api.SetTopmost(scene.window->hwnd, kSwpNoSize | kSwpNoMove | kSwpShowWindow);
  });
  // The primary's timers step every scene.
  saver.Primary().timers[0]->SetTimerEnabled(true);
  if (saver.SaverSettings.Max > BandSplit) saver.Primary().timers[1]->SetTimerEnabled(true);
  saver.InPasswordCheck = 0;
  api.SetScreenSaverRunning(true);
}

void CoverMonitorsAgain(Saver& saver) {
  Module_API& api = saver.api;
  // The other monitors' windows go; the primary's, whose handler is running, stays as it is.
  for (const std::unique_ptr<Form>& window : saver.MonitorWindows) {
    if (window->hwnd != 0) api.UnloadForm(*window);
  }
  saver.Scenes.resize(1);
  saver.MonitorWindows.clear();
  AddMonitorScenes(saver);
  LoadMonitorWindows(saver);
  // The same steps as at the start, without yielding: no tick may reach a scene not yet started.
  const Point beyond = VirtualScreenEnd(saver);
  for (size_t i = 1; i < saver.Scenes.size(); ++i) {
    Scene& scene = saver.Scenes[i];
    Form& window = *scene.window;
    window.SetCaption(kSaverTitle);
    window.Move(beyond.x, beyond.y, SceneTwipsWidth(scene), SceneTwipsHeight(scene));
    window.SetWindowState(0);
    PlaceDesignControls(scene);
    window.SetLeftTop(CheckedMul(scene.Origin.x, scene.SceneState.TwipsPerPixelX),
                      CheckedMul(scene.Origin.y, scene.SceneState.TwipsPerPixelY));
    PlaceSceneSurfaces(scene);
    StartScene(saver, scene);
    window.Show();
    api.SetTopmost(window.hwnd, kSwpNoSize | kSwpNoMove | kSwpShowWindow);
  }
}

}  // namespace frin
