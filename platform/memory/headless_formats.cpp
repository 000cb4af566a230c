#include "platform/memory/headless_formats.h"

#include <new>
#include <utility>

#include "platform/picture_header.h"
#include "platform/picture_orientation.h"

namespace frin {

bool HeadlessPictureFormat(std::string_view loaderName) {
  for (std::string_view shown :
       {"bmp", "jpeg", "gif", "ico", "wmf", "png", "tiff", "webp", "heif", "avif"}) {
    if (loaderName == shown) return true;
  }
  return false;
}

std::optional<Surface> UprightDecoded(std::optional<Surface> picture, std::string_view fileBytes,
                                      const char* pixbufOrientation) {
  if (!picture || PictureFormatOf(fileBytes) != PictureFormat::kTiff) {
    return Upright(std::move(picture), fileBytes);
  }
  const std::string_view rest = pixbufOrientation != nullptr ? pixbufOrientation : "1";
  if (rest.size() != 1 || rest[0] < '2' || rest[0] > '8') return picture;
  try {
    return Orient(*picture, rest[0] - '0');
  } catch (const std::bad_alloc&) {
    return picture;
  }
}

}  // namespace frin
