#include "package/loader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "package/file_name.h"
#include "package/name_rules.h"
#include "package/pe_image.h"

namespace scr {
namespace {

bool ReadAt(File& file, int64_t position, void* buffer, size_t count) {
  return file.Seek(position) && file.ReadExact(buffer, count);
}

// Whether `size` bytes (and a string's NUL) can be allocated now. A block
// may lie inside the file and still be more than the process can hold
// (about 1 GiB in a 32-bit one): asked this way, the answer comes back
// instead of ending the program, and the block is one more damaged
// package. The string then takes the same amount, just given back.
bool CanAllocate(size_t size) {
  if (size >= SIZE_MAX - 1) return false;
  void* probe = std::malloc(size + 1);
  std::free(probe);
  return probe != nullptr;
}

// Reads a block of `size` bytes at `position` into `out`, after checking
// that it lies inside the file, so a damaged size never leads to an
// allocation larger than the file itself.
bool ReadBlock(File& file, int64_t file_size, int64_t position, int64_t size, std::string* out) {
  out->clear();
  if (size < 0 || position < 0 || position > file_size || size > file_size - position) return false;
  if (size == 0) return true;
  if (static_cast<uint64_t>(size) > SIZE_MAX || !CanAllocate(static_cast<size_t>(size)))
    return false;
  out->resize(static_cast<size_t>(size));
  return ReadAt(file, position, out->data(), out->size());
}

// Length of `text` as NormaliseLineBreaks returns it.
size_t NormalisedLength(std::string_view text) {
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  size_t length = text.size();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
    else if (text[i] == '\r' || text[i] == '\n')
      ++length;  // a lone CR or LF becomes CR LF
  }
  return length;
}

bool IsAsciiAlnum(uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

int64_t FindPackageEnd(File& file, int64_t size) {
  if (size < kTrailerSize) return -1;
  // The usual case, a file that ends in its trailer, costs one small read.
  char last[kTrailerSize];
  if (!ReadAt(file, size - kTrailerSize, last, sizeof(last))) return -1;
  if (ClassifyTrailer(last) != TrailerKind::kNone) return size;
  // The window that ends at E is the 10 bytes before E. Scan E from `size`
  // down to 10, a block at a time; consecutive blocks overlap by 9 bytes so
  // a trailer that straddles two blocks is still seen.
  // Decoded once: the scan compares up to a million windows per MiB.
  const std::string setup = SetupTrailer();
  const std::string uninstaller = UninstallerTrailer();
  // A small file gets a buffer of its own size, not a whole block.
  std::vector<char> block(static_cast<size_t>(
      std::min<int64_t>(static_cast<int64_t>(kTrailerSearchBlock) + kTrailerSize - 1, size - 1)));
  int64_t high = size - 1;  // one past the last byte of the current block
  while (high >= kTrailerSize) {
    int64_t low = std::max<int64_t>(0, high - static_cast<int64_t>(block.size()));
    size_t count = static_cast<size_t>(high - low);
    if (!ReadAt(file, low, block.data(), count)) return -1;
    for (int64_t end = high; end - kTrailerSize >= low; --end) {
      const char* window = block.data() + (end - kTrailerSize - low);
      if ((window[0] == setup[0] && std::memcmp(window, setup.data(), kTrailerSize) == 0) ||
          (window[0] == uninstaller[0] &&
           std::memcmp(window, uninstaller.data(), kTrailerSize) == 0))
        return end;
    }
    if (low == 0) break;
    high = low + kTrailerSize - 1;
  }
  return -1;
}

int WindowsVersionNumber(const VersionInfo& v) {
  if (!v.ok) return -1;
  if (v.platform_id == 1) {
    if (v.major == 4 && v.minor == 0) return 0;
    if (v.major == 4 && v.minor == 10)
      return (v.service_pack.size() >= 2 && v.service_pack[1] == 'A') ? 2 : 1;
    if (v.major == 4 && v.minor == 90) return 3;
    return -1;
  }
  if (v.platform_id == 2) {
    if (v.major <= 4) return 4;
    if (v.major == 5 && v.minor == 0) return 5;
    if (v.major == 5 && v.minor == 1) return 6;
    if (v.major == 6) return 7;
    return -1;
  }
  return -1;
}

void NormaliseScrFileName(System& system, char (&field)[256]) {
  NormaliseScrFileName(LeadBytesOf(system), field);
}

void NormaliseScrFileName(const LeadBytes& lead, char (&field)[256]) {
  const std::string_view text = FieldView(field);

  const size_t name_start = FileNameStart(lead, text, "\\:");
  const std::string_view folder = text.substr(0, name_start);
  std::string name(text.substr(name_start));

  size_t dot = name.find('.');
  if (dot != std::string::npos && dot + 1 >= 9) {
    name.resize(8);
    name += ".scr";
  }
  if (name.size() > 4) {
    // Byte by byte, but a double-byte character whose lead byte goes loses
    // its trail byte too, even among the last four bytes: left alone there
    // it would be a character of its own, and 0x5C a separator.
    const size_t limit = name.size() - 4;
    for (size_t i = 0; i < limit;) {
      const size_t next = NextCharacter(lead, name, i);
      for (size_t k = i; k < next; ++k)
        if (k >= limit || !IsAsciiAlnum(static_cast<uint8_t>(name[k]))) name[k] = '_';
      i = next;
    }
  }

  // Cutting can lengthen a name ("abcdefgh.x" becomes "abcdefgh.scr"), so a
  // long folder part plus the new name may no longer fit the field with its
  // NUL. Only the name is ever used for the installed file, so the folder
  // part gives way rather than the name being cut mid-extension.
  if (folder.size() + name.size() < sizeof(field)) name.insert(0, folder);
  // A stored name that filled all 256 bytes without a NUL may still do so
  // (readers stop at the field's width).
  std::memset(field, 0, sizeof(field));
  std::memcpy(field, name.data(), std::min(name.size(), sizeof(field)));
}

namespace {

// The record's block sizes as a builder writes them: none negative, the
// text-block region exactly the three blocks (a writer made for this system
// puts nothing else there), the region inside the file before the record.
// Anything else would place the language block (and the readme and
// licence) on bytes of the screensaver or the record, or move where the
// screensaver ends: a damaged size would install a screensaver cut short
// or with text bytes attached.
bool BlockSizesFit(const SetupRecord& record, int64_t package_end) {
  const int64_t text = record.TextBlocksSize;
  const int64_t readme = record.ReadmeSize;
  const int64_t license = record.LicenseSize;
  const int64_t language = record.LanguageSize;
  if (text < 0 || readme < 0 || license < 0 || language < 0) return false;
  return readme + license + language == text && text <= package_end - kRecordAndTrailerSize;
}

}  // namespace

LoadStatus ReadPackage(File& file, LoadedPackage& package, const LeadBytes& lead) {
  const int64_t size = file.Size();
  if (size < kRecordAndTrailerSize) return LoadStatus::kCorrupted;
  const int64_t end = FindPackageEnd(file, size);
  if (end < kRecordAndTrailerSize) return LoadStatus::kCorrupted;
  package.package_end = end;

  // Record and trailer in one read.
  char tail[kRecordAndTrailerSize];
  if (!ReadAt(file, end - kRecordAndTrailerSize, tail, sizeof(tail))) return LoadStatus::kCorrupted;
  SetupRecord& record = package.record;
  std::memcpy(&record, tail, sizeof(record));
  const char* marker = tail + kRecordSize;
  if (!BlockSizesFit(record, end)) return LoadStatus::kCorrupted;
  // Every name the install and the uninstall build from the title, the
  // file name and the folder fields must stay in its place and be a name
  // Windows takes, by the rules the author's tool applies. A package that
  // breaks them was not made by the tool (it was edited by hand): it is
  // refused as damaged here, before anything is written, rather than
  // installed halfway, into another folder, or under names that Windows
  // takes for a path, a stream or a device.
  size_t at = 0;
  if (CheckTitleForFiles(FieldView(record.ScrTitle), lead, &at) != NameFault::kNone ||
      CheckScrFileNameForFiles(FieldView(record.ScrFileName), lead, &at) != NameFault::kNone ||
      CheckFolderField(ShortStringView(record.DestFolder), true, lead, &at) != NameFault::kNone ||
      CheckFolderField(ShortStringView(record.DestSubfolder), false, lead, &at) != NameFault::kNone)
    return LoadStatus::kCorrupted;

  const BlockSpan language = LocateBlocks(record, end).language;
  if (!ReadBlock(file, size, language.offset, language.size, &package.language_text))
    return LoadStatus::kCorrupted;
  LoadLanguageTable(package.table, package.language_text, "Setup");

  package.kind = ClassifyTrailer(marker);
  switch (package.kind) {
    case TrailerKind::kSetup: {
      // The install run copies PackageSize - TextBlocksSize - 946 bytes from
      // PackageEnd - PackageSize: a size that makes that count negative, or
      // points before the start of the file, is a damaged package. (An
      // uninstaller copy's PackageSize is stale by design and never read.)
      const int64_t package_size = record.PackageSize;
      const int64_t text_size = record.TextBlocksSize;
      if (package_size < text_size + kRecordAndTrailerSize || package_size > end)
        return LoadStatus::kCorrupted;
      // Nor may the screensaver start anywhere but where the setup
      // program's own file ends: a damaged PackageSize would otherwise
      // install part of the program, or a screensaver without its start.
      if (!PackageStartsBehindImage(ReadProgramImage(file, size), end - package_size))
        return LoadStatus::kCorrupted;
      return LoadStatus::kOk;
    }
    case TrailerKind::kUninstaller:
      if (FieldView(record.RecordSignature) != RecordSignatureText()) return LoadStatus::kCorrupted;
      return LoadStatus::kOk;
    case TrailerKind::kNone:
      break;
  }
  return LoadStatus::kCorrupted;
}

LoadStatus LoadPackage(System& system, LoadedPackage& package, std::unique_ptr<File>& file) {
  package.program_path = system.ModulePath();
  file = system.OpenRead(package.program_path, Share::kDenyNone);
  if (!file) return LoadStatus::kCannotOpen;
  package.windows_version = WindowsVersionNumber(system.GetVersion());
  const LoadStatus status = ReadPackage(*file, package, LeadBytesOf(system));
  // The rule changes nothing but the file name, so it may follow the checks.
  if (status == LoadStatus::kOk && package.windows_version >= 5)
    NormaliseScrFileName(system, package.record.ScrFileName);
  return status;
}

bool ReadSetupTexts(File& file, LoadedPackage& package) {
  const SetupRecord& record = package.record;
  const int64_t size = file.Size();
  const int64_t region =
      package.package_end - kRecordAndTrailerSize - static_cast<int64_t>(record.TextBlocksSize);
  package.readme.clear();
  package.license.clear();
  const int32_t readme_size = record.ReadmeSize;
  const int32_t license_size = record.LicenseSize;
  // Both texts go into the wizard with their line breaks made CR LF, which
  // may take more room than the block itself.
  if (readme_size > 0 && (!ReadBlock(file, size, region, readme_size, &package.readme) ||
                          !CanAllocate(NormalisedLength(package.readme))))
    return false;
  if (LicensePageInUse(record) && license_size > 0) {
    const int64_t at = region + std::max<int32_t>(readme_size, 0);
    if (!ReadBlock(file, size, at, license_size, &package.license) ||
        !CanAllocate(NormalisedLength(package.license)))
      return false;
  }
  return true;
}

std::string NormaliseLineBreaks(std::string_view text) {
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::string out;
  out.reserve(NormalisedLength(text));
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace scr
