// The Windows backend of frin.scr: Module_API on the Win32 API (W functions throughout, UTF-8
// inside, UTF-16 at the boundary) and the mirror of the form model on real windows.
//
// Implements:
//  - every Module_API operation, with XP's functions only; the password services are loaded
//    when needed (nullopt or nothing where a system lacks them);
//  - Form_Screen as a borderless popup owned by a hidden runtime window (closing that window ends
//    the process); each visible picture box's surface is lent the memory of a DIB section, and
//    after each event one BitBlt, clipped to a region of what the event drew (Surface::Damage,
//    a busy tick's rectangles coalesced into runs of tiles), presents it (two timers due together
//    present once); WM_PAINT presents everything; a present allocates and creates nothing;
//    keys of every kind go to the form's focus control, button presses to the picture box under the
//    cursor, WM_TIMER to the timer controls;
//  - a preview embedded in a host window ends with the host: WM_DESTROY from outside, or a host
//    that no longer exists at a timer tick, unloads the form, and the process ends with it;
//  - Form_Set as real controls with the model's captions, fonts (a face with Japanese glyphs
//    stands in for a missing one, shrunk until the caption fits its box), values, ranges and
//    enabled states; the user's edits come back through Control::SetValue / SetText and
//    Form::RaiseClick; closing by the title bar unloads the form (its unload handler runs);
//  - runtime errors raised inside an event end the process with one message box.
// Lacks: picture boxes as real child windows (none is needed: the canvas is drawn by the form),
// window states other than normal, minimised and maximised.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The Module_API operation keeps its name; the system's function is called as GetOpenFileNameW.
#undef GetOpenFileName

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/jpeg_decoder.h"
#include "platform/module_api.h"
#include "platform/picture_header.h"
#include "platform/win32/win32_canvas.h"
#include "platform/win32/win32_helper_thread.h"
#include "platform/win32/win32_text.h"

namespace frin::win32 {

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// A top-down DIB section of the given size and bit depth (24 or 32); *bits receives its pixels.
// Null when the system cannot make it.
HBITMAP CreateTopDownDib(int32_t width, int32_t height, WORD bitCount, void** bits);

// Whether the calling thread runs on the user's own desktop, "Default" of its window station
// (not the secure desktop a saver started by the system may run on). True when the system
// cannot say.
bool ThreadOnUsersDesktop();

class FontBook;

// The dots per inch a window is drawn at (GetDpiForWindow, Windows 10 1607 on); 0 where the system
// has no such call.
int DpiOfWindow(HWND hwnd);
// A system metric (GetSystemMetrics' index) as the system draws it at a dots per inch
// (GetSystemMetricsForDpi, Windows 10 1607 on); the system's own where the call is missing.
int MetricAtDpi(int index, int dpi);
// What a check box's mark and the edges beside it take of its width at a dots per inch: the room
// its caption loses.
int CheckMarkWidth(int dpi);

// WM_DPICHANGED (Windows 8.1) and WM_GETDPISCALEDSIZE (Windows 10 1703), which the Windows XP
// headers the program builds with lack.
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr UINT kWmGetDpiScaledSize = 0x02E4;

// The id of a timer control's system timer on its form's window.
inline UINT_PTR TimerId(const Control& timer) {
  return static_cast<UINT_PTR>(timer.index + 1);
}

// A picture file read whole into movable global memory and locked, with the screen's dots per
// inch and what its header promises. The memory goes with it unless handed on by Release.
class PictureFile {
 public:
  PictureFile() = default;
  ~PictureFile();
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;

  // False when the file cannot be read whole (a header that promises nothing still opens). The
  // header is read at the screen's dots per inch.
  bool Open(const std::string& path, int dpiX, int dpiY);
  std::string_view Bytes() const { return {bytes_, size_}; }
  const std::optional<PictureExtent>& Extent() const { return extent_; }
  bool IsJpeg() const { return extent_ && extent_->format == PictureFormat::kJpeg; }
  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  // The memory, unlocked, for a stream that frees it.
  HGLOBAL Release();

