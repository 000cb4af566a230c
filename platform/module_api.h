// Module_API: the one declaration of everything the portable code (scene/, lifecycle/,
// settings/) may ask of the system. A backend implements it: platform/memory for headless runs
// and tests, platform/win32 for frin.scr. The portable code holds a Module_API& and nothing
// else of the system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/helper_thread.h"
#include "platform/raster.h"
#include "platform/wallpaper.h"

namespace frin {

struct Point {
  int32_t x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

// GetWindowLong/SetWindowLong indices and style bits the program uses.
constexpr int32_t kGwlStyle = -16;
constexpr uint32_t kWsChild = 0x40000000u;
constexpr uint32_t kBsMultiline = 0x2000u;
constexpr uint32_t kSwpNoSize = 0x0001u, kSwpNoMove = 0x0002u, kSwpNoActivate = 0x0010u,
                   kSwpShowWindow = 0x0040u;
constexpr int32_t kVerPlatformWin32Nt = 2;

// The file-open request the settings dialog builds; the backend turns it into the system's
// dialog. Texts are UTF-8.
struct FileChooserRequest {
  uint32_t structSize = 76;
  WindowHandle owner = 0;
  uintptr_t instance = 0;
  std::string filter;  // description NUL pattern NUL ... NUL, exactly as the system takes it
  uint32_t filterIndex = 1;
  std::string file;  // initial file buffer
  uint32_t maxFile = 256;
  std::string fileTitle;  // second buffer of the same form
  uint32_t maxFileTitle = 256;
  std::string initialDir;
  std::string title;
  uint32_t flags = 0;
};

struct ScreenInfo {
  float widthTwips = 0, heightTwips = 0;
  float twipsPerPixelX = 15, twipsPerPixelY = 15;
};

class Module_API {
 public:
  virtual ~Module_API() = default;

  // --- Start-up -------------------------------------------------------------------------
  virtual std::string CommandText() = 0;  // the argument part of the command line, UTF-8
  virtual ScreenInfo Screen() = 0;
  // Every monitor's rectangle in virtual-screen pixels, the primary first (its top-left corner is
  // (0, 0); the others may lie at negative coordinates). A system that cannot list its monitors
  // reports the primary screen alone.
  virtual std::vector<Rect> Monitors() = 0;
  // The dots per inch a monitor (one of Monitors()) is scaled to: its own where the system scales
  // each monitor (GetDpiForMonitor), the system's elsewhere.
  virtual int32_t MonitorDpi(const Rect& monitor) = 0;
  // The dots per inch a window is drawn at (GetDpiForWindow), the system's where the system has
  // no such call.
  virtual int32_t WindowDpi(WindowHandle h) = 0;
  // From now on this program's windows and measures follow the host window's awareness of the
  // display's scale (GetWindowDpiAwarenessContext, SetThreadDpiAwarenessContext), where the
  // system has those calls: a window embedded in the host is then neither misplaced nor blurred.
  virtual void UseDpiAwarenessOf(WindowHandle host) = 0;
  // The user's interface language as a Windows language id (GetUserDefaultUILanguage; 0x0411 is
  // Japanese), never the regional format.
  virtual uint16_t UserInterfaceLanguage() = 0;
  // GetVersionExA's platform id field, 0 when the call fails.
  virtual int32_t PlatformId() = 0;
  // A top-level window with exactly this title (UTF-8), or 0.
  virtual WindowHandle FindTopWindow(const std::string& title) = 0;
  // PwdChangePasswordA("SCRSAVE", parent, 0, 0); does nothing without a password provider.
  virtual void ChangePassword(WindowHandle parent) = 0;

