// The round call, fight call, KO call and winner call overlays of the battle scene: their
// textures, private draw lists and render targets, and their drawing. The battle keeps the calls'
// clocks and flags (battle/round_calls.h) and reaches the drawing through its seams.
#pragma once

#include <cstdint>

struct GrpDrawList;
struct TextureHandle;

// The draw priority of each overlay; parts drawn above an overlay use its word + 1 or + 2. The
// battle's particle pass sets them to 756 while it runs the calls; the start values serve a call
// shown on its own.
struct CallPriorities {
  int32_t body = 10;
  int32_t bars = 12;
  int32_t fight = 10;
  int32_t ko = 256;
  int32_t winner = 650;
};
extern CallPriorities g_CallPriority;
constexpr int32_t kBattleCallPriority = 756;

// The winner call's own clock; its backdrop is the round call's body in its winner variant.
struct WinnerCallState {
  float w;  // frame count / 60
  int32_t frameCount;
  float slide;
  float barAlpha;
  int32_t soundPlayed;
};
extern WinnerCallState g_WinnerCall;

// Loads (only what is missing) and frees the calls' graphics.
void LoadFightCallGraphics();
void LoadRoundCallBarGraphics();
void LoadRoundCallGraphics();
void FreeRoundCallGraphics();
void LoadWinnerCallGraphics();
void FreeWinnerCallGraphics();
void LoadKoEffectGraphics();
void FreeKoEffectGraphics();
// The fight call's list, target and textures (kept for the life of the process otherwise).
void FreeFightCallGraphics();

// Queue the overlays (every frame, paused or not). Their numbers come from the calls' own random
// stream whether or not anything is queued (g_BattleDrawSubmit), so headless and drawn runs take
// the same numbers; a call whose graphics were never loaded queues nothing.
void DrawRoundCall();
void DrawRoundCallBars();
void DrawFightCall();
void DrawKoCall();

void StartWinnerCall();
void UpdateWinnerCall();
void DrawWinnerCall();

// Layout pieces, kept apart so they can be checked on their own.
// The result word's cells for a result flag (-1 a gap); returns the count.
int32_t ResultWordCells(int32_t resultFlag, int32_t cells[8]);
// The score table's row k (1..6): 1 when it shows for these values.
bool ScoreRowShown(int32_t row, const int32_t scores[5]);
struct KoLogoPiece {
  int32_t offset, sx, sy, w, h;
};
// The pieces of a KO kind's logo (0 for kinds 3 and 4) and its centring shift.
int32_t KoLogoPieces(int32_t kind, const KoLogoPiece** pieces, int32_t* shift);
// The stage-name texture of a stage (null outside 0..99 or when missing).
TextureHandle* StageNameTexture(int32_t stage);
// The winner-name texture of a character (null outside 0..99 or when missing).
TextureHandle* WinnerNameTexture(int32_t chara);
// The render targets (null before the loads or when they could not be made).
TextureHandle* RoundCallBodyTarget();
TextureHandle* RoundCallStripTarget();
TextureHandle* FightCallTarget();

// Fills the calls' seams.
void InstallCallOverlays();
