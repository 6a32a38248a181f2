#include "tools/scrpack/pe_resources.h"

#include <algorithm>
#include <map>
#include <utility>

#include "tools/scrpack/unicode.h"

namespace scrpack {
namespace {

constexpr uint16_t kIconType = 3, kGroupIconType = 14, kVersionType = 16;
// English (United States), the language resource compilers give by default.
constexpr uint16_t kResourceLanguage = 0x0409;

uint16_t Get16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t Get32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(Get16(b, at)) | static_cast<uint32_t>(Get16(b, at + 2)) << 16;
}
void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v & 0xFFFF));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}
void Add16(std::string& b, uint16_t v) {
  b.append(2, '\0');
  Put16(b, b.size() - 2, v);
}
void Add32(std::string& b, uint32_t v) {
  b.append(4, '\0');
  Put32(b, b.size() - 4, v);
}
void PadTo(std::string& b, size_t alignment) {
  b.append((alignment - b.size() % alignment) % alignment, '\0');
}
uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

std::u16string Utf16(std::string_view utf8) {
  std::u16string out;
  for (char32_t c : Utf8ToCodePoints(utf8)) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

void AddUtf16(std::string& b, const std::u16string& text) {
  for (char16_t c : text) Add16(b, static_cast<uint16_t>(c));
}

// A resource type or name: a number, or a string (which sorts first).
struct ResourceName {
  bool is_text = false;
  uint16_t id = 0;
  std::u16string text;
  bool operator<(const ResourceName& o) const {
    if (is_text != o.is_text) return is_text;
    if (!is_text) return id < o.id;
    // The loader searches names without regard to ASCII letter case.
    const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; };
    return std::lexicographical_compare(
        text.begin(), text.end(), o.text.begin(), o.text.end(),
        [&](char16_t a, char16_t b) { return upper(a) < upper(b); });
  }
};

struct Resource {
  ResourceName type, name;
  uint16_t language = 0;
  uint32_t code_page = 0;
  std::string data;
};

struct Section {
  size_t header;  // file offset of its header
  uint32_t virtual_size, virtual_address, raw_size, raw_pointer;
};

struct PeLayout {
  size_t pe = 0, optional = 0, section_table = 0;
  size_t directories = 0;  // the optional header's data directories
  uint16_t sections = 0;
  std::vector<Section> section_list;
};

bool ReadLayout(std::string_view image, PeLayout* l, std::string* error) {
  if (image.size() < 0x40 || image.substr(0, 2) != "MZ") {
    *error = "is not a Windows program";
    return false;
  }
  l->pe = Get32(image, 0x3C);
  if (l->pe > image.size() - 24 || image.substr(l->pe, 4) != std::string_view("PE\0\0", 4)) {
    *error = "is not a Windows program (no PE header)";
    return false;
  }
  l->sections = Get16(image, l->pe + 6);
  const uint16_t optional_size = Get16(image, l->pe + 20);
  l->optional = l->pe + 24;
  // PE32, or PE32+ (the x86-64 test build): the same fields but for where
  // the data directories start.
  const uint16_t magic = l->optional + 2 <= image.size() ? Get16(image, l->optional) : 0;
  l->directories = l->optional + (magic == 0x20B ? 112 : 96);
  if ((magic != 0x10B && magic != 0x20B) || l->directories + 8 * 16 > l->optional + optional_size ||
      l->optional + optional_size > image.size()) {
    *error = "is not a Windows program whose header the tool knows (PE32 or PE32+)";
    return false;
  }
  l->section_table = l->optional + optional_size;
  if (l->section_table + 40 * size_t{l->sections} > image.size()) {
    *error = "has a section table beyond its end";
    return false;
  }
  for (uint16_t i = 0; i < l->sections; ++i) {
    const size_t h = l->section_table + 40 * size_t{i};
    l->section_list.push_back(
        {h, Get32(image, h + 8), Get32(image, h + 12), Get32(image, h + 16), Get32(image, h + 20)});
  }
  return true;
}

