#pragma once

#include "sources/byte_source.h"
#include "document/bookmark.h"
#include "export/export_runner.h"
#include "ui/export_dialog.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include <atomic>
#include <memory>
#include <span>
#include <vector>

namespace pq {

// One export request of the main window, from the dialog to the last file. The bookmarks and
// the document's bytes are taken when the dialog opens, so later edits of the list do not
// reach the export; each bookmark is decoded in its own format, whatever the browser shows,
// and the export never changes the browser's format. Once confirmed, the files are written on
// a worker while a window-modal progress dialog offers Cancel (the window keeps repainting).
// At the end the outcome as it happened is told: a failure (naming the file and the cause)
// and bookmarks that could not be decoded (naming them) through errorOccurred, a cancel that
// left files unwritten or a success through statusMessage, each with the number of files
// written. The flow deletes itself when it is over.
class ExportFlow : public QObject {
    Q_OBJECT
public:
    // Shows the export dialog window-modally over the parent's window and returns at once.
    ExportFlow(std::vector<Bookmark> bookmarks, std::shared_ptr<const ByteSource> source, QWidget* parent);
    ~ExportFlow() override;

    ExportDialog* dialog() const { return m_dialog; }
    // Shown while the files are written; null before and after.
    QProgressDialog* progressDialog() const { return m_progress; }
    const std::vector<Bookmark>& bookmarks() const { return m_bookmarks; }

signals:
    // The dialog was cancelled, or the export ended (finished, failed or cancelled) and its
    // outcome has been shown.
    void finished();
    // The outcome, for an alert and for the status line.
    void errorOccurred(const QString& title, const QString& informativeText);
    void statusMessage(const QString& text);

private:
    void dialogFinished(int result);
    void startWriting(const ExportOptions& options, const QString& folder);
    void writingFinished();
    void showOutcome(const ExportReport& report);
    void finish();

    QWidget* m_window;
    std::vector<Bookmark> m_bookmarks;
    std::shared_ptr<const ByteSource> m_source;
    std::shared_ptr<std::atomic_bool> m_stop = std::make_shared<std::atomic_bool>(false);
    ExportOptions m_options;
    QString m_folder;
    QPointer<ExportDialog> m_dialog;
    QPointer<QProgressDialog> m_progress;
    QFutureWatcher<ExportReport> m_watcher;
};

// Why an icon could not be decoded, as the end of a sentence ("the file is too short for an icon").
QString decodingProblem(ChunkerError error);

// The sentence telling which file an export stopped at and why.
QString exportFailureText(const ExportFailure& failure, const ExportOptions& options,
                          std::span<const std::int64_t> widths);

// The sentences naming the bookmarks an export could not decode (the first few, then how
// many more).
QString exportRefusalText(std::span<const RefusedBookmark> refused);

} // namespace pq
