#include "lifecycle/main.h"

#include "lifecycle/full_screen_run.h"
#include "lifecycle/preview_run.h"
#include "platform/errors.h"
#include "platform/number_text.h"
#include "scene/scene.h"
#include "settings/saver_settings.h"
#include "settings/settings_dialog.h"

namespace frin {
namespace {

int32_t CheckedDiv(int32_t a, int32_t b) {
  if (b == 0) RaiseError(kErrDivisionByZero, "Division by zero");
  return CheckedNarrow<int32_t>(static_cast<int64_t>(a) / b);
}

int32_t RoundToInt32(float v) {
  return CheckedNarrow<int32_t>(RoundHalfEven(static_cast<double>(v)));
}

}  // namespace

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

void Main(Saver& saver) {
  Module_API& api = saver.api;
  SceneState& scene = saver.Primary().SceneState;

  // Another instance's full-screen window or settings dialog stops every start here.
  if (api.FindTopWindow(kSaverTitle) != 0) api.EndProcess(0);

  saver.HostDialogCaption =
      api.FindTopWindow(kHostCaptionSpaced) != 0 ? kHostCaptionSpaced : kHostCaptionPlain;
  saver.NTFamily = IsNTFamily(api);
  saver.Language = &LanguageFor(api.UserInterfaceLanguage());
  LoadSettings(saver.SaverSettings, api);

  const Command command = ParseCommand(api.CommandText());

  // A picture for the scenes can be decoding while their windows load.
  if (command.action == CommandAction::kFullScreen || command.action == CommandAction::kPreview)
    PrefetchBackgroundPicture(saver);

  // The preview lives in its host's window: it takes on the host's awareness of the display's
  // scale before it measures anything, so that it measures the screen as the host does.
  if (command.action == CommandAction::kPreview)
    api.UseDpiAwarenessOf(HandleFromCommand(command.CommandHandle));

  const ScreenInfo screen = api.Screen();
  scene.TwipsPerPixelX = RoundToInt32(screen.twipsPerPixelX);
  scene.TwipsPerPixelY = RoundToInt32(screen.twipsPerPixelY);

  switch (command.action) {
    case CommandAction::kPreview:
      StartPreview(saver, command.CommandHandle);
      break;
    case CommandAction::kFullScreen:
      saver.Primary().Origin = Point{0, 0};
      scene.SceneWidth = CheckedDiv(RoundToInt32(screen.widthTwips), scene.TwipsPerPixelX);
      scene.SceneHeight = CheckedDiv(RoundToInt32(screen.heightTwips), scene.TwipsPerPixelY);
      scene.PreviewMode = 0;
      RunFullScreen(saver);
      break;
    case CommandAction::kChangePassword:
      if (command.CommandHandle != 0) api.ChangePassword(HandleFromCommand(command.CommandHandle));
      break;
    case CommandAction::kSettings:
      api.DoEvents();
      // The dialog opens on the monitor of the window that asked for it (/c:HWND), if any.
      OpenSettingsDialog(saver, HandleFromCommand(command.CommandHandle));
      break;
    case CommandAction::kNothing:
      break;
  }

  // With no window left to drive it, the program is done.
  if (saver.Form_Screen == nullptr && saver.Form_Set == nullptr) api.EndProcess(0);
}

}  // namespace frin
