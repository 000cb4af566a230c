// The full-screen run: the saver window spread over the whole screen, the scene prepared while the
// window is hidden, then shown topmost with the timers running. Also the pieces the preview run
// shares with it: loading the window with its handlers, and the design layout.
#pragma once

#include <cstdint>
#include <vector>

#include "lifecycle/saver.h"

namespace frin {

// Design twips (at 15 twips per pixel) of the controls the runs place: width, height, left, top, in
// MoveDesign's argument order.
struct DesignPlace {
  int32_t width, height, left, top;
};
inline constexpr DesignPlace kPicFocusDesign{450, 450, -750, 0};  // left of the visible area
inline constexpr DesignPlace kFrinPic0Design{270, 180, 360, 120};
inline constexpr DesignPlace kFrinPic1Design{315, 210, 840, 120};

// Builds Form_Screen into saver.Form_Screen, wires its handlers (the display change too) and loads
// it through the platform, not shown.
Form& LoadFormScreen(Saver& saver);

// The handlers of every window of the saver's design: SS_Timer_Timer, Pic_Focus_KeyDown,
// Screen_Click and Form_Unload.
void WireFormScreen(Saver& saver, Form& form);

// The monitors' scenes: the primary keeps the size start-up measured; every other monitor the
// system lists gets a scene of its own size at its own corner (a monitor listed twice, or one
// without pixels, is left out); each scene takes its monitor's scale. Records the layout in
// saver.MonitorLayout and saver.MonitorScales.
void AddMonitorScenes(Saver& saver);

// Each monitor's scale (ScaleAtDpi of its dots per inch), in the monitors' order.
std::vector<int32_t> MonitorScales(Module_API& api, const std::vector<Rect>& monitors);

// Moves a control to a design rectangle converted to the scene's twips: each value divided by 15
// (truncating toward zero), then multiplied by the twips per pixel of its axis; a product outside
// 32 bits is the overflow error.
void MoveDesign(const Scene& scene, Control& control, int32_t width, int32_t height, int32_t left,
                int32_t top);

// MoveDesign of the scene window's Pic_Focus, Frin_Pic(0) and Frin_Pic(1), in that order.
void PlaceDesignControls(Scene& scene);

// The scene's size in twips on each axis (TwipsPerPixel x SceneWidth / SceneHeight).
int32_t SceneTwipsWidth(const Scene& scene);
int32_t SceneTwipsHeight(const Scene& scene);

// The canvas, then the background buffer, at (0, 0) over the whole window, their surfaces
// SceneWidth by SceneHeight pixels.
void PlaceSceneSurfaces(Scene& scene);

// The "/s" run. Start-up has set the primary scene's SceneWidth, SceneHeight, twips per pixel and
// origin, and PreviewMode 0. Every monitor gets a scene and a window of the same steps (the
// primary's is Form_Screen), each prepared while the windows are hidden. Returns with every
// window shown over its monitor, topmost, the focus on the primary's Pic_Focus, the cursor
// hidden, the primary's timer 0 running (timer 1 too above 250 flakes), which step every scene,
// and the system's screen-saver-running flag set. A Max below 1 runs with no flakes at all.
void RunFullScreen(Saver& saver);

// After a display change whose ending the password check refused: the saver goes on, and every
// monitor beyond the primary gets a fresh scene and window over the monitors as they are now (the
// primary keeps its window and scene). The windows are prepared hidden and shown topmost.
void CoverMonitorsAgain(Saver& saver);

}  // namespace frin
