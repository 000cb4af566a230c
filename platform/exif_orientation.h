// The orientation tag of a picture file: how the camera held the picture it stored. A phone
// keeps a portrait photo in the sensor's landscape rows and says so with this tag (6: turn the
// stored picture a quarter clockwise to see it upright), so the picture must be turned before it
// is stretched over the screen. Read from the bytes alone, in every form that carries it: a jpg's
// Exif segment, a tiff's first directory, a png's eXIf chunk and a WebP's EXIF chunk.
#pragma once

#include <string_view>

namespace frin {

// The orientation as Exif numbers it, 1 to 8:
//   1 upright            2 mirrored left-right   3 turned half round   4 mirrored top-bottom
//   5 mirrored along the main diagonal           6 stored a quarter turn anticlockwise
//   7 mirrored along the other diagonal          8 stored a quarter turn clockwise
// 1 for a file without the tag, with a tag of another value, or with a damaged one.
int ReadOrientation(std::string_view fileBytes);

}  // namespace frin
