#include "ui/volume_tree_model.h"

#include <QApplication>
#include <QBuffer>
#include <QIcon>
#include <QLocale>
#include <QStyle>

namespace pq {

namespace {

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

// An image as a data address for rich text (PNG in base 64).
QString dataAddress(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

} // namespace

VolumeTreeModel::VolumeTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void VolumeTreeModel::setTree(VolumeTree tree)
{
    beginResetModel();
    m_tree = std::move(tree);
    endResetModel();
}

QModelIndex VolumeTreeModel::indexOf(int node) const
{
    if (node < 0 || node >= int(m_tree.nodes().size()))
        return {};
    return createIndex(m_tree.nodes()[std::size_t(node)].row, 0, quintptr(node));
}

QModelIndex VolumeTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const int node = nodeOf(parent);
    const std::vector<int>& children = node < 0 ? m_tree.roots() : m_tree.nodes()[std::size_t(node)].children;
    if (row < 0 || row >= int(children.size()) || column < 0 || column >= ColumnCount)
        return {};
    return createIndex(row, column, quintptr(children[std::size_t(row)]));
}

QModelIndex VolumeTreeModel::parent(const QModelIndex& child) const
{
    const int node = nodeOf(child);
    return node < 0 ? QModelIndex() : indexOf(m_tree.nodes()[std::size_t(node)].parent);
}

int VolumeTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const int node = nodeOf(parent);
    return int(node < 0 ? m_tree.roots().size() : m_tree.nodes()[std::size_t(node)].children.size());
}

int VolumeTreeModel::columnCount(const QModelIndex&) const { return ColumnCount; }

QVariant VolumeTreeModel::data(const QModelIndex& index, int role) const
{
    const int node = nodeOf(index);
    if (node < 0)
        return {};
    const VolumeTree::Node& n = m_tree.nodes()[std::size_t(node)];
    switch (role) {
    case Qt::DisplayRole:
        return display(n, index.column());
    case Qt::DecorationRole:
        return index.column() == NameColumn ? decoration(n) : QVariant();
    case Qt::ToolTipRole:
        return index.column() == NameColumn ? toolTip(n) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() >= DataSizeColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

QVariant VolumeTreeModel::display(const VolumeTree::Node& node, int column) const
{
    const VolumeFile* file = m_tree.file(node);
    switch (column) {
    case NameColumn:
        return text(m_tree.name(node));
    case TypeColumn:
        return file ? QString::fromLatin1(file->type.data(), qsizetype(file->type.size())) : QString();
    case CreatorColumn:
        return file ? QString::fromLatin1(file->creator.data(), qsizetype(file->creator.size())) : QString();
    case DataSizeColumn:
        return file ? QLocale().toString(qint64(file->data.logicalSize)) : QString();
    case ResourceSizeColumn:
        return file ? QLocale().toString(qint64(file->resource.logicalSize)) : QString();
    default:
        return {};
    }
}

QVariant VolumeTreeModel::decoration(const VolumeTree::Node& node) const
{
    if (!node.smallIcon.isNull())
        return QIcon(QPixmap::fromImage(node.smallIcon));
    const auto standard = node.kind == VolumeTree::Node::Kind::Volume   ? QStyle::SP_DriveHDIcon
                          : node.kind == VolumeTree::Node::Kind::Folder ? QStyle::SP_DirIcon
                                                                         : QStyle::SP_FileIcon;
    return QApplication::style()->standardIcon(standard);
}

QString VolumeTreeModel::toolTip(const VolumeTree::Node& node) const
{
    const QString name = text(m_tree.name(node)).toHtmlEscaped();
    if (node.largeIcon.isNull())
        return name;
    return QStringLiteral("<img src=\"%1\" width=\"32\" height=\"32\"><br>%2").arg(dataAddress(node.largeIcon), name);
}

QVariant VolumeTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn: return tr("Name");
    case TypeColumn: return tr("Type");
    case CreatorColumn: return tr("Creator");
    case DataSizeColumn: return tr("Data");
    case ResourceSizeColumn: return tr("Resource");
    default: return {};
    }
}

} // namespace pq
