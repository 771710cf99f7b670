#pragma once

#include "containers/unwrap.h"
#include "document/document_error.h"
#include "document/document_screen.h"
#include "document/main_thread_answer.h"
#include "document/part_opening.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <expected>
#include <functional>
#include <memory>

namespace pq {

class DocumentController;

// The intake of files handed over by drop, open dialog or the operating system. Each batch
// takes its files one after another in a worker thread (a data file is opened as a byte
// source and taken through its wrappers, if any; a bookmarks file is read whole) and hands
// each to the controller on the main thread: bookmarks files are imported, data files opened.
// Batches queue up.
//
// Through wrappers: a single part that stands out (the disk image in a .img.gz, the resource
// fork of a BinHex file with an empty data fork) is opened straight away, layer after layer;
// where several parts stand equal the screen is asked which one (or the raw bytes) to open.
// A wrapper that cannot be taken apart opens as its raw bytes, the status line saying why.
// Decodes of wrappers of an eighth of the controller's progress threshold or more show
// progress with Cancel; a cancelled file is not opened. A part that decodes to more than the
// large-part threshold is asked about first (the worker waits for the screen's answer); no
// opens nothing and says so in the status line.
class DocumentIntake : public QObject {
    Q_OBJECT
public:
    enum class OpenMode {
        Unwrap,   // through the wrappers, as described above
        AskParts, // the same, but the parts of the innermost wrapper are always offered
        RawBytes, // the file's own bytes
    };

    explicit DocumentIntake(DocumentController& controller);
    ~DocumentIntake() override;

    using Done = std::function<void(const std::expected<void, IntakeError>&)>;
    // Every path ending in ".json" (case-sensitive) is imported, in order, before the others
    // are opened, in order. Stops at the first file that cannot be read (an empty data file
    // included) and shows why; the files before it stay processed. `done` is called once at
    // the end of the batch.
    void processURLs(const QStringList& paths, Done done = {});
    // Opens the open document's file again in this mode ("Open Raw Bytes", "Parts…"); with
    // AskParts and a part row, that part of the innermost wrapper without asking.
    void reopen(OpenMode mode, int partRow = -1);
    // For tests and the command line: runs the event loop until every batch has finished.
    // False on timeout (-1: none).
    bool waitForIntake(int timeoutMs = -1);
    // Parts decoding to more bytes than this are asked about (default 1 GiB).
    void setLargePartThreshold(std::int64_t bytes) { m_largePartThreshold = bytes; }

    // A file of a batch as the worker hands it over.
    struct IntakeFile;

signals:
    // A batch finished.
    void intakeFinished();

private:
    struct Batch {
        QStringList paths; // bookmarks files first, then data files, each in the given order
        qsizetype bookmarksFiles = 0;
        qsizetype next = 0;
        OpenMode mode = OpenMode::Unwrap;
        int partRow = -1; // the answer to the part question, when known
        Done done;
    };

    void runNextBatch();
    void readNextFile();
    void finishBatch(const std::expected<void, IntakeError>& result);
    void openDataFile(const QString& path, IntakeFile file);
    void openChosenPart(const QString& path, std::shared_ptr<const ByteSource> file, UnwrapPath way, PartChoice choice);
    // Opens these bytes of the file at `path` and goes on with the batch.
    void openAndGoOn(std::shared_ptr<const ByteSource> bytes, const QString& path, DocumentOrigin origin);
    // The wrapper could not be taken apart: its raw bytes are opened, the status line says why.
    void openRawAfter(const UnwrapError& error, std::shared_ptr<const ByteSource> file, const QString& path);
    // Options whose progress shows on the screen (for large wrappers) and that Cancel stops.
    UnwrapOptions decodeOptions(const QString& path, std::int64_t wrapperSize);
    void showDecodeProgress(const std::shared_ptr<std::atomic<bool>>& cancel, std::int64_t done, std::int64_t total);
    void endDecodeProgress();
    // On the main thread: the screen's answer to the large-part question.
    bool askLargePart(const QString& path, const std::string& folder, std::int64_t bytes, const std::string& layer);

    DocumentController& m_controller;
    QThreadPool m_pool;
    std::deque<Batch> m_batches;
    bool m_running = false;          // the front batch is being read or processed
    bool m_waitingForImport = false; // its bookmarks file waits for the open data's digest
    std::shared_ptr<std::atomic<bool>> m_decodeCancel; // of the decode under way
    QString m_decodeLabel;
    bool m_decodeProgressShown = false;
    std::shared_ptr<MainThreadAnswer> m_largePartAnswer; // of the decode under way
    std::int64_t m_largePartThreshold = UnwrapOptions{}.askAbove;
};

} // namespace pq
