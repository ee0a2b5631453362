#pragma once
// The monster's skeleton: bone names, parents and where each joint sits in
// the bind pose (feet on y = 0, facing +z, its left side toward +x).

#include <array>
#include <vector>

#include "a3f_writer.h"
#include "geometry.h"

enum MonsterBone {
    Pelvis,
    Spine,
    Chest,
    Neck,
    Head,
    Jaw,
    UpperArmLeft,
    ForearmLeft,
    HandLeft,
    UpperArmRight,
    ForearmRight,
    HandRight,
    ThighLeft,
    ShinLeft,
    FootLeft,
    ThighRight,
    ShinRight,
    FootRight,
    MonsterBoneCount
};

struct MonsterJoint {
    const char* name;
    int parent;  // -1 for the root
    Vec3 position;
    float grams;
};

inline constexpr std::array<MonsterJoint, MonsterBoneCount> MonsterJoints = {{
    {"pelvis", -1, {0.0f, 1.1f, 0.0f}, 18000},
    {"spine", Pelvis, {0.0f, 1.38f, -0.02f}, 16000},
    {"chest", Spine, {0.0f, 1.66f, -0.03f}, 22000},
    {"neck", Chest, {0.0f, 1.93f, 0.02f}, 3000},
    {"head", Neck, {0.0f, 2.08f, 0.08f}, 7000},
    {"jaw", Head, {0.0f, 2.12f, 0.14f}, 1500},
    {"upperarm_l", Chest, {0.44f, 1.86f, -0.02f}, 5000},
    {"forearm_l", UpperArmLeft, {0.54f, 1.36f, 0.0f}, 3500},
    {"hand_l", ForearmLeft, {0.58f, 0.9f, 0.06f}, 1200},
    {"upperarm_r", Chest, {-0.44f, 1.86f, -0.02f}, 5000},
    {"forearm_r", UpperArmRight, {-0.54f, 1.36f, 0.0f}, 3500},
    {"hand_r", ForearmRight, {-0.58f, 0.9f, 0.06f}, 1200},
    {"thigh_l", Pelvis, {0.2f, 1.06f, 0.0f}, 11000},
    {"shin_l", ThighLeft, {0.23f, 0.6f, 0.04f}, 6000},
    {"foot_l", ShinLeft, {0.23f, 0.13f, 0.0f}, 1800},
    {"thigh_r", Pelvis, {-0.2f, 1.06f, 0.0f}, 11000},
    {"shin_r", ThighRight, {-0.23f, 0.6f, 0.04f}, 6000},
    {"foot_r", ShinRight, {-0.23f, 0.13f, 0.0f}, 1800},
}};

// Where a bone sits in its parent's space at rest (bones are not turned at rest).
inline Vec3 bindOffset(int bone) {
    const MonsterJoint& j = MonsterJoints[static_cast<std::size_t>(bone)];
    if (j.parent < 0) return j.position;
    return j.position - MonsterJoints[static_cast<std::size_t>(j.parent)].position;
}

// One bone's turn away from rest (Euler angles as makeEulerMatrix takes them)
// and, for the root only, a shift of the whole body.
struct BonePose {
    Vec3 turn;
    Vec3 shift;
};
using MonsterPose = std::array<BonePose, MonsterBoneCount>;

// The seven animations, the resting one first.
std::vector<A3fAnimation> makeMonsterAnimations();

// The bone's local transform in a pose, as an animation frame holds it.
Matrix4 poseMatrix(int bone, const BonePose& pose);
