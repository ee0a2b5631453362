#include "model/static_model.h"

#include "app/utilities.h"
#include "cave/cave_cell.h"
#include "model/a3f_reader.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

struct ModelMeshStore {
    std::vector<ModelVertex> vertices;
    std::vector<std::uint32_t> faces;
};

namespace {

constexpr std::uint32_t AnyCount = std::numeric_limits<std::uint32_t>::max();

struct AlphaWord {
    const char* word;
    AlphaMode mode;
};

constexpr AlphaWord AlphaWords[] = {
    {"NONE", AlphaNone},
    {"LUMINANCE", AlphaLuminance},
    {"ILLUMINANCE", AlphaIlluminance},
    {"BLACK_MASK", AlphaBlackMask},
    {"RED", AlphaRed},
    {"GREEN", AlphaGreen},
    {"BLUE", AlphaBlue},
    {"RED_MASK", AlphaRedMask},
    {"GREEN_MASK", AlphaGreenMask},
    {"BLUE_MASK", AlphaBlueMask},
};

// What one pass of the static reader gathers beside the model itself.
struct StaticRead {
    A3fReader& in;
    StaticModel& model;
    ExtraSections* extra;
    ModelMeshStore store;
    bool sawVertices = false;
    bool sawFaces = false;
    bool sawMaterials = false;
    bool reported = false;  // a message of its own was shown
    // The largest indices the faces use, and the first face using each.
    std::uint32_t largestVertex = 0, largestVertexFace = 0;
    std::uint32_t largestMaterial = 0, largestMaterialFace = 0;
};

bool readVertices(StaticRead& r) {
    A3fReader& in = r.in;
    StaticModel& model = r.model;
    std::string_view format;
    if (!in.next(format)) return false;
    if (format == "POSITION_NORMAL_TEXCOORDS") {
        model.hasNormals = model.hasTexCoords = true;
    } else if (format == "POSITION_TEXCOORDS") {
        model.hasNormals = false;
        model.hasTexCoords = true;
    } else if (format == "POSITION_NORMAL") {
        model.hasNormals = true;
        model.hasTexCoords = false;
    } else {
        char shown[TextureNameCapacity] = {};
        std::memcpy(shown, format.data(), std::min(format.size(), sizeof shown - 1));
        ShowMessage("Bad vertex format:", shown);
        r.reported = true;
        return false;
    }
    const std::uint32_t perVertex = 3 + (model.hasNormals ? 3 : 0) + (model.hasTexCoords ? 2 : 0);
    std::uint32_t count = 0;
    if (!in.count(count, perVertex, AnyCount, "vertices")) return false;
    std::vector<ModelVertex>& vertices = r.store.vertices;
    vertices.assign(count, ModelVertex{});
    Vector3 low{100000.0f, 100000.0f, 100000.0f};
    Vector3 high{-100000.0f, -100000.0f, -100000.0f};
    for (ModelVertex& vertex : vertices) {
        for (int k = 0; k < 3; ++k) {
            if (!in.number(vertex.position[k])) return false;
            low[k] = std::min(low[k], vertex.position[k]);
            high[k] = std::max(high[k], vertex.position[k]);
        }
        for (int k = 0; k < 3 && model.hasNormals; ++k) {
            if (!in.number(vertex.normal[k])) return false;
        }
        if (model.hasTexCoords && !(in.number(vertex.u) && in.number(vertex.v))) return false;
    }
    model.vertexCount = count;
    model.boundsMin = low;
    model.boundsMax = high;
    model.radiusSq = std::max(dot(low, low), dot(high, high));

    // A planar projection onto x and the longer of the other two axes.
    if (!model.hasTexCoords && low.x != high.x) {
        const int second = (high.y - low.y) > (high.z - low.z) ? 1 : 2;
        const float across = high.x - low.x;
        const float down = high[second] - low[second];
        if (down == 0.0f) {
            ShowMessage("Bad model:", "1 dimensional");
            r.reported = true;
            return false;
        }
        for (ModelVertex& vertex : vertices) {
            vertex.u = (vertex.position[0] - low.x) / across;
            vertex.v = (vertex.position[second] - low[second]) / down;
        }
    }
    const std::string_view close = in.closeStep();
    if (!close.empty() && close != "}") return in.fail("VERTICES holds more than %u vertices", count);
    r.sawVertices = true;
    return true;
}

bool readFaces(StaticRead& r) {
    A3fReader& in = r.in;
    StaticModel& model = r.model;
    std::uint32_t count = 0;
    if (!in.count(count, 4, AnyCount / 3, "faces")) return false;
    for (ModelMaterial& material : model.materials) material.firstFace = material.faceCount = 0;
    std::vector<std::uint32_t>& faces = r.store.faces;
    faces.assign(std::size_t{3} * count, 0);
    r.largestVertex = r.largestVertexFace = r.largestMaterial = r.largestMaterialFace = 0;
    int previous = -1;
    for (std::uint32_t f = 0; f < count; ++f) {
        for (int k = 0; k < 3; ++k) {
            std::uint32_t& index = faces[std::size_t{3} * f + k];
            if (!in.unsignedNumber(index)) return false;
            if (index > r.largestVertex) {
                r.largestVertex = index;
                r.largestVertexFace = f;
            }
        }
        std::uint32_t m = 0;
        if (!in.unsignedNumber(m)) return false;
        if (m >= static_cast<std::uint32_t>(MaxModelMaterials))
            return in.fail("face %u uses material %u, at most %d materials", f, m, MaxModelMaterials);
        if (m > r.largestMaterial) {
            r.largestMaterial = m;
            r.largestMaterialFace = f;
        }
        // Each material owns one run of consecutive faces.
        if (static_cast<int>(m) != previous) {
            model.materials[m].firstFace = f;
            if (previous >= 0) model.materials[previous].faceCount = f - model.materials[previous].firstFace;
            previous = static_cast<int>(m);
        }
    }
    if (previous >= 0) model.materials[previous].faceCount = count - model.materials[previous].firstFace;
    model.faceCount = count;
    const std::string_view close = in.closeStep();
    if (!close.empty() && close != "}") return in.fail("FACES holds more than %u faces", count);
    r.sawFaces = true;
    return true;
}

AlphaMode alphaModeOf(std::string_view word, float& alphaValue) {
    for (const AlphaWord& alpha : AlphaWords) {
        if (word == alpha.word) return alpha.mode;
    }
    alphaValue = leadingNumber(word);
    return AlphaNumber;
}

bool readColour(A3fReader& in, float (&colour)[4]) {
    for (float& channel : colour) {
        if (!in.number(channel)) return false;
    }
    return true;
}

bool readTextureBlock(A3fReader& in, ModelMaterial& material) {
    for (std::string_view t = in.token(); !t.empty() && t != "}"; t = in.token()) {
        if (t == "FILE") {
            if (!in.name(material.textureFile, sizeof material.textureFile, "texture file name"))
                return false;
            material.hasTextureFile = true;
        } else if (t == "ALPHA") {
            std::string_view word;
            if (!in.next(word)) return false;
            material.alphaMode = alphaModeOf(word, material.alphaValue);
        }
    }
    return true;
}

bool readMaterial(A3fReader& in, ModelMaterial& material) {
    material.alphaMode = AlphaNone;
    material.hasTextureFile = false;
    material.textureFile[0] = '\0';
    std::string_view t;
    if (!in.next(t)) return false;
    if (t == "}") return true;
    for (t = in.token(); !t.empty() && t != "}"; t = in.token()) {
        bool ok = true;
        if (t == "NAME") {
            ok = in.name(material.name, sizeof material.name, "material name");
        } else if (t == "AMBIENT") {
            ok = readColour(in, material.ambient);
        } else if (t == "DIFFUSE") {
            ok = readColour(in, material.diffuse);
        } else if (t == "SPECULAR") {
            ok = readColour(in, material.specular);
        } else if (t == "EMISSION") {
            ok = readColour(in, material.emission);
        } else if (t == "SHININESS") {
            ok = in.unsignedNumber(material.shininess);
        } else if (t == "TEXTURE") {
            ok = readTextureBlock(in, material);
        }
        if (!ok) return false;
    }
    return true;
}

bool readMaterials(StaticRead& r) {
    std::uint32_t count = 0;
    if (!r.in.count(count, 1, MaxModelMaterials, "materials")) return false;
    r.model.materialCount = count;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!readMaterial(r.in, r.model.materials[i])) return false;
    }
    r.sawMaterials = true;
    return true;
}

