// Decodes a jpg file ROUNDS times with the saver's decoder, on one thread and with the helper
// thread as frin.scr decodes, then stretches the picture over 3840 x 2160 on both threads as the
// saver's start-up does, and prints the median milliseconds of each: the picture's part of the
// start-up as the Windows build runs it (the last figures of bench/wine_startup.sh).
// Usage: decode_jpeg.exe FILE [ROUNDS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/jpeg_decoder.h"
#include "platform/raster.h"
#include "platform/win32/win32_helper_thread.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// Milliseconds of one decode, or a negative number when the decoder did not give the picture.
double TimeDecode(const std::string& bytes, bool twoThreads, std::optional<frin::Surface>* out) {
  LARGE_INTEGER t0, t1;
  frin::win32::Win32HelperThread helper;
  QueryPerformanceCounter(&t0);
  frin::JpegResult r = frin::DecodeBaselineJpeg(bytes, twoThreads ? &helper : nullptr);
  QueryPerformanceCounter(&t1);
  if (r.outcome != frin::JpegOutcome::kDecoded || !r.picture) return -1;
  if (out != nullptr) *out = std::move(r.picture);
  return Milliseconds(t0, t1);
}

double TimeStretch(const frin::Surface& picture, frin::Surface& screen) {
  LARGE_INTEGER t0, t1;
  frin::win32::Win32HelperThread helper;
  QueryPerformanceCounter(&t0);
  frin::StretchPaint(screen, frin::Rect{0, 0, screen.Width(), screen.Height()}, picture,
                     frin::Rect{0, 0, picture.Width(), picture.Height()}, &helper);
  QueryPerformanceCounter(&t1);
  return Milliseconds(t0, t1);
}

void Print(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%-30s %7.1f ms  (%.1f .. %.1f ms over %d)\n", what, times[times.size() / 2],
              times.front(), times.back(), static_cast<int>(times.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: decode_jpeg FILE [ROUNDS]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::optional<frin::Surface> picture;
  for (const bool two : {false, true}) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
      const double ms = TimeDecode(bytes, two, two ? &picture : nullptr);
      if (ms < 0) {
        std::fprintf(stderr, "the decoder did not give the picture in %s\n", argv[1]);
        return 1;
      }
      times.push_back(ms);
    }
    Print(two ? "decode, two threads" : "decode, one thread", times);
  }
  frin::Surface screen(3840, 2160);
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i)
    times.push_back(TimeStretch(*picture, screen));
  Print("stretch to 3840x2160, two", times);
  return 0;
}
