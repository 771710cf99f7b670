#include "export/export_file_name.h"

namespace pq {

namespace {
// The first bytes of `utf8`, at most `limit`, cut before a character rather than inside one.
QByteArray leadingCharacters(const QByteArray& utf8, qsizetype limit)
{
    if (utf8.size() <= limit)
        return utf8;
    qsizetype end = std::max<qsizetype>(limit, 0);
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end; // utf8[end] continues a character: cut before that character's first byte
    return utf8.left(end);
}
} // namespace

QString safeFileStem(const std::string& nickname)
{
    QString stem = QString::fromUtf8(nickname.data(), static_cast<qsizetype>(nickname.size()));
    if (stem.isEmpty())
        return QStringLiteral("untitled");
    if (stem == u"." || stem == u"..")
        return QString(stem.size(), u'_');
    for (QChar& c : stem)
        if (c == u'/' || c == QChar(0))
            c = u'_';
    return stem;
}

QString exportFileName(const std::string& nickname, const QString& extension, std::int64_t number)
{
    QString tail = number > 1 ? QStringLiteral(" %1").arg(number) : QString();
    tail += u'.' + extension;
    const QByteArray stem = leadingCharacters(safeFileStem(nickname).toUtf8(), kMaxFileNameBytes - tail.toUtf8().size());
    return QString::fromUtf8(stem) + tail;
}

QString exportFilePath(const QString& folder, const std::string& nickname, const QString& extension)
{
    QString path = folder;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + exportFileName(nickname, extension);
}

} // namespace pq
