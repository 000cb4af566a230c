// The first filter of the picture chooser: every kind of picture file the saver can show, by
// the names such files usually carry (the saver itself reads a file by its content). The
// system's codecs for WebP, HEIC and AVIF are not on every machine; their files are offered
// anyway, and where no codec reads one it gives the black background.
#pragma once

namespace frin {

#define FRIN_EVERY_PICTURE_PATTERN                                                           \
  "*.bmp;*.dib;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.tif;*.tiff;*.ico;*.wmf;*.emf;*.webp;" \
  "*.heic;*.heif;*.avif"

inline constexpr const char* kEveryPicturePattern = FRIN_EVERY_PICTURE_PATTERN;
inline constexpr const char* kEveryPictureDescription =
    "ﾋﾟｸﾁｬｰﾌｧｲﾙ (" FRIN_EVERY_PICTURE_PATTERN ")";

#undef FRIN_EVERY_PICTURE_PATTERN

}  // namespace frin
