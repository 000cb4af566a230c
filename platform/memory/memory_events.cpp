// The headless backend's clock and events: a virtual clock that delivers the timers' ticks in
// time order between scripted input (keys, clicks, cursor and caret moves, display changes, a
// window moved to a display of another scale, closes), one event at a time, and the process's
// end when the last form is gone.
#include <algorithm>

#include "platform/memory/memory_platform.h"
#include "platform/twips.h"

namespace frin {

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
      // The system's dots per inch stay those of the sign-in; each monitor takes its new scale.
      SetMonitors(e.monitors, IntegerTwipsPerPixel(screen_.twipsPerPixelX));
      monitorDpis_ = e.dpis;
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
    case EventKind::kDpi:
      DeliverDpiChange(e);
      return;
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

void MemoryPlatform::DeliverDpiChange(const Event& e) {
  Form* form = FormOf(e.window);
  if (form == nullptr) return;
  Rect suggested;
  if (e.suggested) {
    suggested = *e.suggested;
  } else {
    // As the system asks the program for its size at the new scale: the client area at that
    // scale's twips per pixel within the frame drawn at it, from the same top-left corner.
    Rect now;
    GetWindowRect(e.window, now);
    const int32_t tpp = TwipsPerPixelAtDpi(e.dpi);
    int32_t width = 0, height = 0;
    OuterSize(form->border, e.dpi, form->clientWidth, form->clientHeight, width, height);
    suggested = Rect{now.left, now.top, now.left + TwipsToPixels(width, tpp),
                     now.top + TwipsToPixels(height, tpp)};
  }
  windowDpis_[e.window] = e.dpi;
  form->RaiseDpiChange(e.dpi, suggested);
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

void MemoryPlatform::Queue(uint64_t delayMs, Event e) {
  e.at = now_ + delayMs;
  e.seq = ++eventSeq_;
  auto pos = std::upper_bound(
      events_.begin(), events_.end(), e,
      [](const Event& a, const Event& b) { return a.at != b.at ? a.at < b.at : a.seq < b.seq; });
  events_.insert(pos, std::move(e));
}

void MemoryPlatform::QueueKeyDown(Form& form, int keyCode, int shift, uint64_t delayMs) {
  Queue(delayMs,
        {.kind = EventKind::kKey, .window = form.hwnd, .keyCode = keyCode, .shift = shift});
}

void MemoryPlatform::QueueDisplayChange(std::vector<Rect> monitors, uint64_t delayMs) {
  Queue(delayMs, {.kind = EventKind::kDisplay, .monitors = std::move(monitors)});
}

void MemoryPlatform::QueueDisplayChange(std::vector<Rect> monitors, std::vector<int32_t> dpis,
                                        uint64_t delayMs) {
  Queue(delayMs,
        {.kind = EventKind::kDisplay, .monitors = std::move(monitors), .dpis = std::move(dpis)});
}

void MemoryPlatform::QueueDpiChange(Form& form, int32_t dpi, std::optional<Rect> suggested,
                                    uint64_t delayMs) {
  Queue(delayMs,
        {.kind = EventKind::kDpi, .window = form.hwnd, .dpi = dpi, .suggested = suggested});
}

void MemoryPlatform::QueueClick(Control& control, uint64_t delayMs) {
  Queue(delayMs, {.kind = EventKind::kClick,
                  .window = control.form != nullptr ? control.form->hwnd : 0,
                  .control = control.name,
                  .index = control.index});
}

void MemoryPlatform::QueueCursorMove(Point to, uint64_t delayMs) {
  Queue(delayMs, {.kind = EventKind::kCursor, .point = to});
}

void MemoryPlatform::QueueCaretMove(Point to, uint64_t delayMs) {
  Queue(delayMs, {.kind = EventKind::kCaret, .point = to});
}

}  // namespace frin
