// The headless backend: runs the whole program without a window system, for the tests and for
// frin-render. It mirrors nothing on a screen; the form model is the truth, and this backend
// only keeps what a window system would keep around it.
//
// Implements:
//  - a virtual clock in milliseconds: Advance(ms) delivers the timer ticks that fall due and the
//    scripted events, one at a time in time order (scripted input before timer ticks due at the
//    same moment, as a message queue hands out input before WM_TIMER; timers due together tick
//    in the order the forms were loaded and the controls built); Clock() is the fixed start plus
//    the virtual time, so a fixed start repeats a run exactly;
//  - scripted input: key presses (to the focus control of a form), clicks on controls, cursor
//    and caret moves, each queued for a moment of the virtual clock;
//  - top-level and child windows with titles, rectangles, style bits, parent, owner and topmost
//    flag: loaded forms register themselves, tests add foreign windows (a preview host);
//  - unloading a form runs its unload handler first, then destroys its window and timers;
//  - posted closes, delivered like any other event: to a form of ours (it unloads), to the
//  runtime's hidden owner window (the process ends), or to a test hook;
//  - the settings store as an in-memory map (names compared without regard to ASCII case, as
//    the registry compares them), with a log of writes and a switch that makes writes fail;
//  - monitors (rectangles in virtual-screen pixels, the primary first, each with its dots per
//    inch) and a change of them delivered as an event to every loaded form; a form's window moved
//    to a display of another scale, delivered to that form with the rectangle suggested for it;
//    each form's geometry in pixels at the form's own twips per pixel; an injectable desktop image
//    over the whole virtual screen, a switch that makes the desktop copy fail (the secure desktop),
//    and each monitor's wallpaper settings; picture files decoded by gdk-pixbuf (bmp, jpeg, gif,
//    ico, wmf, png and tiff, the formats both backends read; turned upright; alpha composited over
//    black); the backend's hints of pictures to come, recorded;
//  - the password check, the password change, the file chooser, the cursor display count and
//    the screen-saver-running flag as recorded answers;
//  - ending the process: recorded, then ProcessEnded is thrown so nothing after it runs, and
//    nothing is delivered afterwards.
// Its parts, cut as the Windows backend's are: memory_events.cpp (the clock and delivery),
// memory_windows.cpp (windows, the form mirror, timers), memory_picture.cpp (pictures and the
// desktop copy) and memory_platform.cpp (the rest).
// Lacks: real drawing, real keyboard focus rules, the system's window z-order beyond "newest
// first" for title searches.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/module_api.h"

namespace frin {

// Thrown by MemoryPlatform::EndProcess. Deliberately no std::exception, so that no handler of
// the program catches it by accident.
struct ProcessEnded {
  int status = 0;
};

// Runs f; true when it ended the process (ProcessEnded swallowed), false when it returned.
bool RunUntilEnded(const std::function<void()>& f);

// Window style bits the backend gives its windows.
constexpr uint32_t kWsPopup = 0x80000000u;
constexpr uint32_t kWsVisible = 0x10000000u;
constexpr uint32_t kWsClipSiblings = 0x04000000u;
constexpr uint32_t kWsClipChildren = 0x02000000u;
constexpr uint32_t kWsCaption = 0x00C00000u;
constexpr uint32_t kWsSysMenu = 0x00080000u;
constexpr uint32_t kWsTabStop = 0x00010000u;

// The frame a fixed-dialog window adds around its client area, in pixels at 96 dots per inch;
// at another dpi in proportion, rounded (6 and 44 at 192), as the system draws it.
constexpr int32_t kDialogFramePixels = 3;
constexpr int32_t kDialogCaptionPixels = 22;
int32_t DialogFramePixelsAtDpi(int32_t pixelsAt96, int32_t dpi);

struct SettingWrite {
  std::string app, section, key, text;
  bool operator==(const SettingWrite&) const = default;
};

class MemoryPlatform : public Module_API, public FormObserver {
 public:
  explicit MemoryPlatform(uint64_t clockStart = 0);
  ~MemoryPlatform() override;
  MemoryPlatform(const MemoryPlatform&) = delete;
  MemoryPlatform& operator=(const MemoryPlatform&) = delete;

