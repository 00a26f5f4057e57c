// Replay file names from templates.
#include "Replay/replay_naming.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "Dxtools/IniFile.h"
#include "app/lib_sjis.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "platform/path_translate.h"

ReplayNetSessionHook g_ReplayNetSession;

namespace {

constexpr size_t kMaxStemBytes = 200;

// The character that names a side: its first slot's, or the partner's while the partner is the
// side's active character.
const BattleObject* SideCharacter(int side) {
  if (side < 0 || side > 1) return nullptr;
  const PlayerRecord& first = g_PlayerRecords[side];
  const PlayerRecord& partner = g_PlayerRecords[side + 2];
  if (partner.inUse && g_SideStatus[side].activePlayer == side + 2) return &partner.obj;
  return first.inUse ? &first.obj : nullptr;
}

// The list name is its own file-name form: the game's table of name pairs is data we do not have.
std::string FileNameForm(int side) {
  const BattleObject* o = SideCharacter(side);
  if (o == nullptr) return {};
  const CharaListEntry* e = GetCharaListEntry(o->charaIndex);
  return e ? std::string(e->Name) : std::string();
}

std::string StyleName(int side) {
  const BattleObject* o = SideCharacter(side);
  if (o == nullptr) return {};
  switch (o->type) {
    case 0:
      return "CMS";
    case 1:
      return "FMS";
    case 2:
      return "HMS";
    default:
      return {};
  }
}

std::string NetUserName(int side) {
  if (!g_ReplayNetSession.sessionRunning || !g_ReplayNetSession.sessionRunning() ||
      !g_ReplayNetSession.userName)
    return {};
  std::string name = g_ReplayNetSession.userName(side);
  if (name.size() > 16) name.resize(16);
  std::string safe;
  if (!MakeSafeFileName(name, safe)) return {};
  char buffer[80];
  if (!AvoidReservedDeviceName(safe, buffer, sizeof buffer)) return {};
  return buffer;
}

std::string TwoDigits(int v) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", v);
  return text;
}

// The value of a [Header] key (to the line end or "//", trailing blanks dropped), at most 256
// characters.
std::string HeaderValue(IniFile& ini, std::string_view key) {
  const char* v = ini.FindKey("Header", key);
  if (v == nullptr) return {};
  return std::string(v, std::min<size_t>(IniValueLength(v), 256));
}

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool FileExistsInFolder(const std::string& gamePath) {
  // The file layer resolves names without regard to letter case; an existing file is one that
  // resolves to something on the disk.
  std::error_code ec;
  return std::filesystem::exists(vt::platform::ResolveGamePath(gamePath), ec);
}

}  // namespace

size_t ExpandReplayFileName(std::string* out, std::string_view text, const vt::platform::LocalTime& now) {
  if (out == nullptr || text.empty() || text[0] != '<') return 0;
  const int other = (g_MainSide & 1) ^ 1;
  struct Token {
    std::string_view name;
    std::string value;
  };
  // Table order decides: the first token matching the text at "<" wins.
  const Token tokens[] = {
      {"<CPUNAME>", FileNameForm(other)}, {"<CPUSTYLE>", StyleName(other)},
      {"<PCNAME>", FileNameForm(other)},  {"<PCSTYLE>", StyleName(other)},
      {"<1PNAME>", FileNameForm(0)},      {"<1PSTYLE>", StyleName(0)},
      {"<2PNAME>", FileNameForm(1)},      {"<2PSTYLE>", StyleName(1)},
      {"<Y>", TwoDigits(now.year % 100)}, {"<M>", TwoDigits(now.month)},
      {"<D>", TwoDigits(now.day)},        {"<H>", TwoDigits(now.hour)},
      {"<m>", TwoDigits(now.minute)},     {"<S>", TwoDigits(now.second)},
      {"<NSUNAME>", NetUserName(0)},      {"<NDUNAME>", NetUserName(1)},
  };
  for (const Token& t : tokens) {
    if (text.substr(0, t.name.size()) == t.name) {
      out->append(t.value);
      break;
    }
  }
  const size_t close = text.find('>');
  return close == std::string_view::npos ? text.size() : close + 1;
}

std::string SanitiseReplayFileName(std::string_view name) {
  // Split off the extension (the last "." that is not inside a double-byte character).
  size_t dot = std::string_view::npos;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (IsSjisLead(c) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    if (c == '.') dot = i;
  }
  auto clean = [](std::string_view part) {
    std::string out;
    for (size_t i = 0; i < part.size(); ++i) {
      const auto c = static_cast<unsigned char>(part[i]);
      if (IsSjisLead(c) && i + 1 < part.size()) {
        out.push_back(part[i]);
        out.push_back(part[++i]);  // a trail byte may be 0x5C: it is no separator
        continue;
      }
      if (c < 0x20 || c == 0x7F || c == '\\' || c == '/') continue;
      if (c == '.' && !out.empty() && out.back() == '.') continue;  // no ".."
      out.push_back(part[i]);
    }
    return out;
  };
  std::string stem = clean(name.substr(0, dot));
  const std::string ext = dot == std::string_view::npos ? std::string() : clean(name.substr(dot));
  // Leading dots would hide the file or make ".." with the separator gone.
  while (!stem.empty() && stem.front() == '.') stem.erase(stem.begin());
  if (stem.size() > kMaxStemBytes) {
    size_t cut = 0;
    for (size_t i = 0; i < stem.size();) {
      const size_t step = IsSjisLead(static_cast<unsigned char>(stem[i])) && i + 1 < stem.size() ? 2 : 1;
      if (i + step > kMaxStemBytes) break;
      i += step;
      cut = i;
    }
    stem.resize(cut);
  }
  char buffer[kMaxStemBytes * 2 + 8];
  if (AvoidReservedDeviceName(stem, buffer, sizeof buffer)) stem = buffer;
  if (stem.empty()) stem = "replay";
  return stem + ext;
}

int BuildReplayFileName(std::string_view templateFile, std::string* out, std::string_view defaultTemplate,
                        const vt::platform::LocalTime& now) {
  if (out == nullptr) return 1;
  std::string tmpl(defaultTemplate);
  IniFile ini;
  if (ini.Load(templateFile) != 0) {
    const std::string nameValue = HeaderValue(ini, "Name");
    const std::string extValue = HeaderValue(ini, "Ext");
    if (!nameValue.empty() && !extValue.empty()) tmpl = nameValue + extValue;
  }
  std::string name;
  std::string_view rest = tmpl;
  while (!rest.empty()) {
    if (rest[0] == '<') {
      rest.remove_prefix(ExpandReplayFileName(&name, rest, now));
    } else {
      name.push_back(rest[0]);
      rest.remove_prefix(1);
    }
  }
  *out = SanitiseReplayFileName(name);
  return 1;
}

std::string MakeReplayFileName(std::string_view templateFile, ReplayFileHeader* header) {
  // One reading of the clock for every token and the header's date, so they agree.
  const vt::platform::LocalTime now = vt::platform::GetClock().LocalNow();
  std::string name;
  BuildReplayFileName(templateFile, &name, kDefaultReplayTemplate, now);
  if (header != nullptr) {
    const int fields[6] = {now.year, now.month, now.day, now.hour, now.minute, now.second};
    for (int i = 0; i < 6; ++i) header->date[i] = static_cast<uint16_t>(fields[i]);
  }
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  std::string candidate = name;
  for (int n = 1; FileExistsInFolder(std::string(kReplayFolder) + candidate); ++n)
    candidate = stem + "_" + std::to_string(n) + ext;
  return candidate;
}
