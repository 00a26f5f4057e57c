// Bounded text for the menus' fixed fields.
#include "MenuWindow/menu_text.h"

#include "app/lib_sjis.h"

namespace vt::menu {

std::string BoundedText(std::string_view text, size_t capacity) {
  if (capacity == 0) return {};
  // A zero byte ends the text as it would in the field.
  const size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  if (text.size() <= capacity - 1) return std::string(text);
  size_t length = capacity - 1;
  if (ClassifySjisPosition(text, length) == 2) --length;
  return std::string(text.substr(0, length));
}

std::string BoundedText(const char* text, size_t capacity) {
  return text ? BoundedText(std::string_view(text), capacity) : std::string();
}

}  // namespace vt::menu
