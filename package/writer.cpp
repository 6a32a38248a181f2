#include "package/writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "package/pe_image.h"

namespace scr {

bool CopyFileRange(File& in, int64_t position, int64_t count, File& out, size_t chunk) {
  if (count < 0 || position < 0) return false;
  if (count == 0) return true;
  if (!in.Seek(position)) return false;
  std::vector<char> buffer(
      static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(chunk))));
  while (count > 0) {
    size_t want =
        static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(buffer.size())));
    if (!in.ReadExact(buffer.data(), want) || !out.Write(buffer.data(), want)) return false;
    count -= static_cast<int64_t>(want);
  }
  return true;
}

void CompleteSetupRecord(SetupRecord& record, int64_t screensaver_size, int64_t readme_size,
                         int64_t license_size, int64_t language_size) {
  const int64_t text = readme_size + license_size + language_size;
  record.ReadmeSize = static_cast<int32_t>(readme_size);
  record.LicenseSize = static_cast<int32_t>(license_size);
  record.LanguageSize = static_cast<int32_t>(language_size);
  record.TextBlocksSize = static_cast<int32_t>(text);
  record.PackageSize = static_cast<int32_t>(screensaver_size + text + kRecordAndTrailerSize);
  std::memset(record.RecordSignature, 0, sizeof(record.RecordSignature));
  std::string signature = RecordSignatureText();
  std::memcpy(record.RecordSignature, signature.data(), signature.size());
}

bool WriteSetupFile(File& out, std::string_view program_image, std::string_view screensaver,
                    std::string_view readme, std::string_view license, std::string_view language,
                    SetupRecord record) {
  CompleteSetupRecord(record, static_cast<int64_t>(screensaver.size()),
                      static_cast<int64_t>(readme.size()), static_cast<int64_t>(license.size()),
                      static_cast<int64_t>(language.size()));
  const std::string trailer = SetupTrailer();
  for (std::string_view piece : {program_image, screensaver, readme, license, language}) {
    if (!piece.empty() && !out.Write(piece.data(), piece.size())) return false;
  }
  return out.Write(&record, sizeof(record)) && out.Write(trailer.data(), trailer.size());
}

bool WriteUninstallerCopy(File& out, File& setup, int64_t package_end, const SetupRecord& record) {
  const PackageBlocks blocks = LocateBlocks(record, package_end);
  const std::string trailer = UninstallerTrailer();
  // An uninstaller copy loads only with its record signature, which a setup
  // run never looks at: a setup file whose signature is damaged would
  // otherwise install a screensaver that its own uninstaller refuses to
  // remove. The copy carries the signature it needs; the rest of the record
  // is as loading left it.
  SetupRecord copy = record;
  SetField(copy.RecordSignature, RecordSignatureText());
  // The image's header goes through a buffer: a signed setup file's
  // signature stays behind, so the copy must not point at it.
  const int64_t image = blocks.program_image.size;
  if (image < 0) return false;
  std::string head(
      static_cast<size_t>(std::min<int64_t>(image, static_cast<int64_t>(kPeHeaderSpan))), '\0');
  if (!head.empty()) {
    if (!setup.Seek(0) || !setup.ReadExact(head.data(), head.size())) return false;
    ClearSignatureFields(head);  // an image without a PE header is copied as it is
    if (!out.Write(head.data(), head.size())) return false;
  }
  const int64_t rest = image - static_cast<int64_t>(head.size());
  return CopyFileRange(setup, static_cast<int64_t>(head.size()), rest, out) &&
         CopyFileRange(setup, blocks.text_region.offset, blocks.text_region.size, out) &&
         out.Write(&copy, sizeof(copy)) && out.Write(trailer.data(), trailer.size());
}

}  // namespace scr
