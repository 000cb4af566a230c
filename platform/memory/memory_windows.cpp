// The headless backend's windows: a table of windows with their titles, styles, owners and
// rectangles, the forms and controls mirrored into it, each form's timers, and the pixel
// geometry of twips rectangles at each form's integer ratio.
#include <algorithm>

#include "platform/errors.h"
#include "platform/memory/memory_platform.h"
#include "platform/twips.h"

namespace frin {

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

int32_t DialogFramePixelsAtDpi(int32_t pixelsAt96, int32_t dpi) {
  constexpr int32_t kBaseDpi = 96;
  if (dpi <= 0) dpi = kBaseDpi;
  return static_cast<int32_t>((int64_t{pixelsAt96} * dpi + kBaseDpi / 2) / kBaseDpi);
}

void MemoryPlatform::OuterSize(FormBorder border, int32_t dpi, int32_t clientWidth,
                               int32_t clientHeight, int32_t& outerWidth, int32_t& outerHeight) {
  outerWidth = clientWidth;
  outerHeight = clientHeight;
  if (border == FormBorder::kFixedDialog) {
    const int32_t tpp = TwipsPerPixelAtDpi(dpi);
    const int32_t frame = DialogFramePixelsAtDpi(kDialogFramePixels, dpi);
    const int32_t caption = DialogFramePixelsAtDpi(kDialogCaptionPixels, dpi);
    // As the Windows backend measures: the client area in whole pixels, framed, back in twips.
    outerWidth = CheckedMul(CheckedAdd(TwipsToPixels(clientWidth, tpp), 2 * frame), tpp);
    outerHeight =
        CheckedMul(CheckedAdd(TwipsToPixels(clientHeight, tpp), 2 * frame + caption), tpp);
  }
}

Rect MemoryPlatform::PixelRect(const Form& form, int32_t left, int32_t top, int32_t width,
                               int32_t height) {
  const int32_t tx = form.twipsPerPixelX, ty = form.twipsPerPixelY;
  return Rect{TwipsToPixels(left, tx), TwipsToPixels(top, ty),
              TwipsToPixels(int64_t{left} + width, tx), TwipsToPixels(int64_t{top} + height, ty)};
}

bool MemoryPlatform::GetWindowRect(WindowHandle h, Rect& r) {
  r = Rect{};
  const Window* w = Find(h);
  if (w == nullptr) return false;
  Rect own = w->rect;
  if (w->form != nullptr) {
    own = PixelRect(*w->form, w->form->left, w->form->top, w->form->width, w->form->height);
  } else if (w->control != nullptr) {
    const Control& c = *w->control;
    int32_t left = c.left, top = c.top;
    for (const Control* k = c.container; k != nullptr; k = k->container) {
      left += k->left;
      top += k->top;
    }
    own = PixelRect(*c.form, left, top, c.width, c.height);
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
  Queue(0, {.kind = EventKind::kClose, .window = h});
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

}  // namespace frin
