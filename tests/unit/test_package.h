// The setup package the unit tests pack: every block and record field has
// a named default, so a test names only what it changes, e.g.
//
//   WriteTestPackage(sim, {.license = "Terms", .title = "My Saver", .license_mode = 1});
//
// Members follow the file's order (blocks first, then the record's
// fields), the order designated initialisers take them in. Each has an
// initialiser of its own, even the empty ones, so that leaving it out of a
// designated initialiser is no missing initialiser to the compiler.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "package/record.h"
#include "package/writer.h"
#include "platform/sim/sim_system.h"

namespace scr {

struct TestPackage {
  std::string image = std::string(512, 'P');  // the setup program
  std::string screensaver = "MZ screensaver";
  std::string readme = "", license = "", language = "";
  // The record; its sizes and signature are filled in when it is written.
  std::string file_name = "Aquarium.scr";
  std::string title = "Aquarium";
  std::string link = "";
  bool uninstall_entry = false, start_menu_group = false, desktop_shortcut = false;
  std::string dest_folder = "<Program Files>\\";
  std::string dest_subfolder = "Aquarium";
  bool skip_folder_page = false;
  uint8_t license_mode = 0;
};

// The record as the setup file holds it, sizes and signature complete.
inline SetupRecord RecordOf(const TestPackage& p) {
  SetupRecord record{};
  SetField(record.ScrFileName, p.file_name);
  SetField(record.ScrTitle, p.title);
  SetField(record.LinkAddress, p.link);
  record.AddUninstallEntry = p.uninstall_entry;
  record.AddStartMenuGroup = p.start_menu_group;
  record.AddDesktopShortcut = p.desktop_shortcut;
  SetShortString(record.DestFolder, p.dest_folder);
  SetShortString(record.DestSubfolder, p.dest_subfolder);
  record.SkipFolderPage = p.skip_folder_page;
  record.LicenseMode = p.license_mode;
  CompleteSetupRecord(record, static_cast<int64_t>(p.screensaver.size()),
                      static_cast<int64_t>(p.readme.size()), static_cast<int64_t>(p.license.size()),
                      static_cast<int64_t>(p.language.size()));
  return record;
}

// Writes the package as a setup file with the package writer, through
// `sim`'s own file calls, to `path` (by default the running program's file).
inline bool WriteTestPackage(SimSystem& sim, const TestPackage& p, const std::string& path) {
  std::unique_ptr<File> out = sim.CreateFile(path);
  return out &&
         WriteSetupFile(*out, p.image, p.screensaver, p.readme, p.license, p.language, RecordOf(p));
}
inline bool WriteTestPackage(SimSystem& sim, const TestPackage& p) {
  return WriteTestPackage(sim, p, sim.module_path);
}

// The setup file and the uninstaller copy an install writes of it, put
// together here block by block, so that a test can hold the program's
// output against them.
inline std::string RecordBytes(const TestPackage& p) {
  const SetupRecord record = RecordOf(p);
  return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}
inline std::string SetupFileBytes(const TestPackage& p) {
  return p.image + p.screensaver + p.readme + p.license + p.language + RecordBytes(p) +
         SetupTrailer();
}
inline std::string UninstallerCopyBytes(const TestPackage& p) {
  return p.image + p.readme + p.license + p.language + RecordBytes(p) + UninstallerTrailer();
}

}  // namespace scr
