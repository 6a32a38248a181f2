// Package loading against the simulated Windows: the trailer search, the
// version classification, the file-name rule and the checks that turn a
// damaged record into the corrupted-file report.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "package/loader.h"
#include "package/writer.h"
#include "platform/sim/sim_system.h"
#include "setup/silent_run.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"

namespace scr {
namespace {

// Random bytes that cannot hold a trailer (both start with "S").
std::string NoiseWithoutTrailer(std::mt19937& random, size_t size) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(random() & 0xFF);
    if (c == 'S') c = 's';
  }
  return bytes;
}

// The search as the format describes it: one window per byte, from the end.
int64_t ReferencePackageEnd(const std::string& bytes) {
  const std::string setup = SetupTrailer(), uninstaller = UninstallerTrailer();
  for (int64_t end = static_cast<int64_t>(bytes.size()); end - kTrailerSize >= 0; --end) {
    const std::string_view window(bytes.data() + end - kTrailerSize, kTrailerSize);
    if (window == setup || window == uninstaller) return end;
  }
  return -1;
}

void PutInt32(std::string& bytes, int64_t at, int32_t value) {
  std::memcpy(bytes.data() + at, &value, sizeof(value));
}

class PackageLoading : public testing::Test {
 protected:
  PackageLoading() = default;

  // Every block and the link in use, the licence shown.
  static TestPackage Full() {
    return {.image = "MZ\x90 setup program image",
            .screensaver = "MZ screensaver bytes",
            .readme = "Readme line 1\r\nline 2",
            .license = "Licence text",
            .language = "Setup\r\nNext=Weiter\r\nCancel=Abbrechen\r\n",
            .link = "http://example.com/",
            .uninstall_entry = true,
            .license_mode = 1};
  }

  // A setup file as the writer produces it.
  std::string Build(const TestPackage& p = Full()) {
    const std::string path = "C:\\Build\\package.exe";
    sim.MakeFolders("C:\\Build");
    EXPECT_TRUE(WriteTestPackage(sim, p, path));
    return sim.ReadWholeFile(path);
  }

  LoadStatus Load(const std::string& bytes) {
    sim.PutFile(sim.module_path, bytes);
    file.reset();
    package = LoadedPackage{};
    sim.read_calls = 0;
    return LoadPackage(sim, package, file);
  }

  int64_t FindInSandbox(const std::string& bytes) {
    sim.PutFile("C:\\Search\\file.bin", bytes);
    std::unique_ptr<File> f = sim.OpenRead("C:\\Search\\file.bin", Share::kDenyNone);
    EXPECT_TRUE(f);
    return f ? FindPackageEnd(*f, f->Size()) : -2;
  }

  SimSystem sim;
  LoadedPackage package;
  std::unique_ptr<File> file;
};

// ---- trailer search ----

TEST_F(PackageLoading, AppendedBytesChangeNothingButTheFileSize) {
  std::mt19937 random(7);
  const std::string plain = Build();
  ASSERT_EQ(Load(plain), LoadStatus::kOk);
  // Trailer, record with trailer, language block, the program's headers.
  EXPECT_EQ(sim.read_calls, 4);
  const LoadedPackage reference = package;
  ASSERT_TRUE(ReadSetupTexts(*file, package));
  const std::string readme = package.readme, license = package.license;
  EXPECT_EQ(reference.package_end, static_cast<int64_t>(plain.size()));

  for (size_t appended : {size_t{5000}, size_t{1} << 20}) {
    SCOPED_TRACE(appended);
    ASSERT_EQ(Load(plain + NoiseWithoutTrailer(random, appended)), LoadStatus::kOk);
    // One read per 64 KiB block of the search, not one per byte.
    EXPECT_LE(sim.read_calls, 4 + static_cast<int64_t>(appended / kTrailerSearchBlock) + 1);
    EXPECT_EQ(package.package_end, reference.package_end);
    EXPECT_EQ(std::memcmp(&package.record, &reference.record, sizeof(SetupRecord)), 0);
    EXPECT_EQ(package.kind, TrailerKind::kSetup);
    EXPECT_EQ(package.language_text, reference.language_text);
    EXPECT_EQ(Translate(package.table, "Next"), "Weiter");
    ASSERT_TRUE(ReadSetupTexts(*file, package));
    EXPECT_EQ(package.readme, readme);
    EXPECT_EQ(package.license, license);
  }
}

