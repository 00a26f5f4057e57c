// Reading ".\data\_Type.txt", ".\data\vector.txt" and ".\_FinishList.txt".
#include "battle/battle_tables.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "Dxtools/IniFile.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_text.h"

using battle_text::IniValue;
using battle_text::ParseInt;

TypeSystem g_TypeSystem;
TypeParams g_TypeParams[10];
VectorTables g_VectorTables;
std::vector<FinishEntry> g_FinishList;

namespace {

int32_t IniInt(IniFile& ini, std::string_view section, std::string_view key, int32_t def) {
  const auto v = IniValue(ini, section, key);
  return v ? static_cast<int32_t>(ParseInt(*v)) : def;
}
float IniReal(IniFile& ini, std::string_view section, std::string_view key, float def) {
  const auto v = IniValue(ini, section, key);
  return v ? battle_text::ParseReal(*v, 0.0f) : def;
}

void ReadTypeRow(IniFile& ini, const std::string& s, TypeParams& t) {
  t.sparkType = IniInt(ini, s, "SparkType", 0);
  t.magicCircuitMax = IniInt(ini, s, "MagicCircuitMax", 30000);
  t.circuitSpark = IniInt(ini, s, "CircuitSpark", 0);
  t.reverseBeat = IniInt(ini, s, "ReverseBeat", 0);
  t.isReduce = IniInt(ini, s, "IsReduce", 0);
  t.isExGuard = IniInt(ini, s, "IsExGuard", 0);
  t.isExReduce = IniInt(ini, s, "IsExReduce", 0);
  t.shieldType = IniInt(ini, s, "ShieldType", 0);
  t.exShieldStand = IniInt(ini, s, "ExShieldTime_Stand", 0);
  t.exShieldCrouch = IniInt(ini, s, "ExShieldTime_Crouch", 0);
  t.exShieldAir = IniInt(ini, s, "ExShieldTime_Air", 0);
  t.shieldKeepTime = IniInt(ini, s, "ShieldKeepTime", 0);
  t.shieldCost = IniInt(ini, s, "ShieldCost", 0);
  t.advancingCount = IniInt(ini, s, "AdvancingCount", 0);
  t.advancingVec = IniInt(ini, s, "AdvancingVec", 0);
  t.attackRatioSableHeat = IniReal(ini, s, "AttackRatio_SableHeat", 1.0f);
  t.defenceRatioSableHeat = IniReal(ini, s, "DefenceRatio_SableHeat", 1.0f);
  t.attackRatioHeat = IniReal(ini, s, "AttackRatio_Heat", 1.0f);
  t.defenceRatioHeat = IniReal(ini, s, "DefenceRatio_Heat", 1.0f);
  t.attackRatioMax = IniReal(ini, s, "AttackRatio_Max", 1.0f);
  t.defenceRatioMax = IniReal(ini, s, "DefenceRatio_Max", 1.0f);
  t.sableHeatHpPlus = IniInt(ini, s, "SableHeat_HpPlus", 20);
  t.heatHpPlus = IniInt(ini, s, "Heat_HpPlus", 12);
  t.mcPlusVal = IniReal(ini, s, "MC_PlusVal", 1.0f);
  t.mcGuardPlus = IniInt(ini, s, "MC_GuardPlus", 1);
  t.vsDamageVal = IniReal(ini, s, "VSDamageVal", 1.0f);
  t.damageGround = IniReal(ini, s, "DamageVal_Ground", 1.0f);
  t.damageAir = IniReal(ini, s, "DamageVal_Air", 0.88f);
  t.damageCrouch = IniReal(ini, s, "DamageVal_Crouch", 1.08f);
  t.guardGround = IniReal(ini, s, "GuardVal_Ground", 1.0f);
  t.guardAir = IniReal(ini, s, "GuardVal_Air", 1.0f);
  t.guardCrouch = IniReal(ini, s, "GuardVal_Crouch", 1.0f);
  t.gqStopVal = IniInt(ini, s, "GQ_StopVal", 180);
  t.gqRecoverVal = IniReal(ini, s, "GQ_RecoverVal", 0.002f);
  t.gqMaxVal = IniReal(ini, s, "GQ_MaxVal", 2.0f);
  t.ggMaxVal = IniReal(ini, s, "GG_MaxVal", 10000.0f);
  t.ggHealVal = IniReal(ini, s, "GG_HealVal", 0.0f);
  t.ggHealPlusVal = IniReal(ini, s, "GG_HealPlusVal", 0.02f);
  t.ggRecoverVal = IniInt(ini, s, "GG_RecoverVal", 180);
  t.ggStopVal = IniInt(ini, s, "GG_StopVal", 360);
  t.ggCorrectVal = IniReal(ini, s, "GG_CorrectVal", 1.0f);
}

bool IsEnd(const battle_text::Line& l) { return l.fields[0].substr(0, 3) == "END"; }

int64_t Field(const battle_text::Line& l, size_t i) {
  return i < l.fields.size() ? ParseInt(l.fields[i]) : 0;
}

bool ValidId(int64_t id, std::string_view name, int line) {
  if (id >= 0 && id <= kMaxVectorId) return true;
  if (!name.empty())
    DebugPrint("%.*s(%d): vector id %lld is outside 0..%d; skipped\n", static_cast<int>(name.size()),
               name.data(), line, static_cast<long long>(id), kMaxVectorId);
  return false;
}

}  // namespace

