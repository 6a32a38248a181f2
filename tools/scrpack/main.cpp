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

namespace {

// The build's options as given on the command line; they override the
// project file's. CLI11 keeps references to these fields: the object stays
// where it was made.
struct BuildCommand {
  CLI::App* app = nullptr;
  std::string output, scr, title, file_name, link, readme, license, language, license_mode, stub,
      dest_folder, dest_subfolder, project, icon, file_version, publisher, description;
  // Text, so that a wrong one is reported with every other fault.
  std::string code_page;
  bool uninstall_entry = true, start_menu_group = true, desktop_shortcut = false,
       skip_folder_page = false;
  scrpack::ReportOptions report;
  CLI::Option *o_project, *o_output, *o_scr, *o_title, *o_file_name, *o_link, *o_readme, *o_license,
      *o_license_mode, *o_language, *o_code_page, *o_dest_folder, *o_dest_subfolder,
      *o_uninstall_entry, *o_start_menu_group, *o_desktop_shortcut, *o_skip_folder_page, *o_stub,
      *o_icon, *o_version, *o_publisher, *o_description, *o_warnings_as_errors, *o_quiet;
};

// The inputs and the record's texts.
void AddBuildInputs(BuildCommand& c) {
  CLI::App* build = c.app;
  c.o_project =
      build->add_option("PROJECT", c.project, "a project file (TOML) with the build's settings");
  c.o_project->type_name("FILE");
  c.o_output = build->add_option("-o,--output", c.output, "the setup file to write");
  c.o_output->type_name("FILE");
  c.o_scr =
      build->add_option("--scr", c.scr, "the screensaver (a Windows program, normally NAME.scr)");
  c.o_scr->type_name("FILE");
  c.o_title = build->add_option(
      "--title", c.title,
      "the screensaver's name as the user sees it: window caption, Start-menu group, shortcuts, "
      "uninstall entry, readme file name (at most 31 characters of the package's code page)");
  c.o_title->type_name("TEXT");
  c.o_file_name = build->add_option(
      "--file-name", c.file_name,
      "the installed file's name (default: the name of --scr); Windows 2000 and later install "
      "a name longer than 8 letters before its dot shortened, build says how");
  c.o_file_name->type_name("NAME");
  c.o_link = build->add_option(
      "--link", c.link,
      "web address shown at the bottom of the wizard and opened when clicked (http://, "
      "https://, mailto: ...; at most 101 characters)");
  c.o_link->type_name("URL");
  c.o_readme = build->add_option(
      "--readme", c.readme,
      "text shown after the installation and saved beside the screensaver as \"TITLE Readme.txt\"");
  c.o_readme->type_name("FILE");
  c.o_license = build->add_option("--license", c.license,
                                  "licence text the user must accept before installing");
  c.o_license->type_name("FILE");
  c.o_license_mode = build->add_option(
      "--license-mode", c.license_mode,
      "accept: the wizard starts with the licence, and the user must choose \"I accept\" to go "
      "on (the default with --license); none: no licence page; or the record's number 0..255 "
      "(1, 2 and 3 are accept, every other number is none)");
  c.o_license_mode->type_name("accept|none|N");
  c.o_language = build->add_option(
      "--language", c.language,
      "the language of the wizard: a shipped translation by name or code (scrpack language "
      "list), or a language file (scrpack language template)");
  c.o_language->type_name("CODE|FILE");
  c.o_code_page = build->add_option(
      "--code-page", c.code_page,
      "the ANSI code page the package's texts are written in; they show correctly only on "
      "Windows set to that code page (default: the shipped language's, else 1252)");
  c.o_code_page->type_name("N");
}

// Where it installs, what it registers, and the setup file's own parts.
void AddBuildSettings(BuildCommand& c) {
  CLI::App* build = c.app;
  c.o_dest_folder = build->add_option(
      "--dest-folder", c.dest_folder,
      "the folder the wizard proposes; may start with <Program Files> or <Windows> "
      "(default \"<Program Files>\\\"; at most 250 characters)");
  c.o_dest_folder->type_name("TEXT");
  c.o_dest_subfolder = build->add_option(
      "--dest-subfolder", c.dest_subfolder,
      "sub-folder of --dest-folder for the screensaver, its readme and uninstaller (default: the "
      "title; \"\" installs straight into --dest-folder)");
  c.o_dest_subfolder->type_name("TEXT");
  c.o_uninstall_entry = build->add_flag(
      "--uninstall-entry,!--no-uninstall-entry", c.uninstall_entry,
      "list the screensaver under the installed programs (the default; without it the user can "
      "remove it only through the Start-menu group, if any)");
  c.o_start_menu_group =
      build->add_flag("--start-menu-group,!--no-start-menu-group", c.start_menu_group,
                      "make a Start-menu group with the Preview, Readme and Uninstall shortcuts "
                      "(the default)");
  c.o_desktop_shortcut =
      build->add_flag("--desktop-shortcut,!--no-desktop-shortcut", c.desktop_shortcut,
                      "also put a Preview shortcut on the desktop");
  c.o_skip_folder_page = build->add_flag(
      "--skip-folder-page,!--no-skip-folder-page", c.skip_folder_page,
      "do not let the user choose the folder: the wizard goes from the licence (or its start) "
      "straight to the ready page");
  c.o_stub = build->add_option("--stub", c.stub, "setup program image (default: the built-in one)");
  c.o_stub->type_name("FILE");
  c.o_icon = build->add_option(
      "--icon", c.icon,
      "the setup file's icon (.ico, every image of it), shown by Explorer, on the taskbar and "
      "in the wizard's title bar, and kept by the uninstaller; give 16x16 and 32x32 bitmap "
      "images for Windows 95 to XP");
  c.o_icon->type_name("FILE");
  c.o_version = build->add_option(
      "--version", c.file_version,
      "the setup file's version in its Properties (FileVersion, ProductVersion); with it, "
      "ProductName is the title and OriginalFilename the output's name");
  c.o_version->type_name("A.B.C.D");
  c.o_publisher =
      build->add_option("--publisher", c.publisher, "CompanyName of the version resource");
  c.o_publisher->type_name("TEXT");
  c.o_description = build->add_option(
      "--description", c.description,
      "FileDescription of the version resource (default: the title and \"Setup\")");
  c.o_description->type_name("TEXT");
  c.o_warnings_as_errors =
      build->add_flag("--warnings-as-errors,!--no-warnings-as-errors", c.report.warnings_as_errors,
                      "a warning ends the build with an error; nothing is written");
  c.o_quiet = build->add_flag("-q,--quiet,!--no-quiet", c.report.quiet,
                              "print errors only (no warnings, no summary line)");
  build->add_flag("--json", c.report.json,
                  "print one JSON object: the summary, every error and warning, the exit code");
}

void AddBuildCommand(CLI::App& app, BuildCommand& c) {
  c.app = app.add_subcommand("build", "write a setup file");
  c.app->footer(std::string(kTextFiles) +
                "A project file (scrpack init writes one) holds the same settings, each under\n"
                "its option's long name (scr = \"Saver.scr\"); its paths are relative to it,\n"
                "and options given here override it.\n\n" +
                kExitCodes);
  AddBuildInputs(c);
  AddBuildSettings(c);
}

// The project file's settings, overridden by the options given.
scrpack::BuildOptions TakeBuildOptions(const BuildCommand& c, scrpack::Findings* findings) {
  scrpack::BuildOptions b;
  if (*c.o_project) {
    b.project = c.project;
    scrpack::LoadProjectFile(c.project, &b, findings);
  }
  const auto given = [](std::optional<std::string>& field, CLI::Option* option,
                        const std::string& value) {
    if (*option) field = value;
  };
  given(b.output, c.o_output, c.output);
  given(b.scr, c.o_scr, c.scr);
  given(b.title, c.o_title, c.title);
  given(b.file_name, c.o_file_name, c.file_name);
  given(b.readme, c.o_readme, c.readme);
  given(b.license, c.o_license, c.license);
  given(b.license_mode, c.o_license_mode, c.license_mode);
  given(b.language, c.o_language, c.language);
  given(b.dest_subfolder, c.o_dest_subfolder, c.dest_subfolder);
  given(b.stub, c.o_stub, c.stub);
  given(b.icon, c.o_icon, c.icon);
  given(b.version, c.o_version, c.file_version);
  given(b.publisher, c.o_publisher, c.publisher);
  given(b.description, c.o_description, c.description);
  if (*c.o_link) b.link = c.link;
  if (*c.o_dest_folder) b.dest_folder = c.dest_folder;
  if (*c.o_code_page) {
    const std::string problem = CheckCodePage(c.code_page);
    if (problem.empty())
      b.code_page = std::stoi(c.code_page);
    else
      findings->Error("--code-page: \"" + c.code_page + "\" is " + problem);
  }
  if (*c.o_uninstall_entry) b.uninstall_entry = c.uninstall_entry;
  if (*c.o_start_menu_group) b.start_menu_group = c.start_menu_group;
  if (*c.o_desktop_shortcut) b.desktop_shortcut = c.desktop_shortcut;
  if (*c.o_skip_folder_page) b.skip_folder_page = c.skip_folder_page;
  if (*c.o_warnings_as_errors) b.report.warnings_as_errors = c.report.warnings_as_errors;
  if (*c.o_quiet) b.report.quiet = c.report.quiet;
  b.report.json = c.report.json;
  return b;
}

struct InspectCommand {
  CLI::App* app = nullptr;
  std::string path, text;
  bool as_json = false;
  int code_page = 1252;
  CLI::Option* o_code_page = nullptr;
};

void AddInspectCommand(CLI::App& app, InspectCommand& c) {
  c.app = app.add_subcommand("inspect", "show what a setup file holds");
  c.app->footer(kExitCodes);
  c.app->add_option("FILE", c.path, "setup file or uninstaller copy")
      ->required()
      ->type_name("FILE");
  c.app->add_flag("--json", c.as_json, "print one JSON object");
  c.o_code_page = c.app->add_option(
      "--code-page", c.code_page,
      "the code page of the package's texts (default: its shipped language's, else 1252)");
  c.o_code_page->check(CheckCodePage)->type_name("N");
  c.app
      ->add_option("--text", c.text,
                   "print one text block of the package, decoded, instead of the overview")
      ->check(CLI::IsMember({"readme", "license", "language"}))
      ->type_name("readme|license|language");
}

struct LanguageCommand {
  CLI::App *app = nullptr, *check = nullptr, *list = nullptr;
  std::string check_file;
  int check_code_page = 1252;
  scrpack::ReportOptions check_report;
  CLI::Option* o_check_code_page = nullptr;
};

void AddLanguageCommand(CLI::App& app, LanguageCommand& c) {
  c.app = app.add_subcommand("language", "write and check translations of the wizard");
  c.app->require_subcommand(1);
  c.app->add_subcommand("template",
                        "print a language file with every text of the program, in English");
  c.check = c.app->add_subcommand("check",
                                  "report what the setup program would misread in a language file");
  c.check->footer(std::string(kTextFiles) + "\n" + kExitCodes);
  c.check->add_option("FILE", c.check_file, "language file, or a shipped language's name")
      ->required()
      ->type_name("FILE|CODE");
  c.o_check_code_page = c.check->add_option(
      "--code-page", c.check_code_page,
      "the code page the package will use (default: the shipped language's, else 1252)");
  c.o_check_code_page->check(CheckCodePage)->type_name("N");
  c.check->add_flag("--warnings-as-errors", c.check_report.warnings_as_errors,
                    "a warning counts as an error (exit code 1)");
  c.check->add_flag("-q,--quiet", c.check_report.quiet, "print errors only");
  c.check->add_flag("--json", c.check_report.json,
                    "print one JSON object: every error and warning, the exit code");
  c.list = c.app->add_subcommand("list", "list the shipped translations");
}

// The tool's own messages and its help text's footer.
void DescribeTool(CLI::App& app) {
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
}

}  // namespace

