// Playback, skinning and drawing of skinned models: the per-frame work,
// which allocates nothing.

#include "model/bone_walk.h"
#include "model/skinned_model.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

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

void skinBones(SkinnedModel& model) {
    if (!model.skinnedPositions) return;
    Vector3* positions = model.skinnedPositions;
    Vector3* normals = model.hasNormals && model.skinNormals ? model.skinnedNormals : nullptr;
    const ModelVertex* rest = model.vertices;
    const std::uint32_t vertexCount = model.vertexCount;
    forEachBoneFromRoot(rootOf(model), model.boneCount, [&](Bone& bone) {
        Matrix4 skin;
        multiplyAffine(bone.world, bone.inverseBind, skin);
        // Held in locals: the stores below could otherwise alias the matrix and force a reload per weight.
        const float s0 = skin[0], s1 = skin[1], s2 = skin[2], s4 = skin[4], s5 = skin[5], s6 = skin[6];
        const float s8 = skin[8], s9 = skin[9], s10 = skin[10], s12 = skin[12], s13 = skin[13], s14 = skin[14];
        const BoneWeight* weights = bone.weights;
        const std::uint32_t weightCount = bone.weightCount;
        for (std::uint32_t w = 0; w < weightCount; ++w) {
            const std::uint32_t v = weights[w].vertex;
            if (v >= vertexCount) continue;
            const float weight = weights[w].weight;
            const float* p = rest[v].position;
            const float px = p[0], py = p[1], pz = p[2];
            positions[v].x += weight * (s0 * px + s4 * py + s8 * pz + s12);
            positions[v].y += weight * (s1 * px + s5 * py + s9 * pz + s13);
            positions[v].z += weight * (s2 * px + s6 * py + s10 * pz + s14);
            if (!normals) continue;
            const float* q = rest[v].normal;
            const float qx = q[0], qy = q[1], qz = q[2];
            const Vector3 turned{s0 * qx + s4 * qy + s8 * qz, s1 * qx + s5 * qy + s9 * qz, s2 * qx + s6 * qy + s10 * qz};
            const float len = length(turned);
            const float scale = len != 0.0f ? weight / len : weight;
            normals[v].x += scale * turned.x;
            normals[v].y += scale * turned.y;
            normals[v].z += scale * turned.z;
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
