#pragma once

#include "decoding/chunk.h"
#include "decoding/chunker.h"
#include "decoding/file_data.h"
#include "document/bookmark.h"
#include "document/bookmark_file_lock.h"
#include "document/bookmark_store.h"
#include "document/document_error.h"
#include "document/document_screen.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <deque>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QThreadPool;

namespace pq {

// What an import of a bookmarks file did.
struct ImportReport {
    enum class Outcome {
        Imported,      // the file belongs to the open data; see the counts
        Unreadable,    // the file is not a bookmarks document
        NoData,        // no data is open
        OtherData,     // the file belongs to other data (its digest differs)
        Deferred,      // waits for the open data's digest; importFinished() tells the result
        NotStored,     // the open data has no usable bookmarks file (see storeError)
    };
    Outcome outcome = Outcome::Unreadable;
    QString path;            // the imported file
    std::int64_t added = 0;  // bookmarks appended and saved
    std::int64_t present = 0; // bookmarks whose key was held already
    std::int64_t total = 0;   // bookmarks in the imported file
    std::optional<DocumentError> failure; // the save that stopped the import, or why none could be stored
    std::string readError;   // Unreadable: why the file is not a bookmarks document
    std::string fileDigest;  // OtherData: the digest the file names
};

// Where the bookmarks of the open data stand.
enum class BookmarkFileState {
    NoDocument,     // nothing opened yet
    DigestPending,  // data open, digest being computed
    Loaded,         // read from its location
    New,            // none stored yet: held in memory until the first edit
    Unreadable,     // a file exists at the location but cannot be read: edits are refused
    NoStore,        // the store folder could not be made: edits are refused
};

// The document controller's logic: holds the open file's bytes, the decoder over them, the
// bookmarks file of those bytes and its location; performs opening, bookmark edits, saves and
// imports; talks to the screen only through DocumentScreen. Runs on the main thread; reading
// files and hashing run in worker threads.
class DocumentController : public QObject {
    Q_OBJECT
public:
    explicit DocumentController(DocumentScreen& screen, QObject* parent = nullptr);
    DocumentController(DocumentScreen& screen, std::shared_ptr<BookmarkStore> store, QObject* parent = nullptr);
    ~DocumentController() override;

    // --- State -------------------------------------------------------------------------
    bool hasDocument() const { return m_fileData != nullptr; }
    const std::shared_ptr<const FileData>& fileData() const { return m_fileData; }
    const std::optional<Chunker>& chunker() const { return m_chunker; }
    const std::optional<BookmarkFile>& bookmarkFile() const { return m_bookmarkFile; }
    // Where the bookmarks file is saved; empty when none.
    const QString& jsonFileURL() const { return m_jsonFileURL; }
    // The open data's digest once known (64 lowercase hex digits).
    const std::optional<std::string>& digest() const { return m_digest; }
    const QString& filePath() const { return m_filePath; }
    QString fileName() const; // the last path component of filePath()
    BookmarkFileState bookmarkFileState() const { return m_state; }
    bool isDigestPending() const { return m_state == BookmarkFileState::DigestPending; }
    bool mustShowPixelGrid() const { return m_mustShowPixelGrid; }
    void setMustShowPixelGrid(bool on) { m_mustShowPixelGrid = on; }
    const BookmarkStore& store() const { return *m_store; }
    // Whether bookmarks can be edited now; the error names why not (digest pending, stored
    // file unreadable, no store folder).
    std::expected<void, DocumentError> canEditBookmarks() const { return checkEditable(); }
    // The row of the first bookmark with this key, if any.
    std::optional<int> rowOf(const BookmarkKey& key) const;

