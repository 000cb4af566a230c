// Presenting the saver's canvas (win32_canvas.h).
//
// A shown picture box's surface lives in a DIB section: the surface is lent the section's memory,
// so the raster draws straight into what the window is painted from, and nothing is copied
// between the two. A present is one BitBlt of the damage's bounding rectangle from the section to
// the window's own device context, clipped by a region of the tick's damage (few rectangles, or
// runs of tiles). That is cheap on both kinds of system: under Wine a drawing call costs far more
// than the pixels it moves, so one call per tick beats a copy per flake; under a compositor the
// region tells what changed, so only those pixels are copied into the window's surface and
// composed again, not the whole frame. The regions are rebuilt in place (SetRectRgn, CombineRgn)
// and the device context is the window's own, so a tick allocates and creates nothing.
#include "platform/win32/win32_platform.h"

#include <climits>

#include "platform/win32/win32_canvas.h"

namespace frin::win32 {

SaverCanvas::SaverCanvas(HWND hwnd, Form& form, int32_t tppX, int32_t tppY)
    : hwnd_(hwnd), tppX_(tppX), tppY_(tppY) {
  // The system keeps a clip region selected into the window's own device context for it once
  // one of the window's own has been selected.
  dc_ = GetDC(hwnd_);
  clip_ = CreateRectRgn(0, 0, 0, 0);
  piece_ = CreateRectRgn(0, 0, 0, 0);
  row_ = CreateRectRgn(0, 0, 0, 0);
  if (dc_ != nullptr && clip_ != nullptr) {
    SetRectRgn(clip_, 0, 0, kWholeWindow, kWholeWindow);
    SelectClipRgn(dc_, clip_);
  }
  for (const auto& c : form.Controls()) {
    if (c->kind != ControlKind::kPictureBox) continue;
    boxes_.emplace_back();
    boxes_.back().box = c.get();
    c->surface.TrackDamage(true);
  }
}

void SaverCanvas::Release(bool reclaim) {
  for (BoxMirror& m : boxes_)
    ReleaseMirror(m, reclaim);
  boxes_.clear();
  if (clip_ != nullptr) DeleteObject(clip_);
  if (piece_ != nullptr) DeleteObject(piece_);
  if (row_ != nullptr) DeleteObject(row_);
  clip_ = piece_ = row_ = nullptr;
  dc_ = nullptr;  // the window's own, gone with it
}

void SaverCanvas::ReleaseMirror(BoxMirror& m, bool reclaim) {
  Surface& s = m.box->surface;
  // Only a living box is given its pixels back; one whose form is gone took its surface along.
  if (reclaim && s.IsLent() && s.Data() == m.bits) s.Reclaim();
  if (m.dc != nullptr) {
    SelectObject(m.dc, m.oldBitmap);
    DeleteDC(m.dc);
  }
  if (m.dib != nullptr) DeleteObject(m.dib);
  m.dc = nullptr;
  m.oldBitmap = nullptr;
  m.dib = nullptr;
  m.bits = nullptr;
  m.width = m.height = 0;
}

bool SaverCanvas::SyncMirror(BoxMirror& m) {
  Surface& s = m.box->surface;
  if (m.dib != nullptr && s.IsLent() && s.Data() == m.bits && s.Width() == m.width &&
      s.Height() == m.height) {
    return false;
  }
  // The surface was replaced or resized (which ends a loan) since the section was made.
  ReleaseMirror(m, true);
  if (s.Width() <= 0 || s.Height() <= 0) return true;
  void* bits = nullptr;
  HBITMAP dib = CreateTopDownDib(s.Width(), s.Height(), 32, &bits);
  if (dib == nullptr) return true;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    DeleteObject(dib);
    return true;
  }
  m.dib = dib;
  m.dc = dc;
  m.oldBitmap = SelectObject(dc, dib);
  m.bits = static_cast<Pixel*>(bits);
  m.width = s.Width();
  m.height = s.Height();
  m.tiles.Resize(m.width, m.height);
  GdiFlush();  // the section's memory is written by the raster from now on
  s.Lend(m.bits);
  return true;
}

