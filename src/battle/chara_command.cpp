// Reading the character command and parameter file.
#include "battle/chara_command.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "Dxtools/IniFile.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "battle/battle_records.h"
#include "battle/battle_text.h"
#include "battle/command_input.h"

using battle_text::DigitFlagsToBits;
using battle_text::IniValue;
using battle_text::ParseInt;

namespace {

bool IsEndLine(const battle_text::Line& l) { return l.fields[0].substr(0, 3) == "END"; }

// The list half: the lines before the first "END" line; the ini half is the text after it.
std::string_view CommandHalf(std::string_view text, std::string_view* iniHalf) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lineEnd = text.find('\n', pos);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    size_t start = pos;
    while (start < lineEnd && (text[start] == ' ' || text[start] == '\t')) ++start;
    if (text.substr(start, 3) == "END") {
      *iniHalf = text.substr(lineEnd);
      return text.substr(0, pos);
    }
    pos = lineEnd + 1;
  }
  *iniHalf = {};
  return text;
}

// A uint8 field: 0..255 or the line is refused.
bool ByteField(int64_t v, uint8_t* out) {
  if (v < 0 || v > 255) return false;
  *out = static_cast<uint8_t>(v);
  return true;
}

int64_t FieldOr0(const battle_text::Line& l, size_t i) {
  return i < l.fields.size() ? ParseInt(l.fields[i]) : 0;
}

int32_t IniInt(IniFile& ini, const char* section, const char* key, int32_t def) {
  const auto v = IniValue(ini, section, key);
  return v ? static_cast<int32_t>(ParseInt(*v)) : def;
}

uint8_t IniByte(IniFile& ini, const char* section, const char* key, std::string_view name) {
  const int32_t v = IniInt(ini, section, key, 0);
  if (v < 0 || v > 255) {
    DebugPrint("%.*s: [%s] %s=%d is outside 0..255; clamped\n", static_cast<int>(name.size()), name.data(),
               section, key, v);
    return static_cast<uint8_t>(v < 0 ? 0 : 255);
  }
  return static_cast<uint8_t>(v);
}

ThrowEntry IniThrow(IniFile& ini, const char* key) {
  ThrowEntry t;
  auto v = IniValue(ini, "ThrowParam", key);
  if (!v || v->empty()) return t;
  // The value is read as text of at most 256 characters.
  if (v->size() > 256) v->resize(256);
  const auto values = battle_text::ParseIntList(*v);
  const int64_t first = values.size() > 0 ? values[0] : 0;
  const int64_t second = values.size() > 1 ? values[1] : 0;
  t.enabled = first != 0 ? 1 : 0;
  t.first = static_cast<int16_t>(first);
  t.second = static_cast<int16_t>(second);
  return t;
}

// "%f,%f,%f,%f": the values are read in order and reading stops at the first one that is not
// a number or is not followed by a comma; the ratios not reached keep 1.0. A ratio that is not
// finite would poison every damage figure, so it is refused like a malformed one.
void ParseGuardRatios(std::string_view text, float (&ratios)[4], std::string_view name) {
  for (float& g : ratios) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    float v = 0.0f;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr == text.data()) return;
    if (!std::isfinite(v)) {
      DebugPrint("%.*s: [Status] Guard holds a ratio that is not finite; the rest stay 1.0\n",
                 static_cast<int>(name.size()), name.data());
      return;
    }
    g = v;
    text.remove_prefix(static_cast<size_t>(r.ptr - text.data()));
    if (text.empty() || text.front() != ',') return;
    text.remove_prefix(1);
  }
}

}  // namespace

uint32_t CountCommandLines(std::string_view text) {
  std::string_view ini;
  uint32_t highest = 0;
  for (const auto& l : battle_text::SplitFields(CommandHalf(text, &ini))) {
    bool ok = false;
    const int64_t id = ParseInt(l.fields[0], &ok);
    if (ok && id >= 0 && id <= kMaxCommandId && static_cast<uint32_t>(id) > highest)
      highest = static_cast<uint32_t>(id);
  }
  return highest;
}

