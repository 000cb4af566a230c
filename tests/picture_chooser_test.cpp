// The browse button: where the chooser starts, the request it is given, and what reaches
// Txt_File afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lifecycle/saver.h"
#include "settings/picture_chooser.h"
#include "settings/settings_dialog.h"
#include "tests/settings_test_platform.h"

namespace frin {
namespace {

using settings_test::TestPlatform;

TEST(DirectoryPart, FolderBeforeTheLastBackslash) {
  struct Case {
    const char* path;
    const char* folder;
  };
  for (const Case& c : std::vector<Case>{
           {"C:\\pics\\a.bmp", "C:\\pics"},
           {"C:\\a.bmp", "C:"},
           {"a.bmp", ""},
           {"\\a.bmp", ""},
           {"", ""},
           {"C:\\my pics   \\a.bmp", "C:\\my pics"},
           {"  C:\\x\\y\\z.jpg", "C:\\x\\y"},
           {"C:\\pics\\", "C:\\pics"},
           {"\\\\server\\share\\a.wmf", "\\\\server\\share"},
           {"C:\\写真\\雪の日.bmp", "C:\\写真"},
       }) {
    EXPECT_EQ(DirectoryPart(c.path), c.folder) << c.path;
  }
}

// Opens the dialog with the picture group enabled and Txt_File holding `typed`, then clicks the
// browse button with the chooser answering `answer`.
struct Browse {
  TestPlatform api;
  Saver saver{api};

  Browse(const std::string& typed, std::optional<std::string> answer) {
    saver.SaverSettings = SaverSettings{150, 100, "black", "on", "D:\\stored\\s.bmp", "off", "off"};
    OpenSettingsDialog(saver);
    saver.Form_Set->Get("Txt_File").SetText(typed);
    api.openFileAnswer = std::move(answer);
    saver.Form_Set->RaiseClick(saver.Form_Set->Get("Btn_File"));
  }
  std::string text() { return saver.Form_Set->Get("Txt_File").text; }
};

TEST(PictureChooser, RequestAsksForAnExistingPicture) {
  Browse b("C:\\pics\\a.bmp", std::nullopt);
  ASSERT_EQ(b.api.chooserRequests.size(), 1u);
  const FileChooserRequest& r = b.api.chooserRequests[0];
  EXPECT_EQ(r.structSize, 76u);
  EXPECT_EQ(r.owner, TestPlatform::kFormWindow);
  EXPECT_EQ(r.instance, 0x00400000u);
  const std::string filter(
      "ﾋﾟｸﾁｬｰﾌｧｲﾙ (*.bmp;*.jpg;*.wmf)\0*.bmp;*.jpg;*.wmf\0"
      "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)\0*.bmp\0"
      "JPEGﾌｧｲﾙ(*.jpg)\0*.jpg\0"
      "ﾒﾀﾌｧｲﾙ (*.wmf)\0*.wmf\0\0",
      sizeof("ﾋﾟｸﾁｬｰﾌｧｲﾙ (*.bmp;*.jpg;*.wmf)\0*.bmp;*.jpg;*.wmf\0"
             "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)\0*.bmp\0"
             "JPEGﾌｧｲﾙ(*.jpg)\0*.jpg\0"
             "ﾒﾀﾌｧｲﾙ (*.wmf)\0*.wmf\0\0") -
          1);
  EXPECT_EQ(r.filter, filter);
  EXPECT_EQ(r.filterIndex, 1u);
  const std::string buffer = std::string(1, '\0') + std::string(255, ' ');
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
  struct Case {
    const char* typed;
    std::string start;
  };
  for (const Case& c : std::vector<Case>{
           {"", program},
           {"     ", program},
           {"a.bmp", program},
           {"\\a.bmp", program},
           {"  C:\\pics\\a.bmp  ", "C:\\pics"},
           {"C:\\a.bmp", "C:"},
           {"E:\\edited  \\b.jpg", "E:\\edited"},
       }) {
    Browse b(c.typed, std::nullopt);
    ASSERT_EQ(b.api.chooserRequests.size(), 1u);
    // From the text as typed, not from the stored BS_File.
    EXPECT_EQ(b.api.chooserRequests[0].initialDir, c.start) << '"' << c.typed << '"';
  }
}

TEST(PictureChooser, ChosenPathReplacesTheTextAndCancelKeepsIt) {
  struct Case {
    const char* what;
    std::optional<std::string> answer;
    std::string text;
  };
  const std::string typed = "  old\\a.bmp ";
  for (const Case& c : std::vector<Case>{
           {"cancel", std::nullopt, typed},
           {"chosen", "C:\\pics\\b.jpg", "C:\\pics\\b.jpg"},
           {"chosen in a Japanese folder", "C:\\写真\\雪.bmp", "C:\\写真\\雪.bmp"},
           {"buffer rest after the path", std::string("C:\\b.wmf\0   ", 12), "C:\\b.wmf"},
           {"blanks around", "  C:\\c.bmp  ", "C:\\c.bmp"},
           {"nothing but blanks", "    ", typed},
           {"empty", "", typed},
       }) {
    SCOPED_TRACE(c.what);
    Browse b(typed, c.answer);
    EXPECT_EQ(b.text(), c.text);
    // Only Txt_File changes: no write, no settings change.
    EXPECT_TRUE(b.api.writes.empty());
    EXPECT_EQ(b.saver.SaverSettings.BS_File, "D:\\stored\\s.bmp");
  }
}

TEST(PictureChooser, ChosenPathIsSavedOnOk) {
  Browse b("", "C:\\pics\\b.jpg");
  try {
    b.saver.Form_Set->RaiseClick(b.saver.Form_Set->Get("Btn_Set", 0));
  } catch (const settings_test::TestProcessEnded&) {
  }
  ASSERT_EQ(b.api.writes.size(), 7u);
  EXPECT_EQ(b.api.writes[4].key, "BS_File");
  EXPECT_EQ(b.api.writes[4].text, "C:\\pics\\b.jpg");
}

}  // namespace
}  // namespace frin
