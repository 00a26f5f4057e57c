// The afterimage trail of the characters and the frame-point lookups in world units.
#pragma once

void InstallAfterimageSeams();
