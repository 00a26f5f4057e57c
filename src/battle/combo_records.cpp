// Combo records, round-damage records, banner queues and the HUD update.
#include "battle/combo_records.h"

#include <algorithm>

#include "battle/battle_hash_stream.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/game_mode.h"
#include "battle/hud_draw.h"
#include "battle/object_state.h"

namespace {

// Records that hold a combo only for the two fighting sides' ring positions; the index is kept
// in 0..7 whatever was stored.
ComboRecord& CurrentOf(SideStatus& s) { return s.combos[s.comboIndex & 7]; }

bool InCombo(const BattleObject& o) {
  if (o.kind != 0 || (o.poseFlags & 0x10)) return false;
  if (o.held) return true;
  return o.hitReaction != 0 && (FrameState(o).asmv == 0 || o.contactFlags != 0);
}

int32_t ScoreForDamage(int32_t d) {
  static constexpr int32_t kBands[][2] = {{100, 1},  {200, 2},   {300, 4},   {500, 8},   {700, 10},
                                          {900, 15}, {1000, 20}, {1200, 30}, {1500, 50}, {2000, 80}};
  for (const auto& b : kBands)
    if (d < b[0]) return b[1];
  return 100;
}

void AnimateCounter(int side, int index) {
  SideStatus& s = g_SideStatus[side];
  ComboRecord& r = s.combos[index];
  const int32_t start = side == 0 ? -276 : 640;
  const int32_t dir = side == 0 ? 1 : -1;
  switch (r.animState) {
    case 0:
      if ((s.comboShown & 7) == index && r.hits > 1) {
        r.x = start;
        r.y = 108;
        r.alpha = 255;
        r.visible = 1;
        r.animState = 10;
        r.animTimer = 0;
      }
      break;
    case 10:
      ++r.animTimer;
      r.x = start + r.animTimer * 276 / 12 * dir;
      if (r.animTimer >= 12) {
        r.animState = 100;
        r.animTimer = 0;
        r.x = start + 276 * dir;
      }
      break;
    case 100:
      ++r.animTimer;
      if (r.ended) {
        r.animState = 110;
        r.animTimer = 0;
      }
      break;
    case 110:
      ++r.animTimer;
      if (r.animTimer >= (r.hits < 2 ? 120 : 30)) {
        r.animState = 255;
        r.animTimer = 0;
        // The counter that faded out hands the display to the next record.
        if (index != (s.comboIndex & 7)) s.comboShown = static_cast<uint8_t>((index + 1) & 7);
      }
      break;
    case 255:
      ++r.animTimer;
      r.alpha -= 16;
      r.y += r.animTimer / 4;
      if (r.alpha <= 0) {
        r.alpha = 0;
        r.visible = 0;
        r.animState = -1;
        r.animTimer = 0;
      }
      break;
    default:
      break;
  }
}

void AnimateBanner(int side, int j) {
  HudBanner& b = g_HudBlocks[side].banners[j];
  if (b.state == 0) return;
  b.frames = Wrap<int16_t>(b.frames + 1);
  if (b.shift > 0) --b.shift;
  b.y = static_cast<int16_t>(b.shift * 3 - j * 24 + 392);
  const int16_t start = side == 0 ? -160 : 640;
  switch (b.state) {
    case 1:
      b.alpha = 255;
      b.x = start;
      b.state = 2;
      b.frames = 0;
      break;
    case 2:
      b.x = static_cast<int16_t>(start + (side == 0 ? 20 : -20) * b.frames);
      if (b.frames >= 7) {
        b.state = 10;
        b.frames = 0;
      }
      break;
    case 10:
      if (b.frames >= 60) {
        b.state = 50;
        b.frames = 0;
      }
      break;
    case 50:
      b.alpha -= 16;
      if (b.alpha <= 0) b = HudBanner{};
      break;
    default:
      break;
  }
}

void StepIndicator(HudBlock& h) {
  if (h.indicatorTimer <= 0) return;
  --h.indicatorTimer;
  h.indicatorPhase = WrapAdd(h.indicatorPhase, 1);
  if (h.indicatorPhase >= 16 || h.indicatorTimer == 0) h.indicatorMode = 0;
}

void TrackCharacter(BattleObject& o) {
  const int side = SideIndexOrNone(o.side);
  if (side < 0) return;
  SideStatus& s = g_SideStatus[side];
  s.statIndex &= 1;
  s.statShown &= 1;
  // 1. The current record's hits into the current round-damage record, and the maxima.
  ComboRecord& r = CurrentOf(s);
  RoundDamageRecord& stat = s.statRecords[s.statIndex];
  stat.hits = r.hits;
  if (!r.ended) stat.comboHits = r.hits;
  s.bestCombo = std::max<int32_t>(s.bestCombo, r.hits);
  s.bestComboDamage = std::max(s.bestComboDamage, r.damage);
  s.bestStats[0] = std::max(s.bestStats[0], stat.hits);
  s.bestStats[1] = std::max(s.bestStats[1], stat.damage);
  // 2. The combo ends once the other side is out of combo; the ring may only advance onto a
  // record that the counter display has let go of. A record holding a single hit is never
  // ended: a later lone hit joins it as its second hit (kept on purpose; nothing else in the
  // round resets the record).
  bool ended = false;
  if (IsOtherSideOutOfCombo(side)) {
    const uint8_t next = static_cast<uint8_t>(((s.comboIndex & 7) + 1) & 7);
    if (r.hits > 1 && next != (s.comboShown & 7)) {
      r.ended = 1;
      s.comboIndex = next;
      CurrentOf(s) = ComboRecord{};
      CloseRouteAchievementCounters(o);
      ended = true;
    }
  }
  // 3. A character being combo'd keeps its side's indicator up.
  if ((o.hitReaction != 0 || o.held) && !o.guarding && o.downState <= 2 && g_JudgeState == 0)
    g_HudBlocks[side].indicatorTimer = 20;
  // 4. The round-damage display follows the record that holds something; the one it leaves is
  // cleared for the next combo, which starts in it once this one ended.
  RoundDamageRecord& cur = s.statRecords[s.statIndex];
  const bool holds = cur.hits != 0 || cur.comboHits != 0 || cur.damage != 0 || cur.rawDamage != 0 ||
                     cur.redDamage != 0 || cur.meterGained != 0;
  if (holds && s.statShown != s.statIndex) {
    s.statRecords[s.statShown] = RoundDamageRecord{};
    s.statShown = s.statIndex;
  }
  if (ended) s.statIndex ^= 1;
  // 5. Achievements of a local side.
  if (side < 2 && BattleSeamIsLocalSide(side)) {
    const ComboRecord& now = CurrentOf(s);
    if (now.hits > 99) BattleSeamQueueAchievement(18);
    if (now.damage > 6999 && BattleSeamRouteCharacter(side) == 30) BattleSeamQueueAchievement(40);
  }
}

// Little-endian field-by-field stream for the hash.
void PutCombo(HashStream& w, const ComboRecord& r) {
  w.Put(r.hits);
  w.Put(r.damage);
  w.Put(r.recovery);
  w.Put(r.ended);
  w.Put(r.proration);
  w.Put(r.meterPercent);
  w.Put(r.visible);
  w.Put(r.framesSinceHit);
  w.Put(r.framesSinceDamage);
  w.Put(r.animState);
  w.Put(r.animTimer);
  w.Put(r.x);
  w.Put(r.y);
  w.Put(r.alpha);
}

}  // namespace

