// The saver window Form_Screen as it is when loaded: its controls, their design rectangles
// (twips, at 15 twips per pixel), colours, visibility, persistent images, tab order and the two
// timers. Loading it through the platform and wiring its handlers is the run's business; this
// file only builds the model.
//
// Picture boxes and their surfaces. A box's surface is its persistent image: what its device
// context yields and what the window shows. Moving a box (Control::Move) changes only its twips
// rectangle; the surface keeps its size and pixels. Whoever moves a box whose surface must match
// the new size sizes it explicitly with Control::SizeSurfaceToBox, which makes the surface
// (width / twips per pixel) x (height / twips per pixel) pixels of one colour, the old pixels
// dropped. PlaceSurfaceBox below does both; the runs use it for the canvas Screen(0) and the
// background buffer Screen(1), so that both hold exactly SceneWidth x SceneHeight pixels before
// the scene is prepared. The loading box Screen(2) sizes itself to the picture put into it
// (AutoSize); the strip boxes Frin_Pic(0) and Frin_Pic(1) are never moved. The form's twips per
// pixel must be the scene's (AttachForm_Screen copies them from SceneState).
//
// Every box measures in twips (scaleTwips), the canvas included: a line drawn at a ground row in
// twips lands on that pixel row of the canvas at once, as it does on the buffer.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/form.h"

namespace frin {

struct Saver;

// Design geometry of the window (client area = window, no border), twips.
inline constexpr int32_t kFormScreenLeft = 3660, kFormScreenTop = 2190;
inline constexpr int32_t kFormScreenWidth = 3630, kFormScreenHeight = 3120;

// Stable control ids on the real window system, in tab order, then the timers.
enum FormScreenControlId : int {
  kIdScreen0 = 101,
  kIdScreen1 = 102,
  kIdFrinPic0 = 103,
  kIdFrinPic1 = 104,
  kIdPicFocus = 105,
  kIdScreen2 = 106,
  kIdSSTimer0 = 107,
  kIdSSTimer1 = 108,
};

// Builds a window of Form_Screen's design (the primary monitor's, and each other monitor's) with
// its design state; the form measures at the given twips per pixel
// (15 when a value is not positive), and the canvas and buffer surfaces hold their design size.
std::unique_ptr<Form> BuildForm_Screen(int32_t twipsPerPixelX, int32_t twipsPerPixelY);

// Builds Form_Screen into saver.Form_Screen at the primary scene's twips per pixel and binds the
// primary scene to it. Neither loads the window through the platform nor wires handlers.
void AttachForm_Screen(Saver& saver);

// Moves a picture box and sizes its surface to the new rectangle, filled with fill.
void PlaceSurfaceBox(Control& box, int32_t left, int32_t top, int32_t width, int32_t height,
                     Pixel fill = kBlack);

}  // namespace frin
