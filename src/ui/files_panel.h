#pragma once

#include "decoding/icon_format.h"
#include "finder/own_palette_icon.h"
#include "finder/structured_icon.h"
#include "ui/family_thumbnails.h"
#include "ui/volume_tree.h"

#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QModelIndex;
class QPushButton;
class QTableWidget;
class QTreeView;

namespace pq {

class DocumentController;
class VolumeTreeModel;

// The "Files" panel: the Macintosh volumes in the open bytes as a tree (volume ▸ folders ▸
// files, with type, creator, fork sizes and the Finder's icons), read in a worker whenever
// other bytes are opened; volumesFound tells the window to show the panel. Selecting a file
// lists the icons of its resource fork below the tree (type, ID, name), the classic members of
// one family as one row showing them side by side (clicking one shows it; "Export Family…"
// writes the family for today's desktops); a colour icon or cursor with its own palette comes
// last, with its size and a note, not shown and not selectable. "Open Resource Fork",
// "Open Data Fork" (or a double-click on the file) browse that fork's bytes, titled "Disk ▸
// System Folder ▸ Finder ▸ resource fork", with the bookmarks of the fork's bytes; a double-click
// on a listed icon opens the fork at that icon. "Back to the whole image" returns to the
// bytes the volume lies in. While a fork of the same image is open the tree stays.
class FilesPanel : public QWidget {
    Q_OBJECT
public:
    explicit FilesPanel(DocumentController& document, QWidget* parent = nullptr);
    ~FilesPanel() override;

    bool isReading() const { return m_cancel != nullptr; }
    VolumeTreeModel* model() const { return m_model; }
    QTreeView* treeView() const { return m_tree; }
    QTableWidget* iconList() const { return m_icons; }
    QPushButton* openResourceButton() const { return m_openResource; }
    QPushButton* openDataButton() const { return m_openData; }
    QPushButton* backButton() const { return m_back; }
    QPushButton* exportFamilyButton() const { return m_exportFamily; }
    QLabel* statusLabel() const { return m_status; }
    // The icons listed for the selected file, and the rows of the list (indices into icons()).
    const std::vector<StructuredIcon>& icons() const { return m_forkIcons; }
    const std::vector<IconListRow>& iconRows() const { return m_rows; }

    // Browses this fork of the file at the model's `index`; a damaged fork is refused in the
    // status line.
    void openFork(const QModelIndex& index, ForkKind kind);
    // Opens the selected file's resource fork and shows the icon this row shows (a family's
    // chosen member).
    void showIcon(int row);
    // Makes `member` (an index into the row's icons) the icon the row shows, and shows it.
    void chooseMember(int row, std::size_t member);
    // Asks for a folder and writes the family of this row there.
    void exportFamily(int row);

signals:
    // Volumes were found in newly opened bytes (and are listed).
    void volumesFound();
    // A read of the volumes ended (found or not, or dropped for other bytes).
    void readingEnded();
    // The selected file's icons are listed.
    void iconsListed();
    // An icon of the open fork is to be shown: its offset and format.
    void iconChosen(std::int64_t offset, pq::IconFormat format);

private:
    void documentOpened();
    void startReading(std::shared_ptr<const ByteSource> image);
    void stopWorker();
    void selectionChanged();
    void listIcons(std::shared_ptr<const ByteSource> fork);
    void fillIconList();
    int currentNode() const;

    DocumentController& m_document;
    QTreeView* m_tree = nullptr;
    VolumeTreeModel* m_model = nullptr;
    QTableWidget* m_icons = nullptr;
    QPushButton* m_openResource = nullptr;
    QPushButton* m_openData = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_exportFamily = nullptr;
    QLabel* m_status = nullptr;

    std::shared_ptr<const ByteSource> m_image; // the bytes the tree was read from
    std::shared_ptr<const ByteSource> m_iconFork; // the fork whose icons are listed
    std::vector<StructuredIcon> m_forkIcons;
    std::vector<OwnPaletteIcon> m_forkListedOnly; // rows after the icons'
    std::vector<IconListRow> m_rows;
    std::uint64_t m_generation = 0;     // results of older reads are dropped
    std::uint64_t m_listGeneration = 0; // and lists of icons of files selected before
    std::shared_ptr<std::atomic<bool>> m_cancel; // of the read under way
    QThreadPool m_pool;
};

} // namespace pq
