// The generated model files, read back with a reader of their own that
// insists on the exact layout, and checked for what the game needs of them.

#include "image/image_decoder.h"
#include "models/models.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

namespace {

struct Vertex {
    float position[3] = {0, 0, 0};
    float normal[3] = {0, 0, 0};
    float u = 0, v = 0;
};
struct Face {
    std::uint32_t index[3];
    std::uint32_t material;
};
struct Material {
    std::string name, file, alpha;
    float diffuse[4] = {0, 0, 0, 0};
};
struct Bone {
    std::string name, parent;
    Matrix4 fileMatrix;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> weights;  // vertex, millionths
};
struct Frame {
    std::string bone;
    Matrix4 matrix;
    std::string text;  // the 16 numbers as written
};
struct Key {
    float time = 0;
    std::vector<Frame> frames;
};
struct Animation {
    std::string name;
    float length = 0;
    std::vector<Key> keys;
};
struct Model {
    std::string format;
    std::vector<Vertex> vertices;
    std::vector<Face> faces;
    std::vector<Material> materials;
    std::vector<Bone> bones;
    std::vector<Animation> animations;
};

// Reads the exact layout the writer promises: every keyword, brace, count
// and fixed-point number where it belongs, and nothing after the end.
class StrictReader {
public:
    explicit StrictReader(const std::string& text) {
        std::istringstream in(text);
        std::string token;
        while (in >> token) tokens_.push_back(token);
    }

    bool read(Model& m, std::string& error) {
        word("A3F");
        word("VERSION"), word("{"), word("1.0"), word("}");
        if (peek() == "COMMENT") {
            next();
            word("{");
            while (ok_ && next() != "}") {
            }
        }
        word("VERTICES"), word("{");
        m.format = next();
        const bool normals = m.format != "POSITION_TEXCOORDS", texcoords = m.format != "POSITION_NORMAL";
        if (m.format != "POSITION_NORMAL_TEXCOORDS" && normals && texcoords)
            fail("vertex format " + m.format);
        m.vertices.resize(count());
        for (Vertex& v : m.vertices) {
            for (float& f : v.position) f = number();
            if (normals)
                for (float& f : v.normal) f = number();
            if (texcoords) v.u = number(), v.v = number();
        }
        word("}");
        word("FACES"), word("{");
        m.faces.resize(count());
        for (Face& f : m.faces) {
            for (std::uint32_t& i : f.index) i = count();
            f.material = count();
        }
        word("}");
        word("MATERIALS"), word("{");
        m.materials.resize(count());
        for (Material& mat : m.materials) {
            word("MATERIAL"), word("{");
            word("NAME");
            mat.name = next();
            for (const char* colour : {"AMBIENT", "DIFFUSE", "SPECULAR", "EMISSION"}) {
                word(colour);
                for (int i = 0; i < 4; ++i) {
                    const float f = number();
                    if (std::string(colour) == "DIFFUSE") mat.diffuse[i] = f;
                }
            }
            word("SHININESS");
            count();
            if (peek() == "TEXTURE") {
                next();
                word("{"), word("FILE");
                mat.file = next();
                word("ALPHA");
                mat.alpha = next();
                word("}");
            }
            word("}");
        }
        word("}");
        if (peek() == "BONES") readBones(m);
        if (peek() == "ANIMATIONS") readAnimations(m);
        if (ok_ && at_ != tokens_.size()) fail("more after the end: " + tokens_[at_]);
        error = error_;
        return ok_;
    }

private:
    void readBones(Model& m) {
        next();
        word("{");
        m.bones.resize(count());
        for (Bone& b : m.bones) {
            word("BONE"), word("{"), word("NAME");
            b.name = next();
            word("PARENT");
            b.parent = next();
            word("MATRIX");
            for (int i = 0; i < 16; ++i) b.fileMatrix[i] = number();
            word("GRAMS");
            number();
            if (peek() == "VERTEX_WEIGHTS") {
                next();
                word("{");
                b.weights.resize(count());
                for (auto& [vertex, weight] : b.weights) {
                    vertex = count();
                    weight = millionths(next());
                }
                word("}");
            }
            word("}");
        }
        word("}");
    }

