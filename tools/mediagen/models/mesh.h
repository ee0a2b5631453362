#pragma once
// Triangle meshes and the shape builders the models are made of. Every
// triangle carries a part number that later picks its material.

#include <cstdint>
#include <functional>
#include <vector>

#include "geometry.h"

struct MeshVertex {
    Vec3 position;
    Vec3 normal;
    float u = 0.0f;
    float v = 0.0f;
};

struct MeshTriangle {
    std::uint32_t a, b, c;
    int part;
};

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<MeshTriangle> triangles;

    std::uint32_t addVertex(const MeshVertex& vertex);
    // Wound counter-clockwise as seen from the side the vertex normals face;
    // a triangle without area is left out.
    void addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, int part);
    // The same triangles again, wound the other way with flipped normals,
    // so that a thin sheet shows from both sides.
    void addBackFaces(std::size_t firstVertex, std::size_t firstTriangle, int part);
};

// A rectangle of the texture. `at(s, t)` maps s in [0, 1] left to right and
// t in [0, 1] bottom to top (texture rows run top first); `turned` lays the
// picture on its side, s running up the rectangle and t to the left.
struct UvRect {
    float u0 = 0.0f, v0 = 0.0f, u1 = 1.0f, v1 = 1.0f;
    bool turned = false;

    Vec2 at(float s, float t) const {
        if (turned) return {u1 + (u0 - u1) * t, v1 + (v0 - v1) * s};
        return {u0 + (u1 - u0) * s, v1 + (v0 - v1) * t};
    }
    UvRect turn() const {
        UvRect r = *this;
        r.turned = !turned;
        return r;
    }
};

// A texture of `size` pixels: the rectangle of pixels [x0, x1) x [y0, y1).
UvRect pixelRect(int size, int x0, int y0, int x1, int y1);
UvRect pixelRect(int width, int height, int x0, int y0, int x1, int y1);

// A cross-section or lathe outline with outward normals; `t` is the
// fraction of the outline's length reached at each point.
struct ProfilePoint {
    Vec2 point;
    Vec2 normal;
    float t = 0.0f;
};
using Profile = std::vector<ProfilePoint>;

// Normals from the neighbouring segments; a point listed twice in a row is a
// crease. For a lathe the points are (radius, height) and run up the outside;
// a closed outline runs counter-clockwise and ends back at its first point.
Profile makeProfile(const std::vector<Vec2>& points, bool closed);

// Turns the profile about the frame's axis. Each point's radius is scaled by
// `radial.x` toward the frame's side and `radial.y` toward its front. The
// texture's s runs once around, s = 0.5 facing the front.
void addLathe(Mesh& mesh, const Profile& profile, int segments, const Frame& frame, Vec2 radial, int part,
              const UvRect& uv);

// A closed outline in the frame's side/axis plane, pushed from front = z0 to
// z1, with flat caps fanned from the outline's centroid.
void addExtrusion(Mesh& mesh, const Profile& outline, float z0, float z1, const Frame& frame, int part,
                  const UvRect& sideUv, const UvRect& capUv);

// A strip of `thickness` laid on the outside of an open profile, from
// front = z0 to z1, closed on every side.
void addCurvedStrip(Mesh& mesh, const Profile& line, float thickness, float z0, float z1, const Frame& frame,
                    int part, const UvRect& uv);

// A box between two corners in the frame, with one texture rectangle per
// face in the order -x, +x, -y, +y, -z, +z (side faces stand upright).
struct BoxUv {
    UvRect faces[6];
};
BoxUv sameOnAllFaces(const UvRect& rect);
void addBox(Mesh& mesh, Vec3 low, Vec3 high, const Frame& frame, int part, const BoxUv& uv);

// A tube through `path` (at least two points), its radius at each point from
// `radii`; a radius of 0 closes the tube to a point there. The ends are left
// open, for ends that sit inside another shape. `front` is the reference
// direction of each ring's frame; s runs once around, t along the path.
void addTube(Mesh& mesh, const std::vector<Vec3>& path, const std::vector<float>& radii, int segments,
             Vec3 front, Vec2 radial, int part, const UvRect& uv);

// Rebuilds the vertex array so that the triangles of each part, parts in
// increasing order, use one run of vertices of their own: a vertex shared
// by parts is copied into each. Triangles keep their order within a part
// and come out sorted by part. Returns, for each new vertex, the index of
// the old vertex it copies.
std::vector<std::uint32_t> groupVerticesByPart(Mesh& mesh);

// A sphere outline of radius r centred at height `centre`, bottom to top.
std::vector<Vec2> sphereOutline(float radius, float centre, int rings);

// Bounds of all vertex positions.
void meshBounds(const Mesh& mesh, Vec3& low, Vec3& high);
