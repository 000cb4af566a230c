#include "settings/settings_dialog.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/number_text.h"
#include "platform/twips.h"
#include "settings/form_set.h"
#include "settings/picture_chooser.h"
#include "settings/saver_base.h"
#include "settings/saver_settings.h"

namespace frin {
namespace {

constexpr uint32_t kTopmostFlags = kSwpNoSize | kSwpNoMove | kSwpNoActivate | kSwpShowWindow;

// The speed bar's position for a Speed: 15 - ((Speed - 50) div 10), the division truncating
// toward zero. Computed wide, so no stored value can overflow it.
int64_t SpeedPosition(int32_t speed) {
  return kSpeedBarMax - (static_cast<int64_t>(speed) - 50) / 10;
}

// A stored value outside a bar's range puts the bar at the nearest end of its range.
int32_t ClampToBar(int64_t v, const Control& bar) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, bar.min, bar.max));
}

int32_t SpeedFromPosition(int32_t position) {
  return 50 + 10 * (kSpeedBarMax - position);
}

bool Ticked(const Control& box) {
  return box.value == 1;
}

void SetPictureGroupEnabled(Form& form, bool enabled) {
  form.Get("Label1", 12).SetEnabled(enabled);
  form.Get("Txt_File").SetEnabled(enabled);
  form.Get("Btn_File").SetEnabled(enabled);
}

void Fill(Form& form, const SaverSettings& s) {
  // The readouts show where the bars stand, which differs from the stored value only when a
  // hand-edited store holds a value the bar cannot show.
  Control& countBar = form.Get("Srl_Set", 0);
  const int32_t count = ClampToBar(s.Max, countBar);
  form.Get("Label1", 0).SetCaption(FormatNumber(count));
  countBar.SetValue(count);

  Control& speedBar = form.Get("Srl_Set", 1);
  const int32_t position = ClampToBar(SpeedPosition(s.Speed), speedBar);
  form.Get("Label1", 11).SetCaption(FormatNumber(kSpeedBarMax - position));
  speedBar.SetValue(position);

  Control& pictureBox = form.Get("Chk_Set", 3);
  if (s.BackScreen == "on") {
    pictureBox.SetValue(1);
    SetPictureGroupEnabled(form, true);
  } else {
    pictureBox.SetValue(0);
    SetPictureGroupEnabled(form, false);
  }

  if (s.SaverType == "black") {
    form.Get("Chk_Set", 0).SetValue(1);
    pictureBox.SetEnabled(true);
  } else {
    form.Get("Chk_Set", 0).SetValue(0);
    pictureBox.SetEnabled(false);
    SetPictureGroupEnabled(form, false);
  }

  form.Get("Txt_File").SetText(s.BS_File);
  form.Get("Chk_Set", 1).SetValue(s.Remain == "on" ? 1 : 0);
  form.Get("Chk_Set", 2).SetValue(s.Mouse_Move == "on" ? 1 : 0);
}

void CopyControls(Form& form, SaverSettings& s) {
  s.Max = form.Get("Srl_Set", 0).value;
  s.Speed = SpeedFromPosition(form.Get("Srl_Set", 1).value);
  s.SaverType = Ticked(form.Get("Chk_Set", 0)) ? "black" : "desktop";
  s.BackScreen = Ticked(form.Get("Chk_Set", 3)) ? "on" : "off";
  s.BS_File = TrimBlanks(form.Get("Txt_File").text);
  s.Remain = Ticked(form.Get("Chk_Set", 1)) ? "on" : "off";
  s.Mouse_Move = Ticked(form.Get("Chk_Set", 2)) ? "on" : "off";
}

}  // namespace

int32_t CentredOrigin(float screenTwips, int32_t outerTwips) {
  const float free = screenTwips - static_cast<float>(outerTwips);
  return CheckedNarrow<int32_t>(RoundHalfEven(static_cast<double>(free))) / 2;
}

void WireForm_Set(SaverBase& saver, Form& form) {
  // Each handler reads what it needs before the call: closing destroys the form, and with it
  // the handler that is running.
  form.On("Srl_Set").change = [&saver](int index) {
    Srl_Set_Change(saver, static_cast<int16_t>(index));
  };
  form.On("Chk_Set").click = [&saver](int index) {
    Chk_Set_Click(saver, static_cast<int16_t>(index));
  };
  form.On("Btn_Set").click = [&saver](int index) {
    Btn_Set_Click(saver, static_cast<int16_t>(index));
  };
  form.On("Btn_File").click = [&saver](int) { Btn_File_Click(saver); };
  form.onUnload = [&saver] { Form_Set_Unload(saver); };
  form.onDpiChange = [&saver](int32_t dpi, const Rect& suggested) {
    Form_Set_DpiChange(saver, dpi, suggested);
  };
}

