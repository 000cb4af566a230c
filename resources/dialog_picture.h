// The picture of the settings dialog's Image1: a white six-armed crystal on a blue ground that
// lightens from the top row to the bottom row, 32 x 32 pixels.
#pragma once

#include "platform/raster.h"

namespace frin {

inline constexpr int32_t kDialogPictureSize = 32;

// The ground colour of one row (0 at the top), darker blue at the top.
Pixel DialogPictureGround(int32_t row);

// The whole picture: the crystal's pixels white, every other pixel its row's ground colour.
Surface DialogPicture();

}  // namespace frin
