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
    size_t used = 0;
    if (scrpack::KnownCodePage(std::stoi(text, &used)) && used == text.size()) return "";
  } catch (const std::exception&) {
  }
  std::string known;
  for (int cp : scrpack::KnownCodePages())
    known += (known.empty() ? "" : ", ") + std::to_string(cp);
  return "not an ANSI code page the tool knows (" + known + ")";
}

}  // namespace

// What every command's exit code means, for scripts and build servers.
constexpr const char* kExitCodes =
    "Exit codes:\n"
    "  0  done (build: the file is written; inspect: the package installs as built;\n"
    "     language check: no error)\n"
    "  1  a wrong argument, a field over its limit, an error of the checks (with\n"
    "     --warnings-as-errors also a warning); nothing is written\n"
    "  2  an input that cannot be read or an output that cannot be written; nothing\n"
    "     is written\n"
    "  3  inspect: the file is no package the setup program installs as built\n";

// The texts a build takes, said once for --help.
constexpr const char* kTextFiles =
    "Text files may be UTF-8 (with or without BOM), UTF-16 with BOM, or already in\n"
    "the package's code page; command-line texts are UTF-8. Inputs may be pipes.\n";

int main(int argc, char** argv) {
  scrpack::PrepareConsole();
  CLI::App app{"scrpack: makes and inspects screensaver setup files", "scrpack"};
  // Every message of the tool starts with its name, parse errors too.
  app.failure_message([](const CLI::App* command, const CLI::Error& e) {
    return "scrpack: error: " + std::string(e.what()) + "\nRun `" + command->get_name() +
           " --help` for the options.\n";
  });
  app.require_subcommand(0, 1);
  app.footer(std::string("Commands:\n"
                         "  scrpack build -o SETUP.exe --scr SAVER.scr --title TEXT [OPTIONS]\n"
                         "  scrpack build PROJECT.toml [OPTIONS]\n"
                         "  scrpack init [PROJECT.toml]\n"
                         "  scrpack inspect SETUP.exe [--json] [--text readme|license|language]\n"
                         "  scrpack language template | check FILE|CODE [--json] | list\n"
                         "`scrpack COMMAND --help` says more.\n\n") +
             kExitCodes);
  bool version = false;
  app.add_flag("--version", version, "print the tool's version and the size of its setup program");

  // The build's options as given on the command line; they override the
  // project file's.
  std::string output, scr, title, file_name, link, readme, license, language, license_mode, stub,
      dest_folder, dest_subfolder, project, icon, file_version, publisher, description;
  // Text, so that a wrong one is reported with every other fault.
  std::string code_page;
  bool uninstall_entry = true, start_menu_group = true, desktop_shortcut = false,
       skip_folder_page = false;
  scrpack::ReportOptions build_report;
  CLI::App* build = app.add_subcommand("build", "write a setup file");
  build->footer(std::string(kTextFiles) +
                "A project file (scrpack init writes one) holds the same settings, each under\n"
                "its option's long name (scr = \"Saver.scr\"); its paths are relative to it,\n"
                "and options given here override it.\n\n" +
                kExitCodes);
  auto* o_project =
      build->add_option("PROJECT", project, "a project file (TOML) with the build's settings");
  o_project->type_name("FILE");
  auto* o_output = build->add_option("-o,--output", output, "the setup file to write");
  o_output->type_name("FILE");
  auto* o_scr =
      build->add_option("--scr", scr, "the screensaver (a Windows program, normally NAME.scr)");
  o_scr->type_name("FILE");
  auto* o_title = build->add_option(
      "--title", title,
      "the screensaver's name as the user sees it: window caption, Start-menu group, shortcuts, "
      "uninstall entry, readme file name (at most 31 characters of the package's code page)");
  o_title->type_name("TEXT");
  auto* o_file_name = build->add_option(
      "--file-name", file_name,
      "the installed file's name (default: the name of --scr); Windows 2000 and later install "
      "a name longer than 8 letters before its dot shortened, build says how");
  o_file_name->type_name("NAME");
  auto* o_link = build->add_option(
      "--link", link,
      "web address shown at the bottom of the wizard and opened when clicked (http://, "
      "https://, mailto: ...; at most 101 characters)");
  o_link->type_name("URL");
  auto* o_readme = build->add_option(
      "--readme", readme,
      "text shown after the installation and saved beside the screensaver as \"TITLE Readme.txt\"");
  o_readme->type_name("FILE");
  auto* o_license = build->add_option("--license", license,
                                      "licence text the user must accept before installing");
  o_license->type_name("FILE");
  auto* o_license_mode = build->add_option(
      "--license-mode", license_mode,
      "accept: the wizard starts with the licence, and the user must choose \"I accept\" to go "
      "on (the default with --license); none: no licence page; or the record's number 0..255 "
      "(1, 2 and 3 are accept, every other number is none)");
  o_license_mode->type_name("accept|none|N");
  auto* o_language = build->add_option(
      "--language", language,
      "the language of the wizard: a shipped translation by name or code (scrpack language "
      "list), or a language file (scrpack language template)");
  o_language->type_name("CODE|FILE");
  auto* o_code_page = build->add_option(
      "--code-page", code_page,
      "the ANSI code page the package's texts are written in; they show correctly only on "
      "Windows set to that code page (default: the shipped language's, else 1252)");
  o_code_page->type_name("N");
  auto* o_dest_folder = build->add_option(
      "--dest-folder", dest_folder,
      "the folder the wizard proposes; may start with <Program Files> or <Windows> "
      "(default \"<Program Files>\\\"; at most 250 characters)");
  o_dest_folder->type_name("TEXT");
  auto* o_dest_subfolder = build->add_option(
      "--dest-subfolder", dest_subfolder,
      "sub-folder of --dest-folder for the screensaver, its readme and uninstaller (default: the "
      "title; \"\" installs straight into --dest-folder)");
  o_dest_subfolder->type_name("TEXT");
  auto* o_uninstall_entry = build->add_flag(
      "--uninstall-entry,!--no-uninstall-entry", uninstall_entry,
      "list the screensaver under the installed programs (the default; without it the user can "
      "remove it only through the Start-menu group, if any)");
  auto* o_start_menu_group =
      build->add_flag("--start-menu-group,!--no-start-menu-group", start_menu_group,
                      "make a Start-menu group with the Preview, Readme and Uninstall shortcuts "
                      "(the default)");
  auto* o_desktop_shortcut =
      build->add_flag("--desktop-shortcut,!--no-desktop-shortcut", desktop_shortcut,
                      "also put a Preview shortcut on the desktop");
  auto* o_skip_folder_page = build->add_flag(
      "--skip-folder-page,!--no-skip-folder-page", skip_folder_page,
      "do not let the user choose the folder: the wizard goes from the licence (or its start) "
      "straight to the ready page");
  auto* o_stub =
      build->add_option("--stub", stub, "setup program image (default: the built-in one)");
  o_stub->type_name("FILE");
  auto* o_icon = build->add_option(
      "--icon", icon,
      "the setup file's icon (.ico, every image of it), shown by Explorer, on the taskbar and "
      "in the wizard's title bar, and kept by the uninstaller; give 16x16 and 32x32 bitmap "
      "images for Windows 95 to XP");
  o_icon->type_name("FILE");
  auto* o_version = build->add_option(
      "--version", file_version,
      "the setup file's version in its Properties (FileVersion, ProductVersion); with it, "
      "ProductName is the title and OriginalFilename the output's name");
  o_version->type_name("A.B.C.D");
  auto* o_publisher =
      build->add_option("--publisher", publisher, "CompanyName of the version resource");
  o_publisher->type_name("TEXT");
  auto* o_description = build->add_option(
      "--description", description,
      "FileDescription of the version resource (default: the title and \"Setup\")");
  o_description->type_name("TEXT");
  auto* o_warnings_as_errors = build->add_flag(
      "--warnings-as-errors,!--no-warnings-as-errors", build_report.warnings_as_errors,
      "a warning ends the build with an error; nothing is written");
  auto* o_quiet = build->add_flag("-q,--quiet,!--no-quiet", build_report.quiet,
                                  "print errors only (no warnings, no summary line)");
  build->add_flag("--json", build_report.json,
                  "print one JSON object: the summary, every error and warning, the exit code");

  std::string init_path = "saver.toml";
  CLI::App* init = app.add_subcommand("init", "write a commented project file to start from");
  init->add_option("FILE", init_path, "the project file to write (default saver.toml)")
      ->type_name("FILE");

  std::string inspect_path, inspect_text;
  bool as_json = false;
  int inspect_code_page = 1252;
  CLI::App* inspect = app.add_subcommand("inspect", "show what a setup file holds");
  inspect->footer(kExitCodes);
  inspect->add_option("FILE", inspect_path, "setup file or uninstaller copy")
      ->required()
      ->type_name("FILE");
  inspect->add_flag("--json", as_json, "print one JSON object");
  auto* o_inspect_code_page = inspect->add_option(
      "--code-page", inspect_code_page,
      "the code page of the package's texts (default: its shipped language's, else 1252)");
  o_inspect_code_page->check(CheckCodePage)->type_name("N");
  inspect
      ->add_option("--text", inspect_text,
                   "print one text block of the package, decoded, instead of the overview")
      ->check(CLI::IsMember({"readme", "license", "language"}))
      ->type_name("readme|license|language");

  CLI::App* lang = app.add_subcommand("language", "write and check translations of the wizard");
  lang->require_subcommand(1);
  lang->add_subcommand("template",
                       "print a language file with every text of the program, in English");
  std::string check_file;
  int check_code_page = 1252;
  scrpack::ReportOptions check_report;
  CLI::App* check = lang->add_subcommand(
      "check", "report what the setup program would misread in a language file");
  check->footer(std::string(kTextFiles) + "\n" + kExitCodes);
  check->add_option("FILE", check_file, "language file, or a shipped language's name")
      ->required()
      ->type_name("FILE|CODE");
  auto* o_check_code_page = check->add_option(
      "--code-page", check_code_page,
      "the code page the package will use (default: the shipped language's, else 1252)");
  o_check_code_page->check(CheckCodePage)->type_name("N");
  check->add_flag("--warnings-as-errors", check_report.warnings_as_errors,
                  "a warning counts as an error (exit code 1)");
  check->add_flag("-q,--quiet", check_report.quiet, "print errors only");
  check->add_flag("--json", check_report.json,
                  "print one JSON object: every error and warning, the exit code");
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
    if (*init) return scrpack::RunInit(init_path);
    if (*inspect)
      return scrpack::RunInspect(
          inspect_path, as_json,
          *o_inspect_code_page ? std::optional<int>(inspect_code_page) : std::nullopt,
          inspect_text);
    if (*lang) {
      if (*check)
        return scrpack::RunLanguageCheck(
            check_file, *o_check_code_page ? std::optional<int>(check_code_page) : std::nullopt,
            check_report);
      if (*list) return scrpack::RunLanguageList();
      return scrpack::RunLanguageTemplate();
    }
    if (!*build) {
      std::cerr << app.help();
      return scrpack::kExitBadArguments;
    }
    scrpack::BuildOptions b;
    scrpack::Findings findings;
    if (*o_project) {
      b.project = project;
      scrpack::LoadProjectFile(project, &b, &findings);
    }
    const auto given = [](std::optional<std::string>& field, CLI::Option* option,
                          const std::string& value) {
      if (*option) field = value;
    };
    given(b.output, o_output, output);
    given(b.scr, o_scr, scr);
    given(b.title, o_title, title);
    given(b.file_name, o_file_name, file_name);
    given(b.readme, o_readme, readme);
    given(b.license, o_license, license);
    given(b.license_mode, o_license_mode, license_mode);
    given(b.language, o_language, language);
    given(b.dest_subfolder, o_dest_subfolder, dest_subfolder);
    given(b.stub, o_stub, stub);
    given(b.icon, o_icon, icon);
    given(b.version, o_version, file_version);
    given(b.publisher, o_publisher, publisher);
    given(b.description, o_description, description);
    if (*o_link) b.link = link;
    if (*o_dest_folder) b.dest_folder = dest_folder;
    if (*o_code_page) {
      const std::string problem = CheckCodePage(code_page);
      if (problem.empty())
        b.code_page = std::stoi(code_page);
      else
        findings.Error("--code-page: \"" + code_page + "\" is " + problem);
    }
    if (*o_uninstall_entry) b.uninstall_entry = uninstall_entry;
    if (*o_start_menu_group) b.start_menu_group = start_menu_group;
    if (*o_desktop_shortcut) b.desktop_shortcut = desktop_shortcut;
    if (*o_skip_folder_page) b.skip_folder_page = skip_folder_page;
    if (*o_warnings_as_errors) b.report.warnings_as_errors = build_report.warnings_as_errors;
    if (*o_quiet) b.report.quiet = build_report.quiet;
    b.report.json = build_report.json;
    return scrpack::RunBuild(b, std::move(findings));
  } catch (const std::exception& e) {
    std::cerr << "scrpack: " << e.what() << "\n";
    return scrpack::kExitInputOutput;
  }
}
