#include "package/record.h"

#include <algorithm>
#include <cstring>

namespace scr {
namespace {

// The trailers, each byte XOR-ed with a key that the compiler cannot see
// through, so the plain texts never stand in the program image.
constexpr uint8_t kScramble = 0x5A;
constexpr uint8_t kSetupScrambled[kTrailerSize] = {
    'S' ^ kScramble, 'C' ^ kScramble, 'R' ^ kScramble, 'B' ^ kScramble, 'u' ^ kScramble,
    'i' ^ kScramble, '.' ^ kScramble, 's' ^ kScramble, 'i' ^ kScramble, 'g' ^ kScramble};
constexpr uint8_t kUninstallerScrambled[kTrailerSize] = {
    'S' ^ kScramble, 'c' ^ kScramble, 'U' ^ kScramble, 'n' ^ kScramble, 'i' ^ kScramble,
    'n' ^ kScramble, '.' ^ kScramble, 's' ^ kScramble, 'i' ^ kScramble, 'g' ^ kScramble};

std::string Descramble(const uint8_t (&bytes)[kTrailerSize]) {
  // A volatile key keeps the optimiser from folding the result back into a
  // constant string.
  volatile uint8_t key = kScramble;
  std::string text(kTrailerSize, '\0');
  for (int i = 0; i < kTrailerSize; ++i) text[i] = static_cast<char>(bytes[i] ^ key);
  return text;
}

}  // namespace

std::string SetupTrailer() { return Descramble(kSetupScrambled); }
std::string UninstallerTrailer() { return Descramble(kUninstallerScrambled); }
std::string RecordSignatureText() { return "SCRSet.sig"; }

TrailerKind ClassifyTrailer(const char* ten_bytes) {
  std::string_view window(ten_bytes, kTrailerSize);
  if (window == SetupTrailer()) return TrailerKind::kSetup;
  if (window == UninstallerTrailer()) return TrailerKind::kUninstaller;
  return TrailerKind::kNone;
}

std::string_view FieldView(const char* field, size_t width) {
  const void* nul = std::memchr(field, '\0', width);
  size_t length = nul ? static_cast<const char*>(nul) - field : width;
  return std::string_view(field, length);
}

std::string FieldText(const char* field, size_t width) {
  return std::string(FieldView(field, width));
}

void SetField(char* field, size_t width, std::string_view text) {
  std::memset(field, 0, width);
  std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

std::string_view ShortStringView(const uint8_t (&field)[1 + kShortStringMax]) {
  size_t length = std::min<size_t>(field[0], kShortStringMax);
  return std::string_view(reinterpret_cast<const char*>(field + 1), length);
}

std::string ShortStringText(const uint8_t (&field)[1 + kShortStringMax]) {
  return std::string(ShortStringView(field));
}

void SetShortString(uint8_t (&field)[1 + kShortStringMax], std::string_view text) {
  std::memset(field, 0, sizeof(field));
  size_t length = std::min<size_t>(text.size(), kShortStringMax);
  field[0] = static_cast<uint8_t>(length);
  std::memcpy(field + 1, text.data(), length);
}

bool LicensePageInUse(const SetupRecord& record) {
  return record.LicenseMode >= 1 && record.LicenseMode <= 3;
}

PackageBlocks LocateBlocks(const SetupRecord& record, int64_t package_end) {
  const int64_t package_size = record.PackageSize;
  const int64_t text = record.TextBlocksSize;
  const int64_t readme = record.ReadmeSize;
  const int64_t license = record.LicenseSize;
  PackageBlocks b;
  b.record = {package_end - kRecordAndTrailerSize, kRecordSize};
  b.trailer = {package_end - kTrailerSize, kTrailerSize};
  b.text_region = {b.record.offset - text, text};
  b.readme = {b.text_region.offset, readme};
  b.license = {b.readme.offset + readme, license};
  b.language = {b.license.offset + license, record.LanguageSize};
  b.program_image = {0, package_end - package_size};
  b.screensaver = {package_end - package_size, package_size - text - kRecordAndTrailerSize};
  return b;
}

}  // namespace scr
