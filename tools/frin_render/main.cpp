// frin-render: draws the saver's scene headless and writes it as a PNG or an animated GIF.
//
//   frin-render [--size WxH[@DPI] | --monitors LIST] [--ticks N] [--seed N] [--set KEY=VALUE]...
//               [--desktop IMAGE] [--png FILE] [--gif FILE] [--every K]
//
// --monitors gives the monitors as WxH+X+Y in virtual-screen pixels, the primary first (at +0+0),
// such as 800x600+0+0,640x480-640+0; the picture is then the virtual screen's bounding rectangle,
// every monitor's scene at its place and black outside the monitors, and a --desktop image lies
// over that whole rectangle. Without it, one monitor of --size (800x600 by default). A monitor (or
// the size) may end in @DPI, its dots per inch (96 unless given; the primary's are the system's):
// 3840x2160+0+0@192 is drawn at scale 2.
//
// It starts the saver's own full-screen run on the memory backend, then lets the virtual clock run
// N ticks of timer 0 (every Speed milliseconds; timer 1 ticks too when Max is above 250), so the
// frames are the ones the saver draws.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lifecycle/main.h"
#include "lifecycle/saver.h"
#include "platform/errors.h"
#include "platform/memory/memory_platform.h"
#include "scene/scene.h"
#include "settings/saver_settings.h"
#include "tools/frin_render/image_out.h"

namespace frin {
namespace {

constexpr int32_t kTwipsPerPixel = 15;
constexpr int32_t kMaxSide = 16384;
constexpr int32_t kBaseDpi = 96;
constexpr int32_t kMaxDpi = 960;

const char* const kUsage =
    "usage: frin-render [--size WxH[@DPI] | --monitors WxH+X+Y[@DPI],...] [--ticks N] [--seed N] "
    "[--set KEY=VALUE]... [--desktop IMAGE] [--png FILE] [--gif FILE] [--every K]";

struct Args {
  int32_t width = 800, height = 600;
  int32_t dpi = kBaseDpi;      // --size's
  std::vector<Rect> monitors;  // empty: one monitor of width x height
  std::vector<int32_t> dpis;   // each monitor's
  uint64_t ticks = 100;
  std::optional<uint64_t> seed;
  std::vector<std::pair<std::string, std::string>> settings;
  std::string desktop, png, gif;
  uint64_t every = 1;
};

struct BadArgument {
  std::string message;
};

template <typename T>
T Number(std::string_view text, T low, T high, const std::string& what) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    throw BadArgument{what + " must be a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not \"" + std::string(text) + "\""};
  }
  return value;
}

// One signed offset of a monitor's place: "+640" or "-640".
int32_t Offset(std::string_view text, const std::string& what) {
  if (text.empty() || (text[0] != '+' && text[0] != '-')) {
    throw BadArgument{"--monitors: " + what + " must start with + or -"};
  }
  const int32_t v = Number<int32_t>(text.substr(1), 0, kMaxSide, what);
  return text[0] == '-' ? -v : v;
}

// "...@DPI": the text before the @, and the dots per inch after it (96 without one).
std::pair<std::string_view, int32_t> SplitDpi(std::string_view text, const std::string& what) {
  const size_t at = text.find('@');
  if (at == std::string_view::npos) return {text, kBaseDpi};
  return {text.substr(0, at), Number<int32_t>(text.substr(at + 1), 1, kMaxDpi, what)};
}

