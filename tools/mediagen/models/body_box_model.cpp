// The player's bounding box: the game places it at the eye every frame and
// never draws it, so it is a plain box with normals and no texture.

#include "models.h"

namespace {

constexpr float HalfWidth = 0.4f;
constexpr float BelowEye = 2.1f;  // down to the feet
constexpr float AboveEye = 0.25f;

}  // namespace

A3fModel makeBodyBoxModel() {
    A3fModel model;
    model.comment = "bbox: the player's body around the eye";
    model.format = VertexFormat::PositionNormal;
    addBox(model.mesh, {-HalfWidth, -BelowEye, -HalfWidth}, {HalfWidth, AboveEye, HalfWidth}, Frame{}, 0,
           sameOnAllFaces(UvRect{}));
    A3fMaterial body;
    body.name = "body";
    body.ambient = {0.2f, 0.2f, 0.2f, 1.0f};
    body.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    body.specular = {0.0f, 0.0f, 0.0f, 1.0f};
    body.emission = {0.0f, 0.0f, 0.0f, 1.0f};
    model.materials.push_back(body);
    return model;
}
