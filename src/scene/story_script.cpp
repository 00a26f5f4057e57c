// The story script interpreter: loading, the line reader, the command set, the frame loop and
// the stage commands that a skipped script still applies.
#include "scene/story_script.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/Text/fnt_font.h"
#include "Sound/soundproc.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "battle/battle_camera.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_text.h"
#include "battle/chara_list.h"
#include "battle/character_draw.h"
#include "battle/object_state.h"
#include "battle/screen_break.h"
#include "platform/clock.h"
#include "scene/game_modes.h"
#include "scene/scene_frame.h"
#include "scene/staff_roll.h"
#include "scene/stage_bg.h"
#include "scene/story_draw.h"

int32_t g_StoryKind = STORY_NONE;
int32_t g_StoryParticleFlag = 1;

namespace {

StoryScriptState g_Story;
StoryTextures g_StoryTex;

enum class Flow { Continue, Yield, Wait };

bool IsLeadByte(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct Line {
  size_t start = 0;
  size_t end = 0;   // the CR or LF (or the end of the text)
  size_t next = 0;  // the first byte of the following line
};

Line LineAt(const std::string& text, size_t at) {
  Line l;
  l.start = at;
  size_t i = at;
  while (i < text.size() && text[i] != '\r' && text[i] != '\n' && text[i] != '\0') ++i;
  l.end = i;
  if (i < text.size() && text[i] == '\r') ++i;
  if (i < text.size() && text[i] == '\n') ++i;
  l.next = i;
  return l;
}

int LineNumberOf(size_t at) {
  return 1 + static_cast<int>(std::count(g_Story.text.begin(),
                                         g_Story.text.begin() + std::min(at, g_Story.text.size()), '\n'));
}

// One log line per script: the first line it could not take as written.
void LogScriptLine(size_t at, const char* what) {
  if (g_Story.loggedBadLine) return;
  g_Story.loggedBadLine = true;
  DebugPrint("story script line %d: %s\n", LineNumberOf(at), what);
}

// Moves the cursor over blanks, line ends and comment lines; false at the end of the text.
bool SeekCommand(size_t& at) {
  const std::string& t = g_Story.text;
  while (at < t.size() && t[at] != '\0') {
    const char c = t[at];
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') {
      ++at;
    } else if (c == '/' || c == ';') {
      at = LineAt(t, at).next;
    } else {
      return true;
    }
  }
  return false;
}

// scanf-style reads of a line's arguments (from its fourth character); missing ones read 0.
struct Args {
  std::string s;
  int ints[6] = {};
  void Ints(const char* pattern) {
    std::sscanf(s.c_str(), pattern, &ints[0], &ints[1], &ints[2], &ints[3], &ints[4], &ints[5]);
  }
  // The first word, at most 255 bytes (a longer name is cut, never overruns).
  std::string Word(int skipInts = 0) const {
    size_t i = 0;
    for (int k = 0; k < skipInts; ++k) {
      while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
      while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
    }
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    size_t j = i;
    while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
    return s.substr(i, std::min<size_t>(j - i, 255));
  }
};

bool WindowOk(int n) { return n >= 0 && n < kStoryWindows; }
bool SlotOk(int n) { return n >= 0 && n < kStoryFaceSlots; }

void FreeTex(TextureHandle*& t) {
  if (t != nullptr) FreeTexture(t);
  t = nullptr;
}

bool VoiceClipPlaying() {
  if (!g_Story.voiceClip) return false;
  const auto& slot = g_SeSlots[kVoiceSlot];
  return slot != nullptr && slot->IsPlaying();
}

void CloseWindow(StoryWindow& w) {
  StopVoicePlayback();
  g_Story.voiceClip = 0;
  g_Story.awaited = -1;
  w.revealed = w.length;
}

// The message block that follows a command line: its text and the cursor after it. A block
// without a backslash runs to the end of the text, which then acts as ED.
std::string_view TakeBlock(size_t from, size_t& next) {
  const std::string& t = g_Story.text;
  size_t i = from;
  while (i < t.size() && t[i] != '\\' && t[i] != '\0') i += IsLeadByte(static_cast<uint8_t>(t[i])) ? 2 : 1;
  i = std::min(i, t.size());
  std::string_view block(t.data() + from, i - from);
  next = i < t.size() && t[i] == '\\' ? LineAt(t, i).next : t.size();
  return block;
}

void SetWindowText(int n, std::string_view block) {
  StoryWindow& w = g_Story.windows[n];
  w.text = StripStoryText(block);
  w.length = static_cast<int32_t>(w.text.size());
  FreeTex(g_StoryTex.text[n]);
  g_StoryTex.text[n] = RenderStoryBlock(block, &g_Story.windowLastWidth[n]);
  g_Story.laidOutWidth = g_Story.windowLastWidth[n];
}

void LoadFace(int slot, int face, int expression) {
  FreeTex(g_StoryTex.face[slot]);
  FreeTex(g_StoryTex.name[slot]);
  if (face >= 0) {
    char path[160];
    std::snprintf(path, sizeof path, ".\\story\\st_face\\st_face%02d_%02d", face, expression);
    g_StoryTex.face[slot] = LoadTexture(path);
    std::snprintf(path, sizeof path, ".\\story\\st_name\\%s\\st_name00_%02d",
                  BattleSeamSelectLanguage() == 1 ? "eng" : "jpn", face);
    g_StoryTex.name[slot] = LoadTexture(path);
  }
}

void StartTransition(int mode, int p1, int p2, int p3, int p4, int p5) {
  g_Story.transMode = mode;
  int32_t* p = g_Story.transParam;
  p[0] = p1, p[1] = p2, p[2] = p3, p[3] = p4, p[4] = p5;
  StartStoryTransition();
}

// The remembered stage built and made the match stage.
void MakeMatchStage(int stage) {
  if (BuildStageBg() == 0) return;
  g_MatchStage = stage;
  g_MatchStageByte = static_cast<uint8_t>(stage);
  g_Story.rememberedStage = stage;
}

void LowerBandFadeOutAtEnd() {
  StartTransition(50001, 0, g_Story.transParam[1], g_Story.transParam[2], g_Story.transParam[3],
                  g_Story.transParam[4]);
}

Flow RunEd(int& result) {
  StoryScriptState& s = g_Story;
  if (!s.staffRollMode) {
    result = kStoryEndReached;
    return Flow::Wait;
  }
  GetStaffRoll().scriptEnded = 1;
  if (s.staffRollEndState == 0) {
    if (s.bandShown) LowerBandFadeOutAtEnd();
    s.speaker = -1;
    s.staffRollEndState = 2;
  }
  return Flow::Wait;
}

Flow Message(const std::string& cmd, Args& a, size_t lineNext, size_t& next) {
  StoryScriptState& s = g_Story;
  std::string_view block = TakeBlock(lineNext, next);
  if (cmd == "MS") {
    a.Ints("%d %d %d %d %d");
    const int n = a.ints[0];
    if (!WindowOk(n)) return Flow::Yield;
    StoryWindow& w = s.windows[n];
    w.revealed = 0;
    w.style = 0;
    s.awaited = n + 100;
    s.transParam[0] = a.ints[2], s.transParam[1] = a.ints[3], s.transParam[2] = a.ints[4];
    SetWindowText(n, block);
    return Flow::Yield;
  }
  a.Ints("%d %d");
  const bool plain = cmd != "MP";
  const int n = plain ? MirrorStoryWindow(a.ints[0]) : a.ints[0];
  if (!WindowOk(n)) return Flow::Yield;
  StoryWindow& w = s.windows[n];
  w.style = a.ints[1];
  if (plain) {
    s.speaker = n;
    s.lastWindow[n & 1] = n;
    w.visible = 1;
    w.revealed = 0;
    w.idle = 0;
  }
  s.awaited = n;
  SetWindowText(n, block);
  if (!plain) w.revealed = std::min(w.revealed, w.length);
  return Flow::Yield;
}

void PlayMusic(int number) {
  if (number == 0) return;
  if (number < 0 || number >= static_cast<int>(g_BgmList.size()) || !g_BgmList[number].present) return;
  StopBgm();
  if (LoadBgm(number)) StartBgm();
}

Flow Execute(const std::string& cmd, Args& a, size_t lineStart, size_t lineNext, size_t& next, int& result,
             const StoryInput& in) {
  StoryScriptState& s = g_Story;
  const char c0 = cmd[0];
  if (cmd == "MD" || cmd == "XM" || cmd == "MP" || cmd == "MS") return Message(cmd, a, lineNext, next);
  if (cmd == "MC") {
    a.Ints("%d");
    if (WindowOk(a.ints[0])) s.windows[a.ints[0]].visible = 0;
    return Flow::Yield;
  }
  if (cmd == "WI") {
    a.Ints("%d %d %d %d");
    if (WindowOk(a.ints[0])) {
      StoryWindow& w = s.windows[a.ints[0]];
      w.x = a.ints[1], w.y = a.ints[2], w.visible = 1, w.revealed = 0;
    }
    return Flow::Continue;
  }
  if (cmd == "WS") {
    a.Ints("%d %d");
    if (WindowOk(a.ints[0])) {
      StoryWindow& w = s.windows[a.ints[0]];
      w.visible = a.ints[1] != 0;
      w.length = w.revealed = w.idle = 0;
      w.text.clear();
    }
    return Flow::Yield;
  }
  if (cmd == "MX") {
    a.Ints("%d %d");
    const int n = MirrorStoryWindow(a.ints[0]);
    if (WindowOk(n)) s.windows[n].scale = a.ints[1];
    return Flow::Continue;
  }
  if (cmd == "GW") {
    a.Ints("%d");
    char path[96];
    std::snprintf(path, sizeof path, ".\\story\\window\\window%02d", a.ints[0]);
    FreeTex(g_StoryTex.window);
    g_StoryTex.window = LoadTexture(path);
    return Flow::Continue;
  }
  if (cmd == "KW") {
    if (!in.advance) return Flow::Wait;
    return Flow::Yield;
  }
  if (cmd == "NP" || cmd == "SW") {
    a.Ints("%d");
    s.waitCounter = std::max(a.ints[0], 0);
    return Flow::Yield;
  }
  if (cmd == "RT" || cmd == "WT" || cmd == "GC" || cmd == "XP") return Flow::Yield;
  if (cmd == "NS" || cmd == "VP" || cmd == "BI" || cmd == "CG") return Flow::Continue;
  // Faces and name plates.
  if (cmd == "FC") {
    a.Ints("%d %d %d");
    const int n = MirrorStoryWindow(a.ints[0]);
    if (!SlotOk(n)) return Flow::Yield;
    LoadFace(n, a.ints[1], a.ints[2]);
    StoryFaceAnimation& anim = s.faceAnims[n];
    anim.active = 0;
    if (!anim.loaded) {
      char path[160];
      std::snprintf(path, sizeof path, ".\\story\\st_face\\st_face%02d_%02d", anim.face, anim.expression);
      FreeTex(g_StoryTex.faceAlt[n]);
      g_StoryTex.faceAlt[n] = LoadTexture(path);
      anim.loaded = 1;
      anim.active = 1;
      anim.switchCount = anim.counter = 0;
    }
    StoryFaceRecord& f = s.faces[n];
    f.face = a.ints[1], f.expression = a.ints[2];
    f.flags = (g_StoryTex.face[n] ? 1 : 0) | (g_StoryTex.name[n] ? 2 : 0);
    s.windows[n].faceSlot = n;
    s.windows[n].faceArmed = 1;
    return Flow::Yield;
  }
  if (cmd == "AF") {
    a.Ints("%d %d %d");
    const int n = a.ints[0];
    if (!SlotOk(n)) return Flow::Continue;
    char image[96], mask[96];
    std::snprintf(image, sizeof image, ".\\story\\ac_face\\ac_face%02d_00.bmp", a.ints[1]);
    std::snprintf(mask, sizeof mask, ".\\story\\ac_face\\ac_face%02d_m.bmp", a.ints[1]);
    FreeTex(g_StoryTex.face[n]);
    g_StoryTex.face[n] = LoadTextureWithAlpha(image, mask);
    return Flow::Continue;
  }
  if (cmd == "FW") {
    a.Ints("%d %02d %02d %02d %02d %02d");
    const int n = MirrorStoryWindow(a.ints[0]);
    if (!SlotOk(n)) return Flow::Continue;
    StoryFaceAnimation& anim = s.faceAnims[n];
    anim = StoryFaceAnimation{};
    anim.face = a.ints[1], anim.expression = a.ints[2], anim.period = a.ints[3], anim.stop = a.ints[4],
    anim.delay = a.ints[5];
    return Flow::Continue;
  }
  if (cmd == "FS") {
    a.Ints("%d %d %d");
    const int n = MirrorStoryWindow(a.ints[0]);
    if (!WindowOk(n) || a.ints[1] != 0) return Flow::Yield;
    StoryWindow& w = s.windows[n];
    const bool showing = w.faceArmed != 0;
    w.faceArmed = 0;
    if (showing && a.ints[2] != 0) {
      s.transParam[0] = n, s.transParam[1] = w.faceSlot, s.transParam[2] = 0, s.transParam[3] = a.ints[2];
      s.transMode = 40002;
    }
    return Flow::Yield;
  }
  if (cmd == "FG") {
    a.Ints("%d %d");
    const int n = MirrorStoryWindow(a.ints[0]);
    if (WindowOk(n)) s.windows[n].faceBottomFade = a.ints[1] != 0;
    return Flow::Continue;
  }
  if (cmd == "FI") {
    a.Ints("%d");
    if (SlotOk(a.ints[0])) s.faces[a.ints[0]] = StoryFaceRecord{};
    return Flow::Continue;
  }
  if (cmd == "FD") {
    StartTransition(50000, 0, 0, 0, 0, 0);
    return Flow::Continue;
  }
  if (cmd == "WD") {
    StartTransition(50000, 1, 0, 0, 0, 0);
    return Flow::Yield;
  }
  if (cmd == "WB" || cmd == "WC") {
    const int32_t* p = s.transParam;
    StartTransition(50000, p[0], p[1], p[2], p[3], p[4]);
    return cmd == "WB" ? Flow::Yield : Flow::Continue;
  }
  if (cmd == "XW") {
    a.Ints("%d %d");
    StartTransition(50001, a.ints[0] == 0 ? 0 : 1, a.ints[1], 0, 0, 0);
    s.mirrorOff = 1;
    return Flow::Yield;
  }
  // Pictures, stage and screen.
  if (cmd == "GB") {
    a.Ints("%d");
    const int n = a.ints[0];
    if (LoadStageBgFile(n, 0) != 0) MakeMatchStage(n);
    if (s.stageShown == 30000) {
      s.stageShown = 0;
    } else {
      s.stageShown ^= 1;
      StartTransition(30000, 0, 0, 0, 0, 0);
    }
    return Flow::Yield;
  }
  if (cmd == "GI") {
    a.Ints("%d");
    if (LoadStageBgFile(a.ints[0], 1) != 0) s.rememberedStage = a.ints[0];
    return Flow::Continue;
  }
  if (cmd == "GF") {
    CaptureStoryStage();
    StartTransition(30010, 0, 0, 0, 0, 0);
    if (s.rememberedStage >= 0) MakeMatchStage(s.rememberedStage);
    return Flow::Yield;
  }
  if (c0 == 'G') return Flow::Continue;  // other G lines are passed over
  if (cmd == "LB" || cmd == "LF") {
    std::string name = a.Word(cmd == "LF" ? 2 : 0);
    FreeTex(g_StoryTex.picture);
    if (!name.empty() && battle_text::StaysInGameFolder(name)) {
      if (const size_t dot = name.find_last_of('.');
          dot != std::string::npos && name.find_last_of("\\/") + 1 <= dot)
        name.resize(dot);
      g_StoryTex.picture = LoadTexture(name.c_str());
    } else if (!name.empty()) {
      LogScriptLine(lineStart, "picture name outside the game folder refused");
    }
    return cmd == "LB" ? Flow::Yield : Flow::Continue;
  }
  if (cmd == "XH") {
    a.Ints("%d %d");
    LoadEndingPicture(a.ints[0]);
    StartTransition(30000, 0, 10, 0, 0, 0);
    return Flow::Yield;
  }
  if (cmd == "CS") {
    a.Ints("%d %d");
    if (a.ints[0] >= 0 && a.ints[0] < kStoryPictureRecords) s.pictureVisible[a.ints[0]] = a.ints[1] != 0;
    return Flow::Yield;
  }
  if (cmd == "EF") {
    a.Ints("%d %d %d %d %d %d");
    StartTransition(a.ints[0], a.ints[1], a.ints[2], a.ints[3], a.ints[4], a.ints[5]);
    return Flow::Yield;
  }
  if (cmd == "XY") {
    a.Ints("%d %d");
    StartTransition(1, a.ints[0], a.ints[1], 0, 0, 0);
    return Flow::Yield;
  }
  if (cmd == "XC") {
    s.drawingOn ^= 1;
    return Flow::Yield;
  }
  // Battle characters, camera and quakes.
  if (cmd == "AC") {
    a.Ints("%d %d %d");
    BattleObject& o = g_PlayerRecords[FindPlayerByCharacter(a.ints[0])].obj;
    if (a.ints[2] == 0) {
      o.pendingPattern = static_cast<int16_t>(a.ints[1]);
    } else {
      o.pattern = a.ints[1];
      o.frame = 0;
      o.pendingPattern = 0;
      ResetActionState(o);
      SetPattern(o);
    }
    return Flow::Continue;
  }
  if (cmd == "XA") {
    a.Ints("%d %d");
    const int side = a.ints[0] == 0 ? (g_MainSide & 1) : (g_MainSide & 1) ^ 1;
    ChangePattern(g_PlayerRecords[side].obj, a.ints[1], 1, 1000);
    return Flow::Yield;
  }
  if (cmd == "CO") {
    a.Ints("%d %d %d");
    BattleObject& o = g_PlayerRecords[FindPlayerByCharacter(a.ints[0])].obj;
    const int64_t dx = (g_MainSide & 1) ? -int64_t{a.ints[1]} : a.ints[1];
    o.posX = static_cast<int32_t>(static_cast<uint32_t>(o.posX) + static_cast<uint32_t>(dx * 128));
    o.posY =
        static_cast<int32_t>(static_cast<uint32_t>(o.posY) + static_cast<uint32_t>(int64_t{a.ints[2]} * 128));
    return Flow::Continue;
  }
  if (cmd == "CD") {
    a.Ints("%d %d");
    const int n = a.ints[0] >= 50 ? a.ints[0] - 50 : a.ints[0];
    g_StoryCharacterVisible[FindPlayerByCharacter(n)] = a.ints[1] != 0;
    if (n == 6) g_StoryParticleFlag = a.ints[1];
    return Flow::Continue;
  }
  if (cmd == "BD") {
    a.Ints("%d");
    g_DrawCharactersOn = a.ints[0];
    BattleSeamSetDrawCharactersOn(a.ints[0]);
    return Flow::Continue;
  }
  if (cmd == "CM") {
    a.Ints("%d");
    StartStoryPan(a.ints[0]);
    return Flow::Continue;
  }
  if (cmd == "CZ") {
    a.Ints("%d");
    StartStoryZoom(a.ints[0]);
    return Flow::Continue;
  }
  if (cmd == "YS") {
    a.Ints("%d %d");
    s.quakeFrames = 30, s.quakeAmplitude = a.ints[0], s.quakeCounter = 0;
    return Flow::Continue;
  }
  if (cmd == "QS") {
    a.Ints("%d");
    s.swayOn = 1, s.swayDying = 0, s.swayAmplitude = a.ints[0], s.swayCounter = 0;
    return Flow::Continue;
  }
  if (cmd == "QE") {
    s.swayDying = 1;
    return Flow::Continue;
  }
  if (cmd == "TS") {
    // The story scene raises no battle fade-in: there it goes on at once.
    if (g_SceneId == SCENE_BATTLE && ScreenBreakProgress() < 1.0f) return Flow::Wait;
    return Flow::Continue;
  }
  // Sound.
  if (cmd == "BP") {
    PlayMusic(StoryMusicNumber(a.Word()));
    return Flow::Continue;
  }
  if (cmd == "BS") {
    a.Ints("%d");
    if (a.ints[0] == 0) {
      StopBgm();
      return Flow::Continue;
    }
    StartTransition(60000, 0, 0, 0, 0, 0);
    return Flow::Yield;
  }
  if (cmd == "SE") {
    const std::string name = a.Word();
    if (s.voiceMuted || name.empty()) return Flow::Continue;
    if (!battle_text::StaysInGameFolder(name)) {
      LogScriptLine(lineStart, "voice name outside the game folder refused");
      return Flow::Continue;
    }
    PlayVoiceStream((".\\se\\story_se\\" + name).c_str());
    s.voiceClip = 1;
    return Flow::Continue;
  }
  // Flow.
  if (cmd == "ED") return RunEd(result);
  if (cmd == "BT") {
    result = kStoryFinished;
    return Flow::Wait;
  }
  if (cmd == "BC") {
    if (g_SceneId != SCENE_STORY || s.staffRollMode) return Flow::Yield;
    ChangeScene(SCENE_NEXT_STAGE);
    EndStoryScript();
    vt::platform::GetClock().SleepMs(50);
    result = kStoryFinished;
    return Flow::Yield;
  }
  if (cmd == "XR") {
    if (!s.staffRollMode) {
      float speed = 0.0f;
      std::sscanf(a.s.c_str(), "%f", &speed);
      s.staffRollMode = 1;
      StaffRollReset();
      StaffRollLoad();
      if (speed > 0.0f) GetStaffRoll().speed = speed;
    }
    return Flow::Yield;
  }
  if (cmd != "FL") LogScriptLine(lineStart, "unknown command passed over");
  return Flow::Continue;
}

void RunCommands(int& result, const StoryInput& in) {
  StoryScriptState& s = g_Story;
  while (s.loaded) {
    size_t at = s.cursor;
    if (!SeekCommand(at)) {
      // The end of the text acts as ED.
      s.cursor = at;
      RunEd(result);
      return;
    }
    s.cursor = at;
    const Line line = LineAt(s.text, at);
    const size_t len = line.end - line.start;
    std::string cmd = s.text.substr(line.start, std::min<size_t>(len, 2));
    if (cmd.size() < 2) cmd.resize(2, ' ');
    Args a;
    if (len > 3) a.s = s.text.substr(line.start + 3, std::min<size_t>(len - 3, 1024));
    size_t next = line.next;
    const Flow f = Execute(cmd, a, line.start, line.next, next, result, in);
    if (!s.loaded) return;  // BC ended the script
    if (f == Flow::Wait) return;
    s.cursor = next;
    if (f == Flow::Yield) return;
  }
}

void RevealAndAdvance(const StoryInput& in) {
  StoryScriptState& s = g_Story;
  for (int n = 0; n < kStoryWindows; ++n) {
    StoryWindow& w = s.windows[n];
    if (in.active && s.frameCounter % 3 == 0) w.revealed = std::min(w.revealed + 1, w.length);
    if (s.awaited < 0 || s.awaited % 100 != n) continue;
    const bool hurried = s.awaited < 100 && in.fastForward;
    if (w.revealed < w.length) {
      if (in.advance || hurried) w.revealed = w.length;
      continue;
    }
    if (!VoiceClipPlaying()) {
      if (++w.idle > 120) {
        CloseWindow(w);
        continue;
      }
    }
    if (IsVoiceStreamBusy()) continue;
    if (in.advance || hurried) CloseWindow(w);
  }
}

void StaffRollStep(int& result, const StoryInput& in) {
  StoryScriptState& s = g_Story;
  StaffRollState& roll = GetStaffRoll();
  int32_t word = 0;
  if (roll.ending) {
    word = in.advance ? 1 : 0;
  } else if (in.skip) {
    word = 1;
    s.voiceMuted = 1;
    StopVoicePlayback();
    ApplyStoryScriptBackground();
    s.speaker = -1;
  } else if (in.fastForward && s.staffRollEndState != 0) {
    word = static_cast<int32_t>(0x80000000u);
  }
  roll.input = word;
  StaffRollUpdate();
  StaffRollDraw();
  if (roll.finished) result = kStoryFinished;
}

}  // namespace

