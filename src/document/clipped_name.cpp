#include "document/clipped_name.h"

namespace pq {

namespace {
constexpr qsizetype kTailLength = 40;
} // namespace

QString clippedName(const QString& name)
{
    if (name.size() <= kMaxQuotedNameLength)
        return name;
    // Never split a surrogate pair: the cut moves by one unit where it would.
    qsizetype head = kMaxQuotedNameLength - kTailLength - 1;
    if (name.at(head - 1).isHighSurrogate())
        --head;
    qsizetype tailStart = name.size() - kTailLength;
    if (name.at(tailStart).isLowSurrogate())
        ++tailStart;
    return name.first(head) + QChar(0x2026) + name.sliced(tailStart);
}

std::string clippedName(std::string_view name)
{
    if (name.size() <= static_cast<std::size_t>(kMaxQuotedNameLength))
        return std::string(name); // at most that many bytes, so at most that many characters
    return clippedName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))).toStdString();
}

QString quotedName(const QString& name)
{
    return QStringLiteral("\u201C") + clippedName(name) + QStringLiteral("\u201D");
}

std::string quotedName(std::string_view name)
{
    return '"' + clippedName(name) + '"';
}

QString withDetail(const QString& sentence, const QString& detail)
{
    return detail.isEmpty() ? sentence + QLatin1Char('.') : sentence + QStringLiteral(": ") + detail + QLatin1Char('.');
}

} // namespace pq
