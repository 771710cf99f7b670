#include "sources/extent_byte_source.h"
#include "sources/file_byte_source.h"
#include "sources/mac_roman.h"
#include "sources/memory_byte_source.h"
#include "sources/unicode_text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace pq {
namespace {

constexpr std::int64_t kBlock = 4096;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
using Kind = ReadError::Kind;

// A file of ten blocks and a bit, read through a cache smaller than the file.
struct Sources {
    std::vector<std::uint8_t> bytes = test::randomBytes(10 * kBlock + 123, 7);
    std::string path = test::writeTempFile(bytes);
    std::shared_ptr<FileByteSource> file = *FileByteSource::open(path, {kBlock, 3});
    std::vector<std::shared_ptr<const ByteSource>> all()
    {
        auto data = std::as_bytes(std::span(bytes));
        // The whole file again, cut into three extents.
        const std::int64_t n = file->size();
        return {file, std::make_shared<MemoryByteSource>(std::vector<std::byte>(data.begin(), data.end())),
                *ExtentByteSource::create(file, {{0, 5000}, {5000, kBlock}, {5000 + kBlock, n - 5000 - kBlock}})};
    }
    bool matches(const ByteSource& source, std::int64_t offset, std::int64_t length, bool streaming = false) const
    {
        std::vector<std::byte> out(static_cast<std::size_t>(length) + 1); // never an empty vector's null data
        out.pop_back();
        auto read = streaming ? source.readStreaming(offset, out) : source.read(offset, out);
        return read && std::memcmp(out.data(), bytes.data() + offset, out.size()) == 0;
    }
};

TEST(ByteSource, ReadsMatchTheFileAcrossBlocksAndAtTheEnds)
{
    Sources s;
    const std::int64_t n = static_cast<std::int64_t>(s.bytes.size());
    const std::pair<std::int64_t, std::int64_t> ranges[] = {
        {0, 1}, {kBlock - 1, 2}, {4000, 3 * kBlock}, {0, n}, {n - 1, 1}, {n, 0}, {4999, 2}};
    for (const auto& source : s.all())
        for (auto [offset, length] : ranges)
            for (bool streaming : {false, true})
                EXPECT_TRUE(s.matches(*source, offset, length, streaming)) << offset << "+" << length;
}

// Only its size matters.
struct HugeSource final : ByteSource {
    HugeSource() : ByteSource(kMax) {}
    std::expected<void, ReadError> readInRange(std::int64_t, std::span<std::byte>, ReadMode) const override
    {
        return {};
    }
};

TEST(ByteSource, RangesOutsideTheSourceAreRefused)
{
    Sources s;
    auto sources = s.all();
    sources.push_back(std::make_shared<HugeSource>());
    std::byte buffer[2];
    for (const auto& source : sources) {
        const std::int64_t n = source->size();
        const std::pair<std::int64_t, std::size_t> ranges[] = {
            {-1, 1}, {n, 1}, {n - 1, 2}, {kMax, 2}, {std::numeric_limits<std::int64_t>::min(), 0},
            {1, std::numeric_limits<std::size_t>::max()}, {0, std::size_t{1} << 63}};
        for (auto [offset, length] : ranges) // the buffer is never touched: the range is refused first
            EXPECT_EQ(source->read(offset, {buffer, length}).error().kind, Kind::OutOfRange) << offset << "+" << length;
    }
}

TEST(ByteSource, ConcurrentReadersSeeTheFileBytes)
{
    Sources s;
    std::atomic<int> wrong{0};
    std::vector<std::jthread> readers;
    for (unsigned t = 0; t < 8; ++t)
        readers.emplace_back([&, t] {
            std::mt19937_64 random(t);
            for (int i = 0; i < 500; ++i) {
                const auto offset = static_cast<std::int64_t>(random() % s.bytes.size());
                const auto length = std::min<std::int64_t>(1 + random() % (2 * kBlock), s.file->size() - offset);
                wrong += !s.matches(*s.file, offset, length);
            }
        });
    readers.clear();
    EXPECT_EQ(wrong, 0);
}

TEST(FileByteSource, ShrunkFileGivesErrorsPastItsNewEnd)
{
    Sources s;
    auto view = *ExtentByteSource::create(s.file, {{0, 10}, {9 * kBlock, 10}});
    ASSERT_TRUE(s.matches(*s.file, 0, kBlock)); // block 0 is cached
    ASSERT_EQ(::truncate(s.path.c_str(), 5000), 0);
    EXPECT_FALSE(s.file->changedOnDisk());
    const struct {
        std::int64_t offset, length;
        bool streaming, readable;
    } cases[] = {{0, kBlock, false, true}, {kBlock, 904, false, true}, {100, 4900, true, true},
                 {kBlock, 905, false, false}, {8 * kBlock, 10, false, false}, {4990, 11, true, false}};
    for (const auto& c : cases)
        EXPECT_EQ(s.matches(*s.file, c.offset, c.length, c.streaming), c.readable) << c.offset << "+" << c.length;
    std::byte out[10];
    EXPECT_EQ(s.file->read(8 * kBlock, out).error().kind, Kind::FileChanged);
    EXPECT_TRUE(s.file->changedOnDisk());
    EXPECT_TRUE(view->changedOnDisk());
}

TEST(FileByteSource, OnlyRegularFilesOpen)
{
    const std::string folder = test::makeTempDir().toStdString();
    ASSERT_EQ(::mkfifo((folder + "/pipe").c_str(), 0600), 0);
    const std::pair<std::string, Kind> refused[] = {
        {folder, Kind::IsDirectory}, {folder + "/pipe", Kind::NotRegularFile},
        {"/dev/null", Kind::NotRegularFile}, {folder + "/missing", Kind::NotFound}};
    for (const auto& [path, kind] : refused)
        EXPECT_EQ(FileByteSource::open(path).error().kind, kind) << path;
}

TEST(ExtentByteSource, ScatteredExtentsReadAsOneRun)
{
    Sources s;
    const std::vector<Extent> extents = {{9 * kBlock + 100, 23}, {5000, 3 * kBlock}, {7, 0}, {0, 10}};
    std::vector<std::uint8_t> expected;
    for (const Extent& e : extents)
        expected.insert(expected.end(), s.bytes.begin() + e.offset, s.bytes.begin() + e.offset + e.length);
    auto view = *ExtentByteSource::create(s.file, extents);
    ASSERT_EQ(view->size(), static_cast<std::int64_t>(expected.size()));
    s.bytes = expected;
    for (std::int64_t offset : std::initializer_list<std::int64_t>{0, 20, 23, 100, 23 + 3 * kBlock - 1})
        EXPECT_TRUE(s.matches(*view, offset, view->size() - offset)) << offset;

    const std::shared_ptr<const ByteSource> huge = std::make_shared<HugeSource>();
    const std::pair<std::shared_ptr<const ByteSource>, std::vector<Extent>> bad[] = {
        {s.file, {{-1, 1}}}, {s.file, {{0, -1}}}, {s.file, {{0, 1}, {s.file->size(), 1}}},
        {s.file, {{kMax, kMax}}}, {huge, {{1, kMax - 1}, {0, 2}}}, {nullptr, {}}};
    for (const auto& [base, list] : bad)
        EXPECT_EQ(ExtentByteSource::create(base, list).error().kind, Kind::InvalidExtents);
}

TEST(UnicodeText, Utf16NamesBecomeUtf8)
{
    const struct {
        std::vector<std::uint8_t> utf16;
        std::string utf8;
    } rows[] = {
        {{0, 'A', 0x00, 0xE9, 0x6F, 0x22}, "A\u00E9\u6F22"},
        {{0xD8, 0x3D, 0xDE, 0x00}, "\U0001F600"},
        {{0xD8, 0x3D, 0, 'x'}, "\uFFFDx"}, // a high surrogate alone
        {{0xDE, 0x00, 0xD8, 0x3D}, "\uFFFD\uFFFD"},
        {{0, 0, 0, 0x0D, 0}, "\uFFFD\uFFFD"}, // control characters; the odd byte dropped
    };
    for (const auto& row : rows)
        EXPECT_EQ(utf16BeToUtf8(row.utf16), row.utf8);
}

TEST(MacRoman, ConvertsNamesToUtf8)
{
    EXPECT_EQ(macRomanToUtf8("Syst\x8Fme"), "Système");
    EXPECT_EQ(macRomanToUtf8("\xA9 1984 \xF0"), "© 1984 \xEF\xA3\xBF");
    EXPECT_EQ(macRomanToUtf8(std::string_view("a\0b", 3)), "a\xEF\xBF\xBD" "b");
}

} // namespace
} // namespace pq
