#include "platform/memory/memory_platform.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/errors.h"
#include "platform/memory/headless_formats.h"
#include "platform/picture_header.h"
#include "platform/twips.h"

// libwmf (the wmf loader behind gdk-pixbuf) never frees a few blocks of each picture it reads;
// that leak is the library's. Read by LeakSanitizer in sanitized builds only.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libwmf-0.2.so\n";
}

namespace frin {
namespace {

// The screen's twips per pixel as the integer ratio it is.
int32_t Ratio(float twipsPerPixel) {
  return static_cast<int32_t>(std::lround(twipsPerPixel));
}

}  // namespace

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

// --- Clock and delivery ----------------------------------------------------------------------

void MemoryPlatform::Advance(uint64_t ms) {
  if (Ended()) return;
  const uint64_t target = now_ + ms;
  while (!Ended() && DeliverOne(target))
    CheckLastForm();
  if (now_ < target) now_ = target;
}

void MemoryPlatform::DoEvents() {
  while (!Ended() && DeliverOne(now_)) {
  }
}

bool MemoryPlatform::DeliverOne(uint64_t limit) {
  Timer* timer = nullptr;
  for (Timer& t : timers_) {
    if (t.scheduled && t.due <= limit && (timer == nullptr || t.due < timer->due)) timer = &t;
  }
  const bool eventDue = !events_.empty() && events_.front().at <= limit;
  if (eventDue && (timer == nullptr || events_.front().at <= timer->due)) {
    // Input before a timer tick due at the same moment, as a message queue does.
    const Event e = events_.front();
    events_.pop_front();
    now_ = std::max(now_, e.at);
    Deliver(e);
    return true;
  }
  if (timer == nullptr) return false;
  now_ = std::max(now_, timer->due);
  // The next tick is scheduled before the handler runs, so a handler that yields (a modal
  // dialog) keeps receiving ticks of the same timer, as a window system's modal loop delivers.
  const uint64_t next = timer->due + static_cast<uint64_t>(timer->interval);
  timer->due = next > now_ ? next : now_ + static_cast<uint64_t>(timer->interval);
  Form* form = FormOf(timer->form);
  Control* control = timer->control;
  if (form != nullptr) form->RaiseTimer(*control);
  return true;
}

void MemoryPlatform::Deliver(const Event& e) {
  switch (e.kind) {
    case EventKind::kCursor:
      cursor_ = e.point;
      return;
    case EventKind::kCaret:
      caret_ = e.point;
      return;
    case EventKind::kClose:
      DeliverClose(e.window);
      return;
    case EventKind::kDisplay: {
      SetMonitors(e.monitors, Ratio(screen_.twipsPerPixelX));
      // Every form hears of it, as every top-level window does. A handler may unload (and free)
      // other forms, so each is looked up again by its window, which is never reused.
      std::vector<WindowHandle> handles;
      for (Form* form : LoadedForms())
        handles.push_back(form->hwnd);
      for (WindowHandle h : handles) {
        if (Form* form = FormOf(h)) form->RaiseDisplayChange();
      }
      return;
    }
    case EventKind::kKey: {
      Form* form = FormOf(e.window);
      if (form != nullptr && form->focus != nullptr) {
        form->RaiseKeyDown(*form->focus, e.keyCode, e.shift);
      }
      return;
    }
    case EventKind::kClick: {
      Form* form = FormOf(e.window);
      Control* c = form != nullptr ? form->Find(e.control, e.index) : nullptr;
      if (c == nullptr || !c->enabled || !c->visible) return;
      if (c->kind == ControlKind::kCheckBox) {
        c->SetValue(c->value == 1 ? 0 : 1);  // the new value raises the click
      } else {
        form->RaiseClick(*c);
      }
      return;
    }
  }
}

void MemoryPlatform::DeliverClose(WindowHandle h) {
  if (h == ownerWindow_) EndProcess(0);
  if (Form* form = FormOf(h)) {
    UnloadForm(*form);
    return;
  }
  if (onForeignClose) onForeignClose(h);
}

void MemoryPlatform::CheckLastForm() {
  if (!mainReturned_ || Ended()) return;
  for (const auto& [h, w] : windows_) {
    if (w.form != nullptr) return;
  }
  EndProcess(0);
}

void MemoryPlatform::MainReturned() {
  mainReturned_ = true;
  CheckLastForm();
}

void MemoryPlatform::Queue(Event e) {
  e.seq = ++eventSeq_;
  auto pos = std::upper_bound(
      events_.begin(), events_.end(), e,
      [](const Event& a, const Event& b) { return a.at != b.at ? a.at < b.at : a.seq < b.seq; });
  events_.insert(pos, std::move(e));
}

void MemoryPlatform::QueueKeyDown(Form& form, int keyCode, int shift, uint64_t delayMs) {
  Event e;
  e.at = now_ + delayMs;
  e.kind = EventKind::kKey;
  e.window = form.hwnd;
  e.keyCode = keyCode;
  e.shift = shift;
  Queue(std::move(e));
}

void MemoryPlatform::QueueDisplayChange(std::vector<Rect> monitors, uint64_t delayMs) {
  Event e;
  e.at = now_ + delayMs;
  e.kind = EventKind::kDisplay;
  e.monitors = std::move(monitors);
  Queue(std::move(e));
}

void MemoryPlatform::QueueClick(Control& control, uint64_t delayMs) {
  Event e;
  e.at = now_ + delayMs;
  e.kind = EventKind::kClick;
  e.window = control.form != nullptr ? control.form->hwnd : 0;
  e.control = control.name;
  e.index = control.index;
  Queue(std::move(e));
}

void MemoryPlatform::QueueCursorMove(Point to, uint64_t delayMs) {
  Event e;
  e.at = now_ + delayMs;
  e.kind = EventKind::kCursor;
  e.point = to;
  Queue(std::move(e));
}

void MemoryPlatform::QueueCaretMove(Point to, uint64_t delayMs) {
  Event e;
  e.at = now_ + delayMs;
  e.kind = EventKind::kCaret;
  e.point = to;
  Queue(std::move(e));
}

// --- Windows -----------------------------------------------------------------------------------

MemoryPlatform::Window* MemoryPlatform::Find(WindowHandle h) {
  auto it = windows_.find(h);
  return it == windows_.end() ? nullptr : &it->second;
}

const MemoryPlatform::Window* MemoryPlatform::Find(WindowHandle h) const {
  auto it = windows_.find(h);
  return it == windows_.end() ? nullptr : &it->second;
}

WindowHandle MemoryPlatform::AddWindow(const std::string& title, const Rect& rect,
                                       WindowHandle parent, uint32_t style) {
  const WindowHandle h = NewHandle();
  Window w;
  w.title = title;
  w.rect = rect;
  w.parent = parent;
  w.style = style | (parent != 0 ? kWsChild : 0u);
  windows_[h] = std::move(w);
  creation_.push_back(h);
  return h;
}

void MemoryPlatform::RemoveWindow(WindowHandle h) {
  windows_.erase(h);
  creation_.erase(std::remove(creation_.begin(), creation_.end(), h), creation_.end());
}

void MemoryPlatform::SetOwner(WindowHandle h, WindowHandle owner) {
  if (Window* w = Find(h)) w->owner = owner;
}

WindowHandle MemoryPlatform::GetParent(WindowHandle h) const {
  const Window* w = Find(h);
  return w != nullptr ? w->parent : 0;
}

bool MemoryPlatform::IsTopmost(WindowHandle h) const {
  const Window* w = Find(h);
  return w != nullptr && w->topmost;
}

bool MemoryPlatform::IsWindow(WindowHandle h) const {
  return Find(h) != nullptr;
}

std::string MemoryPlatform::WindowTitle(WindowHandle h) const {
  const Window* w = Find(h);
  return w != nullptr ? w->title : std::string();
}

std::vector<Form*> MemoryPlatform::LoadedForms() const {
  std::vector<Form*> forms;
  for (WindowHandle h : creation_) {
    if (Form* f = FormOf(h)) forms.push_back(f);
  }
  return forms;
}

Form* MemoryPlatform::FormOf(WindowHandle h) const {
  const Window* w = Find(h);
  return w != nullptr ? w->form : nullptr;
}

WindowHandle MemoryPlatform::FindTopWindow(const std::string& title) {
  // Newest first: the window a search would meet first in the z-order.
  for (auto it = creation_.rbegin(); it != creation_.rend(); ++it) {
    const Window& w = windows_.at(*it);
    if (w.parent == 0 && (w.style & kWsChild) == 0 && w.control == nullptr && w.title == title) {
      return *it;
    }
  }
  return 0;
}

void MemoryPlatform::LoadForm(Form& form) {
  if (form.hwnd != 0 && FormOf(form.hwnd) == &form) return;  // already loaded
  uint32_t style = kWsPopup | kWsClipSiblings | kWsClipChildren;
  if (form.border == FormBorder::kFixedDialog) style |= kWsCaption | kWsSysMenu;
  if (form.visible) style |= kWsVisible;
  const WindowHandle h = AddWindow(form.caption, Rect{}, 0, style);
  Window& w = windows_.at(h);
  w.form = &form;
  w.owner = ownerWindow_;
  form.hwnd = h;
  form.observer = this;
  for (const auto& c : form.Controls()) {
    if (c->kind == ControlKind::kTimer) UpdateTimer(*c);
  }
}

void MemoryPlatform::UnloadForm(Form& form) {
  if (form.hwnd == 0 || FormOf(form.hwnd) != &form) return;  // not loaded: nothing to do
  // The unload handler runs while the window still exists (it may ask for its owner).
  form.RaiseUnload();
  const WindowHandle h = form.hwnd;
  if (FormOf(h) != &form) return;  // the handler unloaded it already
  timers_.erase(
      std::remove_if(timers_.begin(), timers_.end(), [h](const Timer& t) { return t.form == h; }),
      timers_.end());
  std::vector<WindowHandle> gone{h};
  for (const auto& [wh, w] : windows_) {
    if (w.control != nullptr && w.parent == h) gone.push_back(wh);
  }
  for (WindowHandle g : gone)
    RemoveWindow(g);
  form.hwnd = 0;
  form.observer = nullptr;
}

void MemoryPlatform::OuterSize(FormBorder border, int32_t clientWidth, int32_t clientHeight,
                               int32_t& outerWidth, int32_t& outerHeight) {
  outerWidth = clientWidth;
  outerHeight = clientHeight;
  if (border == FormBorder::kFixedDialog) {
    const int32_t tx = IntegerTwipsPerPixel(screen_.twipsPerPixelX);
    const int32_t ty = IntegerTwipsPerPixel(screen_.twipsPerPixelY);
    outerWidth = CheckedAdd(clientWidth, CheckedMul(2 * kDialogFramePixels, tx));
    outerHeight =
        CheckedAdd(clientHeight, CheckedMul(2 * kDialogFramePixels + kDialogCaptionPixels, ty));
  }
}

Rect MemoryPlatform::PixelRect(int32_t left, int32_t top, int32_t width, int32_t height) const {
  const int32_t tx = IntegerTwipsPerPixel(screen_.twipsPerPixelX);
  const int32_t ty = IntegerTwipsPerPixel(screen_.twipsPerPixelY);
  return Rect{TwipsToPixels(left, tx), TwipsToPixels(top, ty),
              TwipsToPixels(int64_t{left} + width, tx), TwipsToPixels(int64_t{top} + height, ty)};
}

bool MemoryPlatform::GetWindowRect(WindowHandle h, Rect& r) {
  r = Rect{};
  const Window* w = Find(h);
  if (w == nullptr) return false;
  Rect own = w->rect;
  if (w->form != nullptr) {
    own = PixelRect(w->form->left, w->form->top, w->form->width, w->form->height);
  } else if (w->control != nullptr) {
    const Control& c = *w->control;
    int32_t left = c.left, top = c.top;
    for (const Control* k = c.container; k != nullptr; k = k->container) {
      left += k->left;
      top += k->top;
    }
    own = PixelRect(left, top, c.width, c.height);
  }
  if ((w->form != nullptr || w->control != nullptr) && w->parent != 0) {
    Rect p;
    if (GetWindowRect(w->parent, p)) {
      own.left += p.left;
      own.right += p.left;
      own.top += p.top;
      own.bottom += p.top;
    }
  }
  r = own;
  return true;
}

uint32_t MemoryPlatform::GetWindowStyle(WindowHandle h) {
  const Window* w = Find(h);
  return w != nullptr ? w->style : 0;
}

void MemoryPlatform::SetWindowStyle(WindowHandle h, uint32_t style) {
  if (Window* w = Find(h)) w->style = style;
}

void MemoryPlatform::SetParent(WindowHandle child, WindowHandle parent) {
  if (Window* w = Find(child)) w->parent = Find(parent) != nullptr ? parent : 0;
}

void MemoryPlatform::SetTopmost(WindowHandle h, uint32_t flags) {
  Window* w = Find(h);
  if (w == nullptr) return;
  w->topmost = true;
  if ((flags & kSwpShowWindow) != 0) w->style |= kWsVisible;
}

WindowHandle MemoryPlatform::GetOwner(WindowHandle h) {
  const Window* w = Find(h);
  return w != nullptr ? w->owner : 0;
}

void MemoryPlatform::PostClose(WindowHandle h) {
  postedCloses_.push_back(h);
  Event e;
  e.at = now_;
  e.kind = EventKind::kClose;
  e.window = h;
  Queue(std::move(e));
}

WindowHandle MemoryPlatform::ControlWindow(Control& c) {
  if (c.form == nullptr || FormOf(c.form->hwnd) != c.form) return 0;
  switch (c.kind) {
    case ControlKind::kTimer:
    case ControlKind::kLabel:
    case ControlKind::kImage:
      return 0;  // windowless controls
    default:
      break;
  }
  for (const auto& [h, w] : windows_) {
    if (w.control == &c) return h;
  }
  uint32_t style = kWsChild | (c.visible ? kWsVisible : 0u);
  if (c.kind == ControlKind::kCommandButton) style |= kWsTabStop | kBsMultiline;
  const WindowHandle h = AddWindow(c.name, Rect{}, c.form->hwnd, style);
  windows_.at(h).control = &c;
  return h;
}

void MemoryPlatform::OnFormChanged(Form& form, Property what) {
  Window* w = Find(form.hwnd);
  if (w == nullptr || w->form != &form) return;
  switch (what) {
    case Property::kCaption:
      w->title = form.caption;
      break;
    case Property::kVisible:
      w->style = form.visible ? (w->style | kWsVisible) : (w->style & ~kWsVisible);
      break;
    default:
      break;
  }
}

void MemoryPlatform::OnControlChanged(Control& control, Property what) {
  if (what == Property::kTimer && control.kind == ControlKind::kTimer) UpdateTimer(control);
}

void MemoryPlatform::UpdateTimer(Control& c) {
  if (c.form == nullptr || FormOf(c.form->hwnd) != c.form) return;
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&c](const Timer& t) { return t.control == &c; });
  if (it == timers_.end()) {
    Timer t;
    t.form = c.form->hwnd;
    t.control = &c;
    timers_.push_back(t);
    it = timers_.end() - 1;
  }
  Timer& t = *it;
  const bool runs = c.timerEnabled && c.interval > 0;
  // The next tick counts from the moment the timer was switched on or its interval changed.
  if (!runs) {
    t.scheduled = false;
  } else if (!t.scheduled || !t.enabled || t.interval != c.interval) {
    t.scheduled = true;
    t.due = now_ + static_cast<uint64_t>(c.interval);
  }
  t.enabled = c.timerEnabled;
  t.interval = c.interval;
}

