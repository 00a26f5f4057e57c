// The stage list, loading and building a stage, its info file, the stage values of the battle
// drawing and the stage's seams.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/IniFile.h"
#include "app/file_loader.h"
#include "app/grow_array.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "scene/stage_bg.h"

std::array<std::unique_ptr<StageListEntry>, kStageListSize> g_StageList;
const int32_t TrainingStageExcludeList[] = {55, 57, 58, 99, -1};
const int32_t VersusStageExcludeList[] = {3,  4,  18, 20, 21, 23, 31, 32, 43, 44, 47,
                                          49, 50, 51, 52, 54, 55, 57, 58, 99, -1};

StageInfo g_StageInfo;
int32_t g_LoadedStageBg = -1;
std::string g_LoadedStagePath;
int32_t g_StageBgBuilt = 0;
std::unique_ptr<StageFileData> g_StageBgData;
CutSpriteSheet* g_StageSprites = nullptr;

float g_StageColorFactors[3] = {1.0f, 1.0f, 1.0f};
// Nothing in the stage code sets the blackout or the coloured shadows: both stay 0, so the
// factors are only ever 1.0 (or blacked out) and the 0..255 tint seam is exact.
uint8_t g_StageBlackout = 0;
int32_t g_StageColoredShadows = 0;
int32_t g_StageLightCount = 0;
float g_StageLightX[kStageMaxLights] = {};
float g_StageLightRadius[kStageMaxLights] = {};

namespace {

// The whole file, owned here from the load until the build.
DataBuffer g_StageFileBuffer;
GrowArray g_StageImageTextures(1, sizeof(TextureHandle*));
bool g_StageImageListMade = false;

constexpr size_t kDataFileMax = 32;

void ForgetLoadedFile() {
  g_LoadedStageBg = -1;
  g_LoadedStagePath.clear();
  g_StageFileBuffer = DataBuffer();
  g_StageBgBuilt = 0;
}

void FreeDropTexture() {
  if (g_StageInfo.dropTexture != nullptr) FreeTexture(g_StageInfo.dropTexture);
  g_StageInfo.dropTexture = nullptr;
}

// The light table as the battle drawing reads it: positions kept + 512, floats.
void PublishLights() {
  g_StageLightCount = g_StageInfo.lightCount;
  for (int i = 0; i < kStageMaxLights; ++i) {
    const bool used = i < g_StageInfo.lightCount;
    g_StageLightX[i] = used ? static_cast<float>(g_StageInfo.lights[i].x) : 0.0f;
    g_StageLightRadius[i] = used ? static_cast<float>(g_StageInfo.lights[i].power) : 0.0f;
  }
}

// A key's value text (without comment and trailing blanks); false when the key is missing.
bool IniText(IniFile& ini, const char* section, const char* key, std::string* out) {
  const char* v = ini.FindKey(section, key);
  if (v == nullptr) return false;
  out->assign(v, IniValueLength(v));
  return true;
}

int IniWhole(IniFile& ini, const char* section, const char* key, int def) {
  std::string text;
  return IniText(ini, section, key, &text) ? static_cast<int>(std::strtol(text.c_str(), nullptr, 10)) : def;
}

int IniInt(IniFile& ini, const char* key, int def) { return IniWhole(ini, "Data", key, def); }

}  // namespace

// ---- Stage list ----

int LoadBgList() {
  IniFile ini;
  if (!ini.Load(".\\Bg\\BgList.ini")) return 0;
  FreeStageList();
  g_StageList[0] = std::make_unique<StageListEntry>();
  g_StageList[0]->IsSelectAble = 1;
  for (int a = 1; a < kStageListSize; ++a) {
    char section[16];
    std::snprintf(section, sizeof section, "Bg_%03d", a);
    if (ini.SelectSection(section) == nullptr) continue;
    auto e = std::make_unique<StageListEntry>();
    IniText(ini, section, "DataFile", &e->DataFile);
    // The name is cut to 32 characters before the existence test.
    if (e->DataFile.size() > kDataFileMax) e->DataFile.resize(kDataFileMax);
    if (!e->DataFile.empty() && GetDataFileSize(".\\Bg\\" + e->DataFile + ".dat") == 0) continue;
    auto whole = [&](const char* key) { return IniWhole(ini, section, key, 0); };
    e->InfoFile = whole("InfoFile");
    e->IsSelectAble = whole("IsSelectAble");
    e->IsGiantStage = whole("IsGiantStage");
    std::string colour;
    if (IniText(ini, section, "StageColorVal", &colour))
      e->StageColorVal = std::strtof(colour.c_str(), nullptr);
    g_StageList[a] = std::move(e);
  }
  return 1;
}

