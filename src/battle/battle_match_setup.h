// The match's stage set-up around the battle records: the special stage of an arcade route
// (its flag, the character offsets and the fixed zoom of its camera), the story-battle text
// of the current route stage, and the paths of a route's other story-battle texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct StoryBattleRoute;

// The special stage's character offsets in pixels (0 when the stage has none).
extern int32_t g_SpecialStageOffsetX;
extern int32_t g_SpecialStageOffsetY;

// Stage kind of an arcade route stage played as a special stage.
inline constexpr int32_t kSpecialStageKind = 32;

// The special-stage part of the match set-up: in arcade mode on a kind-32 route stage the
// special-stage flag is 1 and the offsets are -50 and 130 pixels; otherwise all 0.
void SetupSpecialStage();
// Clears the offsets and the flag, switches the characters' draw on, and in arcade mode on a
// kind-32 route stage gives the stage camera its fixed zoom.
void SetupSpecialStageCamera();
// 1 when the current arcade route stage has a story text (arcade, not the attract demo, the
// main side's route not finished, text number not -1).
int StageHasStoryText();
// The story text's path of the current route stage; 1 when there is one (out is then set).
int MakeStoryBattleTextPath(std::string* out);

// The story-battle texts of a route's character (name = its Name) under ".\story\battle\eng\"
// or "...\jpn\" by the language option, in their "Ex" forms when the route's exTexts is 1.
// The stage text takes the route's 0-based stage index as it stands ("...00A.txt" first).
void MakeStoryTableTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name);
void MakeStoryWinTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name);
void MakeStoryStartTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name);
void MakeStoryEndingTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name);
void MakeStoryStageTextPath(std::string* out, const StoryBattleRoute& route, std::string_view name);