    void readAnimations(Model& m) {
        next();
        word("{");
        m.animations.resize(count());
        for (Animation& a : m.animations) {
            word("ANIMATION"), word("{");
            a.name = next();
            a.length = number();
            a.keys.resize(count());
            for (Key& k : a.keys) {
                word("ANIM_KEY"), word("{");
                k.time = number();
                k.frames.resize(count());
                for (Frame& f : k.frames) {
                    word("ANIM_FRAME"), word("{");
                    f.bone = next();
                    for (int i = 0; i < 16; ++i) {
                        f.text += peek() + ' ';
                        f.matrix[i] = number();
                    }
                    word("}");
                }
                word("}");
            }
            word("}");
        }
        word("}");
    }

    void fail(const std::string& why) {
        if (ok_) error_ = why + " at token " + std::to_string(at_);
        ok_ = false;
    }
    std::string peek() const { return at_ < tokens_.size() ? tokens_[at_] : std::string(); }
    std::string next() {
        if (at_ >= tokens_.size()) {
            fail("early end");
            return {};
        }
        return tokens_[at_++];
    }
    void word(const char* expected) {
        const std::string got = next();
        if (got != expected) fail(std::string("expected ") + expected + ", got " + got);
    }
    float number() {
        static const std::regex fixed("-?[0-9]+\\.[0-9]{6}");
        const std::string t = next();
        if (!std::regex_match(t, fixed)) fail("not a fixed-point number: " + t);
        return std::strtof(t.c_str(), nullptr);
    }
    std::uint32_t count() {
        const std::string t = next();
        if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos) fail("not a count: " + t);
        return static_cast<std::uint32_t>(std::strtoul(t.c_str(), nullptr, 10));
    }
    std::uint32_t millionths(const std::string& t) {
        static const std::regex weight("([01])\\.([0-9]{6})");
        std::smatch parts;
        if (!std::regex_match(t, parts, weight)) {
            fail("not a weight: " + t);
            return 0;
        }
        return static_cast<std::uint32_t>(std::stoul(parts[1]) * 1000000 + std::stoul(parts[2]));
    }

    std::vector<std::string> tokens_;
    std::size_t at_ = 0;
    bool ok_ = true;
    std::string error_;
};

struct Media {
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::map<std::string, Model> models;
};

const Media& media() {
    static const std::unique_ptr<Media> made = [] {
        auto m = std::make_unique<Media>();
        std::vector<MediaFile> files;
        std::string error;
        EXPECT_TRUE(makeModelMedia(files, error)) << error;
        for (const MediaFile& f : files) {
            m->files[f.name] = f.bytes;
            if (f.name.size() > 4 && f.name.substr(f.name.size() - 4) == ".a3f") {
                Model model;
                const std::string text(f.bytes.begin(), f.bytes.end());
                EXPECT_TRUE(StrictReader(text).read(model, error)) << f.name << ": " << error;
                m->models[f.name] = model;
            }
        }
        return m;
    }();
    return *made;
}

const Model& model(const std::string& name) { return media().models.at(name); }

struct Box {
    float low[3] = {1e9f, 1e9f, 1e9f};
    float high[3] = {-1e9f, -1e9f, -1e9f};
    void add(const float* p) {
        for (int i = 0; i < 3; ++i) low[i] = std::min(low[i], p[i]), high[i] = std::max(high[i], p[i]);
    }
    float size(int axis) const { return high[axis] - low[axis]; }
};

Box bounds(const std::vector<Vertex>& vertices) {
    Box b;
    for (const Vertex& v : vertices) b.add(v.position);
    return b;
}

// Vertices drawn with the materials whose names start with `prefix`.
std::vector<Vertex> verticesOf(const Model& m, const std::string& prefix) {
    std::set<std::uint32_t> chosen;
    for (const Face& f : m.faces)
        if (m.materials[f.material].name.rfind(prefix, 0) == 0) chosen.insert(f.index, f.index + 3);
    std::vector<Vertex> out;
    for (std::uint32_t i : chosen) out.push_back(m.vertices[i]);
    return out;
}

// The skeleton posed like the game poses it, and the mesh skinned with it.
class Skeleton {
public:
    explicit Skeleton(const Model& m) : model_(m), inverseBind_(m.bones.size()), local_(m.bones.size()) {
        for (std::size_t i = 0; i < m.bones.size(); ++i) {
            parent_.push_back(-1);
            for (std::size_t p = 0; p < m.bones.size(); ++p)
                if (m.bones[p].name == m.bones[i].parent) parent_.back() = static_cast<int>(p);
        }
        for (std::size_t i = 0; i < m.bones.size(); ++i) {
            local_[i] = m.bones[i].fileMatrix;
            invertMatrix(local_[i]);
        }
        for (std::size_t i = 0; i < m.bones.size(); ++i) inverseBind_[i] = bindInverse(static_cast<int>(i));
    }

