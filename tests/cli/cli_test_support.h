#pragma once

#include "document/bookmark_file_json.h"
#include "test_support.h"

#include <QString>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace pq::test {

using Args = std::vector<std::string>;

// The lines of a program's output, without their line ends.
inline std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// A bookmarks file written by the program's own encoder into a fresh folder.
inline std::string writeBookmarksFile(const BookmarkFile& file, const std::string& name = "bookmarks.json")
{
    const std::string text = encodeBookmarkFile(file).value();
    return writeTempFile(std::vector<std::uint8_t>(text.begin(), text.end()), name);
}

} // namespace pq::test