ComboRecord* CurrentComboRecord(const BattleObject& o) {
  const int side = SideIndexOrNone(o.side);
  return side < 0 ? nullptr : &CurrentOf(g_SideStatus[side]);
}

RoundDamageRecord* CurrentRoundDamage(int side) {
  side = SideIndexOrNone(side);
  return side < 0 ? nullptr : &g_SideStatus[side].statRecords[g_SideStatus[side].statIndex & 1];
}

void UpdateProration(BattleObject& o, int value, int kind) {
  const int side = SideIndexOrNone(o.side);
  if (side < 0) return;
  SideStatus& s = g_SideStatus[side];
  ComboRecord& r = CurrentOf(s);
  const int64_t p = r.proration;
  const int64_t base = p != 0 ? p : 100;
  int64_t q;
  switch (kind) {
    case 0:
      q = value < p || p == 0 ? value : p;
      break;
    case 1:
      // Toward zero, as the integer division of the percent does.
      q = int64_t{value} * base / 100;
      break;
    case 2:
      q = base - value;
      break;
    default:
      // A kind from data outside 0..2 leaves the percent alone (making it "at least 1" would cut
      // a fresh combo's damage to 1 %).
      return;
  }
  // At least 1; at most what the int16 percent holds (values come from data).
  r.proration = static_cast<int16_t>(std::clamp<int64_t>(q, 1, INT16_MAX));
  s.prorationShown = r.proration;
}

