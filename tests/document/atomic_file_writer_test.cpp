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

TEST(WriteFileAtomically, NewFilesFollowTheUmaskReplacedFilesKeepTheirPermissions)
{
    const mode_t previous = ::umask(027);
    const QString folder = makeTempDir();
    const std::tuple<const char*, mode_t, mode_t> cases[] = {
        {"new", 0, 0640}, {"private", 0600, 0600}, {"shared", 0664, 0664}};
    for (const auto& [name, existing, expected] : cases) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(name);
        if (existing) {
            ASSERT_TRUE(writeFileAtomically(path, "old").has_value());
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), existing), 0);
        }
        ASSERT_TRUE(writeFileAtomically(path, "new content").has_value()) << name;
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, expected) << name;
        EXPECT_EQ(readWholeFile(path), "new content") << name;
    }
    ::umask(previous);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"new", "private", "shared"}));
}

} // namespace
} // namespace pq::test
