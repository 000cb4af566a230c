// The one state object: everything the program keeps between events. The entry point creates it
// and passes it by reference; there are no globals, so tests may build many side by side.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "lifecycle/form_screen.h"
#include "platform/form.h"
#include "platform/module_api.h"
#include "platform/random.h"
#include "scene/flake.h"
#include "settings/saver_settings.h"

namespace frin {

struct Saver {
  explicit Saver(Module_API& platform) : api(platform) {}
  Saver(const Saver&) = delete;
  Saver& operator=(const Saver&) = delete;

  Module_API& api;
  Random random;

  frin::SaverSettings SaverSettings;
  frin::SceneState SceneState;
  frin::FlakeField FlakeField;

  int16_t NTFamily = 0;  // true -1, false 0
  std::string HostDialogCaption;
  uint8_t InPasswordCheck = 0;
  Point WindowOrigin;  // twips

  std::unique_ptr<Form> Form_Screen;
  frin::ScreenControls ScreenControls;  // controls of Form_Screen, set by BuildFormScreen
  std::unique_ptr<Form> Form_Set;
};

}  // namespace frin
