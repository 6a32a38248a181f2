#include "package/texts.h"

namespace scr {
namespace {

using K = TextKind;

constexpr TextEntry kTexts[] = {
    {TextId::kBack, "Back", K::kCaption},
    {TextId::kBrowseButton, "&Browse", K::kCaption},
    {TextId::kBrowseInstruction, "Browse", K::kCaption},
    {TextId::kCancel, "Cancel", K::kCaption},
    {TextId::kNext, "Next", K::kCaption},
    {TextId::kInstall, "Install", K::kCaption},
    {TextId::kFinish, "Finish", K::kCaption},
    {TextId::kSetup, "Setup", K::kNameWord},
    {TextId::kUninstall, "Uninstall", K::kNameWord},
    {TextId::kReadme, "Readme", K::kNameWord},
    {TextId::kPreview, "Preview", K::kNameWord},
    {TextId::kDirectoryPageText,
     "Select the folder where you would like the Screen Saver to be installed, then click "
     "Install.",
     K::kCaption},
    {TextId::kLicensePageText,
     "Please read the following License Agreement. You must accept the terms of this agreement "
     "before continuing with the installation.",
     K::kCaption},
    {TextId::kReadmePageText, "When you are ready, click Next.", K::kCaption},
    {TextId::kFinishedPageText, "Click Finish to exit Setup.", K::kCaption},
    {TextId::kReadyPageText,
     "The Setup is ready to install Screen Saver on your computer. Click Install to continue, or "
     "Cancel to exit Setup.",
     K::kCaption},
    {TextId::kAccept, "I &accept the agreement", K::kCaption},
    {TextId::kNotAccept, "I &do not accept the agreement", K::kCaption},
    {TextId::kLicenseTitle, "License Agreement", K::kCaption},
    {TextId::kDirectoryTitle, "Select Destination Directory", K::kCaption},
    {TextId::kReadyTitle, "Ready to Install", K::kCaption},
    {TextId::kProgressTitle, "Installing", K::kCaption},
    {TextId::kReadmeTitle, "Information", K::kCaption},
    {TextId::kReadImportantDescription,
     "Please read the following important information before continuing.", K::kCaption},
    {TextId::kDirectoryDescription, "Where should Screen Saver be installed?", K::kCaption},
    {TextId::kReadyDescription, "Setup is ready to install Screen Saver.", K::kCaption},
    {TextId::kProgressDescription, "Please wait while Setup installs Screen Saver.", K::kCaption},
    {TextId::kFinishedDescription, "The Setup has completed successfully.", K::kCaption},
    {TextId::kCannotCreateFolder,
     "Unable to create the directory. Please select a different directory.", K::kCaption},
    {TextId::kInvalidFolder, "Invalid directory. Please select an existing directory.",
     K::kCaption},
    {TextId::kSystemFolderQuestion,
     "The selected Windows system folder cannot be used for this screensaver for compatibility "
     "reasons. Do you want to use the allowed system folder instead?",
     K::kCaption},
    {TextId::kAccessDenied,
     "Unable to copy the files. Access is denied. Please select a different directory.",
     K::kCaption},
    {TextId::kInstallError, "There was an error installing %s. Installation is not complete.",
     K::kTitleFormat},
    {TextId::kCorrupted, "The file is corrupted. Setup can not continue.", K::kCaption},
    {TextId::kRemoveQuestion, "Are you sure you want to remove %s and its components?",
     K::kTitleFormat},
    {TextId::kRemoved, "%s has been successfully removed from your computer.", K::kTitleFormat},
    // The caption of the message boxes; English where a language file lacks it.
    {TextId::kMessageCaption, "Screensaver Setup", K::kCaption},
    // The last page's heading; "Finish", the button's word, served both
    // before, and still does where a language file lacks it.
    {TextId::kFinishedTitle, "Finished", K::kCaption, TextId::kFinish},
};

static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == kTextCount, "one entry per TextId");

constexpr bool InIdOrder() {
  for (size_t i = 0; i < kTextCount; ++i)
    if (static_cast<size_t>(kTexts[i].id) != i) return false;
  return true;
}
static_assert(InIdOrder(), "kTexts is indexed by TextId");

// Whether the language file has a text named `english`. A plain loop:
// std::find's unrolled search is larger code than this short list needs.
bool HasName(const LanguageTable& table, std::string_view english) {
  for (const std::string& name : table.names)
    if (name == english) return true;
  return false;
}

}  // namespace

const TextEntry& TextInfo(TextId id) { return kTexts[static_cast<size_t>(id)]; }
const TextEntry* TextsBegin() { return kTexts; }
const TextEntry* TextsEnd() { return kTexts + kTextCount; }

std::string Translate(const LanguageTable& table, TextId id) {
  const TextEntry& entry = TextInfo(id);
  if (entry.fallback != TextId::kCount && !HasName(table, entry.english))
    return Translate(table, entry.fallback);
  return Translate(table, std::string_view(entry.english));
}

const TextEntry* FindText(std::string_view english) {
  for (const TextEntry& entry : kTexts)
    if (english == entry.english) return &entry;
  return nullptr;
}

}  // namespace scr
