// What the user's desktop draws behind its icons, for a saver that cannot copy the desktop: the
// desktop the thread runs on, and each monitor's wallpaper settings. The desktop-wallpaper
// interface (Windows 8 and later, through COM, so nothing newer than XP is linked) answers per
// monitor; where it is missing, the one wallpaper of SPI_GETDESKWALLPAPER with the registry's
// WallpaperStyle and TileWallpaper and the colour COLOR_DESKTOP. The file the system keeps of
// the current wallpaper (TranscodedWallpaper, a jpg without an extension) is named as the copy
// to read where the chosen file is gone.
#include "platform/win32/win32_platform.h"

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

namespace frin::win32 {
namespace {

// The desktop-wallpaper interface as the system declares it (shobjidl.h from Windows 8 on).
// Only its first nine methods are called; the slide-show methods keep the table's order.
const CLSID kClsidDesktopWallpaper = {
    0xc2cf3110, 0x460e, 0x4fc1, {0xb9, 0xd0, 0x8a, 0x1c, 0x0c, 0x9c, 0xc4, 0xbd}};
const IID kIidDesktopWallpaper = {
    0xb92b56a9, 0x8b55, 0x4e14, {0x9a, 0x89, 0x01, 0x99, 0xbb, 0xb6, 0xf9, 0x3b}};

struct DesktopWallpaperInterface : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetWallpaper(LPCWSTR monitorId, LPCWSTR wallpaper) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWallpaper(LPCWSTR monitorId, LPWSTR* wallpaper) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMonitorDevicePathAt(UINT index, LPWSTR* monitorId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMonitorDevicePathCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMonitorRECT(LPCWSTR monitorId, RECT* rect) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBackgroundColor(COLORREF colour) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBackgroundColor(COLORREF* colour) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPosition(int position) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPosition(int* position) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSlideshow(IUnknown* items) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSlideshow(IUnknown** items) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSlideshowOptions(int options, UINT tick) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSlideshowOptions(int* options, UINT* tick) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdvanceSlideshow(LPCWSTR monitorId, int direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStatus(int* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE Enable(BOOL enable) = 0;
};

// COLORREF (0x00BBGGRR) to the raster's 0x00RRGGBB.
Pixel FromColorRef(COLORREF c) {
  return (static_cast<Pixel>(GetRValue(c)) << 16) | (static_cast<Pixel>(GetGValue(c)) << 8) |
         GetBValue(c);
}

// The position for a number the system gives, or nullopt for one it does not define.
std::optional<WallpaperPosition> PositionOf(int value) {
  if (value < 0 || value > static_cast<int>(WallpaperPosition::kSpan)) return std::nullopt;
  return static_cast<WallpaperPosition>(value);
}

// A string taken from the system's allocator, freed with the scope.
struct TaskString {
  LPWSTR text = nullptr;
  ~TaskString() { CoTaskMemFree(text); }
};

std::string KeptCopyPath() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder))) return {};
  return Narrow(std::wstring(folder) + L"\\Microsoft\\Windows\\Themes\\TranscodedWallpaper");
}

// Per monitor from the desktop-wallpaper interface; false where the system lacks it or it does
// not answer for this monitor.
bool FromInterface(const Rect& monitor, WallpaperSettings& out) {
  DesktopWallpaperInterface* wallpaper = nullptr;
  if (FAILED(CoCreateInstance(kClsidDesktopWallpaper, nullptr, CLSCTX_ALL, kIidDesktopWallpaper,
                              reinterpret_cast<void**>(&wallpaper))) ||
      wallpaper == nullptr)
    return false;
  // The system's monitor whose rectangle is this one, else the one overlapping it most.
  UINT count = 0;
  TaskString id;
  int64_t bestOverlap = 0;
  if (SUCCEEDED(wallpaper->GetMonitorDevicePathCount(&count))) {
    for (UINT i = 0; i < count && i < 64; ++i) {
      TaskString candidate;
      RECT r{};
      if (FAILED(wallpaper->GetMonitorDevicePathAt(i, &candidate.text)) ||
          candidate.text == nullptr || FAILED(wallpaper->GetMonitorRECT(candidate.text, &r)))
        continue;
      const int64_t w =
          std::min<int64_t>(r.right, monitor.right) - std::max<int64_t>(r.left, monitor.left);
      const int64_t h =
          std::min<int64_t>(r.bottom, monitor.bottom) - std::max<int64_t>(r.top, monitor.top);
      if (w > 0 && h > 0 && w * h > bestOverlap) {
        bestOverlap = w * h;
        std::swap(id.text, candidate.text);
      }
    }
  }
  bool ok = false;
  TaskString path;
  int position = 0;
  COLORREF colour = 0;
  if (id.text != nullptr && SUCCEEDED(wallpaper->GetWallpaper(id.text, &path.text)) &&
      SUCCEEDED(wallpaper->GetPosition(&position)) &&
      SUCCEEDED(wallpaper->GetBackgroundColor(&colour))) {
    out.colour = FromColorRef(colour);
    const std::optional<WallpaperPosition> p = PositionOf(position);
    out.position = p.value_or(WallpaperPosition::kFill);
    out.path = p && path.text != nullptr ? Narrow(path.text) : std::string();
    ok = true;
  }
  wallpaper->Release();
  return ok;
}

// A decimal REG_SZ value under HKCU\Control Panel\Desktop; nullopt when missing or not a
// number.
std::optional<long> DesktopNumber(const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return std::nullopt;
  wchar_t text[32] = {};
  DWORD type = 0, size = sizeof text - sizeof text[0];
  const LONG status =
      RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  text[size / sizeof text[0]] = L'\0';
  wchar_t* end = nullptr;
  const long value = std::wcstol(text, &end, 10);
  if (end == text || *end != L'\0') return std::nullopt;
  return value;
}

// The one wallpaper of every monitor, as systems before the desktop-wallpaper interface keep it.
void FromParameters(WallpaperSettings& out) {
  out.colour = FromColorRef(GetSysColor(COLOR_DESKTOP));
  wchar_t path[MAX_PATH + 1] = {};
  if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0)) return;
  path[MAX_PATH] = L'\0';
  const long style = DesktopNumber(L"WallpaperStyle").value_or(0);
  const bool tile = DesktopNumber(L"TileWallpaper").value_or(0) == 1;
  std::optional<WallpaperPosition> position;
  switch (style) {
    case 0:
      position = tile ? WallpaperPosition::kTile : WallpaperPosition::kCentre;
      break;
    case 2:
      position = WallpaperPosition::kStretch;
      break;
    case 6:
      position = WallpaperPosition::kFit;
      break;
    case 10:
      position = WallpaperPosition::kFill;
      break;
    case 22:
      position = WallpaperPosition::kSpan;
      break;
    default:
      break;  // a style the system does not define: the colour alone
  }
  if (!position) return;
  out.position = *position;
  out.path = Narrow(path);
}

}  // namespace

bool ThreadOnUsersDesktop() {
  HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
  if (desktop == nullptr) return true;
  wchar_t name[64] = {};
  DWORD needed = 0;
  if (!GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof name - sizeof name[0], &needed))
    return true;
  return _wcsicmp(name, L"Default") == 0;
}

WallpaperSettings Win32Platform::DesktopWallpaper(const Rect& monitor) {
  WallpaperSettings out;
  if (!FromInterface(monitor, out)) FromParameters(out);
  if (!out.path.empty()) out.keptCopy = KeptCopyPath();
  return out;
}

}  // namespace frin::win32
