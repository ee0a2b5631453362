#include "game/media_loading.h"

TextureId CaveTexture = 0;
StaticModel ChestModels[ChestModelCount];
StaticModel RockModels[RockModelCount];
StaticModel DetectorModel;
StaticModel DialModel;
StaticModel TransporterModel;
StaticModel PlayerBody;

// No media to load yet.
bool LoadGameMedia() { return true; }
