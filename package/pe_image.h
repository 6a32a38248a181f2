// The two fields of a program image's PE header that tie it to a signature.
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
#include <string>

namespace scr {

// How many leading bytes of an image ClearSignatureFields looks at. A PE
// header lies in the image's first page; one further out is no header of
// ours and stays as it is.
inline constexpr size_t kPeHeaderSpan = 4096;

// In `head`, the leading bytes of a PE32 or PE32+ image, sets the checksum
// and the security directory entry (position and size) to 0. False, with
// nothing changed, when `head` holds no whole PE header.
bool ClearSignatureFields(std::string& head);

}  // namespace scr
