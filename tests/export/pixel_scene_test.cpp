#include "export/pixel_scene.h"

#include "export_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace pq {
namespace {

PixelArray solid(int side, Color colour)
{
    PixelArray pixels(side, side);
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            pixels.at(r, c) = colour;
    return pixels;
}

TEST(PixelBoxGroup, NamesCountColumnsFromLeftAndRowsFromBottomAroundACentredOrigin)
{
    const PixelBoxGroup group = buildPixelBoxGroup(solid(32, Color::black()), 0.01);
    EXPECT_EQ(group.name, "Group");
    ASSERT_EQ(group.boxes.size(), 1024u);
    for (int c = 0; c < 32; ++c) {
        EXPECT_EQ(group.boxes[c].name, std::to_string(c) + "|0");             // bottom row first
        EXPECT_EQ(group.boxes[31 * 32 + c].name, std::to_string(c) + "|31");  // top row last
    }
    EXPECT_EQ(group.boxes[5 * 32 + 7].position, (SceneVector{7 * 0.01f, 5 * 0.01f, 0}));
    EXPECT_FLOAT_EQ(group.position.x, -0.16f);
    EXPECT_FLOAT_EQ(group.position.y, -0.16f);
    // Odd sizes centre on integer halves; masked pixels have no box.
    EXPECT_EQ(buildPixelBoxGroup(test::pixelsFromRows({"BBB", "BBB", "BBB", "BBB", "BBB"}), 2.0).position,
              (SceneVector{-2.0f, -4.0f, 0}));
    const PixelBoxGroup marked = buildPixelBoxGroup(test::pixelsFromRows({"B..", "...", "..W"}), 1.0);
    ASSERT_EQ(marked.boxes.size(), 2u);
    EXPECT_EQ(marked.boxes[0].name, "2|0");
    EXPECT_EQ(marked.boxes[1].position, (SceneVector{0, 2, 0}));
    const PixelSceneNode empty = buildPixelScene(solid(16, Color::clear()), 0.01);
    EXPECT_TRUE(empty.materials.empty() && empty.meshes.empty());
}

TEST(PixelBoxGroup, OneMaterialPerColourKey)
{
    // black constant and palette (0, 0, 0) are different keys; masked pixels have no box
    const PixelBoxGroup group = buildPixelBoxGroup(test::pixelsFromRows({"BkB.", "kWrr", "....", "wWBk"}), 0.01);
    EXPECT_EQ(group.boxes.size(), 11u);
    ASSERT_EQ(group.materials.size(), 5u); // bottom row first: w, W, B, k, then r
    EXPECT_EQ(group.materials[0].color, Color::fromRgb16(0xFFFF, 0xFFFF, 0xFFFF));
    EXPECT_EQ(group.materials[1].color, Color::white());
    EXPECT_EQ(group.materials[2].color, Color::black());
    EXPECT_EQ(group.materials[3].color, Color::fromRgb16(0, 0, 0));
    EXPECT_EQ(group.materials[4].color, Color::fromRgb16(0xFFFF, 0x8000, 0));
    for (const PixelBox& box : group.boxes)
        EXPECT_EQ(group.materials[box.material].color == Color::black(),
                  box.name == "2|0" || box.name == "0|3" || box.name == "2|3");
    // a 1-bit icon has at most two
    EXPECT_EQ(buildPixelBoxGroup(test::pixelsFromRows({"BW.", "WBW"}), 1).materials.size(), 2u);
}

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
    EXPECT_EQ(node.meshes[0].vertexCount(), 48u); // the bottom row's r comes first; two r boxes
    EXPECT_EQ(node.meshes[0].material, 0u);
    EXPECT_EQ(node.materials[0].color, Color::fromRgb16(0xFFFF, 0x8000, 0));
    EXPECT_EQ(node.meshes[2].vertexCount(), 24u * 1); // W
    // box centres from (0, 0) to (2s, s); boxes s wide and s/2 deep
    EXPECT_FLOAT_EQ(lo[0], -s / 2);
    EXPECT_FLOAT_EQ(hi[0], 2 * s + s / 2);
    EXPECT_FLOAT_EQ(lo[1], -s / 2);
    EXPECT_FLOAT_EQ(hi[1], s + s / 2);
    EXPECT_FLOAT_EQ(lo[2], -s / 4);
    EXPECT_FLOAT_EQ(hi[2], s / 4);
    EXPECT_EQ(node.position, (SceneVector{-0.5f, -0.5f, 0}));
}

} // namespace
} // namespace pq
