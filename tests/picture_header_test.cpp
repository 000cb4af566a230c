// Pictures that would exhaust or freeze the saver: headers claiming huge sizes, jpgs of very
// many scans, metafiles of huge extent or very many records. The header reading refuses them
// before any decoder runs, and the headless backend's loader gives the black background.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/picture_header.h"

namespace frin {
namespace {

void Le16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string& s, uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}
void Be16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
  s.push_back(static_cast<char>(v & 0xFF));
}

// A bitmap's info header (40 bytes): width x height at `bits` a pixel, no colour table.
void InfoHeader(std::string& s, int32_t width, int32_t height, uint16_t bits,
                uint32_t compression = 0) {
  Le32(s, 40);
  Le32(s, static_cast<uint32_t>(width));
  Le32(s, static_cast<uint32_t>(height));
  Le16(s, 1);
  Le16(s, bits);
  Le32(s, compression);
  for (int i = 0; i < 5; ++i)
    Le32(s, 0);
}

// A 24-bit bmp whose header claims width x height; the pixel rows follow only when given.
std::string Bmp(int32_t width, int32_t height, bool withPixels = false) {
  std::string s = "BM";
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t pixels = withPixels ? stride * static_cast<uint32_t>(std::abs(height)) : 0;
  Le32(s, 54 + pixels);
  Le32(s, 0);
  Le32(s, 54);
  InfoHeader(s, width, height, 24);
  s.append(pixels, '\x40');
  return s;
}

// A jpg's markers: a frame of width x height (progressive or baseline) and `scans` empty scans.
std::string Jpeg(uint32_t width, uint32_t height, int scans, bool progressive) {
  std::string s = "\xFF\xD8";
  s += progressive ? "\xFF\xC2" : "\xFF\xC0";
  Be16(s, 11);
  s.push_back(8);
  Be16(s, height);
  Be16(s, width);
  s += std::string("\x01\x01\x11\x00", 4);
  for (int i = 0; i < scans; ++i) {
    s += "\xFF\xDA";
    Be16(s, 8);
    s += std::string("\x01\x01\x00\x00\x3F\x00", 6);
    s += std::string("\x12\x34\xFF\x00\x56", 5);  // coded data, a stuffed 0xFF in it
  }
  return s + "\xFF\xD9";
}

constexpr uint16_t kLineTo = 0x0213, kSaveDc = 0x001E;

// A placeable metafile: bounding box (0, 0)-(right, bottom) in 1/inch inch and `records`
// records (lines to (16, 16) or saves of the state) before the end record.
std::string Wmf(int16_t right, int16_t bottom, uint16_t inch, int records, uint32_t maxRecord = 5,
                uint16_t function = kLineTo) {
  const uint32_t words = function == kLineTo ? 5 : 3;
  std::string s;
  Le32(s, 0x9AC6CDD7u);
  Le16(s, 0);
  Le16(s, 0);
  Le16(s, 0);
  Le16(s, static_cast<uint16_t>(right));
  Le16(s, static_cast<uint16_t>(bottom));
  Le16(s, inch);
  Le32(s, 0);
  Le16(s, 0);
  Le16(s, 1);
  Le16(s, 9);
  Le16(s, 0x300);
  Le32(s, 9 + words * static_cast<uint32_t>(records) + 3);
  Le16(s, 0);
  Le32(s, maxRecord);
  Le16(s, 0);
  for (int i = 0; i < records; ++i) {
    Le32(s, words);
    Le16(s, function);
    if (function == kLineTo) Le32(s, 0x00100010u);
  }
  Le32(s, 3);
  Le16(s, 0);
  return s;
}

