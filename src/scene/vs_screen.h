// The VS screens: the normal screen (scene 8, before every match the game starts) and the attract
// screen (scene 13, a random CPU match from the idle title). Each fixes stage and selections,
// starts the character loader on its thread, plays the VS presentation while it works and, once
// the load is joined, builds the stage and enters the battle (or goes to the title).
#pragma once

#include <cstdint>

#include "scene/scene_frame.h"

class CCharaDataLoader;

// Exit codes of a frame.
inline constexpr int kVsStay = 0;
inline constexpr int kVsBattle = 1;
inline constexpr int kVsTitle = 2;
inline constexpr int kVsChosen = 3;  // the screen already chose its next scene: only release

class CSceneVSScreenBase : public CSceneProcessBase {
 public:
  int Process(int keepRunning) override;

  virtual int GetSceneId() = 0;
  // 0 when the load was not started (the first Step then leaves for the title).
  virtual int Init();
  // Fills the hidden side (-1 none) and the all-CPU flag; 1 when the match is ready.
  virtual int SetUpMatch(int* hiddenSide, int* allCpu) = 0;
  virtual void CheckSkip() {}
  virtual int CheckExit() = 0;
  virtual int CheckLeave(int code);
  virtual void ReleaseScene();
  // 0 stops this frame.
  virtual int CheckSession() = 0;

  // One frame's decision and what follows from it.
  void Step();
  // The leave hook: when the scene was changed from outside its own frame, release as exit
  // code 3 does; nothing when the screen already finished.
  void Leave();
  // True from Init until the screen has joined the loader and freed its presentation.
  bool Holding() const { return holding_; }

 protected:
  // Waits for a held loader thread and joins it.
  void JoinLoader();
  // Joins the loader, frees the presentation and its music, asks for the screen capture.
  void Finish();

 private:
  bool holding_ = false;
};

class CSceneNormalVSScreen : public CSceneVSScreenBase {
 public:
  int GetSceneId() override { return SCENE_VS_SCREEN; }
  int Init() override;
  int SetUpMatch(int* hiddenSide, int* allCpu) override;
  int CheckExit() override;
  int CheckSession() override;

  int32_t connectionType = 1;   // 1 local or online, 2 direct netplay, 3 waiting for the peer's start
  int32_t connectionFlags = 0;  // 1 connection failed, 2 peer lost, 4 start code sent
  int32_t leaveCode = 0;

 private:
  int SkipRequested();
};

class CSceneDemoVSScreen : public CSceneVSScreenBase {
 public:
  int GetSceneId() override { return SCENE_DEMO_VS_SCREEN; }
  int SetUpMatch(int* hiddenSide, int* allCpu) override;
  void CheckSkip() override;
  int CheckExit() override;
  int CheckSession() override;

  int32_t skipRequested = 0;
};

CSceneNormalVSScreen& GetNormalVSScreen();
CSceneDemoVSScreen& GetDemoVSScreen();

// The stage and the arcade opponent of the normal screen; returns the hidden side (-1 none).
int SetUpVersusStageAndOpponent();

// The loader the screens drive: the game's character loader, or the one a test put in its place
// (null puts the game's back).
CCharaDataLoader& VsScreenLoader();
void SetVsScreenLoader(CCharaDataLoader* loader);

// Scenes 8 and 13 with their leave hooks.
void InstallVsScreens();
