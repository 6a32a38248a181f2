// The uninstaller copy of a signed setup file is cleanly unsigned: the
// checksum and the security directory entry of its PE header are cleared,
// every other byte of the image is copied, and the setup file stays as it
// is.
#include "package/pe_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "package/loader.h"
#include "package/writer.h"
#include "platform/sim/sim_system.h"
#include "tests/unit/test_package.h"

namespace scr {
namespace {

constexpr size_t kPe = 0x80;
constexpr size_t kOptional = kPe + 24;

void Put32(std::string& bytes, size_t at, uint32_t value) {
  std::memcpy(&bytes[at], &value, sizeof(value));
}
void Put16(std::string& bytes, size_t at, uint16_t value) {
  std::memcpy(&bytes[at], &value, sizeof(value));
}
uint32_t Get32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, &bytes[at], sizeof(value));
  return value;
}

// A program image of `size` bytes with a PE32 (or PE32+) header whose
// checksum and security directory entry are set, as signing leaves them.
// Every other byte is a pattern, so a byte copied from the wrong place
// shows.
std::string SignedImage(size_t size, bool plus = false, uint32_t directories = 16) {
  std::string image(size, '\0');
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<char>('a' + i % 23);
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3C, kPe);
  std::memcpy(&image[kPe], "PE\0\0", 4);
  const uint16_t optional_size = plus ? 240 : 224;
  Put16(image, kPe + 4 + 16, optional_size);
  Put16(image, kOptional, plus ? 0x20B : 0x10B);
  Put32(image, kOptional + 64, 0x00031A5B);  // checksum
  const size_t dirs = kOptional + (plus ? 112 : 96);
  Put32(image, dirs - 4, directories);
  Put32(image, dirs + 4 * 8, 0x00500000);      // security: file position
  Put32(image, dirs + 4 * 8 + 4, 0x00000600);  // security: size
  return image;
}

size_t Security(bool plus) { return kOptional + (plus ? 112 : 96) + 4 * 8; }

// ---- the header fields ----

TEST(SignatureFields, ChecksumAndSecurityEntryAreClearedInPe32AndPe32Plus) {
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    const std::string image = SignedImage(1024, plus);
    std::string head = image;
    ASSERT_TRUE(ClearSignatureFields(head));
    EXPECT_EQ(Get32(head, kOptional + 64), 0u);
    EXPECT_EQ(Get32(head, Security(plus)), 0u);
    EXPECT_EQ(Get32(head, Security(plus) + 4), 0u);
    // Nothing else changed: the import and other directory entries stay.
    std::string expected = image;
    std::memset(&expected[kOptional + 64], 0, 4);
    std::memset(&expected[Security(plus)], 0, 8);
    EXPECT_EQ(head, expected);
  }
}

TEST(SignatureFields, AnImageWithoutASecurityEntryLosesOnlyItsChecksum) {
  const std::string image = SignedImage(1024, false, 4);
  std::string head = image;
  ASSERT_TRUE(ClearSignatureFields(head));
  EXPECT_EQ(Get32(head, kOptional + 64), 0u);
  EXPECT_EQ(head.substr(Security(false), 8), image.substr(Security(false), 8));
}

TEST(SignatureFields, BytesThatHoldNoWholePeHeaderStayAsTheyAre) {
  std::string not_mz = SignedImage(1024);
  not_mz[0] = 'X';
  std::string no_signature = SignedImage(1024);
  no_signature[kPe + 1] = 'X';
  std::string far_header = SignedImage(1024);
  Put32(far_header, 0x3C, 0x7FFFFFF0);
  std::string cut = SignedImage(1024).substr(0, kOptional + 100);
  std::string short_optional = SignedImage(1024);
  Put16(short_optional, kPe + 4 + 16, 90);
  std::string other_magic = SignedImage(1024);
  Put16(other_magic, kOptional, 0x107);
  for (const std::string& bytes : {not_mz, no_signature, far_header, cut, short_optional,
                                   other_magic, std::string("MZ"), std::string()}) {
    std::string head = bytes;
    EXPECT_FALSE(ClearSignatureFields(head));
    EXPECT_EQ(head, bytes);
  }
}

// ---- the uninstaller copy ----

TEST(SignedSetupCopy, TheCopyIsTheImageUnsignedAndTheSetupFileIsUntouched) {
  SimSystem sim;
  // Longer than the header span, so the copy joins the buffered header and
  // the streamed rest.
  const std::string image = SignedImage(kPeHeaderSpan + 5000);
  ASSERT_TRUE(WriteTestPackage(sim, {.image = image, .readme = "readme", .language = "Setup\r\n"}));
  // The signature, appended after the trailer as Authenticode does.
  const std::string signed_setup = sim.ReadWholeFile(sim.module_path) + std::string(1536, 'C');
  sim.PutFile(sim.module_path, signed_setup);

  LoadedPackage setup;
  std::unique_ptr<File> file;
  ASSERT_EQ(LoadPackage(sim, setup, file), LoadStatus::kOk);
  {
    std::unique_ptr<File> out = sim.CreateFile("C:\\Setup\\uninstall Aquarium.exe");
    ASSERT_TRUE(WriteUninstallerCopy(*out, *file, setup.package_end, setup.record));
  }
  file.reset();
  EXPECT_EQ(sim.ReadWholeFile(sim.module_path), signed_setup);

  const std::string copy = sim.ReadWholeFile("C:\\Setup\\uninstall Aquarium.exe");
  std::string unsigned_image = image;
  std::memset(&unsigned_image[kOptional + 64], 0, 4);
  std::memset(&unsigned_image[Security(false)], 0, 8);
  ASSERT_GE(copy.size(), image.size());
  EXPECT_EQ(copy.substr(0, image.size()), unsigned_image);
  EXPECT_EQ(copy.find(std::string(64, 'C')), std::string::npos);  // no signature bytes

  sim.module_path = "C:\\Setup\\uninstall Aquarium.exe";
  LoadedPackage uninstaller;
  ASSERT_EQ(LoadPackage(sim, uninstaller, file), LoadStatus::kOk);
  EXPECT_EQ(uninstaller.kind, TrailerKind::kUninstaller);
}

}  // namespace
}  // namespace scr
