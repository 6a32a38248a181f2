// scrpack inspect on a whole file, as JSON and as text.
//
// Input: one byte choosing the code page inspect is told (0: none, the
// tool's own guess), then the file.
//
// Rules: the JSON output parses; its file size, package end, trailer and
// record fields are the file's own (the trailer as a byte-by-byte search
// finds it); its run kind and exit code agree with the setup program's own
// loader: "invalid" and exit code 3 exactly when the loader refuses the
// file (or inspect names a problem), else "setup" or "uninstall" by the
// trailer and exit code 0.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "package/loader.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/scrpack/commands.h"
#include "tools/scrpack/stream_file.h"
#include "tools/scrpack/unicode.h"

namespace scr::fuzz {
namespace {

// libFuzzer's inputs stay below 4,096 bytes unless it is told otherwise: the
// fuzz build's trailer search must cross blocks well within that, or the
// overlap between blocks never runs (cmake/fuzz.cmake).
static_assert(kTrailerSearchBlock * 16 <= 4096, "fuzz inputs would not cross search blocks");

const std::string& InputPath() {
  static const std::string path = [] {
    const std::string folder = Sandbox("inspect");
    std::filesystem::create_directories(folder);
    return folder + "/input.bin";
  }();
  return path;
}

// Runs inspect with its output caught.
int Inspect(bool as_json, std::optional<int> code_page, std::string* output,
            const std::string& block = "") {
  std::ostringstream caught;
  std::streambuf* previous = std::cout.rdbuf(caught.rdbuf());
  const int code = scrpack::RunInspect(InputPath(), as_json, code_page, block);
  std::cout.rdbuf(previous);
  *output = caught.str();
  return code;
}

}  // namespace
}  // namespace scr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scr;
  using json = nlohmann::json;
  if (size < 1) return 0;
  std::optional<int> code_page;
  const std::vector<int> known = scrpack::KnownCodePages();
  if (data[0] != 0) code_page = known[data[0] % known.size()];
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  size = bytes.size();
  {
    std::ofstream out(fuzz::InputPath(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  LoadStatus verdict = LoadStatus::kCorrupted;
  {
    scrpack::StreamFile file(fuzz::InputPath(), false);
    FUZZ_CHECK(file.is_open());
    LoadedPackage package;
    verdict = ReadPackage(file, package);
  }

  std::string text;
  const int text_code = fuzz::Inspect(false, code_page, &text);
  std::string output;
  const int code = fuzz::Inspect(true, code_page, &output);
  FUZZ_CHECK(code == text_code);
  FUZZ_CHECK(code == scrpack::kExitOk || code == scrpack::kExitInvalidPackage);
  // One block printed alone: from any package that loads, never from one
  // that does not.
  for (const char* block : {"readme", "license", "language"}) {
    std::string shown;
    const int block_code = fuzz::Inspect(false, code_page, &shown, block);
    FUZZ_CHECK((block_code == scrpack::kExitInvalidPackage) == (verdict != LoadStatus::kOk));
  }
  const json j = json::parse(output, nullptr, false);
  FUZZ_CHECK(!j.is_discarded() && j.is_object());

  FUZZ_CHECK(j["file_size"] == size);
  const std::string kind = j["run_kind"];
  FUZZ_CHECK((kind == "invalid") == (verdict != LoadStatus::kOk));
  FUZZ_CHECK((code == scrpack::kExitOk) == (verdict == LoadStatus::kOk && j["problems"].empty()));

  const int64_t end = fuzz::ReferencePackageEnd(bytes);
  if (end < 0) {
    FUZZ_CHECK(j["package_end"].is_null() && j["trailer"].is_null());
    FUZZ_CHECK(kind == "invalid");
    return 0;
  }
  FUZZ_CHECK(j["package_end"] == end);
  if (code_page) FUZZ_CHECK(j["code_page"] == *code_page);
  FUZZ_CHECK(j["appended_bytes"] == static_cast<int64_t>(size) - end);
  const std::string trailer = bytes.substr(static_cast<size_t>(end - kTrailerSize), kTrailerSize);
  FUZZ_CHECK(j["trailer"] == trailer);
  if (kind != "invalid") FUZZ_CHECK(kind == (trailer == SetupTrailer() ? "setup" : "uninstall"));

  if (end < kRecordAndTrailerSize) {
    FUZZ_CHECK(j["record"].is_null());
    return 0;
  }
  const size_t record = static_cast<size_t>(end - kRecordAndTrailerSize);
  const json& r = j["record"];
  FUZZ_CHECK(r["PackageSize"] == fuzz::Int32At(bytes, record + 0));
  FUZZ_CHECK(r["TextBlocksSize"] == fuzz::Int32At(bytes, record + 400));
  FUZZ_CHECK(r["ReadmeSize"] == fuzz::Int32At(bytes, record + 404));
  FUZZ_CHECK(r["LicenseSize"] == fuzz::Int32At(bytes, record + 408));
  FUZZ_CHECK(r["LanguageSize"] == fuzz::Int32At(bytes, record + 412));
  FUZZ_CHECK(r["AddUninstallEntry"] == static_cast<uint8_t>(bytes[record + 394]));
  FUZZ_CHECK(r["SkipFolderPage"] == static_cast<uint8_t>(bytes[record + 919]));
  FUZZ_CHECK(r["LicenseMode"] == static_cast<uint8_t>(bytes[record + 931]));
  return 0;
}
