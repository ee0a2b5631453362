#include "model/skinned_model.h"

#include "app/utilities.h"
#include "model/a3f_reader.h"
#include "model/bone_walk.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

struct SkeletonStore {
    std::vector<Bone> bones;
    std::vector<BoneWeight> weights;
    std::vector<Animation> animations;
    std::vector<AnimationKey> keys;
    std::vector<AnimationFrame> frames;
    std::vector<Vector3> positions;
    std::vector<Vector3> normals;
    std::vector<float> texCoords;
};

namespace {

float measurePoseRadius(SkinnedModel& model);

constexpr std::uint32_t AnyCount = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t AnyInt = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t TokensPerFrame = 19;  // two openers, a name, 16 numbers

struct SkeletonRead;
bool readBones(SkeletonRead& r);
bool readAnimations(SkeletonRead& r);

// The skeleton's sections, read in the static reader's pass over the file,
// with where each bone's weights, each animation's keys and each key's
// frames start in the flat arrays (pointers are set once the arrays stop
// growing).
struct SkeletonRead final : ExtraSections {
    A3fReader* in = nullptr;
    SkeletonStore store;
    std::vector<std::size_t> weightStart, keyStart, frameStart;

    bool section(std::string_view keyword, A3fReader& reader) override {
        in = &reader;
        if (keyword == "BONES") return readBones(*this);
        if (keyword == "ANIMATIONS") return readAnimations(*this);
        return true;
    }
};

bool readMatrix(A3fReader& in, Matrix4& m) {
    for (float& value : m.m) {
        if (!in.number(value)) return false;
    }
    return true;
}

bool readWeights(SkeletonRead& r, Bone& bone) {
    A3fReader& in = *r.in;
    in.token();  // its "{"
    std::uint32_t count = 0;
    if (!in.count(count, 2, AnyCount, "weights")) return false;
    std::vector<BoneWeight>& weights = r.store.weights;
    r.weightStart[static_cast<std::size_t>(bone.index)] = weights.size();
    bone.weightCount = count;
    weights.resize(weights.size() + count);
    BoneWeight* out = weights.data() + (weights.size() - count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!in.unsignedNumber(out[i].vertex) || !in.number(out[i].weight)) return false;
    }
    const std::string_view close = in.closeStep();
    if (!close.empty() && close != "}") return in.fail("bone %s has more than %u weights", bone.name, count);
    return true;
}

bool readBone(SkeletonRead& r, Bone& bone) {
    A3fReader& in = *r.in;
    std::string_view t;
    if (!in.next(t)) return false;
    if (t == "}") return true;
    for (t = in.token(); !t.empty() && t != "}"; t = in.token()) {
        bool ok = true;
        if (t == "NAME") {
            ok = in.name(bone.name, sizeof bone.name, "bone name");
        } else if (t == "PARENT") {
            ok = in.name(bone.parentName, sizeof bone.parentName, "parent name");
        } else if (t == "MATRIX") {
            ok = readMatrix(in, bone.fileMatrix);
            bone.local = bone.fileMatrix;
            invertMatrix(bone.local);
            for (float value : bone.local.m) {
                if (ok && !std::isfinite(value))
                    ok = in.fail("bone %s has a matrix with no inverse", bone.name);
            }
        } else if (t == "GRAMS") {
            ok = in.number(bone.grams);
        } else if (t == "VERTEX_WEIGHTS") {
            return readWeights(r, bone);  // the bone's last entry
        }
        if (!ok) return false;
    }
    return true;
}

bool readBones(SkeletonRead& r) {
    std::uint32_t count = 0;
    if (!r.in->count(count, 1, MaxModelBones, "bones")) return false;
    SkeletonStore& store = r.store;
    store.bones.assign(count, Bone{});
    store.weights.clear();
    r.weightStart.assign(count, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        store.bones[i].index = static_cast<int>(i);
        if (!readBone(r, store.bones[i])) return false;
    }
    return true;
}

