// Playback, skinning and drawing of skinned models: the per-frame work,
// which allocates nothing.

#include "model/bone_walk.h"
#include "model/skinned_model.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

Bone* boneOf(SkinnedModel& model, const AnimationFrame& frame) {
    if (frame.bone < 0 || static_cast<std::uint32_t>(frame.bone) >= model.boneCount) return nullptr;
    return &model.bones[frame.bone];
}

Bone* rootOf(SkinnedModel& model) {
    if (!model.bones || model.rootBone < 0 || static_cast<std::uint32_t>(model.rootBone) >= model.boneCount)
        return nullptr;
    return &model.bones[model.rootBone];
}

// Loops t back into (0, length]; t equal to a multiple of the length stays
// at the length, as repeated subtraction would leave it.
float wrapTime(float t, float length) {
    float wrapped = std::fmod(t, length);
    return wrapped == 0.0f ? length : wrapped;
}

bool hasSkeleton(const SkinnedModel& model) {
    return model.loaded != 0 && model.bones && model.skinnedPositions;
}

}  // namespace

bool setAnimation(SkinnedModel& model, int index, bool loop, float startTime) {
    if (!model.animations) return false;
    if (index >= 0 && static_cast<std::uint32_t>(index) >= model.animationCount) return false;
    model.currentAnimation = index;
    model.skinnedPoseCurrent = false;
    if (index >= 0) {
        model.animationFinished = false;
        model.animations[index].loop = loop;
        model.animations[index].time = startTime;
    }
    return true;
}

void advanceAnimation(SkinnedModel& model, float dt) {
    if (!model.animations || model.currentAnimation < 0 ||
        static_cast<std::uint32_t>(model.currentAnimation) >= model.animationCount)
        return;
    if (model.animationFinished) {
        computeWorldMatrices(model);
        return;
    }
    Animation& a = model.animations[model.currentAnimation];
    const int n = a.keyCount;
    if (n <= 0 || !a.keys) return;
    const AnimationKey& first = a.keys[0];
    float t = a.time + dt;

    if (t < 0.0f) {
        // Each step covers its share of the time still left, so the pose
        // lands on key 0 exactly when the blend-in ends.
        a.time = t;
        const float f = std::min(dt / -t, 1.0f);
        for (int k = 0; k < first.frameCount; ++k) {
            if (Bone* bone = boneOf(model, first.frames[k]))
                blendMatrix(first.frames[k].matrix, bone->local, f);
        }
        computeWorldMatrices(model);
        return;
    }
    if (n == 1) {
        for (int k = 0; k < first.frameCount; ++k) {
            if (Bone* bone = boneOf(model, first.frames[k])) bone->local = first.frames[k].matrix;
        }
        if (!a.loop) model.animationFinished = true;
        computeWorldMatrices(model);
        return;
    }
    if (a.loop && a.length > 0.0f && t > a.length) t = wrapTime(t, a.length);
    if (!a.loop && t > a.length) {
        model.animationFinished = true;
        return;
    }
    a.time = t;

    int i = n - 1;
    while (i > 0 && t < a.keys[i].time) --i;
    const int j = (i + 1) % n;
    const AnimationKey& from = a.keys[i];
    const AnimationKey& to = a.keys[j];
    const float next = to.time + (j < i ? a.length : 0.0f);
    const float span = next - from.time;
    const float f = span > 0.0f ? (t - from.time) / span : 0.0f;
    const int frames = std::min(from.frameCount, to.frameCount);
    for (int k = 0; k < frames; ++k) {
        Bone* bone = boneOf(model, from.frames[k]);
        if (!bone) continue;
        bone->local = from.frames[k].matrix;
        blendMatrix(to.frames[k].matrix, bone->local, f);
    }
    computeWorldMatrices(model);
}

void computeWorldMatrices(SkinnedModel& model) {
    forEachBoneFromRoot(rootOf(model), model.boneCount, [](Bone& bone) {
        if (bone.parent) {
            multiplyAffine(bone.parent->world, bone.local, bone.world);
        } else {
            bone.world = bone.local;
        }
    });
}

namespace {

// The entries of a bone's skin matrix that move a point, copied out of the
// matrix so that stores into the skinned arrays cannot alias them.
struct BoneSkin {
    float s0, s1, s2, s4, s5, s6, s8, s9, s10, s12, s13, s14;
};

BoneSkin skinOf(const Bone& bone) {
    Matrix4 m;
    multiplyAffine(bone.world, bone.inverseBind, m);
    return {m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10], m[12], m[13], m[14]};
}

