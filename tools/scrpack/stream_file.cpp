#include "tools/scrpack/stream_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tools/scrpack/commands.h"

namespace scrpack {

StreamFile::StreamFile(const std::string& path, bool write) : write_(write) {
  auto mode = std::ios::binary | (write ? std::ios::out | std::ios::trunc : std::ios::in);
  stream_.open(path, mode);
}

bool StreamFile::Close() {
  if (!stream_.is_open()) return false;
  if (write_) stream_.flush();
  bool ok = !stream_.fail();
  stream_.close();
  return ok && !stream_.fail();
}

int64_t StreamFile::Size() {
  stream_.clear();
  const auto here = stream_.tellg();
  stream_.seekg(0, std::ios::end);
  const auto end = stream_.tellg();
  stream_.seekg(here);
  if (end < 0 || stream_.fail()) return -1;
  return static_cast<int64_t>(end);
}

int64_t StreamFile::Position() {
  const auto here = write_ ? stream_.tellp() : stream_.tellg();
  return here < 0 ? -1 : static_cast<int64_t>(here);
}

bool StreamFile::Seek(int64_t position) {
  if (position < 0) return false;
  stream_.clear();
  if (write_)
    stream_.seekp(static_cast<std::streamoff>(position));
  else
    stream_.seekg(static_cast<std::streamoff>(position));
  return !stream_.fail();
}

bool StreamFile::ReadSome(void* buffer, size_t count, size_t* got) {
  *got = 0;
  if (write_) return false;
  stream_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
  *got = static_cast<size_t>(stream_.gcount());
  // A read that stops at the end sets eof and fail; only bad is an error.
  const bool ok = !stream_.bad();
  stream_.clear();
  return ok;
}

bool StreamFile::Write(const void* buffer, size_t count) {
  if (!write_) return false;
  stream_.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
  return !stream_.fail();
}

std::string SystemReason(int error_number) {
  std::string reason = std::strerror(error_number);
  if (!reason.empty())
    reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  return reason;
}

bool ReadInputFile(const std::string& what, const std::string& path, int64_t limit,
                   std::string* bytes, std::string* error, bool* too_large) {
  bytes->clear();
  *too_large = false;
  const std::string where = what + ": \"" + path + "\"";
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    *error = where + " is a folder, not a file";
    return false;
  }
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot read " + where + ": " + SystemReason(errno);
    return false;
  }
  // A pipe or a device has no size to ask for (`--readme <(make-readme)`):
  // it is read to its end, and refused once it passes the limit.
  bool ok = true;
  char chunk[64 * 1024];
  errno = 0;
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof(chunk), file);
    if (static_cast<int64_t>(bytes->size() + got) > limit) {
      std::fclose(file);
      bytes->clear();
      *too_large = true;
      *error =
          where + " has more than " + std::to_string(limit) + " bytes, more than a package holds";
      return false;
    }
    bytes->append(chunk, got);
    if (got < sizeof(chunk)) {
      ok = !std::ferror(file);
      break;
    }
  }
  const int read_error = errno;
  std::fclose(file);
  if (!ok) {
    *error = "cannot read " + where + ": " + SystemReason(read_error ? read_error : EIO);
    bytes->clear();
  }
  return ok;
}

}  // namespace scrpack
