// The settings dialog's fonts (win32_fonts.h): faces looked up and checked for the captions'
// glyphs, stand-ins chosen, and sizes shrunk until a caption fits its box.
#include "platform/win32/win32_fonts.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace frin::win32 {
namespace {

// Stand-ins, best first: the Japanese system faces of Windows, then common free faces with
// Japanese glyphs (VL Gothic is what the Wine test machine has).
constexpr const wchar_t* kGothicStandIns[] = {
    L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF",  // MS P Gothic, Japanese name
    L"MS PGothic",
    L"MS UI Gothic",
    L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF",  // MS Gothic
    L"MS Gothic",
    L"Meiryo UI",
    L"VL PGothic",
    L"VL Gothic",
    L"IPAPGothic",
    L"IPAGothic",
    L"Takao PGothic",
    L"Noto Sans CJK JP",
};
constexpr const wchar_t* kMinchoStandIns[] = {
    L"\xFF2D\xFF33 \xFF30\x660E\x671D",  // MS P Mincho
    L"MS PMincho",
    L"\xFF2D\xFF33 \x660E\x671D",  // MS Mincho
    L"MS Mincho",
    L"IPAPMincho",
    L"IPAMincho",
};

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

int CALLBACK ListFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM list) {
  auto& faces = *reinterpret_cast<std::vector<std::wstring>*>(list);
  // Vertical faces ("@...") draw rotated glyphs.
  if (lf->lfFaceName[0] != L'@' && (type & TRUETYPE_FONTTYPE) != 0) {
    faces.emplace_back(lf->lfFaceName);
  }
  return 1;
}

}  // namespace

FontBook::FontBook() : dc_(CreateCompatibleDC(nullptr)) {}

FontBook::~FontBook() {
  for (Made& m : made_)
    DeleteObject(m.font);
  DeleteDC(dc_);
}

