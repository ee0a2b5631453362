#pragma once
// The game's models and their textures, made from code. World units, y up;
// the eye is 2.1 above the floor, a cave cell 10 x 10 with a 5-unit ceiling.

#include <cstdint>
#include <string>
#include <vector>

#include "a3f_writer.h"
#include "image.h"
#include "targa_writer.h"

// A chest about a unit across standing on its base at the origin, lock at +z.
A3fModel makeChestModel();
RgbImage makeChestTexture();

// A fist-sized lumpy stone centred on the origin.
A3fModel makeRockModel();
RgbImage makeRockModelTexture();

// The hand-held detector lying on its base at the origin; carried half a
// unit below the eye with +z toward the player. Its dial turns about the
// detector's own y axis, its needle pointing along -z at angle 0.
A3fModel makeDetectorModel();
RgbImage makeDetectorTexture();
A3fModel makeDialModel();
RgbaImage makeDialTexture();

// A translucent column of light standing on the floor at the origin.
A3fModel makeTransporterModel();
RgbImage makeTransporterTexture();

// The player's bounding box around the eye at the origin; never drawn.
A3fModel makeBodyBoxModel();

// The skinned monster: feet at y = 0, facing +z, head centre 2.2 up.
A3fModel makeMonsterModel();
RgbImage makeMonsterTexture();

// Heights the game relies on.
inline constexpr float MonsterHeadHeight = 2.2f;
inline constexpr float DetectorDialHeight = 0.255f;  // the needle's plane above the detector's base

// The texture files the models name.
inline constexpr const char* ChestTextureFile = "chest.bmp";
inline constexpr const char* RockTextureFile = "rock.jpg";
inline constexpr const char* DetectorTextureFile = "detector.tga";
inline constexpr const char* DialTextureFile = "dial.tga";
inline constexpr const char* TransporterTextureFile = "transporter.bmp";
inline constexpr const char* MonsterTextureFile = "monster.jpg";

struct MediaFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Every model file and texture, in a fixed order; false with `error` set
// when one cannot be made.
bool makeModelMedia(std::vector<MediaFile>& files, std::string& error);
