// The byte layout of a setup package: the 936-byte settings record and the
// 10-byte trailer that end every setup file and every uninstaller copy.
//
//   setup file:       program image | screensaver | readme licence language |
//                     SetupRecord | "SCRBui.sig"
//   uninstaller copy: program image | readme licence language |
//                     SetupRecord | "ScUnin.sig"
//
// Every position is counted back from PackageEnd, the file position just
// behind the trailer, so bytes appended after a trailer do not move anything.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scr {

static_assert(std::endian::native == std::endian::little,
              "the record is read and written as raw little-endian bytes");

inline constexpr int kRecordSize = 936;
inline constexpr int kTrailerSize = 10;
inline constexpr int kRecordAndTrailerSize = kRecordSize + kTrailerSize;  // 946
inline constexpr int kShortStringMax = 250;

#pragma pack(push, 1)
struct SetupRecord {
  int32_t PackageSize;
  char ScrFileName[256];
  char ScrTitle[32];
  char LinkAddress[102];
  uint8_t AddUninstallEntry;
  uint8_t AddStartMenuGroup;
  uint8_t AddDesktopShortcut;
  uint8_t reserved1[3];
  int32_t TextBlocksSize;
  int32_t ReadmeSize;
  int32_t LicenseSize;
  int32_t LanguageSize;
  uint8_t reserved2;
  uint8_t DestFolder[1 + kShortStringMax];     // length byte, then characters
  uint8_t DestSubfolder[1 + kShortStringMax];  // length byte, then characters
  uint8_t SkipFolderPage;
  char RecordSignature[11];
  uint8_t LicenseMode;
  uint8_t reserved3[4];
};
#pragma pack(pop)

static_assert(sizeof(SetupRecord) == kRecordSize);
static_assert(offsetof(SetupRecord, PackageSize) == 0);
static_assert(offsetof(SetupRecord, ScrFileName) == 4);
static_assert(offsetof(SetupRecord, ScrTitle) == 260);
static_assert(offsetof(SetupRecord, LinkAddress) == 292);
static_assert(offsetof(SetupRecord, AddUninstallEntry) == 394);
static_assert(offsetof(SetupRecord, AddStartMenuGroup) == 395);
static_assert(offsetof(SetupRecord, AddDesktopShortcut) == 396);
static_assert(offsetof(SetupRecord, reserved1) == 397);
static_assert(offsetof(SetupRecord, TextBlocksSize) == 400);
static_assert(offsetof(SetupRecord, ReadmeSize) == 404);
static_assert(offsetof(SetupRecord, LicenseSize) == 408);
static_assert(offsetof(SetupRecord, LanguageSize) == 412);
static_assert(offsetof(SetupRecord, reserved2) == 416);
static_assert(offsetof(SetupRecord, DestFolder) == 417);
static_assert(offsetof(SetupRecord, DestSubfolder) == 668);
static_assert(offsetof(SetupRecord, SkipFolderPage) == 919);
static_assert(offsetof(SetupRecord, RecordSignature) == 920);
static_assert(offsetof(SetupRecord, LicenseMode) == 931);
static_assert(offsetof(SetupRecord, reserved3) == 932);

enum class TrailerKind { kNone, kSetup, kUninstaller };

// The two trailers and the record signature. The program must not hold the
// trailers as contiguous bytes in its own image: when the real trailer is
// missing (a bare program, a download cut short), the backward search would
// find them inside the program's code and read a "record" from it. They are
// therefore decoded at run time from scrambled bytes.
std::string SetupTrailer();         // "SCRBui.sig"
std::string UninstallerTrailer();   // "ScUnin.sig"
std::string RecordSignatureText();  // "SCRSet.sig"

// The kind of a 10-byte window: kSetup, kUninstaller or kNone.
TrailerKind ClassifyTrailer(const char* ten_bytes);

// Text of a NUL-terminated char field, read at most `width` bytes. The
// view serves where the text is only looked at, and costs no copy.
std::string_view FieldView(const char* field, size_t width);
template <size_t N>
std::string_view FieldView(const char (&field)[N]) {
  return FieldView(field, N);
}
std::string FieldText(const char* field, size_t width);
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return FieldText(field, N);
}
// Stores `text` into a char field of `width` bytes, NUL-padded. The caller
// makes sure it fits (at most width - 1 bytes).
void SetField(char* field, size_t width, std::string_view text);
template <size_t N>
void SetField(char (&field)[N], std::string_view text) {
  SetField(field, N, text);
}

// Text of a ShortString (length byte 0..250, then characters).
std::string ShortStringText(const uint8_t (&field)[1 + kShortStringMax]);
std::string_view ShortStringView(const uint8_t (&field)[1 + kShortStringMax]);
void SetShortString(uint8_t (&field)[1 + kShortStringMax], std::string_view text);

bool LicensePageInUse(const SetupRecord& record);  // LicenseMode 1, 2 or 3

// A stretch of the file: first byte and length, in 64-bit arithmetic from
// the sign-extended 32-bit fields (a damaged record may give negative or
// out-of-file values; the caller checks them).
struct BlockSpan {
  int64_t offset = 0;
  int64_t size = 0;
};

// Where a setup file's pieces lie, counted back from `package_end`
// (E): program image 0..E-PackageSize, screensaver E-PackageSize with
// PackageSize-TextBlocksSize-946 bytes, text-block region R = E-946-
// TextBlocksSize with the readme at R, the licence at R+ReadmeSize and the
// language at R+ReadmeSize+LicenseSize, record at E-946, trailer at E-10.
// In an uninstaller copy the region, the blocks, the record and the trailer
// are found by the same formulas (PackageSize is stale there; the program
// image is everything before the region).
struct PackageBlocks {
  BlockSpan program_image, screensaver, text_region, readme, license, language, record, trailer;
};
PackageBlocks LocateBlocks(const SetupRecord& record, int64_t package_end);

}  // namespace scr
