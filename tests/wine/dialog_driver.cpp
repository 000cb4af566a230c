// dialog_driver: reaches the controls of a running settings dialog ("ScreenSaver Frin") from
// another process with window messages, as a test of what the user sees and does.
//
// Usage: dialog_driver.exe COMMAND...   (commands run in order; output is UTF-8, one line each)
//   wait MS                 wait up to MS milliseconds for the dialog; prints "dialog <hwnd>"
//   dump                    one line per control: name, class, text, enabled, visible, check,
//                           scroll range and position, screen rectangle
//   window                  the dialog's caption, window and client rectangles (screen pixels)
//   chooser TITLE           waits up to 5 s for the file chooser titled TITLE (UTF-8), prints
//                           "chooser <hwnd>" and a line "type [DESCRIPTION]" for each entry of
//                           its file type list, then cancels it
//   closebox                the screen position of the title bar's close button
//   fits                    (frin_probe.scr only) one line per captioned control: its text's
//                           advance and the width of its ink (overhangs included) in the font the
//                           control draws with, the room the control gives the text (for a label,
//                           up to a pixel before a label stacked above it), the font's height and
//                           face: "NAME extent=W ink=I room=R height=H face=[F]"; and one line per
//                           picture control, the size of its bitmap: "NAME image=WxH"
//   dpichange DPI           (frin_probe.scr only) the dialog moves to a display of DPI dots per
//                           inch, as when dragged onto a monitor of that scale; waits until its
//                           window has taken its new size (up to 5 s) and prints "dpichange"
//                           with the window's old and new rectangles
//   focus                   the name of the control that has the keyboard focus
//   scroll NAME POS         SBM_SETPOS, then WM_HSCROLL SB_THUMBPOSITION and SB_ENDSCROLL
//   click NAME              BM_CLICK
//   settext NAME TEXT       WM_SETTEXT (TEXT is UTF-8)
//   close                   WM_CLOSE to the dialog
//   volatilekey KEY         creates HKEY_CURRENT_USER\KEY as a volatile key: a lasting key cannot
//                           be made below it, so a store kept below it cannot be written
//   sleep MS
// NAME is the control's name as the program calls it: Btn_Set(0), Srl_Set(1), Chk_Set(3),
// Txt_File, Btn_File, Frame1(0), Label1(11), Image1.
// Exit status: 0 when every command succeeded, 2 when the dialog or a control was missing.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <vector>
#include "tests/wine/helper_text.h"

#include "settings/control_ids.h"

namespace {

struct ControlName {
  const char* name;
  int id;
};

constexpr ControlName kControls[] = {
    {"Btn_Set(0)", IDC_BTN_SET_0}, {"Btn_Set(1)", IDC_BTN_SET_1}, {"Srl_Set(0)", IDC_SRL_SET_0},
    {"Srl_Set(1)", IDC_SRL_SET_1}, {"Chk_Set(0)", IDC_CHK_SET_0}, {"Chk_Set(1)", IDC_CHK_SET_1},
    {"Chk_Set(2)", IDC_CHK_SET_2}, {"Chk_Set(3)", IDC_CHK_SET_3}, {"Txt_File", IDC_TXT_FILE},
    {"Btn_File", IDC_BTN_FILE},    {"Frame1(0)", IDC_FRAME1_0},   {"Frame1(1)", IDC_FRAME1_1},
    {"Label1(0)", IDC_LABEL1_0},   {"Label1(1)", IDC_LABEL1_1},   {"Label1(2)", IDC_LABEL1_2},
    {"Label1(3)", IDC_LABEL1_3},   {"Label1(4)", IDC_LABEL1_4},   {"Label1(5)", IDC_LABEL1_5},
    {"Label1(6)", IDC_LABEL1_6},   {"Label1(7)", IDC_LABEL1_7},   {"Label1(8)", IDC_LABEL1_8},
    {"Label1(9)", IDC_LABEL1_9},   {"Label1(10)", IDC_LABEL1_10}, {"Label1(11)", IDC_LABEL1_11},
    {"Label1(12)", IDC_LABEL1_12}, {"Image1", IDC_IMAGE1},
};

constexpr UINT kTimeoutMs = 5000;

// Texts are printed between brackets with control characters escaped, so a line stays a line.
std::string Quote(const std::string& s) {
  std::string q = "[";
  for (char c : s) {
    if (c == '\n') {
      q += "\\n";
    } else if (c == '\r') {
      q += "\\r";
    } else if (c == '\\') {
      q += "\\\\";
    } else if (c == ']') {
      q += "\\]";
    } else {
      q += c;
    }
  }
  return q + "]";
}

std::string Hwnd(HWND h) {
  return std::to_string(reinterpret_cast<uintptr_t>(h));
}

std::wstring TextOf(HWND h) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &len)) {
    return {};
  }
  std::vector<wchar_t> buf(len + 2, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                      SMTO_ABORTIFHUNG, kTimeoutMs, &got);
  return std::wstring(buf.data());
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 255);
  return buf;
}

