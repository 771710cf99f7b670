#include "ui/deferred_read_error.h"

#include "document/document_controller.h"

#include <QMetaObject>

#include <memory>

namespace pq {

void reportReadErrorLater(DocumentController& document, const ReadError& error)
{
    const std::weak_ptr<const ByteSource> source = document.source();
    QMetaObject::invokeMethod(
        &document,
        [&document, source, error] {
            const auto held = source.lock();
            if (held && held == document.source())
                document.reportReadError(error);
        },
        Qt::QueuedConnection);
}

} // namespace pq