TEST_F(PackageLoading, ScreensaverEndingInTheSetupTrailerDoesNotDisturb) {
  TestPackage p = Full();
  p.screensaver = "screensaver with its own data" + SetupTrailer();
  const std::string bytes = Build(p);
  ASSERT_EQ(Load(bytes), LoadStatus::kOk);
  EXPECT_EQ(package.package_end, static_cast<int64_t>(bytes.size()));
  const PackageBlocks blocks = LocateBlocks(package.record, package.package_end);
  EXPECT_EQ(bytes.substr(blocks.screensaver.offset, blocks.screensaver.size), p.screensaver);
  EXPECT_EQ(Translate(package.table, "Cancel"), "Abbrechen");
}

TEST_F(PackageLoading, MissingTrailerAndShortFilesFindNothing) {
  std::mt19937 random(11);
  EXPECT_EQ(FindInSandbox(NoiseWithoutTrailer(random, 200000)), -1);
  for (size_t size : {0, 1, 5, 9}) EXPECT_EQ(FindInSandbox(std::string(size, 'x')), -1) << size;
  EXPECT_EQ(FindInSandbox(SetupTrailer()), 10);
  EXPECT_EQ(FindInSandbox(UninstallerTrailer() + "x"), 10);
  EXPECT_EQ(FindInSandbox("x" + SetupTrailer().substr(0, 9)), -1);

  EXPECT_EQ(Load(NoiseWithoutTrailer(random, 5000)), LoadStatus::kCorrupted);
  EXPECT_EQ(Load("MZ\x90\x00\x03"), LoadStatus::kCorrupted);
  EXPECT_EQ(Load(""), LoadStatus::kCorrupted);
  // A trailer with no room for a record before it.
  EXPECT_EQ(Load(std::string(100, 'x') + SetupTrailer()), LoadStatus::kCorrupted);
  sim.fail_open_module = true;
  EXPECT_EQ(Load(Build()), LoadStatus::kCannotOpen);
}

TEST_F(PackageLoading, TrailerStraddlingABlockBoundaryIsFoundAtEveryOffset) {
  std::mt19937 random(3);
  const int64_t size = 3 * static_cast<int64_t>(kTrailerSearchBlock) + 100;
  const std::string noise = NoiseWithoutTrailer(random, static_cast<size_t>(size));
  // The first block of the search holds the windows ending at size-1 down to
  // size-1-64K; the next ones follow every 64 KiB. Plant a trailer ending at
  // each position around the first two boundaries.
  for (int64_t boundary : {size - 1 - static_cast<int64_t>(kTrailerSearchBlock),
                           size - 1 - 2 * static_cast<int64_t>(kTrailerSearchBlock)}) {
    for (int64_t end = boundary - 12; end <= boundary + 22; ++end) {
      std::string bytes = noise;
      const std::string trailer = (end % 2) ? SetupTrailer() : UninstallerTrailer();
      bytes.replace(static_cast<size_t>(end - kTrailerSize), kTrailerSize, trailer);
      ASSERT_EQ(FindInSandbox(bytes), end) << "boundary " << boundary << " end " << end;
    }
  }
}

