#include "ui/bookmark_list_cell.h"

#include "ui/bookmark_list_host.h"
#include "ui/icon_view.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pq {
namespace {
constexpr int kRowIconZoom = 3;
constexpr int kIconBox = 32 * kRowIconZoom + 8;
} // namespace

BookmarkListCell::BookmarkListCell(QWidget* parent) : QWidget(parent)
{
    m_iconView = new IconView(this);
    m_iconView->setFixedSize(kIconBox, kIconBox);
    m_nickname = new QLineEdit(this);
    m_nickname->setAcceptDrops(false); // dropped files go to the window, not into the name
    m_nickname->setObjectName(QStringLiteral("nickname"));
    m_coordinatesLabel = new QLabel(this);
    m_coordinatesLabel->setObjectName(QStringLiteral("coordinatesLabel"));
    m_coordinatesLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problemLabel = new QLabel(this);
    m_problemLabel->setObjectName(QStringLiteral("problemLabel"));
    m_problemLabel->setWordWrap(true);
    m_problemLabel->hide();
    m_iconMaskCheckBox = new QCheckBox(tr("Mask"), this);
    m_iconMaskCheckBox->setObjectName(QStringLiteral("iconMaskCheckBox"));
    m_iconMaskCheckBox->setToolTip(tr("A mask plane follows the icon's pixels"));
    m_viewButton = new QPushButton(tr("3D"), this);
    m_viewButton->setObjectName(QStringLiteral("viewButton"));
    m_viewButton->setToolTip(tr("View the icon in 3D"));
    m_exportButton = new QPushButton(tr("Export…"), this);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    m_deleteButton = new QPushButton(tr("Delete"), this);
    m_deleteButton->setObjectName(QStringLiteral("deleteButton"));

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(m_nickname);
    text->addWidget(m_coordinatesLabel);
    text->addWidget(m_problemLabel);
    text->addWidget(m_iconMaskCheckBox);
    text->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_viewButton);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_deleteButton);
    buttons->addStretch(1);
    text->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_iconView, 0, Qt::AlignTop);
    layout->addLayout(text, 1);

    connect(m_viewButton, &QPushButton::clicked, this, &BookmarkListCell::clickView);
    connect(m_exportButton, &QPushButton::clicked, this, &BookmarkListCell::clickExport);
    connect(m_deleteButton, &QPushButton::clicked, this, &BookmarkListCell::clickDelete);
    connect(m_iconMaskCheckBox, &QCheckBox::clicked, this, &BookmarkListCell::changeMaskStatus);
    connect(m_nickname, &QLineEdit::editingFinished, this, &BookmarkListCell::endEditing);
    updateButtons();
}

QString BookmarkListCell::coordinatesText(const Bookmark& bookmark)
{
    const QString size = bookmark.bitDepth != 0
                             ? QStringLiteral("%1x%1").arg(bookmark.widthInBits / bookmark.bitDepth)
                             : QStringLiteral("unknown");
    return QStringLiteral("Offset: %1\nBit Depth: %2\nDimensions: %3")
        .arg(bookmark.offset)
        .arg(bookmark.bitDepth)
        .arg(size);
}

void BookmarkListCell::setDelegate(BookmarkListHost* delegate)
{
    m_delegate = delegate;
    updateButtons();
}

void BookmarkListCell::setPixelArray(std::optional<PixelArray> pixels)
{
    m_pixelArray = std::move(pixels);
    m_iconView->setZoomFactor(kRowIconZoom);
    m_iconView->setWithGrid(m_showPixelGrid);
    m_iconView->setPixelData(m_pixelArray);
    m_iconView->update();
}

void BookmarkListCell::setBookmark(std::optional<Bookmark> bookmark)
{
    if (!bookmark)
        return;
    m_bookmark = std::move(bookmark);
    m_nickname->setText(QString::fromStdString(m_bookmark->nickname));
    m_coordinatesLabel->setText(coordinatesText(*m_bookmark));
    m_iconMaskCheckBox->setVisible(m_bookmark->bitDepth < 2);
    m_iconMaskCheckBox->setChecked(m_bookmark->hasMask);
    updateButtons();
}

void BookmarkListCell::setProblem(const QString& text)
{
    m_problemLabel->setText(text);
    m_problemLabel->setVisible(!text.isEmpty());
    if (!text.isEmpty())
        m_iconMaskCheckBox->hide(); // nothing to mask
}

void BookmarkListCell::updateButtons()
{
    const bool ready = m_bookmark && m_delegate;
    m_viewButton->setEnabled(ready && m_pixelArray && m_delegate->canOpenSceneViewer());
    m_exportButton->setEnabled(ready && m_pixelArray && m_delegate->canExportBookmarks());
    m_deleteButton->setEnabled(ready);
    m_nickname->setEnabled(ready);
}

void BookmarkListCell::clickView()
{
    if (m_bookmark && m_delegate && m_delegate->canOpenSceneViewer())
        m_delegate->openSceneViewer(*m_bookmark);
}

void BookmarkListCell::clickExport()
{
    if (m_bookmark && m_delegate && m_delegate->canExportBookmarks())
        m_delegate->exportBookmarks({*m_bookmark});
}

void BookmarkListCell::clickDelete()
{
    if (m_bookmark && m_delegate)
        emit deleteRequested(keyOf(*m_bookmark));
}

void BookmarkListCell::changeMaskStatus()
{
    if (m_bookmark && m_delegate)
        emit maskChanged(keyOf(*m_bookmark), m_iconMaskCheckBox->isChecked());
}

void BookmarkListCell::endEditing()
{
    if (!m_bookmark || !m_delegate)
        return;
    const QString text = m_nickname->text();
    if (text == QString::fromStdString(m_bookmark->nickname))
        return; // nothing changed: nothing to save
    m_bookmark->nickname = text.toStdString();
    emit nicknameEdited(keyOf(*m_bookmark), text);
}

} // namespace pq
