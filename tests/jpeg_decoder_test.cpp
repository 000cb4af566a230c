// The saver's own jpg decoder against the system's library (through the headless backend's
// loader): the same pixels where both use the same arithmetic, near ones where the library
// interpolates subsampled colour, the same pixels on one thread and on two (a decode begun ahead
// included), and a clean refusal of what it does not take.
#include "platform/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/memory/memory_platform.h"
#include "tests/std_helper_thread.h"

namespace frin {
namespace {

std::string DataPath(const std::string& name) {
  return std::string(FRIN_TEST_DATA) + "/" + name;
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(DataPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The largest difference of any channel of any pixel, and the mean one.
int MaxDifference(const Surface& a, const Surface& b, double* mean = nullptr) {
  int worst = 0;
  int64_t sum = 0;
  for (int32_t y = 0; y < a.Height(); ++y) {
    for (int32_t x = 0; x < a.Width(); ++x) {
      const Pixel p = a.Row(y)[x], q = b.Row(y)[x];
      for (int shift = 0; shift <= 16; shift += 8) {
        const int d =
            std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
        worst = std::max(worst, d);
        sum += d;
      }
    }
  }
  if (mean != nullptr) *mean = static_cast<double>(sum) / (3.0 * a.Width() * a.Height());
  return worst;
}

// Where colour is subsampled the library interpolates between colour samples and this decoder
// repeats them: the two part at sharp colour edges only, so the mean difference stays small.
struct Case {
  const char* file;
  bool subsampled;
};

TEST(JpegDecoder, DecodesWhatTheLibraryDecodes) {
  MemoryPlatform api;
  for (const Case& c :
       {Case{"jpeg_444.jpg", false}, Case{"jpeg_grey.jpg", false}, Case{"jpeg_rgb.jpg", false},
        Case{"jpeg_420.jpg", true}, Case{"jpeg_422.jpg", true}, Case{"jpeg_restart.jpg", true},
        Case{"jpeg_large.jpg", true}}) {
    SCOPED_TRACE(c.file);
    const JpegResult ours = DecodeBaselineJpeg(ReadFile(c.file), nullptr);
    ASSERT_EQ(ours.outcome, JpegOutcome::kDecoded);
    ASSERT_TRUE(ours.picture.has_value());
    const std::optional<Surface> library = api.LoadPicture(DataPath(c.file));
    ASSERT_TRUE(library.has_value());
    ASSERT_EQ(ours.picture->Width(), library->Width());
    ASSERT_EQ(ours.picture->Height(), library->Height());
    double mean = 0;
    const int worst = MaxDifference(*ours.picture, *library, &mean);
    if (c.subsampled) {
      EXPECT_LT(mean, 8.0);
    } else {
      EXPECT_EQ(worst, 0);
    }
  }
}

TEST(JpegDecoder, TwoThreadsPaintTheSamePixelsAsOne) {
  for (const char* file : {"jpeg_large.jpg", "jpeg_444.jpg", "jpeg_restart.jpg"}) {
    SCOPED_TRACE(file);
    const std::string bytes = ReadFile(file);
    const JpegResult one = DecodeBaselineJpeg(bytes, nullptr);
    for (int run = 0; run < 5; ++run) {
      StdHelperThread helper;
      const JpegResult two = DecodeBaselineJpeg(bytes, &helper);
      ASSERT_TRUE(two.picture.has_value());
      EXPECT_TRUE(two.picture->Pixels() == one.picture->Pixels());
    }
  }
}

TEST(JpegDecoder, DeclinesWhatItDoesNotTakeAndDamagedStreams) {
  // Progressive, and not a jpg at all.
  EXPECT_EQ(DecodeBaselineJpeg(ReadFile("jpeg_progressive.jpg"), nullptr).outcome,
            JpegOutcome::kDeclined);
  EXPECT_EQ(DecodeBaselineJpeg(ReadFile("two_colour_4x3.bmp"), nullptr).outcome,
            JpegOutcome::kDeclined);
  EXPECT_EQ(DecodeBaselineJpeg("", nullptr).outcome, JpegOutcome::kDeclined);
  // Cut anywhere inside the scan: declined (the system's decoder then decides), never more
  // pixels from bits that are not there. Cut in the headers: declined too.
  const std::string whole = ReadFile("jpeg_large.jpg");
  for (size_t length = 0; length + 2 < whole.size(); length += 997) {
    SCOPED_TRACE(length);
    StdHelperThread helper;
    EXPECT_EQ(DecodeBaselineJpeg(whole.substr(0, length), &helper).outcome, JpegOutcome::kDeclined);
  }
  // A scan whose bytes are noise: declined or decoded, on both paths alike.
  std::string noisy = whole;
  for (size_t i = whole.size() / 2; i < whole.size() - 2; i += 13)
    noisy[i] = static_cast<char>(i);
  StdHelperThread helper;
  const JpegResult a = DecodeBaselineJpeg(noisy, nullptr), b = DecodeBaselineJpeg(noisy, &helper);
  EXPECT_EQ(a.outcome, b.outcome);
}

TEST(JpegDecoder, AJobBegunAheadGivesThePicturePaintedByOneThread) {
  const std::string bytes = ReadFile("jpeg_large.jpg");
  const JpegResult one = DecodeBaselineJpeg(bytes, nullptr);
  // Joined at once, while the helper decodes alone, and after it has finished alone.
  for (int waitMs : {0, 3, 200}) {
    SCOPED_TRACE(waitMs);
    StdHelperThread helper;
    JpegJob job(bytes);
    ASSERT_TRUE(job.Begin(&helper));
    EXPECT_FALSE(job.Begin(&helper));  // one helper per job
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    const JpegResult r = job.Finish();
    ASSERT_EQ(r.outcome, JpegOutcome::kDecoded);
    ASSERT_TRUE(r.picture.has_value());
    EXPECT_TRUE(r.picture->Pixels() == one.picture->Pixels());
  }
  {  // not begun: all on the caller's thread
    JpegJob job(bytes);
    EXPECT_FALSE(job.Begin(nullptr));
    EXPECT_TRUE(job.Finish().picture->Pixels() == one.picture->Pixels());
  }
  for (const char* file : {"jpeg_progressive.jpg", "two_colour_4x3.bmp"}) {
    const std::string declined = ReadFile(file);
    StdHelperThread helper;
    JpegJob job(declined);
    ASSERT_TRUE(job.Begin(&helper));
    EXPECT_EQ(job.Finish().outcome, JpegOutcome::kDeclined) << file;
  }
  // A job nobody asks for ends with its owner, in the middle of the decode or before it began.
  for (int waitMs : {0, 3}) {
    StdHelperThread helper;
    JpegJob job(bytes);
    ASSERT_TRUE(job.Begin(&helper));
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
  }
}

}  // namespace
}  // namespace frin
