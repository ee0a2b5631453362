#pragma once
// The HUD: the coins as a bar while playing, one line of text otherwise.

#include "overlay/text_panel.h"

// 104 x 24 pixels near the bottom-left corner, blended over the scene.
extern TextPanel HudPanel;

// How many times UpdateHud has redrawn the panel since the program loaded;
// lets a test or a benchmark tell that the HUD is not redrawn every frame.
extern int HudRedraws;

// Makes HudPanel: call once, with a current OpenGL context.
void CreateHudPanel();

// Redraws the HUD panel for the current coins and game state; called only
// when one of them changes.
void UpdateHud();
