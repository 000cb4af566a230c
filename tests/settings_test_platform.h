// A small Module_API for the dialog's tests: records what the dialog asks of the system and
// answers the few questions it asks. Ending the process throws TestProcessEnded.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/module_api.h"

namespace frin::settings_test {

struct TestProcessEnded {
  int status = 0;
};

struct StoreWrite {
  std::string key, text;
  bool operator==(const StoreWrite&) const = default;
};

class TestPlatform : public Module_API {
 public:
  ScreenInfo screen{15360, 11520, 15, 15};
  int32_t frameX = 90, frameY = 420;  // what a fixed dialog adds to its client size, twips
  bool unloadRaisesUnload = true;     // UnloadForm runs the form's unload handler, as Windows does
  std::vector<StoreWrite> writes;
  std::map<WindowHandle, uint32_t> styles;
  std::vector<std::pair<WindowHandle, uint32_t>> topmostCalls;
  std::vector<std::string> loaded, unloaded;
  std::optional<std::string> openFileAnswer;
  std::vector<FileChooserRequest> chooserRequests;
  std::optional<int> endStatus;

  static constexpr WindowHandle kFormWindow = 0x1230;
  static WindowHandle WindowOf(const Control& c) { return 0x5000 + c.controlId; }

  std::string CommandText() override { return ""; }
  ScreenInfo Screen() override { return screen; }
  int32_t PlatformId() override { return kVerPlatformWin32Nt; }
  WindowHandle FindTopWindow(const std::string&) override { return 0; }
  void ChangePassword(WindowHandle) override {}
  void LoadForm(Form& form) override {
    form.hwnd = kFormWindow;
    loaded.push_back(form.Name());
    for (const auto& c : form.Controls()) {
      if (c->kind == ControlKind::kCommandButton) styles[WindowOf(*c)] = 0x50012000u;
    }
  }
  void UnloadForm(Form& form) override {
    unloaded.push_back(form.Name());
    if (unloadRaisesUnload) form.RaiseUnload();
    form.hwnd = 0;
  }
  void OuterSize(FormBorder, int32_t w, int32_t h, int32_t& ow, int32_t& oh) override {
    ow = w + frameX;
    oh = h + frameY;
  }
  bool GetWindowRect(WindowHandle, Rect& r) override {
    r = Rect{};
    return false;
  }
  uint32_t GetWindowStyle(WindowHandle h) override { return styles.count(h) ? styles[h] : 0; }
  void SetWindowStyle(WindowHandle h, uint32_t style) override { styles[h] = style; }
  void SetParent(WindowHandle, WindowHandle) override {}
  void SetTopmost(WindowHandle h, uint32_t flags) override { topmostCalls.emplace_back(h, flags); }
  void BringWindowToTop(WindowHandle) override {}
  WindowHandle GetOwner(WindowHandle) override { return 0; }
  void PostClose(WindowHandle) override {}
  WindowHandle ControlWindow(Control& c) override { return WindowOf(c); }
  int ShowCursor(bool) override { return 0; }
  Point GetCaretPos() override { return {}; }
  Point GetCursorPos() override { return {}; }
  void SetScreenSaverRunning(bool) override {}
  std::optional<int32_t> VerifyScreenSavePwd(WindowHandle) override { return 1; }
  void CaptureDesktop(Surface&, int32_t, int32_t) override {}
  std::optional<Surface> LoadPicture(const std::string&) override { return std::nullopt; }
  bool FileExists(const std::string&) override { return false; }
  std::string ReadSetting(const std::string&, const std::string&, const std::string&,
                          const std::string& defaultText) override {
    return defaultText;
  }
  void WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& text) override {
    if (app == "Tolvar" && section == "SS_Frin") writes.push_back({key, text});
  }
  std::optional<std::string> GetOpenFileName(const FileChooserRequest& request) override {
    chooserRequests.push_back(request);
    return openFileAnswer;
  }
  std::string ProgramFolder() override { return "C:\\Program Files\\Frin"; }
  uintptr_t InstanceHandle() override { return 0x00400000u; }
  uint64_t Clock() override { return 0; }
  void DoEvents() override {}
  [[noreturn]] void EndProcess(int status) override {
    endStatus = status;
    throw TestProcessEnded{status};
  }
  bool Ended() const override { return endStatus.has_value(); }
};

}  // namespace frin::settings_test
