// Character data loading on the loader thread.
#include "battle/chara_loader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/GrpManager/grp_screen.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/han6_file_loading.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "battle/battle_seams.h"
#include "battle/chara_command.h"

namespace {

constexpr int32_t kLoadPositions[4] = {49152, 81920, 36352, 94720};

// Slots a running load writes (bit i for slot i): all four, from Start until the join.
std::atomic<uint32_t> g_LoadingSlots{0};
thread_local bool t_OnLoaderThread = false;

void Add(std::atomic<uint32_t>* progress, uint32_t v) {
  if (progress) progress->fetch_add(v, std::memory_order_acq_rel);
}

template <typename T>
bool Fix(T& field, bool ok, T value, const char* name, std::string_view source) {
  if (ok) return true;
  DebugPrint("%.*s: selection %s=%d out of range; %d used\n", static_cast<int>(source.size()), source.data(),
             name, static_cast<int>(field), static_cast<int>(value));
  field = value;
  return false;
}

}  // namespace

int SelectedType(const PlayerSelection& s) { return s.overrideMode == 2 ? s.overrideValue : s.type; }

namespace {
// The fields a load set-up takes from a (checked) selection.
void TakeSelection(const PlayerSelection& sel, CharaLoadSetup& s) {
  s.controller = sel.controller;
  s.color = sel.color;
  s.character = sel.character;
  s.side = sel.side;
  s.type = SelectedType(sel);
  s.ratio = sel.ratio;
  s.overrideMode = sel.overrideMode;
  s.overrideValue = sel.overrideValue;
}
}  // namespace

bool ValidatePlayerSelection(PlayerSelection& s, std::string_view source) {
  const int count = BattleSeamCharaListCount();
  bool ok = true;
  ok &= Fix(s.controller, s.controller == 0 || s.controller == 1, 1, "controller", source);
  ok &= Fix(s.color, s.color >= 0 && s.color < 256, 0, "color", source);
  // Negative means "no character"; anything else must name a list entry.
  ok &= Fix(s.character, s.character < count, -1, "character", source);
  if (s.character < -1) s.character = -1;
  ok &= Fix(s.fileSet, s.fileSet == 0 || s.fileSet == 1, 0, "fileSet", source);
  ok &= Fix(s.side, s.side == 0 || s.side == 1, 0, "side", source);
  ok &= Fix(s.type, s.type >= 0 && s.type <= 9, 0, "type", source);
  ok &= Fix(s.ratio, s.ratio > 0 && s.ratio <= 1000, 100, "ratio", source);
  ok &= Fix(s.overrideMode, s.overrideMode >= 0 && s.overrideMode <= 2, 0, "overrideMode", source);
  if (s.overrideMode == 1)
    ok &= Fix(s.overrideMode, s.overrideValue >= 0 && s.overrideValue < count, 0, "overrideMode", source);
  if (s.overrideMode == 2)
    ok &= Fix(s.overrideValue, s.overrideValue >= 0 && s.overrideValue <= 9, 0, "overrideValue", source);
  return ok;
}

void MakeMainLoadSetup(int i, CharaLoadSetup& s, int allCpu) {
  PlayerSelection sel = g_PlayerSelections[i];
  ValidatePlayerSelection(sel, "load setup");
  s = CharaLoadSetup{};
  s.fileSet = 0;
  TakeSelection(sel, s);
  if (allCpu == 1) {
    s.controller = 1;
    s.ratio = 100;
    s.side = i;
  }
}

void MakePartnerLoadSetup(int i, CharaLoadSetup& s, int allCpu) {
  PlayerSelection sel = g_PlayerSelections[i];
  ValidatePlayerSelection(sel, "load setup");
  s = CharaLoadSetup{};
  s.character = -1;
  std::string file1, file2;
  const int count = BattleSeamCharaListCount();
  if (sel.overrideMode != 1 && count > 0 &&
      static_cast<unsigned>(sel.character) < static_cast<unsigned>(count) &&
      BattleSeamCharaListFiles(sel.character, &file1, &file2) && !file2.empty() && file2[0] != '0') {
    s.fileSet = 1;
    TakeSelection(sel, s);
    if (allCpu == 1) s.side = i;
  }
}

