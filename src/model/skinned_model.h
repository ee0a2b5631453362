#pragma once
// A static model with a bone hierarchy, vertex weights and keyframed animations.

#include "model/static_model.h"

#include <cstddef>
#include <cstdint>
#include <memory>

inline constexpr std::uint32_t MaxModelBones = 256;
inline constexpr std::size_t BoneNameCapacity = 32;  // bytes, terminator included

struct BoneWeight {
    std::uint32_t vertex = 0;
    float weight = 0.0f;
};

struct Bone {
    int index = 0;
    Matrix4 fileMatrix;   // as read: the inverse of the local bind transform
    Matrix4 local;        // bone space to parent space
    Matrix4 world;        // bone space to model space
    Matrix4 inverseBind;  // model space to bone space at rest
    Bone* parent = nullptr;
    Bone* firstChild = nullptr;
    Bone* nextSibling = nullptr;
    std::uint32_t weightCount = 0;
    BoneWeight* weights = nullptr;
    char name[BoneNameCapacity] = {};
    char parentName[BoneNameCapacity] = {};
    float grams = 0.0f;
};

struct AnimationFrame {
    int bone = -1;   // index into the bones, -1 until resolved
    Matrix4 matrix;  // the bone's local transform at this key
    char boneName[BoneNameCapacity] = {};
};

struct AnimationKey {
    float time = 0.0f;
    int frameCount = 0;
    AnimationFrame* frames = nullptr;
};

struct Animation {
    char name[BoneNameCapacity] = {};
    int keyCount = 0;
    float length = 0.0f;
    float time = 0.0f;  // negative while blending in
    bool loop = false;
    AnimationKey* keys = nullptr;
};

struct SkeletonStore;

struct SkinnedModel : StaticModel {
    Bone* bones = nullptr;
    std::uint32_t boneCount = 0;
    Vector3* skinnedPositions = nullptr;
    Vector3* skinnedNormals = nullptr;
    float* texCoordArray = nullptr;
    Animation* animations = nullptr;
    std::uint32_t animationCount = 0;
    int rootBone = -1;
    int currentAnimation = -1;
    bool animationFinished = false;
    // Reaches past every vertex from the model's origin in the rest pose and
    // every key of every animation, with room for the poses between keys.
    float poseRadius = 0.0f;
    bool skinnedPoseCurrent = false;  // skinnedPositions hold the bones' pose
    bool skinNormals = true;          // off where nothing is lit: the normals would go unused
    // Holds the bones, weights, animations and skinned buffers the pointers
    // above name. A C++ copy of the record shares them, pose included; give
    // every animated instance its own loadSkinnedModel or copySkinnedModel.
    // The store of a copySkinnedModel holds only the copy's own parts.
    std::shared_ptr<SkeletonStore> skeletonStore;
};

// Reads media file `fileName` into `model`: the mesh (as loadStaticModel,
// without a display list), then the bones and animations. Check `loaded`
// for the mesh and `bones` for the skeleton afterwards; a file refused by
// either pass leaves the model not loaded.
void loadSkinnedModel(SkinnedModel& model, const char* fileName);

// Makes `dst` another instance of `src` without reading the file again: it
// shares what never changes (mesh, faces, materials, textures, weights,
// keyframes, texture coordinates) and owns its bones, animation playback
// and skinned buffers, starting from the pose `src` has now. The copy owns
// nothing it shares: `src` must stay loaded while the copy is used.
void copySkinnedModel(SkinnedModel& dst, const SkinnedModel& src);

// The same reader on bytes in memory, without GL (no textures). For tools
// and fuzzing. True when the mesh was loaded.
bool readSkinnedModel(SkinnedModel& model, const char* text, std::size_t size, const char* fileName);

// Index of the first bone or animation named exactly `name`; -1 if none.
int findBone(const SkinnedModel& model, const char* name);
int findAnimation(const SkinnedModel& model, const char* name);

// Releases the skeleton, animations and buffers, then the static part as
// destroyStaticModel does.
void destroySkinnedModel(SkinnedModel& model);

// Makes animation `index` current from `startTime` seconds (negative: blend
// into its first key over that long). A negative index stops animating.
// False, changing nothing, when the model has no animations or no such one.
bool setAnimation(SkinnedModel& model, int index, bool loop, float startTime);

// Once per frame: advances the current animation by `dt` seconds, poses the
// skeleton and recomputes skinnedPositions and skinnedNormals unless the
// pose is the one they already hold. Does nothing
// to a model that is not loaded or has no skeleton.
void updateSkinnedModel(SkinnedModel& model, float dt);

// updateSkinnedModel without the skinning, for a model that may not be
// drawn this frame: poses the bones and marks the skinned buffers stale
// unless the pose held. skinIfStale or drawSkinnedModelInView skins later.
void poseSkinnedModel(SkinnedModel& model, float dt);

// Skins the posed bones into skinnedPositions and skinnedNormals unless
// these already hold that pose.
void skinIfStale(SkinnedModel& model);

// The time step of updateSkinnedModel alone: moves the current animation on
// and poses the bones' local and world matrices.
void advanceAnimation(SkinnedModel& model, float dt);

// world = parent's world * local, for every bone from the root down.
void computeWorldMatrices(SkinnedModel& model);

// Adds every bone's weighted share of the posed mesh to skinnedPositions
// and skinnedNormals; updateSkinnedModel clears them first.
void skinBones(SkinnedModel& model);

// False when the model's bounding sphere lies wholly outside the view
// volume of the current projection matrix with `matrix` as model-view.
bool inViewVolume(const SkinnedModel& model);

// Draws the posed mesh with `matrix` as the model-view matrix, one
// glDrawElements per material; a model outside the view is not sent.
// Expects the vertex, normal and texture coordinate arrays enabled, and
// leaves them so.
void drawSkinnedModel(const SkinnedModel& model);

// drawSkinnedModel for a model posed by poseSkinnedModel: a model in view
// is skinned first when its pose changed; one out of view is left stale.
// True when the model was sent.
bool drawSkinnedModelInView(SkinnedModel& model);
