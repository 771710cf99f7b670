// The USDZ form of the pixel scene: a USDA text layer packed as an uncompressed zip whose
// entry data starts on a 64-byte boundary, as USDZ readers require.
#include "export/scene_file_writer.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>
#include <memory>

namespace pq {

namespace {
void appendFloat(QByteArray& out, float value)
{
    // The shortest text that reads back as the same single-precision number.
    char text[32];
    const auto result = std::to_chars(std::begin(text), std::end(text), value);
    out.append(text, result.ptr - text);
}

void appendTuple(QByteArray& out, const float* values, int count)
{
    out += '(';
    for (int i = 0; i < count; ++i) {
        if (i)
            out += ", ";
        appendFloat(out, values[i]);
    }
    out += ')';
}

void appendVectorArray(QByteArray& out, const std::vector<float>& values)
{
    out += '[';
    for (std::size_t i = 0; i + 2 < values.size(); i += 3) {
        if (i)
            out += ", ";
        appendTuple(out, &values[i], 3);
    }
    out += ']';
}

void appendIntArray(QByteArray& out, std::size_t count, auto valueAt)
{
    out += '[';
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            out += ", ";
        out += QByteArray::number(static_cast<qulonglong>(valueAt(i)));
    }
    out += ']';
}

QByteArray materialPath(std::size_t index)
{
    return "</Root/Materials/Material" + QByteArray::number(static_cast<qulonglong>(index)) + ">";
}

void appendMesh(QByteArray& out, const PixelMesh& mesh, std::size_t index, const PixelMaterial& material)
{
    out += "        def Mesh \"Mesh" + QByteArray::number(static_cast<qulonglong>(index)) +
           "\" (\n            prepend apiSchemas = [\"MaterialBindingAPI\"]\n        )\n        {\n";
    std::array<float, 3> low{mesh.positions[0], mesh.positions[1], mesh.positions[2]}, high = low;
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        low[i % 3] = std::min(low[i % 3], mesh.positions[i]);
        high[i % 3] = std::max(high[i % 3], mesh.positions[i]);
    }
    out += "            float3[] extent = [";
    appendTuple(out, low.data(), 3);
    out += ", ";
    appendTuple(out, high.data(), 3);
    out += "]\n            int[] faceVertexCounts = ";
    appendIntArray(out, mesh.indices.size() / 3, [](std::size_t) { return 3; });
    out += "\n            int[] faceVertexIndices = ";
    appendIntArray(out, mesh.indices.size(), [&](std::size_t i) { return mesh.indices[i]; });
    out += "\n            rel material:binding = " + materialPath(mesh.material);
    out += "\n            normal3f[] normals = ";
    appendVectorArray(out, mesh.normals);
    out += " (\n                interpolation = \"vertex\"\n            )\n            point3f[] points = ";
    appendVectorArray(out, mesh.positions);
    out += "\n            color3f[] primvars:displayColor = [";
    appendTuple(out, material.rgb.data(), 3);
    out += "] (\n                interpolation = \"constant\"\n            )\n";
    out += "            uniform token subdivisionScheme = \"none\"\n        }\n";
}

void appendMaterial(QByteArray& out, const PixelMaterial& material, std::size_t index)
{
    const QByteArray name = "Material" + QByteArray::number(static_cast<qulonglong>(index));
    out += "        def Material \"" + name + "\"\n        {\n";
    out += "            token outputs:surface.connect = </Root/Materials/" + name + "/Surface.outputs:surface>\n";
    out += "            def Shader \"Surface\"\n            {\n";
    out += "                uniform token info:id = \"UsdPreviewSurface\"\n";
    out += "                color3f inputs:diffuseColor = ";
    appendTuple(out, material.rgb.data(), 3);
    out += "\n                float inputs:metallic = ";
    appendFloat(out, material.metalness);
    out += "\n                float inputs:roughness = ";
    appendFloat(out, material.roughness);
    out += "\n                token outputs:surface\n            }\n        }\n";
}

struct ZipDeleter {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct SourceDeleter {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};

QString zipErrorText(zip_error_t* error)
{
    return QString::fromUtf8(zip_error_strerror(error));
}
} // namespace

