#include "a3f_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <set>

namespace {

constexpr std::size_t MaxShortName = 31;  // bone and animation names
constexpr std::size_t MaxLongName = 259;  // material and file names
constexpr std::size_t MaxMaterials = 32;

// The section words of either reader; a name spelled like one of them would
// be taken for a section.
bool isSectionWord(const std::string& word) {
    static const std::set<std::string> words = {"VERSION",   "COMMENT", "VERTICES",   "FACES",
                                                "MATERIALS", "BONES",   "ANIMATIONS", "A3F"};
    return words.count(word) > 0;
}

bool checkName(const std::string& name, std::size_t limit, const std::string& what, std::string& error) {
    bool ok = !name.empty() && name.size() <= limit && !isSectionWord(name) && name != "{" && name != "}";
    for (char c : name) ok = ok && c > ' ' && c < 127;
    if (!ok) error = what + " name \"" + name + "\" cannot be written";
    return ok;
}

void append(std::string& out, float value) { out += formatNumber(value); }

void appendRgba(std::string& out, const char* key, const Rgba& c) {
    out += "    ";
    out += key;
    for (float v : {c.red, c.green, c.blue, c.alpha}) {
        out += ' ';
        append(out, v);
    }
    out += '\n';
}

void appendMatrix(std::string& out, const Matrix4& m) {
    for (int i = 0; i < 16; ++i) {
        out += ' ';
        append(out, m[i]);
    }
}

std::string formatWeight(std::uint32_t millionths) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%u.%06u", millionths / WeightUnit, millionths % WeightUnit);
    return digits;
}

