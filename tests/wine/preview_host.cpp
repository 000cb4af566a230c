// preview_host: plays the display settings page that hosts a screen saver's preview. It opens a
// top-level window titled "画面のﾌﾟﾛﾊﾟﾃｨ" with a 152 x 112 child, starts the saver with
// "/p <child handle>" and reports what it sees. Output is UTF-8, one line per report.
//
// Usage: preview_host.exe SAVER_PATH [HANDLE_TEXT]
//   HANDLE_TEXT replaces the child's handle on the command line (to pass a handle that names no
//   window); then only "started" and "ended" are reported.
// Reports:
//   host <top hwnd> child <child hwnd> child_rect=L,T,R,B   (screen pixels)
//   started <pid>
//   found class=[..] caption=[..] size=WxH pos=X,Y parent=child visible=0|1   (or: found none)
//   ended <ms> exit=<code>      the saver's process ended, <ms> after the last command
// Commands, one per line on standard input (end of input counts as "quit"):
//   look      report the saver's window again (as "found ...")
//   destroy   destroy the child window; report "ended" within 2 s, or "running" after 2 s
//   quit      end the saver if it still runs, close the host and exit
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/wine/helper_text.h"

namespace {

constexpr UINT kCommand = WM_APP + 1;
constexpr int kChildWidth = 152, kChildHeight = 112;

struct Host {
  HWND top = nullptr;
  HWND child = nullptr;
  HANDLE process = nullptr;
  DWORD mainThread = 0;
};

std::string Hwnd(HWND h) {
  return std::to_string(reinterpret_cast<uintptr_t>(h));
}

// Pumps this thread's messages for up to ms milliseconds, or until the process handle is
// signalled when wait_process is set. Returns true when the process ended.
bool Pump(Host& host, DWORD ms, bool wait_process) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return false;
    DWORD count = wait_process && host.process ? 1 : 0;
    DWORD r = MsgWaitForMultipleObjects(count, &host.process, FALSE, ms - elapsed, QS_ALLINPUT);
    if (count == 1 && r == WAIT_OBJECT_0) return true;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
}

HWND SaverWindow(const Host& host) {
  return GetWindow(host.child, GW_CHILD);
}

void Report(const Host& host) {
  HWND saver = SaverWindow(host);
  if (!saver) {
    Print("found none");
    return;
  }
  wchar_t cls[256] = {}, caption[256] = {};
  GetClassNameW(saver, cls, 255);
  GetWindowTextW(saver, caption, 255);
  RECT r{};
  GetWindowRect(saver, &r);
  POINT origin{r.left, r.top};
  ScreenToClient(host.child, &origin);
  Print("found class=[" + Utf8(cls) + "] caption=[" + Utf8(caption) +
        "] size=" + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
        " pos=" + std::to_string(origin.x) + "," + std::to_string(origin.y) +
        " parent=" + (GetParent(saver) == host.child ? "child" : "other") +
        " visible=" + (IsWindowVisible(saver) ? "1" : "0"));
}

DWORD WINAPI ReadCommands(void* p) {
  auto* host = static_cast<Host*>(p);
  char line[256];
  while (fgets(line, sizeof line, stdin)) {
    std::string cmd(line);
    while (!cmd.empty() && (cmd.back() == '\n' || cmd.back() == '\r'))
      cmd.pop_back();
    int code = cmd == "look" ? 1 : cmd == "destroy" ? 2 : cmd == "quit" ? 3 : 0;
    if (code) PostThreadMessageW(host->mainThread, kCommand, static_cast<WPARAM>(code), 0);
  }
  PostThreadMessageW(host->mainThread, kCommand, 3, 0);
  return 0;
}

LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, msg, w, l);
}

void ReportEnd(const Host& host, DWORD since) {
  DWORD code = 0;
  GetExitCodeProcess(host.process, &code);
  Print("ended " + std::to_string(GetTickCount() - since) + " exit=" + std::to_string(code));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) {
    Print("usage: preview_host.exe SAVER_PATH [HANDLE_TEXT]");
    return 2;
  }
  Host host;
  host.mainThread = GetCurrentThreadId();
  HINSTANCE inst = GetModuleHandleW(nullptr);

  WNDCLASSW top{};
  top.lpfnWndProc = HostProc;
  top.hInstance = inst;
  top.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  top.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  top.lpszClassName = L"FrinTestHost";
  RegisterClassW(&top);
  WNDCLASSW monitor = top;
  monitor.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  monitor.lpszClassName = L"FrinTestMonitor";
  RegisterClassW(&monitor);

  // "画面のﾌﾟﾛﾊﾟﾃｨ": the display properties page as a Japanese system titles it.
  const wchar_t kTitle[] = {0x753B, 0x9762, 0x306E, 0xFF8C, 0xFF9F, 0xFF9B,
                            0xFF8A, 0xFF9F, 0xFF83, 0xFF68, 0};
  host.top = CreateWindowExW(0, L"FrinTestHost", kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                             320, 260, nullptr, nullptr, inst, nullptr);
  host.child = CreateWindowExW(0, L"FrinTestMonitor", L"", WS_CHILD | WS_VISIBLE, 24, 24,
                               kChildWidth, kChildHeight, host.top, nullptr, inst, nullptr);
  Pump(host, 200, false);
  RECT area{};
  GetWindowRect(host.child, &area);
  Print("host " + Hwnd(host.top) + " child " + Hwnd(host.child) +
        " child_rect=" + std::to_string(area.left) + "," + std::to_string(area.top) + "," +
        std::to_string(area.right) + "," + std::to_string(area.bottom));

  std::wstring handle =
      argc >= 3 ? argv[2] : std::to_wstring(reinterpret_cast<uintptr_t>(host.child));
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\" /p " + handle;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    Print("error: cannot start the saver (" + std::to_string(GetLastError()) + ")");
    return 2;
  }
  CloseHandle(pi.hThread);
  host.process = pi.hProcess;
  DWORD startTick = GetTickCount();
  Print("started " + std::to_string(pi.dwProcessId));

  if (argc >= 3) {
    // A foreign handle: only whether and when the saver ends is of interest.
    if (Pump(host, 10000, true)) {
      ReportEnd(host, startTick);
    } else {
      Print("running");
      TerminateProcess(host.process, 1);
    }
    return 0;
  }

  // Wait (up to 15 s) for the saver's window to appear inside the child, then report it.
  for (int waited = 0; waited < 15000 && !SaverWindow(host); waited += 100) {
    if (Pump(host, 100, true)) break;
  }
  Pump(host, 300, false);
  Report(host);
  if (WaitForSingleObject(host.process, 0) == WAIT_OBJECT_0) ReportEnd(host, startTick);

  HANDLE reader = CreateThread(nullptr, 0, ReadCommands, &host, 0, nullptr);
  for (;;) {
    MSG m;
    BOOL got = GetMessageW(&m, nullptr, 0, 0);
    if (got <= 0) break;
    if (m.hwnd == nullptr && m.message == kCommand) {
      if (m.wParam == 1) {
        Report(host);
      } else if (m.wParam == 2) {
        DWORD since = GetTickCount();
        DestroyWindow(host.child);
        if (Pump(host, 2000, true)) {
          ReportEnd(host, since);
        } else {
          Print("running");
        }
      } else {
        break;
      }
      continue;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (WaitForSingleObject(host.process, 0) != WAIT_OBJECT_0) TerminateProcess(host.process, 1);
  CloseHandle(host.process);
  DestroyWindow(host.top);
  (void)reader;
  return 0;
}
