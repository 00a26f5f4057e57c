// The afterimage trail and frame points.
#include "battle/afterimage.h"

void InstallAfterimageSeams() {}
