// The options screen: its menu, set and items, the values it loads from and writes into the
// configuration record, the screen-size change, the portrait and the scene routine.
#include "scene/options_menu.h"

#include <algorithm>
#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/app_config.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/input/key_config.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_sound.h"
#include "battle/battle_tables.h"
#include "battle/chara_list.h"
#include "battle/chara_loader.h"
#include "scene/chara_roster.h"
#include "scene/chara_sprite_player.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_frame.h"

namespace {

constexpr float kStep = 0.0625f;
constexpr int kCursorSound = 152;
constexpr int kVolumeSampleSound = 0;
constexpr int kOptionMusic = 86;
constexpr int kItemHeight = 14;
constexpr int kChoiceColumn = 320;
// Half an item: with the framework's 18 the list would run on into the help window's band.
constexpr int kSpacerHeight = 7;

// The scene's objects: built by InitOptionScene, freed by ReleaseOptionScene (and by the leave
// hook when another part of the program moves the scene away).
std::unique_ptr<COptionMenu> g_menu;
std::unique_ptr<CharaSpritePlayer> g_portrait;
TextureHandle* g_background = nullptr;

// A choice item's field in the configuration record.
struct FieldItem {
  const char* id;
  int32_t* (*field)(GameData&);
  bool live;
};

const FieldItem kFieldItems[] = {
    {"Difficulty", [](GameData& d) { return &d.modes[0].Difficulty; }, false},
    {"DamageLevel", [](GameData& d) { return &d.modes[0].DamageLevel; }, false},
    {"WinCount", [](GameData& d) { return &d.modes[0].WinCount; }, false},
    {"WinCount(VS)", [](GameData& d) { return &d.modes[1].WinCount; }, false},
    {"TimeSpeed", [](GameData& d) { return &d.modes[0].TimeSpeed; }, false},
    {"BgmVolume", [](GameData& d) { return &d.BgmVolume; }, true},
    {"SeVolume", [](GameData& d) { return &d.SeVolume; }, true},
    {"StageAnimation", [](GameData& d) { return &d.StageAnimation; }, false},
    {"CharaFilter", [](GameData& d) { return &d.CharaFilter; }, true},
    {"ReplaySave", [](GameData& d) { return &d.modes[1].flag; }, false},
    {"ViewFPS", [](GameData& d) { return &d.ViewFPS; }, false},
    {"FrameSkip", [](GameData& d) { return &d.FrameSkip; }, false},
    {"SCREEN_FILTER", [](GameData& d) { return &d.SCREEN_FILTER; }, true},
    {"SELECT_LANGUAGE", [](GameData& d) { return &d.SELECT_LANGUAGE; }, true},
};

const FieldItem* FindFieldItem(std::string_view id) {
  for (const FieldItem& f : kFieldItems)
    if (id == f.id) return &f;
  return nullptr;
}

struct Choice {
  const char* label;
  const char* text;  // null: the label
  int32_t value;
};

CGameMenu_Element* SelectItem(const char* label, const char* id, std::initializer_list<Choice> choices) {
  auto* e = new CPauseMenu_SelectElement(label, id, 0);
  for (const Choice& c : choices) e->AddChoice(GameMenuChoice{c.label, c.text ? c.text : c.label, c.value});
  return e;
}

// "OFF" 21, then "1" 19 down to "20" 0. Step 20 has no choice of its own.
CGameMenu_Element* VolumeItem(const char* label, const char* id) {
  auto* e = new CPauseMenu_SelectElement(label, id, 0);
  e->AddChoice(GameMenuChoice{"OFF", "OFF", 21});
  for (int n = 1; n <= 20; ++n) {
    const std::string text = std::to_string(n);
    e->AddChoice(GameMenuChoice{text, text, 20 - n});
  }
  return e;
}

bool English() { return GetSelectLanguage() == 1; }

}  // namespace

// ---- Display modes ----

