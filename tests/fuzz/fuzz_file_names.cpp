// The file-name rules: the split into folder part and name, the
// normalisation of Windows 2000 and later, and the choice of the target
// name (a recorded path, or a free numbered short name), with the system's
// code page as part of the input.
//
// Input: one byte choosing the code page (single-byte, GBK, Shift-JIS), one
// byte saying how many names (up to 11) the folder already holds, then the stored
// file name and a recorded path.
//
// Rules: a name starts behind a separator that is no trail byte, and holds
// none; the normalised name is the rule's, and the field always has room
// for it; the chosen target lies in the destination folder; a numbered name
// is the base, the number and the last four characters of the name, and
// its number never becomes the trail byte of a double-byte character.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

#include "install/player_settings.h"
#include "package/file_name.h"
#include "package/loader.h"
#include "platform/sim/sim_system.h"
#include "tests/fuzz/fuzz_support.h"

namespace scr::fuzz {
namespace {

constexpr char kFolder[] = "C:\\Savers\\";
constexpr char kTitle[] = "My Saver";

SimSystem& Sim() {
  static SimSystem* sim = new SimSystem(Sandbox("file_names"));
  return *sim;
}

void CheckSplit(const std::set<uint8_t>& lead, const std::string& path,
                std::string_view separators) {
  const size_t start = FileNameStart(Sim(), path, separators);
  FUZZ_CHECK(start <= path.size());
  const std::vector<size_t> starts = CharacterStarts(lead, path);
  bool boundary = start == path.size();
  for (size_t s : starts) {
    const bool separator = separators.find(path[s]) != std::string_view::npos;
    if (s >= start) FUZZ_CHECK(!separator);  // the name holds no separator
    if (s + 1 == start) FUZZ_CHECK(separator);
    boundary = boundary || s == start;
  }
  FUZZ_CHECK(boundary);
}

// The numbered name as the rule describes it: the last four characters are
// the extension, the base loses characters from its end until base and
// number take at most 8 bytes; the first free candidate, or the last one.
std::string ReferenceNumbered(SimSystem& sim, const std::set<uint8_t>& lead,
                              const std::string& name) {
  const std::vector<size_t> starts = CharacterStarts(lead, name);
  const size_t split = starts.size() <= 4 ? 0 : starts[starts.size() - 4];
  const std::string extension = name.substr(split);
  std::string base = name.substr(0, split);
  std::string candidate;
  for (unsigned n = 1;; ++n) {
    const std::string digits = std::to_string(n);
    if (digits.size() >= 8) break;
    while (!base.empty() && base.size() + digits.size() > 8) {
      const std::vector<size_t> base_starts = CharacterStarts(lead, base);
      base.erase(base_starts.back());
    }
    candidate = kFolder + base + digits + extension;
    if (!sim.FileExists(candidate)) break;
  }
  return candidate;
}

void CheckTarget(const std::set<uint8_t>& lead, const std::string& name, int taken,
                 const std::string& recorded) {
  SimSystem& sim = Sim();
  std::error_code ec;
  sim.lead_bytes.clear();
  std::filesystem::remove_all(sim.HostPath(kFolder), ec);
  sim.MakeFolders(kFolder);
  sim.RegDeleteTree(RootKey::kCurrentUser, "Software\\Quorvane");
  sim.lead_bytes = lead;

  const std::string proposed = kFolder + name;
  sim.PutFile(proposed, "taken");
  for (int i = 0; i < taken; ++i) {
    const std::string expected =
        sim.FileExists(proposed) ? ReferenceNumbered(sim, lead, name) : proposed;
    const std::string chosen = ChooseTargetFileName(sim, kTitle, proposed, kFolder);
    FUZZ_CHECK(chosen == expected);
    // The number lands on a character boundary: walking the chosen name by
    // characters meets the start of the extension.
    const std::string chosen_name = chosen.substr(std::strlen(kFolder));
    const std::vector<size_t> starts = CharacterStarts(lead, chosen_name);
    const std::vector<size_t> name_starts = CharacterStarts(lead, name);
    const size_t extension =
        name.size() - (name_starts.size() <= 4 ? 0 : name_starts[name_starts.size() - 4]);
    bool meets = false;
    for (size_t s : starts) meets = meets || s == chosen_name.size() - extension;
    FUZZ_CHECK(meets || chosen_name.size() == extension);
    sim.PutFile(chosen, "taken");
    if (!sim.FileExists(chosen)) break;  // a name the file system refuses
  }

  // A recorded path (per-user data any program may write) is taken only
  // when it names a file in this very folder.
  StoreInstalledPath(sim, kTitle, recorded);
  const std::string chosen = ChooseTargetFileName(sim, kTitle, proposed, kFolder);
  FUZZ_CHECK(chosen.compare(0, std::strlen(kFolder), kFolder) == 0);
  FUZZ_CHECK(FileNameStart(sim, chosen, kAnySeparators) == std::strlen(kFolder));
}

}  // namespace
}  // namespace scr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scr;
  if (size < 2) return 0;
  const std::set<uint8_t> lead = fuzz::LeadBytes(data[0]);
  const int taken = data[1] % 12;
  FuzzedDataProvider in(data + 2, size - 2);
  const std::string stored = in.ConsumeRandomLengthString(256);
  const std::string recorded = in.ConsumeRemainingBytesAsString();
  SimSystem& sim = fuzz::Sim();
  sim.lead_bytes = lead;

  fuzz::CheckSplit(lead, stored, kFolderSeparators);
  fuzz::CheckSplit(lead, stored, kAnySeparators);
  fuzz::CheckSplit(lead, stored, "\\:");

  // The normalisation, on the field as the record holds it.
  char field[256] = {};
  std::memcpy(field, stored.data(), stored.size());
  NormaliseScrFileName(sim, field);
  const std::string normalised = FieldText(field);
  FUZZ_CHECK(normalised ==
             fuzz::ReferenceNormalised(lead, FieldText(stored.data(), stored.size())));
  const std::string name = normalised.substr(FileNameStart(sim, normalised, "\\:"));
  for (size_t i = 0; i + 4 < name.size(); ++i)
    FUZZ_CHECK(fuzz::IsAsciiAlnum(name[i]) || name[i] == '_');

  // The target name, from the name part the install run takes.
  const std::string target_name = normalised.substr(FileNameStart(sim, normalised, kAnySeparators));
  if (!target_name.empty()) fuzz::CheckTarget(lead, target_name, taken, recorded);
  return 0;
}