int main(int argc, char** argv) {
  scrpack::PrepareConsole();
  CLI::App app{"scrpack: makes and inspects screensaver setup files", "scrpack"};
  DescribeTool(app);
  bool version = false;
  app.add_flag("--version", version, "print the tool's version and the size of its setup program");

  BuildCommand build;
  AddBuildCommand(app, build);
  std::string init_path = "saver.toml";
  CLI::App* init = app.add_subcommand("init", "write a commented project file to start from");
  init->add_option("FILE", init_path, "the project file to write (default saver.toml)")
      ->type_name("FILE");

  InspectCommand inspect;
  AddInspectCommand(app, inspect);
  LanguageCommand lang;
  AddLanguageCommand(app, lang);

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
    if (*inspect.app)
      return scrpack::RunInspect(
          inspect.path, inspect.as_json,
          *inspect.o_code_page ? std::optional<int>(inspect.code_page) : std::nullopt,
          inspect.text);
    if (*lang.app) {
      if (*lang.check)
        return scrpack::RunLanguageCheck(
            lang.check_file,
            *lang.o_check_code_page ? std::optional<int>(lang.check_code_page) : std::nullopt,
            lang.check_report);
      if (*lang.list) return scrpack::RunLanguageList();
      return scrpack::RunLanguageTemplate();
    }
    if (!*build.app) {
      std::cerr << app.help();
      return scrpack::kExitBadArguments;
    }
    scrpack::Findings findings;
    scrpack::BuildOptions b = TakeBuildOptions(build, &findings);
    return scrpack::RunBuild(b, std::move(findings));
  } catch (const std::exception& e) {
    std::cerr << "scrpack: " << e.what() << "\n";
    return scrpack::kExitInputOutput;
  }
}
