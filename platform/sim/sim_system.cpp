#include "platform/sim/sim_system.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace scr {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The components of a path. As on Windows, the trail byte of a double-byte
// character (in the simulated code page) is never a separator. "/" separates
// file paths but is part of a registry key's name.
std::vector<std::string> SplitPath(const std::string& path, const std::set<uint8_t>& lead_bytes,
                                   bool slash_separates = true) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (lead_bytes.count(static_cast<uint8_t>(c)) && i + 1 < path.size()) {
      part += c;
      part += path[++i];
    } else if (c == '\\' || (slash_separates && c == '/')) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// True when the path ends with a separator of its own (not a trail byte).
bool EndsWithSeparator(const std::string& path, const std::set<uint8_t>& lead_bytes) {
  bool separator = false;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    separator = false;
    if (lead_bytes.count(static_cast<uint8_t>(c)) && i + 1 < path.size())
      ++i;
    else
      separator = c == '\\' || c == '/';
  }
  return separator;
}

class SimFile : public File {
 public:
  SimFile(std::FILE* f, int64_t* read_calls, int64_t write_limit)
      : f_(f), read_calls_(read_calls), write_limit_(write_limit) {}
  ~SimFile() override { std::fclose(f_); }
  int64_t Size() override {
    std::fflush(f_);
    int64_t here = ftello(f_);
    if (fseeko(f_, 0, SEEK_END) != 0) return -1;
    int64_t size = ftello(f_);
    fseeko(f_, here, SEEK_SET);
    return size;
  }
  int64_t Position() override { return ftello(f_); }
  bool Seek(int64_t position) override {
    return position >= 0 && fseeko(f_, position, SEEK_SET) == 0;
  }
  bool ReadSome(void* buffer, size_t count, size_t* got) override {
    if (read_calls_) ++*read_calls_;
    *got = std::fread(buffer, 1, count, f_);
    return !std::ferror(f_);
  }
  bool Write(const void* buffer, size_t count) override {
    if (write_limit_ >= 0 && written_ + static_cast<int64_t>(count) > write_limit_) return false;
    written_ += static_cast<int64_t>(count);
    return std::fwrite(buffer, 1, count, f_) == count;
  }

 private:
  std::FILE* f_;
  int64_t* read_calls_;
  int64_t write_limit_;
  int64_t written_ = 0;
};

// Windows refuses these characters in file and folder names.
bool ValidWindowsPath(const std::string& path) {
  for (size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    if (c == ':' && i == 1) continue;  // the drive's colon
    if (c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' ||
        static_cast<unsigned char>(c) < 32)
      return false;
  }
  return true;
}

}  // namespace

namespace {
std::string UniqueSandbox() {
  static int counter = 0;
  return (fs::temp_directory_path() /
          ("scr_sim_" + std::to_string(getpid()) + "_" + std::to_string(++counter)))
      .string();
}
}  // namespace

SimSystem::SimSystem() : SimSystem(UniqueSandbox()) {}

SimSystem::SimSystem(std::string sandbox) : sandbox_(std::move(sandbox)) {
  std::error_code ec;
  fs::remove_all(sandbox_, ec);
  fs::create_directories(sandbox_);
  MakeFolders("C:\\Setup");
  MakeFolders(windows_directory);
  MakeFolders(temp_path);
  for (const auto& [id, folder] : special_folders) MakeFolders(folder);
}

SimSystem::~SimSystem() {
  std::error_code ec;
  fs::remove_all(sandbox_, ec);
}

std::string SimSystem::HostPath(const std::string& windows_path) {
  std::string path = windows_path;
  // A relative path is taken from the program's folder.
  bool absolute = path.size() >= 2 && path[1] == ':';
  if (!absolute) path = "C:\\Setup\\" + path;
  std::vector<std::string> parts = SplitPath(path, lead_bytes);
  std::vector<std::string> resolved;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string part = parts[i];
    if (i == 0) {
      part = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(part[0]))));
    } else if (part == ".") {
      continue;
    } else if (part == "..") {
      if (resolved.size() > 1) resolved.pop_back();
      continue;
    }
    resolved.push_back(part);
  }
  fs::path host = sandbox_;
  for (const std::string& part : resolved) {
    fs::path exact = host / part;
    std::error_code ec;
    if (!fs::exists(exact, ec) && fs::is_directory(host, ec)) {
      std::string wanted = Lower(part);
      for (const auto& entry : fs::directory_iterator(host, ec)) {
        if (Lower(entry.path().filename().string()) == wanted) {
          exact = entry.path();
          break;
        }
      }
    }
    host = exact;
  }
  return host.string();
}