void ParseTypeText(std::string_view text, std::string_view name) {
  g_TypeSystem = TypeSystem{};
  for (TypeParams& t : g_TypeParams) t = TypeParams{};
  IniFile ini;
  ini.LoadFromText(text);
  g_TypeSystem.floatLimit = IniReal(ini, "System", "FloatLimit", 0.0f);
  g_TypeSystem.floatLimitHit = IniInt(ini, "System", "FloatLimitHit", 0);
  g_TypeSystem.ukemiStart = IniReal(ini, "System", "UkemiTime_StartVal", 0.0f);
  g_TypeSystem.ukemiMinus = IniInt(ini, "System", "UkemiTime_MinusVal", 16);
  g_TypeSystem.ukemiLimit = IniInt(ini, "System", "UkemiTime_LimitVal", 4);
  g_TypeSystem.mcPlusHoseiStart = IniReal(ini, "System", "MC_PlusHoseiStart", 0.0f);
  g_TypeSystem.mcPlusHoseiMax = IniReal(ini, "System", "MC_PlusHoseiMax", 2.0f);
  g_TypeSystem.mcChargeCntPlus = IniInt(ini, "System", "MC_ChargeCntPlus", 30);
  g_TypeSystem.mcChargePlus = IniInt(ini, "System", "MC_ChargePlus", 10);
  g_TypeSystem.mcChargePlusMax = IniInt(ini, "System", "MC_ChargePlusMax", 999);
  for (int i = 0; i < 100; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "Value_%03d", i);
    g_TypeSystem.values[i] = IniInt(ini, "System", key, 0);
  }
  for (int n = 0; n < 10; ++n) {
    const std::string section = "Type_" + std::to_string(n);
    if (!ini.SelectSection(section)) {
      // The row stays all zero (readers guard their divisions); worth a line at load.
      DebugPrint("%.*s: no [%s] section; type %d has an all-zero row\n", static_cast<int>(name.size()),
                 name.data(), section.c_str(), n);
      continue;
    }
    ReadTypeRow(ini, section, g_TypeParams[n]);
  }
}

