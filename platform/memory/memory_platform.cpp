// The headless backend's system services: the screen and its monitors, the password check and
// the file chooser as scripted answers, files, ending, and the settings store as a map. The
// clock and event delivery are in memory_events.cpp, the windows and the form mirror in
// memory_windows.cpp, pictures and the desktop copy in memory_picture.cpp.
#include "platform/memory/memory_platform.h"

#include <algorithm>
#include <filesystem>

#include "platform/errors.h"
#include "platform/twips.h"

namespace frin {

bool RunUntilEnded(const std::function<void()>& f) {
  try {
    f();
    return false;
  } catch (const ProcessEnded&) {
    return true;
  }
}

MemoryPlatform::MemoryPlatform(uint64_t clockStart) : clockStart_(clockStart) {
  SetScreenPixels(1024, 768, 15);
  ownerWindow_ = AddWindow("", Rect{}, 0, kWsPopup);
}

MemoryPlatform::~MemoryPlatform() = default;

// --- System answers ----------------------------------------------------------------------------

void MemoryPlatform::SetScreenPixels(int32_t width, int32_t height, int32_t twipsPerPixel) {
  screen_ = ScreenFromPixels(width, height, twipsPerPixel, twipsPerPixel);
  constexpr int32_t kTwipsPerInch = 1440;
  systemDpi_ = kTwipsPerInch / std::max(twipsPerPixel, 1);
  monitors_.clear();
  monitorDpis_.clear();
}

void MemoryPlatform::SetScreenDpi(int32_t width, int32_t height, int32_t dpiX, int32_t dpiY) {
  screen_ = ScreenFromPixels(width, height, TwipsPerPixelAtDpi(dpiX), TwipsPerPixelAtDpi(dpiY));
  systemDpi_ = dpiX > 0 ? dpiX : 96;
  monitors_.clear();
  monitorDpis_.clear();
}

void MemoryPlatform::SetMonitors(std::vector<Rect> monitors, int32_t twipsPerPixel) {
  if (!monitors.empty()) {
    screen_ = ScreenFromPixels(monitors.front().Width(), monitors.front().Height(), twipsPerPixel,
                               twipsPerPixel);
  }
  monitors_ = std::move(monitors);
  monitorDpis_.clear();
}

void MemoryPlatform::SetMonitors(std::vector<Rect> monitors, std::vector<int32_t> dpis) {
  if (!dpis.empty() && dpis.front() > 0) systemDpi_ = dpis.front();
  SetMonitors(std::move(monitors), TwipsPerPixelAtDpi(systemDpi_));
  monitorDpis_ = std::move(dpis);
}

int32_t MemoryPlatform::MonitorDpi(const Rect& monitor) {
  const std::vector<Rect> monitors = Monitors();
  for (size_t i = 0; i < monitors.size() && i < monitorDpis_.size(); ++i) {
    const Rect& m = monitors[i];
    if (m.left == monitor.left && m.top == monitor.top && m.right == monitor.right &&
        m.bottom == monitor.bottom && monitorDpis_[i] > 0) {
      return monitorDpis_[i];
    }
  }
  return systemDpi_;
}

int32_t MemoryPlatform::WindowDpi(WindowHandle h) {
  // A window of its own dpi, else its parent's, else the monitor under its centre.
  for (WindowHandle w = h; w != 0;) {
    if (auto it = windowDpis_.find(w); it != windowDpis_.end()) return it->second;
    const Window* window = Find(w);
    if (window == nullptr) break;
    if (window->parent == 0) {
      Rect r;
      if (!GetWindowRect(w, r)) break;
      const int32_t x = r.left + r.Width() / 2, y = r.top + r.Height() / 2;
      for (const Rect& m : Monitors()) {
        if (x >= m.left && x < m.right && y >= m.top && y < m.bottom) return MonitorDpi(m);
      }
      break;
    }
    w = window->parent;
  }
  return systemDpi_;
}

std::vector<Rect> MemoryPlatform::Monitors() {
  if (!monitors_.empty()) return monitors_;
  const int32_t tx = IntegerTwipsPerPixel(screen_.twipsPerPixelX);
  const int32_t ty = IntegerTwipsPerPixel(screen_.twipsPerPixelY);
  return {Rect{0, 0, TwipsToPixels(static_cast<int64_t>(screen_.widthTwips), tx),
               TwipsToPixels(static_cast<int64_t>(screen_.heightTwips), ty)}};
}

Rect MemoryPlatform::VirtualScreen() {
  return BoundingRect(Monitors());
}

std::optional<int32_t> MemoryPlatform::VerifyScreenSavePwd(WindowHandle parent) {
  passwordChecks_.push_back(parent);
  struct Open {
    int& depth;
    explicit Open(int& d) : depth(d) { ++depth; }
    ~Open() { --depth; }
  } open(passwordCheckDepth_);
  if (whilePasswordCheckOpen) whilePasswordCheckOpen();
  return passwordAnswer_;
}

std::optional<std::string> MemoryPlatform::GetOpenFileName(const FileChooserRequest& request) {
  chooserRequests_.push_back(request);
  if (whileFileChooserOpen) whileFileChooserOpen();
  return openFileAnswer_;
}

void MemoryPlatform::EndProcess(int status) {
  if (!endStatus_) endStatus_ = status;
  throw ProcessEnded{status};
}

bool MemoryPlatform::FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  const std::filesystem::path p(path);
  // A name beginning with a dot is this file system's hidden file; hidden files do not count.
  const std::string name = p.filename().string();
  if (name.empty() || name[0] == '.') return false;
  return std::filesystem::is_regular_file(p, ec);
}

// --- Store -------------------------------------------------------------------------------------

std::string MemoryPlatform::Fold(const std::string& s) {
  std::string f = s;
  for (char& ch : f) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return f;
}

void MemoryPlatform::SetSetting(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& text) {
  store_[{Fold(app), Fold(section), Fold(key)}] = text;
}

std::optional<std::string> MemoryPlatform::Setting(const std::string& app,
                                                   const std::string& section,
                                                   const std::string& key) const {
  auto it = store_.find({Fold(app), Fold(section), Fold(key)});
  if (it == store_.end()) return std::nullopt;
  return it->second;
}

std::string MemoryPlatform::ReadSetting(const std::string& app, const std::string& section,
                                        const std::string& key, const std::string& defaultText) {
  return Setting(app, section, key).value_or(defaultText);
}

void MemoryPlatform::WriteSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& text) {
  if (writesLeft_) {
    if (*writesLeft_ <= 0) {
      RaiseError(kErrStoreWrite, "The setting " + key + " could not be stored");
    }
    --*writesLeft_;
  }
  SetSetting(app, section, key, text);
  writes_.push_back(SettingWrite{app, section, key, text});
}

}  // namespace frin
