#pragma once

#include "image/texture_cache.h"

// The rock texture of every cave wall.
extern TextureId CaveTexture;

// Loads all media and builds the first level; false when the game cannot start.
bool LoadGameMedia();
