#include "settings/picture_chooser.h"

#include <array>
#include <utility>

#include "platform/number_text.h"
#include "settings/picture_kinds.h"
#include "settings/saver_base.h"

namespace frin {

std::string DirectoryPart(std::string_view path) {
  // A backslash byte never occurs inside a multi-byte UTF-8 character, so a byte search is exact.
  const size_t last = path.rfind('\\');
  if (last == std::string_view::npos) return std::string();
  return TrimBlanks(path.substr(0, last));
}

std::string PictureFilter(const UiLanguage& language) {
  // The first pair, of every kind the saver shows, names its patterns after its own name.
  const std::string every =
      std::string(language.Text(TextId::kFilterEveryPicture)) + " (" + kEveryPicturePattern + ")";
  const std::array<std::pair<const char*, const char*>, 5> kPairs = {{
      {every.c_str(), kEveryPicturePattern},
      {language.Text(TextId::kFilterPictures), "*.bmp;*.jpg;*.wmf"},
      {language.Text(TextId::kFilterBitmaps), "*.bmp"},
      {language.Text(TextId::kFilterJpeg), "*.jpg"},
      {language.Text(TextId::kFilterMetafiles), "*.wmf"},
  }};
  std::string filter;
  for (const auto& [description, pattern] : kPairs) {
    filter += description;
    filter.push_back('\0');
    filter += pattern;
    filter.push_back('\0');
  }
  filter.push_back('\0');
  return filter;
}

std::string InitialPictureFolder(std::string_view txtFileText, Module_API& api) {
  const std::string t = TrimBlanks(txtFileText);
  if (t.empty()) return api.ProgramFolder();
  std::string folder = DirectoryPart(t);
  if (folder.empty()) return api.ProgramFolder();
  return folder;
}

FileChooserRequest PictureFileRequest(const UiLanguage& language, WindowHandle owner,
                                      uintptr_t instance, std::string initialDir) {
  std::string buffer(1, '\0');
  buffer.append(kPictureChooserBufferSize - 1, ' ');

  FileChooserRequest request;
  request.structSize = 76;
  request.owner = owner;
  request.instance = instance;
  request.filter = PictureFilter(language);
  request.filterIndex = 1;
  request.file = buffer;
  request.maxFile = kPictureChooserBufferSize;
  request.fileTitle = buffer;
  request.maxFileTitle = kPictureChooserBufferSize;
  request.initialDir = std::move(initialDir);
  request.title = language.Text(TextId::kChooserTitle);
  request.flags = kPictureChooserFlags;
  return request;
}

std::string ChoosePictureFile(SaverBase& saver) {
  if (!saver.Form_Set) return std::string();
  Form& form = *saver.Form_Set;
  Module_API& api = saver.api;
  const FileChooserRequest request =
      PictureFileRequest(*saver.Language, form.hwnd, api.InstanceHandle(),
                         InitialPictureFolder(form.Get("Txt_File").text, api));
  const std::optional<std::string> chosen = api.GetOpenFileName(request);
  if (!chosen) return std::string();
  std::string s = TrimBlanks(*chosen);
  const size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

void Btn_File_Click(SaverBase& saver) {
  const std::string path = ChoosePictureFile(saver);
  // The dialog may have been closed while the chooser was open.
  if (path.empty() || !saver.Form_Set) return;
  saver.Form_Set->Get("Txt_File").SetText(path);
}

}  // namespace frin
