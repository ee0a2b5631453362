#pragma once
// Materials that carry the shading. With the game's lights off every face
// shows its material colour as it is, so each part of a model is split by
// how much its faces turn toward a fixed light into a few shade steps.

#include <string>
#include <vector>

#include "a3f_writer.h"

struct PartLook {
    std::string name;  // material name, a shade number appended
    Rgba colour;       // the fully lit colour; its alpha is the material's
    int levels = 4;    // shade steps; 1 for parts that glow
    bool textured = true;
    std::string alpha = "NONE";
    unsigned shininess = 8;
    float specular = 0.1f;
};

// The light the shading assumes: mostly from above, a little from the front.
inline constexpr Vec3 ShadingLight{0.3f, 0.85f, 0.45f};

// The shade step of a face, 0 darkest, from its vertex normals.
int shadeLevel(Vec3 normal, Vec3 light, int levels);

// Turns each triangle's part (an index into `looks`) into a material index.
// Materials come in the order of the looks, darkest first within a look, and
// only those with faces are kept.
void shadeModel(A3fModel& model, const std::vector<PartLook>& looks, const std::string& textureFile,
                Vec3 light = ShadingLight);