TEST_F(PackageLoading, BlockSearchEqualsTheByteByByteSearch) {
  std::mt19937 random(20240607);
  const std::string trailers[] = {SetupTrailer(), UninstallerTrailer(), SetupTrailer().substr(0, 9),
                                  "S" + UninstallerTrailer().substr(2)};
  for (int round = 0; round < 150; ++round) {
    // Mostly small files, some across several blocks.
    const size_t size = (round % 5 == 0) ? random() % (3 * kTrailerSearchBlock) : random() % 3000;
    std::string bytes = NoiseWithoutTrailer(random, size);
    const int planted = static_cast<int>(random() % 4);
    for (int i = 0; i < planted && size >= 10; ++i) {
      const std::string& t = trailers[random() % 4];
      const size_t at = random() % (size - t.size() + 1);
      bytes.replace(at, t.size(), t);
    }
    ASSERT_EQ(FindInSandbox(bytes), ReferencePackageEnd(bytes))
        << "round " << round << " size " << size;
  }
}

// ---- version classification ----

TEST(WindowsVersion, EveryRowOfTheTable) {
  struct Row {
    VersionInfo version;
    int expected;
  } rows[] = {
      {{false, 2, 5, 1, ""}, -1},
      {{true, 1, 4, 0, ""}, 0},
      {{true, 1, 4, 10, " A "}, 2},
      {{true, 1, 4, 10, "xA"}, 2},
      {{true, 1, 4, 10, "A"}, 1},
      {{true, 1, 4, 10, ""}, 1},
      {{true, 1, 4, 10, " B "}, 1},
      {{true, 1, 4, 90, " "}, 3},
      {{true, 1, 4, 20, ""}, -1},
      {{true, 1, 5, 0, ""}, -1},
      {{true, 2, 3, 51, ""}, 4},
      {{true, 2, 4, 0, "Service Pack 6a"}, 4},
      {{true, 2, 5, 0, ""}, 5},
      {{true, 2, 5, 1, "Service Pack 3"}, 6},
      {{true, 2, 5, 2, ""}, -1},
      {{true, 2, 6, 0, ""}, 7},
      {{true, 2, 6, 1, "Service Pack 1"}, 7},
      {{true, 2, 6, 2, ""}, 7},
      {{true, 2, 6, 3, ""}, 7},
      {{true, 2, 7, 0, ""}, -1},
      {{true, 2, 10, 0, ""}, -1},
      {{true, 0, 4, 0, ""}, -1},
      {{true, 3, 5, 0, ""}, -1},
  };
  for (const Row& row : rows) {
    const VersionInfo& v = row.version;
    EXPECT_EQ(WindowsVersionNumber(v), row.expected)
        << v.ok << " id " << v.platform_id << " " << v.major << "." << v.minor << " \""
        << v.service_pack << "\"";
  }
}

// ---- file-name rule ----

std::string Normalised(SimSystem& sim, const std::string& stored) {
  char field[256] = {};
  std::memcpy(field, stored.data(), std::min(stored.size(), sizeof(field)));
  NormaliseScrFileName(sim, field);
  EXPECT_TRUE(std::memchr(field, 0, sizeof(field))) << "no NUL after " << stored;
  return FieldText(field);
}

TEST_F(PackageLoading, FileNameRuleTable) {
  const std::pair<const char*, const char*> table[] = {
      {"Aquarium.scr", "Aquarium.scr"},
      {"Tropical Fish.scr", "Tropical.scr"},
      {"My Fish.scr", "My_Fish.scr"},
      {"Seaside.scr", "Seaside.scr"},
      {"a.b.c.scr", "a_b_c.scr"},
      {"abcdefgh.scr", "abcdefgh.scr"},
      {"abcdefg.x.scr", "abcdefg_x.scr"},
      {"NoDotAtAllInThisName", "NoDotAtAllInThisName"},
      {"a-b", "a-b"},
      {"a-bc", "a-bc"},
      {"-abcd", "_abcd"},
      {"a-bcd", "a-bcd"},
      {"C:\\Savers\\Tropical Fish.scr", "C:\\Savers\\Tropical.scr"},
      {"D:My Fish.scr", "D:My_Fish.scr"},
      {"dir\\", "dir\\"},
      {"", ""},
  };
  for (const auto& [stored, expected] : table)
    EXPECT_EQ(Normalised(sim, stored), expected) << stored;
}