void FreeStageList() {
  for (auto& e : g_StageList) e.reset();
}

void PickRandomStage(const int32_t* exclude, int32_t* stage, uint8_t* stageCopy) {
  *stage = 1;
  *stageCopy = 1;
  int32_t candidates[kStageListSize];
  int count = 0;
  for (int s = 1; s < kStageListSize; ++s) {
    if (!g_StageList[s]) continue;
    bool excluded = false;
    for (const int32_t* p = exclude; p != nullptr && *p != -1; ++p) excluded |= *p == s;
    if (!excluded) candidates[count++] = s;
  }
  // Kept as the game has it: with no candidate the answer is stage 1, present or not, and no
  // number is drawn.
  if (count == 0) return;
  const int32_t r = RandNext();
  *stage = candidates[r % count];
  *stageCopy = static_cast<uint8_t>(*stage);
}

// ---- Loading and building ----

// Runs on the character loader's thread while the VS screen waits: it touches only the
// loaded-file state (index, path, buffer, built flag) and reads the stage list, which the menus
// change only on the logic thread before the loader starts. The logic thread reads that state
// after it has joined the loader.
int LoadStageBgFile(int stage, int force) {
  if (stage < 0 || stage >= kStageListSize || !g_StageList[stage]) return 0;
  const std::string path = ".\\Bg\\" + g_StageList[stage]->DataFile + ".dat";
  if (path == g_LoadedStagePath && (force & 1) == 0) return 1;
  ForgetLoadedFile();
  g_StageFileBuffer = LoadDataFile(path);
  g_LoadedStagePath = path;
  g_LoadedStageBg = stage;
  g_StageBgBuilt = 0;
  return 1;
}

int IsStageBgLoaded(int stage) {
  if (stage < 0 || stage >= kStageListSize || !g_StageList[stage]) return 0;
  // Kept on purpose: the loaded path carries folder and extension, the entry only the bare name,
  // so this holds only for an empty name with nothing loaded. The VS screen therefore forgets and
  // reloads the background before every match, and that is what brings a released stage back
  // (the release keeps the built flag): mending only this comparison would leave the next match
  // without a background.
  return g_LoadedStagePath == g_StageList[stage]->DataFile ? 1 : 0;
}

int BuildStageBg() {
  if (g_StageBgBuilt) return 1;
  ReleaseStageBg();
  if (g_LoadedStageBg >= 0 && g_StageList[g_LoadedStageBg]) {
    const std::string info = ".\\Bg\\" + g_StageList[g_LoadedStageBg]->DataFile + "Info.txt";
    LoadStageInfo(info.c_str());
  }
  // Stored 1 is "STAGE ANIMATION OFF": the drop layer goes with it.
  if (g_GameData != nullptr && g_GameData->StageAnimation != 0) g_StageInfo.dropOn = 0;
  SplitStageData();
  g_StageFileBuffer = DataBuffer();
  g_StageBgBuilt = 1;
  return 1;
}

void ReleaseStageBg() {
  FreeDropTexture();
  g_StageInfo.dropOn = 0;
  g_StageBgData.reset();
  FreeImageBlockTextures();
  if (g_StageSprites != nullptr) FreeCutSpriteSheet(g_StageSprites);
  g_StageSprites = nullptr;
  // With the header gone no object runs; the loaded path, index and built flag stay.
  for (StageObjectState& s : g_StageObjects) s = StageObjectState{};
}