Rect DialogMonitor(Module_API& api, WindowHandle host) {
  const std::vector<Rect> monitors = api.Monitors();
  Rect window;
  if (host != 0 && api.GetWindowRect(host, window)) {
    const int32_t x = window.left + window.Width() / 2, y = window.top + window.Height() / 2;
    for (const Rect& m : monitors) {
      if (x >= m.left && x < m.right && y >= m.top && y < m.bottom) return m;
    }
  }
  return monitors.empty() ? Rect{} : monitors.front();
}

void OpenSettingsDialog(SaverBase& saver, WindowHandle host) {
  Module_API& api = saver.api;
  saver.Form_Set = BuildForm_Set(*saver.Language);
  Form& form = *saver.Form_Set;

  // Laid out and placed before its window is made, so that the window opens on its monitor at
  // that monitor's scale.
  const Rect monitor = DialogMonitor(api, host);
  ScaleForm_Set(form, api.MonitorDpi(monitor));
  int32_t outerWidth = 0, outerHeight = 0;
  api.OuterSize(form.border, form.dpi, form.clientWidth, form.clientHeight, outerWidth,
                outerHeight);
  const int32_t tx = form.twipsPerPixelX, ty = form.twipsPerPixelY;
  const ScreenInfo screen = ScreenFromPixels(monitor.Width(), monitor.Height(), tx, ty);
  form.Move(CheckedAdd(CheckedMul(monitor.left, tx), CentredOrigin(screen.widthTwips, outerWidth)),
            CheckedAdd(CheckedMul(monitor.top, ty), CentredOrigin(screen.heightTwips, outerHeight)),
            outerWidth, outerHeight);

  WireForm_Set(saver, form);
  api.LoadForm(form);

  Control& browse = form.Get("Btn_File");
  const WindowHandle browseWindow = api.ControlWindow(browse);
  api.SetWindowStyle(browseWindow, api.GetWindowStyle(browseWindow) & ~kBsMultiline);
  browse.Refresh();

  Fill(form, saver.SaverSettings);

  api.SetTopmost(form.hwnd, kTopmostFlags);
  form.Show();
}

void Srl_Set_Change(SaverBase& saver, int16_t Index) {
  if (!saver.Form_Set) return;
  Form& form = *saver.Form_Set;
  if (Index == 0) {
    Control& readout = form.Get("Label1", 0);
    readout.SetCaption(FormatNumber(form.Get("Srl_Set", 0).value));
    readout.Refresh();
  } else if (Index == 1) {
    Control& readout = form.Get("Label1", 11);
    readout.SetCaption(FormatNumber(kSpeedBarMax - form.Get("Srl_Set", 1).value));
    readout.Refresh();
  }
}

void Chk_Set_Click(SaverBase& saver, int16_t Index) {
  if (!saver.Form_Set) return;
  Form& form = *saver.Form_Set;
  Control& pictureBox = form.Get("Chk_Set", 3);
  if (Index == 0) {
    if (Ticked(form.Get("Chk_Set", 0))) {
      pictureBox.SetEnabled(true);
      SetPictureGroupEnabled(form, Ticked(pictureBox));
    } else {
      pictureBox.SetEnabled(false);
      SetPictureGroupEnabled(form, false);
    }
  } else if (Index == 3) {
    SetPictureGroupEnabled(form, Ticked(pictureBox));
  }
}

void Btn_Set_Click(SaverBase& saver, int16_t Index) {
  CloseSettingsDialog(saver, Index);
}

void CloseSettingsDialog(SaverBase& saver, int16_t index) {
  if (!saver.Form_Set) return;
  if (index == 0) {
    CopyControls(*saver.Form_Set, saver.SaverSettings);
    SaveSettings(saver.SaverSettings, saver.api);
  }
  // Dropped from the state object first, so the unload handler that UnloadForm may raise finds
  // nothing left to close.
  std::unique_ptr<Form> form = std::move(saver.Form_Set);
  saver.api.UnloadForm(*form);
  form.reset();
  if (!saver.Form_Screen) saver.api.EndProcess(0);
}

void Form_Set_Unload(SaverBase& saver) {
  CloseSettingsDialog(saver, 1);
}

void Form_Set_DpiChange(SaverBase& saver, int32_t dpi, const Rect& suggested) {
  if (!saver.Form_Set || dpi <= 0) return;
  Form& form = *saver.Form_Set;
  ScaleForm_Set(form, dpi);
  const int32_t tx = form.twipsPerPixelX, ty = form.twipsPerPixelY;
  form.Move(CheckedMul(suggested.left, tx), CheckedMul(suggested.top, ty),
            CheckedMul(suggested.Width(), tx), CheckedMul(suggested.Height(), ty));
}

}  // namespace frin