    // Key `k` of animation `a`, or the rest pose for a = -1.
    void pose(int a, int k) {
        for (std::size_t i = 0; i < model_.bones.size(); ++i) {
            local_[i] = model_.bones[i].fileMatrix;
            invertMatrix(local_[i]);
        }
        if (a < 0) return;
        for (const Frame& f :
             model_.animations[static_cast<std::size_t>(a)].keys[static_cast<std::size_t>(k)].frames)
            local_[static_cast<std::size_t>(bone(f.bone))] = f.matrix;
    }

    int bone(const std::string& name) const {
        for (std::size_t i = 0; i < model_.bones.size(); ++i)
            if (model_.bones[i].name == name) return static_cast<int>(i);
        return -1;
    }

    Matrix4 world(int b) const {
        if (parent_[static_cast<std::size_t>(b)] < 0) return local_[static_cast<std::size_t>(b)];
        Matrix4 out;
        multiplyAffine(world(parent_[static_cast<std::size_t>(b)]), local_[static_cast<std::size_t>(b)], out);
        return out;
    }
    Vector3 jointAt(const std::string& name) const {
        const Matrix4 w = world(bone(name));
        return {w[12], w[13], w[14]};
    }

    std::vector<Vertex> skin() const {
        std::vector<Vertex> out(model_.vertices.size());
        for (std::size_t b = 0; b < model_.bones.size(); ++b) {
            Matrix4 s;
            multiplyAffine(world(static_cast<int>(b)), inverseBind_[b], s);
            for (const auto& [vertex, millionths] : model_.bones[b].weights) {
                const float w = static_cast<float>(millionths) / 1e6f;
                const float* p = model_.vertices[vertex].position;
                for (int c = 0; c < 3; ++c)
                    out[vertex].position[c] +=
                        w * (s[c] * p[0] + s[4 + c] * p[1] + s[8 + c] * p[2] + s[12 + c]);
            }
        }
        return out;
    }

private:
    Matrix4 bindInverse(int b) const {
        const Matrix4& own = model_.bones[static_cast<std::size_t>(b)].fileMatrix;
        if (parent_[static_cast<std::size_t>(b)] < 0) return own;
        Matrix4 out;
        multiplyAffine(own, bindInverse(parent_[static_cast<std::size_t>(b)]), out);
        return out;
    }

    const Model& model_;
    std::vector<int> parent_;
    std::vector<Matrix4> inverseBind_;
    std::vector<Matrix4> local_;
};

int animationIndex(const Model& m, const std::string& name) {
    for (std::size_t i = 0; i < m.animations.size(); ++i)
        if (m.animations[i].name == name) return static_cast<int>(i);
    return -1;
}

const std::vector<std::string> StaticModels = {"chest.a3f", "rock.a3f", "detector.a3f", "dial.a3f",
                                               "transporter.a3f"};
const std::vector<std::string> AllModels = {"chest.a3f",       "rock.a3f", "detector.a3f", "dial.a3f",
                                            "transporter.a3f", "bbox.a3f", "monster.a3f"};

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

bool decodePicture(const std::string& name, Image& out) {
    const std::vector<std::uint8_t>& bytes = media().files.at(name);
    const std::string kind = name.substr(name.size() - 3);
    if (kind == "bmp") return DecodeBmp(bytes.data(), bytes.size(), out);
    if (kind == "jpg") return DecodeJpeg(bytes.data(), bytes.size(), out);
    if (kind == "tga") return DecodeTarga(bytes.data(), bytes.size(), out);
    return false;
}

}  // namespace

TEST(ModelFiles, EveryModelAndTextureIsMade) {
    for (const std::string& name : AllModels) EXPECT_EQ(media().models.count(name), 1u) << name;
    for (const char* texture : {ChestTextureFile, RockTextureFile, DetectorTextureFile, DialTextureFile,
                                TransporterTextureFile, MonsterTextureFile})
        EXPECT_EQ(media().files.count(texture), 1u) << texture;
}

