#include "decoding/chunker.h"

#include <algorithm>
#include <limits>

namespace pq {

const char* chunkerErrorName(ChunkerError error)
{
    switch (error) {
    case ChunkerError::InvalidElementWidthInBits: return "InvalidElementWidthInBits";
    case ChunkerError::NotOnByteBoundary: return "NotOnByteBoundary";
    case ChunkerError::OutOfBounds: return "OutOfBounds";
    case ChunkerError::dataTooShort: return "dataTooShort";
    case ChunkerError::NewChunkInvalidSize: return "NewChunkInvalidSize";
    case ChunkerError::NoImageCreated: return "NoImageCreated";
    case ChunkerError::ReadFailed: return "ReadFailed";
    }
    return "unknown";
}

std::shared_ptr<const ColorTable> builtInPalette(std::int64_t bitDepth)
{
    static const auto palette4 = std::make_shared<const ColorTable>(parseColorTable(colorTable4Bit()));
    static const auto palette8 = std::make_shared<const ColorTable>(parseColorTable(colorTable8Bit()));
    if (bitDepth == 4)
        return palette4;
    if (bitDepth == 8)
        return palette8;
    return nullptr;
}

Chunker::Chunker(std::shared_ptr<const ByteSource> source, IconFormat format)
    : m_source(std::move(source)), m_format(format), m_coreMLRequest(makeCoreMLRequest(format.bitDepth))
{
}

std::expected<Chunker, ChunkerError> Chunker::create(std::shared_ptr<const ByteSource> source, std::int64_t bitDepth,
                                                     std::int64_t widthInBits)
{
    if (bitDepth <= 0)
        return std::unexpected(ChunkerError::InvalidElementWidthInBits);
    if (bitDepth >= 8 && bitDepth % 8 != 0)
        return std::unexpected(ChunkerError::InvalidElementWidthInBits);
    if ((static_cast<__int128>(bitDepth) * widthInBits) % 8 != 0)
        return std::unexpected(ChunkerError::NotOnByteBoundary);
    // A chunk length too large for 64 bits saturates, and is then longer than any data.
    const IconFormat format{bitDepth, widthInBits};
    const std::int64_t size = source ? source->size() : 0;
    if (size / 32 - static_cast<__int128>(format.chunkLength()) <= 0)
        return std::unexpected(ChunkerError::dataTooShort);
    return Chunker(std::move(source), format);
}

std::expected<Chunk, ChunkerError> Chunker::decode(std::shared_ptr<const ByteSource> source, IconFormat format,
                                                   std::int64_t offset, IconMask mask, ReadError* readError)
{
    return Chunker(std::move(source), format).chunkAt(offset, mask, readError);
}

void Chunker::setBitDepth(std::int64_t bitDepth)
{
    m_format.bitDepth = bitDepth;
    m_coreMLRequest = makeCoreMLRequest(bitDepth);
}

void Chunker::setWidthInBits(std::int64_t widthInBits)
{
    m_format.widthInBits = widthInBits;
    m_coreMLRequest = makeCoreMLRequest(m_format.bitDepth);
}

void Chunker::setFormat(IconFormat format)
{
    setBitDepth(format.bitDepth);
    setWidthInBits(format.widthInBits);
}

std::optional<ChunkerError> Chunker::formatError() const
{
    const auto& f = m_format;
    if (f.bitDepth != 1 && f.bitDepth != 4 && f.bitDepth != 8)
        return ChunkerError::InvalidElementWidthInBits;
    if (f.widthInBits <= 0 || f.widthInBits / f.bitDepth > IconFormat::maxPixelsPerSide)
        return ChunkerError::InvalidElementWidthInBits;
    if (!f.isDecodable())
        return ChunkerError::NotOnByteBoundary;
    return std::nullopt;
}

std::int64_t Chunker::minimumDataSize(const IconFormat& format)
{
    const std::int64_t length = format.chunkLength();
    if (length == std::numeric_limits<std::int64_t>::max())
        return length;
    return IconFormat::saturatedProduct(32, length + 1);
}

std::int64_t Chunker::tileCount(std::int64_t shift) const
{
    if (formatError() || !m_source || shift < 0 || shift >= m_source->size())
        return 0;
    // A decodable format has 1 to 256 bytes per row and at most 65,536 bytes per chunk.
    const std::int64_t room = m_source->size() - shift - m_format.chunkLength(); // row starts r x B < room
    if (room <= 0)
        return 0;
    const std::int64_t rowBytes = m_format.bytesPerRow();
    return room / rowBytes + (room % rowBytes != 0 ? 1 : 0);
}

std::optional<std::int64_t> Chunker::tileShowing(std::int64_t offset) const
{
    if (formatError() || offset < 0)
        return std::nullopt;
    const std::int64_t rowBytes = m_format.bytesPerRow();
    const std::int64_t tile = offset / rowBytes;
    if (tile >= tileCount(offset % rowBytes))
        return std::nullopt;
    return tile;
}

std::expected<Chunk, ChunkerError> Chunker::chunkAt(std::int64_t offset, IconMask mask, ReadError* readError) const
{
    if (auto error = formatError())
        return std::unexpected(*error);
    const std::int64_t length = m_format.chunkLength(); // at most 256 * 256 bytes
    const std::int64_t size = m_source ? m_source->size() : 0;
    if (offset < 0 || offset > std::numeric_limits<std::int64_t>::max() - 2 * length)
        return std::unexpected(ChunkerError::OutOfBounds);
    const std::int64_t end = offset + length;
    if (end >= size)
        return std::unexpected(ChunkerError::OutOfBounds);
    const bool follows = mask.kind == IconMask::Kind::FollowsPlane;
    if (follows && end + length > size)
        return std::unexpected(ChunkerError::OutOfBounds);
    const std::int64_t maskLength = IconMask::oneBitPlaneLength(m_format); // at most 256 * 32 bytes
    const bool apart = mask.kind == IconMask::Kind::OneBitAt;
    if (apart && (mask.offset < 0 || mask.offset > size - maskLength))
        return std::unexpected(ChunkerError::OutOfBounds);

    auto read = [&](std::int64_t at, std::vector<std::uint8_t>& bytes) {
        auto done = m_source->read(at, std::as_writable_bytes(std::span(bytes)));
        if (!done && readError)
            *readError = done.error();
        return done.has_value();
    };
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(follows ? 2 * length : length));
    std::vector<std::uint8_t> maskBytes(static_cast<std::size_t>(apart ? maskLength : 0));
    if (!read(offset, bytes) || (apart && !read(mask.offset, maskBytes)))
        return std::unexpected(ChunkerError::ReadFailed);
    std::span<const std::uint8_t> plane(bytes.data(), static_cast<std::size_t>(length));
    std::span<const std::uint8_t> maskPlane = apart ? std::span<const std::uint8_t>(maskBytes) : std::span<const std::uint8_t>();
    if (follows)
        maskPlane = std::span<const std::uint8_t>(bytes.data() + length, static_cast<std::size_t>(length));

