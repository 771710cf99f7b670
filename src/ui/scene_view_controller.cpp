#include "ui/scene_view_controller.h"

#include "ui/scene_viewer_scene.h"

#include <Qt3DCore/QEntity>
#include <Qt3DExtras/QForwardRenderer>
#include <Qt3DExtras/Qt3DWindow>
#include <Qt3DRender/QCamera>
#include <Qt3DRender/QRenderCapture>

#include <QResizeEvent>
#include <QVBoxLayout>

namespace pq {

SceneViewController::SceneViewController(QWidget* parent)
    : QWidget(parent), m_scene(new SceneViewerScene(this)), m_view(new Qt3DExtras::Qt3DWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 480);

    m_view->defaultFrameGraph()->setClearColor(SceneViewerGeometry::background());
    m_view->defaultFrameGraph()->setCamera(m_scene->camera());
    // A capture node at the top of the frame graph lets a frame be read back.
    m_capture = new Qt3DRender::QRenderCapture;
    m_view->activeFrameGraph()->setParent(m_capture);
    m_view->setActiveFrameGraph(m_capture);


    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(QWidget::createWindowContainer(m_view, this));
    m_view->setRootEntity(m_scene->root());
}

SceneViewController::~SceneViewController() = default;

void SceneViewController::buildScene()
{
    m_scene->showIcon(m_pixelArray);
}

void SceneViewController::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (height() > 0)
        m_scene->camera()->lens()->setAspectRatio(float(width()) / float(height()));
}

std::optional<PixelArray> decodeForViewer(const Chunker* documentChunker, const Bookmark& bookmark,
                                          const ReadFailed& readFailed)
{
    if (!documentChunker)
        return std::nullopt;
    ReadError error;
    auto chunk = Chunker::decode(documentChunker->source(), bookmark.format(), bookmark.offset, bookmark.mask(), &error);
    if (!chunk) {
        if (chunk.error() == ChunkerError::ReadFailed && readFailed)
            readFailed(error);
        return std::nullopt;
    }
    return std::move(chunk->pixelArray);
}

SceneViewController* openSceneViewer(const Chunker* documentChunker, const Bookmark& bookmark,
                                     const ReadFailed& readFailed)
{
    auto pixels = decodeForViewer(documentChunker, bookmark, readFailed);
    if (!pixels)
        return nullptr;
    auto* viewer = new SceneViewController;
    viewer->setPixelArray(std::move(*pixels));
    viewer->setWindowTitle(QString::fromStdString(bookmark.nickname));
    viewer->show();
    viewer->buildScene();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

} // namespace pq
