// The caption probe of the test build frin_probe.scr (never part of frin.scr): it measures, from
// inside the program, each caption of a window's controls in the font the control draws with,
// against the room the control gives its text. A test posts the registered message
// "Frin caption probe" to the window; the probe, a message hook on the program's thread, answers
// by writing one line per captioned control to the file named by the environment variable
// FRIN_PROBE_FITS: "ID EXTENT ROOM HEIGHT FACE" (the face last, as it may hold blanks).
// The hook is installed before the program's entry runs, by the one object at namespace scope.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/win32_layout.h"
#include "platform/win32/win32_platform.h"

namespace frin::win32 {
namespace {

UINT ProbeMessage() {
  return RegisterWindowMessageW(L"Frin caption probe");
}

// The kind of control a real window is, as the dialog made it.
ControlKind KindOf(HWND h) {
  wchar_t cls[32] = {};
  GetClassNameW(h, cls, 31);
  if (_wcsicmp(cls, L"Button") != 0) return ControlKind::kLabel;
  const LONG_PTR type = GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK;
  if (type == BS_GROUPBOX) return ControlKind::kFrame;
  if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) return ControlKind::kCheckBox;
  return ControlKind::kCommandButton;
}

BOOL CALLBACK MeasureControl(HWND h, LPARAM out) {
  wchar_t text[512] = {};
  const int length = GetWindowTextW(h, text, 511);
  auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  if (length == 0 || font == nullptr || GetObjectW(font, sizeof lf, &lf) != sizeof lf) return TRUE;
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, length, &size);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  RECT client{};
  GetClientRect(h, &client);
  const int room = CaptionRoom(KindOf(h), client.right - client.left,
                               GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE));
  std::fwprintf(reinterpret_cast<FILE*>(out), L"%d %ld %d %ld %ls\n", GetDlgCtrlID(h), size.cx,
                room, lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, lf.lfFaceName);
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

LRESULT CALLBACK OnMessage(int code, WPARAM remove, LPARAM lparam) {
  auto* msg = reinterpret_cast<MSG*>(lparam);
  if (code == HC_ACTION && remove == PM_REMOVE && msg->message == ProbeMessage()) {
    WriteFits(msg->hwnd);
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
