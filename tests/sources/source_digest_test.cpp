#include "sources/file_byte_source.h"
#include "sources/source_digest.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace pq {
namespace {

TEST(SourceDigest, EqualsSha256sumOfTheFile)
{
    for (std::size_t size : {0, 1, 64, 300'000, 3'000'017}) {
        const std::string path = test::writeTempFile(test::randomBytes(size, 3));
        std::int64_t lastDone = -1;
        auto digest = sha256Hex(**FileByteSource::open(path), [&](std::int64_t done, std::int64_t total) {
            EXPECT_EQ(total, static_cast<std::int64_t>(size));
            lastDone = done;
            return true;
        });
        ASSERT_TRUE(digest) << size;
        EXPECT_EQ(*digest, test::runProgram("sha256sum", {path}).out.substr(0, 64)) << size;
        EXPECT_EQ(lastDone, size ? static_cast<std::int64_t>(size) : -1);
    }
}

TEST(SourceDigest, CancelledOrUnreadableSourceHasNoDigest)
{
    const std::string path = test::writeTempFile(test::randomBytes(100'000, 4));
    auto source = *FileByteSource::open(path);
    EXPECT_EQ(sha256Hex(*source, [](std::int64_t, std::int64_t) { return false; }).error().kind,
              ReadError::Kind::Cancelled);
    ASSERT_EQ(::truncate(path.c_str(), 10), 0);
    EXPECT_EQ(sha256Hex(*source).error().kind, ReadError::Kind::FileChanged);
}

} // namespace
} // namespace pq
