// What the saver keeps that every part of the program reaches: the system, the one random
// generator, the settings, the system family, the host dialog's caption, the password check in
// progress, the two top-level forms and the picture the monitors' scenes share as they start. The
// scenes and the run's own state sit on top of it, in lifecycle/saver.h; scene/ and settings/ see
// only this part.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/form.h"
#include "platform/module_api.h"
#include "platform/random.h"
#include "platform/raster.h"
#include "settings/saver_settings.h"
#include "settings/ui_texts.h"

namespace frin {

// The title of the full-screen windows and of the settings dialog: while another instance shows
// one of them, every start ends at once.
inline constexpr const char* kSaverTitle = "ScreenSaver Frin";

struct SaverBase {
  explicit SaverBase(Module_API& platform) : api(platform) {}
  SaverBase(const SaverBase&) = delete;
  SaverBase& operator=(const SaverBase&) = delete;

  Module_API& api;
  Random random;

  // The texts and fonts of the user's interface language, chosen once at start-up.
  const UiLanguage* Language = &JapaneseLanguage();

  frin::SaverSettings SaverSettings;

  int16_t NTFamily = 0;  // true -1, false 0
  std::string HostDialogCaption;
  uint8_t InPasswordCheck = 0;

  std::unique_ptr<Form> Form_Screen;  // the primary monitor's window (or the preview's)
  std::unique_ptr<Form> Form_Set;

  // While the scenes of several monitors start: the picture background is decoded once, for the
  // first, and kept for the others (nothing is kept with one monitor, or once they have started).
  bool KeepPicture = false;
  std::optional<Surface> KeptPicture;
};

}  // namespace frin
