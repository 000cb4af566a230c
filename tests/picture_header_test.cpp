// Pictures that would exhaust or freeze the saver: headers claiming huge sizes, jpgs of very
// many scans, metafiles of huge extent or very many records. The header reading refuses them
// before any decoder runs, and the headless backend's loader gives the black background.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

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

// A 24-bit bmp whose header claims width x height; the pixel rows follow only when given.
std::string Bmp(int32_t width, int32_t height, bool withPixels = false) {
  std::string s = "BM";
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t pixels = withPixels ? stride * static_cast<uint32_t>(std::abs(height)) : 0;
  Le32(s, 54 + pixels);
  Le32(s, 0);
  Le32(s, 54);
  Le32(s, 40);
  Le32(s, static_cast<uint32_t>(width));
  Le32(s, static_cast<uint32_t>(height));
  Le16(s, 1);
  Le16(s, 24);
  for (int i = 0; i < 6; ++i)
    Le32(s, 0);
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
  for (const char* name : {"two_colour_4x3.bmp", "solid_8x8.jpg", "red_rect.wmf"}) {
    const auto extent = Read(ReadFile(dir + "/" + name));
    ASSERT_TRUE(extent.has_value()) << name;
    const auto decoded = api.LoadPicture(dir + "/" + name);
    ASSERT_TRUE(decoded.has_value()) << name;
    if (extent->format != PictureFormat::kWmf) {  // a metafile is sized by the resolution
      EXPECT_EQ(extent->width, decoded->Width()) << name;
      EXPECT_EQ(extent->height, decoded->Height()) << name;
    }
  }
  EXPECT_FALSE(Read(ReadFile(dir + "/two_by_two.png")));  // not a format the saver reads
  EXPECT_FALSE(Read(ReadFile(dir + "/text.bmp")));
  EXPECT_FALSE(Read(""));
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
}

TEST_F(HugePictureFiles, WithinTheBoundDecode) {
  const auto bmp = Load(Bmp(3, 2, true), ".bmp");
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->Width(), 3);
  EXPECT_EQ(bmp->At(2, 1), 0x404040u);
  // Many records, each played, fewer than the bound.
  EXPECT_TRUE(Load(Wmf(1440, 1440, 1440, 5000), ".wmf"));
}

}  // namespace
}  // namespace frin
