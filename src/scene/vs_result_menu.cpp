// The VS result menu: its manager, set and OK box, the replay save's messages and the winner
// demo's calls.
#include "scene/vs_result_menu.h"

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Replay/replay_controller.h"
#include "Replay/replay_naming.h"
#include "Sound/soundproc.h"
#include "app/e2e_run.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "battle/game_mode.h"
#include "scene/game_modes.h"

int g_VsResultChoice = 0;
CVSResultMenuManager* g_VsResultMenu = nullptr;
int g_VsResultMenuFrozen = 0;
std::string g_VsResultSavedName;

namespace {

constexpr int kMenuCursorSound = 152;
constexpr int kBoxLayer = 757;
constexpr uint8_t kBoxShade = 168;

// The menu's ids in the order of g_VsResultChoice (2 is the save, which never closes the menu).
constexpr const char* kChoiceIds[] = {"ONCE_AGAIN",   "CHARACTER_SELECT", "SAVE_REPLAY",
                                      "RETURN_TITLE", "EXIT_VS_GAME",     "REPLAY_FILE_SELECT"};

bool DirectConnection() { return IsDirectNetMatch() != 0; }
bool ReplayPlayMode() { return g_ReplayController.mode == kReplayPlay; }

}  // namespace

CVSResultOKMenuManager::CVSResultOKMenuManager() {
  drawBackground = 0;
  layer = kBoxLayer;
  dim = kBoxShade;
  new CGameCommonMenuSet(this, "COMMON_OK_MENU");
}

void CVSResultOKMenuManager::Update() {
  MarkCursorElements();
  StepOpenClose();
  if (decided && resultName == "MENU_OK" && openState != kClosing && openState != kClosed) StartClosing();
  ++frameCount;
  ++stateFrames;
}

CVSResultMenuSet::CVSResultMenuSet(CGameMenuManager* owner, bool closing, bool playMode, bool direct)
    : CGameMenuSet(owner, "VSRESULT_MENU") {
  AddResultName("ONCE_AGAIN");
  AddResultName("CHARACTER_SELECT");
  AddResultName("SAVE_REPLAY");
  AddResultName(direct ? "EXIT_VS_GAME" : "RETURN_TITLE");
  AddResultName("REPLAY_FILE_SELECT");
  if (!closing) AddElement(new CPauseMenu_NormalElement("ONCE AGAIN", "ONCE_AGAIN"));
  if (playMode) AddElement(new CPauseMenu_NormalElement("REPLAY FILE SELECT", "REPLAY_FILE_SELECT"));
  if (!playMode && !closing) AddElement(new CPauseMenu_NormalElement("CHARACTER SELECT", "CHARACTER_SELECT"));
  if (!playMode) AddElement(new CPauseMenu_NormalElement("SAVE REPLAY", "SAVE_REPLAY"));
  if (direct)
    AddElement(new CPauseMenu_NormalElement("EXIT VS GAME", "EXIT_VS_GAME"));
  else
    AddElement(new CPauseMenu_NormalElement("RETURN MAIN MENU", "RETURN_TITLE"));
  for (CGameMenu_Element* e : elements) e->SetHeight(18);
  SetCursorById("ONCE_AGAIN");
}

CVSResultMenuManager::CVSResultMenuManager(int closingFlag, std::string* name)
    : savedName(name), help(std::make_unique<CInformationWindow>()), closing(closingFlag) {
  openStep = 0.03125f;  // opens at half the framework's pace; closing keeps its pace
  SetTitle("VS RESULT MENU");
  const bool direct = DirectConnection();
  auto* set = new CVSResultMenuSet(this, closing != 0, ReplayPlayMode(), direct);
  layer = 752;
  inputEnabled = 1;
  autoSave = kAutoSaveNone;
  y = 200;
  help->layer = 753;
  help->bandHeight = 80;
  help->scaleX = 0.7f;
  help->scaleY = 0.9f;
  if (direct)
    help->LoadTexts(".\\Information\\VSResultInfoNet.ini");
  else
    help->LoadTexts(GetSelectLanguage() == 1 ? ".\\Information\\eng\\VSResultInfo.ini"
                                             : ".\\Information\\jpn\\VSResultInfo.ini");
  help->centreY = (set->TotalHeight() + 80) / 2 + 232;
}