void ParseVectorText(std::string_view text, std::string_view name) {
  g_VectorTables = VectorTables{};
  const auto lines = battle_text::SplitFields(text);
  // Pass 1 finds the largest id of each of the first two sections; pass 2 fills them. Both
  // passes walk the lines alike, so a hit-vector header always skips the same sub-lines.
  for (int pass = 0; pass < 2; ++pass) {
    size_t i = 0;
    int64_t maxMotion = -1, maxHit = -1;
    for (; i < lines.size() && !IsEnd(lines[i]); ++i) {
      const int64_t id = Field(lines[i], 0);
      if (!ValidId(id, pass == 0 ? name : std::string_view{}, lines[i].number)) continue;
      if (pass == 0) {
        maxMotion = std::max(maxMotion, id);
      } else {
        MotionVector& m = g_VectorTables.motion[static_cast<size_t>(id)];
        m = {static_cast<int32_t>(Field(lines[i], 1)), static_cast<int32_t>(Field(lines[i], 2)),
             static_cast<int32_t>(Field(lines[i], 3)), static_cast<int32_t>(Field(lines[i], 4))};
      }
    }
    if (i < lines.size()) ++i;  // the "END" line
    while (i < lines.size() && !IsEnd(lines[i])) {
      const auto& header = lines[i++];
      const int64_t id = Field(header, 0);
      int64_t n = Field(header, 2);
      if (n < 0) n = 0;
      const bool keep = ValidId(id, pass == 0 ? name : std::string_view{}, header.number);
      if (keep && pass == 0) maxHit = std::max(maxHit, id);
      HitVector* hv = nullptr;
      if (keep && pass == 1) {
        hv = &g_VectorTables.hit[static_cast<size_t>(id)];
        *hv = HitVector{};
        const std::string_view nm = header.fields.size() > 1 ? header.fields[1] : std::string_view{};
        if (!nm.empty()) std::memcpy(hv->name, nm.data(), std::min<size_t>(nm.size(), 31));  // cut at 31
        hv->count = static_cast<int32_t>(std::min<int64_t>(n, 5));
        hv->invuln = static_cast<int32_t>(Field(header, 3));
        hv->level = static_cast<int32_t>(Field(header, 4));
        hv->replacement = static_cast<int32_t>(Field(header, 5));
        hv->fifth = static_cast<int32_t>(Field(header, 6));
      }
      if (pass == 0 && n > 5)
        DebugPrint("%.*s(%d): hit vector with %lld sub-lines; those beyond 5 are skipped\n",
                   static_cast<int>(name.size()), name.data(), header.number, static_cast<long long>(n));
      for (int64_t k = 0; k < n && i < lines.size() && !IsEnd(lines[i]); ++k, ++i) {
        if (!hv || k >= 5) continue;
        const auto& l = lines[i];
        hv->steps[k] = {static_cast<int32_t>(Field(l, 0)), static_cast<int32_t>(Field(l, 1)),
                        static_cast<int32_t>(Field(l, 2)), static_cast<int32_t>(Field(l, 3)),
                        static_cast<int32_t>(Field(l, 4)), battle_text::DigitFlagsToBits(Field(l, 5))};
      }
    }
    if (pass == 0) {
      g_VectorTables.motion.resize(static_cast<size_t>(maxMotion + 1));
      g_VectorTables.hit.resize(static_cast<size_t>(maxHit + 1));
      continue;
    }
    if (i < lines.size()) ++i;
    if (i < lines.size()) {
      for (size_t b = 0; b < 7; ++b) g_VectorTables.battleBytes[b] = static_cast<uint8_t>(Field(lines[i], b));
      ++i;
    }
    if (i < lines.size()) g_VectorTables.pushNormal = static_cast<int32_t>(Field(lines[i++], 0));
    if (i < lines.size()) g_VectorTables.pushFinish = static_cast<int32_t>(Field(lines[i++], 0));
    if (g_VectorTables.pushFinish == 0) g_VectorTables.pushFinish = g_VectorTables.pushNormal;
  }
}

void ParseFinishListText(std::string_view text) {
  g_FinishList.assign(200, FinishEntry{});
  IniFile ini;
  ini.LoadFromText(text);
  if (!ini.SelectSection("FinishList")) return;
  for (int n = 0; n < 200; ++n) {
    char section[32];
    std::snprintf(section, sizeof section, "CharaNo_%03d", n);
    if (!ini.SelectSection(section)) continue;
    FinishEntry& e = g_FinishList[static_cast<size_t>(n)];
    e.present = true;
    e.number = n;
    for (auto [key, list] : {std::pair{"AD", &e.ad}, std::pair{"LA", &e.la}}) {
      const auto v = IniValue(ini, section, key);
      if (!v) continue;
      for (int64_t p : battle_text::ParseIntList(*v))
        if (p >= 1 && p <= INT32_MAX) list->push_back(static_cast<int32_t>(p));
    }
  }
}

