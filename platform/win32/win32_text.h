// The pure half of the Windows backend: conversions and small decisions that need no system
// header, so they build and are tested on any machine. UTF-16 text is std::u16string here; the
// backend hands its data to the W functions (wchar_t is 16 bits on Windows).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/twips.h"

namespace frin::win32 {

// UTF-8 to UTF-16. A malformed sequence (a stray continuation byte, a truncated or overlong
// sequence, a surrogate or a value above U+10FFFF) becomes one U+FFFD; NUL bytes pass through.
inline std::u16string Utf16FromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
      out.push_back(static_cast<char16_t>(b0));
      ++i;
      continue;
    }
    int len = 0;
    uint32_t cp = 0, minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
      len = 2, cp = b0 & 0x1Fu, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      len = 3, cp = b0 & 0x0Fu, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      len = 4, cp = b0 & 0x07u, minimum = 0x10000;
    }
    bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
    for (int k = 1; ok && k < len; ++k) {
      const auto b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) {
        ok = false;
      } else {
        cp = (cp << 6) | (b & 0x3Fu);
      }
    }
    ok = ok && cp >= minimum && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!ok) {
      out.push_back(u'\uFFFD');
      ++i;
      // Skip the continuation bytes that belonged to the broken sequence.
      while (i < n && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<size_t>(len);
  }
  return out;
}

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
inline std::string Utf8FromUtf16(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

// The argument part of a process command line: what follows the program's own path (quoted or
// not), without the blanks and tabs that separate it from the path.
inline std::u16string CommandArguments(std::u16string_view line) {
  size_t i = 0;
  if (!line.empty() && line[0] == u'"') {
    // A quoted path ends at its closing quote; the arguments may follow without a blank.
    i = line.find(u'"', 1);
    i = i == std::u16string_view::npos ? line.size() : i + 1;
  } else {
    while (i < line.size() && line[i] != u' ' && line[i] != u'\t')
      ++i;
  }
  while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
    ++i;
  return std::u16string(line.substr(i));
}

// The folder of a module's full path, without the last backslash, except that a drive's root
// keeps it ("C:\"): the form the runtime's program folder has.
inline std::u16string FolderOfPath(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string_view::npos) return std::u16string();
  if (slash == 2 && path.size() > 2 && path[1] == u':') return std::u16string(path.substr(0, 3));
  return std::u16string(path.substr(0, slash));
}

// Where the per-user settings of an application's section live, under HKEY_CURRENT_USER.
inline std::u16string SettingsKeyPath(std::string_view app, std::string_view section) {
  return u"Software\\VB and VBA Program Settings\\" + Utf16FromUtf8(app) + u"\\" +
         Utf16FromUtf8(section);
}

// A filter list for the file-open dialog: pairs separated by NULs, ended by two NULs whatever
// the given text ends with.
inline std::u16string FilterList(std::string_view utf8) {
  std::u16string out = Utf16FromUtf8(utf8);
  while (!out.empty() && out.back() == u'\0')
    out.pop_back();
  out.push_back(u'\0');
  out.push_back(u'\0');
  return out;
}

// A string buffer of `size` UTF-16 units for a dialog to write into: the given text, cut to the
// buffer and NUL-filled after it; a text without a NUL in the buffer gets one in its last unit.
inline std::u16string DialogBuffer(std::string_view utf8, uint32_t size) {
  if (size == 0) size = 1;
  std::u16string text = Utf16FromUtf8(utf8);
  text.resize(size, u'\0');
  if (text.find(u'\0') == std::u16string::npos) text.back() = u'\0';
  return text;
}

// The text of a buffer up to its first NUL.
inline std::u16string_view UpToNul(std::u16string_view buffer) {
  const size_t nul = buffer.find(u'\0');
  return nul == std::u16string_view::npos ? buffer : buffer.substr(0, nul);
}

// Himetric units (hundredths of a millimetre) to pixels at the given dots per inch, rounded.
inline int32_t HimetricToPixels(int64_t himetric, int32_t dpi) {
  if (himetric <= 0 || dpi <= 0) return 0;
  const int64_t p = (himetric * dpi + 1270) / 2540;
  return p > INT32_MAX ? INT32_MAX : static_cast<int32_t>(p);
}

// What a horizontal scroll bar's notification means for its value: the new value, or nullopt
// when the value does not change now (the thumb being dragged, the end of a scroll). The codes
// are those of WM_HSCROLL; thumbPos is the position the notification carries.
enum ScrollCode : int {
  kSbLineLeft = 0,
  kSbLineRight = 1,
  kSbPageLeft = 2,
  kSbPageRight = 3,
  kSbThumbPosition = 4,
  kSbThumbTrack = 5,
  kSbLeft = 6,
  kSbRight = 7,
  kSbEndScroll = 8,
};
struct ScrollRange {
  int32_t min = 0, max = 0, smallChange = 1, largeChange = 1;
};
inline std::optional<int32_t> ScrollTarget(int code, int32_t value, const ScrollRange& r,
                                           int32_t thumbPos) {
  int64_t v = value;
  switch (code) {
    case kSbLineLeft:
      v -= r.smallChange;
      break;
    case kSbLineRight:
      v += r.smallChange;
      break;
    case kSbPageLeft:
      v -= r.largeChange;
      break;
    case kSbPageRight:
      v += r.largeChange;
      break;
    case kSbThumbPosition:
      v = thumbPos;
      break;
    case kSbLeft:
      v = r.min;
      break;
    case kSbRight:
      v = r.max;
      break;
    default:
      return std::nullopt;
  }
  if (v < r.min) v = r.min;
  if (v > r.max) v = r.max;
  if (v == value) return std::nullopt;
  return static_cast<int32_t>(v);
}

// The runtime's Shift argument of a key event: 1 Shift, 2 Ctrl, 4 Alt.
inline int ShiftState(bool shift, bool ctrl, bool alt) {
  return (shift ? 1 : 0) | (ctrl ? 2 : 0) | (alt ? 4 : 0);
}

// The runtime's colour value as a COLORREF (0x00BBGGRR), given the system colours; nullopt for
// a system colour index out of range.
template <typename SysColour>
std::optional<uint32_t> ColourRef(uint32_t value, SysColour sysColour) {
  if ((value & 0x80000000u) != 0) {
    const uint32_t index = value & 0xFFu;
    if ((value & 0x7FFFFF00u) != 0 || index > 30) return std::nullopt;
    return sysColour(static_cast<int>(index));
  }
  return value & 0x00FFFFFFu;
}

// The report the entry point shows for a runtime error.
inline std::string ErrorReport(int number, std::string_view message) {
  return "Run-time error '" + std::to_string(number) + "':\n\n" + std::string(message);
}

}  // namespace frin::win32
