// The program icon as it is drawn: resources/frin_icon.txt, the character map of its 32 x 32
// 16-colour image, and frin.ico as tools/make_ico.py makes it when frin.scr is built, with the
// same crystal drawn at 16, 24, 48, 64 and 256 pixels in 32-bit colour.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> IconRows() {
  std::ifstream in(std::string(FRIN_TEST_DATA) + "/../../resources/frin_icon.txt");
  std::vector<std::string> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#') rows.push_back(line);
  }
  return rows;
}

TEST(Win32Icon, AWhiteCrystalOutlinedInBlackOnATransparentGround) {
  const std::vector<std::string> rows = IconRows();
  ASSERT_EQ(rows.size(), 32u);
  int white = 0, cyan = 0, black = 0;
  for (int y = 0; y < 32; ++y) {
    ASSERT_EQ(rows[y].size(), 32u) << "row " << y;
    for (int x = 0; x < 32; ++x) {
      const char c = rows[y][x];
      ASSERT_NE(std::string(".KWCSGBN").find(c), std::string::npos) << x << "," << y;
      white += c == 'W';
      cyan += c == 'C';
      black += c == 'K';
      // Transparent around the crystal: the border rows and columns are empty.
      if (x == 0 || y == 0 || x == 31 || y == 31) {
        EXPECT_EQ(c, '.') << "border pixel " << x << "," << y;
      }
      // The outline is closed: no white or cyan pixel touches the transparent ground.
      if (c == 'W' || c == 'C') {
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          EXPECT_NE(rows[y + dy][x + dx], '.') << "open outline at " << x << "," << y;
        }
      }
    }
  }
  // Mostly white, with cyan accents and a black outline.
  EXPECT_GT(white, cyan);
  EXPECT_GT(cyan, 0);
  EXPECT_GT(black, 0);
}

TEST(Win32Icon, TheCrystalIsSymmetricAboutBothAxes) {
  const std::vector<std::string> rows = IconRows();
  ASSERT_EQ(rows.size(), 32u);
  // Six arms, one pointing straight up: mirror images left to right and top to bottom. The
  // crystal's centre lies between pixels 15 and 16, so the mirror of x is 31 - x.
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      EXPECT_EQ(rows[y][x], rows[y][31 - x]) << x << "," << y;
      EXPECT_EQ(rows[y][x], rows[31 - y][x]) << x << "," << y;
    }
  }
}

// --- frin.ico ------------------------------------------------------------------------------

struct Rgba {
  int r = 0, g = 0, b = 0, a = 0;
  bool operator==(const Rgba&) const = default;
};
using Image = std::vector<std::vector<Rgba>>;  // rows, top first

struct IconEntry {
  int size = 0, colours = 0, planes = 0, bits = 0;
  std::string image;
};

uint32_t Le(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = v << 8 | static_cast<uint8_t>(s.at(at + i));
  return v;
}

// The directory's entries in order, each with its image's bytes.
std::vector<IconEntry> ReadIco() {
  std::ifstream in(FRIN_TEST_ICO, std::ios::binary);
  const std::string ico((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<IconEntry> entries;
  if (ico.size() < 6 || Le(ico, 0, 2) != 0 || Le(ico, 2, 2) != 1) return entries;
  for (uint32_t i = 0; i < Le(ico, 4, 2); ++i) {
    const size_t at = 6 + 16 * i;
    IconEntry e;
    e.size = static_cast<int>(Le(ico, at, 1));
    if (e.size == 0) e.size = 256;
    EXPECT_EQ(Le(ico, at + 1, 1), Le(ico, at, 1)) << "entry " << i << " is square";
    e.colours = static_cast<int>(Le(ico, at + 2, 1));
    e.planes = static_cast<int>(Le(ico, at + 4, 2));
    e.bits = static_cast<int>(Le(ico, at + 6, 2));
    e.image = ico.substr(Le(ico, at + 12, 4), Le(ico, at + 8, 4));
    entries.push_back(e);
  }
  return entries;
}

// A 32-bit DIB image with its AND mask (which must mark exactly the pixels less than half
// opaque, and those fully transparent must be all zero).
Image FromDib(const IconEntry& e) {
  const std::string& d = e.image;
  const int n = e.size;
  const size_t stride = (n + 31) / 32 * 4;
  Image image;
  if (d.size() != 40 + 4u * n * n + stride * n || Le(d, 0, 4) != 40 ||
      Le(d, 4, 4) != static_cast<uint32_t>(n) || Le(d, 8, 4) != 2u * n || Le(d, 14, 2) != 32 ||
      Le(d, 16, 4) != 0) {
    ADD_FAILURE() << n << " x " << n << ": not a 32-bit DIB of that size";
    return image;
  }
  for (int y = 0; y < n; ++y) {
    image.emplace_back();
    const size_t row = 40 + 4u * n * (n - 1 - y), maskRow = 40 + 4u * n * n + stride * (n - 1 - y);
    for (int x = 0; x < n; ++x) {
      const size_t at = row + 4u * x;
      const Rgba p{static_cast<int>(Le(d, at + 2, 1)), static_cast<int>(Le(d, at + 1, 1)),
                   static_cast<int>(Le(d, at, 1)), static_cast<int>(Le(d, at + 3, 1))};
      const bool masked = (Le(d, maskRow + x / 8, 1) >> (7 - x % 8)) & 1;
      EXPECT_EQ(masked, p.a < 128) << n << ": mask at " << x << "," << y;
      if (p.a == 0) {
        EXPECT_EQ(p, Rgba{}) << n << ": " << x << "," << y;
      }
      image.back().push_back(p);
    }
  }
  return image;
}

// A PNG image, read by gdk-pixbuf (libpng), as a viewer would read it.
Image FromPng(const IconEntry& e) {
  Image image;
  if (e.image.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
    ADD_FAILURE() << e.size << " x " << e.size << ": not a PNG";
    return image;
  }
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
  GError* error = nullptr;
  bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(e.image.data()),
                                    e.image.size(), &error);
  ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
  if (error != nullptr) {
    ADD_FAILURE() << error->message;
    g_clear_error(&error);
  }
  GdkPixbuf* pb = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (pb != nullptr && gdk_pixbuf_get_width(pb) == e.size && gdk_pixbuf_get_height(pb) == e.size &&
      gdk_pixbuf_get_n_channels(pb) == 4 && gdk_pixbuf_get_has_alpha(pb)) {
    const guchar* pixels = gdk_pixbuf_get_pixels(pb);
    for (int y = 0; y < e.size; ++y) {
      image.emplace_back();
      const guchar* row = pixels + static_cast<size_t>(y) * gdk_pixbuf_get_rowstride(pb);
      for (int x = 0; x < e.size; ++x) {
        image.back().push_back({row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]});
      }
    }
  } else {
    ADD_FAILURE() << e.size << " x " << e.size << ": not an RGBA PNG of that size";
  }
  g_object_unref(loader);
  return image;
}

