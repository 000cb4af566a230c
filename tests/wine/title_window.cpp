// title_window: shows one small top-level window with the given title, as another program's
// window would stand beside the saver, and keeps it until its standard input ends.
//
// Usage: title_window.exe TITLE
// Reports "shown <hwnd>" once the window is on the screen.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/wine/helper_text.h"

namespace {

DWORD WINAPI WaitForInputEnd(LPVOID thread) {
  char buffer[64];
  while (fgets(buffer, sizeof buffer, stdin) != nullptr) {
  }
  PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<uintptr_t>(thread)), WM_QUIT, 0, 0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    Print("usage: title_window.exe TITLE");
    return 2;
  }
  HWND w = CreateWindowExW(0, L"STATIC", argv[1], WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 80,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (w == nullptr) {
    Print("error cannot create the window");
    return 1;
  }
  Print("shown " + std::to_string(reinterpret_cast<uintptr_t>(w)));
  const auto thread = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(GetCurrentThreadId()));
  CloseHandle(CreateThread(nullptr, 0, WaitForInputEnd, thread, 0, nullptr));
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  DestroyWindow(w);
  return 0;
}
