#include "mesh.h"

#include <algorithm>
#include <cstddef>

std::uint32_t Mesh::addVertex(const MeshVertex& vertex) {
    vertices.push_back(vertex);
    return static_cast<std::uint32_t>(vertices.size() - 1);
}

void Mesh::addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, int part) {
    const MeshVertex& va = vertices[a];
    const MeshVertex& vb = vertices[b];
    const MeshVertex& vc = vertices[c];
    const Vec3 facing = crossOf(vb.position - va.position, vc.position - va.position);
    if (lengthOf(facing) < 1e-9f) return;
    if (dotOf(facing, va.normal + vb.normal + vc.normal) < 0.0f) std::swap(b, c);
    triangles.push_back({a, b, c, part});
}

void Mesh::addBackFaces(std::size_t firstVertex, std::size_t firstTriangle, int part) {
    const std::size_t vertexEnd = vertices.size();
    const std::size_t triangleEnd = triangles.size();
    const std::uint32_t offset = static_cast<std::uint32_t>(vertexEnd - firstVertex);
    for (std::size_t i = firstVertex; i < vertexEnd; ++i) {
        MeshVertex flipped = vertices[i];
        flipped.normal = -flipped.normal;
        vertices.push_back(flipped);
    }
    for (std::size_t i = firstTriangle; i < triangleEnd; ++i) {
        const MeshTriangle t = triangles[i];
        triangles.push_back({t.a + offset, t.c + offset, t.b + offset, part});
    }
}

UvRect pixelRect(int width, int height, int x0, int y0, int x1, int y1) {
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    return {static_cast<float>(x0) / w, static_cast<float>(y0) / h, static_cast<float>(x1) / w,
            static_cast<float>(y1) / h};
}

UvRect pixelRect(int size, int x0, int y0, int x1, int y1) { return pixelRect(size, size, x0, y0, x1, y1); }

namespace {

bool samePoint(Vec2 a, Vec2 b) { return a.x == b.x && a.y == b.y; }

Vec2 segmentNormal(Vec2 from, Vec2 to) {
    const Vec2 d = to - from;
    const float l = std::sqrt(d.x * d.x + d.y * d.y);
    return {d.y / l, -d.x / l};
}

Vec2 unit2(Vec2 v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y);
    return l > 0.0f ? v * (1.0f / l) : v;
}

}  // namespace

Profile makeProfile(const std::vector<Vec2>& points, bool closed) {
    const std::size_t n = points.size();
    Profile profile(n);
    for (std::size_t i = 0; i < n; ++i) {
        const bool hasPrevious = closed || i > 0;
        const bool hasNext = closed || i + 1 < n;
        const Vec2 previous = points[(i + n - 1) % n];
        const Vec2 next = points[(i + 1) % n];
        const bool creaseBefore = hasPrevious && samePoint(previous, points[i]);
        const bool creaseAfter = hasNext && samePoint(next, points[i]);
        Vec2 normal{};
        if (hasPrevious && !creaseBefore && !creaseAfter)
            normal = normal + segmentNormal(previous, points[i]);
        if (hasNext && !creaseAfter && !creaseBefore) normal = normal + segmentNormal(points[i], next);
        if (creaseBefore && hasNext && !creaseAfter) normal = segmentNormal(points[i], next);
        if (creaseAfter && hasPrevious && !creaseBefore) normal = segmentNormal(previous, points[i]);
        normal = unit2(normal);
        // The ends of a lathe outline on the axis face straight along it.
        if (!closed && (i == 0 || i + 1 == n) && points[i].x == 0.0f)
            normal = {0.0f, normal.y >= 0 ? 1.0f : -1.0f};
        profile[i] = {points[i], normal, 0.0f};
    }
    if (closed && n > 0) profile.push_back(profile[0]);
    float total = 0.0f;
    for (std::size_t i = 1; i < profile.size(); ++i) {
        const Vec2 d = profile[i].point - profile[i - 1].point;
        total += std::sqrt(d.x * d.x + d.y * d.y);
        profile[i].t = total;
    }
    for (ProfilePoint& p : profile) p.t = total > 0.0f ? p.t / total : 0.0f;
    return profile;
}

