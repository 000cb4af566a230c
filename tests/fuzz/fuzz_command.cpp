// The command text the system starts the saver with: arbitrary bytes through ParseCommand.
// Properties: the switch is the first two characters, the action follows the switch alone, and
// the only failure is the overflow error of a number beyond 32 bits.
#include <cstdint>
#include <string>
#include <string_view>

#include "lifecycle/main.h"
#include "platform/errors.h"
#include "platform/number_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

frin::CommandAction ActionOf(const std::string& s) {
  using frin::CommandAction;
  if (s == "/P" || s == "/p") return CommandAction::kPreview;
  if (s == "/S" || s == "/s") return CommandAction::kFullScreen;
  if (s == "/A" || s == "/a") return CommandAction::kChangePassword;
  if (s == "/C" || s == "/c" || s.empty()) return CommandAction::kSettings;
  return CommandAction::kNothing;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  frin::Command command;
  try {
    command = frin::ParseCommand(text);
  } catch (const frin::RuntimeError& e) {
    FUZZ_CHECK(e.Number() == frin::kErrOverflow);
    return 0;
  }
  FUZZ_CHECK(text.substr(0, command.CommandSwitch.size()) == command.CommandSwitch);
  FUZZ_CHECK(frin::CharCount(command.CommandSwitch) == std::min<size_t>(2, frin::CharCount(text)));
  FUZZ_CHECK(command.action == ActionOf(command.CommandSwitch));
  // The handle is the number from the fourth character on, whatever the switch.
  FUZZ_CHECK(command.CommandHandle == frin::ReadCommandNumber(frin::CharMid(text, 3)));
  return 0;
}
