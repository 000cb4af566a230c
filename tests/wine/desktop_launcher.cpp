// desktop_launcher: starts a program on a desktop of its own, as the system starts a secure screen
// saver on the "Screen-saver" desktop, and waits for it to end.
//
// Usage: desktop_launcher.exe DESKTOP PROGRAM [ARGUMENTS]   (UTF-8)
// Prints "desktop [NAME] pid N" once the program runs. Exit status: the program's, or 2 when the
// desktop or the process could not be made.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

#include "tests/wine/helper_text.h"

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 3) {
    Print("usage: desktop_launcher.exe DESKTOP PROGRAM [ARGUMENTS]");
    return 2;
  }
  std::wstring name = argv[1];
  HDESK desk = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (desk == nullptr) {
    Print("error: CreateDesktopW failed: " + std::to_string(GetLastError()));
    return 2;
  }
  std::wstring command = L"\"" + std::wstring(argv[2]) + L"\"";
  for (int i = 3; i < argc; ++i)
    command += L" " + std::wstring(argv[i]);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.lpDesktop = name.data();
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    Print("error: CreateProcessW failed: " + std::to_string(GetLastError()));
    CloseDesktop(desk);
    return 2;
  }
  Print("desktop [" + Utf8(name) + "] pid " + std::to_string(pi.dwProcessId));
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(pi.hProcess, &status);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseDesktop(desk);
  return static_cast<int>(status);
}