// Adds one weight's share of the bone's pose to its vertex; each share of the
// normal is renormalised.
inline void skinWeight(const BoneSkin& k, const ModelVertex& rest, float weight, Vector3& position,
                       Vector3* normal) {
    const float px = rest.position[0], py = rest.position[1], pz = rest.position[2];
    position.x += weight * (k.s0 * px + k.s4 * py + k.s8 * pz + k.s12);
    position.y += weight * (k.s1 * px + k.s5 * py + k.s9 * pz + k.s13);
    position.z += weight * (k.s2 * px + k.s6 * py + k.s10 * pz + k.s14);
    if (!normal) return;
    const float qx = rest.normal[0], qy = rest.normal[1], qz = rest.normal[2];
    const Vector3 turned{k.s0 * qx + k.s4 * qy + k.s8 * qz, k.s1 * qx + k.s5 * qy + k.s9 * qz,
                         k.s2 * qx + k.s6 * qy + k.s10 * qz};
    const float len = length(turned);
    const float scale = len != 0.0f ? weight / len : weight;
    normal->x += scale * turned.x;
    normal->y += scale * turned.y;
    normal->z += scale * turned.z;
}

#if defined(__SSE2__)
constexpr std::uint32_t SkinLanes = 4;

// Four weights of a bone as skinWeight adds them, one to a lane: the same
// operations in the same order, so the sums agree to the last bit, with the
// square roots and divisions four to an instruction.
void skinFourWeights(const BoneSkin& k, const ModelVertex* rest, const BoneWeight* weights, Vector3* positions,
                     Vector3* normals) {
    const ModelVertex& a = rest[weights[0].vertex];
    const ModelVertex& b = rest[weights[1].vertex];
    const ModelVertex& c = rest[weights[2].vertex];
    const ModelVertex& d = rest[weights[3].vertex];
    const auto lanes = [](const float* p0, const float* p1, const float* p2, const float* p3, int i) {
        return _mm_setr_ps(p0[i], p1[i], p2[i], p3[i]);
    };
    const auto turn = [](float x, __m128 px, float y, __m128 py, float z, __m128 pz) {
        return _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(x), px), _mm_mul_ps(_mm_set1_ps(y), py)),
                          _mm_mul_ps(_mm_set1_ps(z), pz));
    };
    const __m128 w = _mm_setr_ps(weights[0].weight, weights[1].weight, weights[2].weight, weights[3].weight);
    alignas(16) float share[3][SkinLanes];
    const auto add = [&](Vector3* to) {
        for (std::uint32_t lane = 0; lane < SkinLanes; ++lane) {
            Vector3& v = to[weights[lane].vertex];
            v.x += share[0][lane];
            v.y += share[1][lane];
            v.z += share[2][lane];
        }
    };

    const __m128 px = lanes(a.position, b.position, c.position, d.position, 0);
    const __m128 py = lanes(a.position, b.position, c.position, d.position, 1);
    const __m128 pz = lanes(a.position, b.position, c.position, d.position, 2);
    _mm_store_ps(share[0], _mm_mul_ps(w, _mm_add_ps(turn(k.s0, px, k.s4, py, k.s8, pz), _mm_set1_ps(k.s12))));
    _mm_store_ps(share[1], _mm_mul_ps(w, _mm_add_ps(turn(k.s1, px, k.s5, py, k.s9, pz), _mm_set1_ps(k.s13))));
    _mm_store_ps(share[2], _mm_mul_ps(w, _mm_add_ps(turn(k.s2, px, k.s6, py, k.s10, pz), _mm_set1_ps(k.s14))));
    add(positions);
    if (!normals) return;

    const __m128 qx = lanes(a.normal, b.normal, c.normal, d.normal, 0);
    const __m128 qy = lanes(a.normal, b.normal, c.normal, d.normal, 1);
    const __m128 qz = lanes(a.normal, b.normal, c.normal, d.normal, 2);
    const __m128 tx = turn(k.s0, qx, k.s4, qy, k.s8, qz);
    const __m128 ty = turn(k.s1, qx, k.s5, qy, k.s9, qz);
    const __m128 tz = turn(k.s2, qx, k.s6, qy, k.s10, qz);
    const __m128 len =
        _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(tx, tx), _mm_mul_ps(ty, ty)), _mm_mul_ps(tz, tz)));
    const __m128 turned = _mm_cmpneq_ps(len, _mm_setzero_ps());
    const __m128 scale = _mm_or_ps(_mm_and_ps(turned, _mm_div_ps(w, len)), _mm_andnot_ps(turned, w));
    _mm_store_ps(share[0], _mm_mul_ps(scale, tx));
    _mm_store_ps(share[1], _mm_mul_ps(scale, ty));
    _mm_store_ps(share[2], _mm_mul_ps(scale, tz));
    add(normals);
}
#endif

}  // namespace

