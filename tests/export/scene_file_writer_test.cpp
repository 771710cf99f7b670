#include "export/scene_file_writer.h"

#include "export_test_support.h"
#include "test_support.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <zip.h>

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cstring>
#include <map>
#include <set>

namespace pq {
namespace {

const aiNode* findNode(const aiNode* node, const char* name)
{
    if (std::strcmp(node->mName.C_Str(), name) == 0)
        return node;
    for (unsigned i = 0; i < node->mNumChildren; ++i)
        if (const aiNode* found = findNode(node->mChildren[i], name))
            return found;
    return nullptr;
}

using Rgb = std::array<int, 3>;
Rgb rgb255(float r, float g, float b)
{
    return {int(std::lround(r * 255)), int(std::lround(g * 255)), int(std::lround(b * 255))};
}

// Assimp's importer reads the COLLADA file back: one mesh per colour with that colour as
// its diffuse colour, twelve triangles per box, the group's offset and the ambient light.
TEST(WriteSceneFile, ColladaReadsBackWithMeshesColoursAndLight)
{
    const PixelArray pixels = test::pixelsFromRows({"BWrk", "Bu..", "gBBW", "...."});
    const QString folder = test::makeTempDir();
    const auto path = writeSceneFile("relief", kExportBoxSize, folder, true, pixels);
    ASSERT_TRUE(path) << path.error().detail.toStdString();
    EXPECT_EQ(*path, folder + "/relief.dae");

    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path->toStdString(), 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    std::map<Rgb, unsigned> trianglesByColour;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        const aiMesh* mesh = scene->mMeshes[i];
        aiColor4D diffuse;
        ASSERT_EQ(scene->mMaterials[mesh->mMaterialIndex]->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse), AI_SUCCESS);
        trianglesByColour[rgb255(diffuse.r, diffuse.g, diffuse.b)] += mesh->mNumFaces;
        EXPECT_TRUE(mesh->HasNormals());
    }
    // black constant and palette black are separate meshes of the same colour
    const std::map<Rgb, unsigned> expected{{{0, 0, 0}, 12 * 5}, {{255, 255, 255}, 12 * 2}, {{255, 128, 0}, 12},
                                           {{16, 32, 255}, 12}, {{0, 191, 32}, 12}};
    EXPECT_EQ(trianglesByColour, expected);
    EXPECT_EQ(scene->mNumMeshes, 6u);

    const aiNode* group = findNode(scene->mRootNode, "Group");
    ASSERT_NE(group, nullptr);
    EXPECT_NEAR(group->mTransformation.a4, -0.02, 1e-6);
    EXPECT_NEAR(group->mTransformation.b4, -0.02, 1e-6);
    ASSERT_EQ(scene->mNumLights, 1u);
    EXPECT_EQ(scene->mLights[0]->mType, aiLightSource_AMBIENT);
    EXPECT_TRUE(test::folderEntries(folder) == QStringList{"relief.dae"});
}

