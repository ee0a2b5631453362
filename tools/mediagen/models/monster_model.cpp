// The cave monster: a hunched, horned brute with long clawed arms, built
// from tapered capsules, ellipsoids and cones around its skeleton. Joints blend
// smoothly between neighbouring bones.

#include <cmath>
#include <functional>

#include "models.h"
#include "monster_rig.h"
#include "shading.h"
#include "texture_paint.h"

namespace {

constexpr int TextureSize = 256;
enum Part { Skin, Ivory, Eyes };

const UvRect SkinWrap = pixelRect(TextureSize, 0, 0, 256, 128);
const UvRect TorsoWrap = pixelRect(TextureSize, 0, 128, 256, 256);  // the belly faces s = 0.5

struct Influence {
    int bone;
    float weight;
};
using WeightRule = std::function<std::vector<Influence>(Vec3)>;

Vec3 joint(int bone) { return MonsterJoints[static_cast<std::size_t>(bone)].position; }

WeightRule rigid(int bone) {
    return [bone](Vec3) { return std::vector<Influence>{{bone, 1.0f}}; };
}

// Bones along a line from a to b, each taking over from the one before at
// its own joint; `zone` is half the width of each hand-over, in fractions of
// the line. The weights add up to one everywhere.
WeightRule chain(Vec3 a, Vec3 b, std::vector<int> bones, float zone) {
    const Vec3 d = b - a;
    const float lengthSq = dotOf(d, d);
    std::vector<float> joints;
    for (std::size_t i = 1; i < bones.size(); ++i) joints.push_back(dotOf(joint(bones[i]) - a, d) / lengthSq);
    return [=](Vec3 p) {
        const float s = dotOf(p - a, d) / lengthSq;
        std::vector<Influence> out;
        float below = 1.0f;  // the share not yet handed on
        for (std::size_t i = 0; i < bones.size(); ++i) {
            const float onward = i < joints.size() ? smoothStep(joints[i] - zone, joints[i] + zone, s) : 0.0f;
            out.push_back({bones[i], below - onward});
            below = onward;
        }
        return out;
    };
}

struct Builder {
    Mesh mesh;
    std::vector<std::vector<Influence>> weights;