  // --- Virtual clock ---------------------------------------------------------------------
  void SetClockStart(uint64_t start) { clockStart_ = start; }
  uint64_t Now() const { return now_; }  // virtual milliseconds since the platform was made
  // Moves the clock forward by ms, delivering every event due on the way, in time order.
  // Re-entrant: a handler (or a hook of a modal dialog) may advance the clock further.
  void Advance(uint64_t ms);

  // --- Scripted input, delivered delayMs from now -------------------------------------------
  // A key press on the form's focus control (nothing when the form has no focus control).
  void QueueKeyDown(Form& form, int keyCode, int shift = 0, uint64_t delayMs = 0);
  void QueueClick(Control& control, uint64_t delayMs = 0);
  void QueueCursorMove(Point to, uint64_t delayMs = 0);
  void QueueCaretMove(Point to, uint64_t delayMs = 0);
  // The monitors become these (the primary first) and every loaded form hears of the change, in
  // the order the forms were loaded.
  void QueueDisplayChange(std::vector<Rect> monitors, uint64_t delayMs = 0);
  // The same with each monitor's dots per inch (see SetMonitors).
  void QueueDisplayChange(std::vector<Rect> monitors, std::vector<int32_t> dpis,
                          uint64_t delayMs = 0);
  // The form's window moved to a display of dpi dots per inch: the form hears of it with the
  // rectangle the system suggests there (in screen pixels): by default the size its window has
  // at that dpi (the client area at its twips per pixel, the frame drawn at it), its top-left
  // corner kept. From then on WindowDpi of its window answers dpi.
  void QueueDpiChange(Form& form, int32_t dpi, std::optional<Rect> suggested = std::nullopt,
                      uint64_t delayMs = 0);
  void SetCursorPos(Point p) { cursor_ = p; }
  void SetCaretPos(Point p) { caret_ = p; }
  size_t PendingEvents() const { return events_.size(); }

  // --- Windows -------------------------------------------------------------------------------
  // A window that is not ours (a display-settings host, its preview child); rect in screen
  // pixels.
  WindowHandle AddWindow(const std::string& title, const Rect& rect, WindowHandle parent = 0,
                         uint32_t style = kWsVisible);
  void RemoveWindow(WindowHandle h);
  void SetOwner(WindowHandle h, WindowHandle owner);
  WindowHandle GetParent(WindowHandle h) const;
  bool IsTopmost(WindowHandle h) const;
  bool IsWindow(WindowHandle h) const;
  std::string WindowTitle(WindowHandle h) const;
  // The runtime's hidden owner window of every form; a close posted to it ends the process.
  WindowHandle OwnerWindow() const { return ownerWindow_; }
  // Called when a posted close reaches a window that is neither a form nor the owner window.
  std::function<void(WindowHandle)> onForeignClose;
  const std::vector<WindowHandle>& PostedCloses() const { return postedCloses_; }
  const std::vector<WindowHandle>& BroughtToTop() const { return broughtToTop_; }
  std::vector<Form*> LoadedForms() const;
  Form* FormOf(WindowHandle h) const;
  // The program's entry has returned: from now on the process ends (status 0) as soon as no
  // form is loaded, as the runtime ends a program whose last window closed.
  void MainReturned();

