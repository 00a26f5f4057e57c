// The battle's one list of installs.
#include "battle/battle_rules.h"

#include "battle/afterimage.h"
#include "battle/battle_camera.h"
#include "battle/battle_clock.h"
#include "battle/chara_list.h"
#include "battle/character_draw.h"
#include "battle/command_input.h"
#include "battle/control_rules.h"
#include "battle/cpu_ai.h"
#include "battle/cpu_defence.h"
#include "battle/damage_scaling.h"
#include "battle/frame_conditions.h"
#include "battle/frame_effects.h"
#include "battle/gauges.h"
#include "battle/hit_detection.h"
#include "battle/hit_resolution.h"
#include "battle/hud_draw.h"
#include "battle/particle_draw.h"
#include "battle/particle_pool.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"

void InstallBattleRules() {
  InstallCommandInputSeams();
  InstallFrameEffectSeams();
  InstallFrameConditionSeams();
  InstallControlRuleSeams();
  InstallGaugeAndPartnerSeams();
  // Every battle frame reads its pads from the joystick's battle bank, in the game as in the
  // harness (which writes its scripted pads into the joystick's raw states).
  InstallBattlePadSeam();

  InstallBattleCameraSeams();
  InstallCharaListSeams();
  InstallComboAndDamageSeams();
  InstallHitDetectionSeams();
  InstallHitResolutionSeams();
  InstallBattleClockSeams();
  InstallRoundFlowSeams();
  InstallParticleSeams();
  InstallCharacterDrawSeams();
  InstallScreenBreakSeams();
  InstallCpuAiSeams();
  InstallCpuDefenceSeams();
  InstallParticleDrawSeams();
  InstallHudDrawSeams();
  InstallAfterimageSeams();
  // Each later battle module adds its installer to this list, never to the harness alone.
}