    void weigh(std::size_t first, const WeightRule& rule) {
        weights.resize(mesh.vertices.size());
        for (std::size_t i = first; i < mesh.vertices.size(); ++i)
            weights[i] = rule(mesh.vertices[i].position);
    }
};

// How finely a capsule is cut: around, in each end cap and along its middle.
struct Detail {
    int segments;
    int capRings;
    int middleRings;
};
constexpr Detail Limb{8, 2, 2};
constexpr Detail Paddle{6, 2, 1};
constexpr Detail Digit{4, 1, 1};

// A capsule from a to b whose radius tapers from r0 to r1, swelling by
// `bulge` in the middle; its ends are rounded caps round a and b.
void addCapsule(Builder& b, Vec3 from, Vec3 to, float r0, float r1, float bulge, Vec3 front, Vec2 radial,
                int part, const UvRect& uv, const WeightRule& rule, Detail detail) {
    const std::size_t first = b.mesh.vertices.size();
    const float length = lengthOf(to - from);
    const int caps = detail.capRings;
    std::vector<Vec2> outline;
    for (int i = 0; i <= caps; ++i) {
        const float a = -0.5f * Pi + 0.5f * Pi * static_cast<float>(i) / static_cast<float>(caps);
        outline.push_back({i == 0 ? 0.0f : r0 * std::cos(a), r0 * std::sin(a)});
    }
    for (int i = 1; i < detail.middleRings; ++i) {
        const float s = static_cast<float>(i) / static_cast<float>(detail.middleRings);
        outline.push_back({r0 + (r1 - r0) * s + bulge * std::sin(Pi * s), s * length});
    }
    for (int i = 0; i <= caps; ++i) {
        const float a = 0.5f * Pi * static_cast<float>(i) / static_cast<float>(caps);
        outline.push_back({i == caps ? 0.0f : r1 * std::cos(a), length + r1 * std::sin(a)});
    }
    addLathe(b.mesh, makeProfile(outline, false), detail.segments, frameAlong(from, to - from, front), radial,
             part, uv);
    b.weigh(first, rule);
}

// A cone from a base buried in another shape out to a point: claws, teeth,
// spikes and horns, the last bent along a path.
void addPoint(Builder& b, const std::vector<Vec3>& path, const std::vector<float>& radii, Vec3 front,
              int segments, const WeightRule& rule) {
    const std::size_t first = b.mesh.vertices.size();
    addTube(b.mesh, path, radii, segments, front, {1, 1}, Ivory, SkinWrap);
    b.weigh(first, rule);
}

void addEllipsoid(Builder& b, Vec3 centre, Vec3 radii, int part, const UvRect& uv, const WeightRule& rule,
                  int segments, int rings) {
    const std::size_t first = b.mesh.vertices.size();
    std::vector<Vec2> outline;
    for (int i = 0; i <= rings; ++i) {
        const float a = -0.5f * Pi + Pi * static_cast<float>(i) / static_cast<float>(rings);
        outline.push_back({i == 0 || i == rings ? 0.0f : radii.x * std::cos(a), radii.y * std::sin(a)});
    }
    addLathe(b.mesh, makeProfile(outline, false), segments, frameAlong(centre, {0, 1, 0}, {0, 0, 1}),
             {1.0f, radii.z / radii.x}, part, uv);
    b.weigh(first, rule);
}

// The trunk's outline, (radius, height), and how much flatter it is front
// to back than across.
const std::vector<Vec2> TorsoOutline = {{0.0f, 0.9f},   {0.2f, 0.94f},  {0.31f, 1.04f},  {0.355f, 1.22f},
                                        {0.365f, 1.4f}, {0.4f, 1.58f},  {0.455f, 1.76f}, {0.42f, 1.88f},
                                        {0.28f, 1.97f}, {0.12f, 2.02f}, {0.0f, 2.04f}};
constexpr float TorsoDepth = 0.7f;
constexpr float TorsoCentreZ = -0.02f;

float torsoRadiusAt(float y) {
    for (std::size_t i = 1; i < TorsoOutline.size(); ++i) {
        const Vec2 a = TorsoOutline[i - 1], b = TorsoOutline[i];
        if (y <= b.y) return a.x + (b.x - a.x) * std::clamp((y - a.y) / (b.y - a.y), 0.0f, 1.0f);
    }
    return 0.0f;
}

void addTorso(Builder& b) {
    const std::size_t first = b.mesh.vertices.size();
    addLathe(b.mesh, makeProfile(TorsoOutline, false), 14,
             frameAlong({0, 0, TorsoCentreZ}, {0, 1, 0}, {0, 0, 1}), {1.0f, TorsoDepth}, Skin, TorsoWrap);
    // A pot belly pushed forward.
    for (std::size_t i = first; i < b.mesh.vertices.size(); ++i) {
        Vec3& p = b.mesh.vertices[i].position;
        const float belly = std::exp(-((p.y - 1.3f) / 0.16f) * ((p.y - 1.3f) / 0.16f));
        p.z += 0.07f * belly * smoothStep(-0.05f, 0.2f, p.z);
    }
    b.weigh(first, chain({0, 0.9f, 0}, {0, 2.04f, 0}, {Pelvis, Spine, Chest, Neck}, 0.06f));

    // Ridge spikes down the back.
    const float spikes[4][2] = {{1.42f, 0.07f}, {1.58f, 0.09f}, {1.74f, 0.1f}, {1.88f, 0.08f}};
    for (const auto& s : spikes) {
        const float y = s[0];
        const Vec3 root{0.0f, y, TorsoCentreZ - TorsoDepth * torsoRadiusAt(y) + 0.03f};
        addPoint(b, {root, root + Vec3{0.0f, s[1] * 0.9f, -s[1] * 1.5f}}, {0.035f, 0.0f}, {0, 1, 0}, 5,
                 rigid(y < 1.5f ? Spine : Chest));
    }
}

void addHead(Builder& b) {
    addCapsule(b, {0.0f, 1.9f, 0.0f}, {0.0f, 2.12f, 0.1f}, 0.13f, 0.11f, 0.0f, {0, 0, 1}, {1, 1}, Skin,
               SkinWrap, chain({0.0f, 1.9f, 0.0f}, {0.0f, 2.12f, 0.1f}, {Chest, Neck, Head}, 0.2f),
               {8, 1, 2});
    addEllipsoid(b, {0.0f, 2.24f, 0.1f}, {0.23f, 0.22f, 0.25f}, Skin, SkinWrap, rigid(Head), 12, 7);
    addEllipsoid(b, {0.0f, 2.17f, 0.29f}, {0.15f, 0.1f, 0.14f}, Skin, SkinWrap, rigid(Head), 8, 5);
    addEllipsoid(b, {0.0f, 2.32f, 0.25f}, {0.19f, 0.055f, 0.09f}, Skin, SkinWrap, rigid(Head), 8, 4);
    addEllipsoid(b, {0.0f, 2.06f, 0.27f}, {0.14f, 0.055f, 0.15f}, Skin, SkinWrap, rigid(Jaw), 8, 4);
    for (float side : {1.0f, -1.0f}) {
        addEllipsoid(b, {0.1f * side, 2.27f, 0.31f}, {0.045f, 0.045f, 0.045f}, Eyes, SkinWrap, rigid(Head), 6,
                     4);
        // Fangs: up from the jaw, down from the muzzle.
        addPoint(b, {{0.085f * side, 2.08f, 0.37f}, {0.09f * side, 2.17f, 0.38f}}, {0.018f, 0.0f}, {0, 0, 1},
                 4, rigid(Jaw));
        addPoint(b, {{0.05f * side, 2.13f, 0.39f}, {0.05f * side, 2.06f, 0.405f}}, {0.015f, 0.0f}, {0, 0, 1},
                 4, rigid(Head));
        // Horns sweeping up and back, ears out to the sides.
        const Vec3 hornRoot{0.13f * side, 2.4f, 0.06f};
        const Vec3 hornBend{0.25f * side, 2.56f, 0.0f};
        const Vec3 hornTip{0.33f * side, 2.7f, -0.1f};
        addPoint(
            b,
            {hornRoot, lerpOf(hornRoot, hornBend, 0.5f), hornBend, lerpOf(hornBend, hornTip, 0.5f), hornTip},
            {0.05f, 0.044f, 0.036f, 0.021f, 0.0f}, {0, 0, 1}, 6, rigid(Head));
        addCapsule(b, {0.21f * side, 2.26f, 0.08f}, {0.38f * side, 2.34f, 0.0f}, 0.05f, 0.006f, 0.0f,
                   {0, 0, 1}, {1.0f, 0.35f}, Skin, SkinWrap, rigid(Head), {6, 1, 1});
    }
}

void addArm(Builder& b, float side, int upper, int fore, int hand) {
    const Vec3 shoulder = joint(upper), elbow = joint(fore), wrist = joint(hand);
    addCapsule(b, shoulder, elbow, 0.14f, 0.1f, 0.025f, {0, 0, 1}, {1.0f, 0.9f}, Skin, SkinWrap,
               chain(shoulder, elbow, {Chest, upper, fore}, 0.15f), Limb);
    addCapsule(b, elbow, wrist, 0.105f, 0.075f, 0.03f, {0, 0, 1}, {1.0f, 0.9f}, Skin, SkinWrap,
               chain(elbow, wrist, {upper, fore, hand}, 0.15f), Limb);
    const Vec3 d = normalised(wrist - elbow);
    addCapsule(b, wrist + d * 0.03f, wrist + d * 0.13f, 0.07f, 0.075f, 0.0f, {0, 0, 1}, {0.6f, 1.0f}, Skin,
               SkinWrap, chain(wrist - d * 0.1f, wrist + d * 0.2f, {fore, hand}, 0.2f), Paddle);
    // Three clawed fingers curling forward and a thumb in front.
    for (float offset : {-0.045f, 0.0f, 0.045f}) {
        const Vec3 knuckle = wrist + d * 0.17f + Vec3{0.0f, 0.0f, offset};
        const Vec3 end = knuckle + Vec3{0.0f, -0.09f, 0.03f};
        addCapsule(b, knuckle, end, 0.026f, 0.021f, 0.0f, {0, 0, 1}, {1, 1}, Skin, SkinWrap, rigid(hand),
                   Digit);
        addPoint(b, {end, end + Vec3{0.0f, -0.04f, 0.06f}}, {0.02f, 0.0f}, {0, 0, 1}, 4, rigid(hand));
    }
    const Vec3 thumb = wrist + d * 0.08f + Vec3{0.0f, 0.0f, 0.06f};
    addPoint(b, {thumb, thumb + Vec3{0.01f * side, -0.05f, 0.06f}}, {0.024f, 0.0f}, {0, 1, 0}, 4,
             rigid(hand));
}

void addLeg(Builder& b, float side, int thigh, int shin, int foot) {
    const Vec3 hip = joint(thigh), knee = joint(shin), ankle = joint(foot);
    addCapsule(b, hip, knee, 0.17f, 0.12f, 0.02f, {0, 0, 1}, {1, 1}, Skin, SkinWrap,
               chain(hip, knee, {Pelvis, thigh, shin}, 0.15f), Limb);
    addCapsule(b, knee, ankle, 0.12f, 0.075f, 0.03f, {0, 0, 1}, {1, 1}, Skin, SkinWrap,
               chain(knee, ankle, {thigh, shin, foot}, 0.15f), Limb);
    addCapsule(b, {ankle.x, 0.075f, -0.05f}, {ankle.x, 0.07f, 0.2f}, 0.085f, 0.09f, 0.0f, {0, 1, 0},
               {1.1f, 0.8f}, Skin, SkinWrap, rigid(foot), Paddle);
    for (float offset : {-0.05f, 0.0f, 0.05f}) {
        const Vec3 root{ankle.x + offset * side, 0.05f, 0.26f};
        addPoint(b, {root, root + Vec3{0.0f, -0.04f, 0.1f}}, {0.03f, 0.0f}, {0, 1, 0}, 4, rigid(foot));
    }
}

// Weights in whole millionths, the largest taking what rounding left over.
void storeWeights(const Builder& b, A3fModel& model) {
    for (std::size_t v = 0; v < b.weights.size(); ++v) {
        std::vector<std::pair<int, std::uint32_t>> shares;
        std::int64_t total = 0;
        std::size_t largest = 0;
        for (const Influence& in : b.weights[v]) {
            const auto share =
                static_cast<std::uint32_t>(std::lround(std::max(0.0f, in.weight) * WeightUnit));
            if (share == 0) continue;
            if (shares.empty() || share > shares[largest].second) largest = shares.size();
            shares.push_back({in.bone, share});
            total += share;
        }
        shares[largest].second = static_cast<std::uint32_t>(shares[largest].second + (WeightUnit - total));
        for (const auto& [bone, share] : shares) {
            if (share > 0)
                model.bones[static_cast<std::size_t>(bone)].weights.push_back(
                    {static_cast<std::uint32_t>(v), share});
        }
    }
}

RgbColour skinColour(int x, int y) {
    const float u = static_cast<float>(x) / 256.0f, v = static_cast<float>(y) / 256.0f;
    const CellDistances scales = cellularNoise(u, v, 24, 501);
    const float border = 1.0f - smoothStep(0.0f, 0.12f, scales.second - scales.nearest);
    const float blotch = smoothStep(0.1f, 0.5f, fractalNoise(u, v, {4, 4, 0.5f}, 503));
    const float grain = fractalNoise(u, v, {32, 2, 0.5f}, 505);
    RgbColour c = mixColour({98, 112, 66}, {58, 66, 40}, blotch);
    c = scaleColour(c, 1.0f + 0.12f * grain - 0.35f * border + 0.12f * (1.0f - scales.nearest));
    return c;
}

RgbColour torsoColour(int x, int y) {
    const float around = static_cast<float>(x) / 256.0f;  // 0.5 is the front
    const float belly = 1.0f - smoothStep(0.08f, 0.17f, std::fabs(around - 0.5f));
    RgbColour c = skinColour(x, y);
    const float u = around, v = static_cast<float>(y) / 256.0f;
    RgbColour pale = scaleColour({184, 166, 112}, 0.92f + 0.1f * fractalNoise(u, v, {16, 2, 0.5f}, 507));
    // Belly plates: bands with dark creases between them.
    const int band = (y - 128) % 14;
    if (band < 2) pale = scaleColour(pale, 0.6f);
    c = mixColour(c, pale, belly);
    // A dark stripe down the spine.
    const float spine = 1.0f - smoothStep(0.0f, 0.08f, std::min(around, 1.0f - around));
    return mixColour(c, {40, 44, 28}, 0.6f * spine);
}

}  // namespace

