#include "shading.h"

#include <map>

namespace {

constexpr float DarkestShade = 0.45f;

}  // namespace

int shadeLevel(Vec3 normal, Vec3 light, int levels) {
    // Half-Lambert: faces turned away still grade, so no side is flat black.
    const float h = 0.5f * (dotOf(normalised(normal), normalised(light)) + 1.0f);
    return std::clamp(static_cast<int>(h * static_cast<float>(levels)), 0, levels - 1);
}

void shadeModel(A3fModel& model, const std::vector<PartLook>& looks, const std::string& textureFile,
                Vec3 light) {
    Mesh& mesh = model.mesh;
    std::vector<int> level(mesh.triangles.size());
    std::map<std::pair<int, int>, bool> used;
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        const MeshTriangle& t = mesh.triangles[i];
        const Vec3 n = mesh.vertices[t.a].normal + mesh.vertices[t.b].normal + mesh.vertices[t.c].normal;
        level[i] = shadeLevel(n, light, looks[static_cast<std::size_t>(t.part)].levels);
        used[{t.part, level[i]}] = true;
    }
    std::map<std::pair<int, int>, int> materialOf;
    model.materials.clear();
    for (std::size_t p = 0; p < looks.size(); ++p) {
        const PartLook& look = looks[p];
        for (int k = 0; k < look.levels; ++k) {
            const std::pair<int, int> key{static_cast<int>(p), k};
            if (!used.count(key)) continue;
            const float shade = look.levels == 1
                                    ? 1.0f
                                    : DarkestShade + (1.0f - DarkestShade) * static_cast<float>(k) /
                                                         static_cast<float>(look.levels - 1);
            A3fMaterial m;
            m.name = look.levels == 1 ? look.name : look.name + "_" + std::to_string(k);
            const Rgba& c = look.colour;
            m.diffuse = {c.red * shade, c.green * shade, c.blue * shade, c.alpha};
            m.ambient = {c.red * 0.3f, c.green * 0.3f, c.blue * 0.3f, c.alpha};
            m.specular = {look.specular, look.specular, look.specular, 1.0f};
            m.emission =
                look.levels == 1 ? Rgba{c.red * 0.5f, c.green * 0.5f, c.blue * 0.5f, 1.0f} : Rgba{0, 0, 0, 1};
            m.shininess = look.shininess;
            if (look.textured) {
                m.textureFile = textureFile;
                m.alpha = look.alpha;
            }
            materialOf[key] = static_cast<int>(model.materials.size());
            model.materials.push_back(m);
        }
    }
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        MeshTriangle& t = mesh.triangles[i];
        t.part = materialOf[{t.part, level[i]}];
    }
}
