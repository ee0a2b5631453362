#pragma once

// Redraws the HUD panel for the current coins and game state.
void UpdateHud();