StoryScriptState& GetStoryState() { return g_Story; }
StoryTextures& GetStoryTextures() { return g_StoryTex; }

std::vector<uint16_t> StripStoryText(std::string_view block) {
  std::vector<uint16_t> out;
  bool reading = false;
  for (size_t i = 0; i < block.size();) {
    const uint8_t c = static_cast<uint8_t>(block[i]);
    if (c == '\\' || c == 0) break;
    if (IsLeadByte(c)) {
      if (i + 1 >= block.size() || block[i + 1] == '\0') break;  // a final lead byte ends the text
      if (!reading) out.push_back(static_cast<uint16_t>(c << 8 | static_cast<uint8_t>(block[i + 1])));
      i += 2;
      continue;
    }
    ++i;
    if (c == '<') {
      reading = true;
    } else if (c == '>') {
      reading = false;
    } else if (c == '\n') {
      if (!reading) out.push_back(kStoryLineBreak);
    } else if (c != '\r' && !reading) {
      out.push_back(c);
    }
  }
  return out;
}

int StoryMusicNumber(std::string_view arg) {
  if (arg.empty()) return 0;
  int number = 0;
  size_t i = 0;
  bool negative = false;
  if (arg[0] == '-') negative = true, ++i;
  const size_t digits = i;
  while (i < arg.size() && arg[i] >= '0' && arg[i] <= '9' && number < 100000)
    number = number * 10 + (arg[i++] - '0');
  if (negative) number = -number;
  if (i == digits) return 0;
  if (i == arg.size()) return number;
  const char letter = arg[i];
  if (letter < 'a' || letter > 'z') return 0;  // letters outside a..z name no music
  return 100 + 10 * (number % 10) + (letter - 'a');
}

