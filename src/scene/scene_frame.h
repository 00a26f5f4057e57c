// The scene spine: the scene id and its enter flag, the scene table and the dispatcher that runs
// the scene of the moment once per logic frame, the scene base class, and the scene process that
// wraps each frame (logic step, rendering, letterbox presentation with side panels, stall wait,
// pacing and present), with the scene-change operations every scene uses.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "app/frame_pacer.h"

struct TextureHandle;

// Scene ids (g_SceneId).
enum SceneId : int {
  SCENE_BATTLE = 1,
  SCENE_TITLE = 2,
  SCENE_BOOT = 3,
  SCENE_STORY_ENDING = 4,
  SCENE_WINNER_DEMO = 5,
  SCENE_VS_SCREEN = 8,
  SCENE_STORY = 9,
  SCENE_NEXT_STAGE = 10,
  SCENE_RANKING = 11,
  SCENE_OPTION = 12,
  SCENE_DEMO_VS_SCREEN = 13,
  SCENE_CHARA_SELECT = 20,
  SCENE_MAIN_MENU = 25,
  SCENE_REPLAY_SELECT = 26,
  SCENE_PROC_TEST = 50,
  SCENE_NETWORK_MENU = 100,
  SCENE_QUIT = 255,
};

// g_SceneEnter values.
inline constexpr uint8_t kSceneRunning = 0;
inline constexpr uint8_t kSceneFreshEntry = 1;
inline constexpr uint8_t kSceneDisplayReentry = 100;
inline constexpr uint8_t kSceneLeaveProgram = 101;
inline constexpr uint8_t kSceneTrainingRestart = 255;

// What runs a scene id: its per-frame entry (given the keep-running flag; returns the routine's
// result, -1 from the test menu sends the game to the title) and the hook run once when the id
// leaves it. The scene wiring registers them; an id with no entry runs only the frame's common
// steps. Scene 1's leave hook is LeaveBattleCleanup in a cleared table and whenever scene 1 is
// registered without one, so the battle always releases what it holds.
struct SceneHandlers {
  int (*process)(int keepRunning) = nullptr;
  void (*leave)() = nullptr;
};
void RegisterScene(int id, SceneHandlers handlers);
const SceneHandlers& GetSceneHandlers(int id);
void ClearSceneTable();

extern int g_SceneId;
extern uint8_t g_SceneEnter;
// Id the dispatcher saw on its previous call (0 at start), id the logic step saw (-1 at start),
// id the running scene recorded in Execute (the main loop stores 0xFFFF after each drawn frame).
extern int g_SceneIdLast;
extern int g_SceneIdStep;
extern int g_SceneIdRun;

// Set while time is the frame count (the in-process harness, unpaced runs): a scene whose next
// step waits on a worker thread (the VS screen's loader) waits for the worker's job in its poll,
// so the step comes on a frame fixed by the game's logic, not by thread speed, and the same
// script gives the same frames. Normal play keeps polling.
extern bool g_FrameClockWaits;

// A scene change: the new id with enter 1; the switch happens at the dispatcher's next call.
void ChangeScene(int id);

// The direct-netplay calls the scene spine makes. Direct netplay opens no connection in this
// build; tests replace them to play its failure and key-data paths.
struct DirectNetHooks {
  std::function<int()> updateConnection;    // 0: the direct connection is no longer usable
  std::function<void()> clearFailureLatch;  // after Execute saw the failure
  std::function<bool()> keyDataArrived;     // both flags of the key-data arrival pair
  std::function<void()> closeConnection;    // clears the connection words, closes the socket
};
DirectNetHooks& GetDirectNetHooks();
void ResetDirectNetHooks();

// Base of the scene objects.
class CSceneProcessBase {
 public:
  virtual ~CSceneProcessBase() = default;
  // The per-frame entry the dispatcher calls: by convention the entry initialisation on a
  // non-zero g_SceneEnter, then Execute, then the scene's clean-up when g_SceneId changed.
  virtual int Process(int keepRunning) = 0;
  virtual void Reset() { ClearFrameState(); }
  // Clears the direct-netplay connection's two countdown words.
  virtual void ClearFrameState();
  virtual void Update() {}
  // Records the running id; when the direct connection failed it clears the latch, goes to the
  // network menu and returns 0 without updating; else Update and 1.
  int Execute();
};