std::vector<DisplayModeEntry> BuildDisplayModeList() {
  std::vector<DisplayModeEntry> list;
  auto add = [&list](int w, int h, int refresh, int bits) {
    if (w <= 0 || h <= 0) return;
    for (const DisplayModeEntry& e : list)
      if (e.width == w && e.height == h) return;
    list.push_back(DisplayModeEntry{w, h, refresh, bits});
  };
  if (g_AdapterInfo != nullptr)
    for (const vt::gfx::DisplayMode& m : g_AdapterInfo->modes)
      add(static_cast<int>(m.Width), static_cast<int>(m.Height), static_cast<int>(m.RefreshRate),
          FormatBitsPerPixel(m.format));
  // The present size is always offered: without it an empty list (SDL headless) would leave the
  // resolution item with no entry to read.
  const int w = g_AppConfig.ScreenW > 0 ? g_AppConfig.ScreenW : 640;
  const int h = g_AppConfig.ScreenH > 0 ? g_AppConfig.ScreenH : 480;
  add(w, h, 0, 32);
  return list;
}

// ---- Set ----

COptionMenuSet::COptionMenuSet(CGameMenuManager* owner, const std::vector<DisplayModeEntry>& modes)
    : CGameMenuSet(owner, "OPTION_MENU") {
  for (const char* id : {"KEYBOARD_SETTING", "CONTROLLER_SETTING", "ChangeScreen", "Default", "Exit"})
    AddResultName(id);
  AddElement(SelectItem(
      "DIFFICULTY", "Difficulty",
      {{"EASIEST", "1", 0}, {"EASY", "2", 1}, {"NORMAL", "3", 2}, {"HARD", "4", 3}, {"HARDEST", "5", 4}}));
  AddElement(SelectItem(
      "DAMAGE LEVEL", "DamageLevel",
      {{"LOWEST", "1", 0}, {"LOW", "2", 1}, {"NORMAL", "3", 2}, {"HIGH", "4", 3}, {"HIGHEST", "5", 4}}));
  AddElement(SelectItem("WIN COUNT", "WinCount", {{"1", nullptr, 1}, {"2", nullptr, 2}, {"3", nullptr, 3}}));
  AddElement(
      SelectItem("WIN COUNT(VS)", "WinCount(VS)", {{"1", nullptr, 1}, {"2", nullptr, 2}, {"3", nullptr, 3}}));
  AddElement(SelectItem("TIMER SPEED", "TimeSpeed",
                        {{"INFINITY", "Infinity", 0},
                         {"SLOW", "Slow", 1},
                         {"NORMAL", "Normal", 2},
                         {"FAST", "Fast", 3},
                         {"FASTEST", "VeryFast", 4}}));
  AddElement(new CPauseMenu_SpaceElement(kSpacerHeight));
  AddElement(VolumeItem("BGM VOLUME", "BgmVolume"));
  AddElement(VolumeItem("SE VOLUME", "SeVolume"));
  AddElement(new CPauseMenu_SpaceElement(kSpacerHeight));
  AddElement(SelectItem("STAGE ANIMATION", "StageAnimation", {{"OFF", nullptr, 1}, {"ON", nullptr, 0}}));
  AddElement(
      SelectItem("CHARACTER FILTER", "CharaFilter",
                 {{"OFF", nullptr, 0}, {"EDGE", nullptr, 1}, {"FULL", nullptr, 2}, {"LINEAR", nullptr, 3}}));
  AddElement(SelectItem("REPLAY SAVE", "ReplaySave", {{"MANUAL", "Manual", 0}, {"AUTO", "Auto", 1}}));
  AddElement(SelectItem("VIEW FPS", "ViewFPS", {{"OFF", nullptr, 0}, {"ON", nullptr, 1}}));
  AddElement(SelectItem("FRAME RATE", "FrameSkip", {{"1/2", nullptr, 1}, {"NORMAL", nullptr, 0}}));
  AddElement(new CPauseMenu_SpaceElement(kSpacerHeight));
  AddElement(SelectItem("SCREEN FILTER", "SCREEN_FILTER", {{"OFF", nullptr, 0}, {"ON", nullptr, 1}}));
  // "JAPANSE" is the value text the game has always shown; kept as it is.
  AddElement(SelectItem("SELECT LANGUAGE", "SELECT_LANGUAGE",
                        {{"JAPANESE", "JAPANSE", 0}, {"ENGLISH", nullptr, 1}}));
  AddElement(new CPauseMenu_NormalElement("KEYBOARD SETTING", "KEYBOARD_SETTING"));
  AddElement(new CPauseMenu_NormalElement("CONTROLLER SETTING", "CONTROLLER_SETTING"));
  AddElement(new CPauseMenu_SpaceElement(kSpacerHeight));
  auto* resolution = new CPauseMenu_SelectElement("RESOLUTION", "Resolution", 0);
  for (size_t i = 0; i < modes.size(); ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "%dx%d", modes[i].width, modes[i].height);
    resolution->AddChoice(GameMenuChoice{text, text, static_cast<int32_t>(i)});
  }
  AddElement(resolution);
  AddElement(SelectItem("SCREEN MODE", "ScreenMode", {{"FULL SCREEN", nullptr, 0}, {"WINDOW", nullptr, 1}}));
  AddElement(new CPauseMenu_NormalElement("CHANGE SCREEN", "ChangeScreen"));
  AddElement(new CPauseMenu_SpaceElement(kSpacerHeight));
  AddElement(new CPauseMenu_NormalElement("DEFAULT", "Default"));
  AddElement(new CPauseMenu_NormalElement("EXIT", "Exit"));
}

