// scrpack: the author's tool. "build" appends a package to the setup
// program; "inspect" shows what a setup file or uninstaller copy holds;
// "language" helps with translations.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/scrpack/commands.h"
#include "tools/scrpack/unicode.h"

namespace {

// "1252", or an error CLI11 shows.
std::string CheckCodePage(const std::string& text) {
  try {
    if (scrpack::KnownCodePage(std::stoi(text))) return "";
  } catch (const std::exception&) {
  }
  std::string known;
  for (int cp : scrpack::KnownCodePages())
    known += (known.empty() ? "" : ", ") + std::to_string(cp);
  return "not an ANSI code page the tool knows (" + known + ")";
}

}  // namespace

int main(int argc, char** argv) {
  scrpack::PrepareConsole();
  CLI::App app{"scrpack: makes and inspects screensaver setup files"};
  app.require_subcommand(0, 1);
  bool version = false;
  app.add_flag("--version", version, "print the tool's version and the size of its setup program");

  scrpack::BuildOptions b;
  std::string file_name, readme, license, language, license_mode, stub, dest_subfolder;
  int code_page = 1252;
  bool no_uninstall_entry = false, no_start_menu_group = false, uninstall_entry = false,
       start_menu_group = false;
  CLI::App* build = app.add_subcommand("build", "write a setup file");
  build->add_option("-o", b.output, "the setup file to write")->required();
  build->add_option("--scr", b.scr, "the screensaver (a Windows program, normally NAME.scr)")
      ->required();
  build
      ->add_option("--title", b.title,
                   "the screensaver's name as the user sees it: window caption, Start-menu "
                   "group, shortcuts, uninstall entry, readme file name (at most 31 bytes)")
      ->required();
  auto* o_file_name = build->add_option(
      "--file-name", file_name,
      "the installed file's name (default: the name of --scr); Windows 2000 and later install "
      "a name longer than 8 letters before its dot shortened, build says how");
  build->add_option("--link", b.link,
                    "web address shown at the bottom of the wizard and opened when clicked "
                    "(http://, https://, mailto: ...; at most 101 bytes)");
  auto* o_readme = build->add_option(
      "--readme", readme,
      "text shown after the installation and saved beside the screensaver as \"TITLE Readme.txt\"");
  auto* o_license = build->add_option("--license", license,
                                      "licence text the user must accept before installing");
  auto* o_license_mode = build->add_option(
      "--license-mode", license_mode,
      "accept: the wizard starts with the licence, and the user must choose \"I accept\" to go "
      "on (the default with --license); none: no licence page; or the record's number 0..255 "
      "(1, 2 and 3 are accept, every other number is none)");
  auto* o_language = build->add_option(
      "--language", language,
      "the language of the wizard: a shipped translation by name or code (scrpack language "
      "list), or a language file (scrpack language template)");
  auto* o_code_page = build->add_option(
      "--code-page", code_page,
      "the ANSI code page the package's texts are written in; they show correctly only on "
      "Windows set to that code page (default: the shipped language's, else 1252)");
  o_code_page->check(CheckCodePage);
  build->add_option("--dest-folder", b.dest_folder,
                    "the folder the wizard proposes; may start with <Program Files> or <Windows> "
                    "(default \"<Program Files>\\\")");
  auto* o_dest_subfolder = build->add_option(
      "--dest-subfolder", dest_subfolder,
      "sub-folder of --dest-folder for the screensaver, its readme and uninstaller (default: the "
      "title; \"\" installs straight into --dest-folder)");
  build->add_flag("--no-uninstall-entry", no_uninstall_entry,
                  "do not list the screensaver under the installed programs (then the user can "
                  "remove it only through the Start-menu group, if any)");
  build->add_flag("--no-start-menu-group", no_start_menu_group,
                  "make no Start-menu group with the Preview, Readme and Uninstall shortcuts");
  build->add_flag("--desktop-shortcut", b.desktop_shortcut,
                  "also put a Preview shortcut on the desktop");
  build->add_flag("--skip-folder-page", b.skip_folder_page,
                  "do not let the user choose the folder: the wizard goes from the licence (or "
                  "its start) straight to the ready page");
  // The defaults since flags turn pieces off; kept so that older scripts run.
  build->add_flag("--uninstall-entry", uninstall_entry, "(the default)")->group("");
  build->add_flag("--start-menu-group", start_menu_group, "(the default)")->group("");
  auto* o_stub =
      build->add_option("--stub", stub, "setup program image (default: the built-in one)");

  std::string inspect_path;
  bool as_json = false;
  int inspect_code_page = 1252;
  CLI::App* inspect = app.add_subcommand("inspect", "show what a setup file holds");
  inspect->add_option("FILE", inspect_path, "setup file or uninstaller copy")->required();
  inspect->add_flag("--json", as_json, "print one JSON object");
  auto* o_inspect_code_page = inspect->add_option(
      "--code-page", inspect_code_page,
      "the code page of the package's texts (default: its shipped language's, else 1252)");
  o_inspect_code_page->check(CheckCodePage);

  CLI::App* lang = app.add_subcommand("language", "write and check translations of the wizard");
  lang->require_subcommand(1);
  lang->add_subcommand("template",
                       "print a language file with every text of the program, in English");
  std::string check_file;
  int check_code_page = 1252;
  CLI::App* check = lang->add_subcommand(
      "check", "report what the setup program would misread in a language file");
  check->add_option("FILE", check_file, "language file, or a shipped language's name")->required();
  auto* o_check_code_page = check->add_option(
      "--code-page", check_code_page,
      "the code page the package will use (default: the shipped language's, else 1252)");
  o_check_code_page->check(CheckCodePage);
  CLI::App* list = lang->add_subcommand("list", "list the shipped translations");

  const std::vector<std::string> args = scrpack::Utf8Arguments(argc, argv);
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    // Help is success; every other parse error is a bad argument.
    return app.exit(e) == 0 ? scrpack::kExitOk : scrpack::kExitBadArguments;
  }

  try {
    if (version) {
      std::cout << scrpack::VersionLine() << "\n";
      return scrpack::kExitOk;
    }
    if (*inspect)
      return scrpack::RunInspect(
          inspect_path, as_json,
          *o_inspect_code_page ? std::optional<int>(inspect_code_page) : std::nullopt);
    if (*lang) {
      if (*check)
        return scrpack::RunLanguageCheck(
            check_file, *o_check_code_page ? std::optional<int>(check_code_page) : std::nullopt);
      if (*list) return scrpack::RunLanguageList();
      return scrpack::RunLanguageTemplate();
    }
    if (!*build) {
      std::cerr << app.help();
      return scrpack::kExitBadArguments;
    }
    if ((uninstall_entry && no_uninstall_entry) || (start_menu_group && no_start_menu_group)) {
      std::cerr << "scrpack: --uninstall-entry and --start-menu-group are the defaults; they "
                   "cannot be given with their --no- form\n";
      return scrpack::kExitBadArguments;
    }
    b.uninstall_entry = !no_uninstall_entry;
    b.start_menu_group = !no_start_menu_group;
    if (*o_file_name) b.file_name = file_name;
    if (*o_readme) b.readme = readme;
    if (*o_license) b.license = license;
    if (*o_license_mode) b.license_mode = license_mode;
    if (*o_language) b.language = language;
    if (*o_code_page) b.code_page = code_page;
    if (*o_dest_subfolder) b.dest_subfolder = dest_subfolder;
    if (*o_stub) b.stub = stub;
    return scrpack::RunBuild(b);
  } catch (const std::exception& e) {
    std::cerr << "scrpack: " << e.what() << "\n";
    return scrpack::kExitInputOutput;
  }
}
