// Pictures in the formats people keep, stood upright: the orientation tag read from every form
// that carries it, the eight turns and mirrors, the formats the headless backend shows, and a
// phone's portrait photo over the whole screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "lifecycle_test_harness.h"
#include "platform/exif_orientation.h"
#include "platform/memory/memory_platform.h"
#include "platform/picture_orientation.h"

namespace frin {
namespace {

const std::string kPictures = std::string(FRIN_TEST_DATA) + "/pictures/";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put16(std::string& s, uint32_t v, bool big) {
  const char hi = static_cast<char>((v >> 8) & 0xFF), lo = static_cast<char>(v & 0xFF);
  s += big ? std::string{hi, lo} : std::string{lo, hi};
}
void Put32(std::string& s, uint32_t v, bool big) {
  Put16(s, big ? v >> 16 : v & 0xFFFF, big);
  Put16(s, big ? v & 0xFFFF : v >> 16, big);
}

// A tiff structure whose first directory holds one entry before the orientation: the tag with
// this type, count and value.
std::string TiffBlock(bool big, uint32_t value, uint32_t type = 3, uint32_t count = 1) {
  std::string s = big ? std::string("MM\0*", 4) : std::string("II*\0", 4);
  Put32(s, 8, big);
  Put16(s, 2, big);
  for (uint32_t tag : {0x010Fu, 0x0112u}) {  // the maker, then the orientation
    Put16(s, tag, big);
    Put16(s, tag == 0x0112u ? type : 2, big);
    Put32(s, tag == 0x0112u ? count : 4, big);
    if (tag == 0x0112u && type == 3) {
      Put16(s, value, big);
      Put16(s, 0, big);
    } else {
      Put32(s, tag == 0x0112u ? value : 0x46524E00u, big);
    }
  }
  Put32(s, 0, big);
  return s;
}

// A jpg's segments: JFIF, then an Exif segment holding block (before or after the first scan).
std::string JpegWithExif(const std::string& block, bool afterScan = false) {
  std::string exif = std::string("Exif\0\0", 6) + block;
  std::string app1 = "\xFF\xE1";
  Put16(app1, static_cast<uint32_t>(exif.size() + 2), true);
  app1 += exif;
  std::string s = "\xFF\xD8\xFF\xE0";
  Put16(s, 16, true);
  s += std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14);
  const std::string scan = std::string("\xFF\xDA\0\x08\1\1\0\0\x3F\0\x12\x34", 12);
  return s + (afterScan ? scan + app1 : app1 + scan) + "\xFF\xD9";
}

// A WebP of one lossless image chunk and an EXIF chunk of odd length (padded) holding block.
std::string WebpWithExif(const std::string& block) {
  std::string vp8l = "VP8L";
  Put32(vp8l, 5, false);
  vp8l += std::string("\x2F\x01\x40\x00\x00\x00", 6);  // 2 x 2, padded to an even length
  std::string exif = "EXIF";
  Put32(exif, static_cast<uint32_t>(block.size() + 1), false);
  exif += block + std::string(1, '\0') + std::string(1, '\0');
  std::string s = "RIFF";
  Put32(s, static_cast<uint32_t>(4 + vp8l.size() + exif.size()), false);
  return s + "WEBP" + vp8l + exif;
}

TEST(ExifOrientation, ReadInEveryFormThatCarriesIt) {
  for (uint32_t n = 1; n <= 8; ++n) {
    for (bool big : {false, true}) {
      SCOPED_TRACE(std::to_string(n) + (big ? " big-endian" : " little-endian"));
      EXPECT_EQ(ReadOrientation(TiffBlock(big, n)), static_cast<int>(n));
      EXPECT_EQ(ReadOrientation(JpegWithExif(TiffBlock(big, n))), static_cast<int>(n));
      EXPECT_EQ(ReadOrientation(WebpWithExif(TiffBlock(big, n))), static_cast<int>(n));
    }
  }
  EXPECT_EQ(ReadOrientation(TiffBlock(true, 6, 4)), 6);  // a long instead of a short
  // Real files: a camera's jpg (JFIF first), a png's eXIf chunk, a tiff's own directory.
  EXPECT_EQ(ReadOrientation(ReadFile(kPictures + "stored_6.jpg")), 6);
  EXPECT_EQ(ReadOrientation(ReadFile(kPictures + "stored_6_progressive.jpg")), 6);
  EXPECT_EQ(ReadOrientation(ReadFile(kPictures + "stored_3.png")), 3);
  EXPECT_EQ(ReadOrientation(ReadFile(kPictures + "stored_8.tif")), 8);
}

TEST(ExifOrientation, AnythingElseIsUpright) {
  EXPECT_EQ(ReadOrientation(""), 1);
  EXPECT_EQ(ReadOrientation(ReadFile(kPictures + "upright.png")), 1);
  EXPECT_EQ(ReadOrientation(ReadFile(kPictures + "upright.bmp")), 1);
  EXPECT_EQ(ReadOrientation(ReadFile(std::string(FRIN_TEST_DATA) + "/solid_8x8.jpg")), 1);
  for (uint32_t bad : {0u, 9u, 0xFFFFu})
    EXPECT_EQ(ReadOrientation(JpegWithExif(TiffBlock(false, bad))), 1) << bad;
  EXPECT_EQ(ReadOrientation(TiffBlock(false, 6, 3, 2)), 1);  // two values
  EXPECT_EQ(ReadOrientation(TiffBlock(false, 6, 7)), 1);     // of no number type
  // A segment after the first scan is the data's business, not the picture's.
  EXPECT_EQ(ReadOrientation(JpegWithExif(TiffBlock(false, 6), true)), 1);
  // Cut anywhere, or with the directory beyond the end: upright, never a read past the end.
  const std::string whole = JpegWithExif(TiffBlock(true, 6));
  for (size_t n = 0; n < whole.size(); ++n) {
    const std::string cut = whole.substr(0, n);
    const int o = ReadOrientation(cut);
    EXPECT_TRUE(o == 1 || o == 6) << n;
  }
  std::string far = TiffBlock(false, 6);
  far[4] = '\x7F';
  EXPECT_EQ(ReadOrientation(far), 1);
}

// The files stored_N hold the upright picture turned or mirrored so that tag N stands it up
// again (ImageMagick's -auto-orient gives upright.png from each).
TEST(PictureOrientation, EveryTagStandsItsPictureUpright) {
  MemoryPlatform api;
  const std::optional<Surface> upright = api.LoadPicture(kPictures + "upright.png");
  ASSERT_TRUE(upright);
  ASSERT_EQ(upright->Width(), 24);
  ASSERT_EQ(upright->Height(), 16);
  auto near = [](Pixel a, Pixel b) {
    for (int shift : {0, 8, 16}) {
      if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
          6) {
        return false;
      }
    }
    return true;
  };
  for (int n = 1; n <= 8; ++n) {
    for (const std::string ext : {".tif", ".jpg"}) {
      SCOPED_TRACE("stored_" + std::to_string(n) + ext);
      const std::optional<Surface> p =
          api.LoadPicture(kPictures + "stored_" + std::to_string(n) + ext);
      ASSERT_TRUE(p);
      ASSERT_EQ(p->Width(), 24);
      ASSERT_EQ(p->Height(), 16);
      if (ext == ".tif") {
        EXPECT_EQ(p->Pixels(), upright->Pixels());
        continue;
      }
      for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 24; ++x) {
          ASSERT_TRUE(near(p->At(x, y), upright->At(x, y))) << x << "," << y;
        }
      }
    }
  }
  for (const char* name : {"stored_3.png", "stored_6.png"}) {
    const std::optional<Surface> p = api.LoadPicture(kPictures + name);
    ASSERT_TRUE(p) << name;
    EXPECT_EQ(p->Pixels(), upright->Pixels()) << name;
  }
}

