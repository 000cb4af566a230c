// A small Module_API for the scene tests: a clock that counts its readings, an injectable
// desktop and picture files; everything else does nothing.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "lifecycle/saver.h"
#include "platform/module_api.h"

namespace frin::testing {

class SceneFakeApi : public Module_API {
 public:
  uint64_t clock = 1000;
  int clockReads = 0;
  Surface desktop;
  std::set<std::string> files;                             // existing files
  std::map<std::string, std::optional<Surface>> pictures;  // decodable content by path
  int pictureLoads = 0;

  std::string CommandText() override { return {}; }
  ScreenInfo Screen() override { return {}; }
  int32_t PlatformId() override { return kVerPlatformWin32Nt; }
  WindowHandle FindTopWindow(const std::string&) override { return 0; }
  void ChangePassword(WindowHandle) override {}
  void LoadForm(Form&) override {}
  void UnloadForm(Form&) override {}
  void OuterSize(FormBorder, int32_t w, int32_t h, int32_t& ow, int32_t& oh) override {
    ow = w;
    oh = h;
  }
  bool GetWindowRect(WindowHandle, Rect& r) override {
    r = Rect{};
    return false;
  }
  uint32_t GetWindowStyle(WindowHandle) override { return 0; }
  void SetWindowStyle(WindowHandle, uint32_t) override {}
  void SetParent(WindowHandle, WindowHandle) override {}
  void SetTopmost(WindowHandle, uint32_t) override {}
  void BringWindowToTop(WindowHandle) override {}
  WindowHandle GetOwner(WindowHandle) override { return 0; }
  void PostClose(WindowHandle) override {}
  WindowHandle ControlWindow(Control&) override { return 0; }
  int ShowCursor(bool show) override { return show ? 0 : -1; }
  Point GetCaretPos() override { return {}; }
  Point GetCursorPos() override { return {}; }
  void SetScreenSaverRunning(bool) override {}
  std::optional<int32_t> VerifyScreenSavePwd(WindowHandle) override { return std::nullopt; }
  void CaptureDesktop(Surface& dst, int32_t width, int32_t height) override {
    BitBlt(dst, 0, 0, width, height, desktop, 0, 0, RasterOp::kSrcCopy);
  }
  std::optional<Surface> LoadPicture(const std::string& path) override {
    ++pictureLoads;
    auto it = pictures.find(path);
    return it == pictures.end() ? std::nullopt : it->second;
  }
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  std::string ReadSetting(const std::string&, const std::string&, const std::string&,
                          const std::string& defaultText) override {
    return defaultText;
  }
  void WriteSetting(const std::string&, const std::string&, const std::string&,
                    const std::string&) override {}
  std::optional<std::string> GetOpenFileName(const FileChooserRequest&) override {
    return std::nullopt;
  }
  std::string ProgramFolder() override { return {}; }
  uintptr_t InstanceHandle() override { return 0; }
  uint64_t Clock() override {
    ++clockReads;
    return clock;
  }
  void DoEvents() override {}
  [[noreturn]] void EndProcess(int) override { std::abort(); }
  bool Ended() const override { return false; }
};

// A saver with its window built and the canvas and buffer placed as a run places them:
// width x height pixels at 15 twips per pixel, the field sized to max.
struct SceneFixture {
  SceneFakeApi api;
  Saver saver{api};

  SceneFixture(int32_t width, int32_t height, int32_t max, const std::string& remain = "off") {
    SceneState& s = saver.SceneState;
    s.SceneWidth = width;
    s.SceneHeight = height;
    s.TwipsPerPixelX = 15;
    s.TwipsPerPixelY = 15;
    saver.SaverSettings.Max = max;
    saver.SaverSettings.Speed = 30;
    saver.SaverSettings.SaverType = "black";
    saver.SaverSettings.BackScreen = "off";
    saver.SaverSettings.Remain = remain;
    BuildFormScreen(saver);
    for (int i = 0; i < 2; ++i) {
      PlaceSurfaceBox(*saver.ScreenControls.Screen[i], 0, 0, width * 15, height * 15);
    }
    saver.FlakeField.Size(max);
  }
  Surface& Canvas() { return saver.ScreenControls.Screen[0]->surface; }
  Surface& Buffer() { return saver.ScreenControls.Screen[1]->surface; }
};

}  // namespace frin::testing