// The file offset of an address of the loaded image, or npos.
size_t FileOffset(const PeLayout& l, std::string_view image, uint32_t rva, uint32_t size) {
  for (const Section& s : l.section_list) {
    if (rva < s.virtual_address || rva - s.virtual_address >= s.raw_size) continue;
    const uint64_t at = uint64_t{s.raw_pointer} + (rva - s.virtual_address);
    if (rva - s.virtual_address + uint64_t{size} > s.raw_size || at + size > image.size())
      return std::string_view::npos;
    return static_cast<size_t>(at);
  }
  return std::string_view::npos;
}

using DirectoryEntries = std::vector<std::pair<uint32_t, uint32_t>>;

// An entry's name: a number, or the offset of a counted UTF-16 string.
bool ReadEntryName(std::string_view tree, uint32_t entry_name, ResourceName* name) {
  if (!(entry_name & 0x80000000u)) {
    name->id = static_cast<uint16_t>(entry_name);
    return true;
  }
  const size_t at = entry_name & 0x7FFFFFFFu;
  if (at + 2 > tree.size()) return false;
  const size_t length = Get16(tree, at);
  if (at + 2 + 2 * length > tree.size()) return false;
  name->is_text = true;
  for (size_t i = 0; i < length; ++i)
    name->text += static_cast<char16_t>(Get16(tree, at + 2 + 2 * i));
  return true;
}

// Entries of the directory at `at`: (name, offset) pairs.
bool ReadDirectory(std::string_view tree, size_t at, DirectoryEntries* list) {
  if (at + 16 > tree.size()) return false;
  const size_t count = size_t{Get16(tree, at + 12)} + Get16(tree, at + 14);
  if (at + 16 + 8 * count > tree.size()) return false;
  for (size_t i = 0; i < count; ++i)
    list->emplace_back(Get32(tree, at + 16 + 8 * i), Get32(tree, at + 20 + 8 * i));
  return true;
}

// The entry (`entry_name`, `offset`) of a type or name level: its name, and
// the entries of the directory it points to.
bool ReadSubdirectory(std::string_view tree, uint32_t entry_name, uint32_t offset,
                      ResourceName* name, DirectoryEntries* list) {
  return (offset & 0x80000000u) && ReadEntryName(tree, entry_name, name) &&
         ReadDirectory(tree, offset & 0x7FFFFFFFu, list);
}

// The data entry at `data_entry` of the language level: the resource's data.
bool ReadLeaf(std::string_view image, const PeLayout& l, std::string_view tree, uint32_t language,
              uint32_t data_entry, Resource* r) {
  if ((data_entry & 0x80000000u) || data_entry + 16 > tree.size()) return false;
  const uint32_t data_rva = Get32(tree, data_entry), data_size = Get32(tree, data_entry + 4);
  const size_t data = FileOffset(l, image, data_rva, data_size);
  if (data == std::string_view::npos) return false;
  r->language = static_cast<uint16_t>(language);
  r->code_page = Get32(tree, data_entry + 8);
  r->data.assign(image.substr(data, data_size));
  return true;
}

// The three levels (type, name, language) of the resource directory `tree`.
bool ReadTree(std::string_view image, const PeLayout& l, std::string_view tree,
              std::vector<Resource>* out) {
  DirectoryEntries types;
  if (!ReadDirectory(tree, 0, &types)) return false;
  for (const auto& [type_name, type_dir] : types) {
    Resource r;
    DirectoryEntries names;
    if (!ReadSubdirectory(tree, type_name, type_dir, &r.type, &names)) return false;
    for (const auto& [name_name, name_dir] : names) {
      DirectoryEntries languages;
      r.name = {};
      if (!ReadSubdirectory(tree, name_name, name_dir, &r.name, &languages)) return false;
      for (const auto& [language, data_entry] : languages) {
        if (!ReadLeaf(image, l, tree, language, data_entry, &r)) return false;
        out->push_back(r);
      }
    }
  }
  return true;
}

// The image's own resources, from its resource directory.
bool ReadResources(std::string_view image, const PeLayout& l, std::vector<Resource>* out,
                   std::string* error) {
  const uint32_t rva = Get32(image, l.directories + 8 * 2);
  const uint32_t size = Get32(image, l.directories + 8 * 2 + 4);
  if (rva == 0 || size == 0) return true;
  const size_t base = FileOffset(l, image, rva, size);
  if (base == std::string_view::npos) {
    *error = "has a resource directory outside its sections";
    return false;
  }
  if (!ReadTree(image, l, image.substr(base, size), out)) {
    *error = "has a damaged resource directory";
    return false;
  }
  return true;
}

