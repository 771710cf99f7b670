#include "ui/scene_viewer_scene.h"

#include "export/pixel_scene.h"
#include "ui/orbit_zoom_camera_controller.h"

#include <Qt3DCore/QAttribute>
#include <Qt3DCore/QBuffer>
#include <Qt3DCore/QEntity>
#include <Qt3DCore/QGeometry>
#include <Qt3DCore/QTransform>
#include <Qt3DExtras/QPhongMaterial>
#include <Qt3DRender/QCamera>
#include <Qt3DRender/QDirectionalLight>
#include <Qt3DRender/QGeometryRenderer>

#include <QQuaternion>
#include <QVariantAnimation>

#include <cstring>

namespace pq {
namespace {

Qt3DCore::QAttribute* floatAttribute(Qt3DCore::QGeometry* geometry, const std::vector<float>& values,
                                     const QString& name)
{
    QByteArray bytes(reinterpret_cast<const char*>(values.data()), qsizetype(values.size() * sizeof(float)));
    auto* buffer = new Qt3DCore::QBuffer(geometry);
    buffer->setData(bytes);
    auto* attribute = new Qt3DCore::QAttribute(geometry);
    attribute->setName(name);
    attribute->setAttributeType(Qt3DCore::QAttribute::VertexAttribute);
    attribute->setVertexBaseType(Qt3DCore::QAttribute::Float);
    attribute->setVertexSize(3);
    attribute->setByteStride(3 * sizeof(float));
    attribute->setBuffer(buffer);
    attribute->setCount(uint(values.size() / 3));
    geometry->addAttribute(attribute);
    return attribute;
}

Qt3DCore::QEntity* meshEntity(const PixelMesh& mesh, const PixelMaterial& material, Qt3DCore::QEntity* parent)
{
    auto* entity = new Qt3DCore::QEntity(parent);
    auto* geometry = new Qt3DCore::QGeometry(entity);
    floatAttribute(geometry, mesh.positions, Qt3DCore::QAttribute::defaultPositionAttributeName());
    floatAttribute(geometry, mesh.normals, Qt3DCore::QAttribute::defaultNormalAttributeName());
    QByteArray indexBytes(reinterpret_cast<const char*>(mesh.indices.data()),
                          qsizetype(mesh.indices.size() * sizeof(std::uint32_t)));
    auto* indexBuffer = new Qt3DCore::QBuffer(geometry);
    indexBuffer->setData(indexBytes);
    auto* indices = new Qt3DCore::QAttribute(geometry);
    indices->setAttributeType(Qt3DCore::QAttribute::IndexAttribute);
    indices->setVertexBaseType(Qt3DCore::QAttribute::UnsignedInt);
    indices->setBuffer(indexBuffer);
    indices->setCount(uint(mesh.indices.size()));
    geometry->addAttribute(indices);

    auto* renderer = new Qt3DRender::QGeometryRenderer(entity);
    renderer->setGeometry(geometry);
    renderer->setPrimitiveType(Qt3DRender::QGeometryRenderer::Triangles);

    // Qt 3D has no ambient light. Its stand-in: the Phong material's ambient term, which Qt 3D
    // multiplies by the diffuse colour, lights every face evenly at 85 %, and a weak light from
    // the viewer's side (see the constructor) adds just enough shading to tell faces apart.
    auto* phong = new Qt3DExtras::QPhongMaterial(entity);
    phong->setDiffuse(QColor::fromRgbF(material.rgb[0], material.rgb[1], material.rgb[2]));
    phong->setAmbient(QColor::fromRgbF(0.85f, 0.85f, 0.85f));
    phong->setSpecular(Qt::black);
    phong->setShininess(0.0f);

    entity->addComponent(renderer);
    entity->addComponent(phong);
    return entity;
}

} // namespace

SceneViewerScene::SceneViewerScene(QObject* parent)
    : QObject(parent), m_root(new Qt3DCore::QEntity), m_camera(new Qt3DRender::QCamera(m_root)),
      m_move(new QVariantAnimation(this)), m_controller(new OrbitZoomCameraController(m_root))
{
    m_controller->setCamera(m_camera);
    connect(m_controller, &OrbitZoomCameraController::zoomed, this, [this] { m_holdsDistance = false; });
    auto* lightEntity = new Qt3DCore::QEntity(m_root);
    auto* light = new Qt3DRender::QDirectionalLight(lightEntity);
    light->setWorldDirection(QVector3D(-0.3f, -0.4f, -1.0f));
    light->setIntensity(0.2f);
    lightEntity->addComponent(light);

    m_camera->setObjectName(QStringLiteral("Camera"));
    m_camera->lens()->setPerspectiveProjection(60.0f, 4.0f / 3.0f, SceneViewerGeometry::nearPlane,
                                               SceneViewerGeometry::farPlane);
    m_camera->setPosition(QVector3D(0, 0, 0));
    m_camera->setUpVector(QVector3D(0, 1, 0));
    m_camera->setViewCenter(QVector3D(0, 0, 0));

    m_move->setStartValue(0.0f);
    m_move->setEndValue(1.0f);
    m_move->setDuration(SceneViewerGeometry::moveMilliseconds);
    connect(m_move, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { applyMove(v.toFloat()); });
}

SceneViewerScene::~SceneViewerScene()
{
    m_move->stop();
    // The root has no QObject parent (the 3D window takes it over when shown); delete it when
    // nobody did.
    if (!m_root->parent())
        delete m_root;
}

void SceneViewerScene::showIcon(const PixelArray& pixels)
{
    if (pixels.isEmpty())
        return;
    const PixelSceneNode node = buildPixelScene(pixels, kPixelBoxSize);
    m_icon = new Qt3DCore::QEntity(m_root);
    m_icon->setObjectName(QString::fromStdString(node.name));
    m_iconTransform = new Qt3DCore::QTransform(m_icon);
    m_icon->addComponent(m_iconTransform);
    // The meshes are placed relative to the group, whose position centres the icon.
    auto* group = new Qt3DCore::QEntity(m_icon);
    auto* groupTransform = new Qt3DCore::QTransform(group);
    groupTransform->setTranslation(QVector3D(node.position.x, node.position.y, node.position.z));
    group->addComponent(groupTransform);
    for (const PixelMesh& mesh : node.meshes)
        meshEntity(mesh, node.materials.at(mesh.material), group);

    m_width = int(pixels.columns());
    m_controller->setDistanceLimits(SceneViewerGeometry::minDistance(m_width), SceneViewerGeometry::maxDistance(m_width));
    m_camera->setPosition(SceneViewerGeometry::cameraStart(m_width));
    m_camera->setViewCenter(QVector3D(0, 0, 0));
    m_holdsDistance = true;
    m_move->start();
}

void SceneViewerScene::applyMove(float progress)
{
    if (!m_iconTransform)
        return;
    m_iconTransform->setRotation(QQuaternion::fromEulerAngles(0.0f, SceneViewerGeometry::finalYawDegrees * progress, 0.0f));
    if (!m_holdsDistance)
        return;
    const float start = SceneViewerGeometry::cameraStart(m_width).z();
    const float end = SceneViewerGeometry::cameraEnd(m_width).z();
    const float distance = start + (end - start) * progress;
    QVector3D direction = m_camera->position() - m_camera->viewCenter();
    if (direction.isNull())
        direction = QVector3D(0, 0, 1);
    m_camera->setPosition(m_camera->viewCenter() + direction.normalized() * distance);
}

} // namespace pq
