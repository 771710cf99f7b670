#include "volume_test_support.h"

#include <gtest/gtest.h>

namespace pq::test {

void put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out[at + std::size_t(i)] = std::uint8_t(value >> (8 * (size - 1 - i)));
}

void putAll(std::vector<std::uint8_t>& out, std::initializer_list<Field> fields)
{
    for (const Field& field : fields)
        put(out, field.at, field.value, field.size);
}

void expectFile(const Volume& volume, const VolumeFile& file, const ExpectedFile& expected, bool dataRefused)
{
    SCOPED_TRACE(file.path);
    EXPECT_EQ(std::tie(file.type, file.creator, file.finderFlags),
              std::tie(expected.type, expected.creator, expected.finderFlags));
    for (const auto& [kind, bytes] : {std::pair{ForkKind::Data, &expected.data}, {ForkKind::Resource, &expected.resource}}) {
        EXPECT_EQ(file.fork(kind).logicalSize, std::int64_t(bytes->size()));
        const auto fork = volume.fork(file, kind);
        const bool refused = dataRefused && kind == ForkKind::Data;
        ASSERT_EQ(fork.has_value(), !refused);
        if (refused)
            continue;
        std::vector<std::uint8_t> read(std::size_t((*fork)->size()));
        EXPECT_TRUE((*fork)->read(0, std::as_writable_bytes(std::span(read))));
        EXPECT_EQ(read, *bytes);
    }
}

void expectVolume(const Volume& volume, const CatalogCase& row, const std::map<std::string, ExpectedFile>& files)
{
    ASSERT_EQ(volume.damage().size(), row.kind ? 1u : 0u);
    if (row.kind) {
        EXPECT_EQ(std::tie(volume.damage()[0].kind, volume.damage()[0].place), std::tie(*row.kind, row.place));
    }
    const bool fileDamaged = row.kind && row.place == VolumeDamage::Place::File;
    EXPECT_EQ(volume.files().size() == files.size(), row.allListed);
    EXPECT_FALSE(volume.files().empty());
    for (const VolumeFile& file : volume.files()) {
        ASSERT_TRUE(files.contains(file.path)) << file.path;
        expectFile(volume, file, files.at(file.path), fileDamaged && volume.damage()[0].where == file.id);
    }
}

} // namespace pq::test
