// The project file: a build's settings kept in version control, one TOML
// key per long option of `scrpack build`. Paths in it are relative to the
// file, so a project builds the same from any working folder; options given
// on the command line are applied over it by main.
#define TOML_HEADER_ONLY 1
#include <toml++/toml.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>
#include <vector>

#include "tools/scrpack/commands.h"
#include "tools/scrpack/language_check.h"
#include "tools/scrpack/languages.h"
#include "tools/scrpack/unicode.h"

namespace scrpack {
namespace {

namespace fs = std::filesystem;

enum class KeyKind { kText, kPath, kLanguage, kFlag, kCodePage, kLicenseMode };

struct Key {
  const char* name;
  KeyKind kind;
};

constexpr Key kKeys[] = {
    {"output", KeyKind::kPath},
    {"scr", KeyKind::kPath},
    {"title", KeyKind::kText},
    {"file-name", KeyKind::kText},
    {"link", KeyKind::kText},
    {"readme", KeyKind::kPath},
    {"license", KeyKind::kPath},
    {"license-mode", KeyKind::kLicenseMode},
    {"language", KeyKind::kLanguage},
    {"code-page", KeyKind::kCodePage},
    {"dest-folder", KeyKind::kText},
    {"dest-subfolder", KeyKind::kText},
    {"uninstall-entry", KeyKind::kFlag},
    {"start-menu-group", KeyKind::kFlag},
    {"desktop-shortcut", KeyKind::kFlag},
    {"skip-folder-page", KeyKind::kFlag},
    {"stub", KeyKind::kPath},
    {"icon", KeyKind::kPath},
    {"version", KeyKind::kText},
    {"publisher", KeyKind::kText},
    {"description", KeyKind::kText},
    {"warnings-as-errors", KeyKind::kFlag},
    {"quiet", KeyKind::kFlag},
};

const Key* FindKey(std::string_view name) {
  for (const Key& key : kKeys)
    if (name == key.name) return &key;
  return nullptr;
}

std::string NearestKeyName(std::string_view name) {
  std::string best;
  size_t best_distance = std::string::npos;
  for (const Key& key : kKeys) {
    const size_t d = EditDistance(name, key.name);
    if (d < best_distance) best_distance = d, best = key.name;
  }
  return best_distance <= std::max<size_t>(2, best.size() / 3) ? best : "";
}

std::optional<std::string>* TextField(BuildOptions* o, std::string_view name) {
  if (name == "output") return &o->output;
  if (name == "scr") return &o->scr;
  if (name == "title") return &o->title;
  if (name == "file-name") return &o->file_name;
  if (name == "readme") return &o->readme;
  if (name == "license") return &o->license;
  if (name == "license-mode") return &o->license_mode;
  if (name == "language") return &o->language;
  if (name == "dest-subfolder") return &o->dest_subfolder;
  if (name == "stub") return &o->stub;
  if (name == "icon") return &o->icon;
  if (name == "version") return &o->version;
  if (name == "publisher") return &o->publisher;
  if (name == "description") return &o->description;
  return nullptr;
}

bool* FlagField(BuildOptions* o, std::string_view name) {
  if (name == "uninstall-entry") return &o->uninstall_entry;
  if (name == "start-menu-group") return &o->start_menu_group;
  if (name == "desktop-shortcut") return &o->desktop_shortcut;
  if (name == "skip-folder-page") return &o->skip_folder_page;
  if (name == "warnings-as-errors") return &o->report.warnings_as_errors;
  if (name == "quiet") return &o->report.quiet;
  return nullptr;
}

std::string Beside(const fs::path& folder, const std::string& path) {
  if (path.empty() || fs::path(path).is_absolute()) return path;
  return (folder / fs::path(path)).lexically_normal().string();
}

// The file parsed; false, with the finding, when it cannot be read or is
// no TOML.
bool ParseProjectFile(const std::string& path, toml::table* table, Findings* f) {
  std::string bytes, error;
  bool too_large = false;
  if (!ReadInputFile("project file", path, 1 << 20, &bytes, &error, &too_large)) {
    if (too_large)
      f->Error(error);
    else
      f->InputOutputError(error);
    return false;
  }
  try {
    *table = toml::parse(bytes, path);
  } catch (const toml::parse_error& e) {
    f->Error(path + ":" + std::to_string(e.source().begin.line) + ": " +
             std::string(e.description()));
    return false;
  }
  return true;
}

using Entry = std::pair<const toml::key*, const toml::node*>;

// In the file's order, so that messages come line by line.
std::vector<Entry> EntriesInFileOrder(const toml::table& table) {
  std::vector<Entry> entries;
  for (const auto& [toml_key, node] : table) entries.emplace_back(&toml_key, &node);
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return a.first->source().begin.line < b.first->source().begin.line;
  });
  return entries;
}

