// The saver window's handlers while a run goes on: the timer ticks with the input watch, a key or a
// click, and the single ending EndSaver with the password check on the system family that is not
// NT.
#pragma once

#include <string>

#include "lifecycle/saver.h"

namespace frin {

// A tick of SS_Timer(index): timer 0 runs SaverTick, any other StepSecondBand.
void SS_Timer_Timer(Saver& saver, int index);

// Steps the first band, then compares the caret and the cursor with the positions seen last: with
// Mouse_Move exactly "off" any difference ends the saver (the last positions stay); otherwise the
// current positions become the last ones.
void SaverTick(Saver& saver);

// Whether the watch ends the saver: Mouse_Move is exactly "off" and either position moved.
bool MovementEndsSaver(const std::string& mouseMove, Point caret, Point cursor, Point lastCaret,
                       Point lastCursor);

// A key on Pic_Focus, whatever the key and the shift state, and a click on any Screen box.
void Pic_Focus_KeyDown(Saver& saver, int keyCode, int shift);
void Screen_Click(Saver& saver, int index);

// A change of the display while the saver runs (a monitor plugged in or out, one that sleeps and
// disconnects, a new resolution). When the monitors are no longer the ones the run covered, the
// saver ends through EndSaver, the one ending: rebuilding windows under a user who is already back
// would be a second start, and the system starts the saver again, over the new monitors, once the
// machine is idle. The same monitors keep it running. On the family that is not NT the ending
// asks for the password; when the check refuses, the saver goes on with the other monitors'
// windows made again over the new layout (CoverMonitorsAgain). Nothing in the preview.
void DisplayChanged(Saver& saver);

// The ending. Nothing in the preview. Otherwise the cursor is shown; on the family that is not NT
// the password check comes first: a failed check hides the cursor again, takes the positions of
// this moment as the new reference and lets the saver go on; a call made while a check is open (or
// after it passed) returns at once. A system without the password service lets the saver end, as a
// system without a password does. Then the timers stop, pending events run, the flakes go, the
// system's screen-saver-running flag is cleared, the other monitors' windows, Form_Screen and
// Form_Set are unloaded and the process ends. The form objects are left to the process's end, since
// the ending runs inside one of Form_Screen's own handlers.
void EndSaver(Saver& saver);

}  // namespace frin
