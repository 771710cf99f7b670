#include "ui/drop_zone.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>

#include <optional>

namespace pq {

// Drawn above the contents, transparent for the mouse, while the highlight is on.
class DropZone::Highlight : public QWidget {
public:
    explicit Highlight(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QColor accent = palette().color(QPalette::Highlight);
        QColor background = accent;
        background.setAlphaF(0.1f);
        constexpr qreal border = 5.0;
        painter.setPen(QPen(accent, border));
        painter.setBrush(background);
        painter.drawRoundedRect(QRectF(rect()).adjusted(border / 2, border / 2, -border / 2, -border / 2), 15.0, 15.0);
    }
};

DropZone::DropZone(QWidget* parent) : QWidget(parent)
{
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_highlight = new Highlight(this);
}

void DropZone::setContent(QWidget* content)
{
    m_content = content;
    layout()->addWidget(content);
    m_highlight->raise();
}

std::optional<QStringList> DropZone::filesOfDrag(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return std::nullopt;
    QStringList paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            return std::nullopt;
        paths << url.toLocalFile();
    }
    return paths;
}

void DropZone::setHighlighted(bool on)
{
    m_highlighted = on;
    m_highlight->setGeometry(rect());
    m_highlight->setVisible(on);
    if (on)
        m_highlight->raise();
}

void DropZone::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_highlight->setGeometry(rect());
}

void DropZone::dragEnterEvent(QDragEnterEvent* event)
{
    if (!filesOfDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    setHighlighted(true);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropZone::dragLeaveEvent(QDragLeaveEvent* event)
{
    setHighlighted(false);
    event->accept();
}

void DropZone::dropEvent(QDropEvent* event)
{
    setHighlighted(false);
    const auto paths = filesOfDrag(event->mimeData());
    if (!paths) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit filesDropped(*paths);
}

} // namespace pq