// '.' transparent, 'W' white, 'C' cyan, 'K' black (all opaque), '~' anything between.
char Kind(const Rgba& p) {
  if (p.a == 0) return '.';
  if (p.a < 255) return '~';
  if (std::min({p.r, p.g, p.b}) >= 224) return 'W';
  if (p.r < 32 && p.g >= 224 && p.b >= 224) return 'C';
  if (std::max({p.r, p.g, p.b}) < 32) return 'K';
  return '~';
}

TEST(Win32Icon, TheHandDrawnImageComesFirstThenEverySizeInFullColour) {
  const std::vector<IconEntry> entries = ReadIco();
  ASSERT_EQ(entries.size(), 6u);
  const int sizes[] = {32, 16, 24, 48, 64, 256};
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].size, sizes[i]) << "entry " << i;
    EXPECT_EQ(entries[i].planes, 1) << "entry " << i;
    EXPECT_EQ(entries[i].bits, i == 0 ? 4 : 32) << "entry " << i;
    EXPECT_EQ(entries[i].colours, i == 0 ? 16 : 0) << "entry " << i;
  }
  // The 16-colour image is the character map, pixel for pixel: 4-bit indices into the standard
  // palette, the mask marking the transparent pixels.
  const std::string& d = entries[0].image;
  ASSERT_EQ(d.size(), 40u + 64 + 512 + 128);
  EXPECT_EQ(Le(d, 14, 2), 4u);
  EXPECT_EQ(Le(d, 40 + 4 * 14, 4), 0x0000FFFFu);   // cyan: blue, green, red and 0, read backwards
  EXPECT_EQ(Le(d, 40 + 4 * 15, 4), 0x00FFFFFFu);   // white
  const std::string indices = "K...N..SG...B.CW";  // the map's letter of each palette index
  const std::vector<std::string> rows = IconRows();
  ASSERT_EQ(rows.size(), 32u);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint32_t byte = Le(d, 104 + 16 * (31 - y) + x / 2, 1);
      const uint32_t index = x % 2 == 0 ? byte >> 4 : byte & 15;
      const bool masked = (Le(d, 616 + 4 * (31 - y) + x / 8, 1) >> (7 - x % 8)) & 1;
      EXPECT_EQ(masked, rows[y][x] == '.') << x << "," << y;
      EXPECT_EQ(masked ? '.' : indices[index], rows[y][x]) << x << "," << y;
    }
  }
  // The larger image as a PNG, the others as DIBs that every Windows reads.
  for (size_t i = 1; i < entries.size(); ++i) {
    const Image image = entries[i].size == 256 ? FromPng(entries[i]) : FromDib(entries[i]);
    EXPECT_EQ(image.size(), static_cast<size_t>(entries[i].size));
  }
}