// The settings that are no text: true when `node` was one of them (taken
// or reported), false when it is to be read as a text.
bool TakeNonText(const Key& key, const std::string& name, const toml::node& node,
                 const std::string& at, BuildOptions* o, Findings* f) {
  switch (key.kind) {
    case KeyKind::kFlag:
      // Strictly true or false: toml++ would take 1 for true.
      if (const auto* value = node.as_boolean())
        *FlagField(o, name) = value->get();
      else
        f->Error(at + name + " is true or false");
      return true;
    case KeyKind::kCodePage:
      if (const auto* value = node.as_integer(); value && KnownCodePage(int(value->get())))
        o->code_page = static_cast<int>(value->get());
      else
        f->Error(at + name + " is the number of an ANSI code page the tool knows, such as 1252");
      return true;
    case KeyKind::kLicenseMode:
      if (const auto* number = node.as_integer()) {
        o->license_mode = std::to_string(number->get());
        return true;
      }
      return false;
    default:
      return false;
  }
}

void TakeText(const Key& key, const std::string& name, const std::string& text,
              const fs::path& folder, BuildOptions* o) {
  if (name == "link")
    o->link = text;
  else if (name == "dest-folder")
    o->dest_folder = text;
  else if (key.kind == KeyKind::kPath)
    *TextField(o, name) = Beside(folder, text);
  else if (key.kind == KeyKind::kLanguage) {
    // A file beside the project, else a shipped language's name.
    const std::string beside = Beside(folder, text);
    std::error_code ec;
    o->language = fs::exists(beside, ec) || !FindShippedLanguage(text) ? beside : text;
  } else {
    *TextField(o, name) = text;
  }
}

void TakeEntry(const Entry& entry, const fs::path& folder, const std::string& path, BuildOptions* o,
               Findings* f) {
  const auto& [toml_key, node_pointer] = entry;
  const toml::node& node = *node_pointer;
  const std::string name(toml_key->str());
  const std::string at = path + ":" + std::to_string(toml_key->source().begin.line) + ": ";
  const Key* key = FindKey(name);
  if (!key) {
    const std::string near = NearestKeyName(name);
    f->Error(at + "\"" + name + "\" is no setting of a build" +
             (near.empty() ? std::string(" (scrpack build --help lists the options)")
                           : " (did you mean \"" + near + "\"?)"));
    return;
  }
  if (TakeNonText(*key, name, node, at, o, f)) return;
  const auto* text_node = node.as_string();
  if (!text_node) {
    f->Error(at + name + " is a text, in quotes");
    return;
  }
  TakeText(*key, name, text_node->get(), folder, o);
}

}  // namespace

void LoadProjectFile(const std::string& path, BuildOptions* o, Findings* f) {
  toml::table table;
  if (!ParseProjectFile(path, &table, f)) return;
  const fs::path folder = fs::path(path).parent_path();
  for (const Entry& entry : EntriesInFileOrder(table)) TakeEntry(entry, folder, path, o, f);
}

std::string ProjectFileTemplate() {
  return R"(# A scrpack project file: `scrpack build THIS-FILE` writes the setup file.
# Every key is a long option of `scrpack build` (its --help says what each
# one does for the user who installs). Paths are relative to this file.
# Options given on the command line override the keys here.
# Text files may be UTF-8, UTF-16 with BOM, or already in the code page.

output = "MySaverSetup.exe"
scr = "MySaver.scr"
title = "My Saver"              # at most 31 characters of the code page

# file-name = "MySaver.scr"     # the installed name; default: the name of scr
# link = "https://example.com/"
# readme = "readme.txt"
# license = "license.txt"
# license-mode = "accept"       # accept, none, or the record's number 0..255
# language = "de"               # a shipped language (scrpack language list) or a file
# code-page = 1252              # default: the language's, else 1252
# dest-folder = '<Program Files>\'
# dest-subfolder = "My Saver"   # default: the title
# uninstall-entry = true
# start-menu-group = true
# desktop-shortcut = false
# skip-folder-page = false
# icon = "saver.ico"            # the setup file's icon; give 16x16 and 32x32 bitmaps
# version = "1.0.0.0"           # the setup file's version resource, with:
# publisher = "My Company"
# description = "My Saver Setup"
# warnings-as-errors = false    # a warning stops the build
)";
}

int RunInit(const std::string& path) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(path, ec))) {
    std::cerr << "scrpack: error: init: \"" << path << "\" exists; it is left as it is\n";
    return kExitInputOutput;
  }
  std::ofstream out(path, std::ios::binary);
  out << ProjectFileTemplate();
  out.close();
  if (!out) {
    std::cerr << "scrpack: error: init: cannot write \"" << path << "\"\n";
    return kExitInputOutput;
  }
  std::cout << "scrpack: wrote " << path << "; edit it, then run: scrpack build " << path << "\n";
  return kExitOk;
}

}  // namespace scrpack
