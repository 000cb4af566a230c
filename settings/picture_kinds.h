// The patterns of the picture chooser's first filter: every kind of picture file the saver can
// show, by the names such files usually carry (the saver itself reads a file by its content). The
// system's codecs for WebP, HEIC and AVIF are not on every machine; their files are offered
// anyway, and where no codec reads one it gives the black background.
#pragma once

namespace frin {

inline constexpr const char* kEveryPicturePattern =
    "*.bmp;*.dib;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.tif;*.tiff;*.ico;*.wmf;*.emf;*.webp;"
    "*.heic;*.heif;*.avif";

}  // namespace frin
