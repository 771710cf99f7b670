#pragma once

// For test programs that link pq_document.
#include "document/bookmark_file_json.h"
#include "test_support.h"

#include <string>

namespace pq::test {

// A bookmarks file written by the program's own encoder into a fresh folder; returns its path.
inline std::string writeBookmarksFile(const BookmarkFile& file, const std::string& name = "bookmarks.json")
{
    const std::string text = encodeBookmarkFile(file).value();
    return writeTempFile(std::vector<std::uint8_t>(text.begin(), text.end()), name);
}

} // namespace pq::test
