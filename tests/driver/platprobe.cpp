// platprobe SCRIPT: runs scr::Win32System, the setup's real Windows backend,
// through the operations listed in SCRIPT and prints what each returned, so
// that an end-to-end suite can compare it with what Wine's files and
// registry really hold.
//
// SCRIPT has one operation per line, fields separated by TAB; the output has
// one line per operation: the operation's name, a colon and its results,
// separated by spaces. Texts in the output escape the backslash as "\\" and
// every byte outside 0x20..0x7e as "\xHH". Roots are HKLM or HKCU. Hex
// arguments and results are lower-case byte pairs.
//
//   size P | read P POS COUNT | write P POS HEX | create P HEX
//   share P none|write        (opens P for reading with that sharing, then
//                              tries a second read-write and read opener)
//   exists P | direxists P | mkdir P | rmdir P | delete P
//   short P | full P | temp | windir | delay P
//   wow64 | elevated | version | seeds | lead BYTE | cmdline | module
//   regcreate R K | regexists R K | regset R K NAME VALUE | regget R K NAME
//   regnames R K | regdelval R K NAME | regdeltree R K
//   folder CSIDL | link TARGET FILE | msgbox
//   start PROGRAM PARAMS | desktopverb VERB FILE | classverb VERB FILE CLASSKEY | hold P
//
// The backend is compiled into this driver from its source, exactly as
// setup.exe compiles it.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/win32_system.cpp"

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    char buffer[8];
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c > 0x7e) {
      std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
  return out;
}

scr::RootKey Root(const std::string& name) {
  return name == "HKLM" ? scr::RootKey::kLocalMachine : scr::RootKey::kCurrentUser;
}

