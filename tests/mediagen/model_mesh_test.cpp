#include "image/image_decoder.h"
#include "models/mesh.h"
#include "models/shading.h"
#include "models/targa_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

Vec3 faceNormal(const Mesh& mesh, const MeshTriangle& t) {
    const Vec3 a = mesh.vertices[t.a].position, b = mesh.vertices[t.b].position,
               c = mesh.vertices[t.c].position;
    return crossOf(b - a, c - a);
}

// Volume enclosed by a closed mesh wound counter-clockwise from outside.
float enclosedVolume(const Mesh& mesh) {
    float volume = 0.0f;
    for (const MeshTriangle& t : mesh.triangles)
        volume += dotOf(mesh.vertices[t.a].position,
                        crossOf(mesh.vertices[t.b].position, mesh.vertices[t.c].position)) /
                  6.0f;
    return volume;
}

// Every edge, taken by the positions of its ends, is used once in each
// direction: the surface is closed and consistently wound.
bool closedAndConsistent(const Mesh& mesh) {
    using Key = std::tuple<long, long, long, long, long, long>;
    auto grid = [](float f) { return std::lround(f * 100000.0f); };
    std::map<Key, int> edges;
    for (const MeshTriangle& t : mesh.triangles) {
        const std::uint32_t corner[3] = {t.a, t.b, t.c};
        for (int k = 0; k < 3; ++k) {
            const Vec3 p = mesh.vertices[corner[k]].position, q = mesh.vertices[corner[(k + 1) % 3]].position;
            ++edges[{grid(p.x), grid(p.y), grid(p.z), grid(q.x), grid(q.y), grid(q.z)}];
        }
    }
    for (const auto& [edge, count] : edges) {
        const auto [px, py, pz, qx, qy, qz] = edge;
        const auto back = edges.find({qx, qy, qz, px, py, pz});
        if (count != 1 || back == edges.end() || back->second != 1) return false;
    }
    return true;
}

}  // namespace

TEST(ModelMesh, BoxFacesPointOutAndEncloseItsVolume) {
    Mesh mesh;
    addBox(mesh, {-1, 0, -0.5f}, {1, 3, 0.5f}, Frame{}, 0, sameOnAllFaces(UvRect{}));
    EXPECT_EQ(mesh.vertices.size(), 24u);
    EXPECT_EQ(mesh.triangles.size(), 12u);
    float area = 0.0f;
    for (const MeshTriangle& t : mesh.triangles) {
        const Vec3 n = faceNormal(mesh, t);
        area += 0.5f * lengthOf(n);
        EXPECT_GT(dotOf(n, mesh.vertices[t.a].normal), 0.0f);
        EXPECT_NEAR(lengthOf(mesh.vertices[t.a].normal), 1.0f, 1e-6f);
    }
    EXPECT_NEAR(area, 2.0f * (2 * 3 + 3 * 1 + 1 * 2), 1e-4f);
    EXPECT_NEAR(enclosedVolume(mesh), 6.0f, 1e-4f);
    EXPECT_TRUE(closedAndConsistent(mesh));
}

TEST(ModelMesh, BoxSideFacesStandTheirPicturesUpright) {
    Mesh mesh;
    addBox(mesh, {0, 0, 0}, {1, 1, 1}, Frame{}, 0, sameOnAllFaces(UvRect{}));
    // On the +z face (vertices 20-23) the top of the picture (v = 0) is at y = 1
    // and the left edge (u = 0) at x = 0, as seen from outside.
    for (std::size_t i = 20; i < 24; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        EXPECT_FLOAT_EQ(v.v, 1.0f - v.position.y);
        EXPECT_FLOAT_EQ(v.u, v.position.x);
    }
}

