// The story script interpreter: the script text and its cursor, the per-frame input record, the
// windows, faces and pictures it stages, its command set and frame loop, the stage commands a
// skipped script still applies, and the staging words it changes in the battle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TextureHandle;

// What a caller hands the interpreter each frame.
struct StoryInput {
  int32_t ending = 0;       // an ending script runs: skipping is refused
  int32_t active = 0;       // the script may advance this frame
  int32_t advance = 0;      // a text-advancing button was pressed
  int32_t fastForward = 0;  // the fast-forward button is held
  int32_t skip = 0;         // the skip button was pressed
};

// RunStoryScript's results.
inline constexpr int kStoryRunning = 1;
inline constexpr int kStoryFinished = 254;  // BT, BC, or the staff roll ended
inline constexpr int kStoryEndReached = 255;
inline constexpr int kStorySkipped = 256;

// The kind of script the story scene runs.
enum StoryKind : int32_t { STORY_NONE = 0, STORY_ENDING = 1, STORY_STAGE = 10, STORY_OPENING = 255 };
// Kept out of the battle state block on purpose: no battle code reads it, and a replay must never
// compare a word that an earlier arcade run left behind.
extern int32_t g_StoryKind;

inline constexpr int kStoryWindows = 10;
inline constexpr int kStoryFaceSlots = 5;
inline constexpr int kStoryPictureRecords = 4;

inline constexpr uint16_t kStoryLineBreak = 0x0D0A;
inline constexpr uint16_t kStorySymbolUnit = 0x81DD;

struct StoryWindow {
  int32_t visible = 0;
  int32_t x = 0, y = 0;
  int32_t revealed = 0;
  int32_t idle = 0;
  int32_t length = 0;
  int32_t faceSlot = 0;
  int32_t faceBottomFade = 0;
  int32_t faceArmed = 0;
  int32_t style = 0;
  int32_t scale = 0;
  // Stripped text, one entry a unit: a two-byte character (lead << 8 | trail), a single byte, or
  // kStoryLineBreak for a CR LF pair.
  std::vector<uint16_t> text;
};

struct StoryFaceRecord {
  int32_t flags = 0;  // bit 0 face picture, bit 1 name plate
  int32_t face = 0;
  int32_t expression = 0;
};

struct StoryFaceAnimation {
  int32_t loaded = 0, active = 0, face = 0, expression = 0, stop = 0, switchCount = 0, delay = 0, period = 0,
          counter = 0;
};

struct StoryScriptState {
  std::string text;  // the script, empty when none is loaded
  bool loaded = false;
  size_t cursor = 0;
  int lineNumber = 1;
  bool loggedBadLine = false;

  int32_t voiceMuted = 0, mirrorOff = 0, drawingOn = 1;
  int32_t staffRollMode = 0, staffRollEndState = 0;
  int32_t skipFade = 0;  // 0 idle, 1 requested, 10 fading
  float skipAlpha = 0.0f;
  int32_t fastForward = 0;
  int32_t awaited = -1;
  int32_t speaker = -1;
  int32_t lastWindow[2] = {};
  int32_t waitCounter = 0;
  int32_t frameCounter = 0;
  // Transition engine.
  int32_t transMode = -1, transTimer = 0, transTotal = 0;
  int32_t transParam[5] = {};
  int32_t musicFadeStart = 0;
  uint32_t overlayColour = 0;
  int32_t shakeX = 0, shakeY = 0;
  int32_t upperBand = 0, lowerBand = 0, bandShown = 0;
  int32_t voiceClip = 0;
  int32_t rememberedStage = -1, stageShown = 30000, stageVisible = 1;
  int32_t endingIndex = 30000;
  float faceSlide[kStoryFaceSlots] = {};

  StoryWindow windows[kStoryWindows];
  StoryFaceRecord faces[kStoryFaceSlots];
  int32_t pictureVisible[kStoryPictureRecords] = {};
  StoryFaceAnimation faceAnims[kStoryFaceSlots];
  int32_t laidOutWidth = 0;  // of the most recently rendered block (English wait cursor)
  int32_t windowLastWidth[kStoryWindows] = {};

  // Camera and quakes.
  int32_t panLength = 0;
  float panAngle = 0.0f;
  int32_t zoomLength = 0;
  float zoomRemaining = 0.0f;
  int32_t zoomRan = 0;
  int32_t savedFixedZoomOn = 0;
  float savedFixedZoom = 1.0f;
  int32_t quakeFrames = 0, quakeAmplitude = 0, quakeCounter = 0;
  int32_t swayOn = 0, swayDying = 0, swayAmplitude = 0, swayCounter = 0;
  float swayAngle = 0.0f;
};

StoryScriptState& GetStoryState();

// The story textures the interpreter owns.
struct StoryTextures {
  TextureHandle* text[kStoryWindows] = {};
  TextureHandle* face[kStoryFaceSlots] = {};
  TextureHandle* faceAlt[kStoryFaceSlots] = {};
  TextureHandle* name[kStoryFaceSlots] = {};
  TextureHandle* picture = nullptr;
  TextureHandle* ending[2] = {};
  TextureHandle* band = nullptr;
  TextureHandle* window = nullptr;
  TextureHandle* capture = nullptr;
  TextureHandle* fontEx[2] = {};  // the extra-glyph sheets, Japanese and English
};
StoryTextures& GetStoryTextures();

// The battle's particle switch that CD 6 writes; no battle code reads it yet, so it is only kept
// and reset to 1.
extern int32_t g_StoryParticleFlag;

int LoadStoryScript(const std::string& path);
// The same from a text already in memory (the start operations and tests).
int LoadStoryScriptText(std::string_view text);
int RunStoryScript(StoryInput& input);
void EndStoryScript();
void ApplyStoryScriptBackground();
void StopVoicePlayback();
void InitStoryScript();
void ResetStoryScriptState();
int MirrorStoryWindow(int n);
int FindPlayerByCharacter(int n);
// The music number of a BP argument ("12" -> 12, "1a" -> 110); 0 for none.
int StoryMusicNumber(std::string_view arg);
// The ending picture's file stem for XH's a (lettered), "" when a is negative.
std::string EndingPictureName(int a, bool lettered);
// The units of a message block (up to its backslash or the end of the text), readings and
// markup left out; a final lead byte ends the text.
std::vector<uint16_t> StripStoryText(std::string_view block);