TEST_F(PackageLoading, FileNameRuleWithDoubleByteNames) {
  // 8 double-byte characters, then ".scr": cut to 8 bytes, all replaced.
  std::string name;
  for (int i = 0; i < 8; ++i) name += "\xC4\xE3";
  sim.lead_bytes = {0x81, 0xC4};
  EXPECT_EQ(Normalised(sim, name + ".scr"), "________.scr");
  // A trail byte equal to "\" belongs to its character and splits nothing.
  EXPECT_EQ(Normalised(sim, "ab\x81\\cd.scr"), "ab__cd.scr");
  EXPECT_EQ(Normalised(sim, "x\\ab\x81\\cd.scr"), "x\\ab__cd.scr");
  // Without the lead byte the same bytes hold a folder part.
  sim.lead_bytes.clear();
  EXPECT_EQ(Normalised(sim, "ab\x81\\cd.scr"), "ab\x81\\cd.scr");
}

TEST_F(PackageLoading, FileNameRuleAppliedTwiceCanCutAgain) {
  const std::string once = Normalised(sim, "a.bcdefghij.scr");
  EXPECT_EQ(once, "a_bcdefghij.scr");
  EXPECT_EQ(Normalised(sim, once), "a_bcdefg.scr");
  for (const char* stable : {"Aquarium.scr", "Tropical.scr", "My_Fish.scr", "a_b_c.scr"})
    EXPECT_EQ(Normalised(sim, stable), stable);
}

TEST_F(PackageLoading, FileNameRuleKeepsTheNameWhenTheFolderNoLongerFits) {
  // Cutting lengthens "abcdefgh.x" to "abcdefgh.scr"; with a folder part of
  // 245 bytes the result would not fit the field with its NUL.
  const std::string folder = std::string(244, 'f') + "\\";
  EXPECT_EQ(Normalised(sim, folder + "abcdefgh.x"), "abcdefgh.scr");
  EXPECT_EQ(Normalised(sim, std::string(200, 'f') + "\\abcdefgh.x"),
            std::string(200, 'f') + "\\abcdefgh.scr");
}

TEST_F(PackageLoading, FileNameRuleOnlyFromWindows2000On) {
  TestPackage p = Full();
  p.file_name = "Tropical Fish.scr";
  const std::string bytes = Build(p);
  const std::pair<VersionInfo, const char*> cases[] = {
      {{true, 1, 4, 10, ""}, "Tropical Fish.scr"},                // Windows 98
      {{true, 2, 4, 0, "Service Pack 6a"}, "Tropical Fish.scr"},  // NT 4
      {{false, 0, 0, 0, ""}, "Tropical Fish.scr"},                // not recognised
      {{true, 2, 5, 2, ""}, "Tropical Fish.scr"},                 // 5.2: not recognised
      {{true, 2, 5, 0, ""}, "Tropical.scr"},                      // Windows 2000
      {{true, 2, 5, 1, "Service Pack 3"}, "Tropical.scr"},        // XP
      {{true, 2, 6, 2, ""}, "Tropical.scr"},                      // NT 6.x
  };
  for (const auto& [version, expected] : cases) {
    sim.version = version;
    ASSERT_EQ(Load(bytes), LoadStatus::kOk);
    EXPECT_EQ(FieldText(package.record.ScrFileName), expected)
        << version.major << "." << version.minor;
  }
}

// ---- damaged records ----

