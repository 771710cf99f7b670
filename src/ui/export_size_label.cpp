#include "ui/export_size_label.h"

#include <QStringList>

#include <limits>

namespace pq {

QString sizeLabelText(SizeLabel label, std::span<const std::int64_t> widths, std::int64_t zoomFactor)
{
    QString text = label == SizeLabel::Image  ? QStringLiteral("Resulting image size: ")
                   : label == SizeLabel::Text ? QStringLiteral("Resulting text size: ")
                                              : QStringLiteral("Resulting size: ");
    const QString suffix = label == SizeLabel::Text ? QStringLiteral(" characters") : QStringLiteral(" pixels");
    QStringList items;
    for (const std::int64_t width : widths) {
        std::int64_t n = 0;
        if (__builtin_mul_overflow(width, zoomFactor, &n)) {
            items << QStringLiteral("too large");
            continue;
        }
        const QString number = QString::number(n);
        items << number + QStringLiteral(" x ") + number + suffix;
    }
    return text + items.join(QStringLiteral(", "));
}

std::int64_t integerValueOfText(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (__builtin_mul_overflow(value, 10, &value) ||
            __builtin_add_overflow(value, negative ? -digit : digit, &value))
            return negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    }
    return value;
}

} // namespace pq
