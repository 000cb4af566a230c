// The form mirror of the Windows backend: loading a form builds its window (for the settings
// dialog its controls, for the saver its canvas), unloading frees them, and every change of the
// model is applied to them. Presenting the canvas is in win32_present.cpp, and the user's actions
// and the timers come back through the window procedures of win32_messages.cpp.
#include "platform/win32/win32_platform.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/errors.h"
#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_layout.h"

namespace frin::win32 {
namespace {

constexpr wchar_t kSaverClass[] = L"FrinForm";
constexpr wchar_t kDialogClass[] = L"FrinDialog";
constexpr int kProgramIcon = 100;

bool IsCaptioned(ControlKind k) {
  return k == ControlKind::kLabel || k == ControlKind::kCheckBox ||
         k == ControlKind::kCommandButton || k == ControlKind::kFrame;
}

// The saver window's class and the dialog's, each with its own window procedure.
void RegisterClasses(HINSTANCE instance, WNDPROC saverProc, WNDPROC dialogProc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = saverProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  // The saver window keeps its device context, and the clip region selected into it, for its
  // whole life: a tick's present gets and creates nothing.
  wc.style = CS_DBLCLKS | CS_OWNDC;
  wc.lpszClassName = kSaverClass;
  wc.hbrBackground = nullptr;  // the form paints every pixel itself
  RegisterClassExW(&wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = dialogProc;
  wc.lpszClassName = kDialogClass;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassExW(&wc);
}

}  // namespace

// --- Lookup ---------------------------------------------------------------------------------

Win32Platform::FormWindow* Win32Platform::Find(const Form* form) {
  for (auto& fw : forms_) {
    if (fw->form == form && !fw->dead) return fw.get();
  }
  return nullptr;
}

Win32Platform::FormWindow* Win32Platform::Find(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  for (auto& fw : forms_) {
    if (fw->hwnd == hwnd && !fw->dead) return fw.get();
  }
  return nullptr;
}

Win32Platform::ControlMirror* Win32Platform::FindControl(FormWindow& fw, const Control* c) {
  for (ControlMirror& cw : fw.controls) {
    if (cw.control == c) return &cw;
  }
  return nullptr;
}

Win32Platform::ControlMirror* Win32Platform::FindControl(FormWindow& fw, HWND hwnd) {
  for (ControlMirror& cw : fw.controls) {
    if (cw.hwnd == hwnd) return &cw;
  }
  return nullptr;
}

// --- Geometry and styles ----------------------------------------------------------------------

RECT Win32Platform::PixelRect(const Control& c) {
  return ClientRectOf(c, c.form->twipsPerPixelX, c.form->twipsPerPixelY);
}

DWORD Win32Platform::FormStyle(const Form& form) const {
  if (form.border == FormBorder::kFixedDialog) {
    // No WS_CLIPCHILDREN: the dialog paints the face beneath its frames, which draw only their
    // outline and caption.
    return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  }
  return WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
}

const wchar_t* Win32Platform::FormClass(const Form& form) {
  return form.border == FormBorder::kFixedDialog ? kDialogClass : kSaverClass;
}

DWORD Win32Platform::FormExStyle(const Form& form) const {
  // The saver window keeps out of the task bar; the dialog has a button there.
  if (form.border == FormBorder::kFixedDialog) return WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW;
  return WS_EX_TOOLWINDOW;
}

// --- Loading and unloading ----------------------------------------------------------------------

void Win32Platform::LoadForm(Form& form) {
  if (Find(&form) != nullptr) return;
  static_assert(sizeof(LONG_PTR) >= sizeof(void*));
  if (forms_.empty() && graveyard_.empty()) RegisterClasses(instance_, SaverProc, DialogProc);

  auto owned = std::make_unique<FormWindow>();
  FormWindow& fw = *owned;
  fw.form = &form;
  // The settings dialog is a window of controls; every other form is the saver's canvas.
  const bool ofControls = form.border == FormBorder::kFixedDialog;
  for (const auto& c : form.Controls()) {
    if (IsCaptioned(c->kind)) fw.sample += Wide(c->caption);
  }

  // Every form converts at its own ratio: the saver's windows at the system's, the dialog at that
  // of the display it opens on.
  const int32_t tx = form.twipsPerPixelX, ty = form.twipsPerPixelY;
  int x = TwipsToPixels(form.left, tx), y = TwipsToPixels(form.top, ty);
  int w = TwipsToPixels(form.width, tx), h = TwipsToPixels(form.height, ty);
  if (ofControls && form.clientWidth > 0 && form.clientHeight > 0) {
    const SIZE outer = OuterPixels(form, form.dpi);
    w = outer.cx;
    h = outer.cy;
  }
  const std::wstring caption = Wide(form.caption);
  forms_.push_back(std::move(owned));
  fw.hwnd = CreateWindowExW(FormExStyle(form), FormClass(form), caption.c_str(), FormStyle(form), x,
                            y, w, h, owner_, nullptr, instance_, this);
  if (fw.hwnd == nullptr) {
    forms_.pop_back();
    RaiseError(7, "Out of memory");
  }
  SetWindowLongPtrW(fw.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  form.hwnd = reinterpret_cast<WindowHandle>(fw.hwnd);
  form.observer = this;
  // The saver window has its canvas from the moment it can receive a message of its own.
  if (!ofControls) fw.canvas = std::make_unique<SaverCanvas>(fw.hwnd, form, tx, ty);

  if (form.hasIcon) {
    fw.bigIcon =
        static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    fw.smallIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kProgramIcon),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0));
    if (fw.bigIcon)
      SendMessageW(fw.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(fw.bigIcon));
    if (fw.smallIcon) {
      SendMessageW(fw.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(fw.smallIcon));
    }
  }

