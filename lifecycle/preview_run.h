// The preview run: the scene drawn small inside the window the host's display settings hand over
// with "/p", with the flake count scaled to the preview's width. Input never ends it; it ends when
// the host closes the preview window.
#pragma once

#include <cstdint>

#include "lifecycle/saver.h"

namespace frin {

inline constexpr const char* kPreviewCaption = "Frin Prev";

// The preview start: sizes the scene to the host window, loads Form_Screen as the host's child,
// sets PreviewMode 1 and runs RunPreview. A handle that names no window, or a host without width,
// ends the process at once and quietly: there is nothing to draw into.
void StartPreview(Saver& saver, int32_t commandHandle);

// Lays the window out, scales Max, prepares and starts the scene and brings the host's
// display-properties dialog back to the top.
void RunPreview(Saver& saver);

// The flake count for a preview: Max divided by how many whole preview widths fit across the
// screen, at least 1. A preview wider than the screen (no whole width fits) keeps Max as it is.
int32_t ScalePreviewMax(int32_t max, int32_t screenTwips, int32_t twipsPerPixelX,
                        int32_t sceneWidth);

// Form_Screen's unload handler: in the preview it asks the window's owner to close, which ends the
// process; outside the preview it does nothing. The unload always goes ahead.
void Form_Unload(Saver& saver);

}  // namespace frin
