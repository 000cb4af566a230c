// One monitor's scene: its SceneState, its FlakeField and the surfaces it draws on (canvas,
// background buffer, loading box, the two sprite strips, and the two timers that step it), all
// controls of the one window the scene is shown in. The full-screen run holds one scene per
// monitor, the preview one. Preparing the background and seeding the flakes, the per-tick flake
// step of both bands, the masked drawing of one flake and the settling layer all work on one
// scene; the random generator, the settings and the system are the saver's, shared by every
// scene.
#pragma once

#include <cstdint>

#include "platform/form.h"
#include "platform/module_api.h"
#include "scene/flake.h"
#include "settings/saver_base.h"

namespace frin {

struct Scene {
  frin::SceneState SceneState;
  frin::FlakeField FlakeField;
  // Pixels: the top-left corner of the scene's window, on the virtual screen (its monitor's
  // corner) or inside the preview's host; the desktop copy is read from there.
  Point Origin;
  // The scene's scale k: its monitor's (or the preview window's) dots per inch / 96, rounded,
  // at least 1. SceneState's width and height are the window's pixels; the flakes move on the
  // logical size (those pixels divided by k, rounded up, so the last logical row and column
  // reach the edges) exactly as on a 96-dpi monitor of that size, and are drawn k times larger:
  // sprite cells, erased squares and layer rows. The background keeps every pixel.
  int32_t Scale = 1;
  // The two sprite strips magnified k times, made when a scene of k > 1 starts.
  Surface scaledStrips[2];

  // The window and its controls, set by BindScene; the window is owned by the saver.
  Form* window = nullptr;
  Control* canvas = nullptr;            // Screen(0): what the window shows
  Control* backgroundBuffer = nullptr;  // Screen(1): the background without flakes
  Control* loadingBox = nullptr;        // Screen(2): a picture file while it is stretched
  Control* strips[2] = {};              // Frin_Pic(0) on image backgrounds, Frin_Pic(1) on black
  Control* timers[2] = {};              // SS_Timer(0) steps the first band, SS_Timer(1) the second
};

// The logical size the flakes move on: the scene's pixels divided by its scale, rounded up.
int32_t LogicalWidth(const Scene& scene);
int32_t LogicalHeight(const Scene& scene);

// Finds the scene's controls in its window (the subscript error when one is missing).
void BindScene(Scene& scene, Form& window);

// The start of a scene, once per run, after its window's canvas and buffer are placed: sizes the
// flake field to Max, prepares the scene and steps the first band once. Every run starts its
// scenes here, and so do frin-render and the benchmarks.
void StartScene(SaverBase& saver, Scene& scene);

// Fills the background buffer (desktop copy, stretched picture or black), copies it to the
// canvas and freezes it there, seeds flakes 1 to Max, sets the timers' interval, the landing
// count and the ground line. Once per run, before the first step.
void PrepareScene(SaverBase& saver, Scene& scene);
// Tells the backend which picture file PrepareScene will stretch, when the settings name one, so
// that it may begin decoding while the windows load. Nothing changes on the screen.
void PrefetchBackgroundPicture(SaverBase& saver);
// Gives one flake a random position, speed, swing and sprite cell (five draws).
void SeedFlake(SaverBase& saver, Scene& scene, int32_t index);

// Timer 0: flakes 1 to min(Max, 250), with the layer test.
void StepFirstBand(SaverBase& saver, Scene& scene);
// Timer 1: flakes 251 to Max, counting landings only.
void StepSecondBand(SaverBase& saver, Scene& scene);
// One tick of one flake: erase, swing, wrap, fall, respawn at the top, draw.
void StepFlake(SaverBase& saver, Scene& scene, int32_t index, bool layerTest);
// The two masked blits of one sprite cell onto the canvas at (x, y).
void DrawFlake(const Scene& scene, int32_t x, int32_t y, uint8_t spriteSize, uint8_t spriteColumn);

// One white line across the scene at the ground row on canvas and buffer; the ground rises by
// one row, never above row 50, and the landing count starts again.
void RaiseLayer(Scene& scene);

}  // namespace frin