// ---- Menu ----

COptionMenu::COptionMenu(std::vector<DisplayModeEntry> modes) : displayModes(std::move(modes)) {
  set_ = new COptionMenuSet(this, displayModes);
  set_->SetCursorById("Difficulty");
  LoadValues();
  x = 0;
  y = 56;
  centreX = 96;
  labelAlign = 1;
  verticalMode = 1;
  glyphWidth = glyphHeight = 14;
  layer = 752;
  for (CGameMenu_Element* e : set_->elements) {
    if (!e->IsSpacer()) e->SetHeight(kItemHeight);
    if (e->GetChoiceCount() > 0) static_cast<CGameMenu_SelectElement*>(e)->choiceX = kChoiceColumn - centreX;
  }
  help.layer = 752;
  help.centreY = 440;
  help.bandHeight = 72;
  help.scaleX = 0.7f;
  help.scaleY = 0.9f;
  help.LoadTexts(English() ? ".\\Information\\eng\\OptionInfo.ini" : ".\\Information\\jpn\\OptionInfo.ini");
}

COptionMenu::~COptionMenu() {
  keySetting.Close();
  help.Release();
}

void COptionMenu::LoadValues() {
  if (g_GameData != nullptr) {
    for (const FieldItem& f : kFieldItems) {
      int32_t value = *f.field(*g_GameData);
      // Volume step 20 has no choice: it shows as "1", the step next to it.
      const std::string_view id = f.id;
      if ((id == "BgmVolume" || id == "SeVolume") && value == 20) value = 19;
      set_->SelectChoiceByValue(f.id, value);
    }
  }
  int w = g_AppConfig.ScreenW, h = g_AppConfig.ScreenH;
  int mode = g_AppConfig.Windowed ? 1 : 0;
  if (loadFromGameData && g_GameData != nullptr) {
    w = g_GameData->ResolutionWidth;
    h = g_GameData->ResolutionHeight;
    mode = g_GameData->ScreenMode;
  }
  char label[32];
  std::snprintf(label, sizeof label, "%dx%d", w, h);
  if (CGameMenu_Element* e = set_->FindElement("Resolution")) {
    for (int i = 0; i < e->GetChoiceCount(); ++i)
      if (std::string_view(e->GetChoiceLabel(i)) == label) e->SetChoiceIndex(i);
  }
  set_->SelectChoiceByValue("ScreenMode", mode);
  RememberLiveChoices();
}

void COptionMenu::RememberLiveChoices() {
  for (LiveItem& item : live_) {
    CGameMenu_Element* e = set_->FindElement(item.id);
    item.shownIndex = e ? e->GetChoiceIndex() : -1;
  }
}

bool COptionMenu::LiveChoiceMoved(LiveItem& item) {
  CGameMenu_Element* e = set_->FindElement(item.id);
  if (e == nullptr) return false;
  const int32_t index = e->GetChoiceIndex();
  if (index == item.shownIndex) return false;
  item.shownIndex = index;
  return true;
}

