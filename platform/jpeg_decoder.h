// The saver's own decoder for the jpg files nearly every camera and editor writes: baseline
// (sequential, Huffman-coded, 8-bit) pictures in grey or colour with any sampling. It splits its
// work over two processors: one thread reads the entropy-coded rows of blocks, and both turn
// finished rows into pixels. The system's decoder takes everything else (progressive and
// arithmetic-coded pictures, CMYK, a damaged stream), so a file this decoder declines is shown
// exactly as before.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "platform/helper_thread.h"
#include "platform/raster.h"

namespace frin {

enum class JpegOutcome {
  kDecoded,   // the picture, or nullopt when the process has no room for it
  kDeclined,  // not a baseline jpg, or a stream this decoder does not finish: ask the system's
};

struct JpegResult {
  JpegOutcome outcome = JpegOutcome::kDeclined;
  std::optional<Surface> picture;
};

// A decode that may begin before the picture is wanted: Begin hands the reading to the helper
// thread (which decodes alone meanwhile), and Finish joins in on the caller's thread, waits for
// the end and gives the result. The bytes must stay valid until the job is finished or gone.
class JpegJob {
 public:
  explicit JpegJob(std::string_view bytes);
  ~JpegJob();  // waits for the helper thread if Finish was not called
  JpegJob(const JpegJob&) = delete;
  JpegJob& operator=(const JpegJob&) = delete;

  // Starts the decode on helper; false when there is none or it cannot start (Finish then does
  // all the work).
  bool Begin(HelperThread* helper);
  // Call once.
  JpegResult Finish();

 private:
  struct Work;
  std::unique_ptr<Work> work_;
};

// Decodes a whole jpg file. With a helper the work runs on two threads, without it on the
// caller's alone; the pixels are the same either way. Grey pictures come out as equal red, green
// and blue; subsampled colour repeats each colour sample over the pixels it covers.
JpegResult DecodeBaselineJpeg(std::string_view bytes, HelperThread* helper);

}  // namespace frin