int64_t Number(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

std::string Run(scr::Win32System& sys, const std::vector<std::string>& f) {
  const std::string& op = f[0];
  auto arg = [&](size_t i) -> std::string { return i < f.size() ? f[i] : std::string(); };
  if (op == "size") {
    auto file = sys.OpenRead(arg(1), scr::Share::kDenyNone);
    return file ? std::to_string(file->Size()) : "open-failed";
  }
  if (op == "read") {
    auto file = sys.OpenRead(arg(1), scr::Share::kDenyNone);
    if (!file) return "open-failed";
    if (!file->Seek(Number(arg(2)))) return "seek-failed";
    std::string buffer(static_cast<size_t>(Number(arg(3))), '\0');
    size_t got = 0;
    if (!file->ReadSome(&buffer[0], buffer.size(), &got)) return "read-failed";
    buffer.resize(got);
    return std::to_string(got) + " " + std::to_string(file->Position()) + " " + Hex(buffer);
  }
  if (op == "write") {
    auto file = sys.OpenReadWrite(arg(1));
    if (!file) return "open-failed";
    if (!file->Seek(Number(arg(2)))) return "seek-failed";
    std::string bytes = Unhex(arg(3));
    if (!file->Write(bytes.data(), bytes.size())) return "write-failed";
    return "ok " + std::to_string(file->Position()) + " " + std::to_string(file->Size());
  }
  if (op == "create") {
    auto file = sys.CreateFile(arg(1));
    if (!file) return "create-failed";
    std::string bytes = Unhex(arg(2));
    if (!file->Write(bytes.data(), bytes.size())) return "write-failed";
    return "ok " + std::to_string(file->Position()) + " " + std::to_string(file->Size());
  }
  if (op == "share") {
    auto first =
        sys.OpenRead(arg(1), arg(2) == "none" ? scr::Share::kDenyNone : scr::Share::kDenyWrite);
    if (!first) return "open-failed";
    bool writer = sys.OpenReadWrite(arg(1)) != nullptr;
    bool reader = sys.OpenRead(arg(1), scr::Share::kDenyNone) != nullptr;
    return std::string("rw=") + (writer ? "1" : "0") + " r=" + (reader ? "1" : "0");
  }
  if (op == "exists") return sys.FileExists(arg(1)) ? "1" : "0";
  if (op == "direxists") return sys.DirectoryExists(arg(1)) ? "1" : "0";
  if (op == "mkdir") return sys.CreateDirectory(arg(1)) ? "1" : "0";
  if (op == "rmdir") return sys.RemoveDirectory(arg(1)) ? "1" : "0";
  if (op == "delete") return sys.DeleteFile(arg(1)) ? "1" : "0";
  if (op == "short") return Escape(sys.ShortPath(arg(1)));
  if (op == "full") return Escape(sys.FullPath(arg(1)));
  if (op == "temp") return Escape(sys.TempPath());
  if (op == "windir") return Escape(sys.WindowsDirectory());
  if (op == "delay") return sys.MoveFileDelayUntilReboot(arg(1)) ? "1" : "0";
  if (op == "wow64") return sys.IsWow64() ? "1" : "0";
  if (op == "elevated") return sys.IsElevated() ? "1" : "0";
  if (op == "version") {
    scr::VersionInfo v = sys.GetVersion();
    return std::string(v.ok ? "1" : "0") + " " + std::to_string(v.platform_id) + " " +
           std::to_string(v.major) + " " + std::to_string(v.minor) + " " + Escape(v.service_pack);
  }
  if (op == "seeds") {
    uint32_t a = sys.RandomSeed();
    sys.Sleep(20);
    uint32_t b = sys.RandomSeed();
    return std::to_string(a) + " " + std::to_string(b);
  }
  if (op == "lead") return sys.IsLeadByte(static_cast<uint8_t>(Number(arg(1)))) ? "1" : "0";
  if (op == "cmdline") return Escape(sys.CommandLine());
  if (op == "module") return Escape(sys.ModulePath());
  if (op == "regcreate") return sys.RegCreateKey(Root(arg(1)), arg(2)) ? "1" : "0";
  if (op == "regexists") return sys.RegKeyExists(Root(arg(1)), arg(2)) ? "1" : "0";
  if (op == "regset") return sys.RegSetString(Root(arg(1)), arg(2), arg(3), arg(4)) ? "1" : "0";
  if (op == "regget") {
    std::string value;
    if (!sys.RegGetString(Root(arg(1)), arg(2), arg(3), &value)) return "missing";
    return "= " + Escape(value);
  }
  if (op == "regnames") {
    std::string out = "[";
    for (const std::string& name : sys.RegValueNames(Root(arg(1)), arg(2)))
      out += " " + Escape(name);
    return out + " ]";
  }
  if (op == "regdelval") return sys.RegDeleteValue(Root(arg(1)), arg(2), arg(3)) ? "1" : "0";
  if (op == "regdeltree") return sys.RegDeleteTree(Root(arg(1)), arg(2)) ? "1" : "0";
  if (op == "folder") {
    std::string path;
    if (!sys.SpecialFolderPath(static_cast<scr::ShellFolder>(Number(arg(1))), &path))
      return "failed";
    return Escape(path);
  }
  if (op == "link") return sys.CreateShellLink(arg(1), arg(2)) ? "1" : "0";
  if (op == "start") return sys.StartProgram(arg(1), arg(2), 0) ? "1" : "0";
  if (op == "desktopverb") return sys.ShellExecuteAsDesktopUser(arg(1), arg(2), 4) ? "1" : "0";
  if (op == "classverb") return sys.ShellExecuteMachineClass(arg(1), arg(2), arg(3), 4) ? "1" : "0";
  if (op == "hold") return sys.HoldFolder(arg(1)) ? "1" : "0";
  if (op == "msgbox") {
    scr::MsgAnswer a = sys.MessageBox("probe", "probe", scr::MsgIcon::kError, scr::MsgButtons::kOk);
    return a == scr::MsgAnswer::kFailed ? "failed" : "answered";
  }
  return "unknown-operation";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: platprobe SCRIPT\n");
    return 2;
  }
  std::ifstream script(argv[1], std::ios::binary);
  if (!script) return 2;
  scr::Win32System sys;
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) fields.push_back(field);
    std::printf("%s: %s\n", fields[0].c_str(), Run(sys, fields).c_str());
    std::fflush(stdout);
  }
  return 0;
}
