// The round, fight and knock-out calls as the battle runs them: their timing (times in seconds
// that grow by 1/60 per unpaused frame), the round call's bars that request the fight call, the
// fight call's release of the fighters and the done flags the particles and the judge wait for.
// The updates also work out what the pictures are drawn from and request the calls' sounds;
// the drawing and textures belong to the battle scene. The particle pass calls the updates only
// while not paused.
#pragma once

#include <cstdint>

#include "app/random.h"

// The round call's body, shared with the winner call. Besides the times and flags the battle
// waits on (the first fields of each record), the records hold what the pictures are drawn from:
// presentation only, outside the battle's state hash.
struct RoundCallState {
  float T;       // seconds since the call started
  int32_t done;  // set once the call has run 4 s
  // The picture, following from T (and the variant) alone.
  float dim;          // how much of the black is erased (1 clear, 0.5 half dark)
  float bandCut;      // alpha of the band cut through the black
  float bandHeight;   // X1: the band the battle shows through
  float stripHeight;  // X2: the noise strip's height
  float diskAlpha;
  float diskOffset;
  float textTime;   // seconds of the title and caption
  float charCount;  // caption characters resolved (128 a second)
  float ringDelay;  // 0.5 for a round call, 0.4 for the winner call
  float ringAlpha;
  float ringTime;
  float flareAlpha;
  float flareSize;
  float streakHeight;
  float streakWidth;
  float programY;          // the scrolling program's top
  float flicker;           // the strip's flicker, 0..1
  int32_t soundPlayed[2];  // the announcement and the round number
};
struct RoundCallBarState {
  float t;           // seconds since the round call started
  float typingTime;  // seconds of typing, from t = 0.8 on
  int32_t state;     // 0 running, 1 wipe finished (the fight call is due), 2 fight call requested
  int32_t typed;     // letters typed, 0..12
  int32_t frame;     // the typed line's animation frame, 0..3
  float frameWait;   // how long frame 3 lasts this time
  float frameTime;   // seconds in the present frame
  int32_t blink;     // the cursor shows (1) or not
};
struct FightCallState {
  float t;
  int32_t released;  // the fighters may move (1.0 s into the call)
  int32_t done;      // the call has ended (3.0 s)
  int32_t frameCount;
  float noiseAlpha;
  float flashAlpha;
  float holdEnd;
  float bandCut;  // alpha erased from the strip's black: 0.5 held, then 1
  float glyphAlpha;
  float glyphSpread;
  int32_t glyphRow;  // 0 or 1
  int32_t soundPlayed;
};
struct KoCallState {
  int32_t KoKind;  // 0..6, from the judge's result value (KoKindForResult)
  int32_t extra;   // 0, 1 or 2: a second logo and a later final fade
  float t;         // frame count / 60
  int32_t frameCount;
  int32_t done;
  int32_t sequence;    // the effect sequence, 0 or 1
  int32_t shownFrame;  // the effect frame shown, -1 none
  float alpha;
  float e, f, g, h, l;  // the fades (see UpdateKoCall)
  int32_t soundPlayed[2];
};

extern RoundCallState g_RoundCall;
extern RoundCallBarState g_RoundCallBars;
extern FightCallState g_FightCall;
extern KoCallState g_KoCall;
extern int32_t g_RoundCallRound;  // round shown, 0..9 (0 the final round), -1 for the winner call
extern int32_t g_RoundCallWins;
extern int32_t g_RoundCallFirst;
// 0 when a round call or a winner call starts, 1 once the call has run 4 s.
extern int32_t g_RoundCallDone;
// The frames loaded of each knock-out effect sequence (the scene's loader writes them): the
// sequence shows while its frame number is below this.
extern int32_t g_KoEffectFrames[2];

// The numbers the calls' pictures take (the caption's scrambled digits, the noise's offset, the
// typed line's pauses): a stream of their own, seeded again at each round start, so that what is
// drawn, paused or not, never moves the battle's streams.
extern RandStream g_CallRandom;
constexpr int32_t kCallRandomSeed = 1001;
int32_t CallRandom();

// Every call back to nothing, done flags and the done word included: each round starts with it
// (with the battle counters), so no call state of an earlier round or match is carried into the
// next. Every call is started again before its particle reads it, and the fighters are held
// until the round's own round call has reset the done word, so nothing the battle does changes.
void ResetRoundCalls();
// The round call's body back to its start (the round call and the winner call start with it).
void ResetRoundCallBody();
void StartRoundCall();
void UpdateRoundCall();
void UpdateRoundCallBars();
void StartFightCall();
void UpdateFightCall();
// The knock-out call's kind for the judge's result value (kind 0 for any value not listed).
int32_t KoKindForResult(int32_t resultValue);
// Starts the knock-out call with the kind and extra value stored in g_KoCall just before.
void StartKoCall();
void UpdateKoCall();
