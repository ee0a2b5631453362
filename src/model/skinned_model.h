#pragma once
// A static model with a bone hierarchy, vertex weights and keyframed animations.

#include "model/static_model.h"

#include <cstdint>

struct BoneWeight {
    std::uint32_t vertex;
    float weight;
};

struct Bone {
    int index;
    Matrix4 fileMatrix;   // as read: the inverse of the local bind transform
    Matrix4 local;        // bone space to parent space
    Matrix4 world;        // bone space to model space
    Matrix4 inverseBind;  // model space to bone space at rest
    Bone* parent;
    Bone* firstChild;
    Bone* nextSibling;
    std::uint32_t weightCount;
    BoneWeight* weights;
    char name[32];
    char parentName[32];
    float grams;
};

struct AnimationFrame {
    int bone;
    Matrix4 matrix;
    char boneName[32];
};

struct AnimationKey {
    float time;
    int frameCount;
    AnimationFrame* frames;
};

struct Animation {
    char name[32];
    int keyCount;
    float length;
    float time;  // negative while blending in
    bool loop;
    AnimationKey* keys;
};

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
};
