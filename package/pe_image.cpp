#include "package/pe_image.h"

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

}  // namespace scr
