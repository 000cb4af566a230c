// The form model: windows and their controls as plain objects holding their properties. Layout
// tables in lifecycle/ and settings/ build them; a backend observes every change through
// FormObserver and mirrors it on the real window system; a user's action on a real control comes
// back through Form::Raise*, which calls the handler named after the control and the event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/raster.h"

namespace frin {

using WindowHandle = uintptr_t;  // 0 is no window

enum class ControlKind {
  kPictureBox,
  kTimer,
  kLabel,
  kCheckBox,
  kHScrollBar,
  kTextBox,
  kCommandButton,
  kFrame,
  kImage,
};

enum class FormBorder { kNone, kFixedDialog };

// A face that names none: the system's message font (Segoe UI on current Windows).
inline constexpr const char* kSystemMessageFace = "";

struct Font {
  std::string face;  // UTF-8; kSystemMessageFace for the system's message font
  double points = 9;
  int weight = 400;
  bool italic = false;
  int charset = 128;
};

// Which property changed, for the observer.
enum class Property {
  kCaption,
  kText,
  kValue,
  kEnabled,
  kVisible,
  kMove,        // left, top, width or height
  kTimer,       // interval or enabled of a timer
  kPicture,     // a picture box's surface was replaced or resized
  kAutoRedraw,  // persistent-image switch
  kFocus,
  kRefresh,  // redraw at once
  kWindowState,
  kDpi,  // the form's dots per inch, and with them its twips per pixel: every control's place
         // and font
};

class Form;

struct Control {
  Form* form = nullptr;
  std::string name;  // "Screen", "SS_Timer", "Btn_Set", "Txt_File", ...
  int index = -1;    // index in its control array; -1 for a control that is no array
  ControlKind kind = ControlKind::kPictureBox;
  int controlId = 0;             // stable id of the control on the real window system
  Control* container = nullptr;  // the frame holding it, or null for the form itself

  // Geometry in twips, relative to the container's top-left corner.
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool visible = true;
  bool enabled = true;
  int tabIndex = -1;
  std::string caption;  // labels, buttons, check boxes, frames (UTF-8)
  std::string text;     // text box
  int32_t value = 0;    // check box 0/1, scroll bar position
  int32_t min = 0, max = 0, smallChange = 1, largeChange = 1;  // scroll bar
  uint32_t backColor = 0x80000005u;  // the runtime's colour values (0x00BBGGRR or 0x800000nn)
  uint32_t foreColor = 0x80000008u;
  std::optional<Font> font;  // unset: the form's font

  // Picture boxes and images. The surface holds the persistent image; it is what the box shows
  // and what its device context yields.
  Surface surface;
  bool autoRedraw = false;  // persistent image on
  bool autoSize = false;
  bool scaleTwips = true;  // drawing coordinates of Line are twips (true) or pixels

  // Timers.
  int32_t interval = 0;
  bool timerEnabled = false;

  // Setters that notify the observer, and raise the change or click handler when the value of
  // a scroll bar or check box really changes, as a user's edit would.
  void SetCaption(std::string c);
  void SetText(std::string t);
  void SetValue(int32_t v);
  void SetEnabled(bool e);
  void SetVisible(bool v);
  void Move(int32_t l, int32_t t, int32_t w, int32_t h);
  void SetInterval(int32_t ms);
  void SetTimerEnabled(bool e);
  void SetAutoRedraw(bool on);
  void SetFocus();
  void Refresh();
  // Line primitive: end points in the box's scale (twips unless scaleTwips is off).
  void Line(float x1, float y1, float x2, float y2, Pixel colour);
  // Size of the box's surface in pixels from its twips size (at the form's twips per pixel).
  void SizeSurfaceToBox(Pixel fill);
  void NotifyPicture();
};

// What a backend implements to mirror the model. Every call comes after the model changed.
class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void OnFormChanged(Form& form, Property what) = 0;
  virtual void OnControlChanged(Control& control, Property what) = 0;
};

// Handlers of one control (array), by event.
struct ControlHandlers {
  std::function<void(int index)> click;
  std::function<void(int index)> change;
  std::function<void(int index)> timer;
  std::function<void(int index, int keyCode, int shift)> keyDown;
};

class Form {
 public:
  explicit Form(std::string name) : name_(std::move(name)) {}
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }

  // Builds a control; the form owns it. Controls keep their address for the form's life.
  Control& Add(Control c);
  Control* Find(const std::string& name, int index = -1);
  Control& Get(const std::string& name, int index = -1);  // subscript error when absent
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  Control* FindById(int controlId);

  // Window properties. Geometry is the outer rectangle in twips (for a top-level window on the
  // screen, for a child relative to its parent's client area).
  std::string caption;
  FormBorder border = FormBorder::kNone;
  int32_t left = 0, top = 0, width = 0, height = 0;
  int32_t clientWidth = 0, clientHeight = 0;  // design client area, twips
  bool visible = false;
  int windowState = 0;
  std::optional<Font> font;
  bool hasIcon = false;
  // The ratio its geometry converts to pixels at: the running system's for the saver's windows;
  // for the settings dialog, that of the display it is drawn on (SetDpi).
  int32_t twipsPerPixelX = 15, twipsPerPixelY = 15;
  // The dots per inch its window is drawn at: its frame and caption, and the system's parts of
  // its controls (a check box's mark). The settings dialog's follow the display it is on.
  int32_t dpi = 96;
  Control* focus = nullptr;

  // The real window, when a backend has one. Set by the backend when the form is loaded.
  WindowHandle hwnd = 0;
  FormObserver* observer = nullptr;

  void SetCaption(std::string c);
  void Move(int32_t l, int32_t t, int32_t w, int32_t h);
  void SetLeftTop(int32_t l, int32_t t);
  void SetWindowState(int state);
  void Show();
  void Hide();
  // The form is drawn at these dots per inch from now on: its twips per pixel become theirs
  // (TwipsPerPixelAtDpi) on both axes, and the backend lays every control out again.
  void SetDpi(int32_t newDpi);

  // Event handlers, by control name; the form's own unload handler; and the handler of a change
  // of the display (a monitor added, removed or resized, the screen's resolution changed).
  ControlHandlers& On(const std::string& controlName) { return handlers_[controlName]; }
  std::function<void()> onUnload;
  std::function<void()> onDisplayChange;
  // The window was moved to a display of another scale (dragged onto another monitor, or its
  // monitor's scale changed): the dots per inch it is drawn at now, and the rectangle the system
  // suggests for it there, in screen pixels. Without a handler the window stays as it is.
  std::function<void(int32_t dpi, const Rect& suggested)> onDpiChange;

  // Raised by backends (and tests) when the user acts on a control or a timer ticks.
  void RaiseClick(Control& c);
  void RaiseChange(Control& c);
  void RaiseTimer(Control& c);
  void RaiseKeyDown(Control& c, int keyCode, int shift);
  void RaiseUnload();
  void RaiseDisplayChange();
  void RaiseDpiChange(int32_t newDpi, const Rect& suggested);

  void Notify(Property what);
  void Notify(Control& c, Property what);

 private:
  std::string name_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::unordered_map<std::string, ControlHandlers> handlers_;
};

}  // namespace frin
