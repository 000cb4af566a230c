// The browse button on the headless backend: where the chooser starts, the request it is given,
// and what reaches Txt_File afterwards.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "lifecycle/saver.h"
#include "platform/memory/memory_platform.h"
#include "settings/picture_chooser.h"
#include "settings/settings_dialog.h"

namespace frin {
namespace {

TEST(DirectoryPart, FolderBeforeTheLastBackslash) {
  const char* cases[][2] = {
      {"C:\\pics\\a.bmp", "C:\\pics"},
      {"C:\\a.bmp", "C:"},
      {"a.bmp", ""},
      {"\\a.bmp", ""},
      {"", ""},
      {"C:\\my pics   \\a.bmp", "C:\\my pics"},
      {"  C:\\x\\y\\z.jpg", "C:\\x\\y"},
      {"\\\\server\\share\\a.wmf", "\\\\server\\share"},
      {"C:\\写真\\雪の日.bmp", "C:\\写真"},
  };
  for (const auto& [path, folder] : cases)
    EXPECT_EQ(DirectoryPart(path), folder) << path;
}

// The dialog with the picture group enabled and `typed` in Txt_File; the browse button clicked
// with the chooser answering `answer`.
struct Browse {
  MemoryPlatform api;
  Saver saver{api};
  Browse(const std::string& typed, std::optional<std::string> answer) {
    api.SetProgramFolder("C:\\Program Files\\Frin");
    saver.SaverSettings = {150, 100, "black", "on", "D:\\stored\\s.bmp", "off", "off"};
    OpenSettingsDialog(saver);
    saver.Form_Set->Get("Txt_File").SetText(typed);
    api.SetOpenFileAnswer(std::move(answer));
    api.QueueClick(saver.Form_Set->Get("Btn_File"));
    api.Advance(0);
  }
  std::string Text() { return saver.Form_Set->Get("Txt_File").text; }
};

TEST(PictureChooser, RequestAsksForAnExistingPicture) {
  Browse b("C:\\pics\\a.bmp", std::nullopt);
  ASSERT_EQ(b.api.FileChooserRequests().size(), 1u);
  const FileChooserRequest& r = b.api.FileChooserRequests()[0];
  EXPECT_EQ(r.structSize, 76u);
  EXPECT_EQ(r.owner, b.saver.Form_Set->hwnd);
  EXPECT_EQ(r.instance, b.api.InstanceHandle());
  using namespace std::string_literals;
  EXPECT_EQ(r.filter,
            "ﾋﾟｸﾁｬｰﾌｧｲﾙ (*.bmp;*.dib;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.tif;*.tiff;*.ico;"
            "*.wmf;*.emf;*.webp;*.heic;*.heif;*.avif)\0"
            "*.bmp;*.dib;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.gif;*.tif;*.tiff;*.ico;*.wmf;*.emf;"
            "*.webp;*.heic;*.heif;*.avif\0"
            "ﾋﾟｸﾁｬｰﾌｧｲﾙ (*.bmp;*.jpg;*.wmf)\0*.bmp;*.jpg;*.wmf\0ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)\0*.bmp\0"
            "JPEGﾌｧｲﾙ(*.jpg)\0*.jpg\0ﾒﾀﾌｧｲﾙ (*.wmf)\0*.wmf\0\0"s);
  EXPECT_EQ(r.filterIndex, 1u);  // the pair of every kind
  const std::string buffer = "\0"s + std::string(255, ' ');
  EXPECT_EQ(r.file, buffer);
  EXPECT_EQ(r.fileTitle, buffer);
  EXPECT_EQ(r.maxFile, 256u);
  EXPECT_EQ(r.maxFileTitle, 256u);
  EXPECT_EQ(r.initialDir, "C:\\pics");
  EXPECT_EQ(r.title, "背景の参照");
  EXPECT_EQ(r.flags, 0x81804u);
}

TEST(PictureChooser, StartsInTheFolderOfWhatIsTyped) {
  const std::string program = "C:\\Program Files\\Frin";
  const std::pair<const char*, std::string> cases[] = {
      {"", program},
      {"     ", program},
      {"a.bmp", program},
      {"\\a.bmp", program},
      {"C:\\a.bmp", "C:"},
      {"  C:\\pics\\a.bmp  ", "C:\\pics"},
      {"E:\\edited  \\b.jpg", "E:\\edited"},  // the text as typed, not the stored BS_File
  };
  for (const auto& [typed, start] : cases) {
    Browse b(typed, std::nullopt);
    ASSERT_EQ(b.api.FileChooserRequests().size(), 1u);
    EXPECT_EQ(b.api.FileChooserRequests()[0].initialDir, start) << '"' << typed << '"';
  }
}

TEST(PictureChooser, ChosenPathReplacesTheTextAndCancelKeepsIt) {
  using namespace std::string_literals;
  const std::string typed = "  old\\a.bmp ";
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {std::nullopt, typed},
      {"C:\\pics\\b.jpg", "C:\\pics\\b.jpg"},
      {"C:\\写真\\雪.bmp", "C:\\写真\\雪.bmp"},
      {"C:\\b.wmf\0   "s, "C:\\b.wmf"},
      {"  C:\\c.bmp  ", "C:\\c.bmp"},
      {"    ", typed},
      {"", typed},
  };
  for (const auto& [answer, text] : cases) {
    SCOPED_TRACE(answer.value_or("(cancel)"));
    Browse b(typed, answer);
    EXPECT_EQ(b.Text(), text);
    EXPECT_TRUE(b.api.Writes().empty());
    EXPECT_EQ(b.saver.SaverSettings.BS_File, "D:\\stored\\s.bmp");
  }
}

// The preselected filter offers every picture the saver shows: each test picture that loads is
// one of its patterns (the name such a file usually carries).
TEST(PictureChooser, TheFirstFilterOffersEveryPictureTheSaverShows) {
  MemoryPlatform api;
  const std::string filter = PictureFilter(JapaneseLanguage());
  const std::string description = filter.substr(0, filter.find('\0'));
  const std::string pattern = filter.substr(description.size() + 1).c_str();
  EXPECT_EQ(description, "ﾋﾟｸﾁｬｰﾌｧｲﾙ (" + pattern + ")");
  const std::string data = FRIN_TEST_DATA;
  for (const char* name :
       {"two_colour_4x3.bmp", "solid_8x8.jpg", "red_rect.wmf", "two_by_two.png",
        "pictures/upright.gif", "pictures/upright.tif", "pictures/stored_6_progressive.jpg"}) {
    ASSERT_TRUE(api.LoadPicture(data + "/" + name)) << name;
    const std::string extension = std::string(name).substr(std::string(name).rfind('.'));
    EXPECT_NE((pattern + ";").find("*" + extension + ";"), std::string::npos) << name;
  }
  // And the names of the same kinds that are also common.
  for (const char* more : {"*.jpeg;", "*.tiff;", "*.ico;", "*.emf;", "*.heic;", "*.webp;"})
    EXPECT_NE((pattern + ";").find(more), std::string::npos) << more;
}

}  // namespace
}  // namespace frin
