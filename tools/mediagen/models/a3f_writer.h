#pragma once
// The a3f text model files the game reads: mesh, materials and, for
// animated models, bones with vertex weights and keyframed animations.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "math/matrix.h"
#include "mesh.h"

enum class VertexFormat { PositionNormalTexcoords, PositionTexcoords, PositionNormal };

struct Rgba {
    float red = 0.0f, green = 0.0f, blue = 0.0f, alpha = 1.0f;
};

struct A3fMaterial {
    std::string name;
    Rgba ambient, diffuse, specular, emission;
    unsigned shininess = 0;
    std::string textureFile;     // empty: untextured
    std::string alpha = "NONE";  // the ALPHA word, or a number
};

// Weights are whole millionths so that a vertex's weights add up to exactly
// one in the printed file.
inline constexpr std::uint32_t WeightUnit = 1000000;

struct A3fBone {
    std::string name;
    std::string parent;  // "NONE" for the root
    Matrix4 fileMatrix;  // the inverse of the bone's local bind transform
    float grams = 0.0f;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> weights;  // vertex, millionths
};

struct A3fFrame {
    std::string bone;
    Matrix4 matrix;  // the bone's local transform at this key
};

struct A3fKey {
    float time = 0.0f;
    std::vector<A3fFrame> frames;
};

struct A3fAnimation {
    std::string name;
    float length = 0.0f;
    std::vector<A3fKey> keys;
};

struct A3fModel {
    std::string comment;
    VertexFormat format = VertexFormat::PositionNormalTexcoords;
    Mesh mesh;  // each triangle's part is its material index
    std::vector<A3fMaterial> materials;
    std::vector<A3fBone> bones;
    std::vector<A3fAnimation> animations;
};

// Fixed-point decimal with six places, independent of the locale; never
// "-0.000000".
std::string formatNumber(float value);

// Checks what the readers rely on (names, indices, material runs, weights,
// keys) and prints the file; false with `error` set when a rule is broken.
// Faces are written grouped by material, each group in mesh order.
bool writeA3f(const A3fModel& model, std::string& text, std::string& error);