bool SimSystem::InSet(const std::set<std::string>& paths, const std::string& path) const {
  std::string wanted = Lower(path);
  for (const std::string& p : paths)
    if (Lower(p) == wanted) return true;
  return false;
}

void SimSystem::PutFile(const std::string& windows_path, std::string_view bytes) {
  std::string host = HostPath(windows_path);
  fs::create_directories(fs::path(host).parent_path());
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool SimSystem::GetFile(const std::string& windows_path, std::string* bytes) {
  std::string host = HostPath(windows_path);
  std::error_code ec;
  if (!fs::is_regular_file(host, ec)) return false;
  std::ifstream in(host, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  *bytes = all.str();
  return true;
}

std::string SimSystem::ReadWholeFile(const std::string& windows_path) {
  std::string bytes;
  GetFile(windows_path, &bytes);
  return bytes;
}

void SimSystem::MakeFolders(const std::string& windows_path) {
  fs::create_directories(HostPath(windows_path));
}

std::map<std::string, std::string> SimSystem::Snapshot() {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(sandbox_)) {
    std::string relative = fs::relative(entry.path(), sandbox_).string();
    if (entry.is_directory()) {
      files[relative + "/"] = "";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      std::ostringstream all;
      all << in.rdbuf();
      files[relative] = all.str();
    }
  }
  return files;
}

std::vector<std::string> SimSystem::RegistryDump() {
  std::vector<std::string> lines;
  for (const auto& [path, key] : registry_) {
    lines.push_back(path + "|");
    for (const auto& [name, value] : key.values) lines.push_back(path + "|" + name + "=" + value);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string SimSystem::LinkTarget(const std::string& link_file) {
  std::string bytes;
  if (!GetFile(link_file, &bytes) || bytes.rfind("LNK\n", 0) != 0) return "";
  return bytes.substr(4);
}

std::unique_ptr<File> SimSystem::OpenRead(const std::string& path, Share) {
  if (fail_open_module && Lower(path) == Lower(module_path)) return nullptr;
  std::string host = HostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(host, ec)) return nullptr;
  std::FILE* f = std::fopen(host.c_str(), "rb");
  if (!f) return nullptr;
  return std::make_unique<SimFile>(f, &read_calls, -1);
}

std::unique_ptr<File> SimSystem::CreateFile(const std::string& path) {
  if (InSet(fail_create_file, path) || !ValidWindowsPath(path) || Locked(path)) return nullptr;
  std::string host = HostPath(path);
  std::error_code ec;
  if (!fs::is_directory(fs::path(host).parent_path(), ec) || fs::is_directory(host, ec))
    return nullptr;
  std::FILE* f = std::fopen(host.c_str(), "w+b");
  if (!f) return nullptr;
  int64_t limit = -1;
  for (const auto& [p, after] : fail_write_after)
    if (Lower(p) == Lower(path)) limit = after;
  return std::make_unique<SimFile>(f, nullptr, limit);
}

bool SimSystem::Locked(const std::string& path) const { return locked_.count(Lower(path)) != 0; }

namespace {

// A file that keeps its path locked in `locked` until it is closed.
class LockedFile : public File {
 public:
  LockedFile(std::unique_ptr<File> inner, std::multiset<std::string>* locked, std::string key)
      : inner_(std::move(inner)), locked_(locked), key_(std::move(key)) {
    locked_->insert(key_);
  }
  ~LockedFile() override { locked_->erase(locked_->find(key_)); }
  int64_t Size() override { return inner_->Size(); }
  int64_t Position() override { return inner_->Position(); }
  bool Seek(int64_t position) override { return inner_->Seek(position); }
  bool ReadSome(void* buffer, size_t count, size_t* got) override {
    return inner_->ReadSome(buffer, count, got);
  }
  bool Write(const void* buffer, size_t count) override { return inner_->Write(buffer, count); }

 private:
  std::unique_ptr<File> inner_;
  std::multiset<std::string>* locked_;
  std::string key_;
};

}  // namespace

std::unique_ptr<File> SimSystem::Lock(std::unique_ptr<File> file, const std::string& path) {
  if (!file) return nullptr;
  return std::make_unique<LockedFile>(std::move(file), &locked_, Lower(path));
}

std::unique_ptr<File> SimSystem::CreateNewFile(const std::string& path) {
  if (InSet(fail_create_file, path) || !ValidWindowsPath(path)) return nullptr;
  std::string host = HostPath(path);
  std::error_code ec;
  // Anything of that name counts: a file, a folder, a link (even one that
  // points nowhere).
  if (fs::exists(fs::symlink_status(host, ec)) ||
      !fs::is_directory(fs::path(host).parent_path(), ec))
    return nullptr;
  std::FILE* f = std::fopen(host.c_str(), "w+bx");  // "x": fails on anything that exists
  if (!f) return nullptr;
  return Lock(std::make_unique<SimFile>(f, nullptr, -1), path);
}

std::unique_ptr<File> SimSystem::SealFile(std::unique_ptr<File> written, const std::string& path) {
  written.reset();
  return Lock(OpenRead(path, Share::kDenyWrite), path);
}

std::unique_ptr<File> SimSystem::OpenReadWrite(const std::string& path) {
  if (Locked(path)) return nullptr;
  std::string host = HostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(host, ec)) return nullptr;
  std::FILE* f = std::fopen(host.c_str(), "r+b");
  if (!f) return nullptr;
  return std::make_unique<SimFile>(f, nullptr, -1);
}

bool SimSystem::DeleteFile(const std::string& path) {
  ++delete_attempts;
  if (InSet(fail_delete, path) || Locked(path)) return false;
  for (auto& [p, left] : busy_deletes) {
    if (Lower(p) == Lower(path) && left > 0) {
      --left;
      return false;
    }
  }
  std::string host = HostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(host, ec)) return false;
  if (!fs::remove(host, ec)) return false;
  deleted.push_back(path);
  return true;
}