HWND FindDialog() {
  return FindWindowW(nullptr, L"ScreenSaver Frin");
}

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK FindById(HWND h, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  if (GetDlgCtrlID(h) == s->id) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

// The control with this ID anywhere below the dialog (a control may sit inside a frame window).
HWND Control(HWND dialog, int id) {
  HWND direct = GetDlgItem(dialog, id);
  if (direct) return direct;
  Search s{id, nullptr};
  EnumChildWindows(dialog, FindById, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

int IdOf(const std::string& name) {
  for (const auto& c : kControls) {
    if (name == c.name) return c.id;
  }
  return 0;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

void DumpControl(HWND dialog, const ControlName& c) {
  HWND h = Control(dialog, c.id);
  if (!h) {
    Print(std::string(c.name) + " missing");
    return;
  }
  std::wstring cls = ClassOf(h);
  std::string line =
      std::string(c.name) + " class=" + Utf8(cls) + " text=" + Quote(Utf8(TextOf(h)));
  line += std::string(" enabled=") + (IsWindowEnabled(h) ? "1" : "0");
  line += std::string(" visible=") + (IsWindowVisible(h) ? "1" : "0");
  if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    DWORD_PTR check = 0;
    SendMessageTimeoutW(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &check);
    line += " check=" + std::to_string(check);
  }
  if (_wcsicmp(cls.c_str(), L"ScrollBar") == 0) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(h, SB_CTL, &si);
    line += " min=" + std::to_string(si.nMin) + " max=" + std::to_string(si.nMax) +
            " pos=" + std::to_string(si.nPos);
  }
  RECT r{};
  GetWindowRect(h, &r);
  line += " rect=" + RectText(r);
  Print(line);
}

// The captions measured from inside frin_probe.scr: the probe writes one line per captioned
// control to FRIN_PROBE_FITS when the dialog is posted "Frin caption probe"; each is printed with
// the control's name.
bool Fits(HWND dialog) {
  const wchar_t* path = _wgetenv(L"FRIN_PROBE_FITS");
  if (path == nullptr) {
    Print("error: FRIN_PROBE_FITS is not set");
    return false;
  }
  DeleteFileW(path);
  PostMessageW(dialog, RegisterWindowMessageW(L"Frin caption probe"), 0, 0);
  FILE* in = nullptr;
  for (int i = 0; i < 50 && (in = _wfopen(path, L"rb")) == nullptr; ++i)
    Sleep(100);
  if (in == nullptr) {
    Print("error: the probe wrote no measurements (is this frin_probe.scr?)");
    return false;
  }
  std::string all;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, in)) > 0;)
    all.append(buf, n);
  fclose(in);
  if (all.rfind("\xEF\xBB\xBF", 0) == 0) all.erase(0, 3);
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    int id = 0, width = 0, height = 0, used = 0;
    long extent = 0, ink = 0, room = 0;
    const char* name = "?";
    auto named = [&] {
      for (const auto& c : kControls) {
        if (c.id == id) name = c.name;
      }
    };
    if (sscanf(line.c_str(), "%d image %d %d", &id, &width, &height) == 3) {
      named();
      Print(std::string(name) + " image=" + std::to_string(width) + "x" + std::to_string(height));
      continue;
    }
    if (sscanf(line.c_str(), "%d %ld %ld %ld %d %n", &id, &extent, &ink, &room, &height, &used) < 5)
      continue;
    named();
    Print(std::string(name) + " extent=" + std::to_string(extent) + " ink=" + std::to_string(ink) +
          " room=" + std::to_string(room) + " height=" + std::to_string(height) +
          " face=" + Quote(line.substr(static_cast<size_t>(used))));
  }
  return true;
}

