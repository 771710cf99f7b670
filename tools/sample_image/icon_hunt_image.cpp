#include "icon_hunt_image.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

namespace pq::sample {
namespace {

const char* const kOneBitDesigns[] = {"floppy", "smiley", "folder", "document", "trash", "bell"};

// splitmix64: fast, good enough for filler.
struct FastRandom {
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

std::vector<std::uint8_t> makeText(std::size_t size, FastRandom& rng)
{
    static const char* words[] = {"the ", "disk ", "icon ", "system ", "folder ", "file ", "desktop ", "font ",
                                  "window ", "Finder ", "resource ", "copy ", "version ", "Read Me ", "\r",
                                  "Copyright 1991 ", "Apple ", "printer ", "memory ", "chooser "};
    std::vector<std::uint8_t> out;
    out.reserve(size + 32);
    while (out.size() < size) {
        const char* w = words[rng.next() % std::size(words)];
        out.insert(out.end(), w, w + std::strlen(w));
    }
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> makeRecords(std::size_t size, FastRandom& rng)
{
    std::vector<std::uint8_t> out(size);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = rng.next();
        const std::uint8_t record[8] = {0, 0, std::uint8_t(i >> 11), std::uint8_t(i >> 3), 0x4E, 0x75,
                                        std::uint8_t(v & 0x0F), std::uint8_t(v >> 8)};
        std::memcpy(out.data() + i, record, 8);
    }
    return out;
}

// Deflate output of text and records: a pool that pieces are cut from.
std::vector<std::uint8_t> makeCompressedPool(FastRandom& rng)
{
    std::vector<std::uint8_t> pool;
    for (int k = 0; k < 16; ++k) {
        const auto plain = k % 2 ? makeText(96 * 1024, rng) : makeRecords(96 * 1024, rng);
        const QByteArray packed = qCompress(plain.data(), int(plain.size()), 9);
        pool.insert(pool.end(), packed.begin(), packed.end());
    }
    return pool;
}

void fillPiece(std::uint8_t* out, std::size_t length, int kind, FastRandom& rng, const std::vector<std::uint8_t>& text,
               const std::vector<std::uint8_t>& compressed)
{
    switch (kind) {
    case 0: // random bytes
        for (std::size_t i = 0; i < length; i += 8) {
            const std::uint64_t v = rng.next();
            std::memcpy(out + i, &v, std::min<std::size_t>(8, length - i));
        }
        break;
    case 1: std::memset(out, 0, length); break;
    case 2: std::memset(out, 0xFF, length); break;
    case 3: std::memcpy(out, text.data() + rng.next() % (text.size() - length), length); break;
    case 4: { // repeated records of 4 to 24 bytes
        std::uint8_t record[24];
        const std::size_t period = 4 + rng.next() % 21;
        for (std::size_t i = 0; i < period; ++i)
            record[i] = std::uint8_t(rng.next());
        for (std::size_t i = 0; i < length; ++i)
            out[i] = record[i % period];
        break;
    }
    case 5: std::memcpy(out, compressed.data() + rng.next() % (compressed.size() - length), length); break;
    default: // a sparse table of small numbers
        std::memset(out, 0, length);
        for (std::size_t i = 0; i < length; i += 2 + rng.next() % 14)
            out[i] = std::uint8_t(rng.next() % 8);
        break;
    }
}

} // namespace

std::vector<std::uint8_t> makeMixedFiller(std::size_t size, std::uint32_t seed)
{
    FastRandom rng{seed};
    constexpr std::size_t kMaxPiece = 32 * 1024;
    const auto text = makeText(4 * kMaxPiece, rng);
    const auto compressed = makeCompressedPool(rng);
    std::vector<std::uint8_t> out(size);
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = std::min(size - at, 2048 + rng.next() % (kMaxPiece - 2048));
        fillPiece(out.data() + at, length, int(rng.next() % 7), rng, text, compressed);
        at += length;
    }
    return out;
}

SampleImage makeIconHuntImage(std::size_t size, int count, std::uint32_t seed)
{
    SampleImage image;
    image.bytes = makeMixedFiller(size, seed);
    std::mt19937_64 rng(seed);
    constexpr std::int64_t kGap = 64;
    const std::int64_t slot = std::int64_t(size) / std::max(count, 1);
    if (slot < 256 + 4 + 2 * kGap)
        throw std::invalid_argument("too many icons for the image");
    for (int i = 0; i < count; ++i) {
        // One icon per slot, at a random place inside it, clear of the slot's edges.
        const std::string name = kOneBitDesigns[rng() % std::size(kOneBitDesigns)];
        const int side = rng() % 2 ? 32 : 16;
        const std::int64_t pair = std::int64_t(side) * side / 4;
        const std::int64_t offset = i * slot + kGap + 4 + std::int64_t(rng() % std::uint64_t(slot - pair - 2 * kGap - 4));
        PlantedIcon planted = plantIcon(image.bytes, offset, name, side, 1, true);
        if (rng() % 2) { // mirror left to right
            const int rowBytes = side / 8;
            for (std::int64_t row = offset; row < offset + pair; row += rowBytes) {
                std::reverse(image.bytes.begin() + row, image.bytes.begin() + row + rowBytes);
                for (int b = 0; b < rowBytes; ++b) {
                    std::uint8_t& v = image.bytes[std::size_t(row + b)];
                    v = std::uint8_t((v * 0x0202020202ull & 0x010884422010ull) % 1023); // reverse the bits
                }
            }
            planted.name += " (mirrored)";
        }
        if (rng() % 3 == 0) { // a resource's length field
            const std::uint8_t field[4] = {0, 0, std::uint8_t(pair >> 8), std::uint8_t(pair)};
            std::copy(field, field + 4, image.bytes.begin() + offset - 4);
        }
        image.icons.push_back(planted);
    }
    return image;
}

} // namespace pq::sample
