#include "audio/sound_mixer.h"

// No sound output yet: nothing ever plays.
void PlaySoundAt(int, const float*, float, float) {}
void PlayThrowSound(const float*) {}
bool SoundIsPlaying(int) { return false; }
float SoundLength(int) { return 0.0f; }