void addLathe(Mesh& mesh, const Profile& profile, int segments, const Frame& frame, Vec2 radial, int part,
              const UvRect& uv) {
    const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertices.size());
    const int columns = segments + 1;
    for (const ProfilePoint& p : profile) {
        for (int j = 0; j < columns; ++j) {
            const float s = static_cast<float>(j) / static_cast<float>(segments);
            // The seam column repeats the first one exactly.
            const float angle =
                2.0f * Pi * (static_cast<float>(j % segments) / static_cast<float>(segments) - 0.5f);
            const float sine = std::sin(angle);
            const float cosine = std::cos(angle);
            const Vec3 local{p.point.x * sine * radial.x, p.point.y, p.point.x * cosine * radial.y};
            const Vec3 normal{p.normal.x * sine / radial.x, p.normal.y, p.normal.x * cosine / radial.y};
            const Vec2 st = uv.at(s, p.t);
            mesh.addVertex({frame.point(local), normalised(frame.direction(normal)), st.x, st.y});
        }
    }
    for (std::size_t i = 0; i + 1 < profile.size(); ++i) {
        for (int j = 0; j < segments; ++j) {
            const std::uint32_t a = first + static_cast<std::uint32_t>(i * columns + j);
            const std::uint32_t b = a + 1;
            const std::uint32_t c = a + static_cast<std::uint32_t>(columns) + 1;
            const std::uint32_t d = a + static_cast<std::uint32_t>(columns);
            mesh.addTriangle(a, b, c, part);
            mesh.addTriangle(a, c, d, part);
        }
    }
}

void addExtrusion(Mesh& mesh, const Profile& outline, float z0, float z1, const Frame& frame, int part,
                  const UvRect& sideUv, const UvRect& capUv) {
    const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertices.size());
    for (const ProfilePoint& p : outline) {
        const Vec3 normal = normalised(frame.direction({p.normal.x, p.normal.y, 0.0f}));
        for (int end = 0; end < 2; ++end) {
            const Vec2 st = sideUv.at(p.t, static_cast<float>(end));
            mesh.addVertex({frame.point({p.point.x, p.point.y, end ? z1 : z0}), normal, st.x, st.y});
        }
    }
    for (std::size_t i = 0; i + 1 < outline.size(); ++i) {
        const std::uint32_t a = first + static_cast<std::uint32_t>(2 * i);
        mesh.addTriangle(a, a + 2, a + 3, part);
        mesh.addTriangle(a, a + 3, a + 1, part);
    }

    Vec2 low = outline[0].point, high = outline[0].point, centre{};
    std::size_t unique = 0;
    for (std::size_t i = 0; i + 1 < outline.size(); ++i) {
        const Vec2 p = outline[i].point;
        low = {std::min(low.x, p.x), std::min(low.y, p.y)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y)};
        if (i == 0 || !samePoint(p, outline[i - 1].point)) {
            centre = centre + p;
            ++unique;
        }
    }
    centre = centre * (1.0f / static_cast<float>(unique));
    auto capVertex = [&](Vec2 p, float z, Vec3 normal) {
        const Vec2 st = capUv.at((p.x - low.x) / (high.x - low.x), (p.y - low.y) / (high.y - low.y));
        return mesh.addVertex({frame.point({p.x, p.y, z}), normal, st.x, st.y});
    };
    for (int end = 0; end < 2; ++end) {
        const float z = end ? z1 : z0;
        const Vec3 normal = frame.direction({0.0f, 0.0f, end ? 1.0f : -1.0f});
        const std::uint32_t middle = capVertex(centre, z, normal);
        for (std::size_t i = 0; i + 1 < outline.size(); ++i) {
            if (samePoint(outline[i].point, outline[i + 1].point)) continue;
            const std::uint32_t a = capVertex(outline[i].point, z, normal);
            const std::uint32_t b = capVertex(outline[i + 1].point, z, normal);
            mesh.addTriangle(middle, a, b, part);
        }
    }
}

BoxUv sameOnAllFaces(const UvRect& rect) {
    BoxUv uv;
    for (UvRect& face : uv.faces) face = rect;
    return uv;
}