 private:
  HGLOBAL memory_ = nullptr;
  const char* bytes_ = nullptr;
  DWORD size_ = 0;
  int dpiX_ = 0, dpiY_ = 0;
  std::optional<PictureExtent> extent_;
};

// Called after each timer tick has been delivered and presented. The test build frin_probe.scr
// counts there what a tick allocates and creates (win32_probe.cpp); frin.scr does nothing.
#ifdef FRIN_TICK_PROBE
void ProbeTick();
#else
inline void ProbeTick() {}
#endif

class Win32Platform : public Module_API, public FormObserver {
 public:
  explicit Win32Platform(HINSTANCE instance);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // Runs f as the delivery of one event: a RuntimeError (or any other exception) it raises is
  // reported and ends the process, and forms unloaded meanwhile are freed once no event is
  // being delivered any more.
  template <typename F>
  void Deliver(F&& f) {
    // While an error report is up nothing else runs: no click on the dialog behind it may close
    // the program with another status, nor raise a second report.
    if (failStatus_ != 0) return;
    ++depth_;
    try {
      f();
    } catch (const RuntimeError& e) {
      Fail(e.Number(), e.what());
    } catch (const std::exception& e) {
      Fail(0, e.what());
    }
    if (--depth_ == 0) graveyard_.clear();
  }
  // Shows the error report and ends the process with a non-zero status. The forms stay as they
  // are behind the report, but take no input and deliver no event until the process ends.
  [[noreturn]] void Fail(int number, const std::string& message);

  // The entry has returned: handles window messages until no form is left (or the process
  // ends); the exit status.
  int RunMessageLoop();

  // --- Module_API ---------------------------------------------------------------------------
  std::string CommandText() override;
  ScreenInfo Screen() override;
  std::vector<Rect> Monitors() override;
  int32_t MonitorDpi(const Rect& monitor) override;
  int32_t WindowDpi(WindowHandle h) override;
  void UseDpiAwarenessOf(WindowHandle host) override;
  int32_t PlatformId() override;
  uint16_t UserInterfaceLanguage() override;
  WindowHandle FindTopWindow(const std::string& title) override;
  void ChangePassword(WindowHandle parent) override;
  void LoadForm(Form& form) override;
  void UnloadForm(Form& form) override;
  void OuterSize(FormBorder border, int32_t dpi, int32_t clientWidth, int32_t clientHeight,
                 int32_t& outerWidth, int32_t& outerHeight) override;
  bool GetWindowRect(WindowHandle h, Rect& r) override;
  uint32_t GetWindowStyle(WindowHandle h) override;
  void SetWindowStyle(WindowHandle h, uint32_t style) override;
  void SetParent(WindowHandle child, WindowHandle parent) override;
  void SetTopmost(WindowHandle h, uint32_t flags) override;
  void BringWindowToTop(WindowHandle h) override;
  WindowHandle GetOwner(WindowHandle h) override;
  void PostClose(WindowHandle h) override;
  WindowHandle ControlWindow(Control& c) override;
  int ShowCursor(bool show) override;
  Point GetCaretPos() override;
  Point GetCursorPos() override;
  void SetScreenSaverRunning(bool running) override;
  std::optional<int32_t> VerifyScreenSavePwd(WindowHandle parent) override;
  bool CaptureDesktop(Surface& dst, int32_t left, int32_t top, int32_t width,
                      int32_t height) override;
  WallpaperSettings DesktopWallpaper(const Rect& monitor) override;
  std::optional<Surface> LoadPicture(const std::string& path) override;
  void PrefetchPicture(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  HelperThread* SecondThread() override {
    prefetch_.reset();
    return &helper_;
  }
  std::string ReadSetting(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& defaultText) override;
  void WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& text) override;
  std::optional<std::string> GetOpenFileName(const FileChooserRequest& request) override;
  std::string ProgramFolder() override;
  uintptr_t InstanceHandle() override { return reinterpret_cast<uintptr_t>(instance_); }
  uint64_t Clock() override;
  void DoEvents() override;
  [[noreturn]] void EndProcess(int status) override;
  bool Ended() const override { return false; }

  // --- FormObserver -----------------------------------------------------------------------------
  void OnFormChanged(Form& form, Property what) override;
  void OnControlChanged(Control& control, Property what) override;