// --- System answers
// -------------------------------------------------------------------------------

void MemoryPlatform::SetScreenPixels(int32_t width, int32_t height, int32_t twipsPerPixel) {
  screen_ = ScreenFromPixels(width, height, twipsPerPixel, twipsPerPixel);
  monitors_.clear();
}

void MemoryPlatform::SetScreenDpi(int32_t width, int32_t height, int32_t dpiX, int32_t dpiY) {
  screen_ = ScreenFromPixels(width, height, TwipsPerPixelAtDpi(dpiX), TwipsPerPixelAtDpi(dpiY));
  monitors_.clear();
}

void MemoryPlatform::SetMonitors(std::vector<Rect> monitors, int32_t twipsPerPixel) {
  if (!monitors.empty()) {
    screen_ = ScreenFromPixels(monitors.front().Width(), monitors.front().Height(), twipsPerPixel,
                               twipsPerPixel);
  }
  monitors_ = std::move(monitors);
}

std::vector<Rect> MemoryPlatform::Monitors() {
  if (!monitors_.empty()) return monitors_;
  const int32_t tx = Ratio(screen_.twipsPerPixelX);
  const int32_t ty = Ratio(screen_.twipsPerPixelY);
  return {Rect{0, 0, TwipsToPixels(static_cast<int64_t>(screen_.widthTwips), tx),
               TwipsToPixels(static_cast<int64_t>(screen_.heightTwips), ty)}};
}