CVSResultMenuManager::~CVSResultMenuManager() {
  delete okBox;
  delete yesNo;
  if (help) help->Release();
}

int CVSResultMenuManager::Input(int direction, int button) {
  int r = 0;
  if (frozen) {
    r = 0;
  } else if (okBox) {
    r = okBox->Input(direction, button);
  } else if (yesNo) {
    r = yesNo->Input(direction, button);
  } else if (!decided && inputEnabled) {
    // The menu cannot be cancelled: the cancel button is dropped.
    r = CGameMenuManager::Input(direction, button == kMenuButtonCancel ? kMenuButtonNone : button);
  }
  Update();
  if (!okBox && !yesNo) {
    std::string key, choiceKey;
    MakeMenuHelpKeys(this, &key, &choiceKey, "");
    help->SetKey(key);
  }
  if (r) g_SeRequest[kMenuCursorSound] = 1;
  return r;
}

std::string SaveVsResultReplay(std::string& name) {
  if (g_ReplayController.recordingAllowed <= 0) return GetGameText(57);
  if (!name.empty()) return FormatGameText(GetGameText(60), name);
  name = MakeReplayFileName(DirectConnection() ? kReplayNetTemplateFile : kReplayTemplateFile,
                            &g_ReplayController.file.header);
  const bool saved = g_ReplayController.file.Save(std::string(kReplayFolder) + name) != 0;
  vt::e2e::ReportReplaySave(std::string(kReplayFolder) + name, saved);
  if (saved) return FormatGameText(GetGameText(58), name);
  // Nothing was written: say so, and forget the name so that another try builds a new one.
  name.clear();
  return GetGameText(59);
}

void CVSResultMenuManager::UpdateSaveBox() {
  if (!okBox) {
    inputEnabled = 0;
    okBox = new CVSResultOKMenuManager();
    okBox->SetTitle(autoSave >= kAutoSaveRunning ? "SaveReplay(AUTO)" : "SaveReplay");
    std::string scratch;
    lastMessage = SaveVsResultReplay(savedName ? *savedName : scratch);
    okBox->SetInfoText(lastMessage);
    if (autoSave == kAutoSaveRunning) autoSave = kAutoSaveDone;
    return;
  }
  if (okBox->openState == kClosed) {
    // Back to the menu with nothing decided: the menu takes input again at once. (Leaving the
    // decided state set, as the save's own close did, would shut the menu's input for good.)
    inputEnabled = 1;
    SetOpenState(kOpen);
    decided = 0;
    chosenId.clear();
    delete okBox;
    okBox = nullptr;
  }
}

void CVSResultMenuManager::UpdateLeavePrompt() {
  if (!yesNo) {
    inputEnabled = 0;
    yesNo = new CGameMenu_YESNO();
    yesNo->layer = kBoxLayer;
    yesNo->dim = kBoxShade;
    yesNo->SetInfoText(GetGameText(closing ? 62 : 61));
    return;
  }
  if (yesNo->openState == kClosed) {
    // Only an answered yes leaves; a cancel counts as no.
    if (yesNo->confirmed) {
      SetOpenState(kClosing);
    } else {
      inputEnabled = 1;
      SetOpenState(kOpen);
      chosenId.clear();
    }
    delete yesNo;
    yesNo = nullptr;
  }
}

