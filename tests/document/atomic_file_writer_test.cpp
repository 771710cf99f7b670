// The permissions of written files; full disks and links are proven where bookmarks and
// exports are written.
#include "document/atomic_file_writer.h"

#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace pq::test {
namespace {

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(WriteFileAtomically, NewFilesFollowTheUmaskReplacedFilesKeepTheirPermissions)
{
    const mode_t previous = ::umask(027);
    const struct {
        const char* name;
        mode_t existing; // 0: no file before
        mode_t expected;
    } cases[] = {{"new", 0, 0640}, {"private", 0600, 0600}, {"shared", 0664, 0664}};
    const QString folder = makeTempDir();
    for (const auto& c : cases) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(c.name);
        if (c.existing) {
            ASSERT_TRUE(writeFileAtomically(path, "old").has_value());
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c.existing), 0);
        }
        ASSERT_TRUE(writeFileAtomically(path, "new content").has_value()) << c.name;
        EXPECT_EQ(modeOf(path), c.expected) << c.name;
        EXPECT_EQ(readWholeFile(path), "new content") << c.name;
    }
    ::umask(previous);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"new", "private", "shared"}));
}

} // namespace
} // namespace pq::test