// "WxH+X+Y,WxH-X+Y@DPI,...": the primary first, at +0+0; the virtual screen at most kMaxSide a
// side. Each monitor's dots per inch go to dpis.
std::vector<Rect> ParseMonitors(const std::string& list, std::vector<int32_t>& dpis) {
  std::vector<Rect> monitors;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const auto [item, dpi] = SplitDpi(std::string_view(list).substr(start, comma - start),
                                      "--monitors: a monitor's dpi");
    dpis.push_back(dpi);
    const size_t x = item.find('x');
    const size_t signs = item.find_first_of("+-");
    const size_t second =
        signs == std::string_view::npos ? signs : item.find_first_of("+-", signs + 1);
    if (x == std::string_view::npos || signs == std::string_view::npos || signs < x ||
        second == std::string_view::npos) {
      throw BadArgument{"--monitors takes WxH+X+Y,..., such as 800x600+0+0,640x480-640+0, not \"" +
                        std::string(item) + "\""};
    }
    const int32_t w = Number<int32_t>(item.substr(0, x), 1, kMaxSide, "a monitor's width");
    const int32_t h =
        Number<int32_t>(item.substr(x + 1, signs - x - 1), 1, kMaxSide, "a monitor's height");
    const int32_t left = Offset(item.substr(signs, second - signs), "a monitor's x");
    const int32_t top = Offset(item.substr(second), "a monitor's y");
    monitors.push_back(Rect{left, top, left + w, top + h});
    start = comma + 1;
  }
  if (monitors.front().left != 0 || monitors.front().top != 0) {
    throw BadArgument{"--monitors: the first monitor is the primary and lies at +0+0"};
  }
  Rect bound = monitors.front();
  for (const Rect& m : monitors) {
    bound = Rect{std::min(bound.left, m.left), std::min(bound.top, m.top),
                 std::max(bound.right, m.right), std::max(bound.bottom, m.bottom)};
  }
  if (bound.Width() > kMaxSide || bound.Height() > kMaxSide) {
    throw BadArgument{"--monitors: the monitors must fit in " + std::to_string(kMaxSide) +
                      " pixels a side"};
  }
  return monitors;
}

Args Parse(int argc, char** argv) {
  Args a;
  const std::vector<std::string> keys = {"Max",     "Speed",  "SaverType", "BackScreen",
                                         "BS_File", "Remain", "Mouse_Move"};
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw BadArgument{opt + " needs a value"};
      return argv[++i];
    };
    if (opt == "--size") {
      const std::string text = value();
      const auto [v, dpi] = SplitDpi(text, "--size: the dpi");
      const size_t x = v.find('x');
      if (x == std::string::npos) throw BadArgument{"--size takes WxH, such as 800x600"};
      a.width = Number<int32_t>(v.substr(0, x), 1, kMaxSide, "the width");
      a.height = Number<int32_t>(v.substr(x + 1), 1, kMaxSide, "the height");
      a.dpi = dpi;
    } else if (opt == "--monitors") {
      a.dpis.clear();
      a.monitors = ParseMonitors(value(), a.dpis);
    } else if (opt == "--ticks") {
      a.ticks = Number<uint64_t>(value(), 0, 10'000'000, "--ticks");
    } else if (opt == "--seed") {
      a.seed = Number<uint64_t>(value(), 0, UINT64_MAX, "--seed");
    } else if (opt == "--every") {
      a.every = Number<uint64_t>(value(), 1, 10'000'000, "--every");
    } else if (opt == "--set") {
      const std::string v = value();
      const size_t eq = v.find('=');
      const std::string key = v.substr(0, eq);
      if (eq == std::string::npos || std::find(keys.begin(), keys.end(), key) == keys.end()) {
        throw BadArgument{
            "--set takes KEY=VALUE with KEY one of Max, Speed, SaverType, "
            "BackScreen, BS_File, Remain, Mouse_Move"};
      }
      a.settings.emplace_back(key, v.substr(eq + 1));
    } else if (opt == "--desktop") {
      a.desktop = value();
    } else if (opt == "--png") {
      a.png = value();
    } else if (opt == "--gif") {
      a.gif = value();
    } else if (opt == "--help" || opt == "-h") {
      std::cout << kUsage << "\n";
      std::exit(0);
    } else {
      throw BadArgument{"unknown argument \"" + opt + "\""};
    }
  }
  return a;
}

uint64_t RealClock() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count());
}