bool FontBook::Exists(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  face.copy(lf.lfFaceName, face.size());
  bool found = false;
  EnumFontFamiliesExW(dc_, &lf, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

bool FontBook::Covers(const std::wstring& face, const std::wstring& sample) {
  if (sample.empty()) return true;
  HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  if (font == nullptr) return false;
  HGDIOBJ old = SelectObject(dc_, font);
  std::vector<WORD> glyphs(sample.size());
  const DWORD n = GetGlyphIndicesW(dc_, sample.c_str(), static_cast<int>(sample.size()),
                                   glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  bool all = n != GDI_ERROR;
  for (size_t i = 0; all && i < sample.size(); ++i) {
    // Blanks and controls may have no glyph of their own in any face.
    if (sample[i] > L' ' && glyphs[i] == 0xFFFF) all = false;
  }
  SelectObject(dc_, old);
  DeleteObject(font);
  return all;
}

namespace {

// The face of the system's message font (Segoe UI on Windows 10 and 11, Tahoma on XP).
std::wstring MessageFace() {
  NONCLIENTMETRICSW metrics{};
  // The size without Vista's last field, which every version from Windows 2000 on accepts.
  metrics.cbSize = offsetof(NONCLIENTMETRICSW, lfMessageFont) + sizeof(LOGFONTW);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0) &&
      metrics.lfMessageFont.lfFaceName[0] != L'\0') {
    return metrics.lfMessageFont.lfFaceName;
  }
  return L"MS Shell Dlg 2";
}

}  // namespace

std::wstring FontBook::Resolve(const std::wstring& face, const std::wstring& sample, int charset) {
  if (face.empty()) {
    if (messageFace_.empty()) messageFace_ = MessageFace();
    return messageFace_;
  }
  if (charset != SHIFTJIS_CHARSET) return face;
  return ResolveJapanese(face, sample);
}

std::wstring FontBook::ResolveJapanese(const std::wstring& face, const std::wstring& sample) {
  for (const Resolved& r : resolved_) {
    if (r.face == face && r.sample == sample) return r.result;
  }
  std::vector<std::wstring> candidates{face};
  const bool mincho =
      face.find(L'\x660E') != std::wstring::npos || face.find(L"Mincho") != std::wstring::npos;
  if (mincho) {
    for (const wchar_t* f : kMinchoStandIns)
      candidates.emplace_back(f);
  }
  for (const wchar_t* f : kGothicStandIns)
    candidates.emplace_back(f);
  std::wstring result;
  for (const std::wstring& c : candidates) {
    if (Exists(c) && Covers(c, sample)) {
      result = c;
      break;
    }
  }
  if (result.empty()) {
    if (!listed_) {
      listed_ = true;
      LOGFONTW lf{};
      lf.lfCharSet = SHIFTJIS_CHARSET;
      EnumFontFamiliesExW(dc_, &lf, ListFace, reinterpret_cast<LPARAM>(&japaneseFaces_), 0);
    }
    for (const std::wstring& c : japaneseFaces_) {
      if (Covers(c, sample)) {
        result = c;
        break;
      }
    }
  }
  if (result.empty()) result = face;  // nothing better: let the system's font linking try
  resolved_.push_back(Resolved{face, sample, result});
  return result;
}

HFONT FontBook::Make(const std::wstring& face, int height, int weight, bool italic, int charset) {
  for (const Made& m : made_) {
    if (m.face == face && m.height == height && m.weight == weight && m.italic == italic &&
        m.charset == charset) {
      return m.font;
    }
  }
  HFONT font = CreateFontW(-height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE,
                           static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  made_.push_back(Made{face, height, weight, italic, charset, font});
  return font;
}

int InkExtent(HDC dc, const std::wstring& text) {
  SIZE size{};
  TEXTMETRICW metrics{};
  const int length = static_cast<int>(text.size());
  if (length == 0 || !GetTextExtentPoint32W(dc, text.c_str(), length, &size) ||
      !GetTextMetricsW(dc, &metrics)) {
    return 0;
  }
  // Drawn black on white with a font height of room on either side, then the inked columns are
  // found.
  const int margin = metrics.tmHeight;
  const int width = size.cx + 2 * margin, height = std::max<int>(metrics.tmHeight, size.cy);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC paper = CreateCompatibleDC(dc);
  if (canvas == nullptr || paper == nullptr || bits == nullptr) {
    if (paper != nullptr) DeleteDC(paper);
    if (canvas != nullptr) DeleteObject(canvas);
    return size.cx;
  }
  HGDIOBJ oldBitmap = SelectObject(paper, canvas);
  HGDIOBJ oldFont = SelectObject(paper, GetCurrentObject(dc, OBJ_FONT));
  PatBlt(paper, 0, 0, width, height, WHITENESS);
  SetTextColor(paper, RGB(0, 0, 0));
  SetBkMode(paper, TRANSPARENT);
  TextOutW(paper, margin, 0, text.c_str(), length);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  int first = width, last = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if ((pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFFu) != 0xFFFFFFu) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
    }
  }
  SelectObject(paper, oldFont);
  SelectObject(paper, oldBitmap);
  DeleteDC(paper);
  DeleteObject(canvas);
  if (last < 0) return size.cx;  // blanks only
  return std::max<int>(size.cx, last + 1 - margin) + std::max(0, margin - first);
}

int FontBook::TextWidth(HFONT font, const std::wstring& text) {
  HGDIOBJ old = SelectObject(dc_, font);
  const int width = InkExtent(dc_, text);
  SelectObject(dc_, old);
  return width;
}

HFONT FontBook::Get(const FontRequest& request, const std::wstring& sample,
                    const std::wstring& text, int maxWidth) {
  const std::wstring face = Resolve(request.face, sample, request.charset);
  constexpr double kTwipsPerPoint = 20;
  const int twipsPerPixel = request.twipsPerPixel > 0 ? request.twipsPerPixel : 15;
  int height = static_cast<int>(std::lround(request.points * kTwipsPerPoint / twipsPerPixel));
  if (height < 1) height = 1;
  HFONT font = Make(face, height, request.weight, request.italic, request.charset);
  if (text.empty() || maxWidth <= 0) return font;
  // Shrunk by a third at most: beyond that a caption is better clipped than unreadable. A stand-in
  // face wider than the one designed for (the short bold "Frin" of the title line, in a free
  // Japanese face or at a large scale) needs more than a quarter.
  const int smallest = std::max(8, height - height / 3);
  while (height > smallest && TextWidth(font, text) > maxWidth) {
    --height;
    font = Make(face, height, request.weight, request.italic, request.charset);
  }
  return font;
}

}  // namespace frin::win32
