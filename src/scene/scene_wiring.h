// The scenes' one list of installs: the scene table's entries and leave hooks, the battle and draw
// seams the scenes fill, and the input and application hooks. The game wiring calls it right
// after the battle's rules, in the game as in every harness.
#pragma once

void InstallSceneWiring();
// The calls between the scenes and the replay controller.
void InstallReplayCalls();