TEST_F(PackageLoading, DamagedBlockSizesAreCorruptedWithoutReadingOrAllocatingBeyondTheFile) {
  const std::string good = Build();
  const int64_t record_at = static_cast<int64_t>(good.size()) - kRecordAndTrailerSize;
  struct Damage {
    const char* field;
    size_t offset;
    int32_t value;
    // The licence takes what the field gave up, so the three sizes still
    // add up to TextBlocksSize.
    bool licence_keeps_the_sum = false;
  } damages[] = {
      {"LanguageSize", offsetof(SetupRecord, LanguageSize), -1},
      {"LanguageSize", offsetof(SetupRecord, LanguageSize), 0x7FFFFFFF},
      {"LanguageSize", offsetof(SetupRecord, LanguageSize), 1000},  // past the region
      {"ReadmeSize", offsetof(SetupRecord, ReadmeSize), -5},
      // Else the licence page would show the readme, the licence and the
      // language block's first 5 bytes.
      {"ReadmeSize", offsetof(SetupRecord, ReadmeSize), -5, true},
      {"ReadmeSize", offsetof(SetupRecord, ReadmeSize), 0x7FFFFFFF},
      {"LicenseSize", offsetof(SetupRecord, LicenseSize), INT32_MIN},
      {"LicenseSize", offsetof(SetupRecord, LicenseSize), 70000},
      {"TextBlocksSize", offsetof(SetupRecord, TextBlocksSize), -1},
      {"TextBlocksSize", offsetof(SetupRecord, TextBlocksSize), 0x7FFFFFFF},
      {"TextBlocksSize", offsetof(SetupRecord, TextBlocksSize), 3},  // blocks do not fit
  };
  for (const Damage& d : damages) {
    std::string bytes = good;
    PutInt32(bytes, record_at + static_cast<int64_t>(d.offset), d.value);
    if (d.licence_keeps_the_sum) {
      int32_t was = 0, licence = 0;
      std::memcpy(&was, good.data() + record_at + d.offset, sizeof(was));
      std::memcpy(&licence, good.data() + record_at + offsetof(SetupRecord, LicenseSize),
                  sizeof(licence));
      PutInt32(bytes, record_at + static_cast<int64_t>(offsetof(SetupRecord, LicenseSize)),
               licence + was - d.value);
    }
    EXPECT_EQ(Load(bytes), LoadStatus::kCorrupted)
        << d.field << " " << d.value << (d.licence_keeps_the_sum ? " (sum kept)" : "");
    EXPECT_LE(sim.read_calls, 2) << d.field << " " << d.value;
    EXPECT_LE(package.language_text.capacity(), bytes.size());
  }
  // The same damage to the package size of a setup file.
  for (int32_t package_size :
       {int32_t{0}, int32_t{kRecordAndTrailerSize - 1},
        static_cast<int32_t>(package.record.TextBlocksSize + kRecordAndTrailerSize - 1),
        static_cast<int32_t>(good.size() + 1), int32_t{0x7FFFFFFF}, int32_t{-100}}) {
    std::string bytes = good;
    PutInt32(bytes, record_at, package_size);
    EXPECT_EQ(Load(bytes), LoadStatus::kCorrupted) << package_size;
    // The language block was read before: the report can be translated.
    EXPECT_TRUE(package.table.present);
  }
  // A package whose program image is empty is still whole.
  std::string bytes = good;
  PutInt32(bytes, record_at, static_cast<int32_t>(good.size()));
  EXPECT_EQ(Load(bytes), LoadStatus::kOk);
}

TEST(PackageLoadingMemory, ABlockTooLargeToAllocateIsADamagedPackage) {
  // A language block of 1 GiB that lies inside the (sparse) file, in a
  // process that cannot hold it, as a 32-bit one cannot: the corrupted-file
  // report and exit code 1, not an end of the program without a report.
  constexpr int64_t kBlock = int64_t{1} << 30;
  // The child ends without unwinding, so this process removes its sandbox.
  const std::string sandbox =
      (std::filesystem::temp_directory_path() / ("scr_sim_" + std::to_string(getpid()) + "_big"))
          .string();
  EXPECT_EXIT(
      {
        SimSystem sim(sandbox);
        SetupRecord record = RecordOf({.file_name = "Big.scr", .title = "Big"});
        CompleteSetupRecord(record, 0, 0, 0, kBlock);
        {
          std::ofstream out(sim.HostPath(sim.module_path), std::ios::binary);
          out << std::string(1024, 'P');
          out.seekp(1024 + kBlock);
          out.write(reinterpret_cast<const char*>(&record), sizeof(record));
          out << SetupTrailer();
        }
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = rlim_t{768} << 20;
        setrlimit(RLIMIT_AS, &limit);
        MemoryView view;
        MemoryFront front(view);
        const int exit_code = RunSilent(sim, {true, false}, {"setup.exe", "-silent"}, front);
        std::_Exit(exit_code == kExitBadPackage && view.terminated ? 0 : 3);
      },
      testing::ExitedWithCode(0), "");
  std::error_code ignored;
  std::filesystem::remove_all(sandbox, ignored);
}

