#include "ui/export_flow.h"

#include "document/clipped_name.h"
#include "ui/export_dialog.h"
#include "ui/save_panel_accessory.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>

namespace pq {
namespace {

// At most this many undecodable bookmarks are named in one alert.
constexpr std::size_t kRefusalsNamed = 3;

QString filesCount(std::size_t n)
{
    return n == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(n);
}

} // namespace

QString decodingProblem(ChunkerError error)
{
    switch (error) {
    case ChunkerError::OutOfBounds: return QStringLiteral("the icon would reach beyond the end of the file");
    case ChunkerError::dataTooShort: return QStringLiteral("the file is too short for an icon");
    case ChunkerError::ReadFailed: return QStringLiteral("the file could not be read (it may have changed on disk)");
    case ChunkerError::InvalidElementWidthInBits:
    case ChunkerError::NotOnByteBoundary: return QStringLiteral("the bookmark's format cannot be decoded");
    default: return QStringLiteral("the icon cannot be decoded");
    }
}

QString exportFailureText(const ExportFailure& failure, const ExportOptions& options,
                          std::span<const std::int64_t> widths)
{
    if (failure.optionsError)
        return exportOptionsErrorText(*failure.optionsError, options, widths);
    const QString path = quotedName(QDir::toNativeSeparators(failure.file.path));
    const QString detail = failure.file.detail;
    switch (failure.file.error) {
    case ExportError::WriteFailed: return withDetail(QStringLiteral("%1 could not be written").arg(path), detail);
    case ExportError::ImageNotCreated: return QStringLiteral("The image for %1 could not be created.").arg(path);
    case ExportError::EncoderProducedNothing:
        return withDetail(QStringLiteral("The encoder produced no data for %1").arg(path), detail);
    case ExportError::SceneNotEncoded:
        return withDetail(QStringLiteral("The scene writer could not write %1").arg(path), detail);
    case ExportError::UnknownImageFormat:
        return QStringLiteral("\u201C%1\u201D is not an image format this program writes.").arg(options.imageFormat);
    case ExportError::InvalidZoom: return QStringLiteral("A zoom factor is below 1 or too large for %1.").arg(path);
    case ExportError::Cancelled: return QStringLiteral("The export was cancelled before %1.").arg(path);
    }
    return withDetail(QStringLiteral("%1 could not be written (%2)").arg(path, QLatin1String(exportErrorName(failure.file.error))),
                      detail);
}

QString exportRefusalText(std::span<const RefusedBookmark> refused)
{
    QStringList sentences;
    for (const RefusedBookmark& r : refused.first(std::min(refused.size(), kRefusalsNamed)))
        sentences << QStringLiteral("The bookmark %1 at offset %2 could not be decoded, as %3.")
                         .arg(quotedName(QString::fromStdString(r.bookmark.nickname)), QString::number(r.bookmark.offset),
                              decodingProblem(r.error));
    if (refused.size() > kRefusalsNamed) {
        const std::size_t more = refused.size() - kRefusalsNamed;
        sentences << (more == 1 ? QStringLiteral("1 more bookmark could not be decoded either.")
                                : QStringLiteral("%1 more bookmarks could not be decoded either.").arg(more));
    }
    return sentences.join(QLatin1Char(' '));
}

ExportFlow::ExportFlow(std::vector<Bookmark> bookmarks, std::shared_ptr<const ByteSource> source, QWidget* parent)
    : QObject(parent), m_window(parent->window()), m_bookmarks(std::move(bookmarks)), m_source(std::move(source))
{
    setObjectName(QStringLiteral("exportFlow"));
    m_dialog = new ExportDialog(m_window);
    m_dialog->accessory()->prepareFor(m_bookmarks);
    m_dialog->setWindowModality(Qt::WindowModal);
    connect(m_dialog, &QDialog::finished, this, &ExportFlow::dialogFinished);
    connect(&m_watcher, &QFutureWatcher<ExportReport>::finished, this, &ExportFlow::writingFinished);
    m_dialog->open();
}

ExportFlow::~ExportFlow()
{
    // A window closed during an export stops it before its next file.
    m_stop->store(true);
    if (m_watcher.isRunning())
        m_watcher.cancel();
    delete m_dialog;
    delete m_progress;
}

void ExportFlow::dialogFinished(int result)
{
    ExportDialog* dialog = m_dialog;
    const QString folder = dialog->folder();
    const ExportOptions options = dialog->accessory()->options();
    dialog->hide();
    dialog->deleteLater();
    if (result != QDialog::Accepted || folder.isEmpty()) {
        finish();
        return;
    }
    startWriting(options, folder);
}

void ExportFlow::startWriting(const ExportOptions& options, const QString& folder)
{
    m_options = options;
    m_folder = folder;

    m_progress = new QProgressDialog(tr("Exporting…"), tr("Cancel"), 0, 0, m_window);
    m_progress->setObjectName(QStringLiteral("exportProgress"));
    m_progress->setWindowTitle(tr("Export"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(300);
    connect(m_progress, &QProgressDialog::canceled, this, [this] {
        m_stop->store(true); // the report still comes, and tells whether anything was left unwritten
        if (m_progress)
            m_progress->setLabelText(tr("Cancelling…"));
    });
    connect(&m_watcher, &QFutureWatcher<ExportReport>::progressRangeChanged, m_progress, &QProgressDialog::setRange);
    connect(&m_watcher, &QFutureWatcher<ExportReport>::progressValueChanged, m_progress, &QProgressDialog::setValue);
    connect(&m_watcher, &QFutureWatcher<ExportReport>::progressTextChanged, m_progress, [this](const QString& file) {
        if (m_progress && !file.isEmpty() && !m_stop->load())
            m_progress->setLabelText(tr("Exported %1").arg(QFileInfo(file).fileName()));
    });

    m_watcher.setFuture(startExport(ExportRequest{m_source, m_bookmarks, m_options, m_folder}, m_stop));
}

void ExportFlow::writingFinished()
{
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    const QFuture<ExportReport> future = m_watcher.future();
    // Only a future cancelled before it ran has no report; it wrote nothing.
    ExportReport report;
    if (future.resultCount() > 0)
        report = future.result();
    else
        report.cancelled = true;
    showOutcome(report);
    finish();
}

void ExportFlow::showOutcome(const ExportReport& report)
{
    const QString folder = quotedName(QDir::toNativeSeparators(m_folder));
    const std::size_t written = report.writtenFiles.size();
    const QString refused = exportRefusalText(report.refused);
    if (report.failure) {
        const std::vector<std::int64_t> widths = widthsInPixels(m_bookmarks);
        QString text = exportFailureText(*report.failure, m_options, widths);
        if (!refused.isEmpty())
            text += QLatin1Char(' ') + refused;
        if (written > 0)
            text += QStringLiteral(" The %1 written before it stay in %2.").arg(filesCount(written), folder);
        emit errorOccurred(tr("The export stopped"), text);
        return;
    }
    if (report.cancelled) {
        emit statusMessage(written == 0 ? tr("Export cancelled; no files were written.")
                                             : tr("Export cancelled; the %1 written before it stay in %2.")
                                                   .arg(filesCount(written), folder));
        return;
    }
    QString status = QStringLiteral("Exported %1 to %2").arg(filesCount(written), folder);
    if (report.skippedFiles > 0)
        status += QStringLiteral("; %1 skipped, with no pixels to write")
                      .arg(filesCount(static_cast<std::size_t>(report.skippedFiles)));
    status += QLatin1Char('.');
    if (!refused.isEmpty()) {
        emit errorOccurred(tr("Some bookmarks were not exported"), refused + QLatin1Char(' ') + status);
        return;
    }
    emit statusMessage(status);
}

void ExportFlow::finish()
{
    emit finished();
    deleteLater();
}

} // namespace pq
