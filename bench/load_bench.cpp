// Loading time of a package with bytes appended after its trailer (a code
// signature, a download manager's tag): read calls and median time of
// scr::LoadPackage on the simulated Windows, checked against a byte-by-byte
// backward search. Also prints the size of the bare setup program.
//
//   load_bench [path of setup.exe]     (default $SCR_SETUP_EXE, then build/win32/setup.exe)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "package/loader.h"
#include "package/writer.h"
#include "platform/sim/sim_system.h"

namespace {

constexpr int kRuns = 200;
constexpr int64_t kMaxReads = 24;         // with 1 MiB appended
constexpr double kMaxMilliseconds = 2.0;  // with 1 MiB appended

int64_t ByteByByte(const std::string& bytes) {
  const std::string setup = scr::SetupTrailer(), uninstaller = scr::UninstallerTrailer();
  for (int64_t end = static_cast<int64_t>(bytes.size()); end >= scr::kTrailerSize; --end) {
    std::string_view window(bytes.data() + end - scr::kTrailerSize, scr::kTrailerSize);
    if (window == setup || window == uninstaller) return end;
  }
  return -1;
}

std::string SyntheticSetupFile(scr::SimSystem& sim, std::mt19937& random) {
  auto noise = [&](size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(random());
    return s;
  };
  scr::SetupRecord record{};
  scr::SetField(record.ScrFileName, "Bench Saver.scr");
  scr::SetField(record.ScrTitle, "Bench Saver");
  scr::SetShortString(record.DestFolder, "<Program Files>\\");
  record.LicenseMode = 1;
  const std::string path = "C:\\Bench\\built.exe";
  sim.MakeFolders("C:\\Bench");
  {
    std::unique_ptr<scr::File> out = sim.CreateFile(path);
    if (!out || !scr::WriteSetupFile(*out, noise(150 * 1024), noise(400 * 1024),
                                     "Readme\r\n" + std::string(2000, 'r'),
                                     "Licence\r\n" + std::string(3000, 'l'),
                                     "Setup\r\nNext=Weiter\r\nCancel=Abbrechen\r\n", record))
      return "";
  }
  return sim.ReadWholeFile(path);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string sandbox =
      (std::filesystem::temp_directory_path() / ("load_bench_" + std::to_string(::getpid())))
          .string();
  bool ok = true;
  {
    scr::SimSystem sim(sandbox);
    std::mt19937 random(42);
    const std::string package = SyntheticSetupFile(sim, random);
    if (package.empty()) {
      std::fprintf(stderr, "load_bench: cannot write the synthetic package\n");
      return 1;
    }
    std::printf("package %zu bytes, %d runs each\n", package.size(), kRuns);
    std::printf("%-10s %6s %11s %12s %s\n", "appended", "reads", "median ms", "PackageEnd",
                "result");
    for (size_t appended : {size_t{0}, size_t{5000}, size_t{1} << 20}) {
      std::string bytes = package;
      for (size_t i = 0; i < appended; ++i) {
        char c = static_cast<char>(random());
        bytes += c == 'S' ? 's' : c;  // no trailer in the appended bytes
      }
      sim.PutFile(sim.module_path, bytes);
      const int64_t expected = ByteByByte(bytes);

      std::vector<double> times;
      int64_t reads = 0, end = -2;
      bool loaded = true;
      for (int run = 0; run < kRuns; ++run) {
        scr::LoadedPackage loaded_package;
        std::unique_ptr<scr::File> file;
        sim.read_calls = 0;
        const auto start = std::chrono::steady_clock::now();
        const scr::LoadStatus status = scr::LoadPackage(sim, loaded_package, file);
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
        reads = sim.read_calls;
        end = loaded_package.package_end;
        loaded = loaded && status == scr::LoadStatus::kOk;
      }
      std::nth_element(times.begin(), times.begin() + kRuns / 2, times.end());
      const double median = times[kRuns / 2];
      const bool right = loaded && end == expected && end == static_cast<int64_t>(package.size());
      std::string verdict = right ? "ok" : "WRONG (byte-by-byte: " + std::to_string(expected) + ")";
      if (appended == (size_t{1} << 20))
        verdict +=
            (reads <= kMaxReads && median < kMaxMilliseconds) ? ", target met" : ", TARGET MISSED";
      std::printf("%-10zu %6lld %11.3f %12lld %s\n", appended, static_cast<long long>(reads),
                  median, static_cast<long long>(end), verdict.c_str());
      ok = ok && right;
    }
  }

  const char* env = std::getenv("SCR_SETUP_EXE");
  const std::string setup = argc > 1 ? argv[1] : env ? env : "build/win32/setup.exe";
  std::error_code ec;
  const auto size = std::filesystem::file_size(setup, ec);
  if (ec)
    std::printf("setup.exe: %s not found\n", setup.c_str());
  else
    std::printf("setup.exe: %s, %llu bytes (%.1f KiB)\n", setup.c_str(),
                static_cast<unsigned long long>(size), static_cast<double>(size) / 1024.0);
  return ok ? 0 : 1;
}