bool readSections(StaticRead& r, const char* fileName) {
    A3fReader& in = r.in;
    if (in.token() != "A3F") {
        ShowMessage("Not an .a3f file:", fileName);
        r.reported = true;
        return false;
    }
    for (std::string_view t = in.openStep(); !t.empty(); t = in.openStep()) {
        bool ok = true;
        if (t == "VERSION") {
            in.closeStep();
        } else if (t == "COMMENT") {
            in.skipPastClose();
        } else if (t == "VERTICES") {
            ok = readVertices(r);
        } else if (t == "FACES") {
            ok = readFaces(r);
        } else if (t == "MATERIALS") {
            ok = readMaterials(r);
        } else if (r.extra) {
            ok = r.extra->section(t, in);
        }
        if (!ok) return false;
    }
    if (!r.sawVertices) {
        ShowMessage("Failed to find section VERTICES:", fileName);
        r.reported = true;
        return false;
    }
    if (!r.sawFaces) {
        ShowMessage("Failed to find section FACES:", fileName);
        r.reported = true;
        return false;
    }
    const StaticModel& model = r.model;
    if (model.faceCount > 0 && r.largestVertex >= model.vertexCount)
        return in.fail("face %u names vertex %u of %u", r.largestVertexFace, r.largestVertex,
                       model.vertexCount);
    if (r.sawMaterials && model.faceCount > 0 && r.largestMaterial >= model.materialCount)
        return in.fail("face %u uses material %u of %u", r.largestMaterialFace, r.largestMaterial,
                       model.materialCount);
    return true;
}

}  // namespace