  if (ofControls) CreateControls(fw);
  for (const auto& c : form.Controls()) {
    if (c->kind == ControlKind::kTimer) UpdateTimer(fw, *c);
  }
  if (form.visible) ShowForm(fw);
}

void Win32Platform::UnloadForm(Form& form) {
  FormWindow* fw = Find(&form);
  if (fw == nullptr) return;
  if (!fw->unloadRaised) {
    // The unload handler runs while the window still exists (it may ask for its owner).
    fw->unloadRaised = true;
    form.RaiseUnload();
    if (fw->dead) return;  // the handler unloaded it already; the form may be gone
  }
  form.hwnd = 0;
  form.observer = nullptr;
  Teardown(*fw, true);
  for (auto it = forms_.begin(); it != forms_.end(); ++it) {
    if (it->get() == fw) {
      graveyard_.push_back(std::move(*it));
      forms_.erase(it);
      break;
    }
  }
  if (depth_ == 0) graveyard_.clear();
  // As the runtime does: with its last window gone, a program whose entry has returned ends.
  if (forms_.empty() && loopRunning_) PostQuitMessage(0);
}

void Win32Platform::Teardown(FormWindow& fw, bool formAlive) {
  if (fw.dead) return;
  fw.dead = true;
  for (const auto& c : fw.form->Controls()) {
    if (c->kind == ControlKind::kTimer) KillTimer(fw.hwnd, TimerId(*c));
  }
  if (!fw.windowGoing && IsWindow(fw.hwnd)) {
    fw.windowGoing = true;
    DestroyWindow(fw.hwnd);
  }
  for (ControlMirror& cw : fw.controls) {
    if (cw.image != nullptr) DeleteObject(cw.image);
  }
  fw.controls.clear();
  if (fw.canvas != nullptr) {
    fw.canvas->Release(formAlive);
    fw.canvas.reset();
  }
  if (fw.bigIcon) DestroyIcon(fw.bigIcon);
  if (fw.smallIcon) DestroyIcon(fw.smallIcon);
  fw.bigIcon = fw.smallIcon = nullptr;
}

void Win32Platform::HostGone(FormWindow& fw) {
  // The preview's host closed its window: the preview goes with it, and so does the process.
  Form* form = fw.form;
  UnloadForm(*form);
  if (forms_.empty()) EndProcess(0);
}