void ResetStageBg() {
  ReleaseStageBg();
  ForgetLoadedFile();
}

int SplitStageData() {
  if (g_StageFileBuffer) {
    const char* name = g_LoadedStagePath.c_str();
    std::unique_ptr<StageFileData> data = ReadStageFile(g_StageFileBuffer.bytes(), name);
    // A file without a header region (no block, or its only block at offset 0) builds nothing.
    if (data == nullptr) return 0;
    g_StageBgData = std::move(data);
    BuildStageImages();
  }
  StartStageObjects();
  ResetStageEffectState();
  g_StageBgBuilt = 0;
  return 1;
}

int32_t StageSpriteKeyBase() { return (g_LoadedStageBg | 0x7000) << 16; }

void BuildStageImages() {
  g_StageImageTextures.Clear();
  g_StageImageListMade = true;
  if (g_StageSprites != nullptr) FreeCutSpriteSheet(g_StageSprites);
  g_StageSprites = nullptr;
  if (g_StageBgData == nullptr) return;
  if (!g_StageBgData->blockB.empty()) {
    g_StageSprites = ParseCutSpriteSheet(g_StageBgData->blockB, 1, g_LoadedStagePath.c_str());
    if (g_StageSprites != nullptr) CreateCutSpritePages(g_StageSprites, nullptr, nullptr, 0, 0);
    g_StageBgData->blockB = std::vector<uint8_t>();
    FlushHan6TextureCache();
    if (g_StageSprites != nullptr) PreloadStageSprites(g_StageSprites, StageSpriteKeyBase());
  }
  if (g_StageBgData->blockA) CreateImageBlockTextures();
}

int CreateImageBlockTextures() {
  if (!g_StageImageListMade || g_StageBgData == nullptr || !g_StageBgData->blockA) return 0;
  StageBlockA& a = *g_StageBgData->blockA;
  for (int i = 0; i < kStageImageCount; ++i) {
    StageImage* img = a.images[i].get();
    if (img == nullptr) continue;
    // Start-up always sets a 32-bit display, so only the A8R8G8B8 form is made. The pixels go
    // straight into the managed texture: the same result as filling a system-memory texture
    // and copying it over unfiltered.
    TextureHandle* t = CreateTexture(img->size, img->size, vt::gfx::FMT_A8R8G8B8);
    if (t != nullptr) {
      if (auto* p = static_cast<uint8_t*>(LockTexture(t->dx, nullptr))) {
        const int pitch = GetTexturePitch(t);
        for (int y = 0; y < img->size; ++y)
          std::memcpy(p + static_cast<size_t>(y) * pitch,
                      img->bgra.data() + static_cast<size_t>(y) * img->size * 4,
                      static_cast<size_t>(img->size) * 4);
        UnlockTexture(t->dx);
      }
    }
    // A failed creation leaves an empty entry, which drawing skips.
    g_StageImageTextures.Push(t);
    img->bgra = std::vector<uint8_t>();
  }
  for (auto& part : a.parts) {
    if (!part) continue;
    // The reader checked that the named directory image exists.
    const int32_t c = a.images[part->image]->size / 256;
    if (c > 1) {
      part->sx *= c;
      part->sy *= c;
      part->sw *= c;
      part->sh *= c;
    }
  }
  return 1;
}

void FreeImageBlockTextures() {
  for (int i = 0; i < g_StageImageTextures.count; ++i)
    if (auto* t = static_cast<TextureHandle*>(g_StageImageTextures.PointerAt(i))) FreeTexture(t);
  g_StageImageTextures.Clear();
  g_StageImageListMade = false;
}

// Kept as the game has it: a part's image number indexes the list of made textures, in which
// directory entries with offset 0 take no place, while its size comes from the directory entry
// of that number. The sample stages number their images without gaps, where the two agree.
TextureHandle* StageImageTexture(int n) {
  if (n < 0 || n >= g_StageImageTextures.count) return nullptr;
  return static_cast<TextureHandle*>(g_StageImageTextures.PointerAt(n));
}
int StageImageTextureCount() { return g_StageImageTextures.count; }

