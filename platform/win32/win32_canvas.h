// The saver window's canvas: what presenting needs and nothing else. Each picture box of the
// saver's form is mirrored by a DIB section whose memory its surface is lent, so the raster
// draws straight into what the window is painted from; the window's own device context and the
// regions a present rebuilds in place are made once, with the canvas, so a tick allocates and
// creates nothing. Only the saver window has one; the settings dialog's controls paint
// themselves. Its functions are in win32_present.cpp. Included through win32_platform.h, which
// settles the system header's names first.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/form.h"
#include "platform/raster.h"
#include "platform/win32/win32_damage.h"
#include "platform/win32/win32_layout.h"

namespace frin::win32 {

// A control's rectangle in its form's client area, frames included.
inline RECT ClientRectOf(const Control& c, int32_t tppX, int32_t tppY) {
  const PixelBox b = ControlPixels(c, tppX, tppY);
  return RECT{b.left, b.top, b.right, b.bottom};
}

class SaverCanvas {
 public:
  // The window's own device context (its class has CS_OWNDC) with a clip region of the canvas's
  // selected, and a mirror of each picture box of form, whose surfaces track their damage from
  // now on. The sections themselves are made when a box is first painted or presented.
  SaverCanvas(HWND hwnd, Form& form, int32_t tppX, int32_t tppY);
  ~SaverCanvas() { Release(false); }
  SaverCanvas(const SaverCanvas&) = delete;
  SaverCanvas& operator=(const SaverCanvas&) = delete;

  // Frees every object the canvas made; reclaim: the boxes still exist, so their surfaces get
  // their pixels back. Called once the window is destroyed; later calls do nothing.
  void Release(bool reclaim);

  // WM_PAINT: every shown box, the first in tab order on top, and black elsewhere.
  void Paint(HDC hdc);
  // Copies what was drawn since the last present to the window: one BitBlt a box, clipped to a
  // region of its damage.
  void Present();
  // After a timer tick: true when another tick is already waiting and this one's drawing is
  // left for it to present. Only one tick waits so, so that a machine too slow for its timers
  // still shows every other tick.
  bool DeferPresent();
  // The shown, enabled picture box under a point of the client area, or null.
  Control* BoxAt(int x, int y) const;

 private:
  // A picture box with the DIB section its surface is lent, selected into a memory device
  // context of its own.
  struct BoxMirror {
    Control* box = nullptr;
    HBITMAP dib = nullptr;
    HDC dc = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    Pixel* bits = nullptr;
    int32_t width = 0, height = 0;
    DamageTiles tiles;  // a busy tick's damage, coalesced
  };
  static constexpr int kWholeWindow = 0x7FFF;  // a region edge beyond every window

  RECT BoxRect(const Control& box) const { return ClientRectOf(box, tppX_, tppY_); }
  // Makes the DIB section at the surface's size and lends it to the surface, unless it is lent
  // already; true when it was (re)made (or could not be).
  static bool SyncMirror(BoxMirror& m);
  static void ReleaseMirror(BoxMirror& m, bool reclaim);

  HWND hwnd_;
  int32_t tppX_, tppY_;
  std::vector<BoxMirror> boxes_;
  HDC dc_ = nullptr;              // the window's own device context
  HRGN clip_ = nullptr;           // the clip region of a present, rebuilt in place
  HRGN piece_ = nullptr;          // one rectangle of it
  HRGN row_ = nullptr;            // one row of tiles of it
  bool presentDeferred_ = false;  // a tick left its drawing for the next tick to present
};

}  // namespace frin::win32
