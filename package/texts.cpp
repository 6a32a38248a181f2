#include "package/texts.h"

namespace scr {
namespace {

using K = TextKind;

constexpr TextEntry kTexts[] = {
    {TextId::kBack, "Back", K::kCaption, "Back button (shown as \"< Back\")"},
    {TextId::kBrowseButton, "&Browse", K::kCaption, "Browse button (shown as \"Browse...\")"},
    {TextId::kBrowseInstruction, "Browse", K::kCaption, "instruction of the folder browser"},
    {TextId::kCancel, "Cancel", K::kCaption, "Cancel button"},
    {TextId::kNext, "Next", K::kCaption, "Next button (shown as \"Next >\")"},
    {TextId::kInstall, "Install", K::kCaption, "Next button on the folder and ready pages"},
    {TextId::kFinish, "Finish", K::kCaption, "Next button and title of the last page"},
    {TextId::kSetup, "Setup", K::kNameWord, "window caption after the title"},
    {TextId::kUninstall, "Uninstall", K::kNameWord,
     "uninstaller file name (in small letters), Start-menu shortcut, removal question caption"},
    {TextId::kReadme, "Readme", K::kNameWord, "readme file name and its Start-menu shortcut"},
    {TextId::kPreview, "Preview", K::kNameWord, "Preview shortcut names"},
    {TextId::kDirectoryPageText,
     "Select the folder where you would like the Screen Saver to be installed, then click "
     "Install.",
     K::kCaption, "folder page text"},
    {TextId::kLicensePageText,
     "Please read the following License Agreement. You must accept the terms of this agreement "
     "before continuing with the installation.",
     K::kCaption, "licence page text"},
    {TextId::kReadmePageText, "When you are ready, click Next.", K::kCaption,
     "information page text"},
    {TextId::kFinishedPageText, "Click Finish to exit Setup.", K::kCaption, "last page text"},
    {TextId::kReadyPageText,
     "The Setup is ready to install Screen Saver on your computer. Click Install to continue, or "
     "Cancel to exit Setup.",
     K::kCaption, "ready page text"},
    {TextId::kAccept, "I &accept the agreement", K::kCaption, "licence radio button"},
    {TextId::kNotAccept, "I &do not accept the agreement", K::kCaption, "licence radio button"},
    {TextId::kLicenseTitle, "License Agreement", K::kCaption, "licence page title"},
    {TextId::kDirectoryTitle, "Select Destination Directory", K::kCaption, "folder page title"},
    {TextId::kReadyTitle, "Ready to Install", K::kCaption, "ready page title"},
    {TextId::kProgressTitle, "Installing", K::kCaption, "progress page title"},
    {TextId::kReadmeTitle, "Information", K::kCaption, "information page title"},
    {TextId::kReadImportantDescription,
     "Please read the following important information before continuing.", K::kCaption,
     "licence and information page description"},
    {TextId::kDirectoryDescription, "Where should Screen Saver be installed?", K::kCaption,
     "folder page description"},
    {TextId::kReadyDescription, "Setup is ready to install Screen Saver.", K::kCaption,
     "ready page description"},
    {TextId::kProgressDescription, "Please wait while Setup installs Screen Saver.", K::kCaption,
     "progress page description"},
    {TextId::kFinishedDescription, "The Setup has completed successfully.", K::kCaption,
     "last page description"},
    {TextId::kCannotCreateFolder,
     "Unable to create the directory. Please select a different directory.", K::kCaption,
     "message: the folder cannot be created"},
    {TextId::kInvalidFolder, "Invalid directory. Please select an existing directory.", K::kCaption,
     "message: the folder does not exist"},
    {TextId::kSystemFolderQuestion,
     "The selected Windows system folder cannot be used for this screensaver for compatibility "
     "reasons. Do you want to use the allowed system folder instead?",
     K::kCaption, "question: the 64-bit system folder was chosen"},
    {TextId::kAccessDenied,
     "Unable to copy the files. Access is denied. Please select a different directory.",
     K::kCaption, "message: the screensaver file cannot be created"},
    {TextId::kInstallError, "There was an error installing %s. Installation is not complete.",
     K::kTitleFormat, "message: the copy failed (%s: the title)"},
    {TextId::kCorrupted, "The file is corrupted. Setup can not continue.", K::kCaption,
     "message: the package is damaged"},
    {TextId::kRemoveQuestion, "Are you sure you want to remove %s and its components?",
     K::kTitleFormat, "uninstall question (%s: the title)"},
    {TextId::kRemoved, "%s has been successfully removed from your computer.", K::kTitleFormat,
     "uninstall completion message (%s: the title)"},
};

static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == kTextCount, "one entry per TextId");

constexpr bool InIdOrder() {
  for (size_t i = 0; i < kTextCount; ++i)
    if (static_cast<size_t>(kTexts[i].id) != i) return false;
  return true;
}
static_assert(InIdOrder(), "kTexts is indexed by TextId");

}  // namespace

const TextEntry& TextInfo(TextId id) { return kTexts[static_cast<size_t>(id)]; }
const TextEntry* TextsBegin() { return kTexts; }
const TextEntry* TextsEnd() { return kTexts + kTextCount; }

const TextEntry* FindText(std::string_view english) {
  for (const TextEntry& entry : kTexts)
    if (english == entry.english) return &entry;
  return nullptr;
}

}  // namespace scr
