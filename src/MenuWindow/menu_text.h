// Bounded text for the menus' fixed fields: a caller's string cut to a field's capacity
// (capacity - 1 bytes and the terminating zero), never inside a double-byte character.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace vt::menu {

// Field capacities, terminating zero included.
inline constexpr size_t kWindowTitleCapacity = 128;
inline constexpr size_t kItemLabelCapacity = 256;
inline constexpr size_t kItemHelpCapacity = 128;
inline constexpr size_t kHelpKeyCapacity = 128;
inline constexpr size_t kHelpTextCapacity = 512;
inline constexpr size_t kFontNameCapacity = 257;

std::string BoundedText(std::string_view text, size_t capacity);
// The same from a C string (null gives "").
std::string BoundedText(const char* text, size_t capacity);

}  // namespace vt::menu