// A program image with PE headers: one section of `section` bytes at 512,
// optionally a certificate table entry. The file ends with the section.
std::string PeImage(uint32_t section, uint32_t cert_offset = 0, uint32_t cert_size = 0) {
  std::string image(512 + section, '\0');
  auto put16 = [&](size_t at, uint32_t v) { image[at] = char(v), image[at + 1] = char(v >> 8); };
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = char(v >> (8 * i));
  };
  image[0] = 'M', image[1] = 'Z';
  put32(0x3C, 0x80);
  image.replace(0x80, 4, std::string("PE\0\0", 4));
  put16(0x84 + 2, 1);     // one section
  put16(0x84 + 16, 224);  // optional header of PE32
  const size_t optional = 0x98;
  put16(optional, 0x10B);
  put32(optional + 60, 512);  // SizeOfHeaders
  put32(optional + 92, 16);   // data directories
  put32(optional + 96 + 4 * 8, cert_offset);
  put32(optional + 96 + 4 * 8 + 4, cert_size);
  const size_t table = optional + 224;
  put32(table + 16, section);  // SizeOfRawData
  put32(table + 20, 512);      // PointerToRawData
  for (uint32_t i = 0; i < section; ++i) image[512 + i] = char('a' + i % 26);
  return image;
}

TEST_F(PackageLoading, TheScreensaverStartsWhereTheProgramFileEnds) {
  TestPackage parts = Full();
  parts.image = PeImage(1000);
  const std::string good = Build(parts);
  ASSERT_EQ(Load(good), LoadStatus::kOk);
  const int64_t package_size = package.record.PackageSize;
  const int64_t record_at = static_cast<int64_t>(good.size()) - kRecordAndTrailerSize;
  // A damaged PackageSize that still lies inside the file: the screensaver
  // would begin inside the program (part of the program installed) or
  // behind its true start (the screensaver without its first bytes).
  for (int64_t damaged : {int64_t(good.size()), package_size + 1, package_size - 1,
                          package_size + 256, package_size - 3}) {
    std::string bytes = good;
    PutInt32(bytes, record_at, static_cast<int32_t>(damaged));
    EXPECT_EQ(Load(bytes), LoadStatus::kCorrupted) << damaged;
  }
  // Bytes appended after the trailer (a signature made after packing) move
  // nothing.
  EXPECT_EQ(Load(good + std::string(1536, 'C')), LoadStatus::kOk);

  // A program signed before its package was appended: the signature
  // follows the sections (aligned to 8 bytes) and the package follows it.
  parts.image = PeImage(1001, 512 + 1001 + 7, 64) + std::string(7 + 64, 'C');
  EXPECT_EQ(Load(Build(parts)), LoadStatus::kOk);
  // Anything else between the program and its package is damage.
  parts.image = PeImage(1000) + "x";
  EXPECT_EQ(Load(Build(parts)), LoadStatus::kCorrupted);
  // An uninstaller copy's PackageSize is stale and never read.
  std::string copy = good;
  copy.replace(copy.size() - kTrailerSize, kTrailerSize, UninstallerTrailer());
  PutInt32(copy, record_at, static_cast<int32_t>(copy.size()));
  EXPECT_EQ(Load(copy), LoadStatus::kOk);
}