A3fModel makeMonsterModel() {
    Builder b;
    addTorso(b);
    addHead(b);
    addArm(b, 1.0f, UpperArmLeft, ForearmLeft, HandLeft);
    addArm(b, -1.0f, UpperArmRight, ForearmRight, HandRight);
    addLeg(b, 1.0f, ThighLeft, ShinLeft, FootLeft);
    addLeg(b, -1.0f, ThighRight, ShinRight, FootRight);

    A3fModel model;
    model.comment = "monster: horned cave brute with a skeleton of 18 bones and seven animations";
    model.mesh = b.mesh;
    for (int bone = 0; bone < MonsterBoneCount; ++bone) {
        const MonsterJoint& j = MonsterJoints[static_cast<std::size_t>(bone)];
        A3fBone out;
        out.name = j.name;
        out.parent = j.parent < 0 ? "NONE" : MonsterJoints[static_cast<std::size_t>(j.parent)].name;
        const Vec3 offset = bindOffset(bone);
        out.fileMatrix[12] = -offset.x;  // the inverse of a pure translation
        out.fileMatrix[13] = -offset.y;
        out.fileMatrix[14] = -offset.z;
        out.grams = j.grams;
        model.bones.push_back(out);
    }
    shadeModel(model,
               {{"skin", {1.0f, 1.0f, 1.0f, 1.0f}, 4, true, "NONE", 12, 0.15f},
                {"horn", {0.86f, 0.8f, 0.66f, 1.0f}, 3, false, "NONE", 40, 0.4f},
                {"eyes", {1.0f, 0.86f, 0.2f, 1.0f}, 1, false, "NONE", 80, 0.9f}},
               MonsterTextureFile);
    // Each material's draw then touches only its own vertices.
    const std::vector<std::uint32_t> source = groupVerticesByPart(model.mesh);
    std::vector<std::vector<Influence>> weights;
    weights.reserve(source.size());
    for (std::uint32_t v : source) weights.push_back(b.weights[v]);
    b.weights = std::move(weights);
    storeWeights(b, model);
    model.animations = makeMonsterAnimations();
    return model;
}

RgbImage makeMonsterTexture() {
    RgbImage image(TextureSize, TextureSize);
    for (int y = 0; y < TextureSize; ++y)
        for (int x = 0; x < TextureSize; ++x) image.set(x, y, y < 128 ? skinColour(x, y) : torsoColour(x, y));
    return image;
}