using LanguageLevel = std::map<uint16_t, const Resource*>;
using NameLevel = std::map<ResourceName, LanguageLevel>;
using TypeLevel = std::map<ResourceName, NameLevel>;

// The bytes of every directory with its entries; `leaves` gets how many
// data entries follow them.
size_t DirectoriesSize(const TypeLevel& tree, size_t* leaves) {
  size_t directories = 16 + 8 * tree.size();
  *leaves = 0;
  for (const auto& [type, names] : tree) {
    directories += 16 + 8 * names.size();
    for (const auto& [name, languages] : names) {
      directories += 16 + 8 * languages.size();
      *leaves += languages.size();
    }
  }
  return directories;
}

// The names that are strings, each written once; entries refer to them by
// their offset in the tree.
struct NameStrings {
  size_t start = 0;
  std::string bytes;
  std::map<std::u16string, size_t> at;
};

uint32_t EntryName(NameStrings* strings, const ResourceName& n) {
  if (!n.is_text) return uint32_t{n.id};
  auto [it, fresh] = strings->at.emplace(n.text, strings->start + strings->bytes.size());
  if (fresh) {
    Add16(strings->bytes, static_cast<uint16_t>(n.text.size()));
    AddUtf16(strings->bytes, n.text);
  }
  return static_cast<uint32_t>(it->second) | 0x80000000u;
}

// A directory's header counts its named entries and its numbered ones.
template <typename Children>
void PutEntryCounts(std::string& out, size_t at, const Children& children) {
  uint16_t named = 0;
  for (const auto& child : children) named += child.first.is_text ? 1 : 0;
  Put16(out, at + 12, named);
  Put16(out, at + 14, static_cast<uint16_t>(children.size() - named));
}

// The tree as it is written, and where its next directory and data entry go.
struct TreeWriter {
  std::string out;
  NameStrings strings;
  size_t next_directory = 0, next_leaf = 0;
  std::vector<std::pair<size_t, const Resource*>> data_entries;
};

// The root directory; returns where each type's name directory goes.
std::vector<std::pair<size_t, const NameLevel*>> PutTypeLevel(const TypeLevel& tree,
                                                              TreeWriter* w) {
  std::vector<std::pair<size_t, const NameLevel*>> name_levels;
  size_t type_entry = 16;
  PutEntryCounts(w->out, 0, tree);
  for (const auto& [type, names] : tree) {
    Put32(w->out, type_entry, EntryName(&w->strings, type));
    Put32(w->out, type_entry + 4, static_cast<uint32_t>(w->next_directory) | 0x80000000u);
    name_levels.emplace_back(w->next_directory, &names);
    w->next_directory += 16 + 8 * names.size();
    type_entry += 8;
  }
  return name_levels;
}

// The language directory of one name, next in line, and its data entries.
void PutLanguageLevel(const LanguageLevel& languages, TreeWriter* w) {
  Put16(w->out, w->next_directory + 14, static_cast<uint16_t>(languages.size()));
  size_t language_entry = w->next_directory + 16;
  for (const auto& [language, resource] : languages) {
    Put32(w->out, language_entry, language);
    Put32(w->out, language_entry + 4, static_cast<uint32_t>(w->next_leaf));
    w->data_entries.emplace_back(w->next_leaf, resource);
    w->next_leaf += 16;
    language_entry += 8;
  }
  w->next_directory += 16 + 8 * languages.size();
}

// One type's name directory at `at`, and the language directories below it.
void PutNameLevel(size_t at, const NameLevel& names, TreeWriter* w) {
  PutEntryCounts(w->out, at, names);
  size_t name_entry = at + 16;
  for (const auto& [name, languages] : names) {
    Put32(w->out, name_entry, EntryName(&w->strings, name));
    Put32(w->out, name_entry + 4, static_cast<uint32_t>(w->next_directory) | 0x80000000u);
    PutLanguageLevel(languages, w);
    name_entry += 8;
  }
}

