// The picture of the settings dialog's Image1: a white six-armed crystal on a blue ground that
// lightens from the top row to the bottom row, 32 x 32 pixels at 96 dpi and drawn afresh at each
// larger display scale.
#pragma once

#include "platform/raster.h"

namespace frin {

inline constexpr int32_t kDialogPictureSize = 32;

// The ground colour of one row (0 at the top) of the picture at a display scale, darker blue at
// the top. At scale 1 each row is three steps lighter than the one above; at scale k the same
// gradient runs smoothly over the k times taller picture, each colour within a step of the
// 32-row picture's row row / k.
Pixel DialogPictureGround(int32_t row, int32_t scale = 1);

// The whole picture at a display scale (1 below 1): scale x 32 pixels square, the crystal's
// lines scale pixels wide and white, every other pixel its row's ground colour.
Surface DialogPicture(int32_t scale = 1);

}  // namespace frin
