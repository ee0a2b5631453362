#pragma once
// Every file the game reads lies in the folder "media" beside the executable.

#include <cstddef>

inline constexpr std::size_t PathCapacity = 260;  // bytes, terminator included
inline constexpr int MaxLevelFiles = 16;

using PathBuffer = char[PathCapacity];

// out = "<executable folder>/media/<fileName>". A path that would not fit is
// refused: out is left empty and the result is false. When no file has the
// exact name but some in its folder differ from it only in case (media made
// where case does not count), out names the first of those in byte order.
bool MediaPath(PathBuffer& out, const char* fileName);

// Same rule; `buffer` holds the file name on entry and the full path on return.
bool MediaPathInPlace(PathBuffer& buffer);

// Level bitmap names ("cavemap*.bmp" in any case, names only), in byte order
// of the names.
extern char LevelFiles[MaxLevelFiles][PathCapacity];

// Fills LevelFiles with the first 16 level bitmaps and returns their count.
int FindLevelFiles();
