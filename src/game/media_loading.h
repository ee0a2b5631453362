#pragma once

#include "image/texture_cache.h"
#include "model/static_model.h"

inline constexpr int ChestModelCount = 4;
inline constexpr int RockModelCount = 8;

// The rock texture of every cave wall.
extern TextureId CaveTexture;

extern StaticModel ChestModels[ChestModelCount];
extern StaticModel RockModels[RockModelCount];
extern StaticModel DetectorModel;
extern StaticModel DialModel;
extern StaticModel TransporterModel;
extern StaticModel PlayerBody;

// Where the carried detector sits relative to the player's body.
extern Matrix4 DetectorMount;

// Sound slots; -1 until loaded. Up to four copies of the repeated sounds
// can play at once.
extern int ThrowSound, DetectorSound, KnockoutSound, CoinsSound;
extern int StepSounds[4], MonsterSounds[4], ScrunchSounds[4];

// Loads all media and builds the first level; false when the game cannot start.
bool LoadGameMedia();