TEST(ModelFiles, SameBytesEveryTime) {
    std::vector<MediaFile> again;
    std::string error;
    ASSERT_TRUE(makeModelMedia(again, error)) << error;
    ASSERT_EQ(again.size(), media().files.size());
    for (const MediaFile& f : again) EXPECT_TRUE(f.bytes == media().files.at(f.name)) << f.name;
}

TEST(ModelFiles, FacesAndMaterialsFitTogether) {
    for (const std::string& name : AllModels) {
        const Model& m = model(name);
        ASSERT_FALSE(m.faces.empty()) << name;
        ASSERT_FALSE(m.materials.empty()) << name;
        EXPECT_LE(m.materials.size(), 32u) << name;
        std::set<std::uint32_t> seen;
        std::uint32_t current = m.faces[0].material;
        for (const Face& f : m.faces) {
            for (std::uint32_t i : f.index) ASSERT_LT(i, m.vertices.size()) << name;
            ASSERT_LT(f.material, m.materials.size()) << name;
            if (f.material != current) {
                EXPECT_EQ(seen.count(f.material), 0u) << name << ": a material owns two runs of faces";
                seen.insert(current);
                current = f.material;
            }
        }
        for (const Vertex& v : m.vertices) {
            if (m.format == "POSITION_TEXCOORDS") continue;
            const float n =
                std::sqrt(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2]);
            EXPECT_NEAR(n, 1.0f, 1e-4f) << name;
        }
    }
}

TEST(ModelFiles, FacesTurnTheirFrontsTheWayTheirNormalsPoint) {
    for (const std::string& name : AllModels) {
        const Model& m = model(name);
        int against = 0;
        for (const Face& f : m.faces) {
            const float* a = m.vertices[f.index[0]].position;
            const float* b = m.vertices[f.index[1]].position;
            const float* c = m.vertices[f.index[2]].position;
            const Vector3 e1{b[0] - a[0], b[1] - a[1], b[2] - a[2]},
                e2{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            Vector3 n{};
            for (std::uint32_t i : f.index)
                for (int k = 0; k < 3; ++k) n[k] += m.vertices[i].normal[k];
            against += dot(cross(e1, e2), n) <= 0.0f;
        }
        EXPECT_EQ(against, 0) << name;
    }
}

TEST(ModelFiles, StaticModelsDrawWithTheirFirstMaterialsTexture) {
    // The game binds only material 0's texture for the whole display list.
    for (const std::string& name : StaticModels) {
        const Model& m = model(name);
        EXPECT_FALSE(m.materials[0].file.empty()) << name;
        for (const Material& mat : m.materials) EXPECT_EQ(mat.file, m.materials[0].file) << name;
        EXPECT_EQ(m.format, "POSITION_NORMAL_TEXCOORDS") << name;
    }
}

TEST(ModelFiles, TexturesArePowersOfTwoInAllThreeKinds) {
    std::set<std::string> kinds, alphas;
    for (const auto& [name, m] : media().models) {
        for (const Material& mat : m.materials) {
            if (mat.file.empty()) continue;
            alphas.insert(mat.alpha);
            Image picture;
            ASSERT_TRUE(decodePicture(mat.file, picture)) << mat.file;
            EXPECT_TRUE(isPowerOfTwo(picture.width) && isPowerOfTwo(picture.height)) << mat.file;
            kinds.insert(mat.file.substr(mat.file.size() - 3));
        }
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"bmp", "jpg", "tga"}));
    EXPECT_GE(alphas.size(), 3u);
    EXPECT_TRUE(alphas.count("ILLUMINANCE"));
    EXPECT_TRUE(alphas.count("BLACK_MASK"));
}

TEST(ModelFiles, ChestIsAUnitAcrossStandingOnTheFloor) {
    const Box b = bounds(model("chest.a3f").vertices);
    EXPECT_NEAR(b.low[1], 0.0f, 1e-6f);
    EXPECT_GT(b.size(0), 0.9f);
    EXPECT_LT(b.size(0), 1.2f);
    EXPECT_GT(b.size(1), 0.6f);
    EXPECT_LT(b.size(1), 0.9f);
    EXPECT_GT(b.size(2), 0.5f);
    EXPECT_LT(b.size(2), b.size(0));
    // The lock is on the front.
    const Box lock = bounds(verticesOf(model("chest.a3f"), "brass"));
    EXPECT_GT(lock.low[2], 0.3f);
    EXPECT_LT(lock.size(0), 0.2f);
}