std::unique_ptr<CharaCommandTable> ParseCharaCommandFile(std::string_view text, std::string_view name) {
  const int nameLen = static_cast<int>(name.size());
  auto table = std::make_unique<CharaCommandTable>();
  table->commands.resize(CountCommandLines(text) + 1);
  std::string_view iniHalf;
  for (const auto& l : battle_text::SplitFields(CommandHalf(text, &iniHalf))) {
    if (IsEndLine(l)) break;
    bool ok = false;
    const int64_t id = ParseInt(l.fields[0], &ok);
    if (id < 0 || id > kMaxCommandId) {
      DebugPrint("%.*s(%d): command id %lld is outside 0..%u; line skipped\n", nameLen, name.data(), l.number,
                 static_cast<long long>(id), kMaxCommandId);
      continue;
    }
    auto e = std::make_unique<CommandEntry>();
    e->id = static_cast<uint32_t>(id);
    const std::string_view notation = l.fields.size() > 1 ? l.fields[1] : std::string_view{};
    if (notation.size() > kMaxNotationChars) {
      DebugPrint("%.*s(%d): notation longer than %d characters; line skipped\n", nameLen, name.data(),
                 l.number, kMaxNotationChars);
      continue;
    }
    if (!notation.empty()) std::memcpy(e->notationText, notation.data(), notation.size());
    // Compiled here, not through a seam: a table loaded before the battle's seams are in place
    // must match all the same.
    CompileNotation(e->notation, notation);
    const int64_t a = FieldOr0(l, 2) % 100000000, b = FieldOr0(l, 3) % 100000000;
    e->cancelKind = static_cast<uint8_t>(a / 10000000);
    e->flags = DigitFlagsToBits(a) & 0x7F;
    const uint32_t bBits = DigitFlagsToBits(b);
    for (int i = 0; i < 7; ++i) {
      if (!(bBits & (1u << i))) continue;
      e->flags |= i == 5 ? (0x2000u | 0x800u | 0x8u) : (0x100u << i);
    }
    e->pattern = static_cast<uint32_t>(FieldOr0(l, 4));
    e->cost = static_cast<uint32_t>(FieldOr0(l, 5));
    if (!ByteField(FieldOr0(l, 6), &e->partner) || !ByteField(FieldOr0(l, 7), &e->counterLimit) ||
        !ByteField(FieldOr0(l, 8), &e->airLimit) || a / 10000000 > 255) {
      DebugPrint("%.*s(%d): a one-byte field is outside 0..255; line skipped\n", nameLen, name.data(),
                 l.number);
      continue;
    }
    // The list was pre-sized from the same lines; growing here keeps the slot in bounds even if
    // the sizing pass ever reads a line differently.
    if (e->id >= table->commands.size()) table->commands.resize(e->id + 1);
    auto& slot = table->commands[e->id];
    if (slot) continue;  // the first line with an id wins
    slot = std::move(e);
  }

  IniFile ini;
  ini.LoadFromText(iniHalf);
  table->groundThrow = IniThrow(ini, "Ground");
  table->airThrow = IniThrow(ini, "Air");
  table->shieldCounterGround = IniInt(ini, "ShieldCounter", "Ground", 0);
  table->shieldCounterAir = IniInt(ini, "ShieldCounter", "Air", 0);
  table->shieldCounterCrouch = IniInt(ini, "ShieldCounter", "Crouch", 0);
  table->dashCancelGround = IniInt(ini, "Status", "CancelDash_Ground", 0);
  table->dashCancelAir = IniInt(ini, "Status", "CancelDash_Air", 0);
  table->sparkGround = IniInt(ini, "Status", "CancelSparkPat_Ground", 0);
  table->sparkAir = IniInt(ini, "Status", "CancelSparkPat_Air", 0);
  table->highJumpPattern = IniInt(ini, "Status", "CancelHighJumpPat", 0);
  table->airJumps = IniByte(ini, "Status", "AirJumpNum", name);
  table->destroyCount = IniByte(ini, "Status", "DestroyNum", name);
  table->gravityAddY = IniInt(ini, "Status", "CharaGravity_AddY", 150);
  table->gravityMaxX = IniInt(ini, "Status", "CharaGravity_MaxX", 1000);
  table->spCritical = IniByte(ini, "Status", "SPCritical", name);
  table->tagHeart = IniByte(ini, "Status", "TagHeart", name);
  table->koEffect = IniInt(ini, "Status", "KoAniEff", 0);
  for (float& g : table->guardRatio) g = 1.0f;
  if (const auto guard = IniValue(ini, "Status", "Guard")) ParseGuardRatios(*guard, table->guardRatio, name);
  table->flags = IniByte(ini, "Status", "Flags", name);
  table->rareKoVoice = IniByte(ini, "Status", "KoRareVoice", name);
  int32_t num = IniInt(ini, "ExComCheck", "Num", 0);
  if (num < 0 || num > kMaxExComChecks) {
    DebugPrint("%.*s: [ExComCheck] Num=%d capped to 0..%d\n", nameLen, name.data(), num, kMaxExComChecks);
    num = num < 0 ? 0 : kMaxExComChecks;
  }
  table->exComCheckCount = num;
  table->exComChecks.resize(static_cast<size_t>(num));
  for (int k = 0; k < num; ++k) {
    char key[32];
    ExComCheck& c = table->exComChecks[static_cast<size_t>(k)];
    std::snprintf(key, sizeof key, "%03d_CheckNum", k);
    c.commandId = IniInt(ini, "ExComCheck", key, 0);
    std::snprintf(key, sizeof key, "%03d_Type", k);
    c.type = IniInt(ini, "ExComCheck", key, 0);
    for (int p = 0; p < 5; ++p) {
      std::snprintf(key, sizeof key, "%03d_P%d", k, p);
      c.p[p] = IniInt(ini, "ExComCheck", key, 0);
    }
  }
  return table;
}

int LoadCharaCommandFile(PlayerRecord& record, std::string_view path) {
  DataBuffer file = LoadDataFile(path);
  if (!file) return 0;
  record.ext.commandTable = ParseCharaCommandFile(file.text(), path);
  return 1;
}

void FreeCharaCommandTable(PlayerRecord& record) { record.ext.commandTable.reset(); }