void BuildCharaLoadSetups(CharaLoadSetup setups[4], int allCpu) {
  for (int i = 0; i < 4; ++i) setups[i] = CharaLoadSetup{};
  for (int i = 0; i < 2; ++i) {
    MakeMainLoadSetup(i, setups[i], allCpu);
    MakePartnerLoadSetup(i, setups[i + 2], allCpu);
  }
}

int LoadFrameDataSet(FrameDataSet* set, std::string_view path) {
  if (!set) return 0;
  FreeFrameDataSetContents(*set);
  Han6Project* project = LoadHan6Project(path);
  const int r = project ? LoadHan6ProjectData(*set, project) : 0;
  if (r) {
    char text[300];
    std::snprintf(text, sizeof text, "%.*s size=%d LOAD OK", static_cast<int>(path.size()), path.data(), r);
    PostScreenMessage(text);
  }
  FreeHan6Project(project);
  return r ? 1 : 0;
}

int LoadCommonEffectData() {
  char path[64];
  std::snprintf(path, sizeof path, "%seffect.txt", ".\\data\\");
  if (!LoadFrameDataSet(&g_CommonFrameData, path)) {
    DebugPrint("%s: not loaded; common effects will not appear\n", path);
    return 1;
  }
  if (g_EmbeddedSpritePixels) {
    if (CreateCutSpritePages(g_CommonFrameData.sprites, nullptr, nullptr, 0, 0)) {
      char text[300];
      std::snprintf(text, sizeof text, "%s UPDATE OK", path);
      PostScreenMessage(text);
    }
  } else {
    BattleSeamLoadCutSpritePageBitmaps(g_CommonFrameData.sprites, "effect", nullptr, nullptr);
    BattleSeamLoadPAniPageBitmaps(g_CommonFrameData.pani, "effect");
  }
  g_EffectOwner.inUse = 1;
  g_EffectOwner.obj.frameData = &g_CommonFrameData;
  InitPlayerRecord(g_EffectOwner, 255, 0, 0);
  return 1;
}

void FreeCharacterData() {
  for (int i = 0; i < kPlayerSlots; ++i) {
    FreeFrameDataSetContents(g_FrameDataSets[i]);
    FreeCharaCommandTable(g_PlayerRecords[i]);
    g_PlayerRecords[i].obj.frameData = nullptr;
    g_PlayerRecords[i].inUse = 0;
  }
  FreeFrameDataSetContents(g_CommonFrameData);
  BattleSeamFreeBattleHudGraphics();
}