Rect MemoryPlatform::VirtualScreen() {
  const std::vector<Rect> all = Monitors();
  Rect bound = all.front();
  for (const Rect& m : all) {
    bound.left = std::min(bound.left, m.left);
    bound.top = std::min(bound.top, m.top);
    bound.right = std::max(bound.right, m.right);
    bound.bottom = std::max(bound.bottom, m.bottom);
  }
  return bound;
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

// --- Store ------------------------------------------------------------------------------------

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

// --- Pictures and files -------------------------------------------------------------------------

namespace {

bool SameRect(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

void MemoryPlatform::SetWallpaper(const Rect& monitor, WallpaperSettings wallpaper) {
  for (auto& [rect, settings] : wallpapers_) {
    if (SameRect(rect, monitor)) {
      settings = std::move(wallpaper);
      return;
    }
  }
  wallpapers_.emplace_back(monitor, std::move(wallpaper));
}

WallpaperSettings MemoryPlatform::DesktopWallpaper(const Rect& monitor) {
  wallpaperQueries_.push_back(monitor);
  for (const auto& [rect, settings] : wallpapers_) {
    if (SameRect(rect, monitor)) return settings;
  }
  return WallpaperSettings{"", WallpaperPosition::kFill, kBlack, ""};
}

bool MemoryPlatform::CaptureDesktop(Surface& dst, int32_t left, int32_t top, int32_t width,
                                    int32_t height) {
  const int32_t w = std::min(width, dst.Width());
  const int32_t h = std::min(height, dst.Height());
  // The desktop image starts at the virtual screen's top-left corner; what lies outside every
  // monitor shows black, as the screen's device context gives it.
  const Rect virtualScreen = VirtualScreen();
  const std::vector<Rect> monitors = Monitors();
  for (int32_t y = 0; y < h; ++y) {
    Pixel* row = dst.Row(y);
    const int64_t sy = int64_t{top} + y;
    for (int32_t x = 0; x < w; ++x) {
      const int64_t sx = int64_t{left} + x;
      bool shown = false;
      for (const Rect& m : monitors)
        shown = shown || (sx >= m.left && sx < m.right && sy >= m.top && sy < m.bottom);
      const int64_t ix = sx - virtualScreen.left, iy = sy - virtualScreen.top;
      row[x] = shown && ix >= 0 && iy >= 0 && ix < desktop_.Width() && iy < desktop_.Height()
                   ? desktop_.At(static_cast<int32_t>(ix), static_cast<int32_t>(iy))
                   : kBlack;
    }
  }
  if (w > 0 && h > 0) dst.AddDamage(Rect{0, 0, w, h});
  return desktopVisible_;
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

namespace {

// Copies a decoded picture into a surface: 0x00RRGGBB, alpha composited over black (a picture
// painted over the black background buffer shows black where it is transparent).
Surface FromPixbuf(GdkPixbuf* pb) {
  const int w = gdk_pixbuf_get_width(pb);
  const int h = gdk_pixbuf_get_height(pb);
  const int channels = gdk_pixbuf_get_n_channels(pb);
  const bool alpha = gdk_pixbuf_get_has_alpha(pb);
  const int stride = gdk_pixbuf_get_rowstride(pb);
  const guchar* data = gdk_pixbuf_read_pixels(pb);
  Surface s(w, h, kBlack);
  for (int y = 0; y < h; ++y) {
    const guchar* p = data + static_cast<ptrdiff_t>(y) * stride;
    Pixel* row = s.Row(y);
    for (int x = 0; x < w; ++x, p += channels) {
      uint32_t r = p[0], g = p[1], b = p[2];
      if (alpha) {
        const uint32_t a = p[3];
        r = (r * a + 127) / 255;
        g = (g * a + 127) / 255;
        b = (b * a + 127) / 255;
      }
      row[x] = (r << 16) | (g << 8) | b;
    }
  }
  return s;
}

std::optional<Surface> Decode(const std::string& path, bool anyFormat) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return std::nullopt;
  if (bytes.empty()) return std::nullopt;
  // A picture the saver reads must promise, before it is decoded, a size and an amount of work
  // it can bear (the Windows backend asks the same at 96 pixels an inch).
  if (!anyFormat && !ReadPictureExtent(std::string_view(bytes.data(), bytes.size()), 96, 96)) {
    return std::nullopt;
  }
  // A loader fed with the bytes, so that the format it recognised can be checked afterwards.
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GError* error = nullptr;
  bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()),
                                    bytes.size(), &error);
  if (error != nullptr) g_clear_error(&error);
  ok = gdk_pixbuf_loader_close(loader, &error) && ok;
  if (error != nullptr) g_clear_error(&error);
  std::optional<Surface> s;
  GdkPixbuf* pb = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  GdkPixbufFormat* format = ok ? gdk_pixbuf_loader_get_format(loader) : nullptr;
  bool accepted = anyFormat;
  if (format != nullptr && !accepted) {
    gchar* name = gdk_pixbuf_format_get_name(format);
    const std::string n = name != nullptr ? name : "";
    g_free(name);
    accepted = HeadlessPictureFormat(n);
  }
  if (pb != nullptr && accepted &&
      PictureSizeAllowed(gdk_pixbuf_get_width(pb), gdk_pixbuf_get_height(pb)) &&
      gdk_pixbuf_get_bits_per_sample(pb) == 8 && gdk_pixbuf_get_n_channels(pb) >= 3) {
    s = FromPixbuf(pb);
    if (!anyFormat) {
      s = UprightDecoded(std::move(s), std::string_view(bytes.data(), bytes.size()),
                         gdk_pixbuf_get_option(pb, "orientation"));
    }
  }
  g_object_unref(loader);
  return s;
}

}  // namespace

std::optional<Surface> MemoryPlatform::LoadPicture(const std::string& path) {
  return Decode(path, false);
}

std::optional<Surface> MemoryPlatform::DecodeImageFile(const std::string& path) {
  return Decode(path, true);
}

}  // namespace frin