// The names, then each resource's data on eight bytes, its data entry
// pointing at it.
void PutData(uint32_t rva, TreeWriter* w) {
  std::string& out = w->out;
  out += w->strings.bytes;
  for (const auto& [at, resource] : w->data_entries) {
    PadTo(out, 8);
    Put32(out, at, rva + static_cast<uint32_t>(out.size()));
    Put32(out, at + 4, static_cast<uint32_t>(resource->data.size()));
    Put32(out, at + 8, resource->code_page);
    out += resource->data;
  }
}

// The resource directory for `resources`, its data addressed from `rva`.
std::string WriteResourceTree(const std::vector<Resource>& resources, uint32_t rva) {
  TypeLevel tree;
  for (const Resource& r : resources) tree[r.type][r.name][r.language] = &r;

  // Layout: every directory, then the data entries, the names, the data.
  size_t leaves = 0;
  const size_t directories = DirectoriesSize(tree, &leaves);
  TreeWriter w;
  w.out.assign(directories + 16 * leaves, '\0');
  w.strings.start = directories + 16 * leaves;
  w.next_directory = 16 + 8 * tree.size();
  w.next_leaf = directories;
  // Type directories first, then the name directories, as compilers lay them out.
  for (const auto& [at, names] : PutTypeLevel(tree, &w)) PutNameLevel(at, *names, &w);
  PutData(rva, &w);
  return std::move(w.out);
}

uint32_t PeChecksum(std::string_view image, size_t checksum_at) {
  uint64_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    if (i == checksum_at || i == checksum_at + 2) continue;
    sum += i + 1 < image.size() ? Get16(image, i) : static_cast<uint8_t>(image[i]);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

// One node of VS_VERSIONINFO: length, value length, type, key, value and
// children, each part starting on four bytes.
std::string VersionNode(const std::u16string& key, const std::string& value, uint16_t value_length,
                        uint16_t type, const std::vector<std::string>& children) {
  std::string node(6, '\0');
  AddUtf16(node, key);
  Add16(node, 0);
  PadTo(node, 4);
  node += value;
  for (const std::string& child : children) {
    PadTo(node, 4);
    node += child;
  }
  Put16(node, 0, static_cast<uint16_t>(node.size()));
  Put16(node, 2, value_length);
  Put16(node, 4, type);
  return node;
}

}  // namespace

bool ReadIconFile(std::string_view bytes, std::vector<IconImage>* images, std::string* error) {
  images->clear();
  if (bytes.size() < 6 || Get16(bytes, 0) != 0 || Get16(bytes, 2) != 1 || Get16(bytes, 4) == 0) {
    *error = "is not an icon file (.ico)";
    return false;
  }
  const size_t count = Get16(bytes, 4);
  if (6 + 16 * count > bytes.size()) {
    *error = "is a damaged icon file (its list of images is cut off)";
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * i;
    const uint32_t size = Get32(bytes, e + 8), offset = Get32(bytes, e + 12);
    if (size == 0 || offset > bytes.size() || size > bytes.size() - offset) {
      *error = "is a damaged icon file (image " + std::to_string(i + 1) + " lies beyond its end)";
      return false;
    }
    IconImage image;
    image.width = static_cast<uint8_t>(bytes[e]) ? static_cast<uint8_t>(bytes[e]) : 256;
    image.height = static_cast<uint8_t>(bytes[e + 1]) ? static_cast<uint8_t>(bytes[e + 1]) : 256;
    image.colors = static_cast<uint8_t>(bytes[e + 2]);
    image.reserved = static_cast<uint8_t>(bytes[e + 3]);
    image.planes = Get16(bytes, e + 4);
    image.bit_count = Get16(bytes, e + 6);
    image.data.assign(bytes.substr(offset, size));
    image.png = image.data.compare(0, 4, "\x89PNG") == 0;
    images->push_back(std::move(image));
  }
  return true;
}

