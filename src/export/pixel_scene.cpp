#include "export/pixel_scene.h"

#include <string>

namespace pq {

namespace {
struct Face {
    SceneVector normal;
    SceneVector u; // u x v = normal, so the corners below run counter-clockwise from outside
    SceneVector v;
};
constexpr Face kFaces[] = {
    {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
    {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
    {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
};
constexpr float kCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

void appendBox(PixelMesh& mesh, const SceneVector& centre, float edge)
{
    const SceneVector half{edge / 2, edge / 2, edge / 4}; // depth is half the edge
    for (const Face& face : kFaces) {
        const auto first = static_cast<std::uint32_t>(mesh.vertexCount());
        for (const auto& corner : kCorners) {
            const float a = corner[0], b = corner[1];
            const float dx = face.normal.x + a * face.u.x + b * face.v.x;
            const float dy = face.normal.y + a * face.u.y + b * face.v.y;
            const float dz = face.normal.z + a * face.u.z + b * face.v.z;
            mesh.positions.insert(mesh.positions.end(),
                                  {centre.x + dx * half.x, centre.y + dy * half.y, centre.z + dz * half.z});
            mesh.normals.insert(mesh.normals.end(), {face.normal.x, face.normal.y, face.normal.z});
        }
        mesh.indices.insert(mesh.indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
    }
}

float luminance(const std::array<float, 3>& rgb)
{
    return 0.2126f * rgb[0] + 0.7152f * rgb[1] + 0.0722f * rgb[2];
}
} // namespace

PixelMaterial pixelMaterial(const Color& color)
{
    PixelMaterial material;
    material.color = color;
    material.rgb = {static_cast<float>(color.redF()), static_cast<float>(color.greenF()),
                    static_cast<float>(color.blueF())};
    material.roughness = luminance(material.rgb);
    material.metalness = material.roughness;
    return material;
}

PixelBoxGroup buildPixelBoxGroup(const PixelArray& pixels, double boxSize)
{
    PixelBoxGroup group;
    const float edge = static_cast<float>(boxSize);
    group.boxSize = edge;
    std::int64_t r = 0;
    for (std::int64_t row = pixels.rows() - 1; row >= 0; --row, ++r) {
        for (std::int64_t c = 0; c < pixels.columns(); ++c) {
            const Color& color = pixels.at(row, c);
            if (color.isClear())
                continue;
            // The material cache: at most 256 colours, so a linear search is cheap.
            std::size_t material = 0;
            while (material < group.materials.size() && !(group.materials[material].color == color))
                ++material;
            if (material == group.materials.size())
                group.materials.push_back(pixelMaterial(color));
            group.boxes.push_back({std::to_string(c) + "|" + std::to_string(r),
                                   {static_cast<float>(c) * edge, static_cast<float>(r) * edge, 0.0f}, material});
        }
    }
    group.position = {-static_cast<float>(pixels.columns() / 2) * edge, -static_cast<float>(pixels.rows() / 2) * edge,
                      0.0f};
    return group;
}

PixelSceneNode flattenPixelBoxGroup(const PixelBoxGroup& group)
{
    PixelSceneNode node{group.name, group.position, group.boxSize, group.materials, {}};
    std::vector<PixelMesh> byMaterial(group.materials.size());
    for (std::size_t i = 0; i < byMaterial.size(); ++i)
        byMaterial[i].material = i;
    for (const PixelBox& box : group.boxes)
        appendBox(byMaterial[box.material], box.position, group.boxSize);
    for (auto& mesh : byMaterial)
        if (!mesh.indices.empty())
            node.meshes.push_back(std::move(mesh));
    return node;
}

PixelSceneNode buildPixelScene(const PixelArray& pixels, double boxSize)
{
    return flattenPixelBoxGroup(buildPixelBoxGroup(pixels, boxSize));
}

} // namespace pq
