// The record's byte layout and the package writer: a setup file written
// here loads back field for field, and its uninstaller copy holds exactly
// the program image, the text blocks, the in-memory record and the other
// trailer.
#include <gtest/gtest.h>

#include <cstring>

#include "package/loader.h"
#include "package/writer.h"
#include "platform/sim/sim_system.h"

namespace scr {
namespace {

using namespace std::string_literals;

std::string RecordBytes(const SetupRecord& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

TEST(SetupRecordLayout, FieldsLandOnTheirOffsets) {
  SetupRecord r{};
  r.PackageSize = 0x01020304;
  SetField(r.ScrFileName, "N");
  SetField(r.ScrTitle, "T");
  SetField(r.LinkAddress, "L");
  r.AddDesktopShortcut = 0xD5;
  r.LanguageSize = 0x7F000011;
  SetShortString(r.DestFolder, "xy");
  SetShortString(r.DestSubfolder, "z");
  r.SkipFolderPage = 0xEE;
  r.LicenseMode = 0xAB;
  const std::string b = RecordBytes(r);
  EXPECT_EQ(b.substr(0, 4), "\x04\x03\x02\x01");  // little-endian
  EXPECT_EQ(b.substr(4, 2), "N\0"s);
  EXPECT_EQ(b.substr(260, 2), "T\0"s);
  EXPECT_EQ(b.substr(292, 2), "L\0"s);
  EXPECT_EQ(static_cast<uint8_t>(b[396]), 0xD5);
  EXPECT_EQ(b.substr(412, 4), "\x11\0\0\x7F"s);
  EXPECT_EQ(b.substr(417, 3), "\x02xy");
  EXPECT_EQ(b.substr(668, 2), "\x01z");
  EXPECT_EQ(static_cast<uint8_t>(b[919]), 0xEE);
  EXPECT_EQ(static_cast<uint8_t>(b[931]), 0xAB);
}

TEST(SetupRecordLayout, TextFieldsStopAtTheirWidth) {
  SetupRecord r{};
  // A title that fills its field is cut so that a NUL always follows.
  SetField(r.ScrTitle, std::string(40, 'x'));
  EXPECT_EQ(FieldText(r.ScrTitle), std::string(31, 'x'));
  EXPECT_EQ(r.ScrTitle[31], '\0');
  // A damaged field without any NUL is read to its width, no further.
  std::memset(r.ScrTitle, 'y', sizeof(r.ScrTitle));
  EXPECT_EQ(FieldText(r.ScrTitle), std::string(32, 'y'));
  // A ShortString length byte above 250 reads 250 characters at most.
  std::memset(r.DestFolder, 'd', sizeof(r.DestFolder));
  r.DestFolder[0] = 255;
  EXPECT_EQ(ShortStringText(r.DestFolder), std::string(250, 'd'));
  SetShortString(r.DestSubfolder, std::string(300, 's'));
  EXPECT_EQ(r.DestSubfolder[0], 250);
}

TEST(SetupRecordLayout, TrailersAndSignature) {
  // Built at run time, like the program does, so no binary holds them.
  const std::string setup = "SCRB"s + "ui.sig", uninstaller = "ScUn"s + "in.sig";
  EXPECT_EQ(SetupTrailer(), setup);
  EXPECT_EQ(UninstallerTrailer(), uninstaller);
  EXPECT_EQ(ClassifyTrailer(setup.data()), TrailerKind::kSetup);
  EXPECT_EQ(ClassifyTrailer(uninstaller.data()), TrailerKind::kUninstaller);
  EXPECT_EQ(ClassifyTrailer("SCRBui.siG"), TrailerKind::kNone);
  EXPECT_EQ(ClassifyTrailer("scrbui.sig"), TrailerKind::kNone);
  EXPECT_EQ(RecordSignatureText(), "SCRSet.sig");
}

class PackageWriter : public testing::Test {
 protected:
  PackageWriter() = default;
  SimSystem sim;
};

TEST_F(PackageWriter, SetupFileAndUninstallerCopyRoundTrip) {
  const std::string image = "MZ program image \x01\x02"s;
  const std::string screensaver = "MZ the screensaver\0with NULs"s;
  const std::string readme = "Readme\r\n", license = "Licence\r\nterms",
                    language = "Setup\r\nNext=Weiter";
  SetupRecord in{};
  SetField(in.ScrFileName, "My Fish.scr");
  SetField(in.ScrTitle, "My Fish");
  SetField(in.LinkAddress, "http://example.org/fish");
  in.AddUninstallEntry = 1;
  in.AddStartMenuGroup = 1;
  in.AddDesktopShortcut = 1;
  SetShortString(in.DestFolder, "<Windows>\\");
  SetShortString(in.DestSubfolder, "Fish");
  in.SkipFolderPage = 1;
  in.LicenseMode = 3;
  {
    std::unique_ptr<File> out = sim.CreateFile(sim.module_path);
    ASSERT_TRUE(out);
    ASSERT_TRUE(WriteSetupFile(*out, image, screensaver, readme, license, language, in));
  }
  // Bytes appended later (a signature block) are not carried into the copy.
  const std::string written = sim.ReadWholeFile(sim.module_path);
  sim.PutFile(sim.module_path, written + std::string(5000, 'z'));

  LoadedPackage setup;
  std::unique_ptr<File> file;
  ASSERT_EQ(LoadPackage(sim, setup, file), LoadStatus::kOk);
  ASSERT_EQ(setup.kind, TrailerKind::kSetup);
  EXPECT_EQ(setup.package_end, static_cast<int64_t>(written.size()));
  const SetupRecord& r = setup.record;
  EXPECT_EQ(r.PackageSize,
            static_cast<int32_t>(screensaver.size() + readme.size() + license.size() +
                                 language.size() + kRecordAndTrailerSize));
  EXPECT_EQ(r.TextBlocksSize,
            static_cast<int32_t>(readme.size() + license.size() + language.size()));
  EXPECT_EQ(r.ReadmeSize, static_cast<int32_t>(readme.size()));
  EXPECT_EQ(r.LicenseSize, static_cast<int32_t>(license.size()));
  EXPECT_EQ(r.LanguageSize, static_cast<int32_t>(language.size()));
  EXPECT_EQ(FieldText(r.ScrFileName), "My_Fish.scr");  // Windows XP: the rule applied
  EXPECT_EQ(FieldText(r.ScrTitle), "My Fish");
  EXPECT_EQ(FieldText(r.LinkAddress), "http://example.org/fish");
  EXPECT_EQ(ShortStringText(r.DestFolder), "<Windows>\\");
  EXPECT_EQ(ShortStringText(r.DestSubfolder), "Fish");
  EXPECT_EQ(r.AddUninstallEntry + r.AddStartMenuGroup + r.AddDesktopShortcut + r.SkipFolderPage, 4);
  EXPECT_EQ(r.LicenseMode, 3);
  EXPECT_EQ(std::string(r.RecordSignature, sizeof(r.RecordSignature)), "SCRSet.sig\0"s);
  EXPECT_EQ(written.substr(written.size() - kRecordAndTrailerSize + 932, 4), std::string(4, '\0'));
  const PackageBlocks blocks = LocateBlocks(r, setup.package_end);
  EXPECT_EQ(written.substr(0, blocks.program_image.size), image);
  EXPECT_EQ(written.substr(blocks.screensaver.offset, blocks.screensaver.size), screensaver);
  ASSERT_TRUE(ReadSetupTexts(*file, setup));
  EXPECT_EQ(setup.readme, readme);
  EXPECT_EQ(setup.license, license);
  EXPECT_EQ(Translate(setup.table, "Next"), "Weiter");

  const std::string copy_path = "C:\\Program Files\\Fish\\uninstall My Fish.exe";
  sim.MakeFolders("C:\\Program Files\\Fish");
  {
    std::unique_ptr<File> out = sim.CreateFile(copy_path);
    ASSERT_TRUE(out);
    ASSERT_TRUE(WriteUninstallerCopy(*out, *file, setup.package_end, setup.record));
  }
  file.reset();
  const std::string copy = sim.ReadWholeFile(copy_path);
  EXPECT_EQ(copy,
            image + readme + license + language + RecordBytes(setup.record) + UninstallerTrailer());

  // The copy loads as an uninstaller with the same record and language,
  // its blocks found by the same formulas.
  sim.module_path = copy_path;
  LoadedPackage uninstall;
  ASSERT_EQ(LoadPackage(sim, uninstall, file), LoadStatus::kOk);
  EXPECT_EQ(uninstall.kind, TrailerKind::kUninstaller);
  EXPECT_EQ(uninstall.package_end, static_cast<int64_t>(copy.size()));
  EXPECT_EQ(RecordBytes(uninstall.record), RecordBytes(setup.record));
  EXPECT_EQ(Translate(uninstall.table, "Next"), "Weiter");
  const PackageBlocks copy_blocks = LocateBlocks(uninstall.record, uninstall.package_end);
  EXPECT_EQ(copy.substr(copy_blocks.readme.offset, copy_blocks.readme.size), readme);
  EXPECT_EQ(copy.substr(copy_blocks.license.offset, copy_blocks.license.size), license);
  EXPECT_EQ(copy.substr(copy_blocks.language.offset, copy_blocks.language.size), language);
  EXPECT_EQ(copy_blocks.text_region.offset, static_cast<int64_t>(image.size()));
}

TEST_F(PackageWriter, CopyWithoutTextBlocksAndFailingWrites) {
  SetupRecord in{};
  SetField(in.ScrFileName, "Aquarium.scr");
  SetField(in.ScrTitle, "Aquarium");
  {
    std::unique_ptr<File> out = sim.CreateFile(sim.module_path);
    ASSERT_TRUE(WriteSetupFile(*out, "IMAGE", "SAVER", "", "", "", in));
  }
  EXPECT_EQ(sim.ReadWholeFile(sim.module_path).size(), 5u + 5u + kRecordAndTrailerSize);
  LoadedPackage setup;
  std::unique_ptr<File> file;
  ASSERT_EQ(LoadPackage(sim, setup, file), LoadStatus::kOk);
  {
    std::unique_ptr<File> out = sim.CreateFile("C:\\Setup\\copy.exe");
    ASSERT_TRUE(WriteUninstallerCopy(*out, *file, setup.package_end, setup.record));
  }
  EXPECT_EQ(sim.ReadWholeFile("C:\\Setup\\copy.exe"),
            "IMAGE" + RecordBytes(setup.record) + UninstallerTrailer());

  // A write that fails anywhere is reported, never taken for success.
  for (int64_t limit : {0, 3, 5, 5 + 936, 5 + 946 - 1}) {
    sim.fail_write_after["C:\\Setup\\broken.exe"] = limit;
    std::unique_ptr<File> out = sim.CreateFile("C:\\Setup\\broken.exe");
    ASSERT_TRUE(out);
    EXPECT_FALSE(WriteUninstallerCopy(*out, *file, setup.package_end, setup.record)) << limit;
  }
}

}  // namespace
}  // namespace scr
