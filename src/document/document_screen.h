#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pq {

// The answer to a save-location question.
struct SaveLocationAnswer {
    enum class Kind { Cancelled, ConfirmedWithoutLocation, Confirmed };
    Kind kind = Kind::Cancelled;
    QString path; // set when Confirmed
};

// What the save-location question shows.
struct SaveLocationRequest {
    QString title;             // "Create a bookmarks file"
    QString nameFieldLabel;    // "Bookmarks file name"
    QString suggestedFileName; // the digest file name, e.g. "<64 hex digits>.json"
    QString folder;            // the folder to start in
    QString allowedSuffix;     // "json"
};

// One part of a wrapper, as the part question lists it.
struct PartRow {
    QString name;
    QString kind; // "resource fork", "member", ...
    std::int64_t size = 0;
    QString type;    // four characters, or empty
    QString creator; // four characters, or empty
};

// The answer to the part question: one of the parts (by row), the file's raw bytes, or nothing.
struct PartChoice {
    enum class Kind { Cancelled, RawBytes, Part };
    Kind kind = Kind::Cancelled;
    int row = -1; // set when Part

    bool operator==(const PartChoice&) const = default;
};

// What the large-part question tells: a part of the file `fileName`, taken out of the wrapper
// `partLabel` ("gzip"), decodes to `bytes` bytes written into `folder` (the cache folder), where
// `freeBytes` are free (-1: unknown).
struct LargePartQuestion {
    QString fileName;
    QString partLabel;
    std::int64_t bytes = 0;
    QString folder;
    std::int64_t freeBytes = -1;
};

// Everything the document controller asks of the screen that shows the document. The desktop
// program implements it with widgets, the command line with its output streams, the tests
// with a recorder. All calls happen on the main thread.
class DocumentScreen {
public:
    virtual ~DocumentScreen() = default;

    // Whether the document is shown in a window. Without one, saves fail with NoWindow and
    // errors and information are not shown.
    virtual bool hasWindow() const { return true; }

    // A window-modal alert: an error, or an informational message.
    virtual void showError(const QString& title, const QString& informativeText) = 0;
    virtual void showInformation(const QString& title, const QString& informativeText) = 0;
    // A non-modal status line (e.g. "bookmarks file of other data ignored"); may be ignored.
    virtual void showStatus(const QString& text) { (void)text; }

    // Asks where to save a bookmarks file. The answer may come at once or later, but always
    // on the main thread and exactly once.
    virtual void askSaveLocation(const SaveLocationRequest& request,
                                 std::function<void(const SaveLocationAnswer&)> answer) = 0;

    // The bookmark list: the held bookmarks changed (what depends on the whole list, such as
    // the export-all button, is brought up to date; the rows follow the controller's row
    // signals); select / scroll to one row.
    virtual void refreshBookmarks() = 0;
    virtual void selectBookmarkRow(int row) = 0;
    virtual void scrollToBookmarkRow(int row) = 0;

    // The icon browser: reset its settings (1 bit per pixel, 32x32, slider at 0), and reload
    // it from the controller's chunker, scrolled to its first tile.
    virtual void resetBrowserSettings() = 0;
    virtual void reloadBrowserFromFirstTile() = 0;

    // Asks which part of the file `fileName` to open (the parts of its innermost wrapper).
    // The answer may come at once or later, on the main thread, exactly once. Without a screen
    // to ask, nothing is opened.
    virtual void choosePart(const QString& fileName, const std::vector<PartRow>& rows,
                            std::function<void(PartChoice)> answer)
    {
        (void)fileName;
        (void)rows;
        answer({});
    }

    // Asks whether to go on decoding a large part; the answer is needed at once (a worker waits
    // for it). Without a screen to ask: no.
    virtual bool confirmLargePart(const LargePartQuestion& question)
    {
        (void)question;
        return false;
    }

    virtual void setWindowTitle(const QString& title) = 0;
    virtual void setHintVisible(bool visible) = 0;

    // Progress of a long operation (reading or hashing a large file). `cancel` may be called
    // by the screen (on the main thread) while the progress is shown; when it is empty the
    // operation cannot be cancelled.
    virtual void beginProgress(const QString& label, std::function<void()> cancel) { (void)label; (void)cancel; }
    virtual void updateProgress(std::int64_t done, std::int64_t total) { (void)done; (void)total; }
    virtual void endProgress() {}
};

} // namespace pq