TEST(PictureOrientation, QuarterTurnsSwapTheSidesOfAnyShape) {
  Surface wide(5, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 5; ++x)
      wide.At(x, y) = static_cast<Pixel>(10 * y + x);
  const Surface turned = Orient(wide, 6);  // a quarter turn clockwise
  ASSERT_EQ(turned.Width(), 2);
  ASSERT_EQ(turned.Height(), 5);
  EXPECT_EQ(turned.At(0, 0), 10u);  // the bottom-left corner comes to the top left
  EXPECT_EQ(turned.At(1, 0), 0u);
  EXPECT_EQ(turned.At(0, 4), 14u);
  // Four quarter turns, or a mirror twice, give the picture back; other values change nothing.
  EXPECT_EQ(Orient(Orient(Orient(turned, 6), 6), 6).Pixels(), wide.Pixels());
  EXPECT_EQ(Orient(Orient(wide, 5), 5).Pixels(), wide.Pixels());
  EXPECT_EQ(Orient(wide, 0).Pixels(), wide.Pixels());
  EXPECT_EQ(Orient(Surface(), 6).Width(), 0);
  // A picture of more than one block of rows and columns (the copy goes block by block).
  Surface big(130, 70);
  for (int32_t y = 0; y < 70; ++y)
    for (int32_t x = 0; x < 130; ++x)
      big.At(x, y) = static_cast<Pixel>(y * 1000 + x);
  const Surface seven = Orient(big, 7);
  ASSERT_EQ(seven.Width(), 70);
  for (int32_t y = 0; y < 130; ++y)
    for (int32_t x = 0; x < 70; ++x)
      ASSERT_EQ(seven.At(x, y), big.At(129 - y, 69 - x)) << x << "," << y;
}

