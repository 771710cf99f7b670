// The COLLADA form of the pixel scene, through Assimp's exporter.
#include "export/scene_file_writer.h"

#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <array>
#include <memory>

namespace pq {

namespace {
// The light's node and the light share a name: that is how the COLLADA writer pairs them.
constexpr const char* kLightName = "AmbientLight";

aiMesh* makeMesh(const PixelMesh& source, std::size_t index)
{
    auto* mesh = new aiMesh;
    mesh->mName = aiString("Mesh" + std::to_string(index));
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mMaterialIndex = static_cast<unsigned>(source.material);
    mesh->mNumVertices = static_cast<unsigned>(source.vertexCount());
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    mesh->mNormals = new aiVector3D[mesh->mNumVertices];
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
        mesh->mVertices[v] = aiVector3D(source.positions[3 * v], source.positions[3 * v + 1], source.positions[3 * v + 2]);
        mesh->mNormals[v] = aiVector3D(source.normals[3 * v], source.normals[3 * v + 1], source.normals[3 * v + 2]);
    }
    mesh->mNumFaces = static_cast<unsigned>(source.indices.size() / 3);
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        aiFace& face = mesh->mFaces[f];
        face.mNumIndices = 3;
        face.mIndices = new unsigned[3];
        for (unsigned k = 0; k < 3; ++k)
            face.mIndices[k] = source.indices[3 * f + k];
    }
    return mesh;
}

aiMaterial* makeMaterial(const PixelMaterial& source, std::size_t index)
{
    auto* material = new aiMaterial;
    const aiString name("Material" + std::to_string(index));
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor4D diffuse(source.rgb[0], source.rgb[1], source.rgb[2], 1.0f);
    material->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    const aiColor4D black(0, 0, 0, 1);
    material->AddProperty(&black, 1, AI_MATKEY_COLOR_AMBIENT);
    material->AddProperty(&source.metalness, 1, AI_MATKEY_METALLIC_FACTOR);
    material->AddProperty(&source.roughness, 1, AI_MATKEY_ROUGHNESS_FACTOR);
    return material;
}

std::unique_ptr<aiScene> makeScene(const PixelSceneNode& node)
{
    auto scene = std::make_unique<aiScene>();
    auto* root = new aiNode("Scene");
    scene->mRootNode = root;

    auto* lightNode = new aiNode(kLightName);
    auto* group = new aiNode(node.name);
    root->addChildren(2, std::array<aiNode*, 2>{lightNode, group}.data());
    aiMatrix4x4::Translation(aiVector3D(node.position.x, node.position.y, node.position.z), group->mTransformation);

    auto* light = new aiLight;
    light->mName = aiString(kLightName);
    light->mType = aiLightSource_AMBIENT;
    light->mColorAmbient = light->mColorDiffuse = light->mColorSpecular = aiColor3D(1, 1, 1);
    scene->mNumLights = 1;
    scene->mLights = new aiLight*[1]{light};

    scene->mNumMaterials = static_cast<unsigned>(node.materials.size());
    scene->mMaterials = new aiMaterial*[node.materials.size() + 1];
    for (std::size_t i = 0; i < node.materials.size(); ++i)
        scene->mMaterials[i] = makeMaterial(node.materials[i], i);

    scene->mNumMeshes = static_cast<unsigned>(node.meshes.size());
    scene->mMeshes = new aiMesh*[node.meshes.size() + 1];
    group->mNumMeshes = scene->mNumMeshes;
    group->mMeshes = new unsigned[node.meshes.size() + 1];
    for (std::size_t i = 0; i < node.meshes.size(); ++i) {
        scene->mMeshes[i] = makeMesh(node.meshes[i], i);
        group->mMeshes[i] = static_cast<unsigned>(i);
    }
    return scene;
}
} // namespace

std::expected<QByteArray, QString> colladaDocument(const PixelSceneNode& node)
{
    const std::unique_ptr<aiScene> scene = makeScene(node);
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), "collada");
    if (!blob)
        return std::unexpected(QString::fromUtf8(exporter.GetErrorString()));
    if (blob->size == 0)
        return QByteArray();
    return QByteArray(static_cast<const char*>(blob->data), static_cast<qsizetype>(blob->size));
}

} // namespace pq
