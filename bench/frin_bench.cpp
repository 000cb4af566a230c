// Speed and memory of the hot paths on 1920 x 1080 scenes: one tick of the saver (both timers) on
// one monitor and on two, the same blits without the flake logic, stretching a large decoded
// picture, decoding a 4000 x 3000 jpg on one thread and on two, and drawing the settings
// dialog's picture at each display scale.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "lifecycle/main.h"
#include "lifecycle/saver.h"
#include "platform/jpeg_decoder.h"
#include "platform/memory/memory_platform.h"
#include "platform/raster.h"
#include "resources/dialog_picture.h"
#include "settings/saver_settings.h"
#include "tests/std_helper_thread.h"

// The replaced operators pair malloc with free; the compiler cannot see that they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Every heap allocation of the process is counted, so a benchmark can report how many a tick
// makes (the Windows build promises none).
namespace {
std::atomic<uint64_t> g_allocations{0};
}

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
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

namespace frin {
namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080, kTpp = 15;
constexpr int32_t kSpeed = 100;

// A full-screen run as the saver starts it, black background, settling on.
struct RunningScene {
  MemoryPlatform api{20261207};
  Saver saver{api};

  explicit RunningScene(int32_t max, bool twoMonitors = false) {
    api.SetScreenPixels(kWidth, kHeight, kTpp);
    // A second monitor of the same size left of the primary.
    if (twoMonitors) api.SetMonitors({{0, 0, kWidth, kHeight}, {-kWidth, 0, 0, kHeight}}, kTpp);
    api.SetSetting(kSettingsApp, kSettingsSection, "Max", std::to_string(max));
    api.SetSetting(kSettingsApp, kSettingsSection, "Speed", std::to_string(kSpeed));
    api.SetSetting(kSettingsApp, kSettingsSection, "Remain", "on");
    // The saver's own full-screen run: the same start and the same timer dispatch.
    api.SetCommandText("/s");
    Main(saver);
  }
};

void BM_Tick(benchmark::State& state, bool twoMonitors) {
  RunningScene scene(static_cast<int32_t>(state.range(0)), twoMonitors);
  scene.api.Advance(kSpeed);  // warm up: the first tick may size internal lists
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    scene.api.Advance(kSpeed);  // one tick of timer 0, and of timer 1 above 250 flakes
  }
  state.counters["allocs_per_tick"] = benchmark::Counter(
      static_cast<double>(g_allocations.load() - before), benchmark::Counter::kAvgIterations);
  state.counters["flakes"] = static_cast<double>(state.range(0));
}
// One monitor, and two (each with its own Max flakes): the second should cost at most twice the
// first.
BENCHMARK_CAPTURE(BM_Tick, one_monitor, false)->Arg(250)->Arg(500);
BENCHMARK_CAPTURE(BM_Tick, two_monitors, true)->Arg(250)->Arg(500);

// One tick of 500 flakes on a 3840 x 2160 monitor at 96 dpi (scale 1) and at 192 dpi (scale 2:
// the flakes move on 1920 x 1080 and are drawn twice as large, four times the pixels each).
void BM_TickAtDpi(benchmark::State& state) {
  constexpr int32_t kMax = 500;
  const int32_t dpi = static_cast<int32_t>(state.range(0));
  MemoryPlatform api{20261207};
  Saver saver{api};
  api.SetScreenDpi(3840, 2160, dpi, dpi);
  api.SetSetting(kSettingsApp, kSettingsSection, "Max", std::to_string(kMax));
  api.SetSetting(kSettingsApp, kSettingsSection, "Speed", std::to_string(kSpeed));
  api.SetSetting(kSettingsApp, kSettingsSection, "Remain", "on");
  api.SetCommandText("/s");
  Main(saver);
  api.Advance(kSpeed);
  for (auto _ : state) {
    api.Advance(kSpeed);
  }
  state.counters["scale"] = static_cast<double>(saver.Primary().Scale);
}
BENCHMARK(BM_TickAtDpi)->Arg(96)->Arg(192);

