// The helper thread of the Windows programs: frin.scr and bench/wine/decode_jpeg.exe.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/helper_thread.h"

namespace frin::win32 {

// The second processor for decoding and stretching a picture: a thread made for each piece of
// work.
class Win32HelperThread : public HelperThread {
 public:
  ~Win32HelperThread() override { Join(); }
  bool Start(void (*work)(void*), void* arg) override {
    work_ = work;
    arg_ = arg;
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    return thread_ != nullptr;
  }
  void Join() override {
    if (thread_ == nullptr) return;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  void Pause() override { Sleep(0); }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* t = static_cast<Win32HelperThread*>(self);
    t->work_(t->arg_);
    return 0;
  }
  HANDLE thread_ = nullptr;
  void (*work_)(void*) = nullptr;
  void* arg_ = nullptr;
};

}  // namespace frin::win32
