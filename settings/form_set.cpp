#include "settings/form_set.h"

#include <array>

#include "platform/twips.h"
#include "resources/dialog_picture.h"
#include "settings/control_ids.h"
#include "settings/saver_base.h"

namespace frin {
namespace {

// Default colours of the runtime, by kind: text boxes draw on the window colour, everything
// else on the button face.
constexpr uint32_t kColourButtonFace = 0x8000000Fu, kColourButtonText = 0x80000012u;
constexpr uint32_t kColourWindow = 0x80000005u, kColourWindowText = 0x80000008u;
constexpr uint32_t kBlue = 0x00FF0000u;     // 0x00BBGGRR
constexpr TextId kNoText = TextId::kCount;  // a control without a design caption

struct ControlRow {
  const char* name;
  int index;
  ControlKind kind;
  int frame;  // index of the containing Frame1, -1 for the form
  TextId caption;
  int32_t left, top, width, height;
  int tab;   // -1: not in the tab order
  int font;  // 1..6 for F1..F6, 0 for the dialog's font
  int id;
};

// In tab order.
constexpr std::array<ControlRow, 26> kControls = {{
    {"Btn_Set", 0, ControlKind::kCommandButton, -1, TextId::kOk, 4800, 3120, 1215, 495, 0, 1,
     IDC_BTN_SET_0},
    {"Btn_Set", 1, ControlKind::kCommandButton, -1, TextId::kCancel, 6240, 3120, 1215, 495, 1, 1,
     IDC_BTN_SET_1},
    {"Srl_Set", 0, ControlKind::kHScrollBar, 0, kNoText, 120, 600, 3615, 255, 2, 0, IDC_SRL_SET_0},
    {"Srl_Set", 1, ControlKind::kHScrollBar, 1, kNoText, 120, 600, 3615, 255, 3, 0, IDC_SRL_SET_1},
    {"Chk_Set", 0, ControlKind::kCheckBox, -1, TextId::kClearBackground, 4080, 240, 3495, 255, 4, 1,
     IDC_CHK_SET_0},
    {"Chk_Set", 3, ControlKind::kCheckBox, -1, TextId::kUsePicture, 4320, 600, 1935, 255, 5, 1,
     IDC_CHK_SET_3},
    {"Txt_File", -1, ControlKind::kTextBox, -1, kNoText, 4320, 1200, 3135, 270, 6, 0, IDC_TXT_FILE},
    {"Btn_File", -1, ControlKind::kCommandButton, -1, TextId::kBrowse, 6600, 920, 855, 255, 7, 0,
     IDC_BTN_FILE},
    {"Chk_Set", 1, ControlKind::kCheckBox, -1, TextId::kSettle, 4080, 1800, 1335, 255, 8, 1,
     IDC_CHK_SET_1},
    {"Chk_Set", 2, ControlKind::kCheckBox, -1, TextId::kMouseKeeps, 4080, 2400, 3495, 255, 9, 1,
     IDC_CHK_SET_2},
    {"Frame1", 0, ControlKind::kFrame, -1, TextId::kAmountFrame, 120, 120, 3855, 1215, 10, 2,
     IDC_FRAME1_0},
    {"Frame1", 1, ControlKind::kFrame, -1, TextId::kSpeedFrame, 120, 1440, 3855, 1215, 11, 2,
     IDC_FRAME1_1},
    {"Label1", 0, ControlKind::kLabel, 0, kNoText, 2520, 240, 495, 255, 12, 2, IDC_LABEL1_0},
    {"Label1", 1, ControlKind::kLabel, 0, TextId::kCountUnit, 3120, 240, 375, 255, 13, 2,
     IDC_LABEL1_1},
    {"Label1", 2, ControlKind::kLabel, 0, TextId::kFew, 120, 900, 615, 255, 14, 3, IDC_LABEL1_2},
    {"Label1", 3, ControlKind::kLabel, 0, TextId::kMany, 3360, 900, 495, 255, 15, 3, IDC_LABEL1_3},
    {"Label1", 4, ControlKind::kLabel, 1, TextId::kFast, 3360, 885, 495, 255, 16, 3, IDC_LABEL1_4},
    {"Label1", 5, ControlKind::kLabel, 1, TextId::kSlow, 120, 885, 495, 255, 17, 3, IDC_LABEL1_5},
    {"Label1", 6, ControlKind::kLabel, -1, TextId::kMakerLine, 960, 3120, 2850, 255, 18, 0,
     IDC_LABEL1_6},
    {"Label1", 7, ControlKind::kLabel, -1, TextId::kContactLine, 960, 3360, 2850, 255, 19, 0,
     IDC_LABEL1_7},
    {"Label1", 8, ControlKind::kLabel, -1, TextId::kTitleLine, 360, 2760, 1815, 255, 20, 5,
     IDC_LABEL1_8},
    {"Label1", 9, ControlKind::kLabel, -1, TextId::kTitleName, 2040, 2760, 375, 255, 21, 4,
     IDC_LABEL1_9},
    {"Label1", 10, ControlKind::kLabel, -1, TextId::kVersionLine, 2520, 2760, 1215, 255, 22, 6,
     IDC_LABEL1_10},
    {"Label1", 11, ControlKind::kLabel, 1, kNoText, 2520, 240, 495, 255, 23, 2, IDC_LABEL1_11},
    {"Label1", 12, ControlKind::kLabel, -1, TextId::kPictureFile, 4320, 960, 1095, 255, 24, 0,
     IDC_LABEL1_12},
    {"Image1", -1, ControlKind::kImage, -1, kNoText, 360, 3120, 480, 480, -1, 0, IDC_IMAGE1},
}};
const ControlRow& kImage1 = kControls.back();

}  // namespace

std::unique_ptr<Form> BuildForm_Set(const UiLanguage& language) {
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
  if (language.dialogFace != nullptr) {
    form->font = Font{language.dialogFace, 9, 400, false, language.charset};
  } else {
    form->font.reset();  // the platform's default dialog font
  }

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
    if (row.caption != kNoText) c.caption = language.Text(row.caption);
    if (row.font != 0) c.font = DialogFont(language, row.font);
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

void ScaleForm_Set(Form& form, int32_t dpi) {
  form.SetDpi(dpi);
  Control& image = form.Get("Image1");
  image.surface = DialogPicture(ScaleAtDpi(dpi));
  image.NotifyPicture();
  const int32_t width = image.surface.Width() * form.twipsPerPixelX;
  const int32_t height = image.surface.Height() * form.twipsPerPixelY;
  image.Move(kImage1.left + (kImage1.width - width) / 2,
             kImage1.top + (kImage1.height - height) / 2, width, height);
}

}  // namespace frin