TEST(ModelFiles, RockIsAFistSizedLumpAroundTheOrigin) {
    const Model& rock = model("rock.a3f");
    const Box b = bounds(rock.vertices);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_GT(b.size(axis), 0.2f) << axis;
        EXPECT_LT(b.size(axis), 0.42f) << axis;
        EXPECT_NEAR(b.low[axis] + b.high[axis], 0.0f, 0.08f) << axis;
    }
    // Lumpy: the distance from the centre varies.
    float nearest = 1e9f, farthest = 0.0f;
    for (const Vertex& v : rock.vertices) {
        const float r = std::hypot(v.position[0], v.position[1], v.position[2]);
        nearest = std::min(nearest, r);
        farthest = std::max(farthest, r);
    }
    EXPECT_GT(nearest, 0.08f);
    EXPECT_GT(farthest - nearest, 0.05f);
}

TEST(ModelFiles, DetectorIsAHandheldBoxLyingOnItsBase) {
    const Box b = bounds(model("detector.a3f").vertices);
    EXPECT_NEAR(b.low[1], 0.0f, 0.02f);
    EXPECT_LT(b.size(0), 0.5f);
    EXPECT_LT(b.size(2), 0.7f);
    // Its top shows half a unit below the eye, where the dial turns.
    const Box window = bounds(verticesOf(model("detector.a3f"), "face"));
    EXPECT_NEAR(window.high[1], DetectorDialHeight, 0.03f);
    EXPECT_NEAR(window.low[0] + window.high[0], 0.0f, 1e-4f);
    EXPECT_NEAR(window.low[2] + window.high[2], 0.0f, 1e-4f);
}

TEST(ModelFiles, DialTurnsAboutTheDetectorsUprightAxis) {
    const Model& dial = model("dial.a3f");
    const Box window = bounds(verticesOf(model("detector.a3f"), "face"));
    for (const Vertex& v : dial.vertices) {
        // Inside the window whatever the turn, just above its face.
        EXPECT_LE(std::hypot(v.position[0], v.position[2]), window.high[0] + 1e-4f);
        EXPECT_GE(v.position[1], window.high[1]);
        EXPECT_LT(v.position[1], window.high[1] + 0.06f);
    }
    // The needle's red point lies along -z, which is the way the game turns
    // toward the monster.
    const Box tip = bounds(verticesOf(dial, "needle_tip"));
    EXPECT_LT(tip.low[2], -0.08f);
    EXPECT_LT(tip.high[2], 0.02f);
    EXPECT_NEAR(tip.low[0] + tip.high[0], 0.0f, 1e-4f);
    const Box tail = bounds(verticesOf(dial, "needle_tail"));
    EXPECT_GT(tail.high[2], 0.03f);
}

TEST(ModelFiles, DialShowsWhereItsPictureIsSolid) {
    // BLACK_MASK makes pure black see-through: the sweep has holes, the
    // needle none.
    Image picture;
    ASSERT_TRUE(decodePicture(DialTextureFile, picture));
    auto black = [&](float u, float v) {
        const int x =
            std::clamp(static_cast<int>(u * static_cast<float>(picture.width)), 0, picture.width - 1);
        const int y =
            std::clamp(static_cast<int>(v * static_cast<float>(picture.height)), 0, picture.height - 1);
        const std::uint8_t* p = &picture.pixels[static_cast<std::size_t>(y * picture.width + x) * 4];
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    };
    const Model& dial = model("dial.a3f");
    int holes = 0;
    for (const Material& mat : dial.materials) {
        for (const Vertex& v : verticesOf(dial, mat.name)) {
            if (mat.name == "sweep") {
                holes += black(v.u, v.v);
            } else {
                EXPECT_FALSE(black(v.u, v.v)) << mat.name;
            }
        }
    }
    EXPECT_GT(holes, 0);
    EXPECT_EQ(dial.materials[0].alpha, "BLACK_MASK");
}

