// Package loading from a whole file over the simulated Windows, under each
// Windows version the program can be told, and the uninstaller copy that a
// loaded setup file gives.
//
// Input: one byte choosing the reported Windows version, one byte choosing
// the code page (single-byte or double-byte), then the program file.
//
// Rules: the trailer found is the one a byte-by-byte search finds; a load
// either fails as damaged or yields a record equal to the file's bytes
// (the file name normalised as the rule says, where the version asks for
// it) and blocks that lie inside the file; the texts are the file's bytes;
// the run kind follows the trailer and the signature; the uninstaller copy
// of a loaded setup file holds the program image, the text blocks, the
// record and its trailer, and loads as an uninstaller with the same record.
#include <cstring>
#include <memory>
#include <set>

#include "package/loader.h"
#include "package/pe_image.h"
#include "package/writer.h"
#include "platform/sim/sim_system.h"
#include "tests/fuzz/fuzz_support.h"

namespace scr::fuzz {
namespace {

// libFuzzer's inputs stay below 4,096 bytes unless it is told otherwise: the
// fuzz build's trailer search must cross blocks well within that, or the
// overlap between blocks never runs (cmake/fuzz.cmake).
static_assert(kTrailerSearchBlock * 16 <= 4096, "fuzz inputs would not cross search blocks");

constexpr char kCopyPath[] = "C:\\Setup\\uninstall copy.exe";

// What GetVersionExA reports on each Windows the program knows, and two it
// does not (a failing call, Windows Server 2003).
const VersionInfo kVersions[] = {
    {true, 1, 4, 0, ""},
    {true, 1, 4, 10, ""},
    {true, 1, 4, 10, " A "},
    {true, 1, 4, 90, " "},
    {true, 2, 4, 0, "Service Pack 6a"},
    {true, 2, 5, 0, ""},
    {true, 2, 5, 1, "Service Pack 3"},
    {true, 2, 6, 1, "Service Pack 1"},
    {true, 2, 6, 2, ""},
    {false, 0, 0, 0, ""},
    {true, 2, 5, 2, ""},
};

SimSystem& Sim() {
  static SimSystem* sim = new SimSystem(Sandbox("load"));
  return *sim;
}

std::string RecordBytes(const SetupRecord& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

void CheckLoad(SimSystem& sim, const std::string& bytes, const std::set<uint8_t>& lead) {
  LoadedPackage package;
  std::unique_ptr<File> file;
  const LoadStatus status = LoadPackage(sim, package, file);
  FUZZ_CHECK(status != LoadStatus::kCannotOpen);

  const int64_t size = static_cast<int64_t>(bytes.size());
  const int64_t reference_end = ReferencePackageEnd(bytes);
  FUZZ_CHECK(file);
  FUZZ_CHECK(FindPackageEnd(*file, size) == (size >= kTrailerSize ? reference_end : -1));
  if (reference_end < kRecordAndTrailerSize) FUZZ_CHECK(status == LoadStatus::kCorrupted);
  if (status != LoadStatus::kOk) return;

  const int64_t end = package.package_end;
  FUZZ_CHECK(end == reference_end);
  const std::string stored =
      bytes.substr(static_cast<size_t>(end - kRecordAndTrailerSize), kRecordSize);
  const std::string trailer = bytes.substr(static_cast<size_t>(end - kTrailerSize), kTrailerSize);

  // The record as stored, the file name as the rule makes it.
  SetupRecord expected;
  std::memcpy(&expected, stored.data(), sizeof(expected));
  const bool rule = WindowsVersionNumber(sim.version) >= 5;
  if (rule) {
    const std::string name = ReferenceNormalised(lead, FieldText(expected.ScrFileName));
    std::memset(expected.ScrFileName, 0, sizeof(expected.ScrFileName));
    std::memcpy(expected.ScrFileName, name.data(), name.size());
  }
  FUZZ_CHECK(RecordBytes(package.record) == RecordBytes(expected));

  // The run kind.
  const bool signature = FieldText(expected.RecordSignature) == RecordSignatureText();
  if (trailer == SetupTrailer()) {
    FUZZ_CHECK(package.kind == TrailerKind::kSetup);
  } else {
    FUZZ_CHECK(trailer == UninstallerTrailer() && signature);
    FUZZ_CHECK(package.kind == TrailerKind::kUninstaller);
  }

  // Every block inside the file, before the record; the language text is
  // the file's bytes.
  const PackageBlocks blocks = LocateBlocks(package.record, end);
  for (const BlockSpan* span :
       {&blocks.text_region, &blocks.readme, &blocks.license, &blocks.language}) {
    FUZZ_CHECK(span->size >= 0 && span->offset >= 0);
    FUZZ_CHECK(span->offset + span->size <= end - kRecordAndTrailerSize);
  }
  FUZZ_CHECK(package.language_text == bytes.substr(static_cast<size_t>(blocks.language.offset),
                                                   static_cast<size_t>(blocks.language.size)));
  if (package.kind == TrailerKind::kUninstaller) return;

  FUZZ_CHECK(blocks.screensaver.offset >= 0 && blocks.screensaver.size >= 0);
  FUZZ_CHECK(blocks.screensaver.offset + blocks.screensaver.size == blocks.text_region.offset);

  // The wizard's texts: the file's bytes, the licence only when its page
  // is in use.
  FUZZ_CHECK(ReadSetupTexts(*file, package));
  FUZZ_CHECK(package.readme == bytes.substr(static_cast<size_t>(blocks.readme.offset),
                                            static_cast<size_t>(blocks.readme.size)));
  if (LicensePageInUse(package.record))
    FUZZ_CHECK(package.license == bytes.substr(static_cast<size_t>(blocks.license.offset),
                                               static_cast<size_t>(blocks.license.size)));
  else
    FUZZ_CHECK(package.license.empty());

  // The uninstaller copy: program image (without the fields that tie it to
  // a signature of the setup file), text blocks, the record as loaded with
  // its signature, "ScUnin.sig"; nothing of what follows the trailer.
  {
    std::unique_ptr<File> out = sim.CreateFile(kCopyPath);
    FUZZ_CHECK(out);
    FUZZ_CHECK(WriteUninstallerCopy(*out, *file, end, package.record));
  }
  file.reset();
  SetupRecord copied = package.record;
  SetField(copied.RecordSignature, RecordSignatureText());
  const std::string copy = sim.ReadWholeFile(kCopyPath);
  std::string image = bytes.substr(0, static_cast<size_t>(blocks.program_image.size));
  std::string head = image.substr(0, kPeHeaderSpan);
  ClearSignatureFields(head);
  image.replace(0, head.size(), head);
  FUZZ_CHECK(copy == image +
                         bytes.substr(static_cast<size_t>(blocks.text_region.offset),
                                      static_cast<size_t>(blocks.text_region.size)) +
                         RecordBytes(copied) + UninstallerTrailer());

  // It loads as an uninstaller, with the same record and texts (its file
  // name through the rule once more).
  const std::string module = sim.module_path;
  sim.module_path = kCopyPath;
  LoadedPackage again;
  const LoadStatus status_again = LoadPackage(sim, again, file);
  sim.module_path = module;
  file.reset();
  FUZZ_CHECK(status_again == LoadStatus::kOk);
  FUZZ_CHECK(again.kind == TrailerKind::kUninstaller);
  FUZZ_CHECK(again.language_text == package.language_text);
  SetupRecord twice = copied;
  if (rule) {
    const std::string name = ReferenceNormalised(lead, FieldText(copied.ScrFileName));
    std::memset(twice.ScrFileName, 0, sizeof(twice.ScrFileName));
    std::memcpy(twice.ScrFileName, name.data(), name.size());
  }
  FUZZ_CHECK(RecordBytes(again.record) == RecordBytes(twice));
}

}  // namespace
}  // namespace scr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scr;
  if (size < 2) return 0;
  SimSystem& sim = fuzz::Sim();
  sim.version = fuzz::kVersions[data[0] % std::size(fuzz::kVersions)];
  const std::set<uint8_t> lead = fuzz::LeadBytes(data[1]);
  sim.lead_bytes = lead;
  const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  sim.lead_bytes.clear();  // the sandbox's own paths are plain
  sim.PutFile(sim.module_path, bytes);
  sim.lead_bytes = lead;
  fuzz::CheckLoad(sim, bytes, lead);
  return 0;
}