  // --- System answers ------------------------------------------------------------------------
  void SetPlatformId(int32_t id) { platformId_ = id; }
  // The user's interface language id (Japanese, 0x0411, unless a test says otherwise).
  void SetUserInterfaceLanguage(uint16_t id) { uiLanguage_ = id; }
  void SetCommandText(std::string text) { commandText_ = std::move(text); }
  void SetScreen(const ScreenInfo& s) { screen_ = s; }
  // A screen of the given pixels at one integer twips per pixel on both axes.
  void SetScreenPixels(int32_t width, int32_t height, int32_t twipsPerPixel = 15);
  // A screen of the given pixels at the given resolution, converted as the Windows backend does.
  void SetScreenDpi(int32_t width, int32_t height, int32_t dpiX, int32_t dpiY);
  // The monitors in virtual-screen pixels, the primary first, at (0, 0); the screen becomes the
  // primary's pixels at the given twips per pixel. An empty list: one monitor, the screen.
  void SetMonitors(std::vector<Rect> monitors, int32_t twipsPerPixel = 15);
  // Monitors each scaled to its own dots per inch (in the monitors' order; a missing one is the
  // system's). The system's dots per inch, and so the twips per pixel, are the primary's, as
  // Windows takes them from the primary monitor at sign-in.
  void SetMonitors(std::vector<Rect> monitors, std::vector<int32_t> dpis);
  // The system's dots per inch: every monitor's and window's unless one says otherwise.
  int32_t SystemDpi() const { return systemDpi_; }
  // A window that is not ours drawn at these dots per inch (a host of another awareness).
  void SetWindowDpi(WindowHandle h, int32_t dpi) { windowDpis_[h] = dpi; }
  // The hosts whose awareness the program took on, in order.
  const std::vector<WindowHandle>& AwarenessHosts() const { return awarenessHosts_; }
  // The bounding rectangle of every monitor.
  Rect VirtualScreen();
  // nullopt: the system has no password service.
  void SetPasswordAnswer(std::optional<int32_t> answer) { passwordAnswer_ = answer; }
  // Runs while the password dialog is open (deliver ticks and moves here to test re-entry).
  std::function<void()> whilePasswordCheckOpen;
  const std::vector<WindowHandle>& PasswordChecks() const { return passwordChecks_; }
  bool PasswordCheckOpen() const { return passwordCheckDepth_ > 0; }
  const std::vector<WindowHandle>& PasswordChanges() const { return passwordChanges_; }
  int CursorCount() const { return cursorCount_; }
  bool ScreenSaverRunning() const { return screenSaverRunning_; }

  // --- Store -----------------------------------------------------------------------------------
  void SetSetting(const std::string& app, const std::string& section, const std::string& key,
                  const std::string& text);
  std::optional<std::string> Setting(const std::string& app, const std::string& section,
                                     const std::string& key) const;
  void ClearSettings() { store_.clear(); }
  const std::vector<SettingWrite>& Writes() const { return writes_; }
  // Writes succeed until `successes` more have been made; then each raises a RuntimeError.
  // nullopt: writes never fail.
  void FailWritesAfter(std::optional<int> successes) { writesLeft_ = successes; }

  // --- Pictures, files, dialogs ----------------------------------------------------------------
  // The desktop over the whole virtual screen: its pixel (0, 0) is the virtual screen's top-left
  // corner.
  void SetDesktop(Surface image) { desktop_ = std::move(image); }
  // Whether the desktop copy can see the user's desktop (false: a saver on the secure desktop,
  // or a failed screen read). The copy still gives the desktop image, which then stands for what
  // that other desktop shows. True unless a test says otherwise.
  void SetDesktopVisible(bool visible) { desktopVisible_ = visible; }
  // The wallpaper the system reports for the monitor with this rectangle; a monitor without
  // one reports no wallpaper on a black background.
  void SetWallpaper(const Rect& monitor, WallpaperSettings wallpaper);
  // Monitors asked for their wallpaper, in order.
  const std::vector<Rect>& WallpaperQueries() const { return wallpaperQueries_; }
  // Decodes any image file gdk-pixbuf reads (png included): for tools, not for the program.
  static std::optional<Surface> DecodeImageFile(const std::string& path);
  void SetOpenFileAnswer(std::optional<std::string> answer) { openFileAnswer_ = std::move(answer); }
  std::function<void()> whileFileChooserOpen;
  const std::vector<FileChooserRequest>& FileChooserRequests() const { return chooserRequests_; }
  // Each PrefetchPicture: the path, and how many forms were loaded then.
  struct PictureHint {
    std::string path;
    size_t formsLoaded = 0;
  };
  const std::vector<PictureHint>& PictureHints() const { return pictureHints_; }
  void SetProgramFolder(std::string folder) { programFolder_ = std::move(folder); }
  void SetInstanceHandle(uintptr_t h) { instance_ = h; }

