// The easing curves the animated screens share.
#include "scene/calc_ease.h"

float CalcEase(int mode, float t) {
  switch (mode) {
    case 1:
      return 1.0f - (1.0f - t) * (1.0f - t);
    case 2:
      return t * t;
    case 3:
      if (t <= 0.5f) return (2.0f * t) * (2.0f * t) / 2.0f;
      {
        const float u = 1.0f - 2.0f * (t - 0.5f);
        return 0.5f + (1.0f - u * u) / 2.0f;
      }
    case 4:
      if (t <= 0.5f) {
        const float u = 1.0f - 2.0f * t;
        return (1.0f - u * u) / 2.0f;
      }
      return 0.5f + (2.0f * (t - 0.5f)) * (2.0f * (t - 0.5f)) / 2.0f;
    default:
      return t;
  }
}