bool readKey(SkeletonRead& r, const Animation& animation, std::size_t keyIndex) {
    A3fReader& in = *r.in;
    SkeletonStore& store = r.store;
    in.token();  // ANIM_KEY
    in.token();  // its "{"
    AnimationKey& key = store.keys[keyIndex];
    std::uint32_t frameCount = 0;
    if (!in.number(key.time) || !in.count(frameCount, TokensPerFrame, AnyInt, "frames")) return false;
    key.frameCount = static_cast<int>(frameCount);
    const std::size_t k = keyIndex - r.keyStart.back();
    if (k == 0 && key.time > 0.0f)
        return in.fail("animation %s starts at %g, not 0", animation.name, key.time);
    if (k > 0) {
        const AnimationKey& first = store.keys[r.keyStart.back()];
        if (key.time < store.keys[keyIndex - 1].time)
            return in.fail("keys of animation %s out of order", animation.name);
        if (key.frameCount != first.frameCount)
            return in.fail("key %zu of animation %s has %d frames, key 0 has %d", k, animation.name,
                           key.frameCount, first.frameCount);
    }
    r.frameStart[keyIndex] = store.frames.size();
    store.frames.resize(store.frames.size() + frameCount);
    for (std::size_t f = store.frames.size() - frameCount; f < store.frames.size(); ++f) {
        AnimationFrame& frame = store.frames[f];
        in.token();  // ANIM_FRAME
        in.token();  // its "{"
        if (!in.name(frame.boneName, sizeof frame.boneName, "frame bone name") ||
            !readMatrix(in, frame.matrix))
            return false;
        in.skipPastClose();
    }
    in.skipPastClose();
    return true;
}

bool readAnimations(SkeletonRead& r) {
    A3fReader& in = *r.in;
    SkeletonStore& store = r.store;
    std::uint32_t count = 0;
    if (!in.count(count, 5, AnyCount, "animations")) return false;
    store.animations.assign(count, Animation{});
    store.keys.clear();
    store.frames.clear();
    r.keyStart.clear();
    r.frameStart.clear();
    for (Animation& animation : store.animations) {
        in.token();     // ANIMATION
        in.openStep();  // its "{"
        std::uint32_t keyCount = 0;
        if (!in.name(animation.name, sizeof animation.name, "animation name") ||
            !in.number(animation.length) || !in.count(keyCount, 4, AnyInt, "keys"))
            return false;
        if (keyCount == 0) return in.fail("animation %s has no keys", animation.name);
        if (keyCount > 1 && animation.length <= 0.0f)
            return in.fail("animation %s has length %g", animation.name, animation.length);
        animation.keyCount = static_cast<int>(keyCount);
        r.keyStart.push_back(store.keys.size());
        store.keys.resize(store.keys.size() + keyCount);
        r.frameStart.resize(store.keys.size(), 0);
        for (std::size_t k = store.keys.size() - keyCount; k < store.keys.size(); ++k) {
            if (!readKey(r, animation, k)) return false;
        }
        in.skipPastClose();
    }
    return true;
}

// Points the records into the flat arrays, now that these are complete.
void linkStore(SkeletonRead& r) {
    SkeletonStore& store = r.store;
    for (Bone& bone : store.bones)
        bone.weights = bone.weightCount ? store.weights.data() + r.weightStart[bone.index] : nullptr;
    for (std::size_t a = 0; a < store.animations.size(); ++a)
        store.animations[a].keys = store.keys.data() + r.keyStart[a];
    for (std::size_t k = 0; k < store.keys.size(); ++k)
        store.keys[k].frames = store.keys[k].frameCount ? store.frames.data() + r.frameStart[k] : nullptr;
}

// The vertices may come after the bones in the file, so the weights are
// checked once the whole file has been read.
bool checkWeights(A3fReader& in, const SkeletonRead& r, std::uint32_t vertexCount) {
    for (const Bone& bone : r.store.bones) {
        const BoneWeight* weights =
            r.store.weights.data() + r.weightStart[static_cast<std::size_t>(bone.index)];
        for (std::uint32_t w = 0; w < bone.weightCount; ++w) {
            if (weights[w].vertex >= vertexCount)
                return in.fail("bone %s weights vertex %u of %u", bone.name, weights[w].vertex, vertexCount);
        }
    }
    return true;
}

int findBoneIn(const std::vector<Bone>& bones, const char* name) {
    for (const Bone& bone : bones) {
        if (std::strncmp(bone.name, name, sizeof bone.name) == 0) return bone.index;
    }
    return -1;
}

// How the hierarchy checks come out; worked out before anything is shown.
struct Hierarchy {
    std::vector<int> parents;
    int rootBone = -1;
    int roots = 0;
    bool nameMissing = false;
};

