// Turns a decoded picture upright as its file's orientation tag says, before the raster stretches
// it over the screen. Both backends hand every picture they decode through Upright, so the same
// file stands the same way headless and on Windows, whichever decoder read it.
#pragma once

#include <optional>
#include <string_view>

#include "platform/raster.h"

namespace frin {

// The stored picture turned and mirrored as orientation (1 to 8, as ReadOrientation gives it)
// says: 5 to 8 swap its width and height. Any other value gives a copy as it is.
Surface Orient(const Surface& stored, int orientation);

// The picture decoded from fileBytes, upright. When there is no room for a turned copy, the
// picture as stored (it is shown as it was before the tag was read, rather than not at all).
std::optional<Surface> Upright(std::optional<Surface> picture, std::string_view fileBytes);
// The same, given the orientation read from the file beforehand.
std::optional<Surface> Upright(std::optional<Surface> picture, int orientation);

}  // namespace frin
