// The battle scene's HUD: life, red-life, guard and meter bars, faces, type icons, scores, the
// timer, cut-in portraits, and the graphics the character loader loads for each slot.
#pragma once

// The scene's HUD pass, drawn by the battle scene each frame.
void DrawBattleHud();

// The HUD shakes a player slot's life bar (its flash counter to 24).
void ShakeLifeBar(int slot);

// Fills the HUD's seams (the loader's HUD graphics, the cut-in texture, the HUD slide, ...).
void InstallBattleHud();