void OnComboHit(BattleObject& defender, BattleObject& attacker, const Han6AttackData* attack) {
  const int side = SideIndexOrNone(attacker.side);
  if (side < 0) return;
  SideStatus& s = g_SideStatus[side];
  const int32_t atf1 = attack ? attack->atf1 : 0;
  if (attack && !(atf1 & 0x4) && attack->aths != 0) UpdateProration(attacker, attack->aths, attack->atht);
  ComboRecord& r = CurrentOf(s);
  if (!(atf1 & 0x20)) {
    // Hits under armour count toward the round but not toward the combo. (The per-character
    // achievement counters of this step belong to the achievement work.)
    if (defender.armorFrames == 0) {
      r.hits = Wrap<int16_t>(int32_t{r.hits} + 1);
      r.framesSinceHit = 0;
    }
    s.hitsCounted = WrapAdd(s.hitsCounted, 1);
  }
  if (!r.recovery && defender.recoveryDone && r.hits != 1) r.recovery = 1;
  s.prorationShown = r.proration;
}

void AddComboDamage(int attackerSide, int32_t damage, int32_t raw, int32_t red) {
  const int side = SideIndexOrNone(attackerSide);
  if (side < 0) return;
  SideStatus& s = g_SideStatus[side];
  ComboRecord& r = CurrentOf(s);
  r.damage = WrapAdd(r.damage, damage);
  if (damage != 0) r.framesSinceDamage = 0;
  RoundDamageRecord& stat = s.statRecords[s.statIndex & 1];
  stat.damage = WrapAdd(stat.damage, damage);
  stat.rawDamage = WrapAdd(stat.rawDamage, raw);
  stat.redDamage = WrapAdd(stat.redDamage, red);
}

void SetComboMeterPercent(int side, int percent) {
  const int i = SideIndexOrNone(side);
  if (i >= 0) CurrentOf(g_SideStatus[i]).meterPercent = static_cast<int16_t>(percent);
}

void CountThrowDamage(BattleObject& victim, BattleObject& thrower, int32_t damage) {
  OnComboHit(victim, thrower, nullptr);
  AddComboDamage(thrower.side, damage, damage, 0);
}

void NoteComboThrow(BattleObject& thrower, BattleObject& target) { OnComboHit(target, thrower, nullptr); }

void AddRoundMeterGained(int side, int32_t amount) {
  RoundDamageRecord* stat = CurrentRoundDamage(side);
  if (stat) stat->meterGained = WrapAdd(stat->meterGained, amount);
}

int ComboScoreOnHit(BattleObject& attacker, int32_t damage) {
  const int side = SideIndexOrNone(attacker.side);
  if (side < 0 || attacker.controller == 1) return 0;
  if (g_GameModeFlags == MODE_VS_PLAYER || g_GameModeFlags == MODE_VS_CPU ||
      g_GameModeFlags == MODE_CPU_VS_CPU || g_GameModeFlags == MODE_TRAINING)
    return 0;
  if (g_FinalRound == 255 || g_JudgeState != 0) return 0;
  const int32_t score = ScoreForDamage(damage);
  g_SideStatus[side].score = WrapAdd(g_SideStatus[side].score, score);
  return score;
}

int IsSideOutOfCombo(int side) {
  if (IsSlowMotionSkipFrame()) return 0;
  for (const PlayerRecord& p : g_PlayerRecords)
    if (p.inUse && p.obj.side == side && InCombo(p.obj)) return 0;
  return 1;
}

