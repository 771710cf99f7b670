#pragma once

#include "decoding/chunk.h"
#include "decoding/chunker.h"
#include "sources/byte_source.h"
#include "decoding/icon_format.h"
#include "document/bookmark.h"
#include "document/bookmark_file_lock.h"
#include "document/bookmark_store.h"
#include "document/document_error.h"
#include "document/document_screen.h"
#include "document/import_report.h"
#include "document/part_opening.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <deque>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pq {

class DocumentIntake;

// Where the bookmarks of the open data stand.
enum class BookmarkFileState {
    NoDocument,     // nothing opened yet
    DigestPending,  // data open, digest being computed
    Loaded,         // read from its location
    New,            // none stored yet: held in memory until the first edit
    Unreadable,     // a file exists at the location but cannot be read: edits are refused
    NoStore,        // the store folder could not be made: edits are refused
    DataUnreadable, // the open data could not be read to its end, so it has no digest: edits are refused
};

// The document controller's logic: holds the open file's bytes, the decoder over them, the
// bookmarks file of those bytes and its location; performs opening, bookmark edits, saves and
// imports; talks to the screen only through DocumentScreen. Runs on the main thread, which
// never waits for a worker: hashing and large saves run in worker threads whose results come
// back as queued calls; a late result of data replaced since is dropped.
class DocumentController : public QObject {
    Q_OBJECT
public:
    explicit DocumentController(DocumentScreen& screen, QObject* parent = nullptr);
    DocumentController(DocumentScreen& screen, std::shared_ptr<BookmarkStore> store, QObject* parent = nullptr);
    ~DocumentController() override;

    // --- State -------------------------------------------------------------------------
    bool hasDocument() const { return m_source != nullptr; }
    // The bytes being browsed.
    const std::shared_ptr<const ByteSource>& source() const { return m_source; }
    const std::optional<Chunker>& chunker() const { return m_chunker; }
    const std::optional<BookmarkFile>& bookmarkFile() const { return m_bookmarkFile; }
    // Where the bookmarks file is saved; empty when none.
    const QString& jsonFileURL() const { return m_jsonFileURL; }
    // The open data's digest once known (64 lowercase hex digits).
    const std::optional<std::string>& digest() const { return m_digest; }
    const QString& filePath() const { return m_filePath; }
    QString fileName() const; // the last path component of filePath()
    // The way from the file to the bytes browsed (through wrappers, or none).
    const DocumentOrigin& origin() const { return m_origin; }
    // The bytes the open data lies in when it is a fork of a file inside a volume (the whole
    // image), else the open bytes themselves.
    const std::shared_ptr<const ByteSource>& image() const { return m_origin.image ? m_origin.image : m_source; }
    BookmarkFileState bookmarkFileState() const { return m_state; }
    bool isDigestPending() const { return m_state == BookmarkFileState::DigestPending; }
    bool mustShowPixelGrid() const { return m_mustShowPixelGrid; }
    void setMustShowPixelGrid(bool on) { m_mustShowPixelGrid = on; }
    const BookmarkStore& store() const { return *m_store; }
    DocumentScreen& screen() const { return m_screen; }
    // The intake of files handed over by drop, open dialog or the operating system.
    DocumentIntake& intake() { return *m_intake; }
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
    // Reads / hashes of at least this many bytes show progress on the screen. Default 64 MiB.
    void setProgressThreshold(std::int64_t bytes) { m_progressThreshold = bytes; }
    std::int64_t progressThreshold() const { return m_progressThreshold; }

    // For tests and the command line: run the event loop until the open data's digest is
    // known and its bookmarks file looked up (false on timeout, -1: none, or when no data is
    // open), or until every background save has ended and its outcome is taken up.
    bool waitForDigest(int timeoutMs = -1);
    bool waitForSaves(int timeoutMs = -1);

    // --- Opening -----------------------------------------------------------------------
    // Makes these bytes the open document: resets the browser, builds the decoder, reloads,
    // sets the title (the file's name and the parts passed through, "a.hqx ▸ resource fork"),
    // hides the hint, then finds the bookmarks file by the digest of these bytes.
    void processReceivedSource(std::shared_ptr<const ByteSource> source, const QString& path,
                               DocumentOrigin origin = {});

    // A read of the open bytes failed (the file shrank on disk, or the system refused): the
    // user is told once per opened file; later failures of the same file stay quiet.
    void reportReadError(const ReadError& error);
    // Opens a fork of a file inside a volume of image(), reached the way the image was:
    // `names` lead from the volume to the fork ("Disk", "System Folder", "Finder", "resource
    // fork") and title the window. Its bookmarks are those of the fork's bytes, as for any part.
    void openInner(std::shared_ptr<const ByteSource> bytes, std::vector<std::string> names);
    // From a fork back to the whole image (nothing when the image itself is open).
    void backToImage();
    // Imports a bookmarks file kept elsewhere into the open data's bookmarks. While the
    // digest is pending the import waits for it (Deferred); it then belongs to that data even
    // when other data is opened meanwhile.
    ImportReport processJSON(const QByteArray& data, const QString& path);