TEST(ModelMesh, LatheSphereIsRoundClosedAndOutward) {
    Mesh mesh;
    const Frame at = frameAlong({1, 2, 3}, {0, 1, 0}, {0, 0, 1});
    addLathe(mesh, makeProfile(sphereOutline(0.5f, 0.0f, 12), false), 24, at, {1, 1}, 0, UvRect{});
    for (const MeshVertex& v : mesh.vertices) {
        const Vec3 out = v.position - Vec3{1, 2, 3};
        EXPECT_NEAR(lengthOf(out), 0.5f, 1e-5f);
        EXPECT_NEAR(dotOf(normalised(out), v.normal), 1.0f, 1e-4f);
    }
    EXPECT_TRUE(closedAndConsistent(mesh));
    const float ball = 4.0f / 3.0f * Pi * 0.125f;
    EXPECT_NEAR(enclosedVolume(mesh), ball, 0.05f * ball);
    EXPECT_LT(enclosedVolume(mesh), ball);  // a polygon inside the sphere
}

TEST(ModelMesh, LatheSeamRepeatsTheFirstColumnExactly) {
    Mesh mesh;
    addLathe(mesh, makeProfile({{1, 0}, {1, 1}}, false), 7, Frame{}, {1, 1}, 0, UvRect{});
    ASSERT_EQ(mesh.vertices.size(), 16u);  // two rings of 7 + 1 columns
    for (int ring = 0; ring < 2; ++ring) {
        const MeshVertex& first = mesh.vertices[static_cast<std::size_t>(ring * 8)];
        const MeshVertex& seam = mesh.vertices[static_cast<std::size_t>(ring * 8 + 7)];
        EXPECT_EQ(first.position.x, seam.position.x);
        EXPECT_EQ(first.position.z, seam.position.z);
        EXPECT_EQ(first.u, 0.0f);
        EXPECT_EQ(seam.u, 1.0f);
        // The seam lies at the back, the middle of the picture at the front.
        EXPECT_NEAR(first.position.z, -1.0f, 1e-6f);
    }
}

TEST(ModelMesh, EllipticLatheScalesAcrossAndFront) {
    Mesh mesh;
    addLathe(mesh, makeProfile(sphereOutline(1.0f, 0.0f, 8), false), 16, Frame{}, {2.0f, 0.5f}, 0, UvRect{});
    Vec3 low, high;
    meshBounds(mesh, low, high);
    EXPECT_NEAR(high.x, 2.0f, 1e-5f);
    EXPECT_NEAR(low.z, -0.5f, 1e-5f);
    EXPECT_NEAR(high.y, 1.0f, 1e-5f);
    // Normals of a stretched sphere lean toward the flat sides.
    for (const MeshVertex& v : mesh.vertices) {
        const Vec3 p = v.position;
        const Vec3 expected = normalised({p.x / 4.0f, p.y, p.z / 0.25f});
        if (std::fabs(p.y) < 0.99f) {
            EXPECT_NEAR(dotOf(expected, v.normal), 1.0f, 1e-3f);
        }
    }
}

TEST(ModelMesh, CreasedProfileKeepsEachSideFlat) {
    // A unit square with every corner listed twice.
    const Profile square =
        makeProfile({{0, 0}, {1, 0}, {1, 0}, {1, 1}, {1, 1}, {0, 1}, {0, 1}, {0, 0}}, true);
    ASSERT_EQ(square.size(), 9u);
    EXPECT_FLOAT_EQ(square[0].normal.y, -1.0f);  // bottom side faces down
    EXPECT_FLOAT_EQ(square[1].normal.y, -1.0f);
    EXPECT_FLOAT_EQ(square[2].normal.x, 1.0f);  // right side faces right
    EXPECT_FLOAT_EQ(square[4].normal.y, 1.0f);
    EXPECT_FLOAT_EQ(square[6].normal.x, -1.0f);
    EXPECT_FLOAT_EQ(square[2].t, 0.25f);
    EXPECT_FLOAT_EQ(square[8].t, 1.0f);

    Mesh mesh;
    addExtrusion(mesh, square, -1.0f, 2.0f, Frame{}, 0, UvRect{}, UvRect{});
    EXPECT_NEAR(enclosedVolume(mesh), 3.0f, 1e-4f);
    EXPECT_TRUE(closedAndConsistent(mesh));
}

