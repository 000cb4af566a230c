// The window procedures of the Windows backend. The saver window and the settings dialog are of
// two window classes with a procedure each: the saver's handles painting, keys, clicks on its
// picture boxes and the display change; the dialog's handles its controls' notifications, the
// focus, the colours of its captions and a move to a display of another scale; both hand the rest
// to the handling they share (closing, a preview host going, the timers), and what nobody handles
// to the system.
#include "platform/win32/win32_platform.h"

#include <optional>
#include <string>

#include "platform/win32/win32_layout.h"

namespace frin::win32 {
namespace {

COLORREF ColourOf(uint32_t value, COLORREF fallback) {
  const std::optional<uint32_t> c =
      ColourRef(value, [](int index) { return static_cast<uint32_t>(GetSysColor(index)); });
  return c ? static_cast<COLORREF>(*c) : fallback;
}

}  // namespace

Win32Platform* Win32Platform::Receiver(HWND hwnd, UINT msg, LPARAM lp, FormWindow*& fw) {
  fw = nullptr;
  auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  if (self == nullptr) return nullptr;
  fw = self->Find(hwnd);
  return fw != nullptr ? self : nullptr;
}

LRESULT CALLBACK Win32Platform::SaverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  FormWindow* fw = nullptr;
  Win32Platform* self = Receiver(hwnd, msg, lp, fw);
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->HandleSaverMessage(*fw, msg, wp, lp);
}

LRESULT CALLBACK Win32Platform::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  FormWindow* fw = nullptr;
  Win32Platform* self = Receiver(hwnd, msg, lp, fw);
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->HandleDialogMessage(*fw, msg, wp, lp);
}

void Win32Platform::PresentWindow(HWND hwnd) {
  FormWindow* fw = Find(hwnd);
  if (fw != nullptr && fw->canvas != nullptr) fw->canvas->Present();
}

// --- Both windows -------------------------------------------------------------------------------

bool Win32Platform::HandleCommonMessage(FormWindow& fw, UINT msg, WPARAM wp) {
  HWND hwnd = fw.hwnd;
  switch (msg) {
    case WM_CLOSE:
      Deliver([&] { UnloadForm(*fw.form); });
      return true;
    case WM_DESTROY:
      if (!fw.windowGoing) {
        // Destroyed by someone else: the host of a preview went, taking its children along.
        fw.windowGoing = true;
        Deliver([&] { HostGone(fw); });
      }
      return true;
    case WM_TIMER: {
      if (fw.host != nullptr && !IsWindow(fw.host)) {
        Deliver([&] { HostGone(fw); });
        return true;
      }
      Control* timer = nullptr;
      for (const auto& c : fw.form->Controls()) {
        if (c->kind == ControlKind::kTimer && TimerId(*c) == wp) timer = c.get();
      }
      if (timer == nullptr || !timer->timerEnabled) return true;
      Deliver([&] {
        fw.form->RaiseTimer(*timer);
        // Timers due together present once: the next one shows what both drew.
        FormWindow* still = Find(hwnd);
        if (still == nullptr) return;
        if (still->canvas != nullptr && still->canvas->DeferPresent()) return;
        PresentAllDamage();
      });
      ProbeTick();
      return true;
    }
    default:
      return false;
  }
}

// --- The saver window ---------------------------------------------------------------------------

