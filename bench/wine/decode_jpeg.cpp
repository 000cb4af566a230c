// Decodes a jpg file ROUNDS times with the saver's decoder, on one thread and with the helper
// thread as frin.scr decodes, and prints the median milliseconds of each: the decoder's speed as
// the Windows build runs it (the last figures of bench/wine_startup.sh).
// Usage: decode_jpeg.exe FILE [ROUNDS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/jpeg_decoder.h"
#include "platform/win32/win32_helper_thread.h"

namespace {

// Milliseconds of one decode, or a negative number when the decoder did not give the picture.
double TimeOne(const std::string& bytes, bool twoThreads) {
  LARGE_INTEGER frequency, t0, t1;
  QueryPerformanceFrequency(&frequency);
  frin::win32::Win32HelperThread helper;
  QueryPerformanceCounter(&t0);
  const frin::JpegResult r = frin::DecodeBaselineJpeg(bytes, twoThreads ? &helper : nullptr);
  QueryPerformanceCounter(&t1);
  if (r.outcome != frin::JpegOutcome::kDecoded || !r.picture) return -1;
  return 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) /
         static_cast<double>(frequency.QuadPart);
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
  for (const bool two : {false, true}) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
      const double ms = TimeOne(bytes, two);
      if (ms < 0) {
        std::fprintf(stderr, "the decoder did not give the picture in %s\n", argv[1]);
        return 1;
      }
      times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-12s %7.1f ms  (%.1f .. %.1f ms over %d decodes)\n",
                two ? "two threads" : "one thread", times[times.size() / 2], times.front(),
                times.back(), rounds);
  }
  return 0;
}