TEST(ModelMesh, RoundOutlineBlendsItsNormals) {
    const Profile diamond = makeProfile({{1, 0}, {0, 1}, {-1, 0}, {0, -1}}, true);
    EXPECT_NEAR(diamond[0].normal.x, 1.0f, 1e-6f);
    EXPECT_NEAR(diamond[1].normal.y, 1.0f, 1e-6f);
    // A lathe outline meeting the axis faces straight along it.
    const Profile cone = makeProfile({{0, 0}, {1, 0.2f}, {0, 1}}, false);
    EXPECT_EQ(cone[0].normal.x, 0.0f);
    EXPECT_EQ(cone[0].normal.y, -1.0f);
    EXPECT_EQ(cone[2].normal.y, 1.0f);
}

TEST(ModelMesh, CurvedStripIsClosed) {
    Mesh mesh;
    std::vector<Vec2> arc;
    for (int i = 0; i <= 8; ++i) {
        const float a = Pi * static_cast<float>(i) / 8.0f;
        arc.push_back({std::cos(a), std::sin(a)});
    }
    addCurvedStrip(mesh, makeProfile(arc, false), 0.1f, 0.0f, 0.5f, Frame{}, 0, UvRect{});
    EXPECT_TRUE(closedAndConsistent(mesh));
    // Half an annulus 1 .. 1.1 of eight chords, half a unit deep; the two
    // ends lean a little, being square to their chords.
    const float expected = 8.0f * 0.5f * std::sin(Pi / 8.0f) * (1.21f - 1.0f) * 0.5f;
    EXPECT_NEAR(enclosedVolume(mesh), expected, 0.03f * expected);
}

TEST(ModelMesh, BackFacesFlipWindingAndNormals) {
    Mesh mesh;
    addLathe(mesh, makeProfile({{1, 0}, {1, 1}}, false), 6, Frame{}, {1, 1}, 3, UvRect{});
    const std::size_t vertices = mesh.vertices.size(), triangles = mesh.triangles.size();
    mesh.addBackFaces(0, 0, 4);
    ASSERT_EQ(mesh.vertices.size(), 2 * vertices);
    ASSERT_EQ(mesh.triangles.size(), 2 * triangles);
    for (std::size_t i = 0; i < triangles; ++i) {
        const MeshTriangle& back = mesh.triangles[triangles + i];
        EXPECT_EQ(back.part, 4);
        const Vec3 n = faceNormal(mesh, back);
        EXPECT_LT(dotOf(n, faceNormal(mesh, mesh.triangles[i])), 0.0f);
        EXPECT_GT(dotOf(n, mesh.vertices[back.a].normal), 0.0f);
    }
}

TEST(ModelMesh, TubeClosedAtBothEndsIsADoubleConeWoundOutward) {
    Mesh mesh;
    const float r = 0.5f;
    addTube(mesh, {{0, 0, 0}, {0, 1, 0.2f}, {0, 3, 0}}, {0.0f, r, 0.0f}, 8, {0, 0, 1}, {1, 1}, 0, UvRect{});
    EXPECT_EQ(mesh.triangles.size(), 16u);  // one triangle per segment at each point
    EXPECT_TRUE(closedAndConsistent(mesh));
    // The middle ring lies square to the line between the path's ends, at
    // y = 1: two cones of heights 1 and 2 on one octagon, however it is moved.
    const float octagon = 0.5f * 8.0f * r * r * std::sin(2.0f * Pi / 8.0f);
    EXPECT_NEAR(enclosedVolume(mesh), octagon * (1.0f + 2.0f) / 3.0f, 1e-3f * octagon);
    for (const MeshTriangle& t : mesh.triangles) {
        const Vec3 n = mesh.vertices[t.a].normal + mesh.vertices[t.b].normal + mesh.vertices[t.c].normal;
        EXPECT_GT(dotOf(faceNormal(mesh, t), n), 0.0f);
    }
}