void COptionMenu::WriteLiveValues(bool fromStore) {
  if (g_GameData == nullptr) return;
  bool volumes = false, effects = false;
  for (LiveItem& item : live_) {
    if (!LiveChoiceMoved(item)) continue;
    int32_t* field = FindFieldItem(item.id)->field(*g_GameData);
    const int32_t value = set_->GetElementValue(item.id);
    if (*field == value) continue;
    *field = value;
    if (item.id == live_[0].id) volumes = true;
    if (item.id == live_[1].id) volumes = effects = true;
  }
  if (!volumes) return;
  ApplySoundVolumes();
  if (effects && !fromStore) g_SeRequest[kVolumeSampleSound] = 1;
}

void COptionMenu::StoreValues() {
  if (g_GameData == nullptr) return;
  for (const FieldItem& f : kFieldItems)
    if (!f.live) *f.field(*g_GameData) = set_->GetElementValue(f.id);
  WriteLiveValues(true);
}

int COptionMenu::PendingScreenChange(int* entry, int* chosenMode, int* presentMode) {
  int e = set_->GetElementValue("Resolution");
  if (e < 0 || e >= static_cast<int>(displayModes.size())) e = 0;
  const int chosen = set_->GetElementValue("ScreenMode");
  const int present = g_AppConfig.Windowed ? 1 : 0;
  if (entry) *entry = e;
  if (chosenMode) *chosenMode = chosen;
  if (presentMode) *presentMode = present;
  if (displayModes.empty()) return chosen != present ? 1 : 0;
  const DisplayModeEntry& m = displayModes[static_cast<size_t>(e)];
  return chosen != present || m.width != g_AppConfig.ScreenW || m.height != g_AppConfig.ScreenH ? 1 : 0;
}

void COptionMenu::RefreshTitle() {
  char text[32];
  std::snprintf(text, sizeof text, "%dP PAUSE MENU", menuPlayer + 1);
  SetTitle(text);
}

void COptionMenu::EnterState(int32_t s) {
  SetOpenState(s);
  inputEnabled = 0;
}

int COptionMenu::Input(int direction, int button) {
  int r = 0;
  if (!keySetting.open)
    r = inputEnabled ? CGameMenuManager::Input(direction, button) : CGameMenuManager::Input(0, 0);
  Update();
  std::string key, choiceKey;
  MakeMenuHelpKeys(this, &key, &choiceKey, "");
  help.SetKey(key);
  help.SetKey2(choiceKey);
  help.Update();
  if (r) g_SeRequest[kCursorSound] = 1;
  return r;
}

void COptionMenu::Update() {
  brightness = std::clamp(brightness + (active ? kStep : -kStep), 0.3f, 1.0f);
  opacity = brightness;
  MarkCursorElements();
  switch (openState) {
    case kStart:
      StepOpenClose();
      SetOpenState(kOpen);
      inputEnabled = 1;
      fade = 1.0f;
      break;
    case kOpen:
      if (endCode != 0) {
        EnterState(kClosing);
        closedByCancel = 1;
      }
      break;
    case kClosing:
      help.FadeOut();
      closeFade += kStep;
      if (closeFade >= 1.0f) {
        closeFade = 1.0f;
        SetOpenState(kClosed);
      }
      break;
    case kKeyboardSetting:
    case kControllerSetting:
      if (!keySetting.open) {
        keySetting.Open(openState == kKeyboardSetting ? KeySettingScreen::kKeyboard
                                                      : KeySettingScreen::kController);
        active = 0;
      }
      keySetting.Update();
      keySetting.RequestClose();
      if (keySetting.IsFinished()) {
        if (openState == kKeyboardSetting)
          SaveKeyboardConfig();
        else
          SaveKeyConfig();
        keySetting.Close();
        active = 1;
        inputEnabled = 1;
        SetOpenState(kOpen);
      }
      break;
    case kIdle:
      break;
    default:
      StepOpenClose();
      break;
  }
  if (CGameMenu_Element* e = set_->FindElement("ChangeScreen"))
    e->SetAlpha(PendingScreenChange(nullptr, nullptr, nullptr) ? 1.0f : 0.4f);
  WriteLiveValues(false);
  if (decided && openState == kOpen) {
    const std::string id = resultName;
    decided = 0;
    if (id == "KEYBOARD_SETTING") {
      EnterState(kKeyboardSetting);
    } else if (id == "CONTROLLER_SETTING") {
      EnterState(kControllerSetting);
    } else if (id == "ChangeScreen") {
      if (PendingScreenChange(nullptr, nullptr, nullptr)) {
        closedByChangeScreen = 1;
        EnterState(kClosing);
      }
    } else if (id == "Default") {
      // The title's unlock and the net notice are no options: DEFAULT leaves them as they are.
      const int32_t unlocked = g_GameData ? g_GameData->HiddenInputUnlocked : 0;
      const int32_t noticeSeen = g_GameData ? g_GameData->NetNoticeSeen : 0;
      ResetGameData();
      if (g_GameData) {
        g_GameData->HiddenInputUnlocked = unlocked;
        g_GameData->NetNoticeSeen = noticeSeen;
      }
      loadFromGameData = 1;
      LoadValues();
      ApplySoundVolumes();
    } else if (id == "Exit") {
      EnterState(kClosing);
    }
  }
  ++frameCount;
  ++stateFrames;
}