TEST(ModelFiles, TransporterIsATranslucentColumnToWalkInto) {
    const Model& t = model("transporter.a3f");
    const Box b = bounds(t.vertices);
    EXPECT_GE(b.low[1], 0.0f);
    EXPECT_LT(b.low[1], 0.05f);
    EXPECT_GT(b.size(1), 2.5f);
    EXPECT_LT(b.size(1), 3.5f);
    EXPECT_GT(b.size(0), 1.7f);
    EXPECT_LT(b.size(0), 2.5f);
    // Every material blends, the first loading the picture with partial alpha.
    EXPECT_EQ(t.materials[0].alpha, "ILLUMINANCE");
    for (const Material& mat : t.materials) {
        EXPECT_NE(mat.alpha, "NONE") << mat.name;
        EXPECT_LT(mat.diffuse[3], 1.0f) << mat.name;
    }
    // Under ILLUMINANCE a texel's alpha is its mean brightness: the picture
    // must hold clear, half and solid parts.
    Image picture;
    ASSERT_TRUE(decodePicture(TransporterTextureFile, picture));
    int clear = 0, half = 0, solid = 0;
    for (std::size_t i = 0; i < picture.pixels.size(); i += 4) {
        const int alpha = (picture.pixels[i] + picture.pixels[i + 1] + picture.pixels[i + 2]) / 3;
        clear += alpha < 16;
        half += alpha > 60 && alpha < 190;
        solid += alpha >= 190;
    }
    const int n = picture.width * picture.height;
    EXPECT_GT(clear, n / 20);
    EXPECT_GT(half, n / 20);
    EXPECT_GT(solid, n / 100);
}

TEST(ModelFiles, BodyBoxSurroundsThePlayerFromEyeToFeet) {
    const Model& box = model("bbox.a3f");
    const Box b = bounds(box.vertices);
    EXPECT_NEAR(b.low[1], -2.1f, 0.05f);
    EXPECT_GT(b.high[1], 0.0f);
    EXPECT_LT(b.high[1], 0.5f);
    EXPECT_GT(b.size(0), 0.5f);
    EXPECT_LT(b.size(0), 1.2f);
    EXPECT_LT(b.low[0] + b.high[0], 1e-6f);
}

TEST(ModelFiles, MonsterHasAFullSkeletonAndWholeWeights) {
    const Model& m = model("monster.a3f");
    EXPECT_EQ(m.format, "POSITION_NORMAL_TEXCOORDS");
    std::set<std::string> names;
    int roots = 0;
    for (const Bone& b : m.bones) {
        names.insert(b.name);
        EXPECT_LE(b.name.size(), 31u);
        roots += b.parent == "NONE";
    }
    EXPECT_EQ(roots, 1);
    for (const Bone& b : m.bones) EXPECT_TRUE(b.parent == "NONE" || names.count(b.parent)) << b.name;
    for (const char* needed : {"pelvis", "spine", "chest", "neck", "head", "upperarm_l", "forearm_l",
                               "upperarm_r", "forearm_r", "thigh_l", "shin_l", "thigh_r", "shin_r"})
        EXPECT_TRUE(names.count(needed)) << needed;

    std::vector<std::uint32_t> sums(m.vertices.size(), 0);
    std::vector<int> bonesPerVertex(m.vertices.size(), 0);
    for (const Bone& b : m.bones)
        for (const auto& [vertex, weight] : b.weights) {
            ASSERT_LT(vertex, m.vertices.size());
            sums[vertex] += weight;
            ++bonesPerVertex[vertex];
        }
    for (std::uint32_t s : sums) ASSERT_EQ(s, 1000000u);
    // Joints blend: some vertices follow more than one bone.
    EXPECT_GT(std::count_if(bonesPerVertex.begin(), bonesPerVertex.end(), [](int n) { return n > 1; }),
              static_cast<long>(m.vertices.size() / 10));
    // Each bone's rest transform is a pure move: no bone is turned at rest.
    for (const Bone& b : m.bones)
        for (int i : {0, 5, 10}) EXPECT_EQ(b.fileMatrix[i], 1.0f) << b.name;
}

