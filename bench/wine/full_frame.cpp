// The reference of bench/wine_cpu.sh: a plain Win32 program that covers the screen with one
// borderless topmost window and, on a 50 ms timer, changes a few pixels of a screen-sized DIB
// section and copies the whole frame to its window (one BitBlt a tick). frin.scr presenting its
// ticks is measured against it, side by side on the same display and Wine.
//
// Usage: full_frame.exe [full | small | idle] [interval ms]
//   full   one BitBlt of the whole frame a tick (the reference; the default)
//   small  1000 separate 7 x 7 BitBlts a tick, at scattered places
//   idle   nothing on the timer
// A key press or a click ends it.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <cwchar>

namespace {

enum class Mode { kFull, kSmall, kIdle };

struct Reference {
  Mode mode = Mode::kFull;
  int width = 0, height = 0;
  HDC memory = nullptr;
  uint32_t* bits = nullptr;
  uint32_t tick = 0;
};

void Tick(HWND hwnd, Reference& r) {
  if (r.mode == Mode::kIdle) return;
  ++r.tick;
  // A few pixels change every tick, as the flakes would.
  for (int i = 0; i < 1000; ++i) {
    const int x = static_cast<int>((r.tick * 7919u + i * 104729u) % static_cast<uint32_t>(r.width));
    const int y =
        static_cast<int>((r.tick * 6271u + i * 1299709u) % static_cast<uint32_t>(r.height));
    r.bits[static_cast<size_t>(y) * static_cast<size_t>(r.width) + x] ^= 0xFFFFFFu;
  }
  HDC dc = GetDC(hwnd);
  if (r.mode == Mode::kFull) {
    BitBlt(dc, 0, 0, r.width, r.height, r.memory, 0, 0, SRCCOPY);
  } else {
    for (int i = 0; i < 1000; ++i) {
      const int x = static_cast<int>((r.tick * 31u + i * 104729u) % static_cast<uint32_t>(r.width));
      const int y =
          static_cast<int>((r.tick * 17u + i * 1299709u) % static_cast<uint32_t>(r.height));
      BitBlt(dc, x, y, 7, 7, r.memory, x, y, SRCCOPY);
    }
  }
  ReleaseDC(hwnd, dc);
  GdiFlush();
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* r = reinterpret_cast<Reference*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_TIMER:
      if (r != nullptr) Tick(hwnd, *r);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (r != nullptr) BitBlt(dc, 0, 0, r->width, r->height, r->memory, 0, 0, SRCCOPY);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Reference r;
  if (argc > 1 && std::wcscmp(argv[1], L"small") == 0) r.mode = Mode::kSmall;
  if (argc > 1 && std::wcscmp(argv[1], L"idle") == 0) r.mode = Mode::kIdle;
  const UINT interval = argc > 2 ? static_cast<UINT>(std::wcstoul(argv[2], nullptr, 10)) : 50;
  r.width = GetSystemMetrics(SM_CXSCREEN);
  r.height = GetSystemMetrics(SM_CYSCREEN);

  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = r.width;
  bi.bmiHeader.biHeight = -r.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib == nullptr) return 1;
  r.bits = static_cast<uint32_t*>(bits);
  for (int i = 0; i < r.width * r.height; ++i)
    r.bits[i] = 0x102030u;
  r.memory = CreateCompatibleDC(nullptr);
  SelectObject(r.memory, dib);

  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"FullFrameReference";
  RegisterClassW(&wc);
  HWND hwnd =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"Full Frame Reference",
                      WS_POPUP, 0, 0, r.width, r.height, nullptr, nullptr, wc.hInstance, nullptr);
  if (hwnd == nullptr) return 1;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&r));
  ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);
  SetTimer(hwnd, 1, interval, nullptr);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