void COptionMenu::Draw() {
  if (closeFade > 0.0f) {
    const uint32_t a = static_cast<uint32_t>(std::min(255, static_cast<int>(closeFade * 255.0f)));
    DrawRect(nullptr, 0, 0, 640, 480, a << 24, a << 24, a << 24, a << 24, layer + 256);
  }
  CPauseMenu_Default::Draw();
  if (keySetting.open) keySetting.Draw();
  help.Draw();
  vt::text::DrawOutlinedText(32, 30, "OPTION", 255, 255, 16, 16, 0, layer);
}

// ---- Portrait ----

namespace {

bool IsCharaFile(const char* name) { return name[0] != '\0' && name[0] != '0' && name[0] != '1'; }

void LoadPortrait(CharaSpritePlayer& player) {
  InitCharaSpritePlayer(player, 0);
  const int character = PickRandomCharacter();
  const int32_t draw = RandStreamNext(1) % 36;
  const CharaListEntry* e = character >= 0 ? GetCharaListEntry(character) : nullptr;
  if (e == nullptr) return;
  for (int l = 0; l < 2; ++l) {
    const char* file = l == 0 ? e->File1 : e->File2;
    if (!IsCharaFile(file)) continue;
    char path[96];
    std::snprintf(path, sizeof path, "%scsel_%s.txt", ".\\data\\_csel\\", file);
    LoadFrameDataSet(&player.layer[l].frameData, path);
    LoadCharaSpritePalette(player.layer[l], character, l);
  }
  const int colour = CharaSpritePaletteOf(player.layer[0], draw) != nullptr ? draw : 0;
  SetCharaSpriteTarget(player, character, colour);
  for (CharaSpriteLayerData& layer : player.layer)
    if (layer.frameData.sprites != nullptr)
      CreateCutSpritePages(layer.frameData.sprites, CharaSpritePaletteOf(layer, colour), nullptr, 0, 1);
  for (int l = 0; l < 2; ++l)
    if (player.layer[l].frameData.patterns != nullptr) SetCharaSpriteFrame(player, l, 0, 0, 1);
  player.shownFrames = 1;
}

void FreePortrait() {
  if (!g_portrait) return;
  for (CharaSpriteLayerData& layer : g_portrait->layer) ReleaseCharaSpriteLayer(layer);
  g_portrait.reset();
  // The cut-sprite textures made for its frames belong to the sheets just released.
  FlushHan6TextureCache();
}

// The portrait in the corner: a white figure with a black one behind it (queued after it: of one
// priority the later command is drawn first), under the character filter option in force.
void DrawPortrait(CharaSpritePlayer& player) {
  if (player.shownFrames == 0) return;
  for (int l = 0; l < 2; ++l) {
    for (const auto& [px, py, colour] :
         {std::tuple{550, 390, 0xFFFFFFFFu}, std::tuple{566, 382, 0xFF000000u}}) {
      CharaSpriteDrawValues v;
      v.x = px;
      v.y = py;
      v.pattern = player.layerFrame[l].pattern;
      v.frame = player.layerFrame[l].frame;
      v.colour = colour;
      v.priority = 11;
      v.characterFilter = GetCharaFilter();
      v.cacheKey = CharaSpriteCacheKey(l, player.colour, player.character);
      DrawCharaSpriteLayer(player.layer[l], v);
    }
  }
}

}  // namespace

