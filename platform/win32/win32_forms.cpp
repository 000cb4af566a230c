// The form mirror of the Windows backend: loading a form builds its window (and for the
// settings dialog its controls), every change of the model is applied to them, and the user's
// actions and the timers come back through the model.
#include "platform/win32/win32_platform.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/errors.h"
#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_layout.h"

namespace frin::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"FrinForm";
constexpr wchar_t kDialogClass[] = L"FrinDialog";
constexpr int kProgramIcon = 100;

UINT_PTR TimerId(const Control& timer) {
  return static_cast<UINT_PTR>(timer.index + 1);
}

bool IsCaptioned(ControlKind k) {
  return k == ControlKind::kLabel || k == ControlKind::kCheckBox ||
         k == ControlKind::kCommandButton || k == ControlKind::kFrame;
}

COLORREF ColourOf(uint32_t value, COLORREF fallback) {
  const std::optional<uint32_t> c =
      ColourRef(value, [](int index) { return static_cast<uint32_t>(GetSysColor(index)); });
  return c ? static_cast<COLORREF>(*c) : fallback;
}

void RegisterClasses(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  // The saver window keeps its device context, and the clip region selected into it, for its
  // whole life: a tick's present gets and creates nothing.
  wc.style = CS_DBLCLKS | CS_OWNDC;
  wc.lpszClassName = kFormClass;
  wc.hbrBackground = nullptr;  // the form paints every pixel itself
  RegisterClassExW(&wc);
  wc.style = CS_DBLCLKS;
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

RECT Win32Platform::PixelRect(const Control& c) const {
  const PixelBox b = ControlPixels(c, tppX_, tppY_);
  return RECT{b.left, b.top, b.right, b.bottom};
}

DWORD Win32Platform::FormStyle(const Form& form) const {
  if (form.border == FormBorder::kFixedDialog) {
    // No WS_CLIPCHILDREN: the dialog paints the face beneath its frames, which draw only their
    // outline and caption.
    return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  }
  return WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
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
  if (forms_.empty() && graveyard_.empty()) RegisterClasses(instance_, FormProc);

  auto owned = std::make_unique<FormWindow>();
  FormWindow& fw = *owned;
  fw.form = &form;
  fw.dialog = form.border == FormBorder::kFixedDialog;
  for (const auto& c : form.Controls()) {
    if (IsCaptioned(c->kind)) fw.sample += Wide(c->caption);
  }

  int x = TwipsToPixels(form.left, tppX_), y = TwipsToPixels(form.top, tppY_);
  int w = TwipsToPixels(form.width, tppX_), h = TwipsToPixels(form.height, tppY_);
  if (fw.dialog && form.clientWidth > 0 && form.clientHeight > 0) {
    RECT r{0, 0, TwipsToPixels(form.clientWidth, tppX_), TwipsToPixels(form.clientHeight, tppY_)};
    AdjustWindowRectEx(&r, FormStyle(form), FALSE, FormExStyle(form));
    w = r.right - r.left;
    h = r.bottom - r.top;
  }
  const std::wstring caption = Wide(form.caption);
  forms_.push_back(std::move(owned));
  fw.hwnd =
      CreateWindowExW(FormExStyle(form), fw.dialog ? kDialogClass : kFormClass, caption.c_str(),
                      FormStyle(form), x, y, w, h, owner_, nullptr, instance_, this);
  if (fw.hwnd == nullptr) {
    forms_.pop_back();
    RaiseError(7, "Out of memory");
  }
  SetWindowLongPtrW(fw.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  form.hwnd = reinterpret_cast<WindowHandle>(fw.hwnd);
  form.observer = this;

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

  if (fw.dialog) {
    CreateControls(fw);
  } else {
    // Everything a present needs is made here: the window's own device context with a clip
    // region of its own already selected (the system then keeps one for it), and two regions
    // the presents rebuild in place.
    fw.dc = GetDC(fw.hwnd);
    fw.clip = CreateRectRgn(0, 0, 0, 0);
    fw.piece = CreateRectRgn(0, 0, 0, 0);
    fw.row = CreateRectRgn(0, 0, 0, 0);
    if (fw.dc != nullptr && fw.clip != nullptr) {
      SetRectRgn(fw.clip, 0, 0, kWholeWindow, kWholeWindow);
      SelectClipRgn(fw.dc, fw.clip);
    }
    for (const auto& c : form.Controls()) {
      if (c->kind != ControlKind::kPictureBox) continue;
      fw.boxes.emplace_back();
      fw.boxes.back().box = c.get();
      c->surface.TrackDamage(true);
    }
  }
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
  for (BoxMirror& m : fw.boxes)
    ReleaseMirror(m, formAlive);
  fw.boxes.clear();
  if (fw.clip != nullptr) DeleteObject(fw.clip);
  if (fw.piece != nullptr) DeleteObject(fw.piece);
  if (fw.row != nullptr) DeleteObject(fw.row);
  fw.clip = fw.piece = fw.row = nullptr;
  fw.dc = nullptr;  // the window's own, gone with it
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
  FontRequest request;
  const std::optional<Font>& f = c.font ? c.font : fw.form->font;
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
  const RECT r = PixelRect(c);
  const int room = CaptionRoom(c.kind, r.right - r.left,
                               GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE));
  const std::wstring text = IsCaptioned(c.kind) ? Wide(c.caption) : std::wstring();
  HFONT font = fonts_->Get(request, fw.sample, text, room);
  SendMessageW(cw.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
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
  if (fw.dialog) {
    // The focus goes to the first control of the tab order that can take it.
    for (ControlMirror& cw : fw.controls) {
      const LONG style = GetWindowLongW(cw.hwnd, GWL_STYLE);
      if ((style & WS_TABSTOP) != 0 && IsWindowEnabled(cw.hwnd) && IsWindowVisible(cw.hwnd)) {
        SetFocus(cw.hwnd);
        break;
      }
    }
  } else if (fw.form->focus != nullptr) {
    SetFocus(fw.hwnd);
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
      SetWindowPos(fw->hwnd, nullptr, TwipsToPixels(form.left, tppX_),
                   TwipsToPixels(form.top, tppY_), TwipsToPixels(form.width, tppX_),
                   TwipsToPixels(form.height, tppY_), SWP_NOZORDER | SWP_NOACTIVATE);
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

// --- Presenting picture boxes -------------------------------------------------------------------
//
// A shown picture box's surface lives in a DIB section: the surface is lent the section's memory,
// so the raster draws straight into what the window is painted from, and nothing is copied
// between the two. A present is one BitBlt of the damage's bounding rectangle from the section to
// the window's own device context, clipped by a region of the tick's damage (few rectangles, or
// runs of tiles). That is cheap on both kinds of system: under Wine a drawing call costs far more
// than the pixels it moves, so one call per tick beats a copy per flake; under a compositor the
// region tells what changed, so only those pixels are copied into the window's surface and
// composed again, not the whole frame. The regions are rebuilt in place (SetRectRgn, CombineRgn)
// and the device context is the window's own, so a tick allocates and creates nothing.

void Win32Platform::ReleaseMirror(BoxMirror& m, bool reclaim) {
  Surface& s = m.box->surface;
  // Only a living box is given its pixels back; one whose form is gone took its surface along.
  if (reclaim && s.IsLent() && s.Data() == m.bits) s.Reclaim();
  if (m.dc != nullptr) {
    SelectObject(m.dc, m.oldBitmap);
    DeleteDC(m.dc);
  }
  if (m.dib != nullptr) DeleteObject(m.dib);
  m.dc = nullptr;
  m.oldBitmap = nullptr;
  m.dib = nullptr;
  m.bits = nullptr;
  m.width = m.height = 0;
}

bool Win32Platform::SyncMirror(BoxMirror& m) {
  Surface& s = m.box->surface;
  if (m.dib != nullptr && s.IsLent() && s.Data() == m.bits && s.Width() == m.width &&
      s.Height() == m.height) {
    return false;
  }
  // The surface was replaced or resized (which ends a loan) since the section was made.
  ReleaseMirror(m, true);
  if (s.Width() <= 0 || s.Height() <= 0) return true;
  void* bits = nullptr;
  HBITMAP dib = CreateTopDownDib(s.Width(), s.Height(), 32, &bits);
  if (dib == nullptr) return true;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    DeleteObject(dib);
    return true;
  }
  m.dib = dib;
  m.dc = dc;
  m.oldBitmap = SelectObject(dc, dib);
  m.bits = static_cast<Pixel*>(bits);
  m.width = s.Width();
  m.height = s.Height();
  m.tiles.Resize(m.width, m.height);
  GdiFlush();  // the section's memory is written by the raster from now on
  s.Lend(m.bits);
  return true;
}

void Win32Platform::PaintBoxes(FormWindow& fw, HDC hdc) {
  RECT client;
  GetClientRect(fw.hwnd, &client);
  // The whole client area, as far as the update region lets it: a tick's present may have left
  // its damage region selected.
  if (fw.clip != nullptr) {
    SetRectRgn(fw.clip, client.left, client.top, client.right, client.bottom);
    SelectClipRgn(hdc, fw.clip);
  }
  // Boxes in tab order, the first on top: each clips what lies below it; black elsewhere.
  for (BoxMirror& m : fw.boxes) {
    if (!m.box->visible) continue;
    SyncMirror(m);
    if (m.dib == nullptr) continue;
    const RECT box = PixelRect(*m.box);
    ::BitBlt(hdc, box.left, box.top, m.width, m.height, m.dc, 0, 0, SRCCOPY);
    m.box->surface.Damage().Clear();
    ExcludeClipRect(hdc, box.left, box.top, box.left + m.width, box.top + m.height);
  }
  FillRect(hdc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  GdiFlush();
}

void Win32Platform::PresentAllDamage() {
  for (const auto& fw : forms_)
    PresentDamage(*fw);
}

void Win32Platform::PresentDamage(FormWindow& fw) {
  if (fw.dead || fw.dialog || fw.dc == nullptr || fw.clip == nullptr || fw.piece == nullptr ||
      fw.row == nullptr) {
    return;
  }
  const bool shown = IsWindowVisible(fw.hwnd) != FALSE;
  bool drew = false;
  for (BoxMirror& m : fw.boxes) {
    Surface& s = m.box->surface;
    DamageList& damage = s.Damage();
    if (damage.Count() == 0) continue;
    if (!shown || !m.box->visible) {
      damage.Clear();  // WM_PAINT copies everything once the box shows again
      continue;
    }
    if (SyncMirror(m)) {
      damage.Clear();
      InvalidateRect(fw.hwnd, nullptr, FALSE);
      continue;
    }
    if (m.dib == nullptr) continue;
    const RECT box = PixelRect(*m.box);
    // The rectangles come a row of tiles after another: each row is gathered in a region of its
    // own and joined to the clip region once, so that joining does not copy the whole clip
    // region again for every rectangle.
    SetRectRgn(fw.clip, 0, 0, 0, 0);
    int32_t rowTop = INT32_MIN;
    const Rect bounds = CollectDamage(damage, m.tiles, m.width, m.height, [&](const Rect& r) {
      const int32_t left = box.left + r.left, top = box.top + r.top;
      const int32_t right = box.left + r.right, bottom = box.top + r.bottom;
      if (r.top != rowTop) {
        if (rowTop != INT32_MIN) CombineRgn(fw.clip, fw.clip, fw.row, RGN_OR);
        rowTop = r.top;
        SetRectRgn(fw.row, left, top, right, bottom);
        return;
      }
      SetRectRgn(fw.piece, left, top, right, bottom);
      CombineRgn(fw.row, fw.row, fw.piece, RGN_OR);
    });
    if (rowTop != INT32_MIN) CombineRgn(fw.clip, fw.clip, fw.row, RGN_OR);
    damage.Clear();
    if (bounds.Empty()) continue;
    SelectClipRgn(fw.dc, fw.clip);
    ::BitBlt(fw.dc, box.left + bounds.left, box.top + bounds.top, bounds.Width(), bounds.Height(),
             m.dc, bounds.left, bounds.top, SRCCOPY);
    drew = true;
  }
  // The raster writes the sections' memory next: the system must be done reading it.
  if (drew) GdiFlush();
}

// --- Messages ---------------------------------------------------------------------------------

LRESULT CALLBACK Win32Platform::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  FormWindow* fw = self->Find(hwnd);
  if (fw == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->HandleFormMessage(*fw, msg, wp, lp);
}

LRESULT Win32Platform::HandleFormMessage(FormWindow& fw, UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = fw.hwnd;
  if (fw.dialog) {
    bool handled = false;
    const LRESULT r = HandleDialogMessage(fw, msg, wp, lp, handled);
    if (handled) return r;
  }
  switch (msg) {
    case WM_CLOSE:
      Deliver([&] { UnloadForm(*fw.form); });
      return 0;
    case WM_DESTROY:
      if (!fw.windowGoing) {
        // Destroyed by someone else: the host of a preview went, taking its children along.
        fw.windowGoing = true;
        Deliver([&] { HostGone(fw); });
      }
      return 0;
    case WM_TIMER: {
      if (fw.host != nullptr && !IsWindow(fw.host)) {
        Deliver([&] { HostGone(fw); });
        return 0;
      }
      Control* timer = nullptr;
      for (const auto& c : fw.form->Controls()) {
        if (c->kind == ControlKind::kTimer && TimerId(*c) == wp) timer = c.get();
      }
      if (timer == nullptr || !timer->timerEnabled) return 0;
      Deliver([&] {
        fw.form->RaiseTimer(*timer);
        // Timers due together present once: the next one shows what both drew. Only one tick
        // waits so, so that a machine too slow for its timers still shows every other tick.
        FormWindow* still = Find(hwnd);
        if (still == nullptr) return;
        MSG next;
        if (!still->presentDeferred && PeekMessageW(&next, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE)) {
          still->presentDeferred = true;
          return;
        }
        still->presentDeferred = false;
        PresentAllDamage();
      });
      ProbeTick();
      return 0;
    }
    default:
      break;
  }
  if (fw.dialog) return DefWindowProcW(hwnd, msg, wp, lp);

  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      PaintBoxes(fw, hdc);
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
          if (FormWindow* still = Find(hwnd)) PresentDamage(*still);
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
      Control* hit = nullptr;
      for (BoxMirror& m : fw.boxes) {
        const RECT r = PixelRect(*m.box);
        if (m.box->visible && m.box->enabled && x >= r.left && x < r.right && y >= r.top &&
            y < r.bottom) {
          hit = m.box;
          break;
        }
      }
      if (hit != nullptr) {
        Deliver([&] {
          fw.form->RaiseClick(*hit);
          if (FormWindow* still = Find(hwnd)) PresentDamage(*still);
        });
      }
      return 0;
    }
    case WM_DISPLAYCHANGE:
      Deliver([&] { fw.form->RaiseDisplayChange(); });
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

LRESULT Win32Platform::HandleDialogMessage(FormWindow& fw, UINT msg, WPARAM wp, LPARAM lp,
                                           bool& handled) {
  handled = true;
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
      } else if (fw.lastFocus != nullptr && IsWindow(fw.lastFocus)) {
        SetFocus(fw.lastFocus);
      } else {
        handled = false;
      }
      return 0;
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
  handled = false;
  return 0;
}

}  // namespace frin::win32