int LoadCharacters(CharaLoadSetup setups[4], std::atomic<uint32_t>* progress) {
  LoadCommonEffectData();
  Add(progress, 0x10000);
  for (SideStatus& s : g_SideStatus) {
    s.hasPartner = 0;
    s.actionLock = 0;
  }
  int perSide[2] = {0, 0};
  const int count = BattleSeamCharaListCount();
  for (int i = 0; i < 4; ++i) {
    CharaLoadSetup s = setups[i];
    PlayerRecord& record = g_PlayerRecords[i];
    const uint32_t step = 1u << (4 * i);
    if (s.character < 0) {
      record.inUse = 0;
      continue;
    }
    ValidatePlayerSelection(s, "loader");
    const int f = s.overrideMode == 1 ? s.overrideValue : s.character;
    std::string data1, data2, art1, art2;
    if (f < 0 || f >= count || s.character >= count || !BattleSeamCharaListFiles(f, &data1, &data2) ||
        !BattleSeamCharaListFiles(s.character, &art1, &art2)) {
      DebugPrint("loader: slot %d names character %d outside the list; left empty\n", i, f);
      record.inUse = 0;
      continue;
    }
    const std::string& dataName = s.fileSet == 1 ? data2 : data1;
    char path[512];
    std::snprintf(path, sizeof path, "%s%s%s_%01d.txt", ".\\data", "\\", dataName.c_str(), s.type);
    FrameDataSet& set = g_FrameDataSets[i];
    LoadFrameDataSet(&set, path);
    if (set.patterns && !set.patterns->patterns[0])
      DebugPrint("%s: no pattern 0; bad frames will have nothing to fall back to\n", path);
    Add(progress, step);

    // Palette: N palettes of 1024 bytes after a 4-byte count, N checked against the size.
    std::vector<uint8_t> palette;
    std::snprintf(path, sizeof path, "%s%s%s.pal", ".\\data", "\\", dataName.c_str());
    if (DataBuffer pal = LoadDataFile(path)) {
      int32_t n = 0;
      if (pal.size() >= 4) std::memcpy(&n, pal.data(), 4);
      const int64_t fits = pal.size() >= 4 ? (static_cast<int64_t>(pal.size()) - 4) / 1024 : 0;
      if (n < 0 || n > fits) {
        DebugPrint("%s: %d palettes declared, %lld present\n", path, n, static_cast<long long>(fits));
        n = static_cast<int32_t>(n < 0 ? 0 : fits);
      }
      if (s.color >= 0 && s.color < n) {
        const uint8_t* p = pal.data() + 4 + 1024 * static_cast<size_t>(s.color);
        palette.assign(p, p + 1024);
      }
    }
    Add(progress, step);

    // The page map is sized from the sheet's page count.
    std::vector<uint8_t> pageMap;
    if (set.sprites) {
      pageMap.assign(static_cast<size_t>(std::max(set.sprites->pageCount, 1)), 0);
      const int n = MarkUsedCutSprites(set.patterns, set.sprites, pageMap.data(), pageMap.size());
      int used = 0;
      for (int k = 0; k < n && k < static_cast<int>(pageMap.size()); ++k) used += pageMap[k] != 0;
      char text[64];
      std::snprintf(text, sizeof text, "TPAGE %d/%d", used, n);
      PostScreenMessage(text);
    }
    Add(progress, step);
    if (g_EmbeddedSpritePixels) {
      if (set.sprites)
        CreateCutSpritePages(set.sprites, palette.empty() ? nullptr : palette.data(), pageMap.data(),
                             pageMap.size(), 0);
      if (set.pani) CreatePAniTextures(set.pani);
    } else {
      // Page bitmaps go by the selected character's own file names (they differ from the data
      // names only under an override of the data files).
      const std::string& artName = s.fileSet == 1 ? art2 : art1;
      BattleSeamLoadCutSpritePageBitmaps(set.sprites, artName.c_str(),
                                         palette.empty() ? nullptr : palette.data(),
                                         pageMap.empty() ? nullptr : pageMap.data());
      BattleSeamLoadPAniPageBitmaps(set.pani, artName.c_str());
    }
    Add(progress, step);

    record.inUse = 1;
    record.obj.frameData = &set;
    Add(progress, step);

    std::snprintf(path, sizeof path, "%s%s%s_%01d_c.txt", ".\\data", "\\", dataName.c_str(), s.type);
    LoadCharaCommandFile(record, path);
    // Partners face by their side (slot i & 1), not by their slot number.
    InitPlayerRecord(record, s.side, kLoadPositions[i], i & 1);
    Add(progress, step);

    record.obj.controller = s.controller == 1 ? 1 : 0;
    record.obj.playerIndex = static_cast<uint8_t>(i);
    record.obj.dataIndex = static_cast<uint8_t>(i);
    record.obj.charaIndex = static_cast<uint8_t>(s.character);
    record.obj.fileCharaIndex = static_cast<uint8_t>(f);
    record.obj.colorIndex = static_cast<uint8_t>(s.color);
    BattleSeamLoadCharacterCpuPatterns(i);
    Add(progress, step);

    BattleSeamLoadCharacterSoundList(i, f, s.fileSet);
    Add(progress, step);

    const int side = s.side;
    if (perSide[side] != 0) {
      g_SideStatus[side].hasPartner = 1;
    } else {
      // The factor follows the side's own selection (not the all-CPU setup), range-checked
      // like every selection field the loader reads.
      PlayerSelection sel = g_PlayerSelections[i & 1];
      ValidatePlayerSelection(sel, "loader");
      const int ratio = sel.ratio;
      // float32: ratio / 100 in single precision.
      g_SideStatus[side].attackFactor = ratio == 40    ? 0.5f
                                        : ratio == 160 ? 1.5f
                                                       : static_cast<float>(ratio) / 100.0f;
    }
    ++perSide[side];
    BattleSeamLoadBattleHudGraphics(i, side, f);
    Add(progress, step);
  }
  return 1;
}