bool SimSystem::FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(HostPath(path), ec);
}

bool SimSystem::DirectoryExists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(HostPath(path), ec);
}

bool SimSystem::CreateDirectory(const std::string& path) {
  if (InSet(fail_create_directory, path) || !ValidWindowsPath(path)) return false;
  std::string host = HostPath(path);
  std::error_code ec;
  if (fs::exists(host, ec) || !fs::is_directory(fs::path(host).parent_path(), ec)) return false;
  return fs::create_directory(host, ec);
}

bool SimSystem::RemoveDirectory(const std::string& path) {
  std::string host = HostPath(path);
  std::error_code ec;
  if (!fs::is_directory(host, ec) || !fs::is_empty(host, ec)) return false;
  return fs::remove(host, ec);
}

bool SimSystem::CopyFile(const std::string& from, const std::string& to, bool overwrite) {
  std::string bytes;
  if (!GetFile(from, &bytes)) return false;
  if ((!overwrite && FileExists(to)) || Locked(to)) return false;
  std::string host = HostPath(to);
  std::error_code ec;
  if (!fs::is_directory(fs::path(host).parent_path(), ec)) return false;
  PutFile(to, bytes);
  return true;
}

std::string SimSystem::ShortPath(const std::string& path) {
  for (const auto& [long_path, short_path] : short_paths)
    if (Lower(long_path) == Lower(path)) return short_path;
  return path;
}

std::string SimSystem::FullPath(const std::string& path) {
  std::string full = path;
  if (!(full.size() >= 2 && full[1] == ':')) full = "C:\\Setup\\" + full;
  std::vector<std::string> parts = SplitPath(full, lead_bytes);
  std::vector<std::string> out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0 && parts[i] == ".") continue;
    if (i > 0 && parts[i] == "..") {
      if (out.size() > 1) out.pop_back();
      continue;
    }
    out.push_back(parts[i]);
  }
  std::string joined;
  for (size_t i = 0; i < out.size(); ++i) joined += (i ? "\\" : "") + out[i];
  if (out.size() == 1) joined += "\\";
  if (EndsWithSeparator(full, lead_bytes) && out.size() > 1) joined += "\\";
  return joined;
}

bool SimSystem::MoveFileDelayUntilReboot(const std::string& path) {
  delay_until_reboot.push_back(path);
  return delay_until_reboot_ok;
}