int MirrorStoryWindow(int n) {
  if ((g_MainSide & 1) == 1 && !g_Story.mirrorOff && n >= 0) return n ^ 1;
  return n;
}

int FindPlayerByCharacter(int n) {
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    const PlayerRecord& r = g_PlayerRecords[slot];
    if (!r.inUse) continue;
    int number = r.obj.charaIndex;
    if (const CharaListEntry* e = GetCharaListEntry(number)) {
      const int alt = slot < 2 ? e->CharaNum1 : e->CharaNum2;
      if (alt != -1) number = alt;
    }
    if (number == n) return slot;
  }
  return 0;
}

void StopVoicePlayback() {
  if (g_SeSlots[kVoiceSlot]) g_SeSlots[kVoiceSlot]->Stop();
  FreeSoundSlot(kVoiceSlot);
  g_VoiceState = 0;
  g_Story.voiceClip = 0;
}

void ResetStoryScriptState() {
  StoryScriptState& s = g_Story;
  g_StoryCameraY = 0;
  s.panLength = 0, s.panAngle = 0.0f;
  s.zoomLength = 0, s.zoomRemaining = 0.0f;
  // A special stage keeps its own fixed zoom: the override goes back to what it was before the
  // script's CZ, and is left alone when no CZ ran.
  if (s.zoomRan) {
    g_FixedZoomOn = s.savedFixedZoomOn;
    g_FixedZoom = s.savedFixedZoom;
    s.zoomRan = 0;
  }
  g_StorySwayOn = 0;
  g_BattleState[0] = g_BattleState[1] = 0;
  s.quakeFrames = s.quakeAmplitude = s.quakeCounter = 0;
  s.swayOn = s.swayDying = s.swayAmplitude = s.swayCounter = 0;
  s.swayAngle = 0.0f;
  for (uint8_t& v : g_StoryCharacterVisible) v = 1;
  g_StoryParticleFlag = 1;
  g_DrawCharactersOn = 1;
}

