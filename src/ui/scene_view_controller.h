#pragma once

#include "decoding/chunker.h"
#include "document/bookmark.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace Qt3DExtras {
class Qt3DWindow;
}
namespace Qt3DRender {
class QRenderCapture;
}

namespace pq {

class SceneViewerScene;

// A window showing one icon as coloured boxes that the user can orbit and zoom.
class SceneViewController : public QWidget {
    Q_OBJECT
public:
    explicit SceneViewController(QWidget* parent = nullptr);
    ~SceneViewController() override;

    SceneViewerScene* scene() const { return m_scene; }
    // Set before buildScene.
    void setPixelArray(PixelArray pixels) { m_pixelArray = std::move(pixels); }
    const PixelArray& pixelArray() const { return m_pixelArray; }
    // Adds the icon for the pixel array and starts the camera move.
    void buildScene();

    // A frame-capture node for tests and screenshots.
    Qt3DRender::QRenderCapture* renderCapture() const { return m_capture; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    SceneViewerScene* m_scene;
    Qt3DExtras::Qt3DWindow* m_view;
    Qt3DRender::QRenderCapture* m_capture = nullptr;
    PixelArray m_pixelArray;
};

// Called with the cause when a bookmark's bytes cannot be read (the file shrank on disk).
using ReadFailed = std::function<void(const ReadError&)>;

// The pixels the viewer shows for a bookmark, decoded with a copy of the document's decoder
// so that the browser's format stays as it is. Empty for a bookmark of bit depth 0, without a
// decoder, or when the bookmark cannot be decoded; a refused read is also handed to `readFailed`.
std::optional<PixelArray> decodeForViewer(const Chunker* documentChunker, const Bookmark& bookmark,
                                          const ReadFailed& readFailed = {});

// Opens a new viewer window titled with the bookmark's nickname; every call opens another.
// Returns null, opening nothing, when the bookmark cannot be shown.
SceneViewController* openSceneViewer(const Chunker* documentChunker, const Bookmark& bookmark,
                                     const ReadFailed& readFailed = {});

} // namespace pq
