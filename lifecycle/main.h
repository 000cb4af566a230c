// The program's entry: the single-instance test, the host caption probe, the system family, the
// settings, the command text and the dispatch to one of the four actions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lifecycle/saver.h"

namespace frin {

// The two captions the host's display-properties dialog may bear: with a blank after the second
// character, and without.
inline constexpr const char* kHostCaptionSpaced =
    "\u753B\u9762\u0020\u306E\uFF8C\uFF9F\uFF9B\uFF8A\uFF9F\uFF83\uFF68";
inline constexpr const char* kHostCaptionPlain =
    "\u753B\u9762\u306E\uFF8C\uFF9F\uFF9B\uFF8A\uFF9F\uFF83\uFF68";

enum class CommandAction {
  kPreview,         // "/P", "/p"
  kFullScreen,      // "/S", "/s"
  kChangePassword,  // "/A", "/a"
  kSettings,        // "/C", "/c", the empty text
  kNothing,         // anything else
};

// The command text split and the action it selects. Depends on the text alone.
struct Command {
  std::string CommandSwitch;  // the first two characters (the whole text when shorter)
  int32_t CommandHandle = 0;  // the number read from the fourth character on
  CommandAction action = CommandAction::kNothing;
};

// Splits the command text and chooses the action. The number after the switch is read for every
// text; one outside the signed 32-bit range raises the overflow error, whatever the switch.
Command ParseCommand(std::string_view commandText);

// A window handle as the command text carries it: the 32 bits of the number.
inline WindowHandle HandleFromCommand(int32_t commandHandle) {
  return static_cast<WindowHandle>(static_cast<uint32_t>(commandHandle));
}

// -1 when the system reports the NT platform, else 0.
int16_t IsNTFamily(Module_API& api);

// Runs the start-up once, in order: single-instance test, host caption, system family, settings,
// command text, twips per pixel, dispatch.
//
// Ending: Main calls api.EndProcess(0) itself when another instance is running, when a /p host
// names no window or has no width, and when the dispatch leaves neither the saver window nor the
// settings dialog loaded (/a, an unknown switch). Otherwise it returns with a window loaded, and
// from then on the window's events drive the program: the process ends through EndSaver, through
// the preview's unload, or when the dialog closes. A RuntimeError raised on the way (a number
// out of range, a picture that cannot be read) leaves Main for the entry point to report.
void Main(Saver& saver);

}  // namespace frin