std::string SimSystem::RegPath(RootKey root, const std::string& key) const {
  std::string k = key;
  if (!k.empty() && k[0] == '\\') k.erase(0, 1);  // one leading backslash means the root
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return std::string(root == RootKey::kLocalMachine ? "HKLM" : "HKCU") + (k.empty() ? "" : "\\") +
         Lower(k);
}

SimSystem::RegKey* SimSystem::FindKey(RootKey root, const std::string& key) {
  auto it = registry_.find(RegPath(root, key));
  return it == registry_.end() ? nullptr : &it->second;
}

bool SimSystem::RegCreateKey(RootKey root, const std::string& key) {
  std::string k = key;
  if (!k.empty() && k[0] == '\\') k.erase(0, 1);
  // As on Windows, a sub-key may not begin with a backslash (after the one
  // that marks the root) nor hold an empty component.
  if (!k.empty() && k[0] == '\\') return false;
  std::string path;
  for (const std::string& part : SplitPath(k, lead_bytes, false)) {
    path += (path.empty() ? "" : "\\") + part;
    std::string reg = RegPath(root, path);
    if (!registry_.count(reg)) registry_[reg].name = path;
  }
  if (k.empty()) registry_[RegPath(root, "")].name = "";
  return true;
}

bool SimSystem::RegKeyExists(RootKey root, const std::string& key) {
  return FindKey(root, key) != nullptr;
}

bool SimSystem::RegSetString(RootKey root, const std::string& key, const std::string& name,
                             const std::string& value) {
  RegKey* k = FindKey(root, key);
  if (!k) return false;
  for (auto& [n, v] : k->values) {
    if (Lower(n) == Lower(name)) {
      v = value;
      return true;
    }
  }
  k->values.emplace_back(name, value);
  return true;
}

bool SimSystem::RegGetString(RootKey root, const std::string& key, const std::string& name,
                             std::string* value) {
  RegKey* k = FindKey(root, key);
  if (!k) return false;
  for (const auto& [n, v] : k->values) {
    if (Lower(n) == Lower(name)) {
      *value = v;
      return true;
    }
  }
  return false;
}

std::vector<std::string> SimSystem::RegValueNames(RootKey root, const std::string& key) {
  std::vector<std::string> names;
  if (RegKey* k = FindKey(root, key))
    for (const auto& [n, v] : k->values) names.push_back(n);
  return names;
}

bool SimSystem::RegDeleteValue(RootKey root, const std::string& key, const std::string& name) {
  RegKey* k = FindKey(root, key);
  if (!k) return false;
  auto it = std::find_if(k->values.begin(), k->values.end(),
                         [&](const auto& v) { return Lower(v.first) == Lower(name); });
  if (it == k->values.end()) return false;
  k->values.erase(it);
  return true;
}

bool SimSystem::RegDeleteTree(RootKey root, const std::string& key) {
  std::string path = RegPath(root, key);
  if (!registry_.count(path)) return false;
  std::string prefix = path + "\\";
  for (auto it = registry_.begin(); it != registry_.end();) {
    if (it->first == path || it->first.rfind(prefix, 0) == 0)
      it = registry_.erase(it);
    else
      ++it;
  }
  return true;
}

bool SimSystem::SpecialFolderPath(ShellFolder folder, std::string* path) {
  if (failing_folders.count(folder) || !special_folders.count(folder)) return false;
  *path = special_folders[folder];
  return true;
}

intptr_t SimSystem::ShellExecute(bool with_owner, const std::string& verb, const std::string& file,
                                 const std::string& params, const std::string& dir, int show) {
  shell_calls.push_back({with_owner, verb, file, params, dir, show});
  return shell_execute_result;
}

bool SimSystem::CreateShellLink(const std::string& target, const std::string& link_file) {
  std::string host = HostPath(link_file);
  std::error_code ec;
  if (!fs::is_directory(fs::path(host).parent_path(), ec)) return false;
  if (InSet(fail_create_file, link_file) || !ValidWindowsPath(link_file)) return false;
  PutFile(link_file, "LNK\n" + target);
  return true;
}

MsgAnswer SimSystem::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                MsgButtons buttons) {
  boxes.push_back({text, caption, icon, buttons});
  if (answers.empty()) return buttons == MsgButtons::kOk ? MsgAnswer::kOk : MsgAnswer::kFailed;
  MsgAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace scr