// Up to 16 of them are drawn every frame; each material is one draw call,
// and a draw costs every vertex between its lowest and highest index.
TEST(ModelFiles, MonsterIsLightAndEachMaterialDrawsOnlyItsOwnVertices) {
    const Model& m = model("monster.a3f");
    EXPECT_LE(m.faces.size(), 2000u);
    EXPECT_LE(m.vertices.size(), 3000u);
    const std::size_t materials = m.materials.size();
    std::vector<std::uint32_t> low(materials, ~0u), high(materials, 0);
    std::vector<int> owner(m.vertices.size(), -1);
    for (const Face& f : m.faces) {
        ASSERT_LT(f.material, materials);
        for (std::uint32_t v : f.index) {
            low[f.material] = std::min(low[f.material], v);
            high[f.material] = std::max(high[f.material], v);
            EXPECT_TRUE(owner[v] < 0 || owner[v] == static_cast<int>(f.material))
                << "vertex " << v << " is drawn by materials " << owner[v] << " and " << f.material;
            owner[v] = static_cast<int>(f.material);
        }
    }
    std::uint32_t expectedLow = 0;
    for (std::size_t k = 0; k < materials; ++k) {
        EXPECT_EQ(low[k], expectedLow) << m.materials[k].name;
        expectedLow = high[k] + 1;
    }
    EXPECT_EQ(expectedLow, m.vertices.size());
    EXPECT_EQ(std::count(owner.begin(), owner.end(), -1), 0) << "vertices no face uses";
}

TEST(ModelFiles, MonsterStandsOnTheFloorFacingPlusZWithItsHeadAtRockHeight) {
    const Model& m = model("monster.a3f");
    const Box b = bounds(m.vertices);
    EXPECT_NEAR(b.low[1], 0.0f, 0.01f);
    EXPECT_GT(b.high[1], 2.3f);  // taller than the eye
    EXPECT_LT(b.high[1], 3.0f);
    Skeleton s(m);
    // A rock hits the head within half a unit of MonsterHeadHeight.
    Box head;
    const int headBone = s.bone("head");
    for (const auto& [vertex, weight] : m.bones[static_cast<std::size_t>(headBone)].weights)
        if (weight == 1000000u) head.add(m.vertices[vertex].position);
    EXPECT_GT(head.low[1], MonsterHeadHeight - 0.5f);
    EXPECT_LT(head.low[1], MonsterHeadHeight);
    EXPECT_GT(head.high[1], MonsterHeadHeight);
    EXPECT_LT(head.high[1], MonsterHeadHeight + 0.6f);
    const Box eyes = bounds(verticesOf(m, "eyes"));
    EXPECT_NEAR(0.5f * (eyes.low[1] + eyes.high[1]), MonsterHeadHeight, 0.15f);
    // Its eyes look along +z; its left hand is on the +x side.
    EXPECT_GT(eyes.low[2], 0.2f);
    EXPECT_NEAR(eyes.low[0] + eyes.high[0], 0.0f, 1e-4f);
    EXPECT_GT(s.jointAt("forearm_l").x, 0.3f);
    EXPECT_LT(s.jointAt("forearm_r").x, -0.3f);
}

TEST(ModelFiles, MonsterAnimationsAreNamedWithARestingOneFirst) {
    const Model& m = model("monster.a3f");
    ASSERT_EQ(m.animations.size(), 7u);
    for (const char* name : {"standing", "walking", "duckwalk", "sidestep", "dead", "attack"}) {
        const int index = animationIndex(m, name);
        EXPECT_GT(index, 0) << name;  // never animation 0, which the game plays at first
    }
    // The first level starts its monsters in state 1, which the game treats as the animation at index 1.
    EXPECT_EQ(m.animations[1].name, "standing");
}

TEST(ModelFiles, MonsterKeysAreOrderedAndComplete) {
    const Model& m = model("monster.a3f");
    for (const Animation& a : m.animations) {
        ASSERT_FALSE(a.keys.empty()) << a.name;
        EXPECT_EQ(a.keys.front().time, 0.0f) << a.name;
        // A last key at the full length holds its pose instead of sliding back toward key 0.
        EXPECT_EQ(a.keys.back().time, a.length) << a.name;
        for (std::size_t k = 0; k < a.keys.size(); ++k) {
            if (k > 0) {
                EXPECT_GT(a.keys[k].time, a.keys[k - 1].time) << a.name;
            }
            ASSERT_EQ(a.keys[k].frames.size(), m.bones.size()) << a.name;
            for (std::size_t f = 0; f < m.bones.size(); ++f)
                EXPECT_EQ(a.keys[k].frames[f].bone, m.bones[f].name);
        }
    }
}

