// The battle's shared tables: the system constants and per-type rows of ".\data\_Type.txt",
// the motion and hit vectors of ".\data\vector.txt", and the finish list of ".\_FinishList.txt",
// with their accessors (every index checked; out of range reads as zero).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TypeSystem {
  float floatLimit = 0.0f;
  int32_t floatLimitHit = 0;
  float ukemiStart = 0.0f;
  int32_t ukemiMinus = 16;
  int32_t ukemiLimit = 4;
  float mcPlusHoseiStart = 0.0f;
  float mcPlusHoseiMax = 2.0f;
  int32_t mcChargeCntPlus = 30;
  int32_t mcChargePlus = 10;
  int32_t mcChargePlusMax = 999;
  int32_t values[100] = {};
};

struct TypeParams {
  int32_t sparkType = 0, magicCircuitMax = 0, circuitSpark = 0, reverseBeat = 0, isReduce = 0, isExGuard = 0,
          isExReduce = 0, shieldType = 0, exShieldStand = 0, exShieldCrouch = 0, exShieldAir = 0,
          shieldKeepTime = 0, shieldCost = 0, advancingCount = 0, advancingVec = 0;
  float attackRatioSableHeat = 0, defenceRatioSableHeat = 0, attackRatioHeat = 0, defenceRatioHeat = 0,
        attackRatioMax = 0, defenceRatioMax = 0;
  int32_t sableHeatHpPlus = 0, heatHpPlus = 0;
  float mcPlusVal = 0;
  int32_t mcGuardPlus = 0;
  float vsDamageVal = 0, damageGround = 0, damageAir = 0, damageCrouch = 0, guardGround = 0, guardAir = 0,
        guardCrouch = 0;
  int32_t gqStopVal = 0;
  float gqRecoverVal = 0, gqMaxVal = 0, ggMaxVal = 0, ggHealVal = 0, ggHealPlusVal = 0;
  int32_t ggRecoverVal = 0, ggStopVal = 0;
  float ggCorrectVal = 0;
};

struct MotionVector {
  int32_t vx = 0, vy = 0, ax = 0, ay = 0;
};

struct HitVectorStep {
  int32_t motion = 0, pattern = 0, pattern2 = 0, stun = 0, fifth = 0;
  uint32_t flags = 0;  // 0x1 wall bounce, 0x4 landing dust, 0x8 no push, 0x10 ends on landing
};

struct HitVector {
  char name[32] = {};
  int32_t count = 0;  // sub-lines stored, 0..5
  int32_t invuln = 0, level = 0, replacement = 0, fifth = 0;
  HitVectorStep steps[5];
};

inline constexpr int kMaxVectorId = 4095;

struct VectorTables {
  std::vector<MotionVector> motion;
  std::vector<HitVector> hit;
  uint8_t battleBytes[7] = {};
  int32_t pushNormal = 0, pushFinish = 0;
};

struct FinishEntry {
  bool present = false;
  int32_t number = 0;
  std::vector<int32_t> ad, la;
};

extern TypeSystem g_TypeSystem;
extern TypeParams g_TypeParams[10];
extern VectorTables g_VectorTables;
extern std::vector<FinishEntry> g_FinishList;  // 200 slots once loaded

// From text images (tests and fuzzing); `name` goes into the log lines.
void ParseTypeText(std::string_view text, std::string_view name);
void ParseVectorText(std::string_view text, std::string_view name);
void ParseFinishListText(std::string_view text);
// The text of a finish list holding `entries` (present ones only), CR LF lines; the sample
// data's writer.
std::string WriteFinishListText(const std::vector<FinishEntry>& entries);
// From the game folder.
int LoadTypeFile();
int LoadVectorTable();
void FreeVectorTable();
int LoadFinishList();
void FreeFinishList();

// The row of a type (0..9); the all-zero row for anything else.
const TypeParams& GetTypeParams(int type);
int32_t GetTypeValue(int n);
void GetMotionOfHitVector(int id, int k, MotionVector* out);
int32_t GetHitVectorPattern(int id, int k, int which);
int32_t GetHitVectorStun(int id, int k);
uint32_t GetHitVectorFlags(int id, int k);
int32_t ResolveHitVector(int current, int next);
int32_t GetFinishKind(int finish, int pattern);
