#pragma once

#include "bookmarks_file.h"

#include <sstream>
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

} // namespace pq::test
