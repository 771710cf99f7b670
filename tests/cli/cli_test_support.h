#pragma once

#include "bookmarks_file.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

// The JSON lines pixelquarry-cli prints for `args`, each read by the JSON library; the run
// is expected to succeed.
inline std::vector<nlohmann::json> jsonLines(const Args& args)
{
    const auto result = runCli(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<nlohmann::json> parsed;
    for (const std::string& line : lines(result.out))
        parsed.push_back(nlohmann::json::parse(line));
    return parsed;
}

} // namespace pq::test
