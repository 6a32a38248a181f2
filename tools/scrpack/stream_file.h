// scr::File over a standard C++ file stream, so the tool reads and writes
// packages through the same loader and writer as the setup program.
#pragma once

#include <fstream>
#include <string>

#include "platform/system.h"

namespace scrpack {

class StreamFile : public scr::File {
 public:
  // Opens `path` for reading (write == false) or creates / empties it for
  // writing. Check is_open() afterwards.
  StreamFile(const std::string& path, bool write);
  bool is_open() const { return stream_.is_open(); }
  // Flushes and closes; false when anything written did not reach the file.
  bool Close();

  int64_t Size() override;
  int64_t Position() override;
  bool Seek(int64_t position) override;
  bool ReadSome(void* buffer, size_t count, size_t* got) override;
  bool Write(const void* buffer, size_t count) override;

 private:
  std::fstream stream_;
  bool write_;
};

// The system's wording for an errno value, in small letters ("no such file
// or directory"), for messages that say why a file could not be used.
std::string SystemReason(int error_number);

}  // namespace scrpack
