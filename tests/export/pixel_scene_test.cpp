#include "export/pixel_scene.h"

#include "export_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pq {
namespace {

// Every triangle of the merged mesh lies on the surface of its box, faces outward and the
// boxes together fill exactly the icon's extent.
TEST(PixelSceneNode, MergedMeshesHoldClosedOutwardBoxes)
{
    const PixelArray pixels = test::pixelsFromRows({"BWr", "r.B"});
    const float s = 0.5f;
    const PixelSceneNode node = buildPixelScene(pixels, s);
    ASSERT_EQ(node.meshes.size(), 3u);
    std::size_t boxes = 0;
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (const PixelMesh& mesh : node.meshes) {
        ASSERT_EQ(mesh.vertexCount() % 24, 0u);
        ASSERT_EQ(mesh.indices.size(), mesh.vertexCount() / 24 * 36);
        ASSERT_EQ(mesh.normals.size(), mesh.positions.size());
        boxes += mesh.vertexCount() / 24;
        for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
            lo[i % 3] = std::min(lo[i % 3], mesh.positions[i]);
            hi[i % 3] = std::max(hi[i % 3], mesh.positions[i]);
        }
        for (std::size_t t = 0; t < mesh.indices.size(); t += 3) {
            const float* a = &mesh.positions[3 * mesh.indices[t]];
            const float* b = &mesh.positions[3 * mesh.indices[t + 1]];
            const float* c = &mesh.positions[3 * mesh.indices[t + 2]];
            const float* n = &mesh.normals[3 * mesh.indices[t]];
            const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const float cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            EXPECT_GT(cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2], 0.0f) << "triangle " << t / 3;
            EXPECT_FLOAT_EQ(std::hypot(n[0], n[1], n[2]), 1.0f);
        }
    }
    EXPECT_EQ(boxes, 5u);
    // The bottom row's r comes first: two r boxes, then B, then W.
    EXPECT_EQ(std::tuple(node.meshes[0].vertexCount(), node.meshes[0].material, node.meshes[2].vertexCount()), std::tuple(48u, 0u, 24u));
    EXPECT_EQ(node.materials[0].color, Color::fromRgb16(0xFFFF, 0x8000, 0));
    // box centres from (0, 0) to (2s, s); boxes s wide and s/2 deep
    EXPECT_EQ(std::vector(lo, lo + 3), (std::vector{-s / 2, -s / 2, -s / 4}));
    EXPECT_EQ(std::vector(hi, hi + 3), (std::vector{2 * s + s / 2, s + s / 2, s / 4}));
    EXPECT_EQ(node.position, (SceneVector{-0.5f, -0.5f, 0}));
    // Odd sizes centre on integer halves; an icon without visible pixels has no mesh.
    EXPECT_EQ(buildPixelScene(test::pixelsFromRows({"BBB", "BBB", "BBB", "BBB", "BBB"}), 2.0).position,
              (SceneVector{-2.0f, -4.0f, 0}));
    const PixelSceneNode empty = buildPixelScene(test::pixelsFromRows({"..", ".."}), 1.0);
    EXPECT_TRUE(empty.materials.empty() && empty.meshes.empty());
}

} // namespace
} // namespace pq
