#include "game/media_loading.h"

TextureId CaveTexture = 0;

// No media to load yet.
bool LoadGameMedia() { return true; }