void ReadStageInfo(IniFile& ini, StageInfo* info, std::string* dropFile) {
  // The tables hold 10 lights and 100 drops: larger counts are clamped to them.
  info->lightCount = std::clamp(IniInt(ini, "LightNum", 0), 0, kStageMaxLights);
  for (int i = 0; i < info->lightCount; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "Light%02dPos", i);
    info->lights[i].x = IniInt(ini, key, 0);
    std::snprintf(key, sizeof key, "Light%02dPower", i);
    info->lights[i].power = IniInt(ini, key, 0);
  }
  info->dropCount = kStageMaxDrops;
  info->dropOn = IniInt(ini, "DropObj", 0);
  if (info->dropOn == 0) return;
  info->dropType = IniInt(ini, "DropObj_Type", -1);
  if (info->dropType == -1) {
    ResetStageEffectState();
  } else if (info->dropType == 0) {
    if (IniText(ini, "Data", "DropObjFile", dropFile) && dropFile->size() > kDataFileMax)
      dropFile->resize(kDataFileMax);
    info->patternCount = IniInt(ini, "DropObj_PatNum", 0);
    info->frameCount = IniInt(ini, "DropObj_FrameNum", 0);
    info->wait = IniInt(ini, "DropObj_Wait", 0);
    info->width = IniInt(ini, "DropObj_W", 0);
    info->height = IniInt(ini, "DropObj_H", 0);
    // Drops pick their pattern as a number modulo the count: without a pattern the layer is off.
    if (info->patternCount < 1) info->dropOn = 0;
  } else if (info->dropType == 1) {
    info->dropCount = std::clamp(IniInt(ini, "DropObj_Max", kStageMaxDrops), 0, kStageMaxDrops);
    info->dropAlpha = IniInt(ini, "DropObj_Alpha", 100);
    info->height = IniInt(ini, "DropObj_H", 150);
    info->wait = IniInt(ini, "DropObj_Wait", 50);
  }
  // Any other type reads nothing more and gives a layer that neither moves nor draws.
}

void LoadStageInfo(const char* path) {
  FreeDropTexture();
  g_StageInfo = StageInfo{};
  IniFile ini;
  if (ini.Load(path)) {
    std::string dropFile;
    ReadStageInfo(ini, &g_StageInfo, &dropFile);
    if (g_StageInfo.dropOn != 0 && g_StageInfo.dropType == 0) {
      const std::string image = ".\\Bg\\" + dropFile + ".bmp";
      g_StageInfo.dropTexture = LoadTextureWithAlpha(image.c_str(), nullptr);
    }
  }
  PublishLights();
}

// The three colour-channel factors of the character drawing are g_StageColorFactors.
void ResetStageEffectState() {
  for (float& f : g_StageColorFactors) f = 1.0f;
}

// ---- Seams ----

namespace {

void TintFactorsSeam(uint8_t rgb[3]) {
  for (int i = 0; i < 3; ++i)
    rgb[i] =
        g_StageBlackout ? 0 : static_cast<uint8_t>(std::clamp(g_StageColorFactors[i] * 255.0f, 0.0f, 255.0f));
}

void StageLightsSeam(BattleStageLights* out) {
  out->count = g_StageLightCount;
  out->x = g_StageLightX;
  out->radius = g_StageLightRadius;
  out->colouredShadows = g_StageColoredShadows;
}

}  // namespace

void InstallStageSeams() {
  // The loader thread reads the match stage's file after the characters.
  g_BattleSeams.LoadStageBgFile = [] { LoadStageBgFile(g_MatchStage, 0); };
  g_BattleSeams.SetBackgroundFade = [](int value) { g_StageFadeLevel = value; };
  g_BattleDrawSeams.TintFactors = &TintFactorsSeam;
  g_BattleDrawSeams.StageLights = &StageLightsSeam;
}