// A placeable metafile one inch square holding the given records, then the end record.
std::string WmfOf(const std::vector<std::string>& records) {
  uint32_t words = 9 + 3, largest = 3;
  for (const std::string& r : records) {
    words += static_cast<uint32_t>(r.size() / 2);
    largest = std::max(largest, static_cast<uint32_t>(r.size() / 2));
  }
  std::string s;
  Le32(s, 0x9AC6CDD7u);
  for (uint32_t v : {0u, 0u, 0u, 1440u, 1440u, 1440u})
    Le16(s, v);
  Le32(s, 0);
  Le16(s, 0);
  for (uint32_t v : {1u, 9u, 0x300u})
    Le16(s, v);
  Le32(s, words);
  Le16(s, 0);
  Le32(s, largest);
  Le16(s, 0);
  for (const std::string& r : records)
    s += r;
  Le32(s, 3);
  Le16(s, 0);
  return s;
}

// A record: its size in words, its function, its parameters (padded to whole words).
std::string Record(uint16_t function, std::string params) {
  if (params.size() % 2) params.push_back('\0');
  std::string r;
  Le32(r, static_cast<uint32_t>(3 + params.size() / 2));
  Le16(r, function);
  return r + params;
}

// A STRETCHDIB record drawing a bitmap of width x height at `bits` a pixel over the whole
// picture, carrying `dataBytes` bytes of bits (compression 0: plain, 1: run lengths).
std::string StretchDib(int32_t width, int32_t height, uint16_t bits, size_t dataBytes,
                       uint32_t compression = 0) {
  std::string p;
  Le32(p, 0x00CC0020u);
  Le16(p, 0);  // colours as RGB values
  for (uint32_t v :
       {static_cast<uint32_t>(height), static_cast<uint32_t>(width), 0u, 0u, 1440u, 1440u, 0u, 0u})
    Le16(p, v & 0xFFFF);
  InfoHeader(p, width, height, bits, compression);
  if (bits <= 8) p += std::string(4u << bits, '\0');  // the palette
  p += std::string(dataBytes, '\x5A');
  return Record(0x0F43, p);
}

// A BITBLT record carrying an old device bitmap of width x height, `widthBytes` bytes a row.
std::string BitBltDevice(int16_t width, int16_t height, int16_t widthBytes, size_t dataBytes) {
  std::string p;
  Le32(p, 0x00CC0020u);
  for (uint32_t v : {0u, 0u, static_cast<uint32_t>(height), static_cast<uint32_t>(width), 0u, 0u})
    Le16(p, v & 0xFFFF);
  for (int v : {0, static_cast<int>(width), static_cast<int>(height), static_cast<int>(widthBytes)})
    Le16(p, static_cast<uint32_t>(v) & 0xFFFF);
  p.push_back('\1');
  p.push_back('\1');
  p += std::string(dataBytes, '\x33');
  return Record(0x0922, p);
}

std::optional<PictureExtent> Read(const std::string& bytes) {
  return ReadPictureExtent(bytes, 96, 96);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PictureHeader, RealPicturesGiveTheSizeTheirDecoderGives) {
  MemoryPlatform api;
  const std::string dir = FRIN_TEST_DATA;
  for (const char* name : {"two_colour_4x3.bmp", "solid_8x8.jpg", "red_rect.wmf", "two_by_two.png",
                           "pictures/upright.gif", "pictures/upright.tif"}) {
    const auto extent = Read(ReadFile(dir + "/" + name));
    ASSERT_TRUE(extent.has_value()) << name;
    const auto decoded = api.LoadPicture(dir + "/" + name);
    ASSERT_TRUE(decoded.has_value()) << name;
    if (extent->format != PictureFormat::kWmf) {  // a metafile is sized by the resolution
      EXPECT_EQ(extent->width, decoded->Width()) << name;
      EXPECT_EQ(extent->height, decoded->Height()) << name;
    }
  }
  EXPECT_FALSE(Read(ReadFile(dir + "/two_by_two.xpm")));  // not a format the saver reads
  EXPECT_FALSE(Read(ReadFile(dir + "/text.bmp")));
  EXPECT_FALSE(Read(""));
  // An icon's header cut before its image count, in a buffer of exactly its size (so the
  // sanitizers see a read past it).
  for (const std::string_view cut :
       {std::string_view("\0\0\1\0", 4), std::string_view("\0\0\2\0\1", 5)}) {
    const std::vector<char> exact(cut.begin(), cut.end());
    EXPECT_FALSE(ReadPictureExtent(std::string_view(exact.data(), exact.size()), 96, 96));
  }
}