int Render(const Args& a) {
  MemoryPlatform api(a.seed ? *a.seed : RealClock());
  if (a.monitors.empty()) {
    if (a.dpi == kBaseDpi) {
      api.SetScreenPixels(a.width, a.height, kTwipsPerPixel);
    } else {
      api.SetScreenDpi(a.width, a.height, a.dpi, a.dpi);
    }
  } else {
    api.SetMonitors(a.monitors, a.dpis);
  }
  for (const auto& [key, text] : a.settings) {
    api.SetSetting(kSettingsApp, kSettingsSection, key, text);
  }
  if (!a.desktop.empty()) {
    std::optional<Surface> desk = MemoryPlatform::DecodeImageFile(a.desktop);
    if (!desk) throw BadArgument{"--desktop: cannot read \"" + a.desktop + "\" as a picture"};
    api.SetDesktop(std::move(*desk));
  }

  Saver saver(api);
  try {
    LoadSettings(saver.SaverSettings, api);
  } catch (const RuntimeError& e) {
    throw BadArgument{std::string("the settings cannot be loaded: ") + e.what()};
  }
  if (saver.SaverSettings.Speed <= 0) {
    throw BadArgument{"Speed must be above 0 for the timers to tick"};
  }

  // The full-screen run itself, as the saver starts it with "/s": from here on the virtual clock
  // ticks its timers exactly as the system would.
  api.SetCommandText("/s");
  Main(saver);
  // One monitor: its canvas. Several: the virtual screen, each canvas copied to its monitor.
  Surface composite;
  const Rect virtualScreen = api.VirtualScreen();
  if (!a.monitors.empty()) composite = Surface(virtualScreen.Width(), virtualScreen.Height());
  const auto frame = [&]() -> const Surface& {
    if (a.monitors.empty()) return saver.Primary().canvas->surface;
    for (const Scene& scene : saver.Scenes) {
      BitBlt(composite, scene.Origin.x - virtualScreen.left, scene.Origin.y - virtualScreen.top,
             scene.SceneState.SceneWidth, scene.SceneState.SceneHeight, scene.canvas->surface, 0, 0,
             RasterOp::kSrcCopy);
    }
    return composite;
  };
  const Surface& canvas = frame();
  GifWriter gif;
  std::string error;
  if (!a.gif.empty() && !gif.Open(a.gif, canvas.Width(), canvas.Height(), error)) {
    std::cerr << "frin-render: " << a.gif << ": " << error << "\n";
    return 1;
  }
  const uint64_t speed = static_cast<uint64_t>(saver.SaverSettings.Speed);
  const uint64_t frameMs = a.every * speed;
  for (uint64_t tick = 1; tick <= a.ticks; ++tick) {
    api.Advance(speed);
    if (!a.gif.empty() && tick % a.every == 0 &&
        !gif.AddFrame(frame(), static_cast<uint32_t>(std::min<uint64_t>(frameMs, UINT32_MAX)),
                      error)) {
      std::cerr << "frin-render: " << a.gif << ": " << error << "\n";
      return 1;
    }
  }
  if (!a.gif.empty()) {
    if (a.ticks < a.every && !gif.AddFrame(frame(), static_cast<uint32_t>(frameMs), error)) {
      std::cerr << "frin-render: " << a.gif << ": " << error << "\n";
      return 1;
    }
    if (!gif.Close(error)) {
      std::cerr << "frin-render: " << a.gif << ": " << error << "\n";
      return 1;
    }
  }
  if (!a.png.empty() && !WritePng(frame(), a.png, error)) {
    std::cerr << "frin-render: " << a.png << ": " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace frin

int main(int argc, char** argv) {
  try {
    return frin::Render(frin::Parse(argc, argv));
  } catch (const frin::BadArgument& e) {
    std::cerr << "frin-render: " << e.message << "\n";
    return 2;
  } catch (const frin::RuntimeError& e) {
    std::cerr << "frin-render: error " << e.Number() << ": " << e.what() << "\n";
    return 1;
  } catch (const frin::ProcessEnded& e) {
    std::cerr << "frin-render: the saver ended (status " << e.status << ")\n";
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "frin-render: out of memory (is Max or --size too large?)\n";
    return 1;
  }
}