TEST_F(PackageLoading, TheTextRegionHoldsExactlyItsThreeBlocks) {
  // A TextBlocksSize that disagrees with its blocks moves the end of the
  // screensaver: larger cuts it short, smaller attaches text bytes.
  const std::string good = Build();
  const int64_t record_at = static_cast<int64_t>(good.size()) - kRecordAndTrailerSize;
  ASSERT_EQ(Load(good), LoadStatus::kOk);
  const int32_t text = package.record.TextBlocksSize;
  for (int32_t damaged : {text + 1, text - 1, text + 256}) {
    std::string bytes = good;
    PutInt32(bytes, record_at + static_cast<int64_t>(offsetof(SetupRecord, TextBlocksSize)),
             damaged);
    EXPECT_EQ(Load(bytes), LoadStatus::kCorrupted) << damaged;
  }
}

TEST_F(PackageLoading, AllBlocksEmptyIsValid) {
  TestPackage p = Full();
  p.readme = p.license = p.language = "";
  ASSERT_EQ(Load(Build(p)), LoadStatus::kOk);
  EXPECT_TRUE(package.table.present);
  EXPECT_TRUE(package.table.names.empty());
  ASSERT_TRUE(ReadSetupTexts(*file, package));
  EXPECT_EQ(package.readme, "");
  EXPECT_EQ(package.license, "");
  const PackageBlocks blocks = LocateBlocks(package.record, package.package_end);
  EXPECT_EQ(blocks.screensaver.offset + blocks.screensaver.size, blocks.record.offset);
}

TEST_F(PackageLoading, UninstallerTrailerNeedsTheRecordSignature) {
  const std::string setup = Build();
  const int64_t end = static_cast<int64_t>(setup.size());
  const size_t signature =
      static_cast<size_t>(end - kRecordAndTrailerSize) + offsetof(SetupRecord, RecordSignature);
  std::string uninstaller = setup;
  uninstaller.replace(static_cast<size_t>(end - kTrailerSize), kTrailerSize, UninstallerTrailer());
  // A stale PackageSize is normal in an uninstaller copy, even one that
  // would be refused in a setup file.
  for (int32_t stale : {0, 100, -100, static_cast<int32_t>(end + 1), 0x7FFFFFFF}) {
    PutInt32(uninstaller, end - kRecordAndTrailerSize, stale);
    ASSERT_EQ(Load(uninstaller), LoadStatus::kOk) << stale;
    EXPECT_EQ(package.kind, TrailerKind::kUninstaller);
  }

  for (const std::string& damaged :
       {std::string("SCRSet.siG\0", 11), std::string("SCRSet.sigX", 11), std::string(11, '\0'),
        std::string("SCRSet\0sig\0", 11)}) {
    std::string copy = uninstaller;
    copy.replace(signature, 11, damaged);
    EXPECT_EQ(Load(copy), LoadStatus::kCorrupted);
    // The same record behind the setup trailer never looks at the signature.
    copy = setup;
    copy.replace(signature, 11, damaged);
    EXPECT_EQ(Load(copy), LoadStatus::kOk);
    EXPECT_EQ(package.kind, TrailerKind::kSetup);
  }
}

