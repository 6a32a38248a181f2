#include "tools/scrpack/language_check.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include "package/language.h"
#include "package/name_rules.h"
#include "package/texts.h"
#include "tools/scrpack/package_checks.h"
#include "tools/scrpack/text_input.h"
#include "tools/scrpack/unicode.h"
#include "wizard/text_room.h"

namespace scrpack {
namespace {

using scr::TextEntry;
using scr::TextKind;

struct Line {
  size_t number;
  std::string_view text;
};

// Cut as the setup program cuts: CR LF, lone CR, lone LF.
std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0, number = 1;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back({number++, text.substr(pos, end - pos)});
    pos = end;
    if (pos < text.size())
      pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
  }
  return lines;
}

std::string Quote(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

namespace {

// What the header line is, for the message about the entries it swallows.
enum class HeaderKind { kStart, kBlank, kBracketed, kComment, kOther };

HeaderKind KindOf(std::string_view header) {
  if (header.empty()) return HeaderKind::kBlank;
  const std::string t = Trim(header);
  if (t.size() >= 2 && t.front() == '[' && t.back() == ']') return HeaderKind::kBracketed;
  if (t.empty()) return HeaderKind::kBlank;
  if (t[0] == ';' || t[0] == '#' || t.rfind("//", 0) == 0) return HeaderKind::kComment;
  return HeaderKind::kOther;
}

// A name that is no key: explain the likely slip.
std::string UnknownName(std::string_view name) {
  const std::string trimmed = Trim(name);
  if (trimmed != name && scr::FindText(trimmed))
    return Quote(name) + " has blanks around the name; the name must be exactly " + Quote(trimmed) +
           " (nothing around \"=\" is trimmed)";
  // The decorations the program adds itself.
  for (const auto& [decorated, key] :
       std::initializer_list<std::pair<const char*, const char*>>{{"Next >", "Next"},
                                                                  {"< Back", "Back"},
                                                                  {"&Browse...", "&Browse"},
                                                                  {"Browse...", "&Browse"}}) {
    if (trimmed == decorated)
      return Quote(name) +
             " is the button as shown; the program adds the decoration itself, "
             "so the name is " +
             Quote(key);
  }
  for (const TextEntry* e = scr::TextsBegin(); e != scr::TextsEnd(); ++e) {
    if (Lower(trimmed) == Lower(e->english))
      return Quote(name) + " is not a text of the program: names are case-sensitive, write " +
             Quote(e->english);
  }
  const std::string near = NearestKey(trimmed);
  return Quote(name) + " is not a text of the program" +
         (near.empty() ? std::string(" (`scrpack language template` lists them all)")
                       : " (did you mean " + Quote(near) + "?)");
}

int CountPercent(std::string_view value) {
  return static_cast<int>(std::count(value.begin(), value.end(), '%'));
}

// Blanks at either end are shown as they stand: nothing is trimmed.
void CheckEndBlanks(std::string_view value, const std::string& subject, Findings* f) {
  if (value.front() == ' ' || value.back() == ' ')
    f->Warning(subject + " " + (value.front() == ' ' ? "starts" : "ends") +
               " with a blank, which the program shows (nothing is trimmed)");
}

// The buttons' arrows and dots are added around the translation.
void CheckButtonDecoration(std::string_view english, std::string_view value,
                           const std::string& subject, Findings* f) {
  const std::string trimmed = Trim(value);
  const auto ends_with = [&](std::string_view tail) {
    return trimmed.size() >= tail.size() && trimmed.substr(trimmed.size() - tail.size()) == tail;
  };
  if ((english == "Next" && ends_with(">")) || (english == "Back" && trimmed.rfind('<', 0) == 0) ||
      (english == "&Browse" && ends_with("...")))
    f->Warning(subject + " " +
               (english == "Back"   ? "starts with \"<\""
                : english == "Next" ? "ends in \">\""
                                    : "ends in \"...\"") +
               ", but the program adds " +
               (english == "Back"   ? "\"< \" before"
                : english == "Next" ? "\" >\" after"
                                    : "\"...\" after") +
               " it itself, so the button would show it twice");
}

// The uninstaller hands the caption to its temporary copy as a quoted
// argument: a quote in it would split the arguments there.
void CheckCaptionQuote(const TextEntry& entry, std::string_view value, const std::string& subject,
                       Findings* f) {
  if (entry.id == scr::TextId::kMessageCaption && value.find('"') != std::string_view::npos)
    f->Error(subject +
             " holds \"\"\", which the message boxes' caption cannot hold (the uninstaller "
             "passes it on in quotes)");
}

// The value in the package's code page; false, with the error, when it
// cannot be written there.
bool EncodeValue(std::string_view value, int code_page, const std::string& at, std::string* bytes,
                 Findings* f) {
  std::string reason;
  if (EncodeToPackage(value, code_page, bytes, &reason)) return true;
  // The message counts lines within the value; the file's line is `at`.
  const size_t colon = reason.find(": ");
  f->Error(at + (colon == std::string::npos ? reason : reason.substr(colon + 2)));
  return false;
}

void CheckTitleFormat(std::string_view value, const std::string& subject, Findings* f) {
  const size_t first = value.find("%s");
  const int percents = CountPercent(value);
  const size_t percent = value.find('%');
  if (first == std::string_view::npos && percent != std::string_view::npos)
    f->Error(subject + " has \"" + std::string(value.substr(percent, 2)) +
             "\" where the title's \"%s\" belongs: the program fills in only \"%s\"");
  else if (first == std::string_view::npos)
    f->Error(subject + " has no \"%s\": the screensaver's title would be missing from the message");
  else if (percents > 1)
    f->Error(subject +
             " must hold exactly one \"%s\" and no other \"%\": the program fills in the "
             "title once and shows the rest as it stands");
}

void CheckNameWord(const std::string& bytes, int code_page, const std::string& subject,
                   Findings* f) {
  size_t where = 0;
  const scr::NameFault fault =
      scr::CheckNameWordForFiles(bytes, LeadBytesOfCodePage(code_page), &where);
  if (fault != scr::NameFault::kNone)
    f->Error(subject + " " + NameProblem(fault, bytes, where, code_page) +
             "; it becomes part of file and shortcut names, so the setup program would use "
             "the English word instead");
}

// How the text overflows a slot it does not fit.
std::string Overflow(const scr::TextSlot& slot, const std::u32string& text, int needed) {
  if (slot.max_lines == 1)
    return text.find_first_of(U"\r\n") != std::u32string::npos
               ? "has a line break, but " + std::string(slot.control) + " shows one line"
               : "is " + std::to_string(needed) + " pixels wide, but " + slot.control +
                     " has room for " + std::to_string(slot.width);
  return needed < 0 ? "has a word wider than " + std::string(slot.control) + " (" +
                          std::to_string(slot.width) + " pixels)"
                    : "needs " + std::to_string(needed) + " lines, but " + slot.control +
                          " has room for " + std::to_string(slot.max_lines);
}

// Every control that shows the text, as it shows it.
void CheckRoom(const TextEntry& entry, std::string_view value, const std::string& subject,
               Findings* f) {
  const std::u32string shown_value = Utf8ToCodePoints(scr::ReplaceAll(value, "#13", "\r\n"));
  for (const scr::TextSlot& slot : scr::SlotsOf(entry.id)) {
    const std::u32string text =
        scr::ShownText(Utf8ToCodePoints(slot.prefix) + shown_value + Utf8ToCodePoints(slot.suffix),
                       slot.accelerator);
    int needed = 0;
    if (scr::FitsSlot(slot, text, &needed)) continue;
    f->Warning(subject + " " + Overflow(slot, text, needed) + "; it would be cut off");
  }
}

void CheckValue(const TextEntry& entry, std::string_view value, int code_page,
                const std::string& at, Findings* f) {
  const std::string subject = at + "the translation of " + Quote(entry.english);
  if (value.empty()) {
    f->Warning(subject + " is empty: the program shows nothing there");
    return;
  }
  CheckEndBlanks(value, subject, f);
  CheckButtonDecoration(entry.english, value, subject, f);
  CheckCaptionQuote(entry, value, subject, f);
  std::string bytes;
  if (!EncodeValue(value, code_page, at, &bytes, f)) return;
  if (entry.kind == TextKind::kTitleFormat)
    CheckTitleFormat(value, subject, f);
  else if (entry.kind == TextKind::kNameWord)
    CheckNameWord(bytes, code_page, subject, f);
  CheckRoom(entry, value, subject, f);
}

}  // namespace

std::string NearestKey(std::string_view name) {
  std::string best;
  size_t best_distance = std::string::npos;
  for (const TextEntry* e = scr::TextsBegin(); e != scr::TextsEnd(); ++e) {
    const size_t d = EditDistance(Lower(name), Lower(e->english));
    if (d < best_distance) best_distance = d, best = e->english;
  }
  // Close means a slip of a few letters, not another word.
  const size_t allowed = std::max<size_t>(2, best.size() / 4);
  return best_distance <= allowed ? best : "";
}

namespace {

// A section other than "Setup": the line that started it and how many
// entries it swallowed.
struct Section {
  Line header{0, ""};
  HeaderKind kind = HeaderKind::kStart;
  int swallowed = 0;
  size_t first_swallowed = 0;
};

// What a section that is not "Setup" cost, reported when it ends.
void ReportSection(const Section& s, const std::string& where, Findings* f) {
  const std::string at = where + ":" + std::to_string(s.header.number) + ": ";
  const int n = s.swallowed;
  const std::string lost = n > 0 ? std::to_string(n) + (n == 1 ? " entry" : " entries") +
                                       " after it (from line " + std::to_string(s.first_swallowed) +
                                       ") " + (n == 1 ? "is" : "are") + " ignored"
                                 : "";
  const std::string_view text = s.header.text;
  switch (s.kind) {
    case HeaderKind::kStart:
      if (n > 0)
        f->Error(where + ":" + std::to_string(s.first_swallowed) +
                 ": entries before the line that reads Setup are ignored (" + std::to_string(n) +
                 " of them); start the file with that line");
      break;
    case HeaderKind::kBlank:
      if (n > 0)
        f->Error(at + "a blank line ends the \"Setup\" section: " + lost +
                 "; remove the blank line");
      break;
    case HeaderKind::kBracketed:
      if (n > 0)
        f->Error(at + Quote(text) + " is read as a section of that name, brackets " +
                 "included, not as \"Setup\": " + lost + "; write the line as Setup");
      else
        f->Warning(at + Quote(text) + " is read as a section of that name, brackets included");
      break;
    case HeaderKind::kComment:
      if (n > 0)
        f->Error(at + Quote(text) + " is not a comment: a line without \"=\" starts " +
                 "a new section, so " + lost + "; remove the line");
      else
        f->Warning(at + Quote(text) +
                   " is not a comment: a line without \"=\" starts a new section");
      break;
    case HeaderKind::kOther:
      if (n > 0)
        f->Error(at + "the line has no \"=\", so it starts a section named " + Quote(text) +
                 ", and " + lost + " (only the section \"Setup\" is read)");
      else
        f->Warning(at + Quote(text) + " has no \"=\": it translates nothing");
      break;
  }
}

// The setup program reads the text up to its first NUL byte.
std::string_view CutAtNul(std::string_view utf8, const std::string& where, Findings* f) {
  const size_t nul = utf8.find('\0');
  if (nul == std::string_view::npos) return utf8;
  if (utf8.find_first_not_of(std::string_view("\0\r\n", 3), nul) != std::string_view::npos)
    f->Error(where +
             ": a NUL byte ends the text for the setup program; everything after it "
             "is ignored");
  return utf8.substr(0, nul);
}

using Translated = std::map<std::string, size_t, std::less<>>;  // key -> line

// One name=value line of the "Setup" section.
void CheckEntry(const Line& line, size_t eq, int code_page, const std::string& where,
                Translated* translated, Findings* f) {
  const std::string at = where + ":" + std::to_string(line.number) + ": ";
  const std::string_view name = line.text.substr(0, eq);
  const std::string_view value = line.text.substr(eq + 1);
  const TextEntry* entry = scr::FindText(name);
  if (!entry) {
    f->Error(at + UnknownName(name));
    return;
  }
  if (auto it = translated->find(name); it != translated->end()) {
    f->Warning(at + Quote(name) + " is translated again; the first translation (line " +
               std::to_string(it->second) + ") is the one used");
    return;
  }
  translated->emplace(std::string(name), line.number);
  CheckValue(*entry, value, code_page, at, f);
}

void ReportUntranslated(const Translated& translated, const std::string& where, Findings* f) {
  std::string missing;
  int missing_count = 0;
  for (const TextEntry* e = scr::TextsBegin(); e != scr::TextsEnd(); ++e) {
    if (translated.count(e->english)) continue;
    missing += (missing_count++ ? ", " : "") + Quote(e->english);
  }
  if (missing_count > 0)
    f->Warning(where + ": " + std::to_string(missing_count) + " of " +
               std::to_string(scr::kTextCount) +
               " texts are not translated and stay English: " + missing);
}

}  // namespace

void CheckLanguage(std::string_view utf8, int code_page, const std::string& where, Findings* f) {
  utf8 = CutAtNul(utf8, where, f);
  bool in_setup = false, seen_setup = false;
  Section section;
  Translated translated;
  for (const Line& line : SplitLines(utf8)) {
    const size_t eq = line.text.find('=');
    if (eq == std::string_view::npos) {
      if (!in_setup) ReportSection(section, where, f);
      in_setup = line.text == "Setup";
      seen_setup = seen_setup || in_setup;
      section = Section{line, KindOf(line.text), 0, 0};
      continue;
    }
    if (!in_setup) {
      if (section.swallowed++ == 0) section.first_swallowed = line.number;
      continue;
    }
    CheckEntry(line, eq, code_page, where, &translated, f);
  }
  if (!in_setup) ReportSection(section, where, f);

  if (!seen_setup) {
    f->Error(where +
             ": no line reads Setup, so nothing is translated (the first line of a "
             "language file is the section header Setup)");
    return;
  }
  ReportUntranslated(translated, where, f);
}

std::string LanguageTemplate() {
  std::string out = "Setup\n";
  for (const TextEntry* e = scr::TextsBegin(); e != scr::TextsEnd(); ++e)
    out += std::string(e->english) + "=" + e->english + "\n";
  return out;
}

}  // namespace scrpack