// ---- Scene ----

COptionMenu* GetOptionMenu() { return g_menu.get(); }
CharaSpritePlayer* GetOptionPortrait() { return g_portrait.get(); }

void InitOptionScene() {
  ReleaseOptionScene();
  g_background = LoadTexture(".\\grp\\option\\opt_BG");
  g_menu = std::make_unique<COptionMenu>(BuildDisplayModeList());
  g_portrait = std::make_unique<CharaSpritePlayer>();
  LoadPortrait(*g_portrait);
}

void ReleaseOptionScene() {
  FreePortrait();
  g_menu.reset();
  FreeTexture(g_background);
  g_background = nullptr;
}

void UpdateOptionScene() {
  if (!g_menu) return;
  int dir = 0;
  uint32_t pressed = 0, held = 0;
  if (g_AppJoystick != nullptr) g_AppJoystick->GetAllPlayersMenuInput(&dir, &pressed, &held, 0);
  const int button = (pressed & 2) ? kMenuButtonCancel : (pressed & 1) ? kMenuButtonDecide : kMenuButtonNone;
  g_menu->Input(dir, button);
  if (g_portrait) {
    TickCharaSpritePlayer(*g_portrait);
    DrawPortrait(*g_portrait);
  }
  if (g_menu->openState != CPauseMenu_Default::kClosed) return;
  g_menu->StoreValues();
  SaveGameData();
  if (g_menu->closedByChangeScreen) {
    g_SceneEnter = kSceneDisplayReentry;
    int entry = 0, chosen = 0, present = 0;
    if (g_menu->PendingScreenChange(&entry, &chosen, &present) && !g_menu->displayModes.empty()) {
      const DisplayModeEntry& m = g_menu->displayModes[static_cast<size_t>(entry)];
      g_AppConfig.ScreenW = m.width;
      g_AppConfig.ScreenH = m.height;
      g_KeepWindowMode.store(chosen == present ? 1 : 0);
      g_ScreenModeRequest.store(1, std::memory_order_release);
    }
    return;
  }
  SaveGameData();
  LoadVectorTable();
  LoadTypeFile();
  ReturnToMainMenu();
  if (g_SeSlots[kVoiceSlotBase]) g_SeSlots[kVoiceSlotBase]->Stop();
  StopBgm();
}

int OptionScene(int) {
  if (g_SceneEnter != kSceneRunning) {
    if (g_SceneEnter != kSceneDisplayReentry) {
      StopBgm();
      if (LoadBgm(kOptionMusic)) StartBgm();
    }
    InitOptionScene();
    g_SceneEnter = kSceneRunning;
  }
  if (g_AppJoystick != nullptr) {
    g_AppJoystick->ReadDevices();
    g_AppJoystick->UpdateBanks();
  }
  if (!GetOnlineModeManager().IsConnectionLost()) UpdateOptionScene();
  if (g_menu) g_menu->Draw();
  if (g_background != nullptr && g_background->dx != nullptr)
    DrawSprite(nullptr, g_background, 0, 0, 640, 480, 0.0f, 0.0f,
               static_cast<float>(g_background->dx->usedWidth),
               static_cast<float>(g_background->dx->usedHeight), 0xFFFFFFFF, 0, 256);
  if (g_SceneId != SCENE_OPTION) {
    StopBgm();
    ReleaseOptionScene();
  } else if (g_SceneEnter != kSceneRunning) {
    // A display change: the next frame builds the scene anew.
    ReleaseOptionScene();
  }
  return 1;
}

void LeaveOptionScene() { ReleaseOptionScene(); }

void InstallOptionsScene() { RegisterScene(SCENE_OPTION, {OptionScene, LeaveOptionScene}); }
