#pragma once

#include <QStringList>
#include <optional>
#include <QWidget>

class QMimeData;

namespace pq {

// Where files enter the main window: the root view of MainViewController. While a drag that
// offers file locations is over the window it shows the drop highlight (a 5-point accent
// border and a faint accent background with rounded corners); dropping emits filesDropped.
// Drags without file locations are refused and show nothing.
class DropZone : public QWidget {
    Q_OBJECT
public:
    explicit DropZone(QWidget* parent = nullptr);

    // The contents shown inside the zone (the split view).
    void setContent(QWidget* content);

    bool isHighlighted() const { return m_highlighted; }

    // The local files a drag offers, in order; nothing when it offers no URL or any URL is not
    // a local file (the whole drag is refused then).
    static std::optional<QStringList> filesOfDrag(const QMimeData* mime);

signals:
    // The dropped files, in the drag's order.
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Highlight;
    void setHighlighted(bool on);

    QWidget* m_content = nullptr;
    Highlight* m_highlight = nullptr;
    bool m_highlighted = false;
};

} // namespace pq
