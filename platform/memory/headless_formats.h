// The headless backend's picture rules beside its gdk-pixbuf loader: which of gdk-pixbuf's
// formats the saver shows (those the Windows backend shows too), and the turn a file's
// orientation tag asks for.
#pragma once

#include <optional>
#include <string_view>

#include "platform/raster.h"

namespace frin {

// Whether pictures of the gdk-pixbuf loader of this name are shown: bmp, jpeg, gif, ico, wmf,
// png and tiff, and WebP, heif and avif where a loader for them is installed. Not the loaders of
// formats the Windows backend never reads (xpm, tga, svg and the like).
bool HeadlessPictureFormat(std::string_view loaderName);

// The picture gdk-pixbuf decoded from fileBytes, turned upright. pixbufOrientation is the
// loader's "orientation" option (null when it set none): its tiff loader has libtiff turn the
// picture part of the way and leaves only the rest there, so a tiff takes that rest; every other
// format the tag read from the bytes, as the Windows backend reads it.
std::optional<Surface> UprightDecoded(std::optional<Surface> picture, std::string_view fileBytes,
                                      const char* pixbufOrientation);

}  // namespace frin