Hierarchy examineHierarchy(const std::vector<Bone>& bones) {
    Hierarchy h;
    h.parents.assign(bones.size(), -1);
    for (const Bone& bone : bones) {
        if (std::strcmp(bone.parentName, "NONE") == 0) {
            h.rootBone = bone.index;
            ++h.roots;
            continue;
        }
        const int p = findBoneIn(bones, bone.parentName);
        if (p < 0) {
            h.nameMissing = true;
            break;
        }
        h.parents[bone.index] = p;
    }
    return h;
}

bool keepsSkeleton(const Hierarchy& h, std::size_t boneCount) {
    return boneCount > 0 && !h.nameMissing && h.rootBone >= 0 && h.roots <= 1;
}

// A hierarchy the checks accept may still hold a loop of bones that never
// reaches the root; such a file is refused.
bool checkConnected(A3fReader& in, const std::vector<Bone>& bones, const Hierarchy& h) {
    for (const Bone& bone : bones) {
        int at = bone.index;
        for (std::size_t steps = 0; at != h.rootBone && at >= 0 && steps < bones.size(); ++steps)
            at = h.parents[static_cast<std::size_t>(at)];
        if (at != h.rootBone) return in.fail("bone %s is not connected to the root", bone.name);
    }
    return true;
}

void discardBones(SkinnedModel& model, SkeletonStore& store) {
    std::vector<Bone>().swap(store.bones);
    std::vector<BoneWeight>().swap(store.weights);
    model.bones = nullptr;
    model.boneCount = 0;
    model.rootBone = -1;
}

void releaseSkeleton(SkinnedModel& model) {
    model.skeletonStore.reset();
    model.bones = nullptr;
    model.boneCount = 0;
    model.skinnedPositions = nullptr;
    model.skinnedNormals = nullptr;
    model.texCoordArray = nullptr;
    model.animations = nullptr;
    model.animationCount = 0;
    model.rootBone = -1;
    model.currentAnimation = -1;
    model.animationFinished = false;
}

// One pass over the file, pure; the skeleton is kept aside in `store`
// until the hierarchy messages have been decided.
bool parseSkinned(SkinnedModel& model, const char* text, std::size_t size, const char* fileName,
                  std::shared_ptr<SkeletonStore>& store, Hierarchy& hierarchy) {
    releaseSkeleton(model);
    SkeletonRead read;
    if (!parseStaticModel(model, text, size, fileName, &read)) return false;
    A3fReader in(text, 0);  // for the checks' failure text
    bool ok = checkWeights(in, read, model.vertexCount);
    if (ok) {
        hierarchy = examineHierarchy(read.store.bones);
        if (keepsSkeleton(hierarchy, read.store.bones.size()))
            ok = checkConnected(in, read.store.bones, hierarchy);
    }
    if (!ok) {
        showBadModel(fileName ? fileName : "", in.failure());
        releaseMesh(model);
        return false;
    }
    linkStore(read);
    store = std::make_shared<SkeletonStore>(std::move(read.store));
    return true;
}