void InitStoryScript() {
  StoryScriptState& s = g_Story;
  FreeStoryTextures(false);
  ResetStoryScriptState();
  std::string text = std::move(s.text);
  const bool loaded = s.loaded;
  const size_t cursor = s.cursor;
  s = StoryScriptState{};
  s.text = std::move(text);
  s.loaded = loaded;
  s.cursor = cursor;
  for (StoryFaceAnimation& a : s.faceAnims) a.loaded = 1;
  for (int n = 0; n < 4; ++n) s.windows[n].x = 64, s.windows[n].y = 54;
  s.windows[4].x = 64, s.windows[4].y = 346;
  ResetStoryCamera();
  if (g_StoryTex.band == nullptr) g_StoryTex.band = LoadTexture(".\\story\\window\\st_win00");
  if (g_StoryTex.window == nullptr) g_StoryTex.window = LoadTexture(".\\story\\window\\window01");
  SetStoryTextFont(BattleSeamSelectLanguage() == 1 ? 3 : 0);
}

int LoadStoryScriptText(std::string_view text) {
  EndStoryScript();
  g_Story.text.assign(text.data(), text.size());
  g_Story.loaded = true;
  g_Story.cursor = 0;
  InitStoryScript();
  return 1;
}

int LoadStoryScript(const std::string& path) {
  EndStoryScript();
  DataBuffer data = LoadDataFileEx3(path);
  if (!data) {
    DebugPrint("%s: story script not found\n", path.c_str());
    return 0;
  }
  std::string_view text = data.text();
  text = text.substr(0, text.find('\0'));  // the script is one NUL-terminated text
  return LoadStoryScriptText(text);
}

