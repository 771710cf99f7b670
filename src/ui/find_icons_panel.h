#pragma once

#include "containers/part.h"
#include "finder/found_icon.h"
#include "finder/icon_find_error.h"
#include "finder/own_palette_icon.h"
#include "decoding/icon_format.h"
#include "ui/family_thumbnails.h"

#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <expected>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace pq {

class DocumentController;

// The "Find Icons" panel: searches the open file in a worker thread, with a progress bar and a
// cancel button, and lists what it finds (thumbnail with the mask applied, format, offset,
// score): first the icons stored in resource forks and icon-family containers, grouped by
// their fork or container and labelled with type, ID and name; then likely 1-bit icons with
// masks, best first. The classic members of one family (ICN#, icl4, icl8, ics#, ics4, ics8 of
// one fork and ID, or of one container) are one row showing them side by side: clicking a
// member's thumbnail shows that member, selecting the row its deepest 32-pixel one; "Bookmark"
// takes the member shown, "Export Family…" writes the family for today's desktops. A search that cannot read the file (it shrank on disk) says so and lists
// nothing; the document tells the user once. Selecting a row emits iconChosen (the window shows the icon in the
// browser); "Bookmark" adds it to the document (with its mask, named after its resource when
// it has a name) by the same rule as a tile's add button. The list belongs to the open file:
// opening another drops it (and stops a search).
//
// When the open bytes are one of several parts that stood equal (a member of a zip), every
// part with bytes is searched and each hit is labelled with its part's path; selecting a hit
// in another part opens that part (keeping the list) and shows the icon there.
//
// When the bytes hold Macintosh volumes, the stored icons of their files come first, grouped
// by file and labelled with its classic path ("ICN# ID 128 — System Folder:Finder"); the finds
// in the whole image follow, less those at the image byte of a file's icon. Selecting a file's
// icon opens that file's resource fork and shows the icon there (a bookmark of it belongs to
// the fork's bytes, wherever the file lies); selecting an image's find from a fork goes back
// to the whole image; a fork too short to browse (the decoder needs 32 icons' bytes) is not
// opened: its icon is shown where it lies in the image. The list stays while forks of the
// image searched are opened.
//
// Colour icons and cursors with their own palettes ('cicn', 'crsr'), which are not shown, end
// the list: a row each with its size and depth and a note, without a thumbnail, that cannot be
// selected.
class FindIconsPanel : public QWidget {
    Q_OBJECT
public:
    // The panel lists candidates scoring at least this, at most kMaxListed of them.
    static constexpr double kMinScore = 0.5;
    static constexpr std::int64_t kMaxListed = 1000;

    explicit FindIconsPanel(DocumentController& document, QWidget* parent = nullptr);
    ~FindIconsPanel() override;

    // Scans the open file (nothing happens without one); a running scan is stopped first.
    void startScan();
    void cancelScan();
    bool isScanning() const { return m_scanning; }

    const std::vector<FoundIcon>& candidates() const { return m_candidates; }
    QTableWidget* candidateList() const { return m_list; }
    QPushButton* scanButton() const { return m_scanButton; }
    QPushButton* bookmarkButton() const { return m_bookmarkButton; }
    QPushButton* exportFamilyButton() const { return m_exportFamilyButton; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* statusLabel() const { return m_status; }

    // The candidates a row shows (indices into candidates()): one, or a family's members in
    // their order; empty for a row that does not exist.
    std::span<const std::size_t> rowCandidates(int row) const;
    // The path of the part the candidates of this row were found in; empty when the search
    // looked only in the open bytes.
    QString candidatePart(int row) const;
    // Makes `member` (an index into rowCandidates(row)) the row's chosen candidate, selects
    // the row and shows it.
    void chooseMember(int row, std::size_t member);
    // Emits iconChosen for the chosen candidate of this row, opening its part first when it
    // is another one than the open part.
    void showCandidate(int row);
    // Bookmarks the chosen candidate of this row with its mask; a failure is shown in an alert.
    void bookmarkCandidate(int row);
    // Asks for a folder and writes the family of this row there; nothing for a row of one
    // icon that is no family member.
    void exportFamily(int row);

    // One part searched: its row in the part question (-1: the open bytes alone), its path and
    // its bytes (opened by the search when it is not the open part); for a fork of a file in a
    // volume, the names leading to it as the document takes them.
    struct SearchedPart {
        int row = -1;
        QString label;
        Part part;
        std::shared_ptr<const ByteSource> bytes;
        std::vector<std::string> innerPath{};
    };
    // Where a file's icon, and its family's mask for a colour icon, lie in the image.
    struct InImage {
        std::int64_t offset = 0;
        std::optional<std::int64_t> maskOffset;
    };
    // A colour icon or cursor with its own palette, and where it was found: a file's path, or
    // the label of the part searched.
    struct ListedOnly {
        OwnPaletteIcon icon;
        QString file;
        QString part;
    };
    struct SearchResult {
        std::vector<ListedOnly> listedOnly;
        std::vector<FoundIcon> icons;
        std::vector<std::size_t> iconParts; // index into parts, per icon
        std::map<std::size_t, InImage> inImage; // where a file's icon lies in the image, by icon
        std::vector<SearchedPart> parts;
    };

signals:
    // A scan ended: finished, cancelled, failed or dropped because another file was opened.
    void scanEnded();
    // A candidate was selected: its offset and format.
    void iconChosen(std::int64_t offset, pq::IconFormat format);

private:
    void documentOpened();
    void clearResults();
    std::vector<SearchedPart> partsToSearch() const;
    // The rest take a candidate's index.
    bool isInOpenPart(std::size_t candidate) const;
    // A file's icon in a fork too short to browse is shown where it lies in the image.
    std::optional<std::int64_t> shownInImageAt(std::size_t candidate) const;
    // The offset at which the candidate is shown and bookmarked, and its family mask's there.
    std::int64_t shownOffset(std::size_t candidate) const;
    std::optional<std::int64_t> shownMaskOffset(std::size_t candidate) const;
    // The chosen candidate of a row that exists, and whether the row is a family's.
    std::size_t chosenCandidate(int row) const;
    bool isFamilyRow(int row) const;
    void stopWorker();
    void finishScan(std::uint64_t generation, std::expected<SearchResult, IconFindError> result);
    void fillList();
    void fillListedOnlyRows();
    static QString formatText(const FoundIcon& icon, const SearchedPart& part);
    QString familyText(int row) const;
    // The thumbnail and offset of the row's chosen candidate.
    void showChosenMember(int row);

    DocumentController& m_document;
    QPushButton* m_scanButton = nullptr;
    QPushButton* m_bookmarkButton = nullptr;
    QPushButton* m_exportFamilyButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QTableWidget* m_list = nullptr;

    std::vector<FoundIcon> m_candidates;
    std::vector<ListedOnly> m_listedOnly; // rows after the candidates'
    std::vector<std::size_t> m_candidateParts; // index into m_parts, per candidate
    std::map<std::size_t, InImage> m_inImage; // a file's icon's place in the image, by candidate
    std::vector<SearchedPart> m_parts;
    std::vector<IconListRow> m_rows; // of candidates

    std::shared_ptr<const ByteSource> m_image; // the image searched
    int m_pendingRow = -1; // a candidate whose part is being opened
    std::uint64_t m_generation = 0; // results of older scans are dropped
    bool m_scanning = false;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    QThreadPool m_pool; // one thread: the running search
};

} // namespace pq
