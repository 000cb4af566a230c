// The system's imaging component (WIC), reached through COM alone, so that frin.scr still starts
// where it is missing (Windows XP before SP3): there each decode answers "not decided" and the
// caller falls back to OleLoadPicture.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "platform/raster.h"

namespace frin::win32 {

// What the imaging component made of a file.
struct WicResult {
  bool decided = false;            // false: it cannot decode it here; ask OleLoadPicture
  std::optional<Surface> picture;  // when decided: the picture, or nullopt for the black background
};

// Decodes a jpg: its frame's pixels in the jpg decoder's own formats (24-bit colour, 8-bit grey;
// anything else is left to OleLoadPicture) copied as OleLoadPicture would show them: colour as
// it is, grey as equal red, green and blue.
WicResult DecodeJpegWithWic(std::string_view bytes);

// Decodes the first frame of any picture one of the system's decoders takes (png, tiff, and
// whatever the machine has codecs for: WebP, HEIC, AVIF, ...), converted to colour with alpha
// composited over black, as the black loading box shows a transparent part. The frame's size is
// held to the picture bounds before any pixel is decoded.
WicResult DecodeWithWic(std::string_view bytes);

}  // namespace frin::win32