TEST(Win32Icon, EveryDrawnSizeIsTheCrystalOutlinedInBlackOnATransparentGround) {
  const std::vector<IconEntry> entries = ReadIco();
  ASSERT_EQ(entries.size(), 6u);
  for (size_t i = 1; i < entries.size(); ++i) {
    const int n = entries[i].size;
    SCOPED_TRACE(testing::Message() << n << " x " << n);
    const Image image = n == 256 ? FromPng(entries[i]) : FromDib(entries[i]);
    ASSERT_EQ(image.size(), static_cast<size_t>(n));
    auto at = [&](int x, int y) { return image[y][x]; };

    // The crystal's bounds; it is mirrored left to right and top to bottom about their middle,
    // which is the image's middle or half a pixel off it (where an odd line width needs it).
    int left = n, right = -1, top = n, bottom = -1;
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x) {
        if (at(x, y).a == 0) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    ASSERT_LE(left, right);
    EXPECT_LE(std::abs(left + right - (n - 1)), 1);
    EXPECT_LE(std::abs(top + bottom - (n - 1)), 1);
    for (int y = top; y <= bottom; ++y) {
      for (int x = left; x <= right; ++x) {
        ASSERT_EQ(at(x, y), at(left + right - x, y)) << x << "," << y;
        ASSERT_EQ(at(x, y), at(x, top + bottom - y)) << x << "," << y;
      }
    }

    // Transparent around it: the border, and every pixel beyond the image's inscribed circle.
    // The outline is closed: whatever touches the transparent ground is black.
    bool sharp = true;
    int white = 0, cyan = 0, black = 0;
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x) {
        const Rgba p = at(x, y);
        const double dx = x + 0.5 - n / 2.0, dy = y + 0.5 - n / 2.0;
        if (x == 0 || y == 0 || x == n - 1 || y == n - 1 || dx * dx + dy * dy > n * n / 4.0) {
          EXPECT_EQ(p.a, 0) << "outside the crystal at " << x << "," << y;
        }
        sharp = sharp && (p.a == 0 || p.a == 255);
        white += Kind(p) == 'W';
        cyan += Kind(p) == 'C';
        black += Kind(p) == 'K';
        if (p.a == 0) continue;
        for (const auto& [u, v] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
          if (u >= 0 && v >= 0 && u < n && v < n && at(u, v).a == 0) {
            EXPECT_LT(std::max({p.r, p.g, p.b}), 32) << "open outline at " << x << "," << y;
          }
        }
      }
    }
    // Sharp-edged like the hand-drawn image up to 24 pixels, antialiased above.
    EXPECT_EQ(sharp, n <= 24);
    EXPECT_GT(white, cyan);
    EXPECT_GT(cyan, 0);
    EXPECT_GT(black, 0);

    // Up the upright arm from the centre: a white core (where there is room for one), the cyan
    // centre, the white arm, its cyan end, the outline, the transparent ground.
    const int column = (left + right + 1) / 2;
    std::string runs;
    int tip = 0;  // the arm's last cyan pixel
    for (int y = (top + bottom + 1) / 2; y >= 0; --y) {
      const char k = Kind(at(column, y));
      if (k == 'C') tip = y;
      if (k != '~' && (runs.empty() || runs.back() != k)) runs += k;
    }
    EXPECT_TRUE(std::regex_match(runs, std::regex(n >= 48 ? "WCWCK\\." : "CWCK\\."))) << runs;
    // The slanting arms end in cyan as far from the centre, 60 degrees round.
    const double cx = (left + right + 1) / 2.0, cy = (top + bottom + 1) / 2.0;
    const double reach = cy - (tip + 0.5);
    for (const double sx : {-1.0, 1.0}) {
      for (const double sy : {-0.5, 0.5}) {
        const int x = static_cast<int>(std::floor(cx + sx * reach * std::sqrt(3.0) / 2));
        const int y = static_cast<int>(std::floor(cy + sy * reach));
        bool found = false;
        for (int v = y - 1; v <= y + 1; ++v) {
          for (int u = x - 1; u <= x + 1; ++u)
            found = found || Kind(at(u, v)) == 'C';
        }
        EXPECT_TRUE(found) << "no cyan end near " << x << "," << y;
      }
    }

    // Where the branches meet the arms they close pockets of the transparent ground, as in the
    // hand-drawn image; without branches (16 pixels) there are none.
    std::vector<std::vector<bool>> reached(n, std::vector<bool>(n, false));
    std::vector<std::pair<int, int>> todo = {{0, 0}};
    reached[0][0] = true;
    while (!todo.empty()) {
      const auto [x, y] = todo.back();
      todo.pop_back();
      for (const auto& [u, v] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
        if (u < 0 || v < 0 || u >= n || v >= n || reached[v][u] || at(u, v).a != 0) continue;
        reached[v][u] = true;
        todo.emplace_back(u, v);
      }
    }
    int pockets = 0;
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x)
        pockets += at(x, y).a == 0 && !reached[y][x];
    }
    EXPECT_EQ(pockets > 0, n > 16) << pockets;
  }
}

}  // namespace
