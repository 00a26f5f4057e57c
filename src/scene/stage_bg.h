// Stage backgrounds: the stage list (`.\Bg\BgList.ini`) and its random choice, loading and
// building a stage's data file and info file, the animated objects, drop objects, heat blur and
// background override, their drawing in two depth lists, the stage values the battle drawing
// reads, the stage's state hash, and the one install function of the stage's seams.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "scene/stage_file.h"

struct TextureHandle;
struct GrpDrawList;
struct CutSpriteSheet;
class IniFile;

// ---- Stage list ----

struct StageListEntry {
  std::string DataFile;  // at most 32 characters
  int32_t InfoFile = 0;
  int32_t IsSelectAble = 0;
  int32_t IsGiantStage = 0;
  float StageColorVal = 0.0f;
};
inline constexpr int kStageListSize = 100;
// Index = stage number; null: the stage does not exist. Written only by the menus' list loads
// on the logic thread, never while the character loader runs.
extern std::array<std::unique_ptr<StageListEntry>, kStageListSize> g_StageList;
// Lists of stage numbers ending with -1.
extern const int32_t TrainingStageExcludeList[];
extern const int32_t VersusStageExcludeList[];

int LoadBgList();
void FreeStageList();
void PickRandomStage(const int32_t* exclude, int32_t* stage, uint8_t* stageCopy);

// ---- Loaded stage ----

struct StageLight {
  int32_t x = 0;      // stage pixels + 512
  int32_t power = 0;  // reach in pixels, 0 off
};
inline constexpr int kStageMaxLights = 10;
inline constexpr int kStageMaxDrops = 100;

struct StageInfo {
  int32_t lightCount = 0;
  StageLight lights[kStageMaxLights];
  int32_t dropOn = 0;
  int32_t dropType = -1;
  TextureHandle* dropTexture = nullptr;
  int32_t patternCount = 0, frameCount = 0, wait = 0, width = 0, height = 0;
  int32_t dropCount = kStageMaxDrops;
  int32_t dropAlpha = 0;
};
extern StageInfo g_StageInfo;

extern int32_t g_LoadedStageBg;
extern std::string g_LoadedStagePath;
extern int32_t g_StageBgBuilt;
// The split file: objects, block A (until release).
extern std::unique_ptr<StageFileData> g_StageBgData;
extern CutSpriteSheet* g_StageSprites;

// Loader thread: reads the file into the loaded-file state (index, path, buffer, built flag)
// and touches nothing else. The logic thread reads that state only after the loader's join.
int LoadStageBgFile(int stage, int force);
int IsStageBgLoaded(int stage);
int BuildStageBg();
void ReleaseStageBg();
void ResetStageBg();
int SplitStageData();
void BuildStageImages();
int CreateImageBlockTextures();
void FreeImageBlockTextures();
// Image texture n of block A (null when missing).
TextureHandle* StageImageTexture(int n);
int StageImageTextureCount();
void LoadStageInfo(const char* path);
// The keys of an info file already loaded; `dropFile` receives a type-0 layer's image name.
void ReadStageInfo(IniFile& ini, StageInfo* info, std::string* dropFile);
void ResetStageEffectState();
// The key base of the stage's sprites in the sprite texture cache.
int32_t StageSpriteKeyBase();

// ---- Stage values read by the battle drawing ----

extern float g_StageColorFactors[3];
extern uint8_t g_StageBlackout;
extern int32_t g_StageColoredShadows;
extern int32_t g_StageLightCount;
extern float g_StageLightX[kStageMaxLights];
extern float g_StageLightRadius[kStageMaxLights];

// ---- Animation and drawing ----

struct StageObjectState {
  uint8_t active = 0;
  uint8_t object = 0;
  uint8_t frame = 0;
  uint8_t nextFrame = 0;
  uint8_t loopCounter = 0;
  uint8_t eventsDone = 0;
  uint8_t motionSet = 0;
  uint8_t foreground = 0;
  uint8_t linear = 0;
  int16_t scroll = 0;
  int16_t bucket = 0;
  int32_t x = 0, y = 0, vx = 0, vy = 0, ax = 0, ay = 0;
  int32_t timer = 0;
};
extern StageObjectState g_StageObjects[kStageObjectCount];

struct HeatBlurState {
  int32_t state = 0;  // 0 idle, 1 rising, 100 holding, 255 falling
  float x = 0.0f;
  float total = 0.0f;
  float lastPower = 0.0f;
};
extern HeatBlurState g_HeatBlur;

struct DropObject {
  float x = 0, y = 0;
  int32_t pattern = 0, column = 0, timer = 0, alpha = 0, phase = 0;
  float vx = 0, vy = 0, ax = 0, ay = 0;
};
extern DropObject g_DropObjects[kStageMaxDrops];

extern float g_StageBrightness;
extern int32_t g_StageFrameCounter;
extern int32_t g_StageBgSimpleDraw;
// The battle's background fade level (0..255): frame effect 152 sets it through seam
// SetBackgroundFade; the foreground objects fade by it while word 4 of g_BattleState is set.
extern int32_t g_StageFadeLevel;
// The override burst's texture (`.\grp\system\Flare00`), owned by whoever set it.
extern TextureHandle* g_StageFlareTexture;

int DrawStageBg(int animate);
void DrawStageLayers(GrpDrawList* list, float alpha);
void StartStageObjects();
void InitStageObject(StageObjectState* s, int object, int bucket, int scroll, int foreground, int linear);
void EnterStageObjectFrame(StageObjectState* s);
void AdvanceStageObjects();
void UpdateStageObjectMotion();
void RunStageSpawnEvents();
void RunStagePositionConditions();
void InitDropObjects();
void UpdateDropObjects();
void UpdateHeatBlurState();
float DrawHeatPointBlur();
int DrawBattleBackgroundOverride(GrpDrawList* list);
void DrawDropObjects(GrpDrawList* list);
void DrawCheckerRoom(GrpDrawList* list);
// 1 when the battle's stop rules hold this frame (pause, freeze, slow-motion skip).
bool StageTimeStopped();

// Every field of the stage's running state, floats by their bit patterns.
uint64_t StageStateHash();

// Installs the stage's seams into the battle (loader, fade, tint, lights).
void InstallStageSeams();