    // A new decoder over the open bytes with the browser's reset settings (1 bit, 32x32).
    void rebuildChunker();
    // Whether such a decoder can be made over these bytes (they hold more than 32 chunks).
    static bool canBrowse(const std::shared_ptr<const ByteSource>& bytes);
    // Changes the decoder's format; reloads nothing (the caller reloads).
    void setChunkerParameters(const IconFormat& format);

    // --- Bookmarks ---------------------------------------------------------------------
    // A tile's request to bookmark its chunk (default nickname, current format, no mask).
    // Shows a failure itself.
    void bookmarkChunk(const Chunk& chunk);
    std::expected<void, DocumentError> appendBookmark(const Bookmark& bookmark);
    std::expected<void, DocumentError> renameBookmark(std::int64_t index, const std::string& nickname);
    // Removes every bookmark with this key.
    std::expected<void, DocumentError> deleteBookmark(const BookmarkKey& key);
    // Switches the mask of the first bookmark with this key. Switching a mask on is refused
    // (MaskNotAllowed, nothing changed or saved) for a bookmark that is not 1-bit.
    std::expected<void, DocumentError> setBookmarkMask(const BookmarkKey& key, bool hasMask);
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
    // A background save ended and its outcome was taken up.
    void saveSettled();

private:
    // What an edit's change did to the held bookmarks: whether anything is to be saved, and
    // the row to reveal afterwards.
    struct EditOutcome {
        bool save = true;
        std::optional<int> reveal;
    };
    using Change = std::function<std::expected<EditOutcome, DocumentError>(BookmarkFile&)>;
    struct DeferredImport {
        std::uint64_t generation = 0;
        QByteArray data;
        QString path;
    };

    void startDigest();
    void finishDigest(const std::expected<std::string, ReadError>& result);
    void openBookmarkFile(const std::string& digest);
    std::expected<void, DocumentError> checkEditable() const;
    // Starts an edit: locks the bookmarks file's folder, takes up the file as it now is on
    // disk (another window or command may have changed it) and checks that it may be edited.
    // While this controller's own saves are under way, the file is theirs: no lock, no reload.
    std::expected<BookmarkFileLock, DocumentError> beginEdit();
    // The one path of every edit: begin, change the held file, save, refresh and tell.
    std::expected<void, DocumentError> edit(const Change& change);
    // The change that switches one row's mask.
    std::expected<EditOutcome, DocumentError> switchMask(BookmarkFile& file, std::int64_t row, bool hasMask);
    // Saves after an edit: in the background for large files (see setBackgroundSaveThreshold).
    std::expected<void, DocumentError> saveAfterEdit();
    void saveInBackground();
    void takeUpStored(StoredBookmarkFile stored, const std::string& digest);
    void askForSaveLocation();
    void answerSaveLocation(std::uint64_t generation, const SaveLocationAnswer& answer);
    ImportReport importNow(const BookmarkFile& file, const QString& path);
    // An import deferred for data replaced since: merged into that data's stored file.
    ImportReport importIntoStored(const BookmarkFile& file, const QString& path, const std::string& digest);
    void runDeferredImports(std::uint64_t generation, const std::string& digest);
    void postToMain(std::function<void()> work);

    DocumentScreen& m_screen;
    std::shared_ptr<BookmarkStore> m_store;
    QThreadPool m_pool;     // digests
    QThreadPool m_savePool; // one thread: saves land in the order of the edits
    std::unique_ptr<DocumentIntake> m_intake;

    std::shared_ptr<const ByteSource> m_source;
    bool m_readErrorShown = false; // for the open bytes
    std::optional<Chunker> m_chunker;
    std::optional<BookmarkFile> m_bookmarkFile;
    QString m_jsonFileURL;
    std::optional<std::string> m_digest;
    QString m_filePath;
    DocumentOrigin m_origin;
    QString m_unreadableReason;
    FileStamp m_jsonFileStamp; // the file at jsonFileURL as last read or written
    int m_pendingSaves = 0;
    std::int64_t m_backgroundSaveThreshold = INT64_MAX;
    BookmarkFileState m_state = BookmarkFileState::NoDocument;
    bool m_mustShowPixelGrid = true;

    std::uint64_t m_generation = 0; // counts opened documents
    std::shared_ptr<std::atomic<bool>> m_digestCancel; // of the open data's digest under way
    bool m_digestProgressShown = false;
    std::deque<DeferredImport> m_deferredImports;
    // The opened data (by generation) whose save location is being asked for; one question
    // at a time.
    std::optional<std::uint64_t> m_questionFor;
    // The bookmarks of that data when other data replaced it while the question was open:
    // saved to the answered location instead of being lost. Only the asking data's are kept.
    std::optional<BookmarkFile> m_locationStash;
    // Data whose save was refused while another data's question was open: asked next.
    std::optional<std::uint64_t> m_questionWaiting;

    std::int64_t m_backgroundDigestThreshold = std::int64_t{16} << 20;
    std::int64_t m_progressThreshold = std::int64_t{64} << 20;
};

} // namespace pq
