#include "package/pe_image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace scr {
namespace {

uint32_t Read32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof(value));
  return value;
}

uint16_t Read16(const std::string& bytes, size_t at) {
  uint16_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof(value));
  return value;
}

// Offsets in the PE format.
constexpr size_t kNewHeaderPointer = 0x3C;  // in the MZ header
constexpr size_t kFileHeaderSize = 20;      // after the "PE\0\0" signature
constexpr size_t kOptionalSizeField = 16;   // in the file header
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kChecksumField = 64;                                // in the optional header
constexpr size_t kPe32Directories = 96, kPe32PlusDirectories = 112;  // in the optional header
constexpr size_t kSecurityDirectory = 4;                             // its index
constexpr size_t kDirectoryEntrySize = 8;

uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

bool ClearSignatureFields(std::string& head) {
  if (head.size() < kNewHeaderPointer + 4 || head[0] != 'M' || head[1] != 'Z') return false;
  const size_t pe = Read32(head, kNewHeaderPointer);
  const size_t optional = pe + 4 + kFileHeaderSize;
  if (pe > head.size() || optional + 2 > head.size() || std::memcmp(&head[pe], "PE\0\0", 4) != 0)
    return false;
  const size_t optional_size = Read16(head, pe + 4 + kOptionalSizeField);
  if (optional + optional_size > head.size()) return false;

  const uint16_t magic = Read16(head, optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
  const size_t directories = magic == kPe32Magic ? kPe32Directories : kPe32PlusDirectories;
  if (optional_size < directories) return false;
  const uint32_t count = Read32(head, optional + directories - 4);  // NumberOfRvaAndSizes

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
  uint8_t head[kPeHeaderSpan];
  const size_t n = static_cast<size_t>(std::min<int64_t>(size, sizeof(head)));
  if (n < 64 || !(file.Seek(0) && file.ReadExact(head, n)) || head[0] != 'M' || head[1] != 'Z')
    return image;
  const uint32_t pe = Le32(head + 0x3C);
  if (pe > n - 24 || std::memcmp(head + pe, "PE\0\0", 4) != 0) return image;
  const uint8_t* coff = head + pe + 4;
  const uint32_t sections = Le16(coff + 2);
  const uint32_t symbols_at = Le32(coff + 8);
  const uint32_t symbols = Le32(coff + 12);
  const uint32_t optional_size = Le16(coff + 16);
  const size_t optional = pe + 24;
  if (optional + optional_size > n || optional_size < 64) return image;
  const uint32_t magic = Le16(head + optional);
  if (magic != 0x10B && magic != 0x20B) return image;  // PE32, PE32+
  const size_t table = optional + optional_size;
  if (table + static_cast<size_t>(sections) * 40 > n) return image;

  int64_t end = Le32(head + optional + 60);  // SizeOfHeaders
  for (uint32_t i = 0; i < sections; ++i) {
    const uint8_t* section = head + table + i * 40;
    const int64_t raw_size = Le32(section + 16);
    if (raw_size > 0) end = std::max<int64_t>(end, int64_t{Le32(section + 20)} + raw_size);
  }
  if (symbols_at != 0) {
    // A program that was not stripped: its symbols and their string table
    // (a 32-bit length, then the strings) follow the sections.
    const int64_t strings = int64_t{symbols_at} + int64_t{symbols} * 18;
    uint8_t length[4] = {};
    const int64_t string_bytes =
        strings + 4 <= size && file.Seek(strings) && file.ReadExact(length, 4) ? Le32(length) : 4;
    end = std::max<int64_t>(end, strings + std::max<int64_t>(string_bytes, 4));
  }
  image.end = end;
  // The certificate table (a file position, not an address): a signature
  // made before the package was appended lies right behind the sections.
  const size_t directories = optional + (magic == 0x10B ? 96 : 112);
  const uint32_t count = Le32(head + optional + (magic == 0x10B ? 92 : 108));
  if (count > 4 && directories + 5 * 8 <= table) {
    image.certificate = {Le32(head + directories + 4 * 8), Le32(head + directories + 4 * 8 + 4)};
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
