// The file-name helpers in the running system's code page: the walks of
// package/ansi_text.h with the system's own lead bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "package/ansi_text.h"
#include "platform/system.h"

namespace scr {

// Where the file name of `path` begins: just behind its last byte that is
// one of `separators`, never a trail byte.
size_t FileNameStart(System& system, std::string_view path, std::string_view separators);

// Every test for, and every addition or removal of, a folder's trailing
// separator goes through these three (a trail byte 0x5C is none).
bool EndsWithBackslash(System& system, std::string_view path);
std::string WithBackslash(System& system, std::string_view path);
std::string WithoutBackslash(System& system, std::string_view path);

}  // namespace scr
