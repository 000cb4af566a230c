// A saver on the memory backend, started as the entry point starts it: Main, then the backend
// told that Main returned (from then on the process ends when no window is left).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lifecycle/main.h"
#include "lifecycle/saver.h"
#include "platform/memory/memory_platform.h"

namespace frin::lifecycle_test {

// Records, in order, what a user could see of Form_Screen and what the run asks of the system.
class RecordingPlatform : public MemoryPlatform {
 public:
  std::vector<std::string> log;
  // Set when Form_Screen was first visible somewhere on the screen, with the log size then.
  std::optional<size_t> firstOnScreen;
  // Non-black pixels of the canvas at that moment.
  int canvasInkWhenShown = -1;

  void OnFormChanged(Form& form, Property what) override {
    MemoryPlatform::OnFormChanged(form, what);
    if (form.Name() != "Form_Screen") return;
    if (what == Property::kVisible) log.push_back(form.visible ? "show" : "hide");
    if ((what == Property::kVisible || what == Property::kMove) && form.visible && OnScreen(form) &&
        !firstOnScreen) {
      firstOnScreen = log.size();
      canvasInkWhenShown = Ink(form.Get("Screen", 0).surface);
      log.push_back("on screen");
    }
  }
  void OnControlChanged(Control& control, Property what) override {
    MemoryPlatform::OnControlChanged(control, what);
    if (what == Property::kTimer && control.name == "SS_Timer" && control.timerEnabled) {
      log.push_back("timer " + std::to_string(control.index) + " on");
    }
    if (what == Property::kFocus) log.push_back("focus " + control.name);
  }
  bool CaptureDesktop(Surface& dst, int32_t left, int32_t top, int32_t width,
                      int32_t height) override {
    log.push_back("capture");
    return MemoryPlatform::CaptureDesktop(dst, left, top, width, height);
  }
  std::optional<Surface> LoadPicture(const std::string& path) override {
    log.push_back("load picture");
    return MemoryPlatform::LoadPicture(path);
  }
  void SetTopmost(WindowHandle h, uint32_t flags) override {
    log.push_back("topmost");
    MemoryPlatform::SetTopmost(h, flags);
  }
  void SetScreenSaverRunning(bool running) override {
    log.push_back(running ? "running" : "not running");
    MemoryPlatform::SetScreenSaverRunning(running);
  }
  size_t Find(const std::string& entry) const {
    for (size_t i = 0; i < log.size(); ++i) {
      if (log[i] == entry) return i;
    }
    return log.size();
  }

  static int Ink(const Surface& s) {
    int n = 0;
    for (Pixel p : s.Pixels())
      n += (p & kColourMask) != 0;
    return n;
  }

 private:
  bool OnScreen(const Form& form) {
    // A top-level form lies on the screen when its twips rectangle overlaps the screen's; a
    // child (the preview) counts as on screen whenever it is visible.
    if (form.hwnd != 0 && GetParent(form.hwnd) != 0) return true;
    const ScreenInfo s = Screen();
    return form.left < static_cast<int32_t>(s.widthTwips) &&
           form.top < static_cast<int32_t>(s.heightTwips) && form.left + form.width > 0 &&
           form.top + form.height > 0;
  }
};

struct Harness {
  RecordingPlatform api;
  Saver saver{api};

  Harness() { api.SetClockStart(20261207); }

  // Sets the stored settings (app "Tolvar", section "SS_Frin").
  void Store(const std::string& key, const std::string& text) {
    api.SetSetting("Tolvar", "SS_Frin", key, text);
  }
  // Runs Main with the command text; true when the process ended inside it.
  bool Start(const std::string& commandText) {
    api.SetCommandText(commandText);
    const bool ended = RunUntilEnded([this] { Main(saver); });
    if (!ended) ended_ = RunUntilEnded([this] { api.MainReturned(); });
    return ended || ended_;
  }
  // Advances the virtual clock; true when the process has ended.
  bool Advance(uint64_t ms) {
    RunUntilEnded([this, ms] { api.Advance(ms); });
    return api.Ended();
  }
  Form& Screen() { return *saver.Form_Screen; }
  Control& Get(const std::string& name, int index = -1) { return Screen().Get(name, index); }

 private:
  bool ended_ = false;
};

// A saver started with "/s" over the given monitors (each at its dots per inch where dpis gives
// them; the system's 96 elsewhere), 100 ms a step.
struct MonitorsRun : Harness {
  explicit MonitorsRun(const std::vector<Rect>& monitors, int platformId = 2,
                       const char* max = "150", const char* remain = "off",
                       const std::vector<int32_t>& dpis = {}) {
    api.SetMonitors(monitors, dpis);
    api.SetPlatformId(platformId);
    Store("Max", max);
    Store("Remain", remain);
    Store("Mouse_Move", "on");
    started = !Start("/s");
  }
  Scene& At(size_t i) { return saver.Scenes[i]; }
  bool started = false;
};

}  // namespace frin::lifecycle_test