void skinBones(SkinnedModel& model) {
    if (!model.skinnedPositions) return;
    Vector3* positions = model.skinnedPositions;
    Vector3* normals = model.hasNormals && model.skinNormals ? model.skinnedNormals : nullptr;
    const ModelVertex* rest = model.vertices;
    const std::uint32_t vertexCount = model.vertexCount;
    forEachBoneFromRoot(rootOf(model), model.boneCount, [&](Bone& bone) {
        const BoneSkin k = skinOf(bone);
        const BoneWeight* weights = bone.weights;
        std::uint32_t w = 0;
#if defined(__SSE2__)
        for (; w + SkinLanes <= bone.weightCount; w += SkinLanes) {
            const BoneWeight* four = weights + w;
            if (four[0].vertex >= vertexCount || four[1].vertex >= vertexCount ||
                four[2].vertex >= vertexCount || four[3].vertex >= vertexCount)
                break;  // the file was damaged: the checked path below skips what it must
            skinFourWeights(k, rest, four, positions, normals);
        }
#endif
        for (; w < bone.weightCount; ++w) {
            const std::uint32_t v = weights[w].vertex;
            if (v >= vertexCount) continue;
            skinWeight(k, rest[v], weights[w].weight, positions[v], normals ? normals + v : nullptr);
        }
    });
}

void poseSkinnedModel(SkinnedModel& model, float dt) {
    if (!hasSkeleton(model)) return;
    // A finished animation only recomputes the same world matrices from the
    // same local ones: the skinned mesh it left stays right.
    const bool held = model.animationFinished && model.animations && model.currentAnimation >= 0;
    if (model.animations) advanceAnimation(model, dt);
    if (!(held && model.animationFinished)) model.skinnedPoseCurrent = false;
}

void skinIfStale(SkinnedModel& model) {
    if (!hasSkeleton(model) || model.skinnedPoseCurrent) return;
    model.skinnedPoseCurrent = true;
    std::fill_n(model.skinnedPositions, model.vertexCount, Vector3{});
    if (model.hasNormals && model.skinNormals && model.skinnedNormals)
        std::fill_n(model.skinnedNormals, model.vertexCount, Vector3{});
    skinBones(model);
}

void updateSkinnedModel(SkinnedModel& model, float dt) {
    poseSkinnedModel(model, dt);
    skinIfStale(model);
}

bool inViewVolume(const SkinnedModel& model) {
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const float* m = model.matrix.data();
    // clip = projection * matrix, column-major as GL keeps them.
    float c[16];
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += projection[4 * k + row] * m[4 * col + k];
            c[4 * col + row] = sum;
        }
    }
    const float radius = model.poseRadius;
    // Each plane is row 3 plus or minus row 0, 1 or 2 of the clip matrix,
    // so in model space, where the sphere is.
    for (int axis = 0; axis < 3; ++axis) {
        for (const float sign : {1.0f, -1.0f}) {
            const float a = c[3] + sign * c[axis];
            const float b = c[7] + sign * c[4 + axis];
            const float d = c[11] + sign * c[8 + axis];
            const float w = c[15] + sign * c[12 + axis];
            // The model's origin against the plane, in model units.
            const float length = std::sqrt(a * a + b * b + d * d);
            if (length == 0.0f) continue;
            if (w / length < -radius) return false;
        }
    }
    return true;
}

namespace {

void sendSkinnedModel(const SkinnedModel& model) {
    const bool normals = model.hasNormals && model.skinNormals && model.skinnedNormals;
    const bool texCoords = model.hasTexCoords && model.texCoordArray;
    glVertexPointer(3, GL_FLOAT, 0, model.skinnedPositions);
    if (normals) {
        glNormalPointer(GL_FLOAT, 0, model.skinnedNormals);
    } else {
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    if (texCoords) {
        glTexCoordPointer(2, GL_FLOAT, 0, model.texCoordArray);
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glLoadMatrixf(model.matrix.data());
    for (std::uint32_t i = 0; i < model.materialCount && i < MaxModelMaterials; ++i) {
        const ModelMaterial& material = model.materials[i];
        glBindTexture(GL_TEXTURE_2D, material.texture);
        glColor4fv(material.diffuse);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
        glMateriali(GL_FRONT, GL_SHININESS,
                    static_cast<GLint>(std::min<std::uint32_t>(material.shininess, 128)));
        if (material.alphaMode != AlphaNone) glEnable(GL_BLEND);
        if (material.faceCount > 0 && model.faces)
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * material.faceCount), GL_UNSIGNED_INT,
                           model.faces + std::size_t{3} * material.firstFace);
        if (material.alphaMode != AlphaNone) glDisable(GL_BLEND);
    }
    if (!normals) glEnableClientState(GL_NORMAL_ARRAY);
    if (!texCoords) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace

void drawSkinnedModel(const SkinnedModel& model) {
    if (!hasSkeleton(model)) return;
    if (model.poseRadius > 0.0f && !inViewVolume(model)) return;
    sendSkinnedModel(model);
}

bool drawSkinnedModelInView(SkinnedModel& model) {
    if (!hasSkeleton(model)) return false;
    if (model.poseRadius > 0.0f && !inViewVolume(model)) return false;
    skinIfStale(model);
    sendSkinnedModel(model);
    return true;
}
