// The tick probe of the test build frin_probe.scr (never part of frin.scr): every heap
// allocation through operator new is counted, and the timer ticks from the 100th to the 1100th
// are measured: the allocations made meanwhile, the process's GDI and USER object counts before
// and after, and three canary handles. GetGuiResources counts only what is left over (and Wine
// answers 0), so the canary shows what was made at all: a region created and deleted at once,
// twice before the ticks and once after. The system hands a freed handle's slot to the next
// object made, its generation advanced; when nothing was made in between, the third handle is
// the second advanced by exactly the step from the first to the second. The figures go to the
// file named by the environment variable FRIN_PROBE_OUT, one line:
// "ticks 1000 allocations A gdi G0 G1 user U0 U1 canary C0 C1 C2".
// The counters live at namespace scope because a replaced operator new can reach nothing else.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/win32/win32_platform.h"

namespace {

constexpr unsigned kWarmUp = 100;
constexpr unsigned kMeasured = 1000;

unsigned long long g_allocations = 0;
unsigned g_ticks = 0;
unsigned long long g_allocationsBefore = 0;
DWORD g_gdiBefore = 0, g_userBefore = 0;
unsigned long long g_canary0 = 0, g_canary1 = 0;

// The handle of a region made and deleted at once.
unsigned long long Canary() {
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  const auto h = static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(r));
  if (r != nullptr) DeleteObject(r);
  return h;
}

void* Allocate(std::size_t n) {
  ++g_allocations;
  void* p = std::malloc(n != 0 ? n : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void WriteReport(const char* text, int length) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"FRIN_PROBE_OUT", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

void* operator new(std::size_t n) {
  return Allocate(n);
}
void* operator new[](std::size_t n) {
  return Allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  ++g_allocations;
  return std::malloc(n != 0 ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  ++g_allocations;
  return std::malloc(n != 0 ? n : 1);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace frin::win32 {

void ProbeTick() {
  ++g_ticks;
  HANDLE self = GetCurrentProcess();
  if (g_ticks == kWarmUp) {
    g_gdiBefore = GetGuiResources(self, GR_GDIOBJECTS);
    g_userBefore = GetGuiResources(self, GR_USEROBJECTS);
    g_canary0 = Canary();
    g_canary1 = Canary();
    g_allocationsBefore = g_allocations;
  } else if (g_ticks == kWarmUp + kMeasured) {
    const unsigned long long allocations = g_allocations - g_allocationsBefore;
    const DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(self, GR_USEROBJECTS);
    const unsigned long long canary2 = Canary();
    char line[200];
    const int length =
        std::snprintf(line, sizeof line,
                      "ticks %u allocations %llu gdi %lu %lu user %lu %lu canary %llu %llu %llu\n",
                      kMeasured, allocations, static_cast<unsigned long>(g_gdiBefore),
                      static_cast<unsigned long>(gdi), static_cast<unsigned long>(g_userBefore),
                      static_cast<unsigned long>(user), g_canary0, g_canary1, canary2);
    if (length > 0) WriteReport(line, length);
  }
}

}  // namespace frin::win32
