#pragma once
// WAV files into the mixer's next free slot as 16-bit samples: PCM as it is,
// Microsoft ADPCM decoded at its own rate and channel count.

// Returns the new slot (0 or more) or:
//  -1 the file cannot be opened (reported with "Could not open file:"), or is not RIFF
//  -2 the form is not WAVE
//  -3 the first chunk is not "fmt "
//  -4 the format body is over 50 bytes or cut short; the format is neither PCM
//     nor Microsoft ADPCM; PCM that is not 16-bit; no complete data chunk; 16
//     samples or fewer
//  -5 the ADPCM data cannot be decoded, or the slot table is full
int LoadSoundSample(const char* fileName);
