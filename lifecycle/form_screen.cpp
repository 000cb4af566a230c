#include "lifecycle/form_screen.h"

#include "lifecycle/saver.h"
#include "resources/sprite_strips.h"

namespace frin {
namespace {

constexpr uint32_t kColourBlack = 0x00000000u;
constexpr uint32_t kSysWindow = 0x80000005u;      // system colour 5, window background
constexpr uint32_t kSysWindowText = 0x80000008u;  // system colour 8, window text
constexpr uint32_t kSysButtonFace = 0x8000000Fu;  // a picture box's own default back colour

struct BoxDesign {
  const char* name;
  int index;
  int id;
  int32_t left, top, width, height;
  uint32_t backColor, foreColor;
  bool visible, autoRedraw, autoSize;
};

// In tab order.
constexpr BoxDesign kBoxes[] = {
    {"Screen", 0, kIdScreen0, 120, 720, 1575, 1095, kColourBlack, kSysWindowText, true, true,
     false},
    {"Screen", 1, kIdScreen1, 1920, 720, 1575, 1095, kColourBlack, kSysWindowText, false, true,
     false},
    {"Frin_Pic", 0, kIdFrinPic0, 360, 120, 270, 180, kSysWindow, kSysWindowText, false, true,
     false},
    {"Frin_Pic", 1, kIdFrinPic1, 840, 120, 315, 210, kSysWindow, kSysWindowText, false, true,
     false},
    {"Pic_Focus", -1, kIdPicFocus, 2040, 120, 1335, 495, kSysButtonFace, kSysWindowText, true,
     false, false},
    {"Screen", 2, kIdScreen2, 1920, 1920, 1575, 1095, kColourBlack, kSysWindowText, false, false,
     true},
};

struct TimerDesign {
  int index;
  int id;
  int32_t interval;
};
constexpr TimerDesign kTimers[] = {{0, kIdSSTimer0, 240}, {1, kIdSSTimer1, 840}};

}  // namespace

std::unique_ptr<Form> BuildForm_Screen(int32_t twipsPerPixelX, int32_t twipsPerPixelY) {
  auto form = std::make_unique<Form>("Form_Screen");
  form->caption = kSaverTitle;
  form->border = FormBorder::kNone;
  form->hasIcon = true;
  form->left = kFormScreenLeft;
  form->top = kFormScreenTop;
  form->width = kFormScreenWidth;
  form->height = kFormScreenHeight;
  form->clientWidth = kFormScreenWidth;
  form->clientHeight = kFormScreenHeight;
  form->visible = false;
  form->twipsPerPixelX = twipsPerPixelX > 0 ? twipsPerPixelX : 15;
  form->twipsPerPixelY = twipsPerPixelY > 0 ? twipsPerPixelY : 15;

  int tab = 0;
  for (const BoxDesign& d : kBoxes) {
    Control c;
    c.name = d.name;
    c.index = d.index;
    c.kind = ControlKind::kPictureBox;
    c.controlId = d.id;
    c.left = d.left;
    c.top = d.top;
    c.width = d.width;
    c.height = d.height;
    c.backColor = d.backColor;
    c.foreColor = d.foreColor;
    c.visible = d.visible;
    c.autoRedraw = d.autoRedraw;
    c.autoSize = d.autoSize;
    c.scaleTwips = true;
    c.tabIndex = tab++;
    Control& added = form->Add(std::move(c));
    if (added.name == "Frin_Pic") {
      added.surface = MakeSpriteStrip(added.index);
    } else if (added.name == "Screen" && added.index != 2) {
      added.SizeSurfaceToBox(kBlack);  // the black design picture of canvas and buffer
    }
  }
  for (const TimerDesign& t : kTimers) {
    Control c;
    c.name = "SS_Timer";
    c.index = t.index;
    c.kind = ControlKind::kTimer;
    c.controlId = t.id;
    c.visible = false;
    c.interval = t.interval;
    c.timerEnabled = false;
    form->Add(std::move(c));
  }
  return form;
}

void AttachForm_Screen(Saver& saver) {
  Scene& scene = saver.Primary();
  saver.Form_Screen =
      BuildForm_Screen(scene.SceneState.TwipsPerPixelX, scene.SceneState.TwipsPerPixelY);
  BindScene(scene, *saver.Form_Screen);
}

void PlaceSurfaceBox(Control& box, int32_t left, int32_t top, int32_t width, int32_t height,
                     Pixel fill) {
  box.Move(left, top, width, height);
  box.SizeSurfaceToBox(fill);
}

}  // namespace frin