// The buffers, the hierarchy with its messages, the bind pose and the
// frames' bones: everything after the reading.
void finishSkinned(SkinnedModel& model, std::shared_ptr<SkeletonStore> store, const Hierarchy& h,
                   const char* fileName) {
    SkeletonStore& s = *store;
    const std::size_t n = model.vertexCount;
    s.positions.resize(n);
    if (model.hasNormals) s.normals.resize(n);
    if (model.hasTexCoords) s.texCoords.resize(2 * n);
    for (std::size_t v = 0; v < n; ++v) {
        const ModelVertex& vertex = model.vertices[v];
        s.positions[v] = {vertex.position[0], vertex.position[1], vertex.position[2]};
        if (model.hasNormals) s.normals[v] = {vertex.normal[0], vertex.normal[1], vertex.normal[2]};
        if (model.hasTexCoords) {
            s.texCoords[2 * v] = vertex.u;
            s.texCoords[2 * v + 1] = vertex.v;
        }
    }
    model.skinnedPositions = s.positions.empty() ? nullptr : s.positions.data();
    model.skinnedNormals = s.normals.empty() ? nullptr : s.normals.data();
    model.texCoordArray = s.texCoords.empty() ? nullptr : s.texCoords.data();
    model.animations = s.animations.empty() ? nullptr : s.animations.data();
    model.animationCount = static_cast<std::uint32_t>(s.animations.size());
    model.bones = s.bones.empty() ? nullptr : s.bones.data();
    model.boneCount = static_cast<std::uint32_t>(s.bones.size());
    model.skeletonStore = std::move(store);

    if (model.bones) {
        if (h.nameMissing) ShowMessage("Bone name not found:", fileName);
        if (!h.nameMissing && h.rootBone < 0) ShowMessage("Bad bone heirarchy, no root frame:", fileName);
        if (h.roots > 1) ShowMessage("Bad bone heirarchy, more than one root frame.", fileName);
        if (!keepsSkeleton(h, s.bones.size())) discardBones(model, s);
    }
    if (model.bones) {
        for (Bone& bone : s.bones) {
            const int p = h.parents[static_cast<std::size_t>(bone.index)];
            if (p < 0) continue;
            Bone& parent = s.bones[static_cast<std::size_t>(p)];
            bone.parent = &parent;
            Bone** link = &parent.firstChild;
            while (*link) link = &(*link)->nextSibling;
            *link = &bone;
        }
        model.rootBone = h.rootBone;
        forEachBoneFromRoot(&s.bones[static_cast<std::size_t>(h.rootBone)], model.boneCount, [](Bone& bone) {
            bone.inverseBind = bone.fileMatrix;
            if (bone.parent) multiplyAffine(bone.fileMatrix, bone.parent->inverseBind, bone.inverseBind);
            bone.world = bone.inverseBind;
            invertMatrix(bone.world);
        });
    }
    for (AnimationFrame& frame : s.frames) {
        frame.bone = findBone(model, frame.boneName);
        if (frame.bone < 0) {
            // Frames past this one are unresolved; none of them may play.
            ShowMessage("Bad animation frame name:", frame.boneName);
            std::vector<Animation>().swap(s.animations);
            std::vector<AnimationKey>().swap(s.keys);
            std::vector<AnimationFrame>().swap(s.frames);
            model.animations = nullptr;
            model.animationCount = 0;
            break;
        }
    }
    model.poseRadius = measurePoseRadius(model);
    model.skinnedPoseCurrent = false;
}

// Poses the skeleton at the rest pose and at every key, skinning each, and
// keeps the farthest vertex. Linear blends between keys and their products
// down the hierarchy can reach a little past the keys, hence the margin.
float measurePoseRadius(SkinnedModel& model) {
    float farthest = 0.0f;
    for (std::uint32_t v = 0; v < model.vertexCount; ++v) {
        const float* p = model.vertices[v].position;
        farthest = std::max(farthest, p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    }
    if (!model.bones || !model.skinnedPositions) return 1.5f * std::sqrt(farthest);
    std::vector<Matrix4> bind(model.boneCount), bindWorld(model.boneCount);
    for (std::uint32_t b = 0; b < model.boneCount; ++b) {
        bind[b] = model.bones[b].local;
        bindWorld[b] = model.bones[b].world;
    }
    const auto measure = [&] {
        computeWorldMatrices(model);
        std::fill_n(model.skinnedPositions, model.vertexCount, Vector3{});
        skinBones(model);
        for (std::uint32_t v = 0; v < model.vertexCount; ++v) {
            const Vector3& p = model.skinnedPositions[v];
            farthest = std::max(farthest, p.x * p.x + p.y * p.y + p.z * p.z);
        }
    };
    measure();
    for (std::uint32_t a = 0; a < model.animationCount && model.animations; ++a) {
        const Animation& animation = model.animations[a];
        for (int k = 0; k < animation.keyCount && animation.keys; ++k) {
            for (std::uint32_t b = 0; b < model.boneCount; ++b) model.bones[b].local = bind[b];
            const AnimationKey& key = animation.keys[k];
            for (int f = 0; f < key.frameCount; ++f) {
                const int bone = key.frames[f].bone;
                if (bone >= 0 && static_cast<std::uint32_t>(bone) < model.boneCount)
                    model.bones[bone].local = key.frames[f].matrix;
            }
            measure();
        }
    }
    // Back to the rest pose, skinned, as the model was.
    for (std::uint32_t b = 0; b < model.boneCount; ++b) {
        model.bones[b].local = bind[b];
        model.bones[b].world = bindWorld[b];
    }
    for (std::uint32_t v = 0; v < model.vertexCount; ++v) {
        const ModelVertex& vertex = model.vertices[v];
        model.skinnedPositions[v] = {vertex.position[0], vertex.position[1], vertex.position[2]};
        if (model.skinnedNormals)
            model.skinnedNormals[v] = {vertex.normal[0], vertex.normal[1], vertex.normal[2]};
    }
    return 1.5f * std::sqrt(farthest);
}

}  // namespace

