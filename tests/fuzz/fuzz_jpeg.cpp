// Any bytes through the saver's own jpg decoder, on one thread and on two. Properties: both
// paths give the same outcome and the same pixels; a decoded picture has the size its header
// declares, within the stated bound.
#include <cstdint>
#include <string_view>

#include "platform/jpeg_decoder.h"
#include "platform/picture_header.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/std_helper_thread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const frin::JpegResult one = frin::DecodeBaselineJpeg(bytes, nullptr);
  frin::StdHelperThread helper;
  const frin::JpegResult two = frin::DecodeBaselineJpeg(bytes, &helper);
  FUZZ_CHECK(one.outcome == two.outcome);
  FUZZ_CHECK(one.picture.has_value() == two.picture.has_value());
  if (!one.picture) return 0;
  FUZZ_CHECK(frin::PictureSizeAllowed(one.picture->Width(), one.picture->Height()));
  FUZZ_CHECK(one.picture->Pixels() == two.picture->Pixels());
  return 0;
}