uint32_t CCharaDataLoader::LoadAll() {
  progress.store(0x80000000u, std::memory_order_release);
  CharaLoadSetup setups[4];
  BuildCharaLoadSetups(setups, allCpu);
  progress.store(0x80100000u, std::memory_order_release);
  BattleSeamFreeCharacterSounds();
  Add(&progress, 0x100000);
  LoadCharacters(setups, &progress);
  Add(&progress, 0x1000000);
  BattleSeamLoadStageBgFile();
  Add(&progress, 0x1000000);
  return progress.load(std::memory_order_acquire);
}

void CCharaDataLoader::NoteLoadStarting() { ended_.store(false, std::memory_order_release); }

void CCharaDataLoader::NoteLoadEnded() {
  {
    std::lock_guard<std::mutex> lock(endMutex_);
    ended_.store(true, std::memory_order_release);
  }
  endSignal_.notify_all();
}

bool CCharaDataLoader::WaitForLoadEnd() {
  std::unique_lock<std::mutex> lock(endMutex_);
  // The quit request comes with no signal of ours, so it is looked at every 10 ms.
  while (!ended_.load(std::memory_order_acquire)) {
    if (g_QuitRequested.load(std::memory_order_acquire)) return false;
    endSignal_.wait_for(lock, std::chrono::milliseconds(10));
  }
  return true;
}

#ifndef NDEBUG
void CheckCharaSlotRead(int slot) {
  if (t_OnLoaderThread || slot < 0 || slot >= kPlayerSlots) return;
  if (g_LoadingSlots.load(std::memory_order_acquire) & (1u << slot)) {
    std::fprintf(stderr, "character slot %d read while the loader thread writes it (before the join)\n",
                 slot);
    std::abort();
  }
}
#endif

CCharaDataLoaderWin::~CCharaDataLoaderWin() {
  // At exit the sound front end may be torn down already: only the thread is joined here.
  if (thread_.joinable()) thread_.join();
}

int CCharaDataLoaderWin::Start() {
  if (HasThread()) JoinThread();
  // The sprite cache belongs to the logic thread: flushed here, before the thread starts.
  FlushHan6TextureCache();
  NoteLoadStarting();
  g_LoadingSlots.store((1u << kPlayerSlots) - 1, std::memory_order_release);
  // The thread frees and fills the characters' sound slots: the sound front end keeps off them.
  BeginLoaderSoundSlots();
  try {
    thread_ = std::thread([this] {
      t_OnLoaderThread = true;
      LoadAll();
      NoteLoadEnded();
    });
  } catch (const std::system_error&) {
    g_LoadingSlots.store(0, std::memory_order_release);
    EndLoaderSoundSlots();
    return 0;
  }
  return 1;
}

int CCharaDataLoaderWin::JoinThread() {
  if (!thread_.joinable()) return 0;
  thread_.join();
  g_LoadingSlots.store(0, std::memory_order_release);
  EndLoaderSoundSlots();
  return 1;
}

int CCharaDataLoaderWin::HasThread() { return thread_.joinable() ? 1 : 0; }

int CCharaDataLoaderWin::IsFinished() { return thread_.joinable() && LoadEnded() ? 1 : 0; }

CCharaDataLoader& GetCharaDataLoader() {
  static CCharaDataLoaderWin loader;
  return loader;
}

int WaitCharaDataLoader() {
  CCharaDataLoader& loader = GetCharaDataLoader();
  if (!loader.HasThread()) return 0;
  // Woken by the load's end instead of polling it, so a load costs no extra sleep step.
  if (!loader.WaitForLoadEnd()) return 0;
  return loader.JoinThread();
}