void loadSkinnedModel(SkinnedModel& model, const char* fileName) {
    std::vector<char> bytes;
    if (!readModelFile(fileName, bytes)) {
        releaseSkeleton(model);
        releaseMesh(model);
        return;
    }
    std::shared_ptr<SkeletonStore> store;
    Hierarchy hierarchy;
    if (!parseSkinned(model, bytes.data(), bytes.size(), fileName, store, hierarchy)) return;
    loadMaterialTextures(model);
    finishSkinned(model, std::move(store), hierarchy, fileName);
}

void copySkinnedModel(SkinnedModel& dst, const SkinnedModel& src) {
    if (&dst == &src) return;
    releaseSkeleton(dst);
    releaseMesh(dst);
    copyStaticModel(dst, src);
    dst.meshStore.reset();  // the source's arrays, not held by the copy
    dst.hasNormals = src.hasNormals;
    dst.hasTexCoords = src.hasTexCoords;
    dst.skinNormals = src.skinNormals;
    if (!src.skeletonStore) return;

    auto own = std::make_shared<SkeletonStore>();
    own->bones.assign(src.bones, src.bones + src.boneCount);
    // Re-aim the hierarchy links at the copy's own bones.
    const auto rebase = [&](Bone* bone) -> Bone* {
        return bone ? own->bones.data() + (bone - src.bones) : nullptr;
    };
    for (Bone& bone : own->bones) {
        bone.parent = rebase(bone.parent);
        bone.firstChild = rebase(bone.firstChild);
        bone.nextSibling = rebase(bone.nextSibling);
    }
    own->animations.assign(src.animations, src.animations + src.animationCount);
    if (src.skinnedPositions)
        own->positions.assign(src.skinnedPositions, src.skinnedPositions + src.vertexCount);
    if (src.skinnedNormals) own->normals.assign(src.skinnedNormals, src.skinnedNormals + src.vertexCount);

    dst.bones = own->bones.empty() ? nullptr : own->bones.data();
    dst.boneCount = src.boneCount;
    dst.animations = own->animations.empty() ? nullptr : own->animations.data();
    dst.animationCount = src.animationCount;
    dst.skinnedPositions = own->positions.empty() ? nullptr : own->positions.data();
    dst.skinnedNormals = own->normals.empty() ? nullptr : own->normals.data();
    dst.texCoordArray = src.texCoordArray;
    dst.rootBone = src.rootBone;
    dst.currentAnimation = src.currentAnimation;
    dst.animationFinished = src.animationFinished;
    dst.poseRadius = src.poseRadius;
    dst.skinnedPoseCurrent = src.skinnedPoseCurrent;
    dst.skeletonStore = std::move(own);
}

bool readSkinnedModel(SkinnedModel& model, const char* text, std::size_t size, const char* fileName) {
    std::shared_ptr<SkeletonStore> store;
    Hierarchy hierarchy;
    if (!parseSkinned(model, text, size, fileName, store, hierarchy)) return false;
    finishSkinned(model, std::move(store), hierarchy, fileName ? fileName : "");
    return true;
}

int findBone(const SkinnedModel& model, const char* name) {
    if (!name || !model.bones) return -1;
    for (std::uint32_t i = 0; i < model.boneCount; ++i) {
        if (std::strncmp(model.bones[i].name, name, sizeof model.bones[i].name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

int findAnimation(const SkinnedModel& model, const char* name) {
    if (!name || !model.animations) return -1;
    for (std::uint32_t i = 0; i < model.animationCount; ++i) {
        if (std::strncmp(model.animations[i].name, name, sizeof model.animations[i].name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

void destroySkinnedModel(SkinnedModel& model) {
    releaseSkeleton(model);
    destroyStaticModel(model);
}