void addBox(Mesh& mesh, Vec3 low, Vec3 high, const Frame& frame, int part, const BoxUv& uv) {
    struct Face {
        Vec3 normal, origin, sAxis, tAxis;
    };
    const Vec3 size = high - low;
    // s runs to the right of someone looking at the face from outside, t up.
    const Face faces[6] = {
        {{-1, 0, 0}, low, {0, 0, size.z}, {0, size.y, 0}},
        {{1, 0, 0}, {high.x, low.y, high.z}, {0, 0, -size.z}, {0, size.y, 0}},
        {{0, -1, 0}, low, {size.x, 0, 0}, {0, 0, size.z}},
        {{0, 1, 0}, {low.x, high.y, high.z}, {size.x, 0, 0}, {0, 0, -size.z}},
        {{0, 0, -1}, {high.x, low.y, low.z}, {-size.x, 0, 0}, {0, size.y, 0}},
        {{0, 0, 1}, {low.x, low.y, high.z}, {size.x, 0, 0}, {0, size.y, 0}},
    };
    for (int f = 0; f < 6; ++f) {
        const Face& face = faces[f];
        const Vec3 normal = frame.direction(face.normal);
        std::uint32_t corner[4];
        for (int k = 0; k < 4; ++k) {
            const float s = (k == 1 || k == 2) ? 1.0f : 0.0f;
            const float t = k >= 2 ? 1.0f : 0.0f;
            const Vec2 st = uv.faces[f].at(s, t);
            corner[k] = mesh.addVertex(
                {frame.point(face.origin + face.sAxis * s + face.tAxis * t), normal, st.x, st.y});
        }
        mesh.addTriangle(corner[0], corner[1], corner[2], part);
        mesh.addTriangle(corner[0], corner[2], corner[3], part);
    }
}

std::vector<Vec2> sphereOutline(float radius, float centre, int rings) {
    std::vector<Vec2> points;
    for (int i = 0; i <= rings; ++i) {
        const float a = -0.5f * Pi + Pi * static_cast<float>(i) / static_cast<float>(rings);
        points.push_back({i == 0 || i == rings ? 0.0f : radius * std::cos(a), centre + radius * std::sin(a)});
    }
    return points;
}

void meshBounds(const Mesh& mesh, Vec3& low, Vec3& high) {
    low = {1e30f, 1e30f, 1e30f};
    high = {-1e30f, -1e30f, -1e30f};
    for (const MeshVertex& v : mesh.vertices) {
        low = {std::min(low.x, v.position.x), std::min(low.y, v.position.y), std::min(low.z, v.position.z)};
        high = {std::max(high.x, v.position.x), std::max(high.y, v.position.y),
                std::max(high.z, v.position.z)};
    }
}

void addCurvedStrip(Mesh& mesh, const Profile& line, float thickness, float z0, float z1, const Frame& frame,
                    int part, const UvRect& uv) {
    const std::size_t n = line.size();
    auto at = [&](std::size_t i, float lift, float z) {
        const Vec2 p = line[i].point + line[i].normal * lift;
        return frame.point({p.x, p.y, z});
    };
    auto quadStrip = [&](auto position, auto normal) {
        const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertices.size());
        for (std::size_t i = 0; i < n; ++i) {
            for (int k = 0; k < 2; ++k) {
                const Vec2 st = uv.at(line[i].t, static_cast<float>(k));
                mesh.addVertex({position(i, k), normal(i), st.x, st.y});
            }
        }
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const std::uint32_t a = first + static_cast<std::uint32_t>(2 * i);
            mesh.addTriangle(a, a + 2, a + 3, part);
            mesh.addTriangle(a, a + 3, a + 1, part);
        }
    };
    auto radial = [&](float sign) {
        return [&, sign](std::size_t i) {
            return normalised(frame.direction({line[i].normal.x * sign, line[i].normal.y * sign, 0.0f}));
        };
    };
    const Vec3 front = frame.direction({0, 0, 1});
    quadStrip([&](std::size_t i, int k) { return at(i, thickness, k ? z1 : z0); }, radial(1.0f));
    quadStrip([&](std::size_t i, int k) { return at(i, 0.0f, k ? z1 : z0); }, radial(-1.0f));
    quadStrip([&](std::size_t i, int k) { return at(i, k ? thickness : 0.0f, z1); },
              [&](std::size_t) { return front; });
    quadStrip([&](std::size_t i, int k) { return at(i, k ? thickness : 0.0f, z0); },
              [&](std::size_t) { return -front; });
    for (std::size_t end : {std::size_t{0}, n - 1}) {
        const Vec2 d = line[end == 0 ? 1 : end].point - line[end == 0 ? 0 : end - 1].point;
        const Vec3 out = normalised(frame.direction({end == 0 ? -d.x : d.x, end == 0 ? -d.y : d.y, 0.0f}));
        std::uint32_t c[4];
        for (int k = 0; k < 4; ++k) {
            const float lift = (k == 1 || k == 2) ? thickness : 0.0f;
            const Vec2 st = uv.at(lift / thickness, k >= 2 ? 1.0f : 0.0f);
            c[k] = mesh.addVertex({at(end, lift, k >= 2 ? z1 : z0), out, st.x, st.y});
        }
        mesh.addTriangle(c[0], c[1], c[2], part);
        mesh.addTriangle(c[0], c[2], c[3], part);
    }
}

