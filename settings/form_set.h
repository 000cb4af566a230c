// Form_Set, the settings dialog, as data: the window and every control as they are when the
// dialog is loaded. What the dialog does with them is in settings_dialog.h.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/form.h"
#include "settings/ui_texts.h"

namespace frin {

inline constexpr int32_t kForm_SetClientLeft = 3480, kForm_SetClientTop = 4080;
inline constexpr int32_t kForm_SetClientWidth = 7575, kForm_SetClientHeight = 3735;

// The scroll bars' ranges and steps: Srl_Set(0) the flake count, Srl_Set(1) the speed position.
inline constexpr int32_t kCountBarMax = 500, kCountBarLargeChange = 10;
inline constexpr int32_t kSpeedBarMax = 15, kSpeedBarLargeChange = 2;

// Builds the dialog with its design-time properties in the given language: caption, fixed-dialog
// border, no icon, the design client area (width and height also hold the client size until the
// dialog is placed), the language's dialog font (Japanese: the platform's default dialog font),
// and the controls in tab order with their captions and fonts in that language, Image1 last.
// Controls inside a frame have it as container and are positioned relative to it. Every control
// carries its ID from settings/control_ids.h. No handler is wired here.
std::unique_ptr<Form> BuildForm_Set(const UiLanguage& language);

// Lays the dialog out for a display of dpi dots per inch: the form takes that dpi and its twips
// per pixel (Form::SetDpi), and Image1 the picture at the display's scale (ScaleAtDpi), in a box
// of exactly the picture's size centred on the place the design gives the picture (at 96 dpi the
// design's own box).
void ScaleForm_Set(Form& form, int32_t dpi);

}  // namespace frin