TEST(WriteSceneFile, FullyMaskedIconStillWritesTheLightAndAnEmptyGroup)
{
    const QString folder = test::makeTempDir();
    const auto dae = writeSceneFile("empty", kExportBoxSize, folder, true, test::pixelsFromRows({"..", ".."}));
    ASSERT_TRUE(dae) << dae.error().detail.toStdString();
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(dae->toStdString(), 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    EXPECT_NE(findNode(scene->mRootNode, "Group"), nullptr);
    EXPECT_EQ(scene->mNumLights, 1u);

    const auto usdz = writeSceneFile("empty", kExportBoxSize, folder, false, test::pixelsFromRows({"..", ".."}));
    ASSERT_TRUE(usdz);
    EXPECT_FALSE(test::readWholeFile(*usdz).isEmpty());
}

struct ZipEntry {
    std::string name;
    std::uint16_t method = 0;
    std::size_t dataOffset = 0;
    QByteArray data;
};

// Walks the local file headers directly, to see where each entry's data begins.
std::vector<ZipEntry> localEntries(const QByteArray& zip)
{
    std::vector<ZipEntry> entries;
    auto u16 = [&](qsizetype at) { return std::uint16_t(std::uint8_t(zip[at]) | std::uint8_t(zip[at + 1]) << 8); };
    auto u32 = [&](qsizetype at) { return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16; };
    qsizetype at = 0;
    while (at + 30 <= zip.size() && u32(at) == 0x04034b50) {
        ZipEntry entry;
        entry.method = u16(at + 8);
        const std::uint32_t size = u32(at + 18);
        const std::uint16_t nameLength = u16(at + 26), extraLength = u16(at + 28);
        entry.name = zip.mid(at + 30, nameLength).toStdString();
        entry.dataOffset = static_cast<std::size_t>(at + 30 + nameLength + extraLength);
        entry.data = zip.mid(static_cast<qsizetype>(entry.dataOffset), size);
        at = static_cast<qsizetype>(entry.dataOffset) + size;
        entries.push_back(entry);
    }
    return entries;
}

TEST(WriteSceneFile, UsdzIsAStoredAlignedZipWithTheLayerFirst)
{
    const PixelArray pixels = test::patternPixels(32, 5);
    const QString folder = test::makeTempDir();
    const auto path = writeSceneFile("relief", kExportBoxSize, folder, false, pixels);
    ASSERT_TRUE(path) << path.error().detail.toStdString();
    EXPECT_EQ(*path, folder + "/relief.usdz");
    const QByteArray bytes = test::readWholeFile(*path);

    // libzip's reader: one stored entry, the layer, whose bytes are the USDA text
    int error = 0;
    zip_t* archive = zip_open(path->toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(archive, nullptr) << error;
    ASSERT_EQ(zip_get_num_entries(archive, 0), 1);
    zip_stat_t stat;
    ASSERT_EQ(zip_stat_index(archive, 0, 0, &stat), 0);
    EXPECT_STREQ(stat.name, kUsdzLayerName);
    EXPECT_EQ(stat.comp_method, ZIP_CM_STORE);
    QByteArray layer(static_cast<qsizetype>(stat.size), '\0');
    zip_file_t* file = zip_fopen_index(archive, 0, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(zip_fread(file, layer.data(), stat.size), static_cast<zip_int64_t>(stat.size));
    zip_fclose(file);
    zip_close(archive);
    EXPECT_EQ(layer, usdaLayer(buildPixelScene(pixels, kExportBoxSize)));

    const auto entries = localEntries(bytes);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, kUsdzLayerName);
    EXPECT_EQ(entries[0].method, 0);
    EXPECT_EQ(entries[0].dataOffset % 64, 0u);
    EXPECT_EQ(entries[0].data, layer);
}

TEST(UsdaLayer, StatesAxesUnitsLightMeshesAndColours)
{
    const PixelArray pixels = test::pixelsFromRows({"Bk", "r."});
    const QString layer = QString::fromUtf8(usdaLayer(buildPixelScene(pixels, kExportBoxSize)));
    EXPECT_TRUE(layer.startsWith("#usda 1.0\n"));
    const std::pair<const char*, int> counts[] = {{"upAxis = \"Y\"", 1},
                                                  {"metersPerUnit = 1", 1},
                                                  {"defaultPrim = \"Root\"", 1},
                                                  {"def DomeLight", 1},
                                                  {"def Xform \"Group\"", 1},
                                                  {"float3 xformOp:translate = (-0.01, -0.01, 0)", 1},
                                                  {"def Mesh", 3},
                                                  {"def Material", 3},
                                                  {"color3f inputs:diffuseColor = (0, 0, 0)", 2},
                                                  {"color3f[] primvars:displayColor = [(0, 0, 0)]", 2}};
    for (const auto& [text, count] : counts)
        EXPECT_EQ(layer.count(QLatin1String(text)), count) << text;
    EXPECT_EQ(layer.count(QRegularExpression("color3f inputs:diffuseColor = \\(1, 0\\.5000\\d*, 0\\)")), 1);
    // each mesh binds its own material and holds one box: 24 points, 12 triangles
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(layer.contains(QString("rel material:binding = </Root/Materials/Material%1>").arg(i)));
    const QRegularExpression points("point3f\\[\\] points = \\[([^\\]]*)\\]");
    auto match = points.globalMatch(layer);
    int meshes = 0;
    while (match.hasNext()) {
        EXPECT_EQ(match.next().captured(1).count('('), 24);
        ++meshes;
    }
    EXPECT_EQ(meshes, 3);
}

} // namespace
} // namespace pq
