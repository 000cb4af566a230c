// The browse button of Form_Set: the file-open request for a background picture, and the folder
// the chooser starts in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/module_api.h"
#include "settings/ui_texts.h"

namespace frin {

struct SaverBase;

// OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY.
inline constexpr uint32_t kPictureChooserFlags = 0x81804u;
inline constexpr uint32_t kPictureChooserBufferSize = 256;

// The folder part of a path: the text before its last backslash, without blanks around it; the
// empty string when the path has no backslash. C:\pics\a.bmp gives C:\pics, C:\a.bmp gives C:.
std::string DirectoryPart(std::string_view path);

// The five description/pattern pairs, the descriptions in the given language, each string
// followed by one NUL, and a closing NUL.
std::string PictureFilter(const UiLanguage& language);

// Where the chooser starts for this Txt_File text: DirectoryPart of the trimmed text, or the
// program's folder when the text is blank or has no folder part.
std::string InitialPictureFolder(std::string_view txtFileText, Module_API& api);

// The complete request: owner, instance, filter with the first pair preselected, the two
// 256-character buffers (NUL then 255 blanks), the initial folder, the title and the flags; the
// title and the filter's descriptions in the given language.
FileChooserRequest PictureFileRequest(const UiLanguage& language, WindowHandle owner,
                                      uintptr_t instance, std::string initialDir);

// Runs the chooser, modal to Form_Set, starting from the folder of Txt_File's current text.
// The chosen full path without blanks around it and cut at a NUL, or the empty string when the
// user cancelled or the dialog failed.
std::string ChoosePictureFile(SaverBase& saver);

// The browse button's click: a chosen path replaces Txt_File's text; otherwise the text stays.
void Btn_File_Click(SaverBase& saver);

}  // namespace frin
