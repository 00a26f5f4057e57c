// The easing curves the animated screens share: a linear progress 0..1 mapped onto one of five
// curves.
#pragma once

// mode 0 linear, 1 ease-out, 2 ease-in, 3 ease-in-out, 4 ease-out-in. Other modes are not
// curves of the game: they give t unchanged.
float CalcEase(int mode, float t);