// The file chooser: its file type list (the explorer-style dialog's cmb1), then Cancel.
bool Chooser(const std::wstring& title) {
  HWND chooser = nullptr;
  for (int i = 0; i < 50 && chooser == nullptr; ++i) {
    chooser = FindWindowW(nullptr, title.c_str());
    if (chooser == nullptr) Sleep(100);
  }
  if (chooser == nullptr) {
    Print("error: no chooser titled " + Quote(Utf8(title)));
    return false;
  }
  Print("chooser " + Hwnd(chooser));
  constexpr int kFileTypeList = 0x470;  // cmb1
  // The list is filled while the chooser initialises: wait for its entries.
  HWND types = nullptr;
  DWORD_PTR count = 0;
  for (int i = 0; i < 50 && count == 0; ++i) {
    types = Control(chooser, kFileTypeList);
    if (types != nullptr)
      SendMessageTimeoutW(types, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &count);
    if (count == 0) Sleep(100);
  }
  for (DWORD_PTR i = 0; i < count && i < 64; ++i) {
    wchar_t buf[512] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                        kTimeoutMs, &got);
    Print("type " + Quote(Utf8(buf)));
  }
  PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
  for (int i = 0; i < 50 && IsWindow(chooser); ++i)
    Sleep(100);
  return !IsWindow(chooser);
}

bool Click(HWND h) {
  DWORD_PTR result = 0;
  // The dialog may close (and its process end) inside the click; a failed wait is not an error.
  SendMessageTimeoutW(h, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &result);
  return true;
}

