#include "lifecycle/input_watch.h"

#include <algorithm>
#include <vector>

#include "lifecycle/full_screen_run.h"
#include "scene/scene.h"

namespace frin {
namespace {

void HideCursor(Module_API& api) {
  while (api.ShowCursor(false) >= 0) {
  }
}

void ShowCursor(Module_API& api) {
  while (api.ShowCursor(true) < 0) {
  }
}

}  // namespace

void SS_Timer_Timer(Saver& saver, int index) {
  if (index == 0) {
    SaverTick(saver);
  } else {
    for (Scene& scene : saver.Scenes)
      StepSecondBand(saver, scene);
  }
}

bool MovementEndsSaver(const std::string& mouseMove, Point caret, Point cursor, Point lastCaret,
                       Point lastCursor) {
  return mouseMove == "off" && (caret != lastCaret || cursor != lastCursor);
}

void SaverTick(Saver& saver) {
  for (Scene& each : saver.Scenes)
    StepFirstBand(saver, each);
  SceneState& scene = saver.Primary().SceneState;
  const Point caret = saver.api.GetCaretPos();
  const Point cursor = saver.api.GetCursorPos();
  if (MovementEndsSaver(saver.SaverSettings.Mouse_Move, caret, cursor, scene.LastCaret,
                        scene.LastCursor)) {
    EndSaver(saver);
    return;
  }
  scene.LastCaret = caret;
  scene.LastCursor = cursor;
}

void Pic_Focus_KeyDown(Saver& saver, int /*keyCode*/, int /*shift*/) {
  EndSaver(saver);
}

void Screen_Click(Saver& saver, int /*index*/) {
  EndSaver(saver);
}

void DisplayChanged(Saver& saver) {
  if (saver.Primary().SceneState.PreviewMode == 1) return;
  const std::vector<Rect> now = saver.api.Monitors();
  const auto same = [](const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  };
  if (std::equal(now.begin(), now.end(), saver.MonitorLayout.begin(), saver.MonitorLayout.end(),
                 same) &&
      MonitorScales(saver.api, now) == saver.MonitorScales) {
    return;
  }
  EndSaver(saver);
  // Still here: on the family that is not NT the password check refused the ending. The saver goes
  // on, over the monitors as they are now, so that none shows the desktop. (A check already open
  // elsewhere returns at once, InPasswordCheck still set: that check decides.)
  if (saver.InPasswordCheck == 0) CoverMonitorsAgain(saver);
}

void EndSaver(Saver& saver) {
  Module_API& api = saver.api;
  SceneState& scene = saver.Primary().SceneState;
  if (scene.PreviewMode == 1) return;

  ShowCursor(api);

  if (saver.NTFamily == 0) {
    // The password dialog is modal and keeps delivering events: a tick's watch may come back here
    // while it is open, and must not open a second one.
    if (saver.InPasswordCheck != 0) return;
    saver.InPasswordCheck = 1;
    const WindowHandle window = saver.Form_Screen ? saver.Form_Screen->hwnd : 0;
    const std::optional<int32_t> answer = api.VerifyScreenSavePwd(window);
    if (answer.has_value() && *answer == 0) {
      // Wrong or cancelled: the saver goes on, and where the mouse and caret stand now is the new
      // reference, so the moves made to reach the dialog do not end it at the next tick.
      HideCursor(api);
      scene.LastCaret = api.GetCaretPos();
      scene.LastCursor = api.GetCursorPos();
      saver.InPasswordCheck = 0;
      return;
    }
    // Passed, or no password service on this system: InPasswordCheck stays 1 while it ends.
  }

  for (Scene& each : saver.Scenes) {
    if (each.timers[0] != nullptr) each.timers[0]->SetTimerEnabled(false);
    if (each.timers[1] != nullptr) each.timers[1]->SetTimerEnabled(false);
  }
  api.DoEvents();
  for (Scene& each : saver.Scenes)
    each.FlakeField.Release();
  api.SetScreenSaverRunning(false);

  for (const std::unique_ptr<Form>& window : saver.MonitorWindows) {
    if (window->hwnd != 0) api.UnloadForm(*window);
  }
  if (saver.Form_Screen && saver.Form_Screen->hwnd != 0) api.UnloadForm(*saver.Form_Screen);
  if (saver.Form_Set) {
    // Taken from the state object first: the dialog's own unload handler then finds nothing left to
    // close.
    std::unique_ptr<Form> dialog = std::move(saver.Form_Set);
    api.UnloadForm(*dialog);
  }
  api.EndProcess(0);
}

}  // namespace frin