void releaseMesh(StaticModel& model) {
    model.meshStore.reset();
    model.vertices = nullptr;
    model.faces = nullptr;
    model.vertexCount = 0;
    model.faceCount = 0;
    model.loaded = 0;
}

bool parseStaticModel(StaticModel& model, const char* text, std::size_t size, const char* fileName,
                      ExtraSections* extra) {
    if (!fileName) fileName = "";
    if (model.isCopy) {
        // The list and textures were the source's; this record now owns its own.
        model.isCopy = false;
        model.displayList = NoDisplayList;
    }
    releaseMesh(model);
    std::fill(std::begin(model.materials), std::end(model.materials), ModelMaterial{});
    model.materialCount = 0;
    model.hasNormals = model.hasTexCoords = false;

    A3fReader in(text, size);
    StaticRead read{in, model, extra, {}};
    if (!readSections(read, fileName)) {
        if (!read.reported) showBadModel(fileName, in.failure());
        releaseMesh(model);
        model.materialCount = 0;
        return false;
    }
    auto store = std::make_shared<ModelMeshStore>(std::move(read.store));
    model.vertices = store->vertices.empty() ? nullptr : store->vertices.data();
    model.faces = store->faces.empty() ? nullptr : store->faces.data();
    model.meshStore = std::move(store);
    model.loaded = 1;
    return true;
}

void loadMaterialTextures(StaticModel& model) {
    for (std::uint32_t i = 0; i < model.materialCount && i < MaxModelMaterials; ++i) {
        ModelMaterial& material = model.materials[i];
        if (material.hasTextureFile)
            material.texture = LoadTexture(material.textureFile, material.alphaMode, material.alphaValue);
    }
}

bool readStaticModel(StaticModel& model, const char* text, std::size_t size, const char* fileName) {
    return parseStaticModel(model, text, size, fileName);
}

bool loadStaticModel(StaticModel& model, const char* fileName) {
    std::vector<char> bytes;
    if (!readModelFile(fileName, bytes)) {
        releaseMesh(model);
        return false;
    }
    if (!parseStaticModel(model, bytes.data(), bytes.size(), fileName)) return false;
    loadMaterialTextures(model);
    return true;
}

void compileStaticModel(const char* fileName, StaticModel& model) {
    if (!loadStaticModel(model, fileName)) return;
    std::uint32_t list = takeListName();
    if (list == NoDisplayList) list = takeListName();  // 1000 reads as "no list"
    if (list == 0) return;
    model.displayList = list;
    const bool textured = model.materials[0].texture != 0;
    glNewList(list, GL_COMPILE);
    for (std::uint32_t i = 0; i < model.materialCount; ++i) {
        const ModelMaterial& material = model.materials[i];
        glColor4fv(material.diffuse);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
        // GL refuses exponents over 128 and would keep the previous one.
        glMateriali(GL_FRONT, GL_SHININESS,
                    static_cast<GLint>(std::min<std::uint32_t>(material.shininess, 128)));
        if (material.alphaMode != AlphaNone) glEnable(GL_BLEND);
        glBegin(GL_TRIANGLES);
        const std::size_t first = std::size_t{3} * material.firstFace;
        const std::size_t end = first + std::size_t{3} * material.faceCount;
        for (std::size_t j = first; j < end; ++j) {
            const ModelVertex& w = model.vertices[model.faces[j]];
            if (textured) glTexCoord2f(w.u, w.v);
            if (model.hasNormals) glNormal3fv(w.normal);
            glVertex3fv(w.position);
        }
        glEnd();
        if (material.alphaMode != AlphaNone) glDisable(GL_BLEND);
    }
    glEndList();
}

void copyStaticModel(StaticModel& dst, const StaticModel& src) {
    dst.isCopy = true;
    dst.matrix = src.matrix;
    dst.position = src.position;
    dst.angles = src.angles;
    dst.boundsMin = src.boundsMin;
    dst.boundsMax = src.boundsMax;
    dst.radiusSq = src.radiusSq;
    dst.displayList = src.displayList;
    dst.materialCount = std::min<std::uint32_t>(src.materialCount, MaxModelMaterials);
    std::copy_n(src.materials, dst.materialCount, dst.materials);
    dst.loaded = src.loaded;
    dst.faceCount = src.faceCount;
    dst.vertexCount = src.vertexCount;
    dst.vertices = src.vertices;
    dst.faces = src.faces;
    dst.meshStore = src.meshStore;
}

unsigned int destroyStaticModel(StaticModel& model) {
    if (model.isCopy) return 0;
    releaseMesh(model);
    bool calledGl = false;
    if (model.displayList != NoDisplayList && model.displayList != 0) {
        glDeleteLists(model.displayList, 1);
        calledGl = true;
    }
    model.displayList = NoDisplayList;
    for (std::uint32_t i = 0; i < model.materialCount && i < MaxModelMaterials; ++i) {
        TextureId& texture = model.materials[i].texture;
        if (texture != 0) {
            glDeleteTextures(1, &texture);
            texture = 0;
            calledGl = true;
        }
    }
    return calledGl ? glGetError() : 0;
}