void Scroll(HWND bar, int pos) {
  HWND parent = GetParent(bar);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(bar, SBM_SETPOS, static_cast<WPARAM>(pos), TRUE, SMTO_ABORTIFHUNG, kTimeoutMs,
                      &result);
  SendMessageTimeoutW(parent, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos),
                      reinterpret_cast<LPARAM>(bar), SMTO_ABORTIFHUNG, kTimeoutMs, &result);
  SendMessageTimeoutW(parent, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
                      reinterpret_cast<LPARAM>(bar), SMTO_ABORTIFHUNG, kTimeoutMs, &result);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(Utf8(argv[i]));

  int status = 0;
  auto need = [&](size_t i, size_t n) {
    if (i + n >= args.size() + 1) {
      Print("error: " + args[i - 1] + " needs " + std::to_string(n) + " argument(s)");
      std::exit(2);
    }
  };
  auto dialogOrFail = [&]() -> HWND {
    HWND d = FindDialog();
    if (!d) {
      Print("error: no dialog");
      std::exit(2);
    }
    return d;
  };
  auto controlOrFail = [&](const std::string& name) -> HWND {
    HWND d = dialogOrFail();
    int id = IdOf(name);
    HWND h = id ? Control(d, id) : nullptr;
    if (!h) {
      Print("error: no control " + name);
      std::exit(2);
    }
    return h;
  };

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& cmd = args[i];
    if (cmd == "wait") {
      need(i + 1, 1);
      int ms = std::atoi(args[++i].c_str());
      HWND d = nullptr;
      for (int waited = 0; !(d = FindDialog()) && waited < ms; waited += 50)
        Sleep(50);
      if (!d) {
        Print("error: no dialog");
        return 2;
      }
      Print("dialog " + Hwnd(d));
    } else if (cmd == "dump") {
      HWND d = dialogOrFail();
      for (const auto& c : kControls)
        DumpControl(d, c);
    } else if (cmd == "chooser") {
      need(i + 1, 1);
      if (!Chooser(Wide(args[++i]))) status = 2;
    } else if (cmd == "fits") {
      if (!Fits(dialogOrFail())) status = 2;
    } else if (cmd == "window") {
      HWND d = dialogOrFail();
      RECT w{}, c{};
      GetWindowRect(d, &w);
      GetClientRect(d, &c);
      POINT origin{0, 0};
      ClientToScreen(d, &origin);
      Print("caption=" + Quote(Utf8(TextOf(d))) + " rect=" + RectText(w) +
            " client=" + std::to_string(origin.x) + "," + std::to_string(origin.y) + "," +
            std::to_string(origin.x + c.right) + "," + std::to_string(origin.y + c.bottom) +
            " visible=" + (IsWindowVisible(d) ? "1" : "0") +
            " topmost=" + ((GetWindowLongW(d, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "1" : "0"));
    } else if (cmd == "dpichange") {
      need(i + 1, 1);
      HWND d = dialogOrFail();
      RECT before{}, after{};
      GetWindowRect(d, &before);
      PostMessageW(d, RegisterWindowMessageW(L"Frin dpi change probe"),
                   static_cast<WPARAM>(std::atoi(args[++i].c_str())), 0);
      for (int waited = 0; waited < 5000; waited += 50) {
        Sleep(50);
        GetWindowRect(d, &after);
        if (!EqualRect(&before, &after)) break;
      }
      Sleep(300);  // the controls and their fonts follow within the same message
      GetWindowRect(d, &after);
      Print("dpichange from=" + RectText(before) + " to=" + RectText(after));
    } else if (cmd == "focus") {
      // The control that has the keyboard focus in the dialog's thread.
      HWND d = dialogOrFail();
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      std::string name = "none";
      if (GetGUIThreadInfo(GetWindowThreadProcessId(d, nullptr), &info) && info.hwndFocus) {
        name = "other";
        if (info.hwndFocus == d) name = "dialog";
        for (const auto& c : kControls) {
          if (Control(d, c.id) == info.hwndFocus) name = c.name;
        }
      }
      Print("focus " + name);
    } else if (cmd == "closebox") {
      HWND d = dialogOrFail();
      TITLEBARINFO info{};
      info.cbSize = sizeof info;
      RECT w{};
      GetWindowRect(d, &w);
      int x = 0, y = 0;
      // The close button is the rightmost square of the title bar.
      int button = GetSystemMetrics(SM_CXSIZE);
      if (GetTitleBarInfo(d, &info) && info.rcTitleBar.right > info.rcTitleBar.left) {
        x = info.rcTitleBar.right - button / 2 - 2;
        y = (info.rcTitleBar.top + info.rcTitleBar.bottom) / 2;
      } else {
        int frame = GetSystemMetrics(SM_CXFIXEDFRAME);
        x = w.right - frame - button / 2 - 2;
        y = w.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
      }
      Print("closebox " + std::to_string(x) + " " + std::to_string(y));
    } else if (cmd == "scroll") {
      need(i + 1, 2);
      HWND h = controlOrFail(args[i + 1]);
      Scroll(h, std::atoi(args[i + 2].c_str()));
      i += 2;
    } else if (cmd == "click") {
      need(i + 1, 1);
      Click(controlOrFail(args[++i]));
    } else if (cmd == "settext") {
      need(i + 1, 2);
      HWND h = controlOrFail(args[i + 1]);
      std::wstring text = Wide(args[i + 2]);
      DWORD_PTR result = 0;
      SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                          SMTO_ABORTIFHUNG, kTimeoutMs, &result);
      i += 2;
    } else if (cmd == "volatilekey") {
      need(i + 1, 1);
      const std::wstring key = Wide(args[++i]);
      HKEY h = nullptr;
      DWORD disposition = 0;
      const LONG r =
          RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &h, &disposition);
      if (r != ERROR_SUCCESS || disposition != REG_CREATED_NEW_KEY) {
        Print("error: cannot create the volatile key " + args[i]);
        status = 2;
      }
      if (h) RegCloseKey(h);
    } else if (cmd == "close") {
      PostMessageW(dialogOrFail(), WM_CLOSE, 0, 0);
    } else if (cmd == "sleep") {
      need(i + 1, 1);
      Sleep(static_cast<DWORD>(std::atoi(args[++i].c_str())));
    } else {
      Print("error: unknown command " + cmd);
      status = 2;
    }
  }
  return status;
}