bool checkModel(const A3fModel& model, std::string& error) {
    std::string word;
    for (std::size_t i = 0; i <= model.comment.size(); ++i) {
        if (i < model.comment.size() && model.comment[i] != ' ') {
            word += model.comment[i];
            continue;
        }
        if (word == "}" || isSectionWord(word)) {
            error = "the comment holds \"" + word + "\"";
            return false;
        }
        word.clear();
    }
    if (model.materials.size() > MaxMaterials) {
        error = std::to_string(model.materials.size()) + " materials, at most 32 are read";
        return false;
    }
    for (const A3fMaterial& m : model.materials) {
        if (!checkName(m.name, MaxLongName, "material", error)) return false;
        if (!m.textureFile.empty() && !checkName(m.textureFile, MaxLongName, "texture file", error))
            return false;
        if (!checkName(m.alpha, MaxLongName, "alpha", error)) return false;
    }
    const std::size_t vertexCount = model.mesh.vertices.size();
    for (const MeshTriangle& t : model.mesh.triangles) {
        if (t.a >= vertexCount || t.b >= vertexCount || t.c >= vertexCount || t.part < 0 ||
            static_cast<std::size_t>(t.part) >= model.materials.size()) {
            error = "a face names a vertex or material that is not there";
            return false;
        }
    }
    if (model.bones.empty()) return true;

    std::map<std::string, std::size_t> boneIndex;
    int roots = 0;
    for (std::size_t i = 0; i < model.bones.size(); ++i) {
        const A3fBone& b = model.bones[i];
        if (!checkName(b.name, MaxShortName, "bone", error)) return false;
        if (!boneIndex.emplace(b.name, i).second) {
            error = "two bones are called " + b.name;
            return false;
        }
        roots += b.parent == "NONE";
    }
    if (roots != 1) {
        error = "the skeleton needs exactly one root bone";
        return false;
    }
    std::vector<std::uint64_t> weightSums(vertexCount, 0);
    for (const A3fBone& b : model.bones) {
        if (b.parent != "NONE" && boneIndex.count(b.parent) == 0) {
            error = "bone " + b.name + " has no parent " + b.parent;
            return false;
        }
        for (const auto& [vertex, weight] : b.weights) {
            if (vertex >= vertexCount || weight == 0 || weight > WeightUnit) {
                error = "bone " + b.name + " has a bad weight";
                return false;
            }
            weightSums[vertex] += weight;
        }
    }
    for (std::size_t v = 0; v < vertexCount; ++v) {
        if (weightSums[v] != WeightUnit) {
            error = "the weights of vertex " + std::to_string(v) + " do not add up to 1";
            return false;
        }
    }
    for (const A3fAnimation& a : model.animations) {
        if (!checkName(a.name, MaxShortName, "animation", error)) return false;
        if (a.keys.empty() || a.keys.front().time != 0.0f || a.keys.back().time > a.length) {
            error = "animation " + a.name + " must start at 0 and end within its length";
            return false;
        }
        for (std::size_t k = 0; k < a.keys.size(); ++k) {
            const A3fKey& key = a.keys[k];
            if (k > 0 && !(key.time > a.keys[k - 1].time)) {
                error = "the keys of " + a.name + " are out of order";
                return false;
            }
            if (key.frames.size() != model.bones.size()) {
                error = "a key of " + a.name + " misses bones";
                return false;
            }
            for (std::size_t f = 0; f < key.frames.size(); ++f) {
                if (key.frames[f].bone != model.bones[f].name) {
                    error = "a key of " + a.name + " lists its bones out of order";
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

std::string formatNumber(float value) {
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    std::string text(digits, result.ptr);
    if (text == "-0.000000") text = "0.000000";
    return text;
}

bool writeA3f(const A3fModel& model, std::string& text, std::string& error) {
    if (!checkModel(model, error)) return false;
    const Mesh& mesh = model.mesh;
    std::string out;
    out.reserve(mesh.vertices.size() * 80 + mesh.triangles.size() * 24 + 4096);
    out += "A3F\nVERSION { 1.0 }\n";
    if (!model.comment.empty()) out += "COMMENT { " + model.comment + " }\n";

    const bool normals = model.format != VertexFormat::PositionTexcoords;
    const bool texcoords = model.format != VertexFormat::PositionNormal;
    out += "VERTICES {\n  ";
    out += normals ? (texcoords ? "POSITION_NORMAL_TEXCOORDS" : "POSITION_NORMAL") : "POSITION_TEXCOORDS";
    out += "\n  " + std::to_string(mesh.vertices.size()) + "\n";
    for (const MeshVertex& v : mesh.vertices) {
        out += " ";
        for (float f : {v.position.x, v.position.y, v.position.z}) {
            out += ' ';
            append(out, f);
        }
        if (normals) {
            out += ' ';
            for (float f : {v.normal.x, v.normal.y, v.normal.z}) {
                out += ' ';
                append(out, f);
            }
        }
        if (texcoords) {
            out += ' ';
            for (float f : {v.u, v.v}) {
                out += ' ';
                append(out, f);
            }
        }
        out += '\n';
    }
    out += "}\n";

    // Each material owns one run of faces.
    std::vector<MeshTriangle> faces = mesh.triangles;
    std::stable_sort(faces.begin(), faces.end(),
                     [](const MeshTriangle& a, const MeshTriangle& b) { return a.part < b.part; });
    out += "FACES {\n  " + std::to_string(faces.size()) + "\n";
    for (const MeshTriangle& t : faces) {
        out += "  " + std::to_string(t.a) + ' ' + std::to_string(t.b) + ' ' + std::to_string(t.c) + ' ' +
               std::to_string(t.part) + '\n';
    }
    out += "}\n";

    out += "MATERIALS {\n  " + std::to_string(model.materials.size()) + "\n";
    for (const A3fMaterial& m : model.materials) {
        out += "  MATERIAL {\n    NAME " + m.name + "\n";
        appendRgba(out, "AMBIENT", m.ambient);
        appendRgba(out, "DIFFUSE", m.diffuse);
        appendRgba(out, "SPECULAR", m.specular);
        appendRgba(out, "EMISSION", m.emission);
        out += "    SHININESS " + std::to_string(m.shininess) + "\n";
        if (!m.textureFile.empty())
            out += "    TEXTURE {\n      FILE " + m.textureFile + "\n      ALPHA " + m.alpha + "\n    }\n";
        out += "  }\n";
    }
    out += "}\n";

    if (!model.bones.empty()) {
        out += "BONES {\n  " + std::to_string(model.bones.size()) + "\n";
        for (const A3fBone& b : model.bones) {
            out += "  BONE {\n    NAME " + b.name + "\n    PARENT " + b.parent + "\n    MATRIX";
            appendMatrix(out, b.fileMatrix);
            out += "\n    GRAMS ";
            append(out, b.grams);
            out += '\n';
            if (!b.weights.empty()) {
                out += "    VERTEX_WEIGHTS {\n      " + std::to_string(b.weights.size()) + "\n";
                for (const auto& [vertex, weight] : b.weights)
                    out += "      " + std::to_string(vertex) + ' ' + formatWeight(weight) + '\n';
                out += "    }\n";
            }
            out += "  }\n";
        }
        out += "}\n";
    }

    if (!model.animations.empty()) {
        out += "ANIMATIONS {\n  " + std::to_string(model.animations.size()) + "\n";
        for (const A3fAnimation& a : model.animations) {
            out += "  ANIMATION {\n    " + a.name + ' ' + formatNumber(a.length) + ' ' +
                   std::to_string(a.keys.size()) + '\n';
            for (const A3fKey& key : a.keys) {
                out += "    ANIM_KEY {\n      " + formatNumber(key.time) + ' ' +
                       std::to_string(key.frames.size()) + '\n';
                for (const A3fFrame& frame : key.frames) {
                    out += "      ANIM_FRAME { " + frame.bone;
                    appendMatrix(out, frame.matrix);
                    out += " }\n";
                }
                out += "    }\n";
            }
            out += "  }\n";
        }
        out += "}\n";
    }
    text = std::move(out);
    return true;
}