QByteArray usdaLayer(const PixelSceneNode& node)
{
    QByteArray out;
    out += "#usda 1.0\n(\n    defaultPrim = \"Root\"\n    metersPerUnit = 1\n    upAxis = \"Y\"\n)\n\n";
    out += "def Xform \"Root\"\n{\n";
    out += "    def DomeLight \"AmbientLight\"\n    {\n        color3f inputs:color = (1, 1, 1)\n"
           "        float inputs:intensity = 1\n    }\n\n";
    out += "    def Xform \"" + QByteArray::fromStdString(node.name) + "\"\n    {\n";
    out += "        float3 xformOp:translate = ";
    const std::array<float, 3> translation{node.position.x, node.position.y, node.position.z};
    appendTuple(out, translation.data(), 3);
    out += "\n        uniform token[] xformOpOrder = [\"xformOp:translate\"]\n";
    for (std::size_t i = 0; i < node.meshes.size(); ++i) {
        out += '\n';
        appendMesh(out, node.meshes[i], i, node.materials[node.meshes[i].material]);
    }
    out += "    }\n\n    def Scope \"Materials\"\n    {\n";
    for (std::size_t i = 0; i < node.materials.size(); ++i)
        appendMaterial(out, node.materials[i], i);
    out += "    }\n}\n";
    return out;
}

std::expected<QByteArray, QString> usdzPackage(const QByteArray& layer)
{
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceDeleter> buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer)
        return std::unexpected(zipErrorText(&error));
    zip_source_keep(buffer.get()); // the archive's close must not free it: the bytes are read below
    std::unique_ptr<zip_t, ZipDeleter> archive(zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error));
    if (!archive) {
        zip_source_free(buffer.get());
        return std::unexpected(zipErrorText(&error));
    }
    zip_source_t* content = zip_source_buffer(archive.get(), layer.constData(), static_cast<zip_uint64_t>(layer.size()), 0);
    const zip_int64_t index = content ? zip_file_add(archive.get(), kUsdzLayerName, content, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        if (content)
            zip_source_free(content);
        return std::unexpected(QString::fromUtf8(zip_strerror(archive.get())));
    }
    const auto entry = static_cast<zip_uint64_t>(index);
    // The entry is the first in the file: its local header starts at offset 0 and is 30 bytes
    // plus the name plus the extra fields. A padding extra field (4-byte header + filler)
    // moves the data onto the next 64-byte boundary.
    const std::size_t headerEnd = 30 + std::char_traits<char>::length(kUsdzLayerName);
    std::size_t padding = (64 - headerEnd % 64) % 64;
    if (padding > 0 && padding < 4)
        padding += 64;
    const std::array<zip_uint8_t, 128> filler{};
    const bool ok = zip_set_file_compression(archive.get(), entry, ZIP_CM_STORE, 0) == 0 &&
                    zip_file_set_mtime(archive.get(), entry, 0, 0) == 0 &&
                    (padding == 0 || zip_file_extra_field_set(archive.get(), entry, 0x1986, ZIP_EXTRA_FIELD_NEW,
                                                              filler.data(), static_cast<zip_uint16_t>(padding - 4),
                                                              ZIP_FL_LOCAL) == 0);
    if (!ok)
        return std::unexpected(QString::fromUtf8(zip_strerror(archive.get())));
    if (zip_close(archive.get()) != 0)
        return std::unexpected(QString::fromUtf8(zip_strerror(archive.get())));
    archive.release(); // closed and freed by zip_close

    zip_stat_t stat;
    if (zip_source_stat(buffer.get(), &stat) != 0 || zip_source_open(buffer.get()) != 0)
        return std::unexpected(zipErrorText(zip_source_error(buffer.get())));
    QByteArray package(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_source_read(buffer.get(), package.data(), stat.size);
    zip_source_close(buffer.get());
    if (read != static_cast<zip_int64_t>(stat.size))
        return std::unexpected(zipErrorText(zip_source_error(buffer.get())));
    return package;
}

} // namespace pq