TEST(ModelMesh, TubeNormalsLeanTowardItsThinEnd) {
    Mesh mesh;
    addTube(mesh, {{0, 0, 0}, {0, 2, 0}}, {1.0f, 0.0f}, 6, {0, 0, 1}, {1, 1}, 0, UvRect{});
    ASSERT_EQ(mesh.vertices.size(), 14u);  // two rings of 6 + 1 columns
    EXPECT_EQ(mesh.triangles.size(), 6u);  // the open base is left for another shape to hide
    for (int j = 0; j < 6; ++j) {
        const MeshVertex& v = mesh.vertices[static_cast<std::size_t>(j)];
        EXPECT_NEAR(std::hypot(v.position.x, v.position.z), 1.0f, 1e-5f);
        // A cone of half-angle atan(1/2): its surface normal rises at atan(1/2) too.
        EXPECT_NEAR(v.normal.y, 1.0f / std::sqrt(5.0f), 1e-4f);
        EXPECT_GT(v.normal.x * v.position.x + v.normal.z * v.position.z, 0.0f);
    }
    EXPECT_NEAR(mesh.vertices[7].position.y, 2.0f, 1e-6f);
    Mesh none;
    addTube(none, {{0, 0, 0}}, {1.0f}, 6, {0, 0, 1}, {1, 1}, 0, UvRect{});
    EXPECT_TRUE(none.vertices.empty() && none.triangles.empty());
}

TEST(ModelMesh, GroupedPartsEachDrawFromARunOfTheirOwnVertices) {
    Mesh mesh;
    addLathe(mesh, makeProfile(sphereOutline(1.0f, 0.0f, 6), false), 8, Frame{}, {1, 1}, 0, UvRect{});
    // Parts interleaved so that most vertices are shared by two or three of them.
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i)
        mesh.triangles[i].part = static_cast<int>((i * 7) % 3);
    const Mesh before = mesh;
    const std::vector<std::uint32_t> source = groupVerticesByPart(mesh);

    ASSERT_EQ(source.size(), mesh.vertices.size());
    ASSERT_EQ(mesh.triangles.size(), before.triangles.size());
    EXPECT_GT(mesh.vertices.size(), before.vertices.size());  // shared vertices were copied
    for (std::size_t v = 0; v < source.size(); ++v) {
        ASSERT_LT(source[v], before.vertices.size());
        EXPECT_EQ(mesh.vertices[v].position.x, before.vertices[source[v]].position.x);
        EXPECT_EQ(mesh.vertices[v].normal.y, before.vertices[source[v]].normal.y);
        EXPECT_EQ(mesh.vertices[v].u, before.vertices[source[v]].u);
    }
    // Same triangles, sorted by part, each part's in its old order.
    std::size_t next[3] = {0, 0, 0};
    std::vector<std::vector<const MeshTriangle*>> oldByPart(3);
    for (const MeshTriangle& t : before.triangles) oldByPart[static_cast<std::size_t>(t.part)].push_back(&t);
    std::uint32_t low[3] = {~0u, ~0u, ~0u}, high[3] = {0, 0, 0};
    std::vector<int> owner(mesh.vertices.size(), -1);
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        const MeshTriangle& t = mesh.triangles[i];
        if (i > 0) {
            ASSERT_GE(t.part, mesh.triangles[i - 1].part);
        }
        const auto p = static_cast<std::size_t>(t.part);
        const MeshTriangle& old = *oldByPart[p][next[p]++];
        EXPECT_EQ(source[t.a], old.a);
        EXPECT_EQ(source[t.b], old.b);
        EXPECT_EQ(source[t.c], old.c);
        for (std::uint32_t v : {t.a, t.b, t.c}) {
            low[p] = std::min(low[p], v);
            high[p] = std::max(high[p], v);
            EXPECT_TRUE(owner[v] == -1 || owner[v] == t.part) << "vertex " << v << " drawn by two parts";
            owner[v] = t.part;
        }
    }
    // The runs follow one another with no gap and no vertex left unused.
    EXPECT_EQ(low[0], 0u);
    EXPECT_EQ(low[1], high[0] + 1);
    EXPECT_EQ(low[2], high[1] + 1);
    EXPECT_EQ(high[2] + 1, mesh.vertices.size());
    EXPECT_EQ(std::count(owner.begin(), owner.end(), -1), 0);
}