void EndStoryScript() {
  StoryScriptState& s = g_Story;
  if (s.staffRollMode) StaffRollRelease();
  s.staffRollMode = 0;
  ResetStoryScriptState();
  StopVoicePlayback();
  FreeStoryTextures(true);
  s.text.clear();
  s.text.shrink_to_fit();
  s.loaded = false;
  s.cursor = 0;
  s.awaited = -1;
}

int RunStoryScript(StoryInput& in) {
  StoryScriptState& s = g_Story;
  int result = kStoryRunning;
  if (in.skip && !in.ending && s.skipFade == 0) s.skipFade = 1;
  if (s.skipFade != 0) {
    in.skip = 1;
    if (s.skipFade == 1) {
      s.skipAlpha = 0.0f;
      StopVoicePlayback();
      s.skipFade = 10;
    } else if (s.skipAlpha >= 1.0f) {
      result = kStorySkipped;
    } else {
      s.skipAlpha = std::min(s.skipAlpha + 1.0f / 16.0f, 1.0f);
    }
  } else if (in.active) {
    ++s.frameCounter;
  }
  s.fastForward = in.fastForward;
  if (s.loaded && s.awaited < 0 && s.transTimer == 0 && in.active) {
    if (s.waitCounter > 0) {
      --s.waitCounter;
    } else {
      int commandResult = result;
      RunCommands(commandResult, in);
      if (result == kStoryRunning) result = commandResult;
    }
  }
  if (s.staffRollMode) StaffRollStep(result, in);
  RevealAndAdvance(in);
  DrawStoryScene();
  return result;
}

