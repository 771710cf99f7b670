#include "document/part_opening.h"

#include <QDir>
#include <QStandardPaths>

namespace pq {

namespace {
constexpr const char* kTitleSeparator = " \u25B8 ";
} // namespace

UnwrapOptions unwrapOptions(UnwrapProgress progress)
{
    UnwrapOptions options;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache))
        options.tempFolder = QFile::encodeName(cache).toStdString();
    options.progress = std::move(progress);
    return options;
}

QString fourCharText(const std::optional<FourCharCode>& code)
{
    return code ? QString::fromLatin1(code->data(), static_cast<qsizetype>(code->size())) : QString();
}

std::vector<PartRow> partRows(const std::vector<Part>& parts)
{
    std::vector<PartRow> rows;
    rows.reserve(parts.size());
    for (const Part& part : parts)
        rows.push_back({QString::fromStdString(part.name), QString::fromStdString(std::string(partKindName(part.kind))),
                        part.size(), fourCharText(part.type), fourCharText(part.creator)});
    return rows;
}

QString documentTitle(const QString& fileName, const UnwrapPath& path)
{
    return QString::fromStdString(pathText(fileName.toStdString(), path, kTitleSeparator));
}

QString documentTitle(const QString& fileName, const DocumentOrigin& origin)
{
    if (origin.innerPath.empty())
        return documentTitle(fileName, origin.path);
    std::string text;
    for (const std::string& name : origin.innerPath)
        text += (text.empty() ? "" : kTitleSeparator) + name;
    return QString::fromStdString(text);
}

} // namespace pq
