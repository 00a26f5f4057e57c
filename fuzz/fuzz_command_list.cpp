// Fuzz target: the command list file's parser and the band colour file's reader over the same
// bytes, with the bounds every parsed line must keep.
#include <cstdint>
#include <string_view>
#include <vector>

#include "menu/command_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<CommandListLine> lines;
  const int parsed = ParseCommandListText(text, lines);
  if (parsed == 0 && !lines.empty()) __builtin_trap();
  for (size_t i = 0; i < lines.size(); ++i) {
    const CommandListLine& l = lines[i];
    if (l.index != static_cast<int32_t>(i)) __builtin_trap();
    if (l.Name.size() > kCommandTextMax || l.Cmd.size() > kCommandTextMax) __builtin_trap();
    if (l.depth < 0 || l.depth > kCommandMaxDepth) __builtin_trap();
    if (l.cmdSubCount < 0 || l.cmdSubCount > kCommandSubMax) __builtin_trap();
    if (l.childCount < 0 || l.childCount > kCommandChildMax) __builtin_trap();
    for (int k = 0; k < l.cmdSubCount; ++k)
      if (CommandSubKeyword(l.CmdSub[k]) == nullptr) __builtin_trap();
    for (int k = 0; k < l.childCount; ++k)
      if (l.Child[k] == 0) __builtin_trap();
    if (MeasureCommandNotation(l.Cmd) > 24 * static_cast<int>(l.Cmd.size())) __builtin_trap();
  }
  uint32_t colours[kCommandColourCount];
  ResetCommandColours(colours);
  ReadCommandColours(text, colours);
  for (int type : {0, 1, 2, 10, 11, 100, 7}) (void)CommandBandColour(colours, type);
  return 0;
}
