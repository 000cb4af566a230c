// The program's entry on Windows: builds the backend and the state object, runs Main, then the
// message loop until the last window is gone. A runtime error ends the program with one report.
#include "lifecycle/main.h"
#include "lifecycle/saver.h"
#include "platform/win32/win32_platform.h"

#include <ole2.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  OleInitialize(nullptr);  // pictures and the file chooser's shell view need it
  frin::win32::Win32Platform platform(instance);
  frin::Saver saver(platform);
  platform.Deliver([&] { frin::Main(saver); });
  const int status = platform.RunMessageLoop();
  ExitProcess(static_cast<UINT>(status));
}