std::string WriteFinishListText(const std::vector<FinishEntry>& entries) {
  std::string t = "[FinishList]\r\n";
  auto list = [](const std::vector<int32_t>& v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) out += (i ? "," : "") + std::to_string(v[i]);
    return out;
  };
  for (const FinishEntry& e : entries) {
    if (!e.present || e.number < 0 || e.number >= 200) continue;
    char section[32];
    std::snprintf(section, sizeof section, "CharaNo_%03d", e.number);
    t += "\r\n[" + std::string(section) + "]\r\nAD=" + list(e.ad) + "\r\nLA=" + list(e.la) + "\r\n";
  }
  return t;
}

int LoadTypeFile() {
  DataBuffer file = LoadDataFile(".\\data\\_Type.txt");
  if (!file) {
    g_TypeSystem = TypeSystem{};
    for (TypeParams& t : g_TypeParams) t = TypeParams{};
    LoadFinishList();
    return 0;
  }
  ParseTypeText(file.text(), ".\\data\\_Type.txt");
  LoadFinishList();
  return 1;
}

int LoadVectorTable() {
  // The configuration can ask for the alternative vector file kept under "old".
  const char* path =
      g_GameData && g_GameData->AltVectorTable == 1 ? ".\\data\\old\\vector.txt" : ".\\data\\vector.txt";
  DataBuffer file = LoadDataFile(path);
  if (!file) {
    g_VectorTables = VectorTables{};
    return 0;
  }
  ParseVectorText(file.text(), path);
  return 1;
}

void FreeVectorTable() { g_VectorTables = VectorTables{}; }

int LoadFinishList() {
  DataBuffer file = LoadDataFile(".\\_FinishList.txt");
  if (!file) {
    g_FinishList.assign(200, FinishEntry{});
    return 0;
  }
  ParseFinishListText(file.text());
  return 1;
}

void FreeFinishList() { g_FinishList.clear(); }

const TypeParams& GetTypeParams(int type) {
  static const TypeParams kZero{};
  return type >= 0 && type < 10 ? g_TypeParams[type] : kZero;
}

int32_t GetTypeValue(int n) { return n >= 0 && n < 100 ? g_TypeSystem.values[n] : 0; }

namespace {
const HitVectorStep* Step(int id, int k) {
  if (id < 0 || static_cast<size_t>(id) >= g_VectorTables.hit.size() || k < 0 || k >= 5) return nullptr;
  const HitVector& h = g_VectorTables.hit[static_cast<size_t>(id)];
  return k < h.count ? &h.steps[k] : nullptr;
}
}  // namespace

void GetMotionOfHitVector(int id, int k, MotionVector* out) {
  *out = MotionVector{};
  const HitVectorStep* s = Step(id, k);
  if (!s || s->motion < 0 || static_cast<size_t>(s->motion) >= g_VectorTables.motion.size()) return;
  *out = g_VectorTables.motion[static_cast<size_t>(s->motion)];
}

int32_t GetHitVectorPattern(int id, int k, int which) {
  const HitVectorStep* s = Step(id, k);
  return s ? (which == 1 ? s->pattern2 : s->pattern) : 0;
}

int32_t GetHitVectorStun(int id, int k) {
  const HitVectorStep* s = Step(id, k);
  return s ? s->stun : 0;
}

uint32_t GetHitVectorFlags(int id, int k) {
  const HitVectorStep* s = Step(id, k);
  return s ? s->flags : 0;
}

int32_t ResolveHitVector(int current, int next) {
  const auto& hit = g_VectorTables.hit;
  if (current < 0 || next < 0 || static_cast<size_t>(current) >= hit.size() ||
      static_cast<size_t>(next) >= hit.size())
    return next;
  const HitVector& n = hit[static_cast<size_t>(next)];
  if (n.level < hit[static_cast<size_t>(current)].level && n.replacement != 0) return n.replacement;
  return next;
}

int32_t GetFinishKind(int finish, int pattern) {
  if (finish < 0 || static_cast<size_t>(finish) >= g_FinishList.size()) return 3;
  const FinishEntry& e = g_FinishList[static_cast<size_t>(finish)];
  if (!e.present) return 3;
  if (std::find(e.ad.begin(), e.ad.end(), pattern) != e.ad.end()) return 20;
  if (std::find(e.la.begin(), e.la.end(), pattern) != e.la.end()) return 21;
  return 3;
}
