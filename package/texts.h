// Every English text the setup program looks up in the language table, in
// one list. The wizard, the install run, the registration and the uninstall
// run name their texts by TextId only, so a text the program shows can never
// be missing here, and the author's tool builds its language template and
// checks translations from this same list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "package/language.h"

namespace scr {

enum class TextId : uint8_t {
  kBack,
  kBrowseButton,
  kBrowseInstruction,
  kCancel,
  kNext,
  kInstall,
  kFinish,
  kSetup,
  kUninstall,
  kReadme,
  kPreview,
  kDirectoryPageText,
  kLicensePageText,
  kReadmePageText,
  kFinishedPageText,
  kReadyPageText,
  kAccept,
  kNotAccept,
  kLicenseTitle,
  kDirectoryTitle,
  kReadyTitle,
  kProgressTitle,
  kReadmeTitle,
  kReadImportantDescription,
  kDirectoryDescription,
  kReadyDescription,
  kProgressDescription,
  kFinishedDescription,
  kCannotCreateFolder,
  kInvalidFolder,
  kSystemFolderQuestion,
  kAccessDenied,
  kInstallError,
  kCorrupted,
  kRemoveQuestion,
  kRemoved,
  // Added after the first language files: each falls back (see TextEntry).
  kMessageCaption,
  kFinishedTitle,
  kCount
};

inline constexpr size_t kTextCount = static_cast<size_t>(TextId::kCount);

// What becomes of a text once translated, for the checks an author's
// translation must pass.
enum class TextKind : uint8_t {
  kCaption,      // shown in the window or a message box
  kTitleFormat,  // a message whose one "%s" the screensaver title replaces
  kNameWord,     // also part of file and shortcut names ("Setup": of the caption)
};

struct TextEntry {
  TextId id;
  const char* english;  // the key of the language table
  TextKind kind;
  // A text added after language files were written: where a table lacks it,
  // the translation of this other text is shown instead (kCount: none, the
  // English text is).
  TextId fallback = TextId::kCount;
};

// The entries in TextId order.
const TextEntry& TextInfo(TextId id);
const TextEntry* TextsBegin();
const TextEntry* TextsEnd();

// The entry whose English text is `english`, or nullptr.
const TextEntry* FindText(std::string_view english);

// The translation of a text of the program.
std::string Translate(const LanguageTable& table, TextId id);

}  // namespace scr