void CVSResultMenuManager::Update() {
  MarkCursorElements();
  if (openState == kOpen && autoSave == kAutoSaveRequested) {
    SetOpenState(kSaveBox);
    autoSave = kAutoSaveRunning;
  }
  if (openState == kClosing) {
    help->FadeOut();
    StepOpenClose();
  } else if (openState == kSaveBox) {
    UpdateSaveBox();
  } else if (openState == kLeavePrompt) {
    UpdateLeavePrompt();
  } else {
    StepOpenClose();
  }
  if (decided) {
    const std::string id = resultName;
    if (id == "ONCE_AGAIN" || id == "RETURN_TITLE" || id == "CHARACTER_SELECT" ||
        id == "REPLAY_FILE_SELECT") {
      chosenId = id;
      SetOpenState(kClosing);
      decided = 0;
    } else if (id == "SAVE_REPLAY") {
      SetOpenState(kSaveBox);
      decided = 0;
    } else if (id == "EXIT_VS_GAME") {
      chosenId = id;
      SetOpenState(kLeavePrompt);
      decided = 0;
    }
  }
  help->Update();
  ++frameCount;
  ++stateFrames;
}

void CVSResultMenuManager::Draw() {
  CPauseMenu_Default::Draw();
  if (okBox) okBox->Draw();
  if (yesNo) yesNo->Draw();
  help->Draw();
}

void CreateVsResultMenu(int closingFlag) {
  g_VsResultChoice = 0;
  g_VsResultMenuFrozen = 0;
  if (g_GameModeFlags == MODE_ARCADE) return;
  if (g_GameModeFlags == MODE_VS_PLAYER && g_ChallengeState) return;
  g_VsResultMenu = new CVSResultMenuManager(closingFlag, &g_VsResultSavedName);
  const GameData* data = g_GameData;
  if (g_ReplayController.mode == kReplayRecord && data && data->modes[1].flag)
    g_VsResultMenu->autoSave = CVSResultMenuManager::kAutoSaveRequested;
}

int InputVsResultMenu(int direction, uint32_t buttons) {
  if (!g_VsResultMenu) return 0;
  if (g_VsResultMenuFrozen) {
    g_VsResultMenu->Input(0, 0);
  } else {
    const int button = (buttons & 2)   ? kMenuButtonCancel
                       : (buttons & 1) ? kMenuButtonDecide
                                       : kMenuButtonNone;
    g_VsResultMenu->Input(direction, button);
  }
  return direction == 8 || direction == 2 ? 1 : 0;
}

void CloseVsResultMenu() {
  if (!g_VsResultMenu) return;
  int choice = kVsCharacterSelect;
  for (int i = 0; i < static_cast<int>(std::size(kChoiceIds)); ++i)
    if (g_VsResultMenu->chosenId == kChoiceIds[i]) choice = i;
  g_VsResultChoice = choice;
  DeleteVsResultMenu();
}

void DeleteVsResultMenu() {
  delete g_VsResultMenu;
  g_VsResultMenu = nullptr;
}

void CloseVsResultMenuForPeer() {
  g_VsResultMenuFrozen = 1;
  CVSResultMenuManager* m = g_VsResultMenu;
  if (!m) return;
  m->frozen = 1;
  CPauseMenu_Default* box = m->okBox ? static_cast<CPauseMenu_Default*>(m->okBox) : m->yesNo;
  if (box && !box->IsClosing()) {
    box->SetOpenState(CPauseMenu_Default::kOpen);
    box->inputEnabled = 1;
    box->Input(0, kMenuButtonCancel);
  }
  if (!m->IsClosing()) m->SetOpenState(CPauseMenu_Default::kClosing);
}

int RunVsResultMenu(int direction, uint32_t pressed) {
  if (InputVsResultMenu(direction, pressed)) g_SeRequest[kMenuCursorSound] = 1;
  if (g_VsResultMenu) {
    g_DrawFilterMode = 2;
    g_VsResultMenu->Draw();
    g_DrawFilterMode = 1;
  }
  if (g_VsResultMenu && g_VsResultMenu->openState != CPauseMenu_Default::kClosed) return 0;
  CloseVsResultMenu();
  if (g_VsResultChoice == kVsSaveReplay || g_VsResultChoice > kVsReplayFileSelect) return 0;
  return 1;
}