// The blits of a tick alone: per flake one 7 x 7 restore (SRCCOPY) and the masked draw
// (SRCERASE, SRCINVERT), at the same number of cells as BM_Tick.
void BM_RasterOnly(benchmark::State& state) {
  const int cells = static_cast<int>(state.range(0));
  Surface canvas(kWidth, kHeight), buffer(kWidth, kHeight), strip(21, 14, kWhite);
  std::mt19937 gen(7);
  std::uniform_int_distribution<int32_t> xs(-7, kWidth), ys(-7, kHeight), cols(0, 14);
  struct Cell {
    int32_t x, y, column;
  };
  std::vector<Cell> at(static_cast<size_t>(cells));
  for (Cell& c : at)
    c = Cell{xs(gen), ys(gen), cols(gen)};
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    for (const Cell& c : at) {
      BitBlt(canvas, c.x, c.y, 7, 7, buffer, c.x, c.y, RasterOp::kSrcCopy);
      BitBlt(canvas, c.x, c.y + 3, 7, 7, strip, c.column, 7, RasterOp::kSrcErase);
      BitBlt(canvas, c.x, c.y + 3, 7, 7, strip, c.column, 0, RasterOp::kSrcInvert);
    }
    benchmark::DoNotOptimize(canvas.Row(0));
  }
  state.counters["allocs_per_tick"] = benchmark::Counter(
      static_cast<double>(g_allocations.load() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RasterOnly)->Arg(250)->Arg(500);

// A 4000 x 3000 picture, already decoded, stretched over the whole scene: 1920 x 1080, and
// 3840 x 2160 (the start-up over a picture).
void BM_StretchPaint(benchmark::State& state) {
  Surface picture(4000, 3000);
  for (int32_t y = 0; y < picture.Height(); ++y) {
    for (int32_t x = 0; x < picture.Width(); ++x) {
      picture.At(x, y) = static_cast<Pixel>((x * 7) & 0xFF) << 16 |
                         static_cast<Pixel>((y * 3) & 0xFF) << 8 |
                         (static_cast<Pixel>(x ^ y) & 0xFF);
    }
  }
  const int32_t width = static_cast<int32_t>(state.range(0)) * 16;
  const int32_t height = static_cast<int32_t>(state.range(0)) * 9;
  Surface buffer(width, height);
  for (auto _ : state) {
    StretchPaint(buffer, Rect{0, 0, width, height}, picture, Rect{0, 0, 4000, 3000});
    benchmark::DoNotOptimize(buffer.Row(0));
  }
  state.SetItemsProcessed(state.iterations() * int64_t{width} * height);
}
BENCHMARK(BM_StretchPaint)->Arg(120)->Arg(240)->Unit(benchmark::kMillisecond);

// The bytes of a photograph-like 4000 x 3000 jpg: FRIN_BENCH_JPEG names one, else ImageMagick
// makes one as the start-up script does. Empty when neither can.
std::string BigJpeg() {
  std::string path;
  if (const char* named = std::getenv("FRIN_BENCH_JPEG")) {
    path = named;
  } else {
    path = "/tmp/frin_bench_4000x3000.jpg";
    if (!std::ifstream(path)) {
      const std::string make =
          "convert -size 4000x3000 gradient:'#0B1633-#C8D8F0' -attenuate 0.4 "
          "+noise Gaussian -quality 90 " +
          path + " 2>/dev/null";
      if (std::system(make.c_str()) != 0) return {};
    }
  }
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Arg 0: the caller's thread alone; 1: with a second thread, as the Windows backend decodes.
void BM_DecodeJpeg(benchmark::State& state) {
  static const std::string bytes = BigJpeg();
  if (bytes.empty()) {
    state.SkipWithError("no 4000 x 3000 jpg: set FRIN_BENCH_JPEG or install ImageMagick");
    return;
  }
  for (auto _ : state) {
    StdHelperThread helper;
    JpegResult r = DecodeBaselineJpeg(bytes, state.range(0) != 0 ? &helper : nullptr);
    if (r.outcome != JpegOutcome::kDecoded || !r.picture) {
      state.SkipWithError("the decoder declined the picture");
      return;
    }
    benchmark::DoNotOptimize(r.picture->Data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{4000} * 3000);
}
BENCHMARK(BM_DecodeJpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The dialog's picture at scale 1 to 6 (96 to 576 dpi), as the dialog draws it on opening and on
// reaching a monitor of another scale.
void BM_DialogPicture(benchmark::State& state) {
  const auto scale = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    Surface s = DialogPicture(scale);
    benchmark::DoNotOptimize(s.Data());
  }
}
BENCHMARK(BM_DialogPicture)->DenseRange(1, 6)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace frin

BENCHMARK_MAIN();