int IsOtherSideOutOfCombo(int side) { return IsSideOutOfCombo(side == 0 ? 1 : 0); }

void ComboTracker() {
  for (PlayerRecord& p : g_PlayerRecords)
    if (p.inUse) TrackCharacter(p.obj);
}

void PushBanner(int side, int kind) {
  side = SideIndexOrNone(side);
  if (side < 0) return;
  HudBanner* b = g_HudBlocks[side].banners;
  for (int j = kHudBanners - 1; j > 0; --j) {
    b[j] = b[j - 1];
    b[j].shift = 8;
  }
  b[0] = HudBanner{};
  b[0].kind = static_cast<uint8_t>(kind);
  b[0].state = 1;
}

void PushBanner10(int side) { PushBanner(side, 10); }

void ResetHudBanners() {
  for (HudBlock& h : g_HudBlocks) h = HudBlock{};
  g_SideStatus[0].counterBanner = g_SideStatus[1].counterBanner = 0;
}

bool BannerRect(int kind, int32_t out[4]) {
  if (kind < 0 || kind >= kBannerKinds) return false;
  const HudRect& r = kBannerRects[kind];
  out[0] = r.u;
  out[1] = r.v;
  out[2] = r.w;
  out[3] = r.h;
  return true;
}

void TellGuardDisplay(int side, int32_t state) {
  side = SideIndexOrNone(side);
  if (side < 0) return;
  HudBlock& h = g_HudBlocks[side];
  h.indicatorMode = state;
  h.indicatorPhase = 0;
  // The ring of modes 1 and 2 grows over 16 phase frames, which count only while the timer runs.
  if ((state == 1 || state == 2) && h.indicatorTimer < 16) h.indicatorTimer = 16;
}

void UpdateDrawHud() {
  ComboTracker();
  if (!g_Paused) {
    for (int side = 0; side < 2; ++side)
      for (int i = 0; i < kComboRecords; ++i) AnimateCounter(side, i);
    for (int side = 0; side < 2; ++side)
      if (g_SideStatus[side].counterBanner > 0) --g_SideStatus[side].counterBanner;
    for (int side = 0; side < 2; ++side)
      for (int j = 0; j < kHudBanners; ++j) AnimateBanner(side, j);
  }
  for (HudBlock& h : g_HudBlocks) StepIndicator(h);
  // The drawing half shows what the steps above left; it queues nothing headless.
  DrawHud();
}

void ResetComboRoundWords() {
  for (SideStatus& s : g_SideStatus) {
    s.prorationShown = 0;
    s.hitsCounted = 0;
    s.bestCombo = 0;
    s.bestComboDamage = 0;
    s.bestStats[0] = s.bestStats[1] = 0;
    s.statIndex = s.statShown = 0;
    s.statRecords[0] = s.statRecords[1] = RoundDamageRecord{};
    s.comboShown = s.comboIndex = 0;
    for (ComboRecord& r : s.combos) r = ComboRecord{};
  }
  ResetHudBanners();
}

uint64_t HashComboAndHudState() {
  HashStream w;
  for (const SideStatus& s : g_SideStatus) {
    w.Put(s.bestStats);
    w.Put(s.statIndex);
    w.Put(s.statShown);
    for (const RoundDamageRecord& r : s.statRecords) {
      w.Put(r.hits);
      w.Put(r.comboHits);
      w.Put(r.damage);
      w.Put(r.rawDamage);
      w.Put(r.redDamage);
      w.Put(r.meterGained);
    }
    w.Put(s.comboShown);
    w.Put(s.comboIndex);
    for (const ComboRecord& r : s.combos) PutCombo(w, r);
  }
  for (const HudBlock& h : g_HudBlocks) {
    for (const HudBanner& b : h.banners) {
      w.Put(b.kind);
      w.Put(b.state);
      w.Put(b.frames);
      w.Put(b.x);
      w.Put(b.y);
      w.Put(b.shift);
      w.Put(b.alpha);
    }
    w.Put(h.indicatorMode);
    w.Put(h.indicatorPhase);
    w.Put(h.indicatorTimer);
  }
  w.Put(g_DamageLevel);
  w.Put(g_FinalRound);
  return w.Digest();
}
