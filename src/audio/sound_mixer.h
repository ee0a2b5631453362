#pragma once
// Sound effects placed in the world. A slot is a loaded sound; a negative
// slot (a sound that failed to load) is ignored everywhere.

// Starts `slot` at the live position `emitter` (three floats the mixer keeps
// reading while the sound plays) at `rate` times its speed and `volume`.
void PlaySoundAt(int slot, const float* emitter, float rate, float volume);

// The throw sound at the rock's position.
void PlayThrowSound(const float* emitter);

bool SoundIsPlaying(int slot);

// Length of the sound in `slot` in seconds at its own speed; 0 for a negative
// or empty slot.
float SoundLength(int slot);