TEST(PictureHeader, BitmapsUpToTheBound) {
  EXPECT_EQ(Read(Bmp(4, -3))->height, 3);  // top-down rows
  EXPECT_TRUE(Read(Bmp(8192, 4096)));      // 32 megapixels
  EXPECT_FALSE(Read(Bmp(8192, 4097)));
  EXPECT_FALSE(Read(Bmp(32768, 1)));  // a side beyond what the system's bitmaps take
  EXPECT_FALSE(Read(Bmp(30000, 30000)));
  EXPECT_FALSE(Read(Bmp(65535, 65535)));
  EXPECT_FALSE(Read(Bmp(0, 10)));
  EXPECT_FALSE(Read(Bmp(-5, 10)));
  EXPECT_FALSE(Read(Bmp(10, INT32_MIN)));
  // Pixels said to start beyond the end of the file.
  std::string far = Bmp(2, 2, true);
  far[10] = '\x7F';
  far[13] = '\x7F';
  EXPECT_FALSE(Read(far));
  // A colour table longer than the bits can name (a decoder reserves it first: fuzzing found
  // 1.35 million colours for 8-bit pixels taking 700 MB); 256 colours stay fine beyond 8 bits.
  const auto withColours = [](uint16_t bits, uint32_t colours) {
    std::string bmp = Bmp(4, 3, true);
    bmp[28] = static_cast<char>(bits);
    for (int i = 0; i < 4; ++i)
      bmp[46 + i] = static_cast<char>((colours >> (8 * i)) & 0xFF);
    return bmp;
  };
  EXPECT_TRUE(Read(withColours(8, 256)));
  EXPECT_FALSE(Read(withColours(8, 257)));
  EXPECT_FALSE(Read(withColours(8, 1352880)));
  EXPECT_FALSE(Read(withColours(1, 3)));
  EXPECT_TRUE(Read(withColours(24, 256)));
  EXPECT_FALSE(Read(withColours(24, 257)));
}

TEST(PictureHeader, JpgsBySizeAndScans) {
  const auto small = Read(Jpeg(640, 480, 3, false));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->format, PictureFormat::kJpeg);
  EXPECT_EQ(small->width, 640);
  EXPECT_EQ(small->height, 480);
  EXPECT_FALSE(Read(Jpeg(30000, 30000, 1, false)));
  EXPECT_FALSE(Read(Jpeg(65535, 65535, 1, false)));
  EXPECT_FALSE(Read(Jpeg(640, 0, 1, false)));  // height given later in the data
  // Scans: each one a pass of a progressive decoder over the whole picture.
  EXPECT_TRUE(Read(Jpeg(64, 64, 100, true)));
  EXPECT_FALSE(Read(Jpeg(64, 64, 101, true)));
  EXPECT_TRUE(Read(Jpeg(6000, 4000, 10, true)));  // a 24-megapixel progressive photo
  EXPECT_FALSE(Read(Jpeg(6000, 4000, 20, true)));
  EXPECT_TRUE(Read(Jpeg(6000, 4000, 20, false)));
  // A scan before any frame.
  std::string noFrame = Jpeg(64, 64, 1, false);
  noFrame.erase(2, 2 + 11);
  EXPECT_FALSE(Read(noFrame));
}