 private:
  Win32HelperThread helper_;
  // A jpg being decoded on the helper thread ahead of LoadPicture, and its file. Declared after
  // the helper: it goes first.
  struct PicturePrefetch {
    std::string path;
    PictureFile file;
    std::optional<JpegJob> job;  // goes before the bytes it reads
  };
  std::unique_ptr<PicturePrefetch> prefetch_;
  struct ControlMirror {
    Control* control = nullptr;
    HWND hwnd = nullptr;
    HBITMAP image = nullptr;  // an image control's bitmap
  };
  struct FormWindow {
    Form* form = nullptr;
    HWND hwnd = nullptr;
    std::vector<ControlMirror> controls;  // the dialog's
    std::unique_ptr<SaverCanvas> canvas;  // the saver window's
    HWND host = nullptr;                  // the window it was embedded in
    HWND lastFocus = nullptr;  // the dialog's control that had the focus when it went inactive
    HICON bigIcon = nullptr, smallIcon = nullptr;
    std::wstring sample;        // every caption of the form: the glyphs its fonts must have
    bool unloadRaised = false;  // the form's unload handler has been raised
    bool dead = false;          // unloaded; freed once no event is being delivered
    bool windowGoing = false;   // the window is being destroyed by someone else
  };

  // Window procedures (win32_messages.cpp). Receiver: the backend and the window of ours a
  // message is for (the backend comes with WM_NCCREATE); null for any other.
  static Win32Platform* Receiver(HWND hwnd, UINT msg, LPARAM lp, FormWindow*& fw);
  static LRESULT CALLBACK SaverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleSaverMessage(FormWindow& fw, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleDialogMessage(FormWindow& fw, UINT msg, WPARAM wp, LPARAM lp);
  // What both windows handle alike: closing, a preview's host going, the timers. False for any
  // other message.
  bool HandleCommonMessage(FormWindow& fw, UINT msg, WPARAM wp);
  // Presents the window's canvas, if the window is still loaded.
  void PresentWindow(HWND hwnd);

  FormWindow* Find(const Form* form);
  FormWindow* Find(HWND hwnd);
  ControlMirror* FindControl(FormWindow& fw, const Control* c);
  ControlMirror* FindControl(FormWindow& fw, HWND hwnd);
  void Dispatch(MSG& msg);

  // In the form's client area, frames included, at the form's twips per pixel.
  static RECT PixelRect(const Control& c);
  // The outer size in pixels of the form's window drawn at dpi dots per inch: its design client
  // area at that dpi's twips per pixel, within the frame and caption the system draws there.
  SIZE OuterPixels(const Form& form, int dpi) const;
  static const wchar_t* FormClass(const Form& form);
  DWORD FormStyle(const Form& form) const;
  DWORD FormExStyle(const Form& form) const;

  void CreateControls(FormWindow& fw);
  void ApplyControl(FormWindow& fw, ControlMirror& cw, Property what);
  void FitFont(FormWindow& fw, ControlMirror& cw);
  void Relayout(FormWindow& fw);
  void SetImage(ControlMirror& cw);
  void UpdateTimer(FormWindow& fw, Control& timer);
  void ShowForm(FormWindow& fw);
  // Frees the window and every object made for it; formAlive: the form's controls still exist,
  // so lent surfaces get their pixels back.
  void Teardown(FormWindow& fw, bool formAlive);
  void HostGone(FormWindow& fw);

  // Every saver window's canvas presents (win32_present.cpp): a tick of one window's timer steps
  // the scenes of all.
  void PresentAllDamage();

  HINSTANCE instance_;
  HWND owner_ = nullptr;  // the hidden runtime window that owns every form
  // The screen's dots per inch and the twips ratio, read when the backend is made and again
  // when the preview takes on its host's awareness.
  void MeasureScreenDpi();
  int dpiX_ = 96, dpiY_ = 96;
  int32_t tppX_ = 15, tppY_ = 15;
  uint64_t startCounter_ = 0;  // the performance counter at start-up, in the clock's upper half
  std::vector<std::unique_ptr<FormWindow>> forms_;
  std::vector<std::unique_ptr<FormWindow>> graveyard_;
  int depth_ = 0;
  UINT failStatus_ = 0;  // the exit status of a reported error; 0 while none is
  bool loopRunning_ = false;
  bool settingText_ = false;  // a text box is being filled from the model
  std::unique_ptr<FontBook> fonts_;
};

}  // namespace frin::win32
