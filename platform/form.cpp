// The form model's behaviour: the setters of controls and forms (each tells the backend's
// observer, and raises the handler the change stands for where it raises one), a picture box's
// drawing, the lookup of controls, and the raising of the handlers named after a control and
// an event.
#include "platform/form.h"

#include <cmath>

#include "platform/errors.h"
#include "platform/twips.h"

namespace frin {

void Control::SetCaption(std::string c) {
  caption = std::move(c);
  form->Notify(*this, Property::kCaption);
}

void Control::SetText(std::string t) {
  text = std::move(t);
  form->Notify(*this, Property::kText);
}

void Control::SetValue(int32_t v) {
  if (kind == ControlKind::kHScrollBar && (v < min || v > max)) RaiseError(kErrInvalidProperty);
  if (kind == ControlKind::kCheckBox && (v < 0 || v > 2)) RaiseError(kErrInvalidProperty);
  if (v == value) return;
  value = v;
  form->Notify(*this, Property::kValue);
  if (kind == ControlKind::kHScrollBar) form->RaiseChange(*this);
  if (kind == ControlKind::kCheckBox) form->RaiseClick(*this);
}

void Control::SetEnabled(bool e) {
  if (enabled == e) return;
  enabled = e;
  form->Notify(*this, Property::kEnabled);
}

void Control::SetVisible(bool v) {
  if (visible == v) return;
  visible = v;
  form->Notify(*this, Property::kVisible);
}

void Control::Move(int32_t l, int32_t t, int32_t w, int32_t h) {
  left = l;
  top = t;
  width = w;
  height = h;
  form->Notify(*this, Property::kMove);
}

void Control::SetInterval(int32_t ms) {
  interval = ms;
  form->Notify(*this, Property::kTimer);
}

void Control::SetTimerEnabled(bool e) {
  timerEnabled = e;
  form->Notify(*this, Property::kTimer);
}

void Control::SetAutoRedraw(bool on) {
  autoRedraw = on;
  form->Notify(*this, Property::kAutoRedraw);
}

void Control::SetFocus() {
  form->focus = this;
  form->Notify(*this, Property::kFocus);
}

void Control::Refresh() {
  form->Notify(*this, Property::kRefresh);
}

void Control::Line(float x1, float y1, float x2, float y2, Pixel colour) {
  const float sx = scaleTwips ? static_cast<float>(form->twipsPerPixelX) : 1.0f;
  const float sy = scaleTwips ? static_cast<float>(form->twipsPerPixelY) : 1.0f;
  auto px = [](float v, float scale) {
    const double p = std::floor(static_cast<double>(v) / scale);
    // Far outside any surface: clamp so the conversion stays defined; the line is clipped.
    return static_cast<int32_t>(std::fmax(-1e9, std::fmin(1e9, p)));
  };
  DrawLine(surface, px(x1, sx), px(y1, sy), px(x2, sx), px(y2, sy), colour);
}

void Control::SizeSurfaceToBox(Pixel fill) {
  const int32_t w = form->twipsPerPixelX > 0 ? width / form->twipsPerPixelX : 0;
  const int32_t h = form->twipsPerPixelY > 0 ? height / form->twipsPerPixelY : 0;
  surface.Resize(w > 0 ? w : 0, h > 0 ? h : 0, fill);
  NotifyPicture();
}

void Control::NotifyPicture() {
  form->Notify(*this, Property::kPicture);
}

Control& Form::Add(Control c) {
  controls_.push_back(std::make_unique<Control>(std::move(c)));
  Control& added = *controls_.back();
  added.form = this;
  return added;
}

Control* Form::Find(const std::string& name, int index) {
  for (auto& c : controls_) {
    if (c->name == name && c->index == index) return c.get();
  }
  return nullptr;
}

Control& Form::Get(const std::string& name, int index) {
  Control* c = Find(name, index);
  if (c == nullptr) RaiseError(kErrSubscript);
  return *c;
}

Control* Form::FindById(int controlId) {
  for (auto& c : controls_) {
    if (c->controlId == controlId) return c.get();
  }
  return nullptr;
}

void Form::SetCaption(std::string c) {
  caption = std::move(c);
  Notify(Property::kCaption);
}

void Form::Move(int32_t l, int32_t t, int32_t w, int32_t h) {
  left = l;
  top = t;
  width = w;
  height = h;
  Notify(Property::kMove);
}

void Form::SetLeftTop(int32_t l, int32_t t) {
  Move(l, t, width, height);
}

void Form::SetWindowState(int state) {
  windowState = state;
  Notify(Property::kWindowState);
}

void Form::Show() {
  visible = true;
  Notify(Property::kVisible);
}

void Form::Hide() {
  visible = false;
  Notify(Property::kVisible);
}

void Form::SetDpi(int32_t newDpi) {
  dpi = newDpi;
  twipsPerPixelX = twipsPerPixelY = TwipsPerPixelAtDpi(newDpi);
  Notify(Property::kDpi);
}

void Form::RaiseClick(Control& c) {
  auto it = handlers_.find(c.name);
  if (it != handlers_.end() && it->second.click) it->second.click(c.index);
}

void Form::RaiseChange(Control& c) {
  auto it = handlers_.find(c.name);
  if (it != handlers_.end() && it->second.change) it->second.change(c.index);
}

void Form::RaiseTimer(Control& c) {
  auto it = handlers_.find(c.name);
  if (it != handlers_.end() && it->second.timer) it->second.timer(c.index);
}

void Form::RaiseKeyDown(Control& c, int keyCode, int shift) {
  auto it = handlers_.find(c.name);
  if (it != handlers_.end() && it->second.keyDown) it->second.keyDown(c.index, keyCode, shift);
}

void Form::RaiseUnload() {
  if (onUnload) onUnload();
}

void Form::RaiseDisplayChange() {
  if (onDisplayChange) onDisplayChange();
}

void Form::RaiseDpiChange(int32_t newDpi, const Rect& suggested) {
  if (onDpiChange) onDpiChange(newDpi, suggested);
}

void Form::Notify(Property what) {
  if (observer != nullptr) observer->OnFormChanged(*this, what);
}

void Form::Notify(Control& c, Property what) {
  if (observer != nullptr) observer->OnControlChanged(c, what);
}

}  // namespace frin