LRESULT Win32Platform::HandleSaverMessage(FormWindow& fw, UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = fw.hwnd;
  if (HandleCommonMessage(fw, msg, wp)) return 0;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      fw.canvas->Paint(hdc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      // Every key, modifiers alone included, goes to the control that holds the focus.
      Control* focus = fw.form->focus;
      if (focus != nullptr) {
        const int shift = ShiftState(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                                     GetKeyState(VK_MENU) < 0);
        Deliver([&] {
          fw.form->RaiseKeyDown(*focus, static_cast<int>(wp & 0xFFFF), shift);
          PresentWindow(hwnd);
        });
      }
      return 0;
    }
    case WM_SYSCHAR:
    case WM_SYSKEYUP:
      return 0;  // no system menu, no Alt+F4 behind the saver's back
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
      Control* hit = fw.canvas->BoxAt(x, y);
      if (hit != nullptr) {
        Deliver([&] {
          fw.form->RaiseClick(*hit);
          PresentWindow(hwnd);
        });
      }
      return 0;
    }
    case WM_DISPLAYCHANGE:
    case kWmDpiChanged:
      // A monitor of another scale is a change of the layout too; the window stays where it is.
      Deliver([&] { fw.form->RaiseDisplayChange(); });
      if (msg == kWmDpiChanged) return 0;
      break;
    case WM_SYSCOMMAND:
      // A running saver is not started again, nor the monitor switched off under it.
      if ((wp & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// --- The settings dialog ------------------------------------------------------------------------

LRESULT Win32Platform::HandleDialogMessage(FormWindow& fw, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      // Only notifications of our controls: Enter and Escape (IDOK, IDCANCEL with no control)
      // are bound to nothing.
      ControlMirror* cw = lp != 0 ? FindControl(fw, reinterpret_cast<HWND>(lp)) : nullptr;
      if (cw == nullptr) return 0;
      Control* c = cw->control;
      const int code = HIWORD(wp);
      if (c->kind == ControlKind::kCommandButton && code == BN_CLICKED) {
        Deliver([&] { fw.form->RaiseClick(*c); });
      } else if (c->kind == ControlKind::kCheckBox && code == BN_CLICKED) {
        const LRESULT state = SendMessageW(cw->hwnd, BM_GETCHECK, 0, 0);
        const int32_t now = state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
        // The model's setter raises the click handler when the value changes.
        Deliver([&] { c->SetValue(CheckBoxTarget(now, c->value)); });
      } else if (c->kind == ControlKind::kTextBox && code == EN_CHANGE && !settingText_) {
        const int n = GetWindowTextLengthW(cw->hwnd);
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        GetWindowTextW(cw->hwnd, &text[0], n + 1);
        text.resize(static_cast<size_t>(n));
        Deliver([&] { c->SetText(Narrow(text)); });
      }
      return 0;
    }
    case WM_HSCROLL: {
      ControlMirror* cw = lp != 0 ? FindControl(fw, reinterpret_cast<HWND>(lp)) : nullptr;
      if (cw == nullptr || cw->control->kind != ControlKind::kHScrollBar) return 0;
      Control* c = cw->control;
      const int code = LOWORD(wp);
      std::optional<int32_t> target;
      if (code == kSbEndScroll) {
        // A position set on the bar directly (SBM_SETPOS) counts once the scroll ends.
        target = EndScrollTarget(GetScrollPos(cw->hwnd, SB_CTL), *c);
      } else {
        int32_t thumb = static_cast<int32_t>(HIWORD(wp));
        if (code == kSbThumbPosition) {
          SCROLLINFO si{};
          si.cbSize = sizeof si;
          si.fMask = SIF_TRACKPOS;
          if (GetScrollInfo(cw->hwnd, SB_CTL, &si) && si.nTrackPos >= c->min &&
              si.nTrackPos <= c->max && thumb == (si.nTrackPos & 0xFFFF)) {
            thumb = si.nTrackPos;
          }
        }
        target = ScrollTarget(code, c->value,
                              ScrollRange{c->min, c->max, c->smallChange, c->largeChange}, thumb);
      }
      if (code == kSbThumbTrack) {
        // The thumb follows the drag; the value and its readout wait for the release.
        SetScrollPos(cw->hwnd, SB_CTL, static_cast<int>(HIWORD(wp)), TRUE);
      }
      if (target) {
        Deliver([&] { c->SetValue(*target); });
      } else if (code == kSbEndScroll || code == kSbThumbPosition) {
        SetScrollPos(cw->hwnd, SB_CTL, c->value, TRUE);
      }
      return 0;
    }
    case WM_ACTIVATE:
      // The focus comes back to the control that had it, as in a dialog of the system.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(fw.hwnd, focus)) fw.lastFocus = focus;
        return 0;
      }
      if (fw.lastFocus != nullptr && IsWindow(fw.lastFocus)) {
        SetFocus(fw.lastFocus);
        return 0;
      }
      break;
    case kWmGetDpiScaledSize: {
      // Moving to a display of another scale: the window's size there is its client area laid
      // out at that scale's twips per pixel, not the old size scaled (which the message's
      // suggested rectangle would otherwise be).
      auto* size = reinterpret_cast<SIZE*>(lp);
      *size = OuterPixels(*fw.form, LOWORD(wp));
      return TRUE;
    }
    case kWmDpiChanged: {
      // Dragged onto a monitor of another scale (or the monitor's scale changed): the dialog lays
      // itself out again there and takes the rectangle the system suggests.
      const RECT* r = reinterpret_cast<const RECT*>(lp);
      const Rect suggested{r->left, r->top, r->right, r->bottom};
      const int32_t dpi = LOWORD(wp);
      Deliver([&] { fw.form->RaiseDpiChange(dpi, suggested); });
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC hdc = reinterpret_cast<HDC>(wp);
      ControlMirror* cw = FindControl(fw, reinterpret_cast<HWND>(lp));
      const COLORREF face = GetSysColor(COLOR_BTNFACE);
      if (cw != nullptr) {
        SetTextColor(hdc, ColourOf(cw->control->foreColor, GetSysColor(COLOR_BTNTEXT)));
      }
      SetBkColor(hdc, face);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
      break;
  }
  if (HandleCommonMessage(fw, msg, wp)) return 0;
  return DefWindowProcW(fw.hwnd, msg, wp, lp);
}

}  // namespace frin::win32
