// The battle's one list of installs.
#include "battle/battle_rules.h"

#include "battle/battle_camera.h"
#include "battle/chara_list.h"
#include "battle/command_input.h"
#include "battle/control_rules.h"
#include "battle/damage_scaling.h"
#include "battle/frame_conditions.h"
#include "battle/frame_effects.h"
#include "battle/gauges.h"
#include "battle/hit_detection.h"
#include "battle/hit_resolution.h"

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
  // Each later battle module adds its installer to this list, never to the harness alone.
}
