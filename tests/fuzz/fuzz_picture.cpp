// Picture files through the memory backend's loader: the first byte names the file .bmp, .jpg,
// .wmf, .png, .gif or .tif (the loader reads the content whatever the name), the rest is its
// content. Properties: a picture that loads has a positive size within the stated bound and
// agrees with what its header promised (turned upright, the sides may be swapped); one that does
// not gives nullopt (the black background). Hangs and memory blow-ups are libFuzzer's -timeout and
// -rss_limit_mb.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/memory/memory_platform.h"
#include "platform/picture_header.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kExtensions[6] = {".bmp", ".jpg", ".wmf", ".png", ".gif", ".tif"};
  const std::string path = "/tmp/frin-fuzz-" + std::to_string(getpid()) + kExtensions[data[0] % 6];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  } else {
    return 0;
  }
  frin::MemoryPlatform api;
  const std::optional<frin::Surface> picture = api.LoadPicture(path);
  std::remove(path.c_str());
  if (!picture) return 0;
  FUZZ_CHECK(frin::PictureSizeAllowed(picture->Width(), picture->Height()));
  FUZZ_CHECK(static_cast<int64_t>(picture->Pixels().size()) ==
             static_cast<int64_t>(picture->Width()) * picture->Height());
  const std::optional<frin::PictureExtent> extent = frin::ReadPictureExtent(bytes, 96, 96);
  FUZZ_CHECK(extent.has_value());
  if (extent->format != frin::PictureFormat::kWmf) {  // a metafile is sized by the resolution
    const bool same = picture->Width() == extent->width && picture->Height() == extent->height;
    const bool swapped = picture->Width() == extent->height && picture->Height() == extent->width;
    FUZZ_CHECK(same || swapped);
  }
  return 0;
}
