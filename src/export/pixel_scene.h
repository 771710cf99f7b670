#pragma once

#include "decoding/color.h"
#include "decoding/pixel_array.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pq {

// An icon as a relief of boxes: one box per visible pixel in the x-y plane (x to the right,
// y upward, so the icon's top row has the largest y), each box `boxSize` wide and high and
// half as deep along z, centred on its position. Used by the 3D scene files and the viewer.

// The box edge of the scene files and the viewer, in scene units (metres).
inline constexpr double kPixelBoxSize = 0.01;

struct SceneVector {
    float x = 0;
    float y = 0;
    float z = 0;
    friend bool operator==(const SceneVector&, const SceneVector&) = default;
};

// The material of all boxes of one colour (physically based; its diffuse, roughness and
// metalness all come from the colour).
struct PixelMaterial {
    Color color;                    // the key: the black constant and palette (0, 0, 0) differ
    std::array<float, 3> rgb{};     // diffuse colour, components 0..1
    float roughness = 0;            // the colour's luminance
    float metalness = 0;            // the colour's luminance
};

// One child of the group before flattening: one visible pixel.
struct PixelBox {
    std::string name;      // column from the left, "|", row from the bottom: "0|31" is top-left of 32 rows
    SceneVector position;  // (column x edge, row-from-bottom x edge, 0) relative to the group
    std::size_t material;  // index into the group's materials
};

// The group as built, before flattening: "Group", its offset that centres the icon, and one
// box per visible pixel sharing one geometry and material per distinct colour.
struct PixelBoxGroup {
    std::string name = "Group";
    SceneVector position;
    float boxSize = 0;
    std::vector<PixelMaterial> materials; // in order of first appearance (bottom row first)
    std::vector<PixelBox> boxes;          // bottom row first, left to right
};

// All boxes of one material merged into one triangle mesh, in the group's coordinates.
// Every box has 24 vertices (4 per face, each with its face's normal) and 12 triangles,
// counter-clockwise seen from outside.
struct PixelMesh {
    std::size_t material = 0;
    std::vector<float> positions;        // x, y, z per vertex
    std::vector<float> normals;          // x, y, z per vertex
    std::vector<std::uint32_t> indices;  // three per triangle
    std::size_t vertexCount() const { return positions.size() / 3; }
};

// The flattened copy of the group: same name and position, the boxes replaced by one merged
// mesh per material (meshes in material order; a material without boxes has no mesh).
struct PixelSceneNode {
    std::string name;
    SceneVector position;
    float boxSize = 0;
    std::vector<PixelMaterial> materials;
    std::vector<PixelMesh> meshes;
};

// The material made for a pixel colour.
PixelMaterial pixelMaterial(const Color& color);

// The group with one box per visible pixel. The group's position is
// (-(columns / 2) x edge, -(rows / 2) x edge, 0) with integer division, in single precision.
PixelBoxGroup buildPixelBoxGroup(const PixelArray& pixels, double boxSize);

// The group's flattened copy.
PixelSceneNode flattenPixelBoxGroup(const PixelBoxGroup& group);

// buildPixelBoxGroup then flattenPixelBoxGroup: the node the scene files and the viewer show.
PixelSceneNode buildPixelScene(const PixelArray& pixels, double boxSize);

} // namespace pq