TEST(ModelFiles, MonsterLoopsCloseWithoutAJump) {
    const Model& m = model("monster.a3f");
    for (const char* name : {"idle", "standing", "walking", "duckwalk", "attack", "sidestep"}) {
        const Animation& a = m.animations[static_cast<std::size_t>(animationIndex(m, name))];
        for (std::size_t f = 0; f < m.bones.size(); ++f)
            EXPECT_EQ(a.keys.back().frames[f].text, a.keys.front().frames[f].text) << name;
    }
}

TEST(ModelFiles, MonsterKeepsItsFeetOnTheFloorWhileUpright) {
    const Model& m = model("monster.a3f");
    Skeleton s(m);
    for (const char* name : {"idle", "standing", "walking", "duckwalk", "attack", "sidestep"}) {
        const int a = animationIndex(m, name);
        for (std::size_t k = 0; k < m.animations[static_cast<std::size_t>(a)].keys.size(); ++k) {
            s.pose(a, static_cast<int>(k));
            const Box b = bounds(s.skin());
            EXPECT_NEAR(b.low[1], 0.0f, 0.03f) << name << " key " << k;
        }
    }
}

TEST(ModelFiles, MonsterAnimationsLookLikeTheirNames) {
    const Model& m = model("monster.a3f");
    Skeleton s(m);
    s.pose(-1, 0);
    const Vector3 restHead = s.jointAt("head");
    const float restHands = s.jointAt("hand_l").y;

    // Walking: the legs take turns in front.
    const int walking = animationIndex(m, "walking");
    s.pose(walking, 2);  // a quarter of the stride
    EXPECT_GT(s.jointAt("foot_l").z - s.jointAt("foot_r").z, 0.4f);
    s.pose(walking, 6);
    EXPECT_LT(s.jointAt("foot_l").z - s.jointAt("foot_r").z, -0.4f);

    // Attack: the claws are up and out in front at every key.
    const int attack = animationIndex(m, "attack");
    for (std::size_t k = 0; k < m.animations[static_cast<std::size_t>(attack)].keys.size(); ++k) {
        s.pose(attack, static_cast<int>(k));
        for (const char* hand : {"hand_l", "hand_r"}) {
            EXPECT_GT(s.jointAt(hand).y, restHands + 0.4f) << k;
            EXPECT_GT(s.jointAt(hand).z, 0.3f) << k;
        }
    }

    // Duckwalk: low all the way.
    const int duck = animationIndex(m, "duckwalk");
    for (std::size_t k = 0; k < m.animations[static_cast<std::size_t>(duck)].keys.size(); ++k) {
        s.pose(duck, static_cast<int>(k));
        EXPECT_LT(s.jointAt("head").y, restHead.y - 0.3f) << k;
    }

    // Sidestep: the feet part in the middle of it.
    const int side = animationIndex(m, "sidestep");
    s.pose(-1, 0);
    const float restStance = s.jointAt("foot_l").x - s.jointAt("foot_r").x;
    s.pose(side, static_cast<int>(m.animations[static_cast<std::size_t>(side)].keys.size() / 2));
    EXPECT_GT(s.jointAt("foot_l").x - s.jointAt("foot_r").x, restStance + 0.2f);

    // Idle hangs its head lower than standing does.
    s.pose(animationIndex(m, "idle"), 0);
    const float idleHead = s.jointAt("head").y;
    s.pose(animationIndex(m, "standing"), 0);
    EXPECT_LT(idleHead, s.jointAt("head").y - 0.05f);
}

TEST(ModelFiles, MonsterEndsDeadLyingOnTheFloor) {
    const Model& m = model("monster.a3f");
    const int dead = animationIndex(m, "dead");
    const Animation& a = m.animations[static_cast<std::size_t>(dead)];
    Skeleton s(m);
    s.pose(dead, 0);
    EXPECT_GT(s.jointAt("head").y, 1.8f);  // it starts on its feet
    s.pose(dead, static_cast<int>(a.keys.size() - 1));
    const Box b = bounds(s.skin());
    EXPECT_LT(b.high[1], 0.9f);
    EXPECT_GT(b.low[1], -0.15f);  // only the back spikes and horns reach under the floor
    EXPECT_LT(s.jointAt("chest").y, 0.6f);
    EXPECT_LT(s.jointAt("head").y, 0.6f);
    // Stretched out along the ground, not curled up.
    EXPECT_GT(b.size(0) + b.size(2), 2.5f);
}
