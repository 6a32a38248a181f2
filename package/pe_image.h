// What the setup needs to know of a program image's PE header: where the
// program's own file ends (its package must begin there), and the two
// fields that tie it to a signature.
//
// An author may sign the published setup file: Authenticode appends the
// certificate after the package and points the header's security directory
// entry at it, and sets the header's checksum. The uninstaller copy takes
// its program image from that file but none of what follows, so it must
// not keep the pointer: a security directory that points past the end of
// the file is a damaged signature, not an absent one, and both the
// signature checks and the elevation prompt say so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "package/record.h"
#include "platform/system.h"

namespace scr {

// How many leading bytes of an image ClearSignatureFields looks at. A PE
// header lies in the image's first page; one further out is no header of
// ours and stays as it is.
inline constexpr size_t kPeHeaderSpan = 4096;

// In `head`, the leading bytes of a PE32 or PE32+ image, sets the checksum
// and the security directory entry (position and size) to 0. False, with
// nothing changed, when `head` holds no whole PE header.
bool ClearSignatureFields(std::string& head);

// Where a PE program's own file ends: behind its headers, its sections and
// (when it was not stripped) its symbols; `end` is -1 for a file that does
// not begin with a PE image. `certificate` is the certificate table's file
// position and size, when the headers name one.
struct ProgramImage {
  int64_t end = -1;
  BlockSpan certificate;
};
ProgramImage ReadProgramImage(File& file, int64_t size);
// Whether a setup file's package, starting at `start`, begins where its
// program image ends (behind a signature that directly follows the image,
// for a program signed before the package was appended). Always true when
// the image is no PE program.
bool PackageStartsBehindImage(const ProgramImage& image, int64_t start);

}  // namespace scr
