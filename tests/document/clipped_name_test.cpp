#include "document/clipped_name.h"

#include <gtest/gtest.h>

namespace pq {
namespace {

// Messages quote at most about 200 characters of a name, keeping its beginning and its end.
TEST(ClippedName, ShortNamesWholeLongOnesBeginningAndEnd)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const struct {
        QString name;
        bool whole;
    } cases[] = {
        {QString(), true},
        {QString(200, u'x'), true},
        {QString(201, u'x'), false},
        {QString(1 << 20, u'n') + QStringLiteral(".png"), false},
        {emoji.repeated(150), false}, // no cut through a character
        {QStringLiteral("a") + emoji.repeated(150), false},
    };
    for (const auto& c : cases) {
        const QString clipped = clippedName(c.name);
        if (c.whole) {
            EXPECT_EQ(clipped, c.name);
            continue;
        }
        EXPECT_LE(clipped.size(), 200);
        EXPECT_GE(clipped.size(), 190);
        EXPECT_TRUE(clipped.isValidUtf16());
        const qsizetype cut = clipped.indexOf(QChar(0x2026));
        ASSERT_GT(cut, 100);
        EXPECT_TRUE(c.name.startsWith(clipped.first(cut)));
        EXPECT_TRUE(c.name.endsWith(clipped.sliced(cut + 1)));
        EXPECT_GE(clipped.size() - cut - 1, 30);
    }
    // UTF-8 text, bytes that are not UTF-8 included
    const std::string bytes = "\xFF" + std::string(100000, 'y') + ".txt";
    const std::string clipped = clippedName(bytes);
    EXPECT_LE(QString::fromStdString(clipped).size(), 200);
    EXPECT_TRUE(clipped.ends_with("yy.txt"));
    EXPECT_EQ(clippedName(std::string("short")), "short");
}

} // namespace
} // namespace pq
