#pragma once

// Advances the game by one accepted frame (FrameTime seconds).
void UpdateGame();