TEST(ModelMesh, TriangleWithoutAreaIsLeftOut) {
    Mesh mesh;
    for (int i = 0; i < 3; ++i) mesh.addVertex({{static_cast<float>(i), 0, 0}, {0, 1, 0}, 0, 0});
    mesh.addTriangle(0, 1, 2, 0);
    EXPECT_TRUE(mesh.triangles.empty());
}

TEST(ModelMesh, TextureRectanglesMapCornersAndTurn) {
    const UvRect r = pixelRect(256, 128, 64, 32, 128, 96);
    EXPECT_FLOAT_EQ(r.u0, 0.25f);
    EXPECT_FLOAT_EQ(r.v0, 0.25f);
    EXPECT_FLOAT_EQ(r.u1, 0.5f);
    EXPECT_FLOAT_EQ(r.v1, 0.75f);
    EXPECT_FLOAT_EQ(r.at(0, 0).x, 0.25f);  // bottom left
    EXPECT_FLOAT_EQ(r.at(0, 0).y, 0.75f);
    EXPECT_FLOAT_EQ(r.at(1, 1).y, 0.25f);
    // Turned, s runs up the picture and t toward its left.
    const UvRect turned = r.turn();
    EXPECT_FLOAT_EQ(turned.at(1, 0).x, 0.5f);
    EXPECT_FLOAT_EQ(turned.at(1, 0).y, 0.25f);
    EXPECT_FLOAT_EQ(turned.at(0, 1).x, 0.25f);
    EXPECT_FLOAT_EQ(turned.at(0, 1).y, 0.75f);
}

TEST(ModelShading, FacesTowardTheLightGetTheBrightestStep) {
    EXPECT_EQ(shadeLevel(ShadingLight, ShadingLight, 4), 3);
    EXPECT_EQ(shadeLevel(-ShadingLight, ShadingLight, 4), 0);
    EXPECT_EQ(shadeLevel({0, 1, 0}, {0, 1, 0}, 1), 0);
    const Vec3 side = normalised(crossOf(ShadingLight, {0, 0, 1}));
    EXPECT_EQ(shadeLevel(side, ShadingLight, 3), 1);  // half-Lambert: a side lit edge-on is half bright
}

TEST(ModelShading, KeepsOnlyMaterialsWithFacesInLookOrder) {
    A3fModel model;
    addBox(model.mesh, {0, 0, 0}, {1, 1, 1}, Frame{}, 1, sameOnAllFaces(UvRect{}));
    shadeModel(model,
               {{"unused", {1, 0, 0, 1}, 3, true, "NONE", 1, 0.0f},
                {"wood", {0.5f, 0.4f, 0.2f, 0.8f}, 4, true, "BLACK_MASK", 5, 0.1f}},
               "wood.bmp", {0, 1, 0});
    // Lit straight from above: the top is step 3, the sides step 2, the bottom step 0.
    ASSERT_EQ(model.materials.size(), 3u);
    EXPECT_EQ(model.materials[0].name, "wood_0");
    EXPECT_EQ(model.materials[1].name, "wood_2");
    EXPECT_EQ(model.materials[2].name, "wood_3");
    EXPECT_FLOAT_EQ(model.materials[2].diffuse.red, 0.5f);
    EXPECT_FLOAT_EQ(model.materials[0].diffuse.red, 0.5f * 0.45f);
    EXPECT_FLOAT_EQ(model.materials[0].diffuse.alpha, 0.8f);
    EXPECT_EQ(model.materials[1].textureFile, "wood.bmp");
    EXPECT_EQ(model.materials[1].alpha, "BLACK_MASK");
    int perMaterial[3] = {0, 0, 0};
    for (const MeshTriangle& t : model.mesh.triangles) ++perMaterial[t.part];
    EXPECT_EQ(perMaterial[0], 2);
    EXPECT_EQ(perMaterial[1], 8);
    EXPECT_EQ(perMaterial[2], 2);
}

