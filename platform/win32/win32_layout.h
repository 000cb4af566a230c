// The decisions of the form mirror that need no system header: where a control's window goes,
// in which order the windows are made, how much room a caption has, and what a check box's or a
// scroll bar's notification means for the model. Built and tested on any machine.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/form.h"
#include "platform/win32/win32_text.h"

namespace frin::win32 {

struct PixelBox {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};

// A control's window in its form's client area, in pixels: the frames that hold it add their
// positions (a frame is no parent window, so the controls inside it are the form's children).
inline PixelBox ControlPixels(const Control& c, int32_t tppX, int32_t tppY) {
  int64_t left = c.left, top = c.top;
  for (const Control* k = c.container; k != nullptr; k = k->container) {
    left += k->left;
    top += k->top;
  }
  return PixelBox{TwipsToPixels(left, tppX), TwipsToPixels(top, tppY),
                  TwipsToPixels(left + c.width, tppX), TwipsToPixels(top + c.height, tppY)};
}

// Whether a control of this kind is a window of its own on the settings dialog. Picture boxes
// are drawn by their form and timers are the form's.
inline bool HasWindow(ControlKind k) {
  return k != ControlKind::kTimer && k != ControlKind::kPictureBox;
}

// The controls that get windows, in the order they are made: the tab order (which the window
// system takes from the order of creation), then those outside it in the order of the model.
inline std::vector<Control*> CreationOrder(const Form& form) {
  std::vector<Control*> order;
  for (const auto& c : form.Controls()) {
    if (HasWindow(c->kind)) order.push_back(c.get());
  }
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    const int64_t ta = a->tabIndex < 0 ? INT64_MAX : a->tabIndex;
    const int64_t tb = b->tabIndex < 0 ? INT64_MAX : b->tabIndex;
    return ta < tb;
  });
  return order;
}

// The labels the mirror stacks above a label: labels go on top of the dialog's other windows, a
// later one above an earlier one, as the form runtime stacks them. A label's caption ends where
// one of them covers it (UncoveredWidth); other controls share no row with a label.
inline std::vector<const Control*> LabelsAbove(const Form& form, const Control& label) {
  std::vector<const Control*> above;
  if (label.kind != ControlKind::kLabel) return above;
  bool after = false;
  for (const Control* k : CreationOrder(form)) {
    if (k == &label) {
      after = true;
    } else if (after && k->kind == ControlKind::kLabel) {
      above.push_back(k);
    }
  }
  return above;
}

// The width a caption may take inside its control: a check box loses its box and the gap after
// it, a button its edges, a frame the line before and after its caption. 0 for a control whose
// text is not fitted (a text box scrolls).
inline int32_t CaptionRoom(ControlKind k, int32_t width, int32_t checkBoxWidth) {
  switch (k) {
    case ControlKind::kCheckBox:
      return std::max(0, width - checkBoxWidth);
    case ControlKind::kCommandButton:
      return std::max(0, width - 6);
    case ControlKind::kFrame:
      return std::max(0, width - 16);
    case ControlKind::kLabel:
      return width;
    default:
      return 0;
  }
}

// The width of a control's box that no window stacked above it covers: a window above it that
// shares some of its rows and begins inside it (the next label of a title line) leaves it the
// columns up to one pixel before its left edge, so that the two captions never touch.
inline int32_t UncoveredWidth(const PixelBox& box, const std::vector<PixelBox>& above) {
  int32_t right = box.right;
  for (const PixelBox& a : above) {
    const bool sharesRows = a.top < box.bottom && box.top < a.bottom;
    if (sharesRows && a.left > box.left && a.left < right + 1 && a.right > a.left) {
      right = a.left - 1;
    }
  }
  return std::max(0, right - box.left);
}

// A check box was clicked: its new value. An automatic check box has already turned its tick
// when the click arrives, so the tick it shows is the new value; a click that left the tick as
// the model has it (a click sent without a state change) turns the model's value over.
inline int32_t CheckBoxTarget(int32_t shown, int32_t modelValue) {
  if (shown != modelValue) return shown;
  return modelValue == 1 ? 0 : 1;
}

// The end of a scroll: a position set on the bar directly (not through the model) becomes the
// value now, when it lies in the bar's range.
inline std::optional<int32_t> EndScrollTarget(int32_t barPosition, const Control& bar) {
  if (barPosition == bar.value || barPosition < bar.min || barPosition > bar.max) {
    return std::nullopt;
  }
  return barPosition;
}

}  // namespace frin::win32
