// The round, fight and knock-out calls as the battle runs them: their timing (times in seconds
// that grow by 1/60 per unpaused frame), the round call's bars that request the fight call, the
// fight call's release of the fighters and the done flags the particles and the judge wait for.
// Their drawing, textures, sounds and draw-time random numbers belong to the battle scene, which
// keeps them off the battle's streams; the particle pass calls the updates only while not paused.
#pragma once

#include <cstdint>

// The round call's body, shared with the winner call.
struct RoundCallState {
  float T;       // seconds since the call started
  int32_t done;  // set once the call has run 4 s
};
struct RoundCallBarState {
  float t;           // seconds since the round call started
  float typingTime;  // seconds of typing, from t = 0.8 on
  int32_t state;     // 0 running, 1 wipe finished (the fight call is due), 2 fight call requested
};
struct FightCallState {
  float t;
  int32_t released;  // the fighters may move (1.0 s into the call)
  int32_t done;      // the call has ended (3.0 s)
};
struct KoCallState {
  int32_t KoKind;  // 0..6, from the judge's result value (KoKindForResult)
  int32_t extra;   // 0, 1 or 2: a second logo and a later final fade
  float t;         // frame count / 60
  int32_t frameCount;
  int32_t done;
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
