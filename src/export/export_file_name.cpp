#include "export/export_file_name.h"

namespace pq {

QString safeFileStem(const std::string& nickname)
{
    QString stem = QString::fromUtf8(nickname.data(), static_cast<qsizetype>(nickname.size()));
    if (stem == u"." || stem == u"..")
        return QString(stem.size(), u'_');
    for (QChar& c : stem)
        if (c == u'/' || c == QChar(0))
            c = u'_';
    return stem;
}

QString exportFilePath(const QString& folder, const std::string& nickname, const QString& extension)
{
    QString path = folder;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + safeFileStem(nickname) + u'.' + extension;
}

} // namespace pq
