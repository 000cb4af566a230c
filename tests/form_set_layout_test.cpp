// The settings dialog as a user sees it: which frame each control stands in, what the texts read
// in their places, the colours and fonts they are drawn in, and the picture at every scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/twips.h"
#include "settings/form_set.h"

namespace frin {
namespace {

struct Box {
  int32_t left, top, right, bottom;  // twips, from the dialog's client area
  bool Overlaps(const Box& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  bool Holds(int32_t x, int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
};

Box OnDialog(const Control& c) {
  int32_t x = c.left, y = c.top;
  for (const Control* k = c.container; k != nullptr; k = k->container) {
    x += k->left;
    y += k->top;
  }
  return Box{x, y, x + c.width, y + c.height};
}

std::string Name(const Control& c) {
  return c.index < 0 ? c.name : c.name + "(" + std::to_string(c.index) + ")";
}

bool Interactive(const Control& c) {
  return c.kind == ControlKind::kCommandButton || c.kind == ControlKind::kHScrollBar ||
         c.kind == ControlKind::kCheckBox || c.kind == ControlKind::kTextBox;
}

// The captions of the controls that pass the filter, as a reader takes them: top to bottom, and
// left to right along a row (tops within a quarter of a row's height count as one row).
template <typename Filter>
std::vector<std::string> Reading(const Form& form, Filter filter) {
  std::vector<const Control*> picked;
  for (const auto& c : form.Controls()) {
    if (!c->caption.empty() && c->kind != ControlKind::kFrame && filter(*c))
      picked.push_back(c.get());
  }
  std::sort(picked.begin(), picked.end(), [](const Control* a, const Control* b) {
    const Box ba = OnDialog(*a), bb = OnDialog(*b);
    if (std::abs(ba.top - bb.top) > 60) return ba.top < bb.top;
    return ba.left < bb.left;
  });
  std::vector<std::string> texts;
  for (const Control* c : picked)
    texts.push_back(c->caption);
  return texts;
}

const Control& FrameCaptioned(const Form& form, const std::string& caption) {
  for (const auto& c : form.Controls()) {
    if (c->kind == ControlKind::kFrame && c->caption == caption) return *c;
  }
  ADD_FAILURE() << "no frame reads " << caption;
  return *form.Controls().front();
}

std::vector<const Control*> Inside(const Form& form, const Control& frame, ControlKind kind) {
  std::vector<const Control*> found;
  for (const auto& c : form.Controls()) {
    if (c->container == &frame && c->kind == kind) found.push_back(c.get());
  }
  return found;
}

// A colour value the runtime takes as is (not a system colour) whose blue part dominates.
bool IsBlue(uint32_t colour) {
  if (colour & 0x80000000u) return false;
  const uint32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
  return blue >= 0xC0 && red < 0x40 && green < 0x40;
}

TEST(Form_SetLayout, EachControlStandsInTheFrameThatSurroundsIt) {
  const auto form = BuildForm_Set(JapaneseLanguage());
  std::vector<const Control*> frames;
  for (const auto& c : form->Controls()) {
    if (c->kind == ControlKind::kFrame) frames.push_back(c.get());
  }
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_FALSE(OnDialog(*frames[0]).Overlaps(OnDialog(*frames[1])));
  for (const auto& c : form->Controls()) {
    if (c->kind == ControlKind::kFrame) continue;
    SCOPED_TRACE(Name(*c));
    const Box b = OnDialog(*c);
    // The frame drawn around the control's middle is the one that holds it, and it holds all
    // of the control.
    const Control* around = nullptr;
    for (const Control* f : frames) {
      if (OnDialog(*f).Holds((b.left + b.right) / 2, (b.top + b.bottom) / 2)) around = f;
    }
    EXPECT_EQ(c->container, around);
    if (c->container != nullptr) {
      EXPECT_TRUE(c->left >= 0 && c->top >= 0 && c->left + c->width <= c->container->width &&
                  c->top + c->height <= c->container->height);
    }
  }
}

TEST(Form_SetLayout, NoControlCoversAnotherThatTheUserCanOperate) {
  const auto form = BuildForm_Set(JapaneseLanguage());
  for (const auto& a : form->Controls()) {
    if (!Interactive(*a)) continue;
    for (const auto& b : form->Controls()) {
      if (a == b || b->kind == ControlKind::kFrame || b->kind == ControlKind::kLabel) continue;
      EXPECT_FALSE(OnDialog(*a).Overlaps(OnDialog(*b))) << Name(*a) << " and " << Name(*b);
    }
    for (const auto& f : form->Controls()) {
      if (f->kind != ControlKind::kFrame || a->container == f.get()) continue;
      EXPECT_FALSE(OnDialog(*a).Overlaps(OnDialog(*f))) << Name(*a) << " over " << Name(*f);
    }
  }
}

TEST(Form_SetLayout, EachFrameHoldsOneBarWithItsReadoutAndItsTwoEnds) {
  const auto form = BuildForm_Set(JapaneseLanguage());
  struct Want {
    const char* frame;
    int bar;
    const char* unit;  // read after the readout, empty when there is none
    const char* left;
    const char* right;
  };
  for (const Want& w : {Want{"Frinの量", 0, "個", "少ない", "多い"},
                        Want{"Frinのスピード", 1, "", "遅い", "速い"}}) {
    SCOPED_TRACE(w.frame);
    const Control& frame = FrameCaptioned(*form, w.frame);
    const auto bars = Inside(*form, frame, ControlKind::kHScrollBar);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0]->index, w.bar);
    // The readout is the one label without a design caption; the ends sit under the bar's two
    // ends, the left one under its minimum.
    const std::vector<std::string> expected =
        *w.unit ? std::vector<std::string>{w.unit, w.left, w.right}
                : std::vector<std::string>{w.left, w.right};
    EXPECT_EQ(Reading(*form, [&](const Control& c) { return c.container == &frame; }), expected);
    const Control* readout = nullptr;
    for (const Control* label : Inside(*form, frame, ControlKind::kLabel)) {
      const Box b = OnDialog(*label), bar = OnDialog(*bars[0]);
      if (label->caption.empty()) {
        EXPECT_EQ(readout, nullptr);
        readout = label;
        EXPECT_LE(b.bottom, bar.top);  // above the bar
      } else if (label->caption == w.left) {
        EXPECT_LE(b.left, bar.left + 120);
        EXPECT_GE(b.top, bar.bottom);
      } else if (label->caption == w.right) {
        EXPECT_GE(b.right, bar.right - 120);
        EXPECT_GE(b.top, bar.bottom);
      }
    }
    EXPECT_NE(readout, nullptr);
  }
}

TEST(Form_SetLayout, TheTextsReadInOrderOutsideTheFrames) {
  const auto form = BuildForm_Set(JapaneseLanguage());
  const int32_t frameRight = OnDialog(form->Get("Frame1", 0)).right;
  // The switches and the picture file, right of the frames, top to bottom.
  EXPECT_EQ(
      Reading(*form,
              [&](const Control& c) {
                return c.container == nullptr && OnDialog(c).left >= frameRight &&
                       OnDialog(c).top < 3000;
              }),
      (std::vector<std::string>{"ｽｸﾘｰﾝｾｰﾊﾞｰの起動時に背景を消す", "背景を指定する", "背景ﾌｧｲﾙ",
                                "参照 >>", "Frinが積もる", "ﾏｳｽ移動でｽｸﾘｰﾝｾｰﾊﾞｰを解除しない"}));
  // Under the frames: the title line, the maker's two lines, then the two buttons.
  EXPECT_EQ(Reading(*form,
                    [&](const Control& c) {
                      return c.container == nullptr &&
                             (OnDialog(c).left < frameRight || OnDialog(c).top >= 3000);
                    }),
            (std::vector<std::string>{"Screen Saver", "Frin", "Ver. 3.02", "Tolvar Software",
                                      "Ｏ Ｋ", "Ｃａｎｃｅｌ", "E-mail: frin@tolvar.example"}));
  // The file name box stands under its label and the browse button at its right end.
  const Box file = OnDialog(form->Get("Txt_File")), label = OnDialog(form->Get("Label1", 12));
  const Box browse = OnDialog(form->Get("Btn_File"));
  EXPECT_TRUE(label.top < file.top && label.left == file.left);
  EXPECT_TRUE(browse.bottom <= file.top && browse.right == file.right);
}

TEST(Form_SetLayout, ColoursAndFontsOfTheTexts) {
  const auto form = BuildForm_Set(JapaneseLanguage());
  const Control& fileBox = form->Get("Txt_File");
  const uint32_t face = form->Get("Frame1", 0).backColor;
  const uint32_t text = form->Get("Label1", 10).foreColor;
  for (const auto& c : form->Controls()) {
    if (c.get() == &fileBox) continue;
    SCOPED_TRACE(Name(*c));
    // Everything but the file name box is drawn on the dialog's face.
    EXPECT_EQ(c->backColor, face);
    const bool title = c->name == "Label1" && (c->index == 8 || c->index == 9);
    EXPECT_EQ(IsBlue(c->foreColor), title);
    if (!title) {
      EXPECT_EQ(c->foreColor, text);
    }
  }
  EXPECT_NE(fileBox.backColor, face);
  EXPECT_NE(fileBox.foreColor, fileBox.backColor);

  // The title line: "Screen Saver" in bold italics, "Frin" and the version upright.
  const auto font = [&](int index) { return form->Get("Label1", index).font.value_or(Font{}); };
  EXPECT_TRUE(font(8).italic && font(8).weight >= 700);
  EXPECT_TRUE(!font(9).italic && font(9).weight >= 700);
  EXPECT_FALSE(font(10).italic);
  // Japanese texts use fonts with the Japanese character set, or the dialog's own font.
  for (const auto& c : form->Controls()) {
    if (c->font) {
      EXPECT_EQ(c->font->charset, 128) << Name(*c);
    }
  }
  // The two buttons read in the same wide letters and the same font.
  EXPECT_EQ(form->Get("Btn_Set", 0).font->face, form->Get("Btn_Set", 1).font->face);
  for (int i : {0, 1}) {
    for (unsigned char ch : form->Get("Btn_Set", i).caption) {
      EXPECT_TRUE(ch >= 0x80 || ch == ' ') << i;
    }
  }
}

// The picture at a display's scale stays in the dialog and clear of everything written in it,
// in whole pixels at that display's twips per pixel.
TEST(Form_SetLayout, ThePictureAtEveryScaleStaysClearOfTheTexts) {
  for (int32_t dpi : {96, 120, 144, 168, 192, 216, 240, 288, 336, 384}) {
    SCOPED_TRACE(dpi);
    auto form = BuildForm_Set(JapaneseLanguage());
    ScaleForm_Set(*form, dpi);
    const int32_t tpp = form->twipsPerPixelX;
    const auto pixels = [tpp](const Box& b) {
      return Box{TwipsToPixels(b.left, tpp), TwipsToPixels(b.top, tpp), TwipsToPixels(b.right, tpp),
                 TwipsToPixels(b.bottom, tpp)};
    };
    const Control& image = form->Get("Image1");
    const Box picture = pixels(OnDialog(image));
    EXPECT_EQ(picture.right - picture.left, image.surface.Width());
    EXPECT_EQ(picture.bottom - picture.top, image.surface.Height());
    EXPECT_GE(picture.left, 0);
    EXPECT_GE(picture.top, 0);
    EXPECT_LE(picture.right, TwipsToPixels(form->clientWidth, tpp));
    EXPECT_LE(picture.bottom, TwipsToPixels(form->clientHeight, tpp));
    for (const auto& c : form->Controls()) {
      if (c.get() == &image) continue;
      EXPECT_FALSE(picture.Overlaps(pixels(OnDialog(*c)))) << Name(*c);
    }
  }
}

}  // namespace
}  // namespace frin
