#pragma once
// A mesh read from an a3f file: vertices, triangles, up to 32 materials with
// their textures, and one display list that draws it all.

#include "image/texture_cache.h"
#include "math/matrix.h"
#include "math/vector3.h"

#include <cstddef>
#include <cstdint>
#include <memory>

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

struct ModelMeshStore;

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
    bool isCopy = false;  // shares its source's arrays, list and textures; deletes no GL object
    int loaded = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t* faces = nullptr;
    ModelVertex* vertices = nullptr;
    std::uint32_t faceCount = 0;
    std::uint32_t materialCount = 0;
    // Holds what `vertices` and `faces` point at; copies share it, so the
    // arrays outlive whichever record lets go of them first.
    std::shared_ptr<ModelMeshStore> meshStore;
};

// Reads media file `fileName` (an a3f model) into `model` and loads its
// materials' textures. On failure shows the message and leaves `model` not
// loaded. Any mesh the record held before is released first.
bool loadStaticModel(StaticModel& model, const char* fileName);

// loadStaticModel, then one display list that draws the whole mesh, named
// from takeListName(). The game draws it with materials[0].texture bound.
void compileStaticModel(const char* fileName, StaticModel& model);

// Makes `dst` a copy that shares the display list, textures and arrays of
// `src` and owns none of the GL objects; `src` must stay loaded while the
// copy is drawn.
void copyStaticModel(StaticModel& dst, const StaticModel& src);

// Deletes the display list and textures of a model that is not a copy and
// releases its arrays; returns glGetError() after the deletions (0 when no
// GL call was needed). Does nothing to a copy.
unsigned int destroyStaticModel(StaticModel& model);

// The a3f reader on bytes in memory, without GL: no textures are loaded and
// no list is made. For tools and fuzzing; messages name `fileName`.
bool readStaticModel(StaticModel& model, const char* text, std::size_t size, const char* fileName);