    // Data at least this large is hashed in a worker thread (smaller data at once). Default
    // 16 MiB; 0 hashes everything in a worker; INT64_MAX hashes everything at once.
    void setBackgroundDigestThreshold(std::int64_t bytes) { m_backgroundDigestThreshold = bytes; }
    // Bookmarks files holding at least this many bookmarks are saved after an edit in a worker
    // thread, one save after another, so that an edit of a large file does not hold up the
    // screen; a failure is shown when the save ends. Default: never (every save at once).
    void setBackgroundSaveThreshold(std::int64_t bookmarks) { m_backgroundSaveThreshold = bookmarks; }
    // Waits until every background save has ended and its outcome is taken up. False on timeout.
    bool waitForSaves(int timeoutMs = -1);
    // Reads / hashes of at least this many bytes show progress on the screen. Default 64 MiB.
    void setProgressThreshold(std::int64_t bytes) { m_progressThreshold = bytes; }

    // Waits (running the event loop) until the open data's digest is known and its bookmarks
    // file looked up. False on timeout (-1: no timeout) or when no data is open.
    bool waitForDigest(int timeoutMs = -1);
    // Waits until every openFiles() batch has finished. False on timeout.
    bool waitForIntake(int timeoutMs = -1);

    // --- Opening -----------------------------------------------------------------------
    // Makes these bytes the open document: resets the browser, builds the decoder, reloads,
    // sets the title, hides the hint, then finds the bookmarks file by the digest.
    void processReceivedFileData(std::shared_ptr<const FileData> data, const QString& path);
    // Imports a bookmarks file kept elsewhere into the open data's bookmarks.
    ImportReport processJSON(const QByteArray& data, const QString& path);
    // Reads and processes files: every path ending in ".json" (case-sensitive) is imported,
    // in order, before the others are opened, in order. Stops at the first file that cannot
    // be read (an empty data file included), shows why on the screen and returns it; the
    // files before it stay processed. Reads on the calling thread.
    std::expected<void, IntakeError> processURLs(const QStringList& paths);
    // As processURLs, but each file is read in a worker thread with progress; processing
    // happens on the main thread. `done` is called once at the end. Batches queue up.
    using IntakeDone = std::function<void(const std::expected<void, IntakeError>&)>;
    void openFiles(const QStringList& paths, IntakeDone done = {});

    // A new decoder over the open bytes with the browser's reset settings (1 bit, 32x32).
    void rebuildChunker();
    // Changes the decoder's format; reloads nothing (the caller reloads).
    void setChunkerParameters(std::int64_t bitDepth, std::int64_t widthInBits);

    // --- Bookmarks ---------------------------------------------------------------------
    // A tile's request to bookmark its chunk ("untitled <offset>", current format, no mask).
    // Shows a failure itself.
    void bookmarkChunk(const Chunk& chunk);
    std::expected<void, DocumentError> appendBookmark(const Bookmark& bookmark);
    std::expected<void, DocumentError> renameBookmark(std::int64_t index, const std::string& nickname);
    std::expected<void, DocumentError> deleteBookmark(std::int64_t offset, std::int64_t bitDepth, std::int64_t widthInBits);
    // Switching a mask on is refused (MaskNotAllowed, nothing changed or saved) for a
    // bookmark that is not 1-bit.
    std::expected<void, DocumentError> setBookmarkMask(std::int64_t offset, std::int64_t bitDepth,
                                                       std::int64_t widthInBits, bool hasMask);
    // The same for one row, as a list hands it over (rows may share a key).
    std::expected<void, DocumentError> setBookmarkMaskAt(std::int64_t row, bool hasMask);
    // Writes the held bookmarks file to its location (asking for another location when the
    // place may not be written).
    std::expected<void, DocumentError> saveBookmarkFile();

    // Shows an error on the screen (nothing without a window).
    void displayError(const DocumentError& error);
    void displayError(const IntakeError& error);

signals:
    // A new document was opened (the decoder and title are set; the digest may be pending).
    void documentOpened();
    // The open data's digest is known and its bookmarks file looked up.
    void digestReady(const QString& digest);
    // The held bookmarks changed (after a successful edit or import step, or a new lookup).
    void bookmarksChanged();
    // What changed in the held bookmarks, row by row, told right after the change is made in
    // memory (before it is saved), so that a list of them can update only those rows. Rows
    // are indices into bookmarkFile()->bookmarks.
    // The bookmarks were replaced as a whole (another data opened, its file looked up).
    void bookmarksReset();
    // Rows first..last were appended (an import appends all its new rows at once).
    void bookmarksInserted(int first, int last);
    // The nickname or mask of one row changed.
    void bookmarkChanged(int row);
    // Rows first..last were removed (several ranges are told from the last to the first).
    void bookmarksRemoved(int first, int last);
    // An import finished (also one that was deferred until the digest was known).
    void importFinished(const pq::ImportReport& report);
    // An openFiles() batch finished.
    void intakeFinished();

private:
    struct DigestJob;
    struct IntakeBatch;