void SaverCanvas::Paint(HDC hdc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  // The whole client area, as far as the update region lets it: a tick's present may have left
  // its damage region selected.
  if (clip_ != nullptr) {
    SetRectRgn(clip_, client.left, client.top, client.right, client.bottom);
    SelectClipRgn(hdc, clip_);
  }
  // Boxes in tab order, the first on top: each clips what lies below it; black elsewhere.
  for (BoxMirror& m : boxes_) {
    if (!m.box->visible) continue;
    SyncMirror(m);
    if (m.dib == nullptr) continue;
    const RECT box = BoxRect(*m.box);
    ::BitBlt(hdc, box.left, box.top, m.width, m.height, m.dc, 0, 0, SRCCOPY);
    m.box->surface.Damage().Clear();
    ExcludeClipRect(hdc, box.left, box.top, box.left + m.width, box.top + m.height);
  }
  FillRect(hdc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  GdiFlush();
}

void SaverCanvas::Present() {
  if (dc_ == nullptr || clip_ == nullptr || piece_ == nullptr || row_ == nullptr) return;
  const bool shown = IsWindowVisible(hwnd_) != FALSE;
  bool drew = false;
  for (BoxMirror& m : boxes_) {
    Surface& s = m.box->surface;
    DamageList& damage = s.Damage();
    if (damage.Count() == 0) continue;
    if (!shown || !m.box->visible) {
      damage.Clear();  // WM_PAINT copies everything once the box shows again
      continue;
    }
    if (SyncMirror(m)) {
      damage.Clear();
      InvalidateRect(hwnd_, nullptr, FALSE);
      continue;
    }
    if (m.dib == nullptr) continue;
    const RECT box = BoxRect(*m.box);
    // The rectangles come a row of tiles after another: each row is gathered in a region of its
    // own and joined to the clip region once, so that joining does not copy the whole clip
    // region again for every rectangle.
    SetRectRgn(clip_, 0, 0, 0, 0);
    int32_t rowTop = INT32_MIN;
    const Rect bounds = CollectDamage(damage, m.tiles, m.width, m.height, [&](const Rect& r) {
      const int32_t left = box.left + r.left, top = box.top + r.top;
      const int32_t right = box.left + r.right, bottom = box.top + r.bottom;
      if (r.top != rowTop) {
        if (rowTop != INT32_MIN) CombineRgn(clip_, clip_, row_, RGN_OR);
        rowTop = r.top;
        SetRectRgn(row_, left, top, right, bottom);
        return;
      }
      SetRectRgn(piece_, left, top, right, bottom);
      CombineRgn(row_, row_, piece_, RGN_OR);
    });
    if (rowTop != INT32_MIN) CombineRgn(clip_, clip_, row_, RGN_OR);
    damage.Clear();
    if (bounds.Empty()) continue;
    SelectClipRgn(dc_, clip_);
    ::BitBlt(dc_, box.left + bounds.left, box.top + bounds.top, bounds.Width(), bounds.Height(),
             m.dc, bounds.left, bounds.top, SRCCOPY);
    drew = true;
  }
  // The raster writes the sections' memory next: the system must be done reading it.
  if (drew) GdiFlush();
}

bool SaverCanvas::DeferPresent() {
  MSG next;
  if (!presentDeferred_ && PeekMessageW(&next, hwnd_, WM_TIMER, WM_TIMER, PM_NOREMOVE)) {
    presentDeferred_ = true;
    return true;
  }
  presentDeferred_ = false;
  return false;
}

Control* SaverCanvas::BoxAt(int x, int y) const {
  for (const BoxMirror& m : boxes_) {
    const RECT r = BoxRect(*m.box);
    if (m.box->visible && m.box->enabled && x >= r.left && x < r.right && y >= r.top &&
        y < r.bottom) {
      return m.box;
    }
  }
  return nullptr;
}

// --- Every saver window ------------------------------------------------------------------------

void Win32Platform::PresentAllDamage() {
  for (const auto& fw : forms_) {
    if (!fw->dead && fw->canvas != nullptr) fw->canvas->Present();
  }
}

}  // namespace frin::win32
