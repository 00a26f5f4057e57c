// Win quotes: the quote file parser, the ".wmt" copy, the quote choice and the voice volume.
#include "scene/win_quotes.h"

#include <algorithm>
#include <cstring>

#include "app/file_loader.h"
#include "app/lib_file.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_records.h"
#include "battle/battle_text.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"

WinQuoteTable g_WinQuoteTable;

namespace {

bool IsLineEndOrNul(char c) { return c == '\0' || c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The next field of the line: past this field and the blanks after it; a line end stays put, so
// a short line never reads its fields from the next one.
const char* NextOnLine(const char* p) {
  while (!IsLineEndOrNul(*p) && !IsBlank(*p)) ++p;
  while (IsBlank(*p)) ++p;
  return p;
}
int32_t FieldNumber(const char* p) { return IsLineEndOrNul(*p) ? 0 : battle_text::ReadNumber(p); }

// Copies [begin, end) into a field of `size` bytes, cut at a character boundary and terminated.
void CopyField(char* field, size_t size, const char* begin, const char* end) {
  const std::string_view cut = battle_text::CutAtCharacter(std::string_view(begin, end - begin), size - 1);
  std::memcpy(field, cut.data(), cut.size());
  field[cut.size()] = '\0';
}

}  // namespace

uint32_t ParseWinQuotes(std::string_view text, WinQuoteTable& table) {
  table = WinQuoteTable{};
  // The scanners walk a zero-terminated text; a NUL inside the file ends it like the file's end.
  const std::string owned(text);
  const char* p = battle_text::SkipBlanks(owned.c_str());
  // The file's end counts as its "END" line, and the table's size stops it too: a damaged file
  // keeps the quotes read so far.
  while (*p != '\0' && table.count < kWinQuoteMax) {
    if (std::strncmp(p, "END", 3) == 0) break;
    WinQuote& q = table.entries[table.count];
    q.opponent = static_cast<uint8_t>(FieldNumber(p));
    p = NextOnLine(p);
    q.flags = static_cast<int16_t>(FieldNumber(p));
    p = NextOnLine(p);
    q.picture = static_cast<uint16_t>(FieldNumber(p));
    p = NextOnLine(p);
    // The voice name runs to the next blank and loses its extension.
    const char* v = p;
    while (!IsLineEndOrNul(*v) && !IsBlank(*v)) ++v;
    const char* vEnd = v;
    for (const char* d = v; d > p; --d) {
      if (d[-1] == '.') {
        vEnd = d - 1;
        break;
      }
    }
    CopyField(q.voice, sizeof q.voice, p, vEnd);
    p = v;
    while (IsBlank(*p)) ++p;
    // The text runs to the line's end, markup and all.
    const char* t = p;
    while (!IsLineEndOrNul(*t)) ++t;
    CopyField(q.text, sizeof q.text, p, t);
    ++table.count;
    p = battle_text::SkipBlanks(battle_text::SkipToNextLine(t));
  }
  return table.count;
}

std::vector<uint8_t> SerialiseWinQuotes(const WinQuoteTable& table) {
  const uint32_t n = std::min<uint32_t>(table.count, kWinQuoteMax);
  std::vector<uint8_t> out(4 + sizeof(WinQuote) * n);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(n >> (8 * i));
  if (n) std::memcpy(out.data() + 4, table.entries, sizeof(WinQuote) * n);
  return out;
}

std::string WinQuotePath(int character) {
  const CharaListEntry* e = GetCharaListEntry(character);
  if (!e || e->Name[0] == '\0') return {};
  std::string path;
  const StoryBattleRoute* route =
      g_MatchWinnerSide != 255 ? StoryBattleRouteOfSide(g_MatchWinnerSide) : nullptr;
  if (route) {
    MakeStoryWinTextPath(&path, *route, e->Name);
  } else {
    path = GetSelectLanguage() == 1 ? ".\\story\\battle\\eng\\" : ".\\story\\battle\\jpn\\";
    path += e->Name;
    path += "_win.txt";
  }
  return path;
}

void LoadWinQuotes(int character) {
  g_WinQuoteTable = WinQuoteTable{};
  // An index the list does not hold has no name to build paths from: no quotes, no ".wmt".
  const CharaListEntry* e = GetCharaListEntry(character);
  if (!e || e->Name[0] == '\0') return;
  const DataBuffer data = LoadDataFile(WinQuotePath(character));
  if (data) ParseWinQuotes(data.text(), g_WinQuoteTable);
  // Written at every load and never read back; a folder that cannot take it is no error.
  const std::vector<uint8_t> bytes = SerialiseWinQuotes(g_WinQuoteTable);
  lib::SaveFileAtomic(std::string(".\\data\\") + e->Name + ".wmt", bytes);
}

WinQuoteMatch CurrentWinQuoteMatch() {
  WinQuoteMatch m;
  m.network = (g_GameModeFlags & (kTagBattleFlag | kFourPlayerFlag)) != 0;
  m.arcade = g_GameModeFlags == MODE_ARCADE;
  m.mainSideWon = g_MatchWinnerSide == g_MainSide;
  m.loser = g_LoserCharacter;
  return m;
}

int ChooseWinQuoteFrom(const WinQuoteTable& table, const WinQuoteMatch& match, uint8_t* history) {
  if (match.network) return 0;
  const int count = static_cast<int>(std::min<uint32_t>(table.count, kWinQuoteMax));
  std::vector<int> candidates;
  auto forLoser = [&](const WinQuote& q) {
    return q.opponent != kWinQuoteAnyOpponent && q.opponent == match.loser;
  };
  if (match.arcade) {
    for (int i = 0; i < count; ++i) {
      const WinQuote& q = table.entries[i];
      if (!forLoser(q) || q.flags == 0 || q.flags == kWinQuoteAdmitsGeneric) continue;
      if ((q.flags & kWinQuoteMainWon) && !match.mainSideWon) continue;
      if ((q.flags & kWinQuoteMainLost) && match.mainSideWon) continue;
      candidates.push_back(i);
    }
  }
  if (candidates.empty()) {
    for (int i = 0; i < count; ++i) {
      const WinQuote& q = table.entries[i];
      if (!forLoser(q)) continue;
      if (!match.arcade && (q.flags & (kWinQuoteMainWon | kWinQuoteMainLost))) continue;
      candidates.push_back(i);
    }
  }
  const bool allAdmitGeneric = std::all_of(candidates.begin(), candidates.end(), [&](int i) {
    return (table.entries[i].flags & kWinQuoteAdmitsGeneric) != 0;
  });
  if (allAdmitGeneric) {
    for (int i = 0; i < count; ++i)
      if (table.entries[i].opponent == kWinQuoteAnyOpponent) candidates.push_back(i);
  }
  if (candidates.empty()) return 0;
  if (history) {
    uint8_t least = 255;
    for (int i : candidates) least = std::min(least, history[i]);
    std::erase_if(candidates, [&](int i) { return history[i] != least; });
  }
  const int chosen = candidates[static_cast<size_t>(RandStreamNext(1)) % candidates.size()];
  if (history && history[chosen] < 255) ++history[chosen];
  return chosen;
}

int ChooseWinQuote(uint8_t* history) {
  return ChooseWinQuoteFrom(g_WinQuoteTable, CurrentWinQuoteMatch(), history);
}

int ChooseWinQuoteForSide(int side) {
  StoryBattleRoute* route = (side == 0 || side == 1) ? StoryBattleRouteOfSide(side) : nullptr;
  return ChooseWinQuote(route ? route->flags : nullptr);
}

int32_t WinnerVoiceVolume(int32_t stored, bool muted) {
  if (muted) return -10000;
  // stored - trunc(stored x -0.5): half as much attenuation again. A stored volume below about
  // -6667 would fall under the silent floor, which the mixer does not take.
  const int32_t v = stored - static_cast<int32_t>(static_cast<double>(stored) * -0.5);
  return std::clamp(v, -10000, 0);
}
