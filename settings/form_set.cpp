#include "settings/form_set.h"

#include <array>

#include "resources/dialog_picture.h"
#include "settings/control_ids.h"
#include "settings/saver_base.h"

namespace frin {
namespace {

// Default colours of the runtime, by kind: text boxes draw on the window colour, everything
// else on the button face.
constexpr uint32_t kColourButtonFace = 0x8000000Fu, kColourButtonText = 0x80000012u;
constexpr uint32_t kColourWindow = 0x80000005u, kColourWindowText = 0x80000008u;
constexpr uint32_t kBlue = 0x00FF0000u;  // 0x00BBGGRR

struct ControlRow {
  const char* name;
  int index;
  ControlKind kind;
  int frame;  // index of the containing Frame1, -1 for the form
  const char* caption;
  int32_t left, top, width, height;
  int tab;   // -1: not in the tab order
  int font;  // 1..6 for F1..F6, 0 for the dialog's font
  int id;
};

// In tab order.
constexpr std::array<ControlRow, 26> kControls = {{
    {"Btn_Set", 0, ControlKind::kCommandButton, -1, "Ｏ Ｋ", 4800, 3120, 1215, 495, 0, 1,
     IDC_BTN_SET_0},
    {"Btn_Set", 1, ControlKind::kCommandButton, -1, "Ｃａｎｃｅｌ", 6240, 3120, 1215, 495, 1, 1,
     IDC_BTN_SET_1},
    {"Srl_Set", 0, ControlKind::kHScrollBar, 0, "", 120, 600, 3615, 255, 2, 0, IDC_SRL_SET_0},
    {"Srl_Set", 1, ControlKind::kHScrollBar, 1, "", 120, 600, 3615, 255, 3, 0, IDC_SRL_SET_1},
    {"Chk_Set", 0, ControlKind::kCheckBox, -1, "ｽｸﾘｰﾝｾｰﾊﾞｰの起動時に背景を消す", 4080, 240, 3495,
     255, 4, 1, IDC_CHK_SET_0},
    {"Chk_Set", 3, ControlKind::kCheckBox, -1, "背景を指定する", 4320, 600, 1935, 255, 5, 1,
     IDC_CHK_SET_3},
    {"Txt_File", -1, ControlKind::kTextBox, -1, "", 4320, 1200, 3135, 270, 6, 0, IDC_TXT_FILE},
    {"Btn_File", -1, ControlKind::kCommandButton, -1, "参照 >>", 6600, 920, 855, 255, 7, 0,
     IDC_BTN_FILE},
    {"Chk_Set", 1, ControlKind::kCheckBox, -1, "Frinが積もる", 4080, 1800, 1335, 255, 8, 1,
     IDC_CHK_SET_1},
    {"Chk_Set", 2, ControlKind::kCheckBox, -1, "ﾏｳｽ移動でｽｸﾘｰﾝｾｰﾊﾞｰを解除しない", 4080, 2400, 3495,
     255, 9, 1, IDC_CHK_SET_2},
    {"Frame1", 0, ControlKind::kFrame, -1, "Frinの量", 120, 120, 3855, 1215, 10, 2, IDC_FRAME1_0},
    {"Frame1", 1, ControlKind::kFrame, -1, "Frinのスピード", 120, 1440, 3855, 1215, 11, 2,
     IDC_FRAME1_1},
    {"Label1", 0, ControlKind::kLabel, 0, "", 2520, 240, 495, 255, 12, 2, IDC_LABEL1_0},
    {"Label1", 1, ControlKind::kLabel, 0, "個", 3120, 240, 375, 255, 13, 2, IDC_LABEL1_1},
    {"Label1", 2, ControlKind::kLabel, 0, "少ない", 120, 900, 615, 255, 14, 3, IDC_LABEL1_2},
    {"Label1", 3, ControlKind::kLabel, 0, "多い", 3360, 900, 495, 255, 15, 3, IDC_LABEL1_3},
    {"Label1", 4, ControlKind::kLabel, 1, "速い", 3360, 885, 495, 255, 16, 3, IDC_LABEL1_4},
    {"Label1", 5, ControlKind::kLabel, 1, "遅い", 120, 885, 495, 255, 17, 3, IDC_LABEL1_5},
    {"Label1", 6, ControlKind::kLabel, -1, kMakerLine, 960, 3120, 2850, 255, 18, 0, IDC_LABEL1_6},
    {"Label1", 7, ControlKind::kLabel, -1, kContactLine, 960, 3360, 2850, 255, 19, 0, IDC_LABEL1_7},
    {"Label1", 8, ControlKind::kLabel, -1, "Screen Saver", 360, 2760, 1815, 255, 20, 5,
     IDC_LABEL1_8},
    {"Label1", 9, ControlKind::kLabel, -1, "Frin", 2040, 2760, 375, 255, 21, 4, IDC_LABEL1_9},
    {"Label1", 10, ControlKind::kLabel, -1, "Ver. 3.02", 2520, 2760, 1215, 255, 22, 6,
     IDC_LABEL1_10},
    {"Label1", 11, ControlKind::kLabel, 1, "", 2520, 240, 495, 255, 23, 2, IDC_LABEL1_11},
    {"Label1", 12, ControlKind::kLabel, -1, "背景ﾌｧｲﾙ", 4320, 960, 1095, 255, 24, 0, IDC_LABEL1_12},
    {"Image1", -1, ControlKind::kImage, -1, "", 360, 3120, 480, 480, -1, 0, IDC_IMAGE1},
}};

}  // namespace

Font Form_SetFont(int n) {
  constexpr const char* kGothic = "ＭＳ Ｐゴシック";
  constexpr const char* kMincho = "ＭＳ Ｐ明朝";
  switch (n) {
    case 1:
      return Font{kGothic, 9.75, 400, false, 128};
    case 2:
      return Font{kGothic, 12, 400, false, 128};
    case 3:
      return Font{kMincho, 9, 400, false, 128};
    case 4:
      return Font{kGothic, 12, 700, false, 128};
    case 5:
      return Font{kGothic, 12, 700, true, 128};
    default:
      return Font{kGothic, 11.25, 700, false, 128};
  }
}

std::unique_ptr<Form> BuildForm_Set() {
  auto form = std::make_unique<Form>("Form_Set");
  form->caption = kSaverTitle;
  form->border = FormBorder::kFixedDialog;
  form->hasIcon = false;
  form->left = kForm_SetClientLeft;
  form->top = kForm_SetClientTop;
  form->clientWidth = kForm_SetClientWidth;
  form->clientHeight = kForm_SetClientHeight;
  form->width = kForm_SetClientWidth;
  form->height = kForm_SetClientHeight;
  form->font.reset();  // the platform's default dialog font

  std::array<Control*, 2> frames{};
  for (const ControlRow& row : kControls) {
    Control c;
    c.name = row.name;
    c.index = row.index;
    c.kind = row.kind;
    c.controlId = row.id;
    c.left = row.left;
    c.top = row.top;
    c.width = row.width;
    c.height = row.height;
    c.tabIndex = row.tab;
    c.caption = row.caption;
    if (row.font != 0) c.font = Form_SetFont(row.font);
    if (row.kind == ControlKind::kTextBox) {
      c.backColor = kColourWindow;
      c.foreColor = kColourWindowText;
    } else {
      c.backColor = kColourButtonFace;
      c.foreColor = kColourButtonText;
    }
    if (row.kind == ControlKind::kHScrollBar) {
      c.min = 0;
      c.value = 0;
      c.smallChange = 1;
      c.max = row.index == 0 ? kCountBarMax : kSpeedBarMax;
      c.largeChange = row.index == 0 ? kCountBarLargeChange : kSpeedBarLargeChange;
    }
    if (row.kind == ControlKind::kImage) {
      c.surface = DialogPicture();  // drawn at its own size, 32 x 32, not stretched
    }
    Control& added = form->Add(std::move(c));
    if (row.kind == ControlKind::kFrame) frames[static_cast<size_t>(row.index)] = &added;
  }
  // Frames come after their contents in tab order; hook the contents up once all exist.
  for (const ControlRow& row : kControls) {
    if (row.frame < 0) continue;
    form->Get(row.name, row.index).container = frames[static_cast<size_t>(row.frame)];
  }
  form->Get("Label1", 8).foreColor = kBlue;
  form->Get("Label1", 9).foreColor = kBlue;
  return form;
}

}  // namespace frin