std::string OldWindowsIconProblem(const std::vector<IconImage>& images) {
  std::string missing;
  for (int size : {16, 32}) {
    const bool found = std::any_of(images.begin(), images.end(), [&](const IconImage& i) {
      return i.width == size && i.height == size && !i.png;
    });
    if (!found)
      missing += std::string(missing.empty() ? "" : " or ") + std::to_string(size) + "x" +
                 std::to_string(size);
  }
  if (missing.empty()) return "";
  return "has no " + missing +
         " bitmap image; Windows 95 to XP show no PNG images, so there the setup file gets "
         "a scaled or a plain icon";
}

bool ParseVersion(std::string_view text, uint16_t version[4]) {
  int part = 0;
  uint32_t value = 0;
  bool digits = false;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<uint32_t>(text[i] - '0');
      digits = true;
      if (value > 0xFFFF) return false;
      continue;
    }
    if (!digits || part == 4 || (i < text.size() && text[i] != '.')) return false;
    version[part++] = static_cast<uint16_t>(value);
    value = 0;
    digits = false;
  }
  for (int i = part; i < 4; ++i) version[i] = 0;
  return part > 0;
}

std::vector<NewResource> IconResources(const std::vector<IconImage>& images, uint16_t group_id) {
  std::vector<NewResource> out;
  std::string group;
  Add16(group, 0);
  Add16(group, 1);
  Add16(group, static_cast<uint16_t>(images.size()));
  uint16_t id = 1;
  for (const IconImage& image : images) {
    group += static_cast<char>(image.width == 256 ? 0 : image.width);
    group += static_cast<char>(image.height == 256 ? 0 : image.height);
    group += static_cast<char>(image.colors);
    group += static_cast<char>(image.reserved);
    Add16(group, image.planes);
    Add16(group, image.bit_count);
    Add32(group, static_cast<uint32_t>(image.data.size()));
    Add16(group, id);
    out.push_back({kIconType, id++, image.data});
  }
  out.push_back({kGroupIconType, group_id, group});
  return out;
}

NewResource VersionResource(const VersionInfo& info) {
  const uint16_t* v = info.file_version;
  std::string fixed;
  Add32(fixed, 0xFEEF04BD);                  // signature
  Add32(fixed, 0x00010000);                  // structure version
  for (int twice = 0; twice < 2; ++twice) {  // file version, then product version
    Add32(fixed, uint32_t{v[0]} << 16 | v[1]);
    Add32(fixed, uint32_t{v[2]} << 16 | v[3]);
  }
  Add32(fixed, 0x3F);     // flags mask
  Add32(fixed, 0);        // flags
  Add32(fixed, 0x40004);  // VOS_NT_WINDOWS32
  Add32(fixed, 1);        // VFT_APP
  Add32(fixed, 0);        // subtype
  Add32(fixed, 0);        // date
  Add32(fixed, 0);

  std::vector<std::string> strings;
  for (const auto& [name, value] : info.strings) {
    const std::u16string text = Utf16(value);
    std::string bytes;
    AddUtf16(bytes, text);
    Add16(bytes, 0);
    strings.push_back(
        VersionNode(Utf16(name), bytes, static_cast<uint16_t>(text.size() + 1), 1, {}));
  }
  // English (United States), Unicode: the one table, and its translation.
  const std::string table = VersionNode(u"040904B0", "", 0, 1, strings);
  std::string translation;
  Add16(translation, kResourceLanguage);
  Add16(translation, 1200);
  const std::string var = VersionNode(u"Translation", translation, 4, 0, {});
  const std::string root =
      VersionNode(u"VS_VERSION_INFO", fixed, static_cast<uint16_t>(fixed.size()), 0,
                  {VersionNode(u"StringFileInfo", "", 0, 1, {table}),
                   VersionNode(u"VarFileInfo", "", 0, 1, {var})});
  return {kVersionType, 1, root};
}