TEST_F(PackageLoading, NamesThatLeaveTheirPlaceAreADamagedPackageOnBothRoads) {
  struct Case {
    const char* title;
    const char* file_name;
  };
  const Case refused[] = {
      {"", "Aquarium.scr"},
      {"  \\ ", "Aquarium.scr"},
      {"..", "Aquarium.scr"},
      {"..\\..\\WINDOWS", "Aquarium.scr"},
      {"Fish/.", "Aquarium.scr"},
      {"a:..", "Aquarium.scr"},
      {"Aquarium", ""},
      {"Aquarium", "Savers\\"},
      {"Aquarium", "x/"},
      {"Aquarium", ".."},
      {"Aquarium", "C:\\WINDOWS\\."},
      {"Aquarium", " "},
      // hand-edited: what the author's tool refuses, as Windows would
      // take the names for a path, a stream or a device
      {"C:\\windows\\x", "Aquarium.scr"},
      {"Games\\Aquarium", "Aquarium.scr"},
      {"Star Trek: Voyager", "Aquarium.scr"},
      {"Fish.", "Aquarium.scr"},
      {"CON", "Aquarium.scr"},
      {"Why?", "Aquarium.scr"},
      {"Aquarium", "a."},
      {"Aquarium", "NUL.scr"},
      {"Aquarium", "a|b.scr"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(std::string("title \"") + c.title + "\" file \"" + c.file_name + "\"");
    TestPackage p = Full();
    p.file_name = c.file_name;
    p.title = c.title;
    std::string bytes = Build(p);
    EXPECT_EQ(Load(bytes), LoadStatus::kCorrupted);
    bytes.replace(bytes.size() - kTrailerSize, kTrailerSize, UninstallerTrailer());
    EXPECT_EQ(Load(bytes), LoadStatus::kCorrupted);
  }
  const Case accepted[] = {
      {"Aquarium", "Savers\\Voyager.scr"},
      {"Fish", "../x.scr"},
      {"...a", "a.scr"},
  };
  for (const Case& c : accepted) {
    SCOPED_TRACE(std::string("title \"") + c.title + "\" file \"" + c.file_name + "\"");
    TestPackage p = Full();
    p.file_name = c.file_name;
    p.title = c.title;
    EXPECT_EQ(Load(Build(p)), LoadStatus::kOk);
  }
}

TEST_F(PackageLoading, FolderFieldsThatLeaveTheirPlaceAreADamagedPackage) {
  struct Case {
    const char* folder;
    const char* subfolder;
    bool ok;
  };
  const Case cases[] = {
      {"<Program Files>\\", "Aquarium", true},
      {"<Windows>\\", "", true},
      {"C:\\Savers", "Fish\\Deep", true},
      {"<Program Files>\\", "..\\..\\windows\\x", false},
      {"<Program Files>\\", "C:\\windows", false},
      {"<Program Files>\\", "a:b", false},
      {"<Program Files>\\", "Fish.", false},
      {"<Program Files>\\", "CON", false},
      {"<Windows>\\..\\x", "", false},
      {"C:\\Sav?rs", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.folder) + " + " + c.subfolder);
    TestPackage p = Full();
    p.dest_folder = c.folder;
    p.dest_subfolder = c.subfolder;
    std::string bytes = Build(p);
    EXPECT_EQ(Load(bytes), c.ok ? LoadStatus::kOk : LoadStatus::kCorrupted);
  }
}

TEST_F(PackageLoading, TheNameRuleReadsTitlesInTheSystemsCodePage) {
  // "\x83\x5c" is one Shift-JIS character whose second byte has the value
  // of "\": the title is one name, not a "\" that would nest it.
  TestPackage p = Full();
  p.title = std::string("\x83\x5c") + "A";
  const std::string bytes = Build(p);
  EXPECT_EQ(Load(bytes), LoadStatus::kCorrupted);
  for (int b = 0x81; b <= 0x9F; ++b) sim.lead_bytes.insert(static_cast<uint8_t>(b));
  EXPECT_EQ(Load(bytes), LoadStatus::kOk);
}

TEST_F(PackageLoading, LicenceIsReadOnlyInModesOneToThree) {
  const std::pair<uint8_t, bool> modes[] = {{0, false}, {1, true},  {2, true},
                                            {3, true},  {4, false}, {255, false}};
  for (const auto& [mode, read] : modes) {
    TestPackage p = Full();
    p.license_mode = mode;
    ASSERT_EQ(Load(Build(p)), LoadStatus::kOk);
    ASSERT_TRUE(ReadSetupTexts(*file, package));
    EXPECT_EQ(package.license, read ? p.license : "") << int(mode);
    EXPECT_EQ(package.readme, p.readme);
  }
  TestPackage no_licence = Full();
  no_licence.license = "";
  no_licence.license_mode = 2;
  ASSERT_EQ(Load(Build(no_licence)), LoadStatus::kOk);
  ASSERT_TRUE(ReadSetupTexts(*file, package));
  EXPECT_EQ(package.license, "");
}

}  // namespace
}  // namespace scr