void ApplyStoryScriptBackground() {
  StoryScriptState& s = g_Story;
  if (!s.loaded) return;
  size_t at = s.cursor;
  const std::string& t = s.text;
  while (true) {
    if (!SeekCommand(at)) break;
    const Line line = LineAt(t, at);
    const std::string cmd = t.substr(line.start, std::min<size_t>(line.end - line.start, 2));
    int n = 0, b = 0;
    const std::string args =
        line.end - line.start > 3 ? t.substr(line.start + 3, line.end - line.start - 3) : "";
    std::sscanf(args.c_str(), "%d %d", &n, &b);
    at = line.next;
    if (cmd == "GB") {
      if (LoadStageBgFile(n, 0) != 0) MakeMatchStage(n);
      break;
    }
    if (cmd == "GI") {
      if (LoadStageBgFile(n, 1) != 0) s.rememberedStage = n;
    } else if (cmd == "GF") {
      if (s.rememberedStage > 0) MakeMatchStage(s.rememberedStage);
    } else if (cmd == "XH") {
      LoadEndingPicture(n);
    } else if (cmd == "ED") {
      if (s.staffRollEndState == 0) StartTransition(50001, 0, s.transParam[1], 0, 0, 0);
      s.speaker = -1;
      break;
    }
  }
  s.cursor = std::min(at, t.size());
  s.staffRollEndState = s.staffRollEndState == 0 ? 1 : s.staffRollEndState;
}
