// The monster's animations. Angles follow makeEulerMatrix: a positive x turn
// tips a bone's upper end forward (+z), so a thigh swings forward with a
// negative turn and a knee bends with a positive one; a positive z turn
// moves a hanging limb toward +x, outward for the left side.
//
// Every animation ends with a key at its full length: the game moves from
// the last key toward key 0 between the last key's time and the length, so
// a looping animation repeats key 0 there and a one-off keeps its last pose.

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "monster_rig.h"

namespace {

using PoseAt = std::function<MonsterPose(float phase)>;

void setLegs(MonsterPose& p, float leftThigh, float rightThigh, float leftShin, float rightShin) {
    p[ThighLeft].turn.x = leftThigh;
    p[ThighRight].turn.x = rightThigh;
    p[ShinLeft].turn.x = leftShin;
    p[ShinRight].turn.x = rightShin;
}

// Feet kept near level: each foot undoes most of the pitch above it.
void levelFeet(MonsterPose& p, float keep) {
    const float trunk = p[Pelvis].turn.x;
    p[FootLeft].turn.x = -keep * (trunk + p[ThighLeft].turn.x + p[ShinLeft].turn.x);
    p[FootRight].turn.x = -keep * (trunk + p[ThighRight].turn.x + p[ShinRight].turn.x);
}

void setArms(MonsterPose& p, float leftSwing, float rightSwing, float spread, float leftElbow,
             float rightElbow) {
    p[UpperArmLeft].turn = {leftSwing, 0.0f, spread};
    p[UpperArmRight].turn = {rightSwing, 0.0f, -spread};
    p[ForearmLeft].turn.x = leftElbow;
    p[ForearmRight].turn.x = rightElbow;
}

// Raises or lowers the whole body until the lower ankle is back at its rest
// height, so that whatever the legs do the standing foot meets the floor.
void groundFeet(MonsterPose& p) {
    float lowest = 1e9f;
    for (const std::array<int, 3>& leg : {std::array<int, 3>{ThighLeft, ShinLeft, FootLeft},
                                          std::array<int, 3>{ThighRight, ShinRight, FootRight}}) {
        Matrix4 world = poseMatrix(Pelvis, p[Pelvis]);
        for (int bone : leg) {
            Matrix4 next;
            multiplyAffine(world, poseMatrix(bone, p[static_cast<std::size_t>(bone)]), next);
            world = next;
        }
        lowest = std::min(lowest, world[13]);
    }
    p[Pelvis].shift.y += MonsterJoints[FootLeft].position.y - lowest;
}

A3fKey makeKey(float time, const MonsterPose& pose) {
    A3fKey key;
    key.time = time;
    for (int bone = 0; bone < MonsterBoneCount; ++bone)
        key.frames.push_back({MonsterJoints[static_cast<std::size_t>(bone)].name,
                              poseMatrix(bone, pose[static_cast<std::size_t>(bone)])});
    return key;
}

// A repeating movement sampled at `keys` evenly spaced phases; the closing
// key repeats the first exactly.
A3fAnimation cycle(const char* name, float length, int keys, const PoseAt& poseAt) {
    A3fAnimation a;
    a.name = name;
    a.length = length;
    for (int k = 0; k < keys; ++k) {
        const float phase = static_cast<float>(k) / static_cast<float>(keys);
        MonsterPose pose = poseAt(phase);
        groundFeet(pose);
        a.keys.push_back(makeKey(length * phase, pose));
    }
    A3fKey closing = a.keys.front();
    closing.time = length;
    a.keys.push_back(closing);
    return a;
}

float wave(float phase) { return std::sin(2.0f * Pi * phase); }
float waveCos(float phase) { return std::cos(2.0f * Pi * phase); }
float positive(float x) { return x > 0.0f ? x : 0.0f; }

MonsterPose restingPose(float phase) {
    const float b = wave(phase);
    MonsterPose p{};
    p[Pelvis] = {{0.12f, 0.0f, 0.03f * b}, {0.0f, -0.08f, 0.0f}};
    p[Spine].turn = {0.18f + 0.03f * b, 0.0f, 0.0f};
    p[Chest].turn = {0.15f + 0.03f * b, 0.0f, 0.0f};
    p[Neck].turn = {0.2f, 0.0f, 0.0f};
    p[Head].turn = {0.3f, 0.1f * b, 0.0f};
    p[Jaw].turn = {0.12f, 0.0f, 0.0f};
    setArms(p, -0.25f, -0.25f, 0.08f, -0.2f, -0.2f);
    setLegs(p, -0.2f, -0.2f, 0.4f, 0.4f);
    p[ThighLeft].turn.z = 0.04f;
    p[ThighRight].turn.z = -0.04f;
    levelFeet(p, 1.0f);
    return p;
}

MonsterPose standingPose(float phase) {
    const float b = wave(phase);
    MonsterPose p{};
    p[Pelvis] = {{0.06f, 0.0f, 0.0f}, {0.0f, -0.03f, 0.0f}};
    p[Spine].turn = {0.04f + 0.02f * b, 0.0f, 0.0f};
    p[Chest].turn = {0.04f - 0.04f * b, 0.0f, 0.0f};
    p[Neck].turn = {-0.04f, 0.0f, 0.0f};
    p[Head].turn = {-0.04f, 0.35f * b, 0.0f};
    p[Jaw].turn = {0.05f + 0.05f * positive(b), 0.0f, 0.0f};
    setArms(p, -0.15f, -0.15f, 0.22f + 0.03f * b, -0.45f, -0.45f);
    p[HandLeft].turn.x = p[HandRight].turn.x = -0.2f;
    setLegs(p, -0.1f, -0.1f, 0.2f, 0.2f);
    p[ThighLeft].turn.z = 0.06f;
    p[ThighRight].turn.z = -0.06f;
    levelFeet(p, 1.0f);
    return p;
}

// One stride with each leg; the left leg is forward at phase 0.25.
MonsterPose walkingPose(float phase) {
    const float s = wave(phase), c = waveCos(phase);
    MonsterPose p{};
    p[Pelvis] = {{0.1f, 0.12f * s, 0.04f * c}, {0.0f, -0.04f + 0.035f * std::cos(4.0f * Pi * phase), 0.0f}};
    p[Spine].turn = {0.06f, -0.06f * s, 0.0f};
    p[Chest].turn = {0.08f, -0.08f * s, -0.03f * c};
    p[Neck].turn = {-0.05f, 0.0f, 0.0f};
    p[Head].turn = {-0.1f, 0.06f * s, 0.02f * c};
    p[Jaw].turn = {0.08f, 0.0f, 0.0f};
    // A leg bends its knee while it swings forward.
    setLegs(p, -0.55f * s - 0.05f, 0.55f * s - 0.05f, 0.15f + 0.75f * std::pow(positive(c), 1.5f),
            0.15f + 0.75f * std::pow(positive(-c), 1.5f));
    levelFeet(p, 1.0f);
    setArms(p, 0.45f * s - 0.1f, -0.45f * s - 0.1f, 0.12f, -0.35f - 0.25f * positive(-s),
            -0.35f - 0.25f * positive(s));
    p[HandLeft].turn.x = p[HandRight].turn.x = -0.1f;
    return p;
}

// A charge with the claws raised, swiping in turn, jaws wide.
MonsterPose attackPose(float phase) {
    const float s = wave(phase), c = waveCos(phase);
    MonsterPose p{};
    p[Pelvis] = {{0.28f, 0.15f * s, 0.05f * c}, {0.0f, -0.1f + 0.04f * std::cos(4.0f * Pi * phase), 0.0f}};
    p[Spine].turn = {0.12f, -0.1f * s, 0.0f};
    p[Chest].turn = {0.12f, -0.12f * s, 0.0f};
    p[Neck].turn = {-0.2f, 0.0f, 0.0f};
    p[Head].turn = {-0.25f, 0.1f * s, 0.0f};
    p[Jaw].turn = {0.45f + 0.1f * std::sin(4.0f * Pi * phase), 0.0f, 0.0f};
    setLegs(p, -0.6f * s - 0.15f, 0.6f * s - 0.15f, 0.25f + 0.9f * std::pow(positive(c), 1.5f),
            0.25f + 0.9f * std::pow(positive(-c), 1.5f));
    levelFeet(p, 1.0f);
    setArms(p, -1.8f + 0.4f * s, -1.8f - 0.4f * s, 0.5f, -0.4f - 0.5f * positive(-s),
            -0.4f - 0.5f * positive(s));
    p[HandLeft].turn.x = p[HandRight].turn.x = -0.4f;
    return p;
}

// Fleeing low: deep knees, back bent, arms folded over the head.
MonsterPose duckwalkPose(float phase) {
    const float s = wave(phase), c = waveCos(phase);
    MonsterPose p{};
    p[Pelvis] = {{0.45f, 0.1f * s, 0.08f * s}, {0.0f, -0.35f + 0.03f * std::cos(4.0f * Pi * phase), 0.0f}};
    p[Spine].turn = {0.25f, 0.0f, 0.0f};
    p[Chest].turn = {0.2f, 0.0f, 0.0f};
    p[Neck].turn = {-0.35f, 0.0f, 0.0f};
    p[Head].turn = {-0.35f, 0.0f, 0.0f};
    p[Jaw].turn = {0.2f, 0.0f, 0.0f};
    setLegs(p, -1.35f - 0.3f * s, -1.35f + 0.3f * s, 1.75f + 0.3f * positive(c), 1.75f + 0.3f * positive(-c));
    levelFeet(p, 1.0f);
    setArms(p, -2.6f + 0.1f * s, -2.6f - 0.1f * s, 0.5f, -1.9f, -1.9f);
    p[HandLeft].turn.x = p[HandRight].turn.x = -0.3f;
    return p;
}

// A crouched shuffle to the side: one foot out, the other brought after it.
MonsterPose sidestepPose(float leftOut, float rightOut, float leftLift, float rightLift) {
    MonsterPose p{};
    p[Pelvis].turn = {0.25f, 0.0f, 0.4f * (rightOut - leftOut)};
    p[Spine].turn = {0.1f, 0.0f, 0.0f};
    p[Chest].turn = {0.1f, 0.0f, 0.0f};
    p[Neck].turn = {-0.15f, 0.0f, 0.0f};
    p[Head].turn = {-0.15f, 0.0f, 0.0f};
    p[Jaw].turn = {0.25f, 0.0f, 0.0f};
    setLegs(p, -0.55f - leftLift, -0.55f - rightLift, 0.8f + 2.0f * leftLift, 0.8f + 2.0f * rightLift);
    p[ThighLeft].turn.z = leftOut;
    p[ThighRight].turn.z = -rightOut;
    levelFeet(p, 1.0f);
    p[FootLeft].turn.z = -leftOut;
    p[FootRight].turn.z = rightOut;
    setArms(p, -0.5f, -0.5f, 0.7f, -0.7f, -0.7f);
    p[HandLeft].turn.x = p[HandRight].turn.x = -0.3f;
    groundFeet(p);
    return p;
}

A3fAnimation sidestep() {
    A3fAnimation a;
    a.name = "sidestep";
    a.length = 1.0f;
    const MonsterPose together = sidestepPose(0.06f, 0.06f, 0.0f, 0.0f);
    a.keys.push_back(makeKey(0.0f, together));
    a.keys.push_back(makeKey(0.25f, sidestepPose(0.55f, 0.02f, 0.15f, 0.0f)));
    a.keys.push_back(makeKey(0.5f, sidestepPose(0.4f, 0.4f, 0.0f, 0.0f)));
    a.keys.push_back(makeKey(0.75f, sidestepPose(0.05f, 0.5f, 0.0f, 0.15f)));
    a.keys.push_back(makeKey(1.0f, together));
    return a;
}

// Knocked on the head: reels back, the knees give, it sits and falls flat
// on its back with its arms flung wide.
A3fAnimation dead() {
    struct Stage {
        float time;
        float drop, tilt;         // the body's fall and its lean backward
        float thigh, shin, foot;  // both legs
        float armSpread, armSwing, elbow;
        float spine, neck, head, headTurn, jaw;
    };
    const Stage stages[] = {
        {0.0f, 0.0f, -0.1f, -0.05f, 0.1f, 0.0f, 0.6f, -0.3f, -0.3f, -0.15f, -0.3f, -0.6f, 0.0f, 0.5f},
        {0.3f, 0.25f, -0.15f, -0.55f, 1.05f, -0.4f, 0.8f, -0.2f, -0.4f, 0.05f, -0.1f, 0.3f, 0.1f, 0.4f},
        {0.6f, 0.52f, -0.5f, -0.85f, 1.1f, -0.1f, 1.0f, -0.1f, -0.3f, -0.05f, 0.0f, 0.1f, 0.2f, 0.35f},
        {0.9f, 0.7f, -0.95f, -0.6f, 0.7f, 0.1f, 1.2f, 0.0f, -0.2f, -0.1f, 0.0f, 0.0f, 0.35f, 0.3f},
        {1.2f, 0.71f, -1.35f, -0.25f, 0.3f, 0.2f, 1.35f, 0.05f, -0.15f, -0.05f, 0.0f, 0.05f, 0.45f, 0.3f},
        {1.6f, 0.72f, -1.5708f, -0.12f, 0.15f, 0.35f, 1.4f, 0.0f, -0.1f, 0.0f, 0.0f, 0.0f, 0.55f, 0.35f},
    };
    A3fAnimation a;
    a.name = "dead";
    a.length = 1.6f;
    for (const Stage& s : stages) {
        MonsterPose p{};
        p[Pelvis] = {{s.tilt, 0.0f, 0.0f}, {0.0f, -s.drop, 0.0f}};
        p[Spine].turn.x = s.spine;
        p[Chest].turn.x = s.spine;
        p[Neck].turn.x = s.neck;
        p[Head].turn = {s.head, s.headTurn, 0.0f};
        p[Jaw].turn.x = s.jaw;
        setLegs(p, s.thigh, s.thigh, s.shin, s.shin);
        p[ThighLeft].turn.z = 0.12f;
        p[ThighRight].turn.z = -0.12f;
        p[FootLeft].turn.x = p[FootRight].turn.x = s.foot;
        setArms(p, s.armSwing, s.armSwing, s.armSpread, s.elbow, s.elbow);
        a.keys.push_back(makeKey(s.time, p));
    }
    return a;
}

}  // namespace

Matrix4 poseMatrix(int bone, const BonePose& pose) {
    const Vec3 at = bindOffset(bone) + pose.shift;
    Matrix4 m;
    makeEulerMatrix({pose.turn.x, pose.turn.y, pose.turn.z}, {at.x, at.y, at.z}, m);
    return m;
}

std::vector<A3fAnimation> makeMonsterAnimations() {
    return {cycle("idle", 4.0f, 4, restingPose), cycle("standing", 2.0f, 4, standingPose),
            // Walking and charging cover one unit of ground per second of
            // animation at the rates the game plays them, fleeing two.
            cycle("walking", 2.4f, 8, walkingPose), cycle("duckwalk", 0.8f, 8, duckwalkPose), sidestep(),
            dead(), cycle("attack", 2.0f, 8, attackPose)};
}