void addTube(Mesh& mesh, const std::vector<Vec3>& path, const std::vector<float>& radii, int segments,
             Vec3 front, Vec2 radial, int part, const UvRect& uv) {
    const std::size_t n = std::min(path.size(), radii.size());
    if (n < 2 || segments < 3) return;
    std::vector<float> along(n, 0.0f);
    for (std::size_t i = 1; i < n; ++i) along[i] = along[i - 1] + lengthOf(path[i] - path[i - 1]);
    const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertices.size());
    const int columns = segments + 1;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t before = i == 0 ? 0 : i - 1, after = i + 1 == n ? i : i + 1;
        const Frame frame = frameAlong(path[i], path[after] - path[before], front);
        // The taper tilts the normals toward the thinner end.
        const float run = along[after] - along[before];
        const float slope = run > 0.0f ? (radii[after] - radii[before]) / run : 0.0f;
        const float t = along[n - 1] > 0.0f ? along[i] / along[n - 1] : 0.0f;
        for (int j = 0; j < columns; ++j) {
            const float angle =
                2.0f * Pi * (static_cast<float>(j % segments) / static_cast<float>(segments) - 0.5f);
            const float sine = std::sin(angle), cosine = std::cos(angle);
            const Vec3 local{radii[i] * sine * radial.x, 0.0f, radii[i] * cosine * radial.y};
            const Vec3 normal{sine / radial.x, -slope, cosine / radial.y};
            const Vec2 st = uv.at(static_cast<float>(j) / static_cast<float>(segments), t);
            mesh.addVertex({frame.point(local), normalised(frame.direction(normal)), st.x, st.y});
        }
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        for (int j = 0; j < segments; ++j) {
            const std::uint32_t a = first + static_cast<std::uint32_t>(i * columns + j);
            const std::uint32_t c = a + static_cast<std::uint32_t>(columns) + 1;
            const std::uint32_t d = a + static_cast<std::uint32_t>(columns);
            mesh.addTriangle(a, a + 1, c, part);
            mesh.addTriangle(a, c, d, part);
        }
    }
}

std::vector<std::uint32_t> groupVerticesByPart(Mesh& mesh) {
    std::stable_sort(mesh.triangles.begin(), mesh.triangles.end(),
                     [](const MeshTriangle& a, const MeshTriangle& b) { return a.part < b.part; });
    constexpr std::uint32_t Unset = 0xffffffffu;
    std::vector<std::uint32_t> copyOf(mesh.vertices.size(), Unset);  // in the current part
    std::vector<std::uint32_t> source;
    std::vector<MeshVertex> vertices;
    int part = 0;
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        MeshTriangle& t = mesh.triangles[i];
        if (i == 0 || t.part != part) {
            part = t.part;
            std::fill(copyOf.begin(), copyOf.end(), Unset);
        }
        for (std::uint32_t* corner : {&t.a, &t.b, &t.c}) {
            std::uint32_t& copy = copyOf[*corner];
            if (copy == Unset) {
                copy = static_cast<std::uint32_t>(vertices.size());
                vertices.push_back(mesh.vertices[*corner]);
                source.push_back(*corner);
            }
            *corner = copy;
        }
    }
    mesh.vertices = std::move(vertices);
    return source;
}