namespace {

size_t NewSectionHeader(const PeLayout& l) { return l.section_table + 40 * size_t{l.sections}; }

// A section can be added to an unsigned image that holds nothing behind
// its last section and has room for one more section header.
bool CanAddSection(const std::string& image, const PeLayout& l, std::string* error) {
  if (Get32(image, l.directories + 8 * 4 + 4) != 0) {
    *error = "is signed; sign the setup file after the build instead";
    return false;
  }
  uint32_t raw_end = 0;
  for (const Section& s : l.section_list)
    if (s.raw_size) raw_end = std::max(raw_end, s.raw_pointer + s.raw_size);
  if (raw_end != image.size()) {
    *error = "holds data behind its last section";
    return false;
  }
  const uint32_t size_of_headers = Get32(image, l.optional + 60);
  const size_t new_header = NewSectionHeader(l);
  if (new_header + 40 > size_of_headers ||
      image.find_first_not_of('\0', new_header) < new_header + 40) {
    *error = "has no room for another section header";
    return false;
  }
  return true;
}

// Where the loaded image ends.
uint32_t VirtualEnd(const PeLayout& l) {
  uint32_t virtual_end = 0;
  for (const Section& s : l.section_list)
    virtual_end = std::max(virtual_end, s.virtual_address + std::max(s.virtual_size, s.raw_size));
  return virtual_end;
}

// A new icon replaces every old one (their numbers would clash), a new
// version the old version; the manifest stays.
void PutNewResources(const std::vector<NewResource>& added, std::vector<Resource>* resources) {
  for (const NewResource& n : added) {
    const uint16_t replaced = n.type == kGroupIconType ? kIconType : n.type;
    resources->erase(std::remove_if(resources->begin(), resources->end(),
                                    [&](const Resource& r) {
                                      return !r.type.is_text &&
                                             (r.type.id == n.type || r.type.id == replaced);
                                    }),
                     resources->end());
  }
  for (const NewResource& n : added) {
    Resource r;
    r.type.id = n.type;
    r.name.id = n.id;
    r.language = kResourceLanguage;
    r.data = n.data;
    resources->push_back(std::move(r));
  }
}

// Appends `tree` (padded to the file alignment; `virtual_size` bytes of it
// count) as the new last section at `rva`, points the resource directory at
// it and brings the headers' sizes and checksum up to date.
void AppendResourceSection(std::string& b, const PeLayout& l, uint32_t rva,
                           uint32_t section_alignment, const std::string& tree,
                           uint32_t virtual_size) {
  const size_t new_header = NewSectionHeader(l);
  char* header = &b[new_header];
  std::copy_n(".rsrc\0\0\0", 8, header);
  Put32(b, new_header + 8, virtual_size);
  Put32(b, new_header + 12, rva);
  Put32(b, new_header + 16, static_cast<uint32_t>(tree.size()));
  Put32(b, new_header + 20, static_cast<uint32_t>(b.size()));
  Put32(b, new_header + 36, 0x40000040);  // initialised data, readable
  Put16(b, l.pe + 6, static_cast<uint16_t>(l.sections + 1));
  Put32(b, l.optional + 8, Get32(b, l.optional + 8) + static_cast<uint32_t>(tree.size()));
  Put32(b, l.optional + 56, AlignUp(rva + virtual_size, section_alignment));  // SizeOfImage
  Put32(b, l.directories + 8 * 2, rva);
  Put32(b, l.directories + 8 * 2 + 4, virtual_size);
  b += tree;
  Put32(b, l.optional + 64, PeChecksum(b, l.optional + 64));
}

}  // namespace

bool AddResources(std::string* image, const std::vector<NewResource>& added, std::string* error) {
  PeLayout l;
  if (!ReadLayout(*image, &l, error) || !CanAddSection(*image, l, error)) return false;
  std::vector<Resource> resources;
  if (!ReadResources(*image, l, &resources, error)) return false;
  PutNewResources(added, &resources);

  const uint32_t section_alignment = Get32(*image, l.optional + 32);
  const uint32_t file_alignment = Get32(*image, l.optional + 36);
  if (section_alignment == 0 || file_alignment == 0) {
    *error = "has no section alignment";
    return false;
  }
  const uint32_t rva = AlignUp(VirtualEnd(l), section_alignment);
  std::string tree = WriteResourceTree(resources, rva);
  const uint32_t virtual_size = static_cast<uint32_t>(tree.size());
  PadTo(tree, file_alignment);
  AppendResourceSection(*image, l, rva, section_alignment, tree, virtual_size);
  return true;
}

}  // namespace scrpack
