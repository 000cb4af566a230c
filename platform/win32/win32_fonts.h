// Fonts of the settings dialog. In Japanese the model names Japanese faces; where a face is
// missing, or lacks glyphs of the dialog's captions, a face that has them stands in. In other
// languages the model names the system's message font (an empty face). A caption too wide for
// its box is drawn a little smaller until it fits.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// Module_API's GetOpenFileName keeps its name wherever this header comes first.
#undef GetOpenFileName

#include <string>
#include <vector>

namespace frin::win32 {

struct FontRequest {
  std::wstring face;
  double points = 9;
  int weight = 400;
  bool italic = false;
  int charset = 128;
  // The form's twips per pixel: the points become pixels at 1440 / this many dots per inch, the
  // resolution the form's boxes are laid out at, so a caption keeps its size within its box at
  // every scale.
  int twipsPerPixel = 15;
};

// The width text takes drawn from a point in the font selected into dc: its advance, widened by
// whatever ink its glyphs put beyond it (a slanted or emboldened face's overhang, left of the
// point or right of the advance), found by drawing it.
int InkExtent(HDC dc, const std::wstring& text);

class FontBook {
 public:
  FontBook();
  ~FontBook();
  FontBook(const FontBook&) = delete;
  FontBook& operator=(const FontBook&) = delete;

  // The face that draws the request. An empty face is the system's message font. A face of the
  // Japanese character set: the named one when it exists and has every glyph of sample, else the
  // first stand-in that has them, else the named one. Any other: the named one.
  std::wstring Resolve(const std::wstring& face, const std::wstring& sample, int charset);
  // A font of the request at its size, or smaller (by a third at most) until the ink of text
  // (InkExtent) fits in maxWidth pixels; owned by the book.
  HFONT Get(const FontRequest& request, const std::wstring& sample, const std::wstring& text,
            int maxWidth);

 private:
  struct Made {
    std::wstring face;
    int height, weight;
    bool italic;
    int charset;
    HFONT font;
  };
  struct Resolved {
    std::wstring face, sample, result;
  };
  HFONT Make(const std::wstring& face, int height, int weight, bool italic, int charset);
  bool Exists(const std::wstring& face);
  std::wstring ResolveJapanese(const std::wstring& face, const std::wstring& sample);
  bool Covers(const std::wstring& face, const std::wstring& sample);
  int TextWidth(HFONT font, const std::wstring& text);

  HDC dc_;
  std::vector<Made> made_;
  std::vector<Resolved> resolved_;
  std::vector<std::wstring> japaneseFaces_;  // faces the system lists for the Japanese charset
  std::wstring messageFace_;                 // the system's message font, once asked
  bool listed_ = false;
};

}  // namespace frin::win32