    Chunk chunk;
    chunk.offsetInFile = offset;
    chunk.length = length;
    chunk.colorTable = builtInPalette(m_format.bitDepth);
    chunk.isBlank = std::all_of(plane.begin(), plane.end(), [](std::uint8_t b) { return b == 0; });
    chunk.pixelArray = decodePixelArray(plane, m_format.bitDepth, m_format.pixelsPerSide(), maskPlane,
                                        chunk.colorTable.get(), apart);
    return chunk;
}

namespace {

inline unsigned elementAt(const std::uint8_t* row, std::int64_t bitDepth, std::int64_t x)
{
    switch (bitDepth) {
    case 1: return (row[x / 8] >> (7 - (x % 8))) & 1u;
    case 4: return (x % 2 == 0) ? (row[x / 2] >> 4) : (row[x / 2] & 0x0Fu);
    default: return row[x];
    }
}

} // namespace

PixelArray decodePixelArray(std::span<const std::uint8_t> plane, std::int64_t bitDepth, std::int64_t columns,
                            std::span<const std::uint8_t> maskPlane, const ColorTable* palette, bool oneBitMask)
{
    // Only the three depths have a reading below; a row must be whole bytes, and its bit
    // count must fit in 64 bits.
    if ((bitDepth != 1 && bitDepth != 4 && bitDepth != 8) || columns <= 0 ||
        columns > std::numeric_limits<std::int64_t>::max() / 8)
        return {};
    const std::int64_t bytesPerRow = bitDepth * columns / 8;
    if (bytesPerRow <= 0 || bytesPerRow * 8 != bitDepth * columns)
        return {};
    const std::int64_t rows = static_cast<std::int64_t>(plane.size()) / bytesPerRow;
    const std::int64_t maskDepth = oneBitMask ? 1 : bitDepth;
    const std::int64_t maskBytesPerRow = oneBitMask ? (columns + 7) / 8 : bytesPerRow;
    const bool hasMask = !maskPlane.empty() && std::int64_t(maskPlane.size()) / maskBytesPerRow >= rows;

    // Palette colours are made once per entry, not once per pixel.
    std::vector<Color> colours;
    if (palette) {
        colours.reserve(palette->ctTable.size());
        for (const ColorSpec& entry : palette->ctTable)
            colours.push_back(Color::fromRgb16(static_cast<std::uint16_t>(entry.red), static_cast<std::uint16_t>(entry.green),
                                               static_cast<std::uint16_t>(entry.blue)));
    }

    PixelArray result(rows, columns);
    for (std::int64_t r = 0; r < rows; ++r) {
        const std::uint8_t* row = plane.data() + r * bytesPerRow;
        const std::uint8_t* maskRow = hasMask ? maskPlane.data() + r * maskBytesPerRow : nullptr;
        for (std::int64_t x = 0; x < columns; ++x) {
            const unsigned v = elementAt(row, bitDepth, x);
            Color c;
            if (palette)
                c = v < colours.size() ? colours[v] : Color::clear();
            else
                c = v != 0 ? Color::black() : Color::white();
            if (maskRow && elementAt(maskRow, maskDepth, x) != 1)
                c = Color::clear();
            result.at(r, x) = c;
        }
    }
    return result;
}

} // namespace pq
