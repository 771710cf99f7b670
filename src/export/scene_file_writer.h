#pragma once

#include "decoding/pixel_array.h"
#include "export/export_error.h"
#include "export/pixel_scene.h"

#include <QByteArray>
#include <QString>

#include <expected>
#include <string>

namespace pq {

// The 3D format titles offered for export, in menu order. The first selects COLLADA.
inline constexpr const char* kColladaFormatTitle = "DAE (Collada)";
inline constexpr const char* kUsdzFormatTitle = "USDZ (Universal Scene Description)";

// The scene of an exported icon as a COLLADA 1.4 document (Assimp's writer): a root with an
// ambient light node, then the flattened group with one mesh per material. Y is up, one unit
// is one metre. The error is the writer's own explanation.
std::expected<QByteArray, QString> colladaDocument(const PixelSceneNode& node);

// The same scene as a USDA text layer: stage metadata (Y up, metres), a root transform with a
// dome light standing for the ambient light, the group with one mesh per material (bound to a
// UsdPreviewSurface material, with a constant display colour), and the materials.
QByteArray usdaLayer(const PixelSceneNode& node);

// The name of the layer inside a USDZ package.
inline constexpr const char* kUsdzLayerName = "scene.usda";

// A USDZ package: an uncompressed zip holding `layer` as its first and only entry, whose data
// starts on a 64-byte boundary of the file.
std::expected<QByteArray, QString> usdzPackage(const QByteArray& layer);

// Builds the icon's scene (boxes of kPixelBoxSize) and writes it atomically to `folder`/<nickname>.dae when
// `isCollada`, else `folder`/<nickname>.usdz. Returns that path; fails with SceneNotEncoded
// when the scene writer refuses the scene and WriteFailed when the file cannot be written.
std::expected<QString, ExportFileError> writeSceneFile(const std::string& name, const QString& folder,
                                                       bool isCollada, const PixelArray& pixels);

} // namespace pq
