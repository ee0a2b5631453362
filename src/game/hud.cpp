#include "game/hud.h"

// No HUD panel yet.
void UpdateHud() {}