  // --- Ending ------------------------------------------------------------------------------------
  std::optional<int> EndStatus() const { return endStatus_; }

  // --- Module_API ----------------------------------------------------------------------------
  std::string CommandText() override { return commandText_; }
  ScreenInfo Screen() override { return screen_; }
  std::vector<Rect> Monitors() override;
  int32_t MonitorDpi(const Rect& monitor) override;
  int32_t WindowDpi(WindowHandle h) override;
  void UseDpiAwarenessOf(WindowHandle host) override { awarenessHosts_.push_back(host); }
  int32_t PlatformId() override { return platformId_; }
  uint16_t UserInterfaceLanguage() override { return uiLanguage_; }
  WindowHandle FindTopWindow(const std::string& title) override;
  void ChangePassword(WindowHandle parent) override { passwordChanges_.push_back(parent); }
  void LoadForm(Form& form) override;
  void UnloadForm(Form& form) override;
  void OuterSize(FormBorder border, int32_t dpi, int32_t clientWidth, int32_t clientHeight,
                 int32_t& outerWidth, int32_t& outerHeight) override;
  bool GetWindowRect(WindowHandle h, Rect& r) override;
  uint32_t GetWindowStyle(WindowHandle h) override;
  void SetWindowStyle(WindowHandle h, uint32_t style) override;
  void SetParent(WindowHandle child, WindowHandle parent) override;
  void SetTopmost(WindowHandle h, uint32_t flags) override;
  void BringWindowToTop(WindowHandle h) override { broughtToTop_.push_back(h); }
  WindowHandle GetOwner(WindowHandle h) override;
  void PostClose(WindowHandle h) override;
  WindowHandle ControlWindow(Control& c) override;
  int ShowCursor(bool show) override { return cursorCount_ += show ? 1 : -1; }
  Point GetCaretPos() override { return caret_; }
  Point GetCursorPos() override { return cursor_; }
  void SetScreenSaverRunning(bool running) override { screenSaverRunning_ = running; }
  std::optional<int32_t> VerifyScreenSavePwd(WindowHandle parent) override;
  bool CaptureDesktop(Surface& dst, int32_t left, int32_t top, int32_t width,
                      int32_t height) override;
  WallpaperSettings DesktopWallpaper(const Rect& monitor) override;
  std::optional<Surface> LoadPicture(const std::string& path) override;
  void PrefetchPicture(const std::string& path) override {
    pictureHints_.push_back({path, LoadedForms().size()});
  }
  bool FileExists(const std::string& path) override;
  std::string ReadSetting(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& defaultText) override;
  void WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& text) override;
  std::optional<std::string> GetOpenFileName(const FileChooserRequest& request) override;
  std::string ProgramFolder() override { return programFolder_; }
  uintptr_t InstanceHandle() override { return instance_; }
  uint64_t Clock() override { return clockStart_ + now_; }
  void DoEvents() override;
  [[noreturn]] void EndProcess(int status) override;
  bool Ended() const override { return endStatus_.has_value(); }

  // --- FormObserver ----------------------------------------------------------------------------
  void OnFormChanged(Form& form, Property what) override;
  void OnControlChanged(Control& control, Property what) override;

