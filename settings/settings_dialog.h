// The behaviour of the settings dialog Form_Set: opening it filled from SaverSettings, the
// readouts and enabled states that follow the user's edits, and closing it, with OK saving all
// seven settings and every other way of closing saving nothing.
//
// For backends:
// - A click on Btn_Set(0) or Btn_Set(1) raises the form's Btn_Set click handler: OK saves, then
//   either button unloads the dialog (UnloadForm), destroys the Form object and, with no other
//   form left (saver.Form_Screen empty), ends the process with EndProcess(0).
// - Closing the window by its title bar (or by the system): raise the form's unload, either with
//   Form::RaiseUnload() or by calling UnloadForm(form), which runs the unload handler first. The
//   handler (Form_Set_Unload, wired as form.onUnload) unloads and destroys the form without
//   saving and ends the process with EndProcess(0).
// - Either way the Form object no longer exists once the handler is done, so a backend touches
//   neither the form nor its controls after raising the event (the handler returns only when
//   another form keeps the process alive). UnloadForm called from here raises the unload handler
//   once more; that call finds saver.Form_Set empty and does nothing.
#pragma once

#include <cstdint>

#include "platform/module_api.h"

namespace frin {

struct SaverBase;

// Builds Form_Set into saver.Form_Set, lays it out at the dots per inch of the monitor it opens
// on (the one holding the middle of host, the window that asked for the settings, else the
// primary), centres it on that monitor, wires its handlers, loads it, keeps the browse button's
// caption on one line, fills it from saver.SaverSettings, makes it topmost and shows it; returns
// while the dialog stays open.
void OpenSettingsDialog(SaverBase& saver, WindowHandle host = 0);

// The monitor the dialog opens on: the one holding the middle of host's window, else the primary.
Rect DialogMonitor(Module_API& api, WindowHandle host);

// Puts the dialog's handlers on a built Form_Set: Srl_Set change, Chk_Set click, Btn_Set click,
// Btn_File click, the form's unload and its move to a display of another scale.
void WireForm_Set(SaverBase& saver, Form& form);

// A scroll bar's value changed: the readout beside it follows.
void Srl_Set_Change(SaverBase& saver, int16_t Index);
// A check box was clicked or its value set: the enabled states follow.
void Chk_Set_Click(SaverBase& saver, int16_t Index);
// OK (0) or Cancel (1).
void Btn_Set_Click(SaverBase& saver, int16_t Index);
// Index 0 copies the controls into SaverSettings and saves them; every index then unloads the
// dialog, drops saver.Form_Set and, with no form left, ends the process.
void CloseSettingsDialog(SaverBase& saver, int16_t index);
// The dialog's window was closed other than by its buttons: unload without saving.
void Form_Set_Unload(SaverBase& saver);
// The dialog's window moved to a display of dpi dots per inch: it is laid out again at that dpi
// (ScaleForm_Set) and takes the rectangle the system suggests (screen pixels); the controls keep
// what the user has set in them.
void Form_Set_DpiChange(SaverBase& saver, int32_t dpi, const Rect& suggested);

// One axis of the centring: N(screen - outer) div 2 in twips, N rounding ties to even and the
// division truncating toward zero, so a dialog larger than the screen gets a negative origin.
int32_t CentredOrigin(float screenTwips, int32_t outerTwips);

}  // namespace frin