TEST(PictureHeader, MetafilesByExtentAndRecords) {
  // 1 inch by half an inch at 96 pixels an inch.
  const auto inch = Read(Wmf(1440, 720, 1440, 2));
  ASSERT_TRUE(inch);
  EXPECT_EQ(inch->width, 96);
  EXPECT_EQ(inch->height, 48);
  EXPECT_EQ(ReadPictureExtent(Wmf(1440, 720, 1440, 2), 192, 144)->height, 72);
  EXPECT_FALSE(Read(Wmf(32767, 32767, 1, 2)));  // 32767 inches square
  EXPECT_FALSE(Read(Wmf(1440, 720, 0, 2)));
  EXPECT_TRUE(Read(Wmf(1440, 720, 1440, kMaxMetafileRecords - 1)));  // with the end record
  EXPECT_FALSE(Read(Wmf(1440, 720, 1440, kMaxMetafileRecords)));
  EXPECT_FALSE(Read(Wmf(1440, 720, 1440, 2, 0x60000000u)));  // a record larger than the file
  EXPECT_TRUE(Read(Wmf(1440, 720, 1440, kMaxMetafileSaves, 5, kSaveDc)));
  EXPECT_FALSE(Read(Wmf(1440, 720, 1440, kMaxMetafileSaves + 1, 5, kSaveDc)));
}

TEST(PictureHeader, BitmapsInsideMetafileRecords) {
  // A small picture whose bits are all there, and the same from the drawing surface itself.
  EXPECT_FALSE(Read(WmfOf({StretchDib(4, 3, 24, 34)})));  // rows of 12 bytes: 36 of them
  EXPECT_TRUE(Read(WmfOf({StretchDib(4, 3, 24, 36)})));
  std::string fromSurface;
  Le32(fromSurface, 0x00CC0020u);
  for (int i = 0; i < 7; ++i)
    Le16(fromSurface, 0);
  EXPECT_TRUE(Read(WmfOf({Record(0x0940, fromSurface)})));
  // Claims of 30000 or 65535 pixels a side in a few bytes.
  EXPECT_FALSE(Read(WmfOf({StretchDib(30000, 30000, 24, 16)})));
  EXPECT_FALSE(Read(WmfOf({StretchDib(65535, 65535, 1, 16)})));
  EXPECT_FALSE(Read(WmfOf({StretchDib(-4, 3, 24, 36)})));
  // Within the bound, but with fewer bits than it claims; run lengths decode as far as they go.
  EXPECT_FALSE(Read(WmfOf({StretchDib(4000, 4000, 24, 1000)})));
  EXPECT_TRUE(Read(WmfOf({StretchDib(4000, 4000, 8, 1000, 1)})));
  // A compression no player knows, or a colour table longer than the bits can name.
  std::string unknown = StretchDib(4, 3, 24, 36);
  unknown[6 + 22 + 16 + 3] = '\xFB';  // the compression's high byte
  EXPECT_FALSE(Read(WmfOf({unknown})));
  EXPECT_FALSE(Read(WmfOf({StretchDib(4000, 4000, 24, 1000, 1)})));  // run lengths of 24 bits
  std::string colours = StretchDib(4, 3, 8, 12);
  colours[6 + 22 + 32 + 1] = '\x10';  // 4096 colours for 8 bits
  EXPECT_FALSE(Read(WmfOf({colours})));
  // Stretched upside down or mirrored.
  for (size_t field : {6 + 14, 6 + 16}) {  // the destination's height, then its width
    std::string mirrored = StretchDib(4, 3, 24, 36);
    mirrored[field + 1] = '\xFA';
    EXPECT_FALSE(Read(WmfOf({mirrored}))) << field;
  }
  // Bits missing from a record do not come from the records after it.
  EXPECT_FALSE(Read(WmfOf({StretchDib(64, 64, 24, 100), StretchDib(64, 64, 24, 64 * 64 * 3)})));
  // Each within the bound with all its bits, but two of them are more than one largest picture.
  const std::string half = StretchDib(4096, 4100, 1, 4096 / 8 * 4100);
  EXPECT_TRUE(Read(WmfOf({half})));
  EXPECT_FALSE(Read(WmfOf({half, half})));
  // Old device bitmaps alike.
  EXPECT_TRUE(Read(WmfOf({BitBltDevice(8, 8, 2, 16)})));
  EXPECT_FALSE(Read(WmfOf({BitBltDevice(30000, 30000, 3750, 16)})));
  EXPECT_FALSE(Read(WmfOf({BitBltDevice(8, 8, 2, 8)})));
  // A record that ends inside its bitmap's header.
  std::string cut = StretchDib(4, 3, 24, 36);
  cut.resize(6 + 22 + 20);
  cut[0] = static_cast<char>(cut.size() / 2);
  EXPECT_FALSE(Read(WmfOf({cut})));
}

