#include "package/pe_image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace scr {
namespace {

// Offsets and sizes in the PE format.
constexpr size_t kMzHeaderSize = 64;
constexpr size_t kNewHeaderPointer = 0x3C;  // in the MZ header
constexpr size_t kPeSignatureSize = 4;      // "PE\0\0"
// The file header, after the signature.
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionCountField = 2;
constexpr size_t kSymbolTableField = 8;
constexpr size_t kSymbolCountField = 12;
constexpr size_t kOptionalSizeField = 16;
// The optional header.
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kHeadersSizeField = 60;  // SizeOfHeaders
constexpr size_t kChecksumField = 64;
constexpr size_t kPe32Directories = 96, kPe32PlusDirectories = 112;
constexpr size_t kDirectoryCountSize = 4;  // NumberOfRvaAndSizes, just before the directories
constexpr size_t kSecurityDirectory = 4;   // its index
constexpr size_t kDirectoryEntrySize = 8;
// A section table entry, and a symbol.
constexpr size_t kSectionEntrySize = 40;
constexpr size_t kRawSizeField = 16;
constexpr size_t kRawPositionField = 20;
constexpr int64_t kSymbolSize = 18;

// Little-endian fields, each one plain load: the package's record is read
// the same way (record.h holds the build to little-endian hosts).
template <typename Field>
uint32_t LoadField(const uint8_t* p) {
  Field value;
  std::memcpy(&value, p, sizeof(value));
  return value;
}
uint32_t Le16(const uint8_t* p) { return LoadField<uint16_t>(p); }
uint32_t Le32(const uint8_t* p) { return LoadField<uint32_t>(p); }
const uint8_t* At(const std::string& bytes, size_t at) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + at;
}

size_t DirectoriesOffset(uint32_t magic) {
  return magic == kPe32Magic ? kPe32Directories : kPe32PlusDirectories;
}

}  // namespace

bool ClearSignatureFields(std::string& head) {
  if (head.size() < kNewHeaderPointer + 4 || head[0] != 'M' || head[1] != 'Z') return false;
  const size_t pe = Le32(At(head, kNewHeaderPointer));
  const size_t optional = pe + kPeSignatureSize + kFileHeaderSize;
  if (pe > head.size() || optional + 2 > head.size() || std::memcmp(&head[pe], "PE\0\0", 4) != 0)
    return false;
  const size_t optional_size = Le16(At(head, pe + kPeSignatureSize + kOptionalSizeField));
  if (optional + optional_size > head.size()) return false;

  const uint32_t magic = Le16(At(head, optional));
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
  const size_t directories = DirectoriesOffset(magic);
  if (optional_size < directories) return false;
  const uint32_t count = Le32(At(head, optional + directories - kDirectoryCountSize));

  std::memset(&head[optional + kChecksumField], 0, 4);
  const size_t security = optional + directories + kSecurityDirectory * kDirectoryEntrySize;
  if (count > kSecurityDirectory && security + kDirectoryEntrySize <= optional + optional_size)
    std::memset(&head[security], 0, kDirectoryEntrySize);
  return true;
}

ProgramImage ReadProgramImage(File& file, int64_t size) {
  ProgramImage image;
  // The headers and the section table of every program this system builds
  // lie within its first page.
  // On the heap: setup.exe is built without stack probes, so no frame of
  // it may hold a page (cmake/win32.cmake).
  std::vector<uint8_t> page(kPeHeaderSpan);
  const uint8_t* head = page.data();
  const size_t n = static_cast<size_t>(std::min<int64_t>(size, kPeHeaderSpan));
  if (n < kMzHeaderSize || !(file.Seek(0) && file.ReadExact(page.data(), n)) || head[0] != 'M' ||
      head[1] != 'Z')
    return image;
  const uint32_t pe = Le32(head + kNewHeaderPointer);
  if (pe > n - (kPeSignatureSize + kFileHeaderSize) || std::memcmp(head + pe, "PE\0\0", 4) != 0)
    return image;
  const uint8_t* coff = head + pe + kPeSignatureSize;
  const uint32_t sections = Le16(coff + kSectionCountField);
  const uint32_t symbols_at = Le32(coff + kSymbolTableField);
  const uint32_t symbols = Le32(coff + kSymbolCountField);
  const uint32_t optional_size = Le16(coff + kOptionalSizeField);
  const size_t optional = pe + kPeSignatureSize + kFileHeaderSize;
  if (optional + optional_size > n || optional_size < kChecksumField) return image;
  const uint32_t magic = Le16(head + optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return image;
  const size_t table = optional + optional_size;
  if (table + static_cast<size_t>(sections) * kSectionEntrySize > n) return image;

  int64_t end = Le32(head + optional + kHeadersSizeField);
  for (uint32_t i = 0; i < sections; ++i) {
    const uint8_t* section = head + table + i * kSectionEntrySize;
    const int64_t raw_size = Le32(section + kRawSizeField);
    if (raw_size > 0)
      end = std::max<int64_t>(end, int64_t{Le32(section + kRawPositionField)} + raw_size);
  }
  if (symbols_at != 0) {
    // A program that was not stripped: its symbols and their string table
    // (a 32-bit length, then the strings) follow the sections.
    const int64_t strings = int64_t{symbols_at} + int64_t{symbols} * kSymbolSize;
    uint8_t length[4] = {};
    const int64_t string_bytes =
        strings + 4 <= size && file.Seek(strings) && file.ReadExact(length, 4) ? Le32(length) : 4;
    end = std::max<int64_t>(end, strings + std::max<int64_t>(string_bytes, 4));
  }
  image.end = end;
  // The certificate table (a file position, not an address): a signature
  // made before the package was appended lies right behind the sections.
  // The directory count is read only when the security entry lies inside
  // the optional header: a shorter header may end at the page's end.
  const size_t directories = optional + DirectoriesOffset(magic);
  if (directories + (kSecurityDirectory + 1) * kDirectoryEntrySize <= table &&
      Le32(head + directories - kDirectoryCountSize) > kSecurityDirectory) {
    const uint8_t* security = head + directories + kSecurityDirectory * kDirectoryEntrySize;
    image.certificate = {Le32(security), Le32(security + 4)};
  }
  return image;
}

bool PackageStartsBehindImage(const ProgramImage& image, int64_t start) {
  if (image.end < 0) return true;  // no program image this loader can read
  if (start == image.end) return true;
  // A program signed before its package was appended: the signature (its
  // start aligned to 8 bytes) directly follows the sections, and the
  // package follows the signature.
  const BlockSpan& c = image.certificate;
  return c.size > 0 && c.offset >= image.end && c.offset - image.end < 8 &&
         start == c.offset + c.size;
}

}  // namespace scr
