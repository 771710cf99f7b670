#pragma once

#include "decoding/chunker.h"
#include "document/bookmark.h"
#include "export/export_runner.h"
#include "ui/export_dialog.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include <expected>
#include <optional>
#include <vector>

namespace pq {

class MainViewController;

// Why an export could not be offered.
enum class ExportFlowError {
    NoWindow = 1, // the controller's view is in no shown window
};

// One export request of the main window, from the dialog to the last file. The bookmarks and
// a copy of the document's decoder are taken when the dialog opens, so later edits of the
// list and the browser's format changes do not reach the export, and the export never
// changes the browser's format. Once confirmed, the files are written on a worker while a
// window-modal progress dialog offers Cancel (the window keeps repainting); at the end a
// failure is shown in an alert naming the file and the cause, a success in the status line.
// The flow deletes itself when it is over.
class ExportFlow : public QObject {
    Q_OBJECT
public:
    // Shows the export dialog window-modally over the controller's window and returns at once.
    static std::expected<ExportFlow*, ExportFlowError> exportBookmarks(MainViewController& controller,
                                                                        std::vector<Bookmark> bookmarks);
    ~ExportFlow() override;

    ExportDialog* dialog() const { return m_dialog; }
    // Shown while the files are written; null before and after.
    QProgressDialog* progressDialog() const { return m_progress; }
    const std::vector<Bookmark>& bookmarks() const { return m_bookmarks; }

signals:
    // The dialog was cancelled, or the export ended (finished, failed or cancelled) and its
    // outcome has been shown.
    void finished();

private:
    ExportFlow(MainViewController& controller, std::vector<Bookmark> bookmarks, std::optional<Chunker> chunker);
    void dialogFinished(int result);
    void startWriting(const ExportOptions& options, const QString& folder);
    void writingFinished();
    void finish();

    MainViewController& m_controller;
    std::vector<Bookmark> m_bookmarks;
    std::optional<Chunker> m_chunker;
    ExportOptions m_options;
    QString m_folder;
    QPointer<ExportDialog> m_dialog;
    QPointer<QProgressDialog> m_progress;
    QFutureWatcher<ExportReport> m_watcher;
};

// The sentence telling which file an export stopped at and why.
QString exportFailureText(const ExportFailure& failure, const ExportOptions& options,
                          std::span<const std::int64_t> widths);

} // namespace pq
