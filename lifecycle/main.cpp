#include "lifecycle/main.h"

#include "platform/number_text.h"

namespace frin {

Command ParseCommand(std::string_view commandText) {
  Command command;
  command.CommandSwitch = CharLeft(commandText, 2);
  // The third character is skipped whatever it is: "/p 1234" and "/p:1234" name the same window.
  command.CommandHandle = ReadCommandNumber(CharMid(commandText, 3));
  const std::string& s = command.CommandSwitch;
  if (s == "/P" || s == "/p") {
    command.action = CommandAction::kPreview;
  } else if (s == "/S" || s == "/s") {
    command.action = CommandAction::kFullScreen;
  } else if (s == "/A" || s == "/a") {
    command.action = CommandAction::kChangePassword;
  } else if (s == "/C" || s == "/c" || s.empty()) {
    command.action = CommandAction::kSettings;
  } else {
    command.action = CommandAction::kNothing;
  }
  return command;
}

int16_t IsNTFamily(Module_API& api) {
  return api.PlatformId() == kVerPlatformWin32Nt ? -1 : 0;
}

}  // namespace frin
