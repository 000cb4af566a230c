// The flake scene: preparing the background and seeding the flakes, the per-tick flake step of
// both bands, the masked drawing of one flake and the settling layer. Every function works on
// the one Saver and draws through the controls of its Form_Screen (BuildFormScreen first).
#pragma once

#include <cstdint>

namespace frin {

struct Saver;

// Fills the background buffer (desktop copy, stretched picture or black), copies it to the
// canvas and freezes it there, seeds flakes 1 to Max, sets the timers' interval, the landing
// count and the ground line. Once per run, before the first step.
void PrepareScene(Saver& saver);
// Gives one flake a random position, speed, swing and sprite cell (five draws).
void SeedFlake(Saver& saver, int32_t index);

// Timer 0: flakes 1 to min(Max, 250), with the layer test.
void StepFirstBand(Saver& saver);
// Timer 1: flakes 251 to Max, counting landings only.
void StepSecondBand(Saver& saver);
// One tick of one flake: erase, swing, wrap, fall, respawn at the top, draw.
void StepFlake(Saver& saver, int32_t index, bool layerTest);
// The two masked blits of one sprite cell onto the canvas at (x, y).
void DrawFlake(Saver& saver, int32_t x, int32_t y, uint8_t spriteSize, uint8_t spriteColumn);

// One white line across the scene at the ground row on canvas and buffer; the ground rises by
// one row, never above row 50, and the landing count starts again.
void RaiseLayer(Saver& saver);

}  // namespace frin
