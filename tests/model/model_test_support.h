#pragma once
// Model files written for the model tests, and what the tests share.

#include "model/skinned_model.h"
#include "support/temp_folder.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// Two quads side by side filling clip space, each two triangles: the left
// one (x < 0, vertices 0-3) has material 0, the right one material 1.
// `format` chooses which of normal (0 0 1) and (u, v) the vertices carry.
std::string QuadVertices(const std::string& format);
inline const std::string QuadFaces = "FACES {\n 4\n 0 1 2 0\n 0 2 3 0\n 4 5 6 1\n 4 6 7 1\n}\n";

// One MATERIAL record; no TEXTURE block when `texture` is empty.
std::string Material(const std::string& diffuse, const std::string& texture = "",
                     const std::string& alpha = "NONE");

// The quads with material 0 white on "red.tga" and material 1 white on
// "blue.tga", after a VERSION and a COMMENT.
std::string TexturedQuads();

// Three bones in a chain along x: hip (root, at 0), knee (at 1), toe (at
// 2), listed toe, hip, knee. Vertices at x = 0, 1, 2, 3 (normals +x, the
// knee's one of length 2) and (5, 5, 5), which no bone names. hip moves
// vertex 0; knee 1 and half of 2; toe the other half of 2 and 3.
// Animations: "bend" (length 2, keys at 0 and 1; at key 1 the knee is
// turned 90 degrees about z) and "lift" (length 2, the hip translated by
// (0, 0, 0) at 0 and (0, 2, 0) at 1).
std::string ArmFile();

// The texts of the message boxes shown so far.
std::vector<std::string> Messages();

// A 2 x 2 24-bit Targa file of one colour.
std::string SolidTarga(unsigned char red, unsigned char green, unsigned char blue);

// A current 16 x 16 context in a fresh game folder, with the fixed state the
// game sets at start-up: the three client arrays enabled, texturing on,
// lighting off, blending by source alpha. Identity matrices.
class ModelGlTest : public GameFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    OffscreenContext context_{16, 16};
};

// Position (x y z), colour (r g b a) and texture coordinates (s t r q) of
// every triangle corner `draw` sends, caught in GL feedback mode.
using FeedbackVertex = std::array<float, 11>;
std::vector<FeedbackVertex> Feedback(const std::function<void()>& draw);
