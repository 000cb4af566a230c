// The settings dialog at the scale of the monitor it is on: opened on a monitor of any dots per
// inch, on the monitor of the window that asked for it, and moved to a monitor of another scale
// while the user edits it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "lifecycle/main.h"
#include "lifecycle/saver.h"
#include "platform/memory/memory_platform.h"
#include "platform/twips.h"
#include "resources/dialog_picture.h"
#include "settings/form_set.h"
#include "settings/settings_dialog.h"

namespace frin {
namespace {

std::string NameOf(const Control& c) {
  return c.index < 0 ? c.name : c.name + "(" + std::to_string(c.index) + ")";
}

std::vector<int32_t> Corners(const Rect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// The settings dialog opened by the entry point, as the system starts it.
struct Opened {
  MemoryPlatform api;
  Saver saver{api};
  Opened(std::vector<Rect> monitors, std::vector<int32_t> dpis, const std::string& command = "/c") {
    api.SetMonitors(std::move(monitors), std::move(dpis));
    Start(command);
  }
  void Start(const std::string& command) {
    api.SetCommandText(command);
    Main(saver);
  }
  Form& Dialog() { return *saver.Form_Set; }
  Control& Get(const char* name, int index = -1) { return Dialog().Get(name, index); }
  Rect WindowRect() {
    Rect r;
    EXPECT_TRUE(api.GetWindowRect(Dialog().hwnd, r));
    return r;
  }
};

// The window's margins to the monitor's edges agree to a pixel, left against right and top
// against bottom.
void ExpectCentredOn(const Rect& window, const Rect& monitor) {
  EXPECT_LE(std::abs((window.left - monitor.left) - (monitor.right - window.right)), 1);
  EXPECT_LE(std::abs((window.top - monitor.top) - (monitor.bottom - window.bottom)), 1);
  EXPECT_GE(window.left, monitor.left);
  EXPECT_LE(window.right, monitor.right);
}

// Every control but Image1 stands where the design puts it, in twips; Image1 holds the picture
// at the scale of dpi, in a box of the picture's size centred on the design's 480 x 480 box.
void ExpectLaidOutAt(Form& form, int32_t dpi) {
  const int32_t tpp = TwipsPerPixelAtDpi(dpi), side = 32 * ScaleAtDpi(dpi);
  EXPECT_EQ(form.dpi, dpi);
  EXPECT_EQ(form.twipsPerPixelX, tpp);
  EXPECT_EQ(form.twipsPerPixelY, tpp);
  const auto design = BuildForm_Set(JapaneseLanguage());
  for (const auto& c : form.Controls()) {
    if (c->name == "Image1") continue;
    const Control& d = design->Get(c->name, c->index);
    EXPECT_EQ((std::vector<int32_t>{c->left, c->top, c->width, c->height}),
              (std::vector<int32_t>{d.left, d.top, d.width, d.height}))
        << NameOf(*c) << " at " << dpi;
  }
  const Control& image = form.Get("Image1");
  EXPECT_EQ(image.surface.Width(), side) << dpi;
  EXPECT_EQ(image.surface.Height(), side) << dpi;
  EXPECT_EQ(image.width, side * tpp) << dpi;
  EXPECT_EQ(image.height, side * tpp) << dpi;
  EXPECT_EQ(2 * image.left + image.width, 2 * 360 + 480) << dpi;
  EXPECT_EQ(2 * image.top + image.height, 2 * 3120 + 480) << dpi;
}

TEST(DialogScaling, OnOneMonitorOf96DpiItOpensAsItAlwaysHas) {
  Opened d({Rect{0, 0, 1024, 768}}, {96});
  Form& form = d.Dialog();
  ExpectLaidOutAt(form, 96);
  const Control& image = d.Get("Image1");
  EXPECT_EQ((std::vector<int32_t>{image.left, image.top, image.width, image.height}),
            (std::vector<int32_t>{360, 3120, 480, 480}));
  const Surface picture = DialogPicture();
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 0; x < 32; ++x)
      ASSERT_EQ(image.surface.At(x, y), picture.At(x, y)) << x << "," << y;
  }
  // (15360 - 7665) div 2 and (11520 - 4155) div 2 twips: 256 and 245 pixels from the corner.
  EXPECT_EQ((std::vector<int32_t>{form.left, form.top, form.width, form.height}),
            (std::vector<int32_t>{3847, 3682, 7665, 4155}));
  EXPECT_EQ(Corners(d.WindowRect()), Corners(Rect{256, 245, 767, 522}));
}

TEST(DialogScaling, OnAMonitorOfAnyScaleItTakesThatMonitorsDpi) {
  for (int32_t dpi : {120, 144, 168, 192, 240, 288, 336}) {
    SCOPED_TRACE(dpi);
    const Rect monitor{0, 0, 2560, 1600};
    Opened d({monitor}, {dpi});
    ExpectLaidOutAt(d.Dialog(), dpi);
    const Rect window = d.WindowRect();
    ExpectCentredOn(window, monitor);
    // The client area is the design's at the monitor's twips per pixel, within a frame drawn at
    // its dpi: at 192 dpi, 7575 / 8 and 3735 / 8 pixels within 6-pixel edges and a 44-pixel
    // caption.
    const int32_t tpp = TwipsPerPixelAtDpi(dpi);
    const int32_t frame = DialogFramePixelsAtDpi(kDialogFramePixels, dpi);
    const int32_t caption = DialogFramePixelsAtDpi(kDialogCaptionPixels, dpi);
    EXPECT_EQ(window.Width(), TwipsToPixels(kForm_SetClientWidth, tpp) + 2 * frame);
    EXPECT_EQ(window.Height(), TwipsToPixels(kForm_SetClientHeight, tpp) + 2 * frame + caption);
  }
  // At 200 %: the picture 64 x 64, 8 twips a pixel, the window 947 + 12 by 467 + 56 pixels.
  Opened d({Rect{0, 0, 2560, 1600}}, {192});
  EXPECT_EQ(d.Get("Image1").surface.Width(), 64);
  EXPECT_EQ(d.Dialog().twipsPerPixelX, 8);
  EXPECT_EQ(d.WindowRect().Width(), 959);
  EXPECT_EQ(d.WindowRect().Height(), 523);
}

TEST(DialogScaling, ItOpensOnTheMonitorOfTheWindowThatAskedForIt) {
  // A 1920 x 1080 primary and a 1280 x 1024 monitor to its left, of different scales: the
  // Screen Saver Settings window on one of them passes its handle with /c.
  const Rect primary{0, 0, 1920, 1080}, left{-1280, 0, 0, 1024};
  struct Case {
    const char* what;
    int32_t primaryDpi, leftDpi;
    Rect host;  // the asking window; empty: none
    Rect monitor;
    int32_t dpi;
  } cases[] = {
      {"asked from the left monitor", 192, 96, Rect{-1000, 200, -400, 700}, left, 96},
      {"asked from the left monitor at 192", 96, 192, Rect{-1000, 200, -400, 700}, left, 192},
      {"asked from the primary", 96, 192, Rect{300, 200, 900, 700}, primary, 96},
      // Mostly on the left monitor: its middle decides.
      {"straddling", 96, 144, Rect{-700, 100, 100, 500}, left, 144},
      {"no window named", 144, 96, Rect{}, primary, 144},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryPlatform api;
    api.SetMonitors({primary, left}, {c.primaryDpi, c.leftDpi});
    std::string command = "/c";
    if (c.host.Width() > 0) {
      const WindowHandle host = api.AddWindow("Screen Saver Settings", c.host);
      command = "/c:" + std::to_string(host);
    }
    api.SetCommandText(command);
    Saver saver(api);
    Main(saver);
    ASSERT_NE(saver.Form_Set, nullptr);
    ExpectLaidOutAt(*saver.Form_Set, c.dpi);
    Rect window;
    ASSERT_TRUE(api.GetWindowRect(saver.Form_Set->hwnd, window));
    ExpectCentredOn(window, c.monitor);
    EXPECT_EQ(api.WindowDpi(saver.Form_Set->hwnd), c.dpi);
  }
}

TEST(DialogScaling, MovedToAMonitorOfAnotherScaleItIsLaidOutAgainAndKeepsTheEdits) {
  const Rect primary{0, 0, 1920, 1080}, right{1920, 0, 3840, 2160};
  Opened d({primary, right}, {96, 192});
  ExpectLaidOutAt(d.Dialog(), 96);
  // The user edits, then drags the dialog onto the right monitor.
  d.Get("Srl_Set", 0).SetValue(321);
  d.api.QueueClick(d.Get("Chk_Set", 1));
  d.Get("Txt_File").SetText("C:\\pics\\snow.jpg");
  d.api.Advance(10);
  const Rect suggested{2400, 500, 2400 + 959, 500 + 523};
  d.api.QueueDpiChange(d.Dialog(), 192, suggested);
  d.api.Advance(10);
  ExpectLaidOutAt(d.Dialog(), 192);
  EXPECT_EQ(Corners(d.WindowRect()), Corners(suggested));
  EXPECT_EQ(d.api.WindowDpi(d.Dialog().hwnd), 192);
  EXPECT_EQ(d.Get("Label1", 0).caption, "321");
  EXPECT_EQ(d.Get("Chk_Set", 1).value, 1);

  // Back on the primary, with the size the system asks the dialog for there: as it opened.
  d.api.QueueDpiChange(d.Dialog(), 96);
  d.api.Advance(10);
  ExpectLaidOutAt(d.Dialog(), 96);
  const Rect back = d.WindowRect();
  EXPECT_EQ(Corners(back), Corners(Rect{2400, 500, 2400 + 511, 500 + 277}));
  EXPECT_EQ(d.Get("Image1").left, 360);

  // OK saves what the user set.
  EXPECT_TRUE(RunUntilEnded([&] {
    d.api.QueueClick(d.Get("Btn_Set", 0));
    d.api.Advance(10);
  }));
  SaverSettings saved;
  LoadSettings(saved, d.api);
  EXPECT_EQ(saved.Max, 321);
  EXPECT_EQ(saved.Remain, "on");
  EXPECT_EQ(saved.BS_File, "C:\\pics\\snow.jpg");
}

}  // namespace
}  // namespace frin
