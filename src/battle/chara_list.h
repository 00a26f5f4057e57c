// The character list read from ".\charaselect.txt": one entry per character number with its
// names, file sets, body numbers and the giant and partner switches, the one accessor every
// reader goes through, and the battle seams that answer from the list and the routes.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct BattleObject;

inline constexpr int kCharaListItems = 200;

struct CharaListEntry {
  int32_t index = 0;
  char Name[48] = {};
  char File1[32] = {};
  char File2[32] = {};
  int32_t CharaNum1 = -1;
  int32_t CharaNum2 = -1;
  int32_t GiantFlag = 0;
  int32_t TagType = 0;
};

// Item n holds the entry of section "CharaNo_%03d" (n), or none when that section is missing.
struct CharaList {
  std::vector<std::unique_ptr<CharaListEntry>> items;
};

// None until LoadCharaSelectList has run. Loaded on the logic thread before the character
// select and read-only afterwards (the loader thread reads it).
extern std::unique_ptr<CharaList> g_CharaList;

// The entry of character number n; null for a missing list, an index outside the items and an
// empty item alike.
const CharaListEntry* GetCharaListEntry(int n);
// The number of items (200 with a list), 0 without one.
int CharaListItemCount();

// Builds the list from the text of ".\charaselect.txt" (the text stays the caller's); returns
// the number of entries made.
int LoadCharaSelectList(std::string_view text);
void FreeCharaSelectList();
// The number of the first entry whose Name equals name exactly, or -1.
int FindCharacterByName(std::string_view name);
// GiantFlag of the object's character; 0 when the entry is absent.
int IsGiantCharacter(const BattleObject* object);
// TagType of the character; 0 when the entry is absent.
int GetCharacterTagType(int chara);

// Installs the seams answered by the character list and the story-battle routes
// (CharaListCount, CharaListFiles, IsGiantCharacter, GetCharacterTagType, RouteStageKind,
// MainRouteStage, ResetStoryBattleRoute, RouteCharacter, SelectLanguage).
void InstallCharaListSeams();
