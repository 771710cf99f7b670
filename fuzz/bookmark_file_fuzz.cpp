// Reads fuzzed bytes as a bookmarks file. Whatever they hold, reading must not crash, a
// document that reads must write and read back to the same document, and every text and
// size the program derives from its bookmarks (list rows, titles, command-line messages,
// export limits, the decoded chunk and its pixel scene) must be computable without fault.
#include "sources/memory_byte_source.h"
#include "bookmark_derivations.h"
#include "cli/cli_support.h"
#include "document/bookmark_file_json.h"

#include <cstdlib>

namespace {

// Bytes to decode bookmarks from: large enough for every format's chunk with its mask.
const std::shared_ptr<const pq::ByteSource>& sampleData()
{
    static const auto data = [] {
        std::vector<std::uint8_t> bytes(3 * 65536);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
        return pq::memorySource(std::move(bytes));
    }();
    return data;
}

void deriveEverything(const pq::BookmarkFile& file)
{
    static const pq::Chunker decoder = *pq::Chunker::create(sampleData(), 1, 32);
    std::size_t digest = 0;
    for (const pq::Bookmark& b : file.bookmarks) {
        digest += pq::fuzzing::deriveFromBookmark(b, decoder).digest;
        digest += pq::cli::formatName(b.format()).size();
        for (const auto error : {pq::ChunkerError::InvalidElementWidthInBits, pq::ChunkerError::dataTooShort,
                                 pq::ChunkerError::OutOfBounds})
            digest += pq::cli::describeChunkerError(error, b.format(), b.offset, sampleData()->size(), b.hasMask).size();
    }
    const auto widths = pq::widthsInPixels(file.bookmarks);
    digest += static_cast<std::size_t>(pq::maxImageZoom(widths, false) + pq::maxTextZoom(widths));
    if (digest == 1)
        std::abort(); // never: keeps the work from being optimised away
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto file = pq::decodeBookmarkFile(std::span<const std::uint8_t>(data, size));
    if (!file)
        return 0;
    auto text = pq::encodeBookmarkFile(*file);
    if (!text)
        std::abort(); // everything read is UTF-8, so it can be written
    auto again = pq::decodeBookmarkFile(*text);
    if (!again || again->fullName != file->fullName || again->sha256 != file->sha256 ||
        again->bookmarks.size() != file->bookmarks.size())
        std::abort();
    for (std::size_t i = 0; i < file->bookmarks.size(); ++i) {
        const pq::Bookmark& a = file->bookmarks[i];
        const pq::Bookmark& b = again->bookmarks[i];
        if (!(pq::keyOf(a) == pq::keyOf(b)) || a.nickname != b.nickname || a.hasMask != b.hasMask)
            std::abort();
    }
    deriveEverything(*file);
    return 0;
}