// --- Controls of the dialog ---------------------------------------------------------------------

void Win32Platform::CreateControls(FormWindow& fw) {
  int fallbackId = 3000;
  for (Control* c : CreationOrder(*fw.form)) {
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex = 0;
    switch (c->kind) {
      case ControlKind::kCommandButton:
        cls = L"BUTTON";
        style |= BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP;
        break;
      case ControlKind::kCheckBox:
        cls = L"BUTTON";
        style |= BS_AUTOCHECKBOX | WS_TABSTOP;
        break;
      case ControlKind::kFrame:
        cls = L"BUTTON";
        style |= BS_GROUPBOX;
        break;
      case ControlKind::kHScrollBar:
        cls = L"SCROLLBAR";
        style |= SBS_HORZ | WS_TABSTOP;
        break;
      case ControlKind::kTextBox:
        cls = L"EDIT";
        style |= ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP;
        ex |= WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kImage:
        style |= SS_BITMAP;
        break;
      default:  // labels
        style |= SS_LEFT | SS_NOPREFIX;
        break;
    }
    if (c->visible) style |= WS_VISIBLE;
    if (!c->enabled) style |= WS_DISABLED;
    const RECT r = PixelRect(*c);
    const int id = c->controlId != 0 ? c->controlId : fallbackId++;
    const std::wstring text = Wide(c->kind == ControlKind::kTextBox ? c->text : c->caption);
    HWND hwnd =
        CreateWindowExW(ex, cls, c->kind == ControlKind::kImage ? L"" : text.c_str(), style, r.left,
                        r.top, r.right - r.left, r.bottom - r.top, fw.hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (hwnd == nullptr) continue;
    fw.controls.push_back(ControlMirror{c, hwnd, nullptr});
    ControlMirror& cw = fw.controls.back();
    FitFont(fw, cw);
    if (c->kind == ControlKind::kImage) SetImage(cw);
    if (c->kind == ControlKind::kHScrollBar) {
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
      si.nMin = c->min;
      si.nMax = c->max;
      si.nPage = 0;
      si.nPos = c->value;
      SetScrollInfo(hwnd, SB_CTL, &si, TRUE);
    }
    if (c->kind == ControlKind::kCheckBox) {
      SendMessageW(hwnd, BM_SETCHECK, c->value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
  // Stacking: a child window is created beneath its elder siblings, which keeps the tab order.
  // Labels take no focus; they go on top, a later one above an earlier one as the form runtime
  // stacks them, and frames go beneath everything they hold.
  constexpr UINT kRestack = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  for (ControlMirror& cw : fw.controls) {
    if (cw.control->kind == ControlKind::kLabel)
      SetWindowPos(cw.hwnd, HWND_TOP, 0, 0, 0, 0, kRestack);
  }
  for (ControlMirror& cw : fw.controls) {
    if (cw.control->kind == ControlKind::kFrame) {
      SetWindowPos(cw.hwnd, HWND_BOTTOM, 0, 0, 0, 0, kRestack);
    }
  }
}

void Win32Platform::FitFont(FormWindow& fw, ControlMirror& cw) {
  const Control& c = *cw.control;
  if (c.kind == ControlKind::kImage || c.kind == ControlKind::kHScrollBar) return;
  const Form& form = *fw.form;
  FontRequest request;
  const std::optional<Font>& f = c.font ? c.font : form.font;
  if (f) {
    request.face = Wide(f->face);
    request.points = f->points;
    request.weight = f->weight;
    request.italic = f->italic;
    request.charset = f->charset;
  } else {
    // The dialog font: the Japanese system's own, 9 points.
    request.face = L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF";
    request.points = 9;
  }
  request.twipsPerPixel = form.twipsPerPixelY;
  // A label's caption ends a pixel before a label stacked above it begins.
  const PixelBox box = ControlPixels(c, form.twipsPerPixelX, form.twipsPerPixelY);
  std::vector<PixelBox> above;
  for (const Control* k : LabelsAbove(form, c)) {
    if (k->visible) above.push_back(ControlPixels(*k, form.twipsPerPixelX, form.twipsPerPixelY));
  }
  const int room = CaptionRoom(c.kind, UncoveredWidth(box, above), CheckMarkWidth(form.dpi));
  const std::wstring text = IsCaptioned(c.kind) ? Wide(c.caption) : std::wstring();
  HFONT font = fonts_->Get(request, fw.sample, text, room);
  SendMessageW(cw.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Win32Platform::Relayout(FormWindow& fw) {
  // The dialog at its new scale: every control at its place in the new pixels, then each caption
  // in its font at the new size (a label's room depends on where the labels above it now lie).
  for (ControlMirror& cw : fw.controls) {
    const RECT r = PixelRect(*cw.control);
    SetWindowPos(cw.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (ControlMirror& cw : fw.controls)
    FitFont(fw, cw);
  InvalidateRect(fw.hwnd, nullptr, TRUE);
}

void Win32Platform::SetImage(ControlMirror& cw) {
  const Surface& s = cw.control->surface;
  HBITMAP old = cw.image;
  cw.image = nullptr;
  if (s.Width() > 0 && s.Height() > 0) {
    // 24 bits: a 32-bit bitmap would be drawn with its (empty) alpha channel by newer controls.
    void* bits = nullptr;
    cw.image = CreateTopDownDib(s.Width(), s.Height(), 24, &bits);
    if (cw.image != nullptr) {
      const size_t stride = (static_cast<size_t>(s.Width()) * 3 + 3) & ~size_t{3};
      auto* out = static_cast<uint8_t*>(bits);
      for (int32_t y = 0; y < s.Height(); ++y) {
        uint8_t* row = out + stride * static_cast<size_t>(y);
        for (int32_t x = 0; x < s.Width(); ++x) {
          const Pixel p = s.At(x, y);
          row[3 * x] = static_cast<uint8_t>(p);
          row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
          row[3 * x + 2] = static_cast<uint8_t>(p >> 16);
        }
      }
    }
  }
  SendMessageW(cw.hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(cw.image));
  if (old != nullptr) DeleteObject(old);
}

void Win32Platform::ApplyControl(FormWindow& fw, ControlMirror& cw, Property what) {
  Control& c = *cw.control;
  switch (what) {
    case Property::kCaption:
      SetWindowTextW(cw.hwnd, Wide(c.caption).c_str());
      FitFont(fw, cw);
      break;
    case Property::kText: {
      const std::wstring text = Wide(c.text);
      const int n = GetWindowTextLengthW(cw.hwnd);
      std::wstring shown(static_cast<size_t>(n) + 1, L'\0');
      GetWindowTextW(cw.hwnd, &shown[0], n + 1);
      shown.resize(static_cast<size_t>(n));
      if (shown != text) {
        settingText_ = true;
        SetWindowTextW(cw.hwnd, text.c_str());
        settingText_ = false;
      }
      break;
    }
    case Property::kValue:
      if (c.kind == ControlKind::kCheckBox) {
        SendMessageW(cw.hwnd, BM_SETCHECK,
                     c.value == 1   ? BST_CHECKED
                     : c.value == 2 ? BST_INDETERMINATE
                                    : BST_UNCHECKED,
                     0);
      } else if (c.kind == ControlKind::kHScrollBar) {
        SetScrollPos(cw.hwnd, SB_CTL, c.value, TRUE);
      }
      break;
    case Property::kEnabled:
      EnableWindow(cw.hwnd, c.enabled ? TRUE : FALSE);
      break;
    case Property::kVisible:
      ShowWindow(cw.hwnd, c.visible ? SW_SHOWNA : SW_HIDE);
      break;
    case Property::kMove: {
      const RECT r = PixelRect(c);
      SetWindowPos(cw.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case Property::kPicture:
      if (c.kind == ControlKind::kImage) SetImage(cw);
      break;
    case Property::kFocus:
      SetFocus(cw.hwnd);
      break;
    case Property::kRefresh:
      InvalidateRect(cw.hwnd, nullptr, TRUE);
      UpdateWindow(cw.hwnd);
      break;
    default:
      break;
  }
}

void Win32Platform::UpdateTimer(FormWindow& fw, Control& timer) {
  if (timer.timerEnabled && timer.interval > 0) {
    SetTimer(fw.hwnd, TimerId(timer), static_cast<UINT>(timer.interval), nullptr);
  } else {
    KillTimer(fw.hwnd, TimerId(timer));
  }
}

// --- The observer -----------------------------------------------------------------------------

void Win32Platform::ShowForm(FormWindow& fw) {
  const bool child = (GetWindowLongW(fw.hwnd, GWL_STYLE) & WS_CHILD) != 0;
  if (child) {
    ShowWindow(fw.hwnd, SW_SHOWNA);
    return;
  }
  ShowWindow(fw.hwnd, SW_SHOW);
  SetForegroundWindow(fw.hwnd);
  if (fw.canvas != nullptr) {
    // The saver window takes the keys itself and hands them to the model's focus control.
    if (fw.form->focus != nullptr) SetFocus(fw.hwnd);
    return;
  }
  // The focus goes to the first control of the tab order that can take it.
  for (ControlMirror& cw : fw.controls) {
    const LONG style = GetWindowLongW(cw.hwnd, GWL_STYLE);
    if ((style & WS_TABSTOP) != 0 && IsWindowEnabled(cw.hwnd) && IsWindowVisible(cw.hwnd)) {
      SetFocus(cw.hwnd);
      break;
    }
  }
}

void Win32Platform::OnFormChanged(Form& form, Property what) {
  FormWindow* fw = Find(&form);
  if (fw == nullptr) return;
  switch (what) {
    case Property::kCaption:
      SetWindowTextW(fw->hwnd, Wide(form.caption).c_str());
      break;
    case Property::kMove:
      SetWindowPos(fw->hwnd, nullptr, TwipsToPixels(form.left, form.twipsPerPixelX),
                   TwipsToPixels(form.top, form.twipsPerPixelY),
                   TwipsToPixels(form.width, form.twipsPerPixelX),
                   TwipsToPixels(form.height, form.twipsPerPixelY), SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    case Property::kDpi:
      Relayout(*fw);
      break;
    case Property::kVisible:
      if (form.visible) {
        ShowForm(*fw);
      } else {
        ShowWindow(fw->hwnd, SW_HIDE);
      }
      break;
    case Property::kWindowState:
      if (IsWindowVisible(fw->hwnd)) {
        ShowWindow(fw->hwnd, form.windowState == 1   ? SW_MINIMIZE
                             : form.windowState == 2 ? SW_MAXIMIZE
                                                     : SW_RESTORE);
      }
      break;
    default:
      break;
  }
}

void Win32Platform::OnControlChanged(Control& control, Property what) {
  FormWindow* fw = Find(control.form);
  if (fw == nullptr) return;
  if (control.kind == ControlKind::kTimer) {
    if (what == Property::kTimer) UpdateTimer(*fw, control);
    return;
  }
  if (control.kind == ControlKind::kPictureBox) {
    switch (what) {
      case Property::kPicture:
        control.surface.TrackDamage(true);
        InvalidateRect(fw->hwnd, nullptr, FALSE);
        break;
      case Property::kMove:
      case Property::kVisible:
        InvalidateRect(fw->hwnd, nullptr, FALSE);
        break;
      case Property::kRefresh:
        InvalidateRect(fw->hwnd, nullptr, FALSE);
        UpdateWindow(fw->hwnd);
        break;
      case Property::kFocus:
        if (IsWindowVisible(fw->hwnd)) SetFocus(fw->hwnd);
        break;
      default:
        break;
    }
    return;
  }
  if (ControlMirror* cw = FindControl(*fw, &control)) ApplyControl(*fw, *cw, what);
}

}  // namespace frin::win32
