// Fuzz target: quoted text lists and the tokenizer over arbitrary Shift-JIS text.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/lib_debug.h"
#include "app/lib_sjis.h"
#include "app/text_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  TextList list;
  if (list.LoadFromText(text)) {
    std::string entry;
    for (size_t i = 0; i <= list.Count(); ++i) list.GetEntry(i, entry);
  }
  std::string word;
  size_t pos = 0;
  for (int i = 0; i < 10000 && pos < text.size(); ++i) {
    size_t next = SjisReadWord(text, pos, word);
    if (next == pos) ++next;
    pos = next;
  }
  pos = 0;
  while (SjisSkipLine(text, pos)) {
  }
  int32_t value;
  ParseIntLiteral(text.substr(0, 40), &value);
  return 0;
}
