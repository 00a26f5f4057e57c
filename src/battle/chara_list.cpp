// The character list and its seams.
#include "battle/chara_list.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "Dxtools/IniFile.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_text.h"
#include "battle/story_routes.h"

std::unique_ptr<CharaList> g_CharaList;

namespace {

constexpr const char* kListFile = ".\\charaselect.txt";

// Copies a text value into a fixed field: cut to maxBytes at a character boundary, and refused
// (the field stays empty) when it would lead a path out of the game folder, for these values
// become parts of data and story paths.
template <size_t N>
void SetPathValue(char (&field)[N], std::optional<std::string> value, size_t maxBytes, const char* section,
                  const char* key) {
  if (!value) return;
  const std::string_view v = battle_text::CutAtCharacter(*value, maxBytes);
  if (!battle_text::StaysInGameFolder(v)) {
    DebugPrint("%s: [%s] %s=%.*s leaves the game folder; refused\n", kListFile, section, key,
               static_cast<int>(v.size()), v.data());
    return;
  }
  std::memcpy(field, v.data(), v.size());
  field[v.size()] = '\0';
}

int FindIn(const CharaList& list, std::string_view name) {
  for (const auto& e : list.items)
    if (e && name == e->Name) return e->index;
  return -1;
}

}  // namespace

const CharaListEntry* GetCharaListEntry(int n) {
  if (!g_CharaList || n < 0 || n >= static_cast<int>(g_CharaList->items.size())) return nullptr;
  return g_CharaList->items[static_cast<size_t>(n)].get();
}

int CharaListItemCount() { return g_CharaList ? static_cast<int>(g_CharaList->items.size()) : 0; }

int LoadCharaSelectList(std::string_view text) {
  IniFile ini;
  ini.LoadFromText(text);
  FreeCharaSelectList();
  auto list = std::make_unique<CharaList>();
  list->items.resize(kCharaListItems);
  int made = 0;
  char section[32];
  for (int n = 0; n < kCharaListItems; ++n) {
    std::snprintf(section, sizeof section, "CharaNo_%03d", n);
    if (!ini.SelectSection(section)) continue;
    auto e = std::make_unique<CharaListEntry>();
    e->index = n;
    SetPathValue(e->Name, battle_text::IniValue(ini, section, "Name"), 32, section, "Name");
    SetPathValue(e->File1, battle_text::IniValue(ini, section, "File1"), 31, section, "File1");
    SetPathValue(e->File2, battle_text::IniValue(ini, section, "File2"), 31, section, "File2");
    if (auto v = battle_text::IniValue(ini, section, "GiantFlag"))
      e->GiantFlag = battle_text::ReadNumber(v->c_str());
    if (auto v = battle_text::IniValue(ini, section, "TagType"))
      e->TagType = battle_text::ReadNumber(v->c_str());
    list->items[static_cast<size_t>(n)] = std::move(e);
    ++made;
  }
  // Bodies name other entries by Name; a name not in the list makes the entry stand for itself.
  for (int n = 0; n < kCharaListItems; ++n) {
    CharaListEntry* e = list->items[static_cast<size_t>(n)].get();
    if (!e) continue;
    std::snprintf(section, sizeof section, "CharaNo_%03d", n);
    const char* keys[2] = {"CharaNum1", "CharaNum2"};
    int32_t* fields[2] = {&e->CharaNum1, &e->CharaNum2};
    for (int k = 0; k < 2; ++k) {
      *fields[k] = -1;
      const auto v = battle_text::IniValue(ini, section, keys[k]);
      if (!v || v->empty()) continue;
      const int found = FindIn(*list, battle_text::CutAtCharacter(*v, 256));
      *fields[k] = found >= 0 ? found : n;
    }
  }
  g_CharaList = std::move(list);
  return made;
}

void FreeCharaSelectList() { g_CharaList.reset(); }

int FindCharacterByName(std::string_view name) { return g_CharaList ? FindIn(*g_CharaList, name) : -1; }

int IsGiantCharacter(const BattleObject* object) {
  const CharaListEntry* e = object ? GetCharaListEntry(object->charaIndex) : nullptr;
  return e ? e->GiantFlag : 0;
}

int GetCharacterTagType(int chara) {
  const CharaListEntry* e = GetCharaListEntry(chara);
  return e ? e->TagType : 0;
}

namespace {

int ListFiles(int index, std::string* file1, std::string* file2) {
  const CharaListEntry* e = GetCharaListEntry(index);
  if (!e) return 0;
  if (file1) *file1 = e->File1;
  if (file2) *file2 = e->File2;
  return 1;
}

void ResetRouteOfSide(int side) {
  if (StoryBattleRoute* r = StoryBattleRouteOfSide(side)) ResetStoryBattleRoute(*r);
}

}  // namespace

void InstallCharaListSeams() {
  BattleSeams& s = g_BattleSeams;
  s.CharaListCount = CharaListItemCount;
  s.CharaListFiles = ListFiles;
  s.IsGiantCharacter = IsGiantCharacter;
  s.GetCharacterTagType = GetCharacterTagType;
  s.RouteStageKind = RouteStageKind;
  s.MainRouteStage = MainRouteStage;
  s.ResetStoryBattleRoute = ResetRouteOfSide;
  s.RouteCharacter = RouteCharacter;
  s.SelectLanguage = [] { return static_cast<int>(GetSelectLanguage()); };
}