TEST(ModelTarga, HeaderIsTrueColourStoredTopRowFirst) {
    RgbImage image(3, 2);
    image.set(0, 0, {255, 0, 0});
    const std::vector<std::uint8_t> file = encodeTarga(image, TargaCompression::None);
    ASSERT_EQ(file.size(), 18u + 3u * 2u * 3u);
    EXPECT_EQ(file[2], 2);    // true colour
    EXPECT_EQ(file[12], 3);   // width
    EXPECT_EQ(file[14], 2);   // height
    EXPECT_EQ(file[16], 24);  // bits per pixel
    EXPECT_EQ(file[17], 0x20);
    EXPECT_EQ(file[18], 0);  // the first pixel, blue green red
    EXPECT_EQ(file[20], 255);
}

TEST(ModelTarga, RunsAndRawStretchesArePacked) {
    RgbaImage image(5, 1);
    const std::uint8_t a[4] = {1, 2, 3, 4}, b[4] = {5, 6, 7, 8}, c[4] = {9, 10, 11, 12};
    const std::uint8_t* row[5] = {a, a, a, b, c};
    for (int x = 0; x < 5; ++x) std::copy_n(row[x], 4, image.at(x, 0));
    const std::vector<std::uint8_t> file = encodeTarga(image, TargaCompression::RunLength);
    EXPECT_EQ(file[2], 10);
    EXPECT_EQ(file[16], 32);
    EXPECT_EQ(file[17], 0x28);  // top row first, eight alpha bits
    const std::vector<std::uint8_t> pixels(file.begin() + 18, file.end());
    const std::vector<std::uint8_t> expected = {0x82, 3, 2, 1, 4, 0x01, 7, 6, 5, 8, 11, 10, 9, 12};
    EXPECT_EQ(pixels, expected);
}

TEST(ModelTarga, TheGameReadsBothKindsBack) {
    RgbaImage picture(64, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* p = picture.at(x, y);
            p[0] = static_cast<std::uint8_t>(x < 40 ? 200 : x * 3);
            p[1] = static_cast<std::uint8_t>(y * 30);
            p[2] = 7;
            p[3] = static_cast<std::uint8_t>(x < 20 ? 0 : 255);
        }
    for (TargaCompression compression : {TargaCompression::None, TargaCompression::RunLength}) {
        const std::vector<std::uint8_t> file = encodeTarga(picture, compression);
        Image decoded;
        ASSERT_TRUE(DecodeTarga(file.data(), file.size(), decoded));
        ASSERT_EQ(decoded.width, 64);
        ASSERT_EQ(decoded.height, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 64; ++x) {
                const std::uint8_t* p = picture.at(x, y);
                const std::uint8_t* q = &decoded.pixels[static_cast<std::size_t>(y * 64 + x) * 4];
                ASSERT_EQ(q[2], p[0]);
                ASSERT_EQ(q[1], p[1]);
                ASSERT_EQ(q[0], p[2]);
                ASSERT_EQ(q[3], p[3]);
            }
    }
    const std::vector<std::uint8_t> packed = encodeTarga(picture, TargaCompression::RunLength);
    EXPECT_LT(packed.size(), encodeTarga(picture, TargaCompression::None).size() / 2);
}
