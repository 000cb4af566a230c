// The caption probe of the test build frin_probe.scr (never part of frin.scr): it measures, from
// inside the program, each caption of a window's controls in the font the control draws with,
// against the room the control gives its text. A test posts the registered message
// "Frin caption probe" to the window; the probe, a message hook on the program's thread, answers
// by writing one line per captioned control to the file named by the environment variable
// FRIN_PROBE_FITS: "ID EXTENT INK ROOM HEIGHT FACE" (the face last, as it may hold blanks): the
// caption's advance, the width of its ink (overhangs included), the columns the control leaves it
// (less a check box's mark, and for a label what a label stacked above it covers) and its font.
// A picture control's line is "ID image WIDTH HEIGHT": the size of the bitmap it shows.
// The registered message "Frin dpi change probe" (wParam: dots per inch) moves the window to a
// display of that scale as the system does when a window is dragged onto a monitor of another
// scale (under Wine every monitor has the one dpi): it asks the window for its size there
// (WM_GETDPISCALEDSIZE), then sends WM_DPICHANGED with that size at the window's top-left corner.
// The hook is installed before the program's entry runs, by the one object at namespace scope.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_layout.h"
#include "platform/win32/win32_platform.h"

namespace frin::win32 {
namespace {

UINT ProbeMessage() {
  return RegisterWindowMessageW(L"Frin caption probe");
}

UINT DpiChangeMessage() {
  return RegisterWindowMessageW(L"Frin dpi change probe");
}

bool IsClass(HWND h, const wchar_t* name) {
  wchar_t cls[32] = {};
  GetClassNameW(h, cls, 31);
  return _wcsicmp(cls, name) == 0;
}

bool IsPicture(HWND h) {
  return IsClass(h, L"Static") && (GetWindowLongPtrW(h, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
}

// The kind of control a real window is, as the dialog made it.
ControlKind KindOf(HWND h) {
  if (!IsClass(h, L"Button")) return ControlKind::kLabel;
  const LONG_PTR type = GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK;
  if (type == BS_GROUPBOX) return ControlKind::kFrame;
  if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) return ControlKind::kCheckBox;
  return ControlKind::kCommandButton;
}

// A window's rectangle in its parent's client area.
PixelBox BoxOf(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return PixelBox{r.left, r.top, r.right, r.bottom};
}

// The visible labels stacked above a label, as the window system stacks them.
std::vector<PixelBox> LabelsAbove(HWND h) {
  std::vector<PixelBox> above;
  if (KindOf(h) != ControlKind::kLabel) return above;
  for (HWND w = GetWindow(h, GW_HWNDPREV); w != nullptr; w = GetWindow(w, GW_HWNDPREV)) {
    if (IsWindowVisible(w) && IsClass(w, L"Static") && !IsPicture(w)) above.push_back(BoxOf(w));
  }
  return above;
}

BOOL CALLBACK MeasureControl(HWND h, LPARAM out) {
  auto* file = reinterpret_cast<FILE*>(out);
  if (IsPicture(h)) {
    auto image = reinterpret_cast<HBITMAP>(SendMessageW(h, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bm{};
    if (image != nullptr && GetObjectW(image, sizeof bm, &bm) == sizeof bm) {
      std::fwprintf(file, L"%d image %ld %ld\n", GetDlgCtrlID(h), bm.bmWidth, bm.bmHeight);
    }
    return TRUE;
  }
  wchar_t text[512] = {};
  const int length = GetWindowTextW(h, text, 511);
  auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  if (length == 0 || font == nullptr || GetObjectW(font, sizeof lf, &lf) != sizeof lf) return TRUE;
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, length, &size);
  const int ink = InkExtent(dc, std::wstring(text, static_cast<size_t>(length)));
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  RECT client{};
  GetClientRect(h, &client);
  const int width =
      std::min<int>(client.right - client.left, UncoveredWidth(BoxOf(h), LabelsAbove(h)));
  const int room = CaptionRoom(KindOf(h), width, CheckMarkWidth(DpiOfWindow(h)));
  std::fwprintf(file, L"%d %ld %d %d %ld %ls\n", GetDlgCtrlID(h), size.cx, ink, room,
                lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, lf.lfFaceName);
  return TRUE;
}

void WriteFits(HWND window) {
  const wchar_t* path = _wgetenv(L"FRIN_PROBE_FITS");
  if (path == nullptr) return;
  const std::wstring partial = std::wstring(path) + L".part";
  FILE* out = _wfopen(partial.c_str(), L"w, ccs=UTF-8");
  if (out == nullptr) return;
  EnumChildWindows(window, MeasureControl, reinterpret_cast<LPARAM>(out));
  std::fclose(out);
  // The file appears whole: a reader never sees half of it.
  MoveFileExW(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING);
}

void ChangeDpi(HWND window, WORD dpi) {
  RECT now{};
  GetWindowRect(window, &now);
  SIZE size{now.right - now.left, now.bottom - now.top};
  SendMessageW(window, kWmGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size));
  RECT suggested{now.left, now.top, now.left + size.cx, now.top + size.cy};
  SendMessageW(window, kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

LRESULT CALLBACK OnMessage(int code, WPARAM remove, LPARAM lparam) {
  auto* msg = reinterpret_cast<MSG*>(lparam);
  if (code == HC_ACTION && remove == PM_REMOVE && msg->message == ProbeMessage()) {
    WriteFits(msg->hwnd);
    msg->message = WM_NULL;
  } else if (code == HC_ACTION && remove == PM_REMOVE && msg->message == DpiChangeMessage()) {
    ChangeDpi(msg->hwnd, static_cast<WORD>(msg->wParam));
    msg->message = WM_NULL;
  }
  return CallNextHookEx(nullptr, code, remove, lparam);
}

struct CaptionProbe {
  CaptionProbe() { SetWindowsHookExW(WH_GETMESSAGE, OnMessage, nullptr, GetCurrentThreadId()); }
};
const CaptionProbe g_captionProbe;

}  // namespace
}  // namespace frin::win32
