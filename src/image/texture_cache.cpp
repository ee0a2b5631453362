#include "image/texture_cache.h"

// Texture loading is not in the game yet: the cache stays empty.
void ResetTextureCache(bool) {}
void DeleteAllTextures() {}
