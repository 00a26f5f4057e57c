// Path translation: the game writes Windows-style relative paths (".\data\x.txt", "./0008.p").
// Here they become POSIX paths: "\" and "/" both separate (Shift-JIS aware, so a trail byte 0x5C
// of a double-byte character is not a separator), and every component resolves against the disk
// ignoring ASCII letter case. Resolved names are cached.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt::platform {

// True when byte b starts a Shift-JIS double-byte character (0x81..0x9F, 0xE0..0xFC).
constexpr bool IsSjisLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
// True when byte b may follow a lead byte (0x40..0x7E, 0x80..0xFC).
constexpr bool IsSjisTrailByte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Splits a game path into its components at "\" and "/" (never inside a double-byte
// character). Empty components and "." are dropped; ".." is kept. A leading "/" (absolute
// POSIX path) is reported through `absolute`.
std::vector<std::string> SplitGamePath(std::string_view path, bool* absolute = nullptr);

// The disk path for an existing file or folder: each component is matched exactly first and then
// ignoring ASCII letter case. When a component does not exist, the rest is appended as written
// (so the result names where a new file would be created, inside folders that do exist).
std::string ResolveGamePath(std::string_view path);

// Forgets cached resolutions (tests that rename folders under the same name).
void ClearPathCache();

}  // namespace vt::platform
