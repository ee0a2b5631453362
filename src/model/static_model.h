#pragma once
// A mesh read from an a3f file: vertices, triangles, up to 32 materials with
// their textures, and one display list that draws it all.

#include "image/texture_cache.h"
#include "math/matrix.h"
#include "math/vector3.h"

#include <cstdint>

inline constexpr int MaxModelMaterials = 32;
inline constexpr std::uint32_t NoDisplayList = 1000;

struct ModelVertex {
    float position[3];
    float normal[3];
    float u, v;
};

struct ModelMaterial {
    char name[260];
    float ambient[4];
    float diffuse[4];
    float emission[4];
    float specular[4];
    std::uint32_t shininess;
    bool hasTextureFile;
    TextureId texture;
    char textureFile[260];
    int alphaMode;
    float alphaValue;
    std::uint32_t firstFace;
    std::uint32_t faceCount;
};

struct StaticModel {
    Matrix4 matrix;  // drawn with this as the model-view matrix
    Vector3 position;
    Vector3 angles;
    Vector3 velocity;
    Vector3 boundsMin;
    Vector3 boundsMax;
    float radiusSq = 0.0f;
    std::uint32_t displayList = NoDisplayList;
    ModelMaterial materials[MaxModelMaterials] = {};
    bool hasNormals = false;
    bool hasTexCoords = false;
    bool isCopy = false;  // shares its source's arrays, list and textures; owns nothing
    int loaded = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t* faces = nullptr;
    ModelVertex* vertices = nullptr;
    std::uint32_t faceCount = 0;
    std::uint32_t materialCount = 0;
};