 private:
  struct Window {
    std::string title;
    Rect rect;  // foreign windows: as given; forms and controls compute theirs
    uint32_t style = 0;
    WindowHandle parent = 0;
    WindowHandle owner = 0;
    bool topmost = false;
    Form* form = nullptr;        // a loaded form of ours
    Control* control = nullptr;  // a control's own window
  };
  enum class EventKind { kKey, kClick, kCursor, kCaret, kClose, kDisplay, kDpi };
  struct Event {
    uint64_t at = 0;
    uint64_t seq = 0;
    EventKind kind = EventKind::kKey;
    WindowHandle window = 0;  // the form (key, click) or the target (close)
    std::string control{};    // click: control name and index
    int index = -1;
    int keyCode = 0, shift = 0;
    Point point{};
    std::vector<Rect> monitors{};  // a display change: the new monitors
    std::vector<int32_t> dpis{};   // and their dots per inch (empty: the system's)
    int32_t dpi = 0;               // a form's new dots per inch
    std::optional<Rect> suggested{};
  };
  struct Timer {
    WindowHandle form = 0;
    Control* control = nullptr;
    int32_t interval = 0;
    bool enabled = false;
    bool scheduled = false;
    uint64_t due = 0;
    uint64_t order = 0;  // stable order among timers due together
  };

  WindowHandle NewHandle() { return nextHandle_ += 4; }
  Window* Find(WindowHandle h);
  const Window* Find(WindowHandle h) const;
  // The one way into the queue: e at now + delayMs, after every event queued for that moment.
  void Queue(uint64_t delayMs, Event e);
  // Delivers the earliest event due at or before limit; false when none is due.
  bool DeliverOne(uint64_t limit);
  void Deliver(const Event& e);
  void DeliverClose(WindowHandle h);
  void UpdateTimer(Control& c);
  void CheckLastForm();
  // A twips rectangle in pixels at a form's ratio.
  static Rect PixelRect(const Form& form, int32_t left, int32_t top, int32_t width, int32_t height);
  void DeliverDpiChange(const Event& e);
  static std::string Fold(const std::string& s);

  uint64_t clockStart_ = 0;
  uint64_t now_ = 0;
  uint64_t eventSeq_ = 0;
  uint64_t timerOrder_ = 0;
  std::deque<Event> events_;  // kept sorted by (at, seq)
  std::vector<Timer> timers_;

  WindowHandle nextHandle_ = 0x10000;
  WindowHandle ownerWindow_ = 0;
  std::map<WindowHandle, Window> windows_;
  std::vector<WindowHandle> creation_;  // window handles, oldest first
  std::vector<WindowHandle> postedCloses_;
  std::vector<WindowHandle> broughtToTop_;
  bool mainReturned_ = false;

  std::string commandText_;
  ScreenInfo screen_;
  std::vector<Rect> monitors_;        // empty: the screen alone
  std::vector<int32_t> monitorDpis_;  // in the monitors' order; missing: the system's
  int32_t systemDpi_ = 96;
  std::map<WindowHandle, int32_t> windowDpis_;
  std::vector<WindowHandle> awarenessHosts_;
  int32_t platformId_ = kVerPlatformWin32Nt;
  uint16_t uiLanguage_ = 0x0411;
  std::optional<int32_t> passwordAnswer_ = 1;
  int passwordCheckDepth_ = 0;
  std::vector<WindowHandle> passwordChecks_;
  std::vector<WindowHandle> passwordChanges_;
  int cursorCount_ = 0;
  bool screenSaverRunning_ = false;
  Point cursor_, caret_;

  std::map<std::tuple<std::string, std::string, std::string>, std::string> store_;
  std::vector<SettingWrite> writes_;
  std::optional<int> writesLeft_;

  Surface desktop_;
  bool desktopVisible_ = true;
  std::vector<std::pair<Rect, WallpaperSettings>> wallpapers_;
  std::vector<Rect> wallpaperQueries_;
  std::optional<std::string> openFileAnswer_;
  std::vector<FileChooserRequest> chooserRequests_;
  std::vector<PictureHint> pictureHints_;
  std::string programFolder_ = "C:\\Windows\\System32";
  uintptr_t instance_ = 0x00400000u;

  std::optional<int> endStatus_;
};

}  // namespace frin