void Be32(std::string& s, uint32_t v) {
  Be16(s, v >> 16);
  Be16(s, v & 0xFFFF);
}

// A png's signature and header chunk, claiming width x height.
std::string Png(uint32_t width, uint32_t height) {
  std::string s("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
  Be32(s, width);
  Be32(s, height);
  return s + std::string("\x08\x02\0\0\0\0\0\0\0", 9);
}

// A little-endian tiff whose first directory gives the width and height as the given type
// (3 short, 4 long).
std::string Tiff(uint32_t width, uint32_t height, uint16_t type = 4) {
  std::string s("II*\0", 4);
  Le32(s, 8);
  Le16(s, 2);
  for (auto [tag, value] : {std::pair{256u, width}, std::pair{257u, height}}) {
    Le16(s, tag);
    Le16(s, type);
    Le32(s, 1);
    Le32(s, value);
  }
  Le32(s, 0);
  return s;
}

// A WebP's first chunk in each of its three forms, claiming width x height.
std::string Webp(const std::string& form, uint32_t width, uint32_t height) {
  std::string chunk;
  if (form == "VP8 ") {
    chunk = std::string("\0\0\0\x9D\x01\x2A", 6);
    Le16(chunk, width);
    Le16(chunk, height);
  } else if (form == "VP8L") {
    chunk.push_back('\x2F');
    Le32(chunk, (width - 1) | (height - 1) << 14);
    chunk.push_back('\0');
  } else {
    Le32(chunk, 0);
    for (uint32_t v : {width - 1, height - 1}) {
      Le16(chunk, v & 0xFFFF);
      chunk.push_back(static_cast<char>(v >> 16));
    }
  }
  std::string s = "RIFF";
  Le32(s, static_cast<uint32_t>(12 + chunk.size()));
  s += "WEBP" + form;
  Le32(s, static_cast<uint32_t>(chunk.size()));
  return s + chunk;
}

// An ISO media box: size, type, body.
std::string Box(const std::string& type, const std::string& body) {
  std::string s;
  Be32(s, static_cast<uint32_t>(8 + body.size()));
  return s + type + body;
}

// A heif of this brand whose item properties give the sizes (a thumbnail's, the picture's).
std::string Heif(const std::string& brand, std::vector<std::pair<uint32_t, uint32_t>> sizes) {
  std::string ipco;
  for (auto [w, h] : sizes) {
    std::string ispe(4, '\0');
    Be32(ispe, w);
    Be32(ispe, h);
    ipco += Box("ispe", ispe);
  }
  return Box("ftyp", brand + std::string(4, '\0') + "mif1" + brand) +
         Box("meta", std::string(4, '\0') + Box("hdlr", std::string(24, '\0')) +
                         Box("iprp", Box("ipco", ipco))) +
         Box("mdat", "....");
}

// An enhanced metafile of a frame in hundredths of a millimetre, then the records, then EOF.
std::string Emf(int32_t right, int32_t bottom, const std::vector<std::string>& records) {
  std::string s;
  Le32(s, 1);
  Le32(s, 88);
  for (int32_t v : {0, 0, 100, 100, 0, 0, right, bottom})
    Le32(s, static_cast<uint32_t>(v));
  Le32(s, 0x464D4520u);
  Le32(s, 0x10000u);
  for (int i = 0; i < 10; ++i)
    Le32(s, 0);
  for (const std::string& r : records)
    s += r;
  for (uint32_t v : {14u, 20u, 0u, 16u, 20u})
    Le32(s, v);
  return s;
}

std::string EmfRecord(uint32_t type, std::string body) {
  std::string r;
  Le32(r, type);
  Le32(r, static_cast<uint32_t>(8 + body.size()));
  return r + body;
}

// A STRETCHDIBITS record carrying a 24-bit bitmap of width x height with dataBytes of bits.
std::string EmfStretchDib(int32_t width, int32_t height, size_t dataBytes) {
  std::string b(16, '\0');  // the bounds
  for (uint32_t v : {0u, 0u, 0u, 0u, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                     80u, 40u, 120u, static_cast<uint32_t>(dataBytes), 0u, 0x00CC0020u, 100u, 100u})
    Le32(b, v);
  InfoHeader(b, width, height, 24);
  b += std::string(dataBytes, '\x22');
  while (b.size() % 4)
    b.push_back('\0');
  return EmfRecord(81, b);
}

TEST(PictureHeader, PngTiffWebpHeifAndEmfUpToTheBound) {
  EXPECT_EQ(Read(Png(8192, 4096))->format, PictureFormat::kPng);
  EXPECT_FALSE(Read(Png(8192, 4097)));
  EXPECT_FALSE(Read(Png(0x80000000u, 1)));
  EXPECT_FALSE(Read(Png(16, 16).substr(0, 20)));  // cut inside its header
  EXPECT_EQ(Read(Tiff(6000, 4000))->height, 4000);
  EXPECT_EQ(Read(Tiff(300, 200, 3))->width, 300);
  EXPECT_FALSE(Read(Tiff(32768, 2)));
  EXPECT_FALSE(Read(Tiff(30000, 30000, 3)));
  std::string far = Tiff(4, 4);
  far[4] = '\x70';  // the directory beyond the end
  EXPECT_FALSE(Read(far));
  // A side named twice (found by fuzz_picture: the decoder took the first width, the header the
  // second) is refused, whichever comes first.
  std::string twice = Tiff(24, 16);
  twice[8] = 3;  // three entries: the width again, after the height
  twice.insert(twice.size() - 4, twice.substr(10, 12));
  twice[twice.size() - 4 - 12 + 8] = 16;
  EXPECT_EQ(twice.size(), Tiff(24, 16).size() + 12);
  EXPECT_FALSE(Read(twice));
  for (const char* form : {"VP8 ", "VP8L", "VP8X"}) {
    EXPECT_EQ(Read(Webp(form, 640, 480))->width, 640) << form;
    EXPECT_EQ(Read(Webp(form, 640, 480))->height, 480) << form;
    EXPECT_FALSE(Read(Webp(form, 16383, 16383))) << form;
  }
  // A heif: the largest of its item sizes, whatever the brand names it.
  for (const char* brand : {"heic", "mif1", "avif"}) {
    const auto heif = Read(Heif(brand, {{320, 240}, {4032, 3024}}));
    ASSERT_TRUE(heif) << brand;
    EXPECT_EQ(heif->format, PictureFormat::kHeif);
    EXPECT_EQ(heif->width, 4032);
    EXPECT_EQ(heif->height, 3024);
  }
  EXPECT_FALSE(Read(Heif("heic", {{320, 240}, {30000, 30000}})));
  EXPECT_FALSE(Read(Heif("heic", {})));
  EXPECT_FALSE(Read(Heif("isom", {{320, 240}})));  // a video, not a picture
  // An emf: its frame at the screen's resolution, records and bitmaps held like a wmf's.
  const auto emf = Read(Emf(2540, 1270, {}));
  ASSERT_TRUE(emf);
  EXPECT_EQ(emf->format, PictureFormat::kEmf);
  EXPECT_EQ(emf->width, 96);
  EXPECT_EQ(emf->height, 48);
  EXPECT_FALSE(Read(Emf(2540000, 2540000, {})));
  EXPECT_TRUE(Read(Emf(2540, 2540, std::vector<std::string>(19000, EmfRecord(27, "12345678")))));
  EXPECT_FALSE(Read(Emf(2540, 2540, std::vector<std::string>(20001, EmfRecord(27, "12345678")))));
  EXPECT_FALSE(Read(Emf(2540, 2540, std::vector<std::string>(1001, EmfRecord(33, "")))));
  EXPECT_TRUE(Read(Emf(2540, 2540, {EmfStretchDib(4, 3, 36)})));
  EXPECT_FALSE(Read(Emf(2540, 2540, {EmfStretchDib(30000, 30000, 36)})));
  EXPECT_FALSE(Read(Emf(2540, 2540, {EmfStretchDib(64, 64, 100)})));  // bits missing
}

// The headless loader refuses what the header refuses, and decodes the rest.
class HugePictureFiles : public ::testing::Test {
 protected:
  std::optional<Surface> Load(const std::string& bytes, const char* extension) {
    const std::string path =
        ::testing::TempDir() + "frin-huge-" + std::to_string(getpid()) + extension;
    {
      std::ofstream out(path, std::ios::binary);
      out << bytes;
    }
    auto picture = api_.LoadPicture(path);
    std::remove(path.c_str());
    return picture;
  }
  MemoryPlatform api_;
};

TEST_F(HugePictureFiles, GiveTheBlackBackground) {
  EXPECT_FALSE(Load(Bmp(30000, 30000), ".bmp"));
  EXPECT_FALSE(Load(Bmp(65535, 65535), ".bmp"));
  EXPECT_FALSE(Load(Jpeg(30000, 30000, 1, false), ".jpg"));
  EXPECT_FALSE(Load(Jpeg(65535, 65535, 1, true), ".jpg"));
  EXPECT_FALSE(Load(Jpeg(4000, 4000, 500, true), ".jpg"));
  EXPECT_FALSE(Load(Wmf(32767, 32767, 1, 2), ".wmf"));
  EXPECT_FALSE(Load(Wmf(1440, 1440, 1440, 200000), ".wmf"));
  EXPECT_FALSE(Load(Wmf(1440, 1440, 1440, 20000, 5, kSaveDc), ".wmf"));
  EXPECT_FALSE(Load(WmfOf({StretchDib(65535, 65535, 24, 64)}), ".wmf"));
  EXPECT_FALSE(Load(Png(30000, 30000), ".png"));
  EXPECT_FALSE(Load(Tiff(65535, 65535), ".tif"));
}

TEST_F(HugePictureFiles, WithinTheBoundDecode) {
  const auto bmp = Load(Bmp(3, 2, true), ".bmp");
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->Width(), 3);
  EXPECT_EQ(bmp->At(2, 1), 0x404040u);
  // Many records, each played, fewer than the bound.
  EXPECT_TRUE(Load(Wmf(1440, 1440, 1440, 5000), ".wmf"));
  // A bitmap in a record, drawn over the whole inch: the picture has the inch's size.
  const auto drawn = Load(WmfOf({StretchDib(4, 3, 24, 36)}), ".wmf");
  const auto empty = Load(WmfOf({}), ".wmf");
  ASSERT_TRUE(drawn && empty);
  EXPECT_GT(drawn->Width(), 0);
  EXPECT_EQ(drawn->Width(), empty->Width());
  EXPECT_EQ(drawn->Height(), empty->Height());
}

}  // namespace
}  // namespace frin
