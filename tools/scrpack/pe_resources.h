// The setup program's own icon and version, written by the tool into its
// copy of the program image: Windows shows them in Explorer, in the file's
// Properties and on the taskbar. Plain byte work on the PE32 image, so the
// Linux and the Windows build of the tool write the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scrpack {

// One image of an .ico file.
struct IconImage {
  int width = 0, height = 0;  // 256 where the file says 0
  uint8_t colors = 0, reserved = 0;
  uint16_t planes = 0, bit_count = 0;
  std::string data;  // a DIB or a PNG, as in the file
  bool png = false;
};

// Every image of an .ico file; false with the reason when it is none.
bool ReadIconFile(std::string_view bytes, std::vector<IconImage>* images, std::string* error);

// "" or why Windows 95 to XP would show no icon of their own sizes: they
// draw only bitmap images, 16 by 16 in lists and 32 by 32 on the desktop.
std::string OldWindowsIconProblem(const std::vector<IconImage>& images);

// "A", "A.B", "A.B.C" or "A.B.C.D", each 0..65535, into four numbers.
bool ParseVersion(std::string_view text, uint16_t version[4]);

struct VersionInfo {
  uint16_t file_version[4] = {0, 0, 0, 0};
  // The StringFileInfo values in UTF-8, by their Windows names
  // (CompanyName, FileDescription, ...); written as UTF-16.
  std::vector<std::pair<std::string, std::string>> strings;
};

// A resource the image gains. Numeric type and name: all the tool writes.
struct NewResource {
  uint16_t type;
  uint16_t id;
  std::string data;
};

// RT_ICON images and the RT_GROUP_ICON under `group_id` that lists them.
std::vector<NewResource> IconResources(const std::vector<IconImage>& images, uint16_t group_id);
// The RT_VERSION resource (VS_VERSIONINFO, strings in UTF-16).
NewResource VersionResource(const VersionInfo& info);

// Adds `resources` to the PE32 (or PE32+) image in `image`: the image's own resources
// (its manifest) are kept, a new one of the same type and name replaces
// the old, and the tree goes into a new last section, so that no other
// section's bytes move. False, with the reason, for an image it cannot
// change this way (no PE image, signed, no room for another section header).
bool AddResources(std::string* image, const std::vector<NewResource>& resources,
                  std::string* error);

}  // namespace scrpack
