#include "mfs_test_writer.h"

#include <algorithm>
#include <stdexcept>

namespace pq::test {

namespace {

constexpr std::size_t kMasterBlockAt = 1024;
constexpr std::size_t kMapAt = kMasterBlockAt + 64;
constexpr std::size_t kDirectoryAt = 4 * 512;
constexpr std::size_t kDirectoryBlocks = 12;
constexpr std::uint16_t kBlockCount = 391;
constexpr std::size_t kImageSize = 800 * 512;

std::size_t blocksFor(std::size_t bytes) { return (bytes + kMfsTestBlockSize - 1) / kMfsTestBlockSize; }

// The blocks of every fork (data and resource of each file in turn).
std::vector<std::vector<std::uint16_t>> allocate(const std::vector<const std::vector<std::uint8_t>*>& forks, bool interleave)
{
    std::vector<std::vector<std::uint16_t>> blocks(forks.size());
    std::uint16_t next = 2;
    for (bool more = true; more;) {
        more = false;
        for (std::size_t i = 0; i < forks.size(); ++i) {
            while (blocks[i].size() < blocksFor(forks[i]->size())) {
                blocks[i].push_back(next++);
                if (interleave) {
                    more = true;
                    break;
                }
            }
        }
    }
    if (next - 2 > kBlockCount)
        throw std::length_error("the files do not fit on a 400K volume");
    return blocks;
}

} // namespace

void setMfsMapEntry(std::vector<std::uint8_t>& image, std::uint16_t block, std::uint16_t next)
{
    const std::size_t index = block - 2u;
    std::uint8_t* p = image.data() + kMapAt + index / 2 * 3;
    if (index % 2 == 0) {
        p[0] = std::uint8_t(next >> 4);
        p[1] = std::uint8_t((p[1] & 0x0F) | (next & 0x0F) << 4);
    } else {
        p[1] = std::uint8_t((p[1] & 0xF0) | (next >> 8 & 0x0F));
        p[2] = std::uint8_t(next);
    }
}

std::vector<std::uint8_t> makeMfsImage(const std::string& volumeName, const std::vector<MfsTestFile>& files, bool interleave)
{
    std::vector<std::uint8_t> image(kImageSize, 0);
    std::vector<const std::vector<std::uint8_t>*> forks;
    for (const MfsTestFile& file : files)
        forks.insert(forks.end(), {&file.file.data, &file.file.resource});
    const auto blocks = allocate(forks, interleave);
    std::size_t used = 0;
    for (std::size_t i = 0; i < forks.size(); ++i) {
        for (std::size_t k = 0; k < blocks[i].size(); ++k) {
            setMfsMapEntry(image, blocks[i][k], k + 1 < blocks[i].size() ? blocks[i][k + 1] : 1);
            const auto from = forks[i]->begin() + std::ptrdiff_t(k * kMfsTestBlockSize);
            const auto count = std::min<std::ptrdiff_t>(kMfsTestBlockSize, forks[i]->end() - from);
            std::copy_n(from, count, image.begin() + kMfsTestFirstBlockAt + (blocks[i][k] - 2) * kMfsTestBlockSize);
        }
        used += blocks[i].size();
    }

    // The master directory block.
    constexpr std::size_t m = kMasterBlockAt;
    putAll(image, {{m, 0xD2D7, 2}, {m + 12, files.size(), 2}, {m + 14, kDirectoryAt / 512, 2}, {m + 16, kDirectoryBlocks, 2},
                   {m + 18, kBlockCount, 2}, {m + 20, kMfsTestBlockSize, 4}, {m + 24, 8 * kMfsTestBlockSize, 4},
                   {m + 28, kMfsTestFirstBlockAt / 512, 2}, {m + 30, kMfsTestFirstFileNumber + files.size(), 4},
                   {m + 34, kBlockCount - used, 2}});
    image[kMasterBlockAt + 36] = std::uint8_t(volumeName.size());
    std::ranges::copy(volumeName, image.begin() + kMasterBlockAt + 37);

    // The file directory: entries at even offsets, none crossing a block's end.
    std::size_t at = kDirectoryAt;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const MfsTestFile& file = files[i];
        const std::size_t length = 51 + file.name.size();
        if ((at % 512) + length > 512)
            at += 512 - at % 512;
        if (at + length > kDirectoryAt + kDirectoryBlocks * 512)
            throw std::length_error("the directory is full");
        image[at] = 0x80;
        std::ranges::copy(file.file.type + file.file.creator, image.begin() + std::ptrdiff_t(at + 2));
        put(image, at + 10, file.file.finderFlags, 2);
        put(image, at + 18, kMfsTestFirstFileNumber + i, 4);
        for (std::size_t f = 0; f < 2; ++f) {
            const auto& forkBlocks = blocks[2 * i + f];
            put(image, at + 22 + 10 * f, forkBlocks.empty() ? 0 : forkBlocks[0], 2);
            put(image, at + 24 + 10 * f, forks[2 * i + f]->size(), 4);
            put(image, at + 28 + 10 * f, forkBlocks.size() * kMfsTestBlockSize, 4);
        }
        image[at + 50] = std::uint8_t(file.name.size());
        std::ranges::copy(file.name, image.begin() + std::ptrdiff_t(at + 51));
        at += (length + 1) & ~std::size_t{1};
    }
    return image;
}

} // namespace pq::test