    void startDigest();
    void finishDigest(std::uint64_t generation, const std::string& digest);
    void openBookmarkFile(const std::string& digest);
    std::expected<void, DocumentError> checkEditable() const;
    // Starts an edit: locks the bookmarks file's folder, takes up the file as it now is on
    // disk (another window or command may have changed it) and checks that it may be edited.
    std::expected<BookmarkFileLock, DocumentError> beginEdit();
    // Saves after an edit: in the background for large files (see setBackgroundSaveThreshold).
    std::expected<void, DocumentError> saveAfterEdit();
    // Takes up the outcomes of the background saves that ended (the file's new stamp, or the
    // failure shown); first waits for the saves under way unless told not to.
    void settleSaves(bool waitForQueue = true);
    // Switches one row's mask and saves; the caller holds the edit lock.
    std::expected<void, DocumentError> setMaskOfRow(int row, bool hasMask);
    void takeUpStored(StoredBookmarkFile stored, const std::string& digest);
    std::expected<void, DocumentError> writeTo(const QString& path);
    void askForSaveLocation();
    ImportReport importNow(const BookmarkFile& file, const QString& path);
    void runNextIntake();
    void readNextIntakeFile();
    void finishIntake(std::expected<void, IntakeError> result);
    void answerSaveLocation(std::uint64_t generation, const SaveLocationAnswer& answer);
    void runDeferredImports();
    void postToMain(std::function<void()> work);

    DocumentScreen& m_screen;
    std::shared_ptr<BookmarkStore> m_store;
    std::unique_ptr<QThreadPool> m_pool;

    std::shared_ptr<const FileData> m_fileData;
    std::optional<Chunker> m_chunker;
    std::optional<BookmarkFile> m_bookmarkFile;
    QString m_jsonFileURL;
    std::optional<std::string> m_digest;
    QString m_filePath;
    QString m_unreadableReason;
    FileStamp m_jsonFileStamp; // the file at jsonFileURL as last read or written
    struct SaveOutcomes;
    std::unique_ptr<QThreadPool> m_savePool; // one thread: saves land in the order of the edits
    std::shared_ptr<SaveOutcomes> m_saveOutcomes;
    std::int64_t m_backgroundSaveThreshold = INT64_MAX;
    BookmarkFileState m_state = BookmarkFileState::NoDocument;
    bool m_mustShowPixelGrid = true;

    std::uint64_t m_generation = 0; // counts opened documents
    std::shared_ptr<DigestJob> m_digestJob;
    std::deque<std::pair<QByteArray, QString>> m_deferredImports;
    // The opened data (by generation) whose save location is being asked for; one question
    // at a time.
    std::optional<std::uint64_t> m_questionFor;
    // The bookmarks of that data when other data replaced it while the question was open:
    // saved to the answered location instead of being lost. Only the asking data's are kept.
    std::optional<BookmarkFile> m_locationStash;
    // Data whose save was refused while another data's question was open: asked next.
    std::optional<std::uint64_t> m_questionWaiting;
    bool m_digestProgressShown = false;

    std::deque<std::shared_ptr<IntakeBatch>> m_intake;
    bool m_intakeRunning = false; // the front batch is being read or processed
    std::shared_ptr<std::atomic<bool>> m_readCancel;

    std::int64_t m_backgroundDigestThreshold = std::int64_t{16} << 20;
    std::int64_t m_progressThreshold = std::int64_t{64} << 20;
};

} // namespace pq

Q_DECLARE_METATYPE(pq::ImportReport)
