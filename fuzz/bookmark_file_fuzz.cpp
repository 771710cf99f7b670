// Reads fuzzed bytes as a bookmarks file. Whatever they hold, reading must not crash, and a
// document that reads must write and read back to the same document.
#include "document/bookmark_file_json.h"

#include <cstdlib>

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
    return 0;
}
