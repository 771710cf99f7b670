#pragma once

#include "decoding/classifier_request.h"
#include "decoding/chunk.h"
#include "decoding/icon_format.h"
#include "decoding/icon_mask.h"
#include "sources/byte_source.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>

namespace pq {

// Raw codes are stable: they appear in messages and logs.
enum class ChunkerError : std::int64_t {
    InvalidElementWidthInBits = 0,
    NotOnByteBoundary = 1,
    OutOfBounds = 2,
    dataTooShort = 3,
    NewChunkInvalidSize = 4, // never raised
    NoImageCreated = 5,      // never raised
    ReadFailed = 6,          // the bytes could not be read (the file changed on disk, or the system refused)
};

const char* chunkerErrorName(ChunkerError error);

// Cuts icon candidates out of a byte source at any offset and decodes them, reading only the
// bytes of the chunk asked for. A plain value: copies are independent but share the source
// (and its cache), which is never modified; copies may decode on several threads at once.
class Chunker {
public:
    // Construction checks, in order: bitDepth <= 0, then bitDepth >= 8 and not a multiple of
    // 8 (InvalidElementWidthInBits); bitDepth * widthInBits not a multiple of 8
    // (NotOnByteBoundary); size / 32 - chunk length <= 0 (dataTooShort).
    static std::expected<Chunker, ChunkerError> create(std::shared_ptr<const ByteSource> source, std::int64_t bitDepth,
                                                       std::int64_t widthInBits);
    // The chunk at `offset` of `source` in `format`, as a decoder set to that format gives it:
    // for decoding a stored bookmark in its own format, whatever format the document is shown
    // in. There are no construction checks (formats come from bookmarks files); chunkAt's
    // refusals apply, a refused read with its cause in `readError` when given.
    static std::expected<Chunk, ChunkerError> decode(std::shared_ptr<const ByteSource> source, IconFormat format,
                                                     std::int64_t offset, IconMask mask,
                                                     ReadError* readError = nullptr);

    const std::shared_ptr<const ByteSource>& source() const { return m_source; }
    std::int64_t bitDepth() const { return m_format.bitDepth; }
    std::int64_t widthInBits() const { return m_format.widthInBits; }
    const IconFormat& format() const { return m_format; }
    const std::optional<ClassifierRequest>& coreMLRequest() const { return m_coreMLRequest; }

    // Assignments skip the construction checks (formats come from bookmarks files too);
    // chunkAt and tileCount refuse any format they cannot decode safely. Each assignment
    // rebuilds the classifier request for the current bit depth.
    void setBitDepth(std::int64_t bitDepth);
    void setWidthInBits(std::int64_t widthInBits);
    void setFormat(IconFormat format);

    // The chunk whose pixel plane starts at `offset`. The pixel plane must end before the
    // last byte of the data (a chunk ending exactly on the last byte is refused), and a mask
    // plane, when asked for, must lie within the data; otherwise, and for negative offsets,
    // OutOfBounds. An undecodable format gives InvalidElementWidthInBits (bit depth not 1, 4
    // or 8, row width out of range) or NotOnByteBoundary (rows not whole bytes or pixels).
    // A read the source refuses gives ReadFailed, with the cause in `readError` when given.
    // A mask at an offset of its own (IconMask::OneBitAt) must lie wholly within the data.
    std::expected<Chunk, ChunkerError> chunkAt(std::int64_t offset, IconMask mask, ReadError* readError = nullptr) const;
    std::expected<Chunk, ChunkerError> chunkAt(std::int64_t offset, bool withMask, ReadError* readError = nullptr) const
    {
        return chunkAt(offset, IconMask::following(withMask), readError);
    }

    // Tiles the browser shows at byte shift `shift`: tile r shows the chunk at
    // r x bytes per row + shift, so this is the number of rows r >= 0 whose chunk ends before
    // the last byte (r x bytes per row + shift + chunk length < size). Every offset whose
    // chunk fits is shown by tile offset / bytes per row at shift offset % bytes per row.
    // 0 for an undecodable format, a negative shift or data too short for one chunk.
    std::int64_t tileCount(std::int64_t shift = 0) const;

    // The tile showing `offset` at shift offset % bytes per row, or nothing when no tile
    // does (the chunk would not end before the last byte, or the offset is negative).
    std::optional<std::int64_t> tileShowing(std::int64_t offset) const;

    // The smallest data size construction accepts for `format`: 32 x (chunk length + 1),
    // saturated at the 64-bit limit.
    static std::int64_t minimumDataSize(const IconFormat& format);

private:
    Chunker(std::shared_ptr<const ByteSource> source, IconFormat format);
    std::optional<ChunkerError> formatError() const;

    std::shared_ptr<const ByteSource> m_source;
    IconFormat m_format;
    std::optional<ClassifierRequest> m_coreMLRequest;
};

// Decodes a pixel plane (and optional mask plane) of a decodable format: as many whole rows
// of `columns` pixels as the plane holds. The mask plane has the pixel plane's layout, or is
// a 1-bit plane of `columns` pixels a row when `oneBitMask`; a pixel is clear where its mask
// element is not 1. Bit depths other than 1, 4 and 8 and rows that are not whole bytes give
// an empty array; a mask with fewer rows than the plane is ignored. Exposed for the decoder's
// tests and for scanners that decode candidates themselves.
PixelArray decodePixelArray(std::span<const std::uint8_t> plane, std::int64_t bitDepth, std::int64_t columns,
                            std::span<const std::uint8_t> maskPlane, const ColorTable* palette,
                            bool oneBitMask = false);

// The parsed built-in palette for a bit depth (4 or 8), parsed once; empty for other depths.
std::shared_ptr<const ColorTable> builtInPalette(std::int64_t bitDepth);

} // namespace pq
