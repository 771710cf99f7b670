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

#include <array>
#include <cmath>
#include <map>

namespace pq {
namespace {

using Rgb = std::array<long, 3>;

// Assimp's importer reads the COLLADA file back: one mesh per colour with that colour as
// its diffuse colour, twelve triangles per box, the group's offset and the ambient light.
TEST(WriteSceneFile, ColladaReadsBackWithMeshesColoursAndLight)
{
    const PixelArray pixels = test::pixelsFromRows({"BWrk", "Bu..", "gBBW", "...."});
    const QString folder = test::makeTempDir();
    const auto path = writeSceneFile("relief", folder, true, pixels);
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
        trianglesByColour[{std::lround(diffuse.r * 255), std::lround(diffuse.g * 255), std::lround(diffuse.b * 255)}] += mesh->mNumFaces;
        EXPECT_TRUE(mesh->HasNormals());
    }
    // black constant and palette black are separate meshes of the same colour
    const std::map<Rgb, unsigned> expected{{{0, 0, 0}, 12 * 5}, {{255, 255, 255}, 12 * 2}, {{255, 128, 0}, 12},
                                           {{16, 32, 255}, 12}, {{0, 191, 32}, 12}};
    EXPECT_EQ(trianglesByColour, expected);
    EXPECT_EQ(scene->mNumMeshes, 6u);

    const aiNode* group = scene->mRootNode->FindNode("Group");
    ASSERT_NE(group, nullptr);
    EXPECT_NEAR(group->mTransformation.a4, -0.02, 1e-6);
    EXPECT_NEAR(group->mTransformation.b4, -0.02, 1e-6);
    ASSERT_EQ(scene->mNumLights, 1u);
    EXPECT_EQ(scene->mLights[0]->mType, aiLightSource_AMBIENT);

    // A fully masked icon still has the light and an empty group.
    const auto empty = writeSceneFile("empty", folder, true, test::pixelsFromRows({"..", ".."}));
    ASSERT_TRUE(empty);
    scene = importer.ReadFile(empty->toStdString(), 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    EXPECT_NE(scene->mRootNode->FindNode("Group"), nullptr);
    EXPECT_EQ(scene->mNumLights, 1u);
    EXPECT_TRUE(writeSceneFile("empty", folder, false, test::pixelsFromRows({"..", ".."})));
}

// libzip reads one stored entry, the layer, at a 64-byte boundary. The layer's text is as a USD
// reader needs it: axes and units, the light, one mesh of one box (24 points) per colour,
// each bound to its own material.
TEST(WriteSceneFile, UsdzIsAStoredAlignedZipOfTheLayer)
{
    const QString folder = test::makeTempDir();
    const auto path = writeSceneFile("relief", folder, false, test::pixelsFromRows({"Bk", "r."}));
    ASSERT_TRUE(path) << path.error().detail.toStdString();
    EXPECT_EQ(*path, folder + "/relief.usdz");
    int error = 0;
    zip_t* archive = zip_open(path->toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(archive, nullptr) << error;
    ASSERT_EQ(zip_get_num_entries(archive, 0), 1);
    zip_stat_t stat;
    ASSERT_EQ(zip_stat_index(archive, 0, 0, &stat), 0);
    EXPECT_STREQ(stat.name, kUsdzLayerName);
    EXPECT_EQ(stat.comp_method, ZIP_CM_STORE);
    QByteArray bytes(static_cast<qsizetype>(stat.size), '\0');
    zip_file_t* file = zip_fopen_index(archive, 0, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(zip_fread(file, bytes.data(), stat.size), static_cast<zip_int64_t>(stat.size));
    zip_fclose(file);
    zip_close(archive);
    const QByteArray zip = test::readWholeFile(*path); // the first entry's data follows its local header
    const qsizetype dataOffset = 30 + (std::uint8_t(zip[26]) | std::uint8_t(zip[27]) << 8) + (std::uint8_t(zip[28]) | std::uint8_t(zip[29]) << 8);
    EXPECT_EQ(dataOffset % 64, 0);
    EXPECT_EQ(zip.mid(dataOffset, bytes.size()), bytes);

    const QString layer = QString::fromUtf8(bytes);
    EXPECT_TRUE(layer.startsWith("#usda 1.0\n"));
    for (const char* line : {"upAxis = \"Y\"", "metersPerUnit = 1", "defaultPrim = \"Root\"", "def DomeLight",
                             "float3 xformOp:translate = (-0.01, -0.01, 0)", "rel material:binding = </Root/Materials/Material2>"})
        EXPECT_TRUE(layer.contains(QLatin1String(line))) << line;
    EXPECT_EQ(layer.count(QRegularExpression("color3f inputs:diffuseColor = \\(1, 0\\.5000\\d*, 0\\)")), 1);
    const QRegularExpression points("point3f\\[\\] points = \\[([^\\]]*)\\]");
    std::vector<qsizetype> pointsPerMesh;
    for (auto match = points.globalMatch(layer); match.hasNext();)
        pointsPerMesh.push_back(match.next().captured(1).count('('));
    EXPECT_EQ(pointsPerMesh, (std::vector<qsizetype>{24, 24, 24}));
}

} // namespace
} // namespace pq
