#pragma once

#include "decoding/pixel_array.h"
#include "document/bookmark.h"

#include <QString>
#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pq {

class BookmarkListHost;
class IconView;

// One bookmark row: the icon at zoom 3, the editable nickname (stored on Return and when the
// field loses focus), the offset / bit depth / size text, the mask check box for 1-bit
// bookmarks, and the 3D view, export and delete buttons. A bookmark whose icon cannot be
// decoded still gets its row, saying why, so that it can be renamed or deleted.
class BookmarkListCell : public QWidget {
    Q_OBJECT
public:
    explicit BookmarkListCell(QWidget* parent = nullptr);

    // "Offset: o\nBit Depth: d\nDimensions: wxw" with w = widthInBits / bitDepth; a bit depth
    // of 0 gives "Dimensions: unknown".
    static QString coordinatesText(const Bookmark& bookmark);

    void setDelegate(BookmarkListHost* delegate);
    void setShowPixelGrid(bool on) { m_showPixelGrid = on; }
    bool showPixelGrid() const { return m_showPixelGrid; }
    // Shows the pixels at zoom 3 with the cell's grid flag.
    void setPixelArray(std::optional<PixelArray> pixels);
    const std::optional<PixelArray>& pixelArray() const { return m_pixelArray; }
    // Fills the nickname, the coordinates and the mask check box; nothing for an absent one.
    void setBookmark(std::optional<Bookmark> bookmark);
    const std::optional<Bookmark>& bookmark() const { return m_bookmark; }
    // A line below the coordinates telling why the icon is not shown; empty hides it.
    void setProblem(const QString& text);

    IconView* iconView() const { return m_iconView; }
    QLineEdit* nickname() const { return m_nickname; }
    QLabel* coordinatesLabel() const { return m_coordinatesLabel; }
    QLabel* problemLabel() const { return m_problemLabel; }
    QCheckBox* iconMaskCheckBox() const { return m_iconMaskCheckBox; }
    QPushButton* viewButton() const { return m_viewButton; }
    QPushButton* exportButton() const { return m_exportButton; }
    QPushButton* deleteButton() const { return m_deleteButton; }

signals:
    // Sent for the host after the event that caused them has been handled, so that the
    // host may rebuild the list (and this row) in response.
    void nicknameEdited(pq::BookmarkKey key, QString nickname);
    void deleteRequested(pq::BookmarkKey key);
    void maskChanged(pq::BookmarkKey key, bool hasMask);

private:
    void clickView();
    void clickExport();
    void clickDelete();
    void changeMaskStatus();
    void endEditing();
    void updateButtons();

    IconView* m_iconView = nullptr;
    QLineEdit* m_nickname = nullptr;
    QLabel* m_coordinatesLabel = nullptr;
    QLabel* m_problemLabel = nullptr;
    QCheckBox* m_iconMaskCheckBox = nullptr;
    QPushButton* m_viewButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_deleteButton = nullptr;

    BookmarkListHost* m_delegate = nullptr;
    bool m_showPixelGrid = false;
    std::optional<Bookmark> m_bookmark;
    std::optional<PixelArray> m_pixelArray;
};

} // namespace pq