// Scene 100's object lives exactly while scene 100 runs: the dispatcher makes it through this
// factory on entry and deletes it at the end of the frame that leaves 100 (or a quitting frame).
// The online issues install the network menu; the default makes an object that does nothing.
using NetworkMenuFactory = std::function<std::unique_ptr<CSceneProcessBase>()>;
void SetNetworkMenuFactory(NetworkMenuFactory factory);  // empty: the default
CSceneProcessBase* GetNetworkMenuScene();

// Side panels beside a pillarboxed picture: the two default panels loaded at start-up and the
// battle's two, shown while in use and faded to black over 32 frames after the battle.
struct SidePanelState {
  TextureHandle* defaults[2] = {};
  TextureHandle* battle[2] = {};
  uint8_t battleInUse = 0;
  uint8_t fading = 0;
  float fadeLevel = 0.0f;
};

// Render-skip state shared with the battle's fast forward: counter 0 normal, 1..254 frames still
// to skip, 255 pace this frame without presenting; the skip-ended flag; the presented-frame
// counter whose parity drives the frame-skip option.
struct RenderSkipState {
  int32_t counter = 0;
  uint8_t skipEnded = 0;
  uint32_t presentedFrames = 0;
};

struct CSceneProcess {
  // Frame-rate counter: time accumulator, frames in the running second, frames of the last full
  // second (shown by the frame-rate display).
  float rateAccumulator = 1.0f;
  int framesThisSecond = 60;
  int framesShown = 0;
  PacingStopwatch pacing;
  // Set by a frame whose remote input has not arrived; cleared after that frame's stall wait.
  int32_t netStall = 0;
  SidePanelState panels;
  RenderSkipState skip;
};

CSceneProcess& GetSceneProcess();

// The logic step of the main loop: 0 when the program must end.
int UpdateSceneFrame(int keepRunning);
int RunSceneStep(int keepRunning);
// 1 to go on, 0 for SCENE_QUIT.
int DispatchScene(int keepRunning);
// The scene's pad read: 0 when the online battle's remote input has not arrived (the frame must
// not advance; the stall flag is set), else 1.
int PollSceneInput();

// The drawing half of the frame: the online manager's message window, RenderScene, the stall
// wait, pacing and present.
void DrawSceneFrame();
void RenderScene(TextureHandle* sceneTexture);
// Letterbox presentation inside the device lock: aspect word, black back buffer, the picture,
// side panels, then the main list rendered.
void PresentLetterbox(TextureHandle* sceneTexture);
// The configuration's aspect word for a W x H back buffer: 3 (16:9) when wider than 4:3, else 2.
int SceneAspectMode(int width, int height);
void DrawSidePanels(int barWidth, int y, int pictureWidth, int height);
void LoadBattleSidePanels();
void UpdateSidePanelFade();
void LoadDefaultSidePanels();
void FreeSidePanels();
void RunNetStallLoop();
void PaceAndPresent();
int PaceFrame();
void DrawFrameRate();
// Scene 1's leave hook: releases the battle's stage, characters and HUD graphics.
void LeaveBattleCleanup();

// Scene-change operations.
void GoToReplaySelect();
void ReturnToMainMenu();
void ReturnToNetworkMenu();
void GoToNextArcadeStage();
void LeaveDirectNetToNetworkMenu(int reason);
int DirectNetDisconnectReason();  // the first reason kept since the last reset; 0 none

// Reseeds streams 0..9 and the common stream from the online match seed when a network match
// is active, and advances that seed by 12.
void ReseedNetMatchRandom();

// Set when the replay select was entered from the menu path.
extern uint8_t g_ReplaySelectFromMenu;

// Hooks of the game modes, credits and story, which fill them: the route opening's story step
// (called at stage index 0; non-zero when it took the change over: the opening story was not
// shown yet, and it chose 9 or kept 10), and the network menu's match reset (ResetMatchState
// keeping g_MainSide, g_NetworkMatch 1, both credit rows joined).
extern int (*g_StoryRouteOpeningHook)();
extern void (*g_NetworkMenuMatchReset)();

void ResetFrameRateCounters();
void SetFirstScene();
// Every word of the spine back to its start value (tests, the scene harness).
void ResetSceneSpine();
