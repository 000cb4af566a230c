// The texts a user reads in the settings dialog and the picture chooser, one table per language,
// and the fonts they are drawn in. The language is the user's interface language, read once at
// start-up: Japanese on a Japanese system, English everywhere else. Identities (window titles,
// store keys and values, the description in the Screen Saver list) are never translated and are
// not here.
//
// A further language is one more UiLanguage table, listed in kUiLanguages: nothing else changes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/form.h"

namespace frin {

enum class TextId : uint8_t {
  kOk,                  // Btn_Set(0)
  kCancel,              // Btn_Set(1)
  kClearBackground,     // Chk_Set(0): the desktop does not show behind the snow
  kUsePicture,          // Chk_Set(3)
  kBrowse,              // Btn_File
  kSettle,              // Chk_Set(1)
  kMouseKeeps,          // Chk_Set(2): a mouse move does not end the saver
  kAmountFrame,         // Frame1(0)
  kSpeedFrame,          // Frame1(1)
  kCountUnit,           // Label1(1), after the flake count
  kFew,                 // Label1(2), left end of the count bar
  kMany,                // Label1(3), right end of the count bar
  kFast,                // Label1(4), right end of the speed bar
  kSlow,                // Label1(5), left end of the speed bar
  kMakerLine,           // Label1(6)
  kContactLine,         // Label1(7)
  kTitleLine,           // Label1(8)
  kTitleName,           // Label1(9)
  kVersionLine,         // Label1(10)
  kPictureFile,         // Label1(12)
  kChooserTitle,        // the picture chooser's title
  kFilterEveryPicture,  // the chooser's first filter, before its patterns in parentheses
  kFilterPictures,      // the chooser's other filter descriptions, in the filter list's order
  kFilterBitmaps,
  kFilterJpeg,
  kFilterMetafiles,
  kCount,
};
inline constexpr size_t kTextCount = static_cast<size_t>(TextId::kCount);

struct UiLanguage {
  // The primary language (the low ten bits of a Windows language id) this table is for; 0 for
  // the table used when no other matches.
  uint16_t primaryLanguage;
  const char* name;  // for tests and messages
  std::array<const char*, kTextCount> texts;
  // The dialog's named fonts F1 to F6 keep their sizes, weights and styles in every language;
  // the language gives their faces (kSystemMessageFace for the system's message font) and
  // character set.
  const char* gothicFace;  // F1, F2, F4, F5, F6
  const char* minchoFace;  // F3
  int charset;
  // The dialog's own font (the controls that name none): unset, the platform's default dialog
  // font; else this face at 9 points.
  const char* dialogFace;

  const char* Text(TextId id) const { return texts[static_cast<size_t>(id)]; }
};

// Every table; the last is the one for languages no other table names.
std::span<const UiLanguage> UiLanguages();

// The table for a Windows language id (its primary language: 0x11 is Japanese).
const UiLanguage& LanguageFor(uint16_t languageId);

// The Japanese table: the texts and fonts of the dialog as designed.
const UiLanguage& JapaneseLanguage();

// The dialog's named font Fn (n from 1 to 6) in this language.
Font DialogFont(const UiLanguage& language, int n);

}  // namespace frin