TEST(HeadlessPictureFormats, PngGifAndTiffShowTheSamePixelsAsBmp) {
  MemoryPlatform api;
  const std::optional<Surface> bmp = api.LoadPicture(kPictures + "upright.bmp");
  ASSERT_TRUE(bmp);
  for (const char* name : {"upright.png", "upright.gif", "upright.tif"}) {
    const std::optional<Surface> p = api.LoadPicture(kPictures + name);
    ASSERT_TRUE(p) << name;
    EXPECT_EQ(p->Pixels(), bmp->Pixels()) << name;
  }
  // Read by their content: a png named .jpg is still a png.
  const std::string misnamed = ::testing::TempDir() + "frin-png-named.jpg";
  {
    std::ofstream out(misnamed, std::ios::binary);
    out << ReadFile(kPictures + "upright.png");
  }
  const std::optional<Surface> p = api.LoadPicture(misnamed);
  std::remove(misnamed.c_str());
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Pixels(), bmp->Pixels());
  // Half transparent: half of each colour, over the black loading box.
  const std::optional<Surface> half = api.LoadPicture(kPictures + "translucent.png");
  ASSERT_TRUE(half);
  for (size_t i = 0; i < half->Pixels().size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int got = static_cast<int>((half->Pixels()[i] >> shift) & 0xFF);
      const int full = static_cast<int>((bmp->Pixels()[i] >> shift) & 0xFF);
      ASSERT_NEAR(got, full / 2, 1) << i;
    }
  }
}

// A phone's portrait photo (stored landscape, tag 6) as the background of a landscape screen:
// stood up first, then stretched, so its top-left block lies at the screen's top left.
TEST(PictureOrientation, APortraitPhotoIsStretchedUprightOverTheScreen) {
  for (const char* name : {"stored_6.jpg", "stored_6_progressive.jpg"}) {
    SCOPED_TRACE(name);
    lifecycle_test::Harness h;
    h.Store("SaverType", "black");
    h.Store("BackScreen", "on");
    h.Store("BS_File", kPictures + name);
    h.Start("/s");
    ASSERT_TRUE(h.saver.Form_Screen);
    const Surface& buffer = h.Get("Screen", 1).surface;
    const int32_t w = buffer.Width(), hgt = buffer.Height();
    ASSERT_GT(w, hgt);
    // upright.png's blocks: three across, two down.
    const Pixel want[2][3] = {{0xE02020, 0x20C040, 0x3040E0}, {0xF0D020, 0xF0F0F0, 0x101010}};
    for (int r = 0; r < 2; ++r) {
      for (int c = 0; c < 3; ++c) {
        const Pixel got = buffer.At(w * (2 * c + 1) / 6, hgt * (2 * r + 1) / 4);
        for (int shift : {0, 8, 16}) {
          EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF),
                      static_cast<int>((want[r][c] >> shift) & 0xFF), 8)
              << r << "," << c;
        }
      }
    }
  }
}

}  // namespace
}  // namespace frin
