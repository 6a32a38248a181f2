// scrpack: the author's tool. "build" appends a package to the setup
// program; "inspect" shows what a setup file or uninstaller copy holds.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/scrpack/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"scrpack: makes and inspects screensaver setup files"};
  app.require_subcommand(1);

  scrpack::BuildOptions b;
  std::string file_name, readme, license, language, stub;
  int64_t license_mode = 0;
  CLI::App* build = app.add_subcommand("build", "write a setup file");
  build->add_option("-o", b.output, "output file")->required();
  build->add_option("--scr", b.scr, "the screensaver file")->required();
  build->add_option("--title", b.title, "ScrTitle, at most 31 bytes")->required();
  auto* o_file_name =
      build->add_option("--file-name", file_name, "ScrFileName (default: base name of --scr)");
  build->add_option("--link", b.link, "LinkAddress, at most 101 bytes");
  auto* o_readme = build->add_option("--readme", readme, "readme text file");
  auto* o_license = build->add_option("--license", license, "licence text file");
  auto* o_license_mode = build->add_option("--license-mode", license_mode,
                                           "LicenseMode 0..255 (default 1 with --license, else 0)");
  auto* o_language = build->add_option("--language", language, "language block file");
  build->add_option("--dest-folder", b.dest_folder, "DestFolder (default \"<Program Files>\\\")");
  build->add_option("--dest-subfolder", b.dest_subfolder, "DestSubfolder");
  build->add_flag("--uninstall-entry", b.uninstall_entry, "AddUninstallEntry");
  build->add_flag("--start-menu-group", b.start_menu_group, "AddStartMenuGroup");
  build->add_flag("--desktop-shortcut", b.desktop_shortcut, "AddDesktopShortcut");
  build->add_flag("--skip-folder-page", b.skip_folder_page, "SkipFolderPage");
  auto* o_stub =
      build->add_option("--stub", stub, "setup program image (default: the built-in one)");

  std::string inspect_path;
  bool as_json = false;
  CLI::App* inspect = app.add_subcommand("inspect", "show what a setup file holds");
  inspect->add_option("FILE", inspect_path, "setup file or uninstaller copy")->required();
  inspect->add_flag("--json", as_json, "print one JSON object");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help is success; every other parse error is a bad argument.
    return app.exit(e) == 0 ? scrpack::kExitOk : scrpack::kExitBadArguments;
  }

  try {
    if (*inspect) return scrpack::RunInspect(inspect_path, as_json);
    if (*o_file_name) b.file_name = file_name;
    if (*o_readme) b.readme = readme;
    if (*o_license) b.license = license;
    if (*o_license_mode) b.license_mode = license_mode;
    if (*o_language) b.language = language;
    if (*o_stub) b.stub = stub;
    return scrpack::RunBuild(b);
  } catch (const std::exception& e) {
    std::cerr << "scrpack: " << e.what() << "\n";
    return scrpack::kExitInputOutput;
  }
}
