#include "document/clipped_name.h"

#include <gtest/gtest.h>

namespace pq {
namespace {

// Messages quote at most about 200 characters of a name, keeping its beginning and its end,
// never cutting through a character; UTF-8 text (bytes that are not UTF-8 included) likewise.
TEST(ClippedName, ShortNamesWholeLongOnesBeginningAndEnd)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    EXPECT_EQ(clippedName(QString(200, u'x')), QString(200, u'x'));
    for (const QString& name : {QString(201, u'x'), QString(1 << 20, u'n') + QStringLiteral(".png"), emoji.repeated(150),
                                QStringLiteral("a") + emoji.repeated(150)}) {
        const QString clipped = clippedName(name);
        EXPECT_TRUE(clipped.size() >= 190 && clipped.size() <= 200 && clipped.isValidUtf16()) << clipped.size();
        const qsizetype cut = clipped.indexOf(QChar(0x2026));
        ASSERT_GT(cut, 100);
        EXPECT_TRUE(name.startsWith(clipped.first(cut)) && name.endsWith(clipped.sliced(cut + 1)));
        EXPECT_GE(clipped.size() - cut - 1, 30);
    }
    const std::string clipped = clippedName("\xFF" + std::string(100000, 'y') + ".txt");
    EXPECT_TRUE(QString::fromStdString(clipped).size() <= 200 && clipped.ends_with("yy.txt"));
    EXPECT_EQ(clippedName(std::string("short")), "short");
}

} // namespace
} // namespace pq