  // --- Windows ----------------------------------------------------------------------------
  // Loading builds the real window and its controls from the model (not shown) and sets
  // form.hwnd and form.observer; unloading runs the form's unload handler (while the window still
  // exists), then destroys them. Unloading a form that is not loaded does nothing.
  virtual void LoadForm(Form& form) = 0;
  virtual void UnloadForm(Form& form) = 0;
  // Outer size in twips of a window whose client area is the given size, drawn at dpi dots per
  // inch (its frame and caption as the system draws them there): every size at that dpi's twips
  // per pixel (TwipsPerPixelAtDpi).
  virtual void OuterSize(FormBorder border, int32_t dpi, int32_t clientWidth, int32_t clientHeight,
                         int32_t& outerWidth, int32_t& outerHeight) = 0;
  // Outer rectangle in screen pixels; false (and an empty rectangle) when h names no window.
  virtual bool GetWindowRect(WindowHandle h, Rect& r) = 0;
  virtual uint32_t GetWindowStyle(WindowHandle h) = 0;
  virtual void SetWindowStyle(WindowHandle h, uint32_t style) = 0;
  virtual void SetParent(WindowHandle child, WindowHandle parent) = 0;
  virtual void SetTopmost(WindowHandle h, uint32_t flags) = 0;  // SetWindowPos HWND_TOPMOST
  virtual void BringWindowToTop(WindowHandle h) = 0;
  virtual WindowHandle GetOwner(WindowHandle h) = 0;  // GetWindow GW_OWNER
  virtual void PostClose(WindowHandle h) = 0;         // PostMessage WM_CLOSE
  // A control's own window (for the style of the browse button), 0 when it has none.
  virtual WindowHandle ControlWindow(Control& c) = 0;

  // --- Input and the system's saver state --------------------------------------------------
  virtual int ShowCursor(bool show) = 0;  // the new display count
  virtual Point GetCaretPos() = 0;
  virtual Point GetCursorPos() = 0;
  virtual void SetScreenSaverRunning(bool running) = 0;  // SPI_SCREENSAVERRUNNING
  // VerifyScreenSavePwd(parent): non-zero when the saver may end; nullopt when the system has no
  // password service. Events keep being delivered while the check is open.
  virtual std::optional<int32_t> VerifyScreenSavePwd(WindowHandle parent) = 0;

  // --- Pictures and the desktop -------------------------------------------------------------
  // The width x height pixels of what the screen shows from (left, top) on, in virtual-screen
  // pixels, into dst at (0, 0); whatever lies outside every monitor is black. False when the
  // copy cannot be the user's desktop: the saver runs on another desktop than the user's own
  // ("Default"; a secure saver's desktop), or the screen could not be read. dst then holds
  // whatever the attempt left there.
  virtual bool CaptureDesktop(Surface& dst, int32_t left, int32_t top, int32_t width,
                              int32_t height) = 0;
  // The wallpaper the user's desktop draws on this monitor (one of Monitors()), as the system's
  // settings name it; the path is not checked.
  virtual WallpaperSettings DesktopWallpaper(const Rect& monitor) = 0;
  // Decodes a bmp, jpg or wmf file; nullopt when it cannot be read as a picture.
  virtual std::optional<Surface> LoadPicture(const std::string& path) = 0;
  // Says that LoadPicture(path) follows soon: the backend may begin decoding on its second
  // thread meanwhile. LoadPicture's outcome is the same either way.
  virtual void PrefetchPicture(const std::string& path) { (void)path; }
  // An existing ordinary file (hidden or system files and folders do not count).
  virtual bool FileExists(const std::string& path) = 0;
  // A second thread for stretching a picture over the scene; null where the backend has none.
  // Asking for it ends any decode begun by PrefetchPicture.
  virtual HelperThread* SecondThread() { return nullptr; }

  // --- Settings store -------------------------------------------------------------------------
  virtual std::string ReadSetting(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& defaultText) = 0;
  // Raises a RuntimeError when the value cannot be stored.
  virtual void WriteSetting(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& text) = 0;

  // --- Common dialogs ---------------------------------------------------------------------------
  // Runs the file-open dialog modally; the chosen full path, or nullopt on cancel or failure.
  virtual std::optional<std::string> GetOpenFileName(const FileChooserRequest& request) = 0;
  virtual std::string ProgramFolder() = 0;
  virtual uintptr_t InstanceHandle() = 0;

  // --- Runtime ------------------------------------------------------------------------------
  virtual uint64_t Clock() = 0;  // the clock the random generator is re-seeded from
  virtual void DoEvents() = 0;   // handles every pending event before it returns
  [[noreturn]] virtual void EndProcess(int status) = 0;
  // Whether EndProcess has been called (the memory backend records it and delivers nothing more).
  virtual bool Ended() const = 0;
};

}  // namespace frin
