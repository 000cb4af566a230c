// The behaviour of the settings dialog Form_Set: opening it filled from SaverSettings, the
// readouts and enabled states that follow the user's edits, and closing it, with OK saving all
// seven settings and every other way of closing saving nothing.
//
// For backends: a click on Btn_Set raises the form's Btn_Set click handler, which unloads the
// dialog (LoadForm's counterpart UnloadForm is called from here) and then ends the process with
// EndProcess(0) when no other form is left. When the user closes the window by its title bar (or
// the system closes it), the backend calls Form::RaiseUnload() on Form_Set and does nothing else:
// the form's onUnload (Form_Set_Unload) unloads it without saving and ends the process. Either
// way the Form object is destroyed before the call returns or the process ends, so a backend
// touches neither the form nor its controls after raising the event. Calling UnloadForm from
// here may raise onUnload again; that second call does nothing.
#pragma once

#include <cstdint>

namespace frin {

struct Saver;
class Form;

// Builds Form_Set into saver.Form_Set, wires its handlers, loads it, centres it on the screen,
// keeps the browse button's caption on one line, fills it from saver.SaverSettings, makes it
// topmost and shows it; returns while the dialog stays open.
void OpenSettingsDialog(Saver& saver);

// Puts the dialog's handlers on a built Form_Set: Srl_Set change, Chk_Set click, Btn_Set click,
// Btn_File click and the form's unload.
void WireForm_Set(Saver& saver, Form& form);

// A scroll bar's value changed: the readout beside it follows.
void Srl_Set_Change(Saver& saver, int16_t Index);
// A check box was clicked or its value set: the enabled states follow.
void Chk_Set_Click(Saver& saver, int16_t Index);
// OK (0) or Cancel (1).
void Btn_Set_Click(Saver& saver, int16_t Index);
// Index 0 copies the controls into SaverSettings and saves them; every index then unloads the
// dialog, drops saver.Form_Set and, with no form left, ends the process.
void CloseSettingsDialog(Saver& saver, int16_t index);
// The dialog's window was closed other than by its buttons: unload without saving.
void Form_Set_Unload(Saver& saver);

// One axis of the centring: N(screen - outer) div 2 in twips, N rounding ties to even and the
// division truncating toward zero, so a dialog larger than the screen gets a negative origin.
int32_t CentredOrigin(float screenTwips, int32_t outerTwips);

}  // namespace frin
