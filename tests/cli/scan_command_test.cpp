#include "sample_image.h"

#include "cli_test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <regex>
#include <set>

namespace pq {
namespace {

using pq::test::lines;
using pq::test::runCli;

TEST(CliScan, JsonLinesListStoredIconsThenTheSampleIconsWithMasks)
{
    const auto sample = pq::sample::makeSampleDiskImage();
    auto stored = sample.resources;
    std::stable_sort(stored.begin(), stored.end(), [](const auto& a, const auto& b) { return a.sourceOffset < b.sourceOffset; });
    std::set<std::pair<std::int64_t, int>> planted;
    for (const auto& icon : sample.icons)
        if (icon.bitDepth == 1 && icon.hasMask)
            planted.insert({icon.offset, icon.side});

    const auto result = runCli({"scan", PQ_SAMPLE_IMAGE, "--json", "--min-score", "0"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto found = lines(result.out);
    ASSERT_GT(found.size(), stored.size() + planted.size());
    // First every icon of the resource forks and the container, exactly.
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const auto json = nlohmann::json::parse(found[i]);
        SCOPED_TRACE(found[i]);
        EXPECT_EQ(json["source"], stored[i].inContainer ? "container" : "resource");
        EXPECT_EQ(json["type"], stored[i].type);
        EXPECT_EQ(json["offset"], stored[i].icon.offset);
        EXPECT_EQ(json["depth"], stored[i].icon.bitDepth);
        EXPECT_EQ(json["size"], stored[i].icon.side);
        EXPECT_EQ(json["mask"], stored[i].icon.hasMask);
        EXPECT_EQ(json["id"], stored[i].id ? nlohmann::json(*stored[i].id) : nlohmann::json(nullptr));
        EXPECT_EQ(json["name"], stored[i].name ? nlohmann::json(*stored[i].name) : nlohmann::json(nullptr));
    }
    // Then the scanner's candidates, best first, the planted icons on top.
    std::set<std::pair<std::int64_t, int>> top;
    double previous = 1.0;
    for (std::size_t i = stored.size(); i < found.size(); ++i) {
        const auto json = nlohmann::json::parse(found[i]);
        ASSERT_EQ(json.size(), 5u) << found[i];
        EXPECT_EQ(json["depth"], 1);
        EXPECT_EQ(json["mask"], true);
        const double score = json["score"];
        EXPECT_LE(score, previous) << "best first";
        EXPECT_GE(score, 0.0);
        previous = score;
        if (i < stored.size() + planted.size())
            top.insert({json["offset"].get<std::int64_t>(), json["size"].get<int>()});
    }
    EXPECT_EQ(top, planted);
}

TEST(CliScan, TextLinesNameOffsetFormatAndSourceOrScore)
{
    const auto result = runCli({"scan", PQ_SAMPLE_IMAGE, "--limit", "12"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto found = lines(result.out);
    ASSERT_EQ(found.size(), 12u);
    const std::regex stored(
        R"(offset (\d+) \(0x([0-9a-f]+)\)  [148]-bit (16x16|32x32)( with mask)?  (resource|container) at \d+: \S{4}( ID -?\d+)?( ".+")?)");
    const std::regex scanned(R"(offset (\d+) \(0x([0-9a-f]+)\)  1-bit (16x16|32x32) with mask  score (1\.000|0\.\d{3}))");
    for (std::size_t i = 0; i < found.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(found[i], match, i < 10 ? stored : scanned)) << found[i];
        EXPECT_EQ(std::stoll(match[1]), std::stoll(match[2], nullptr, 16));
    }
    EXPECT_NE(found[0].find("resource at 768000: ICN# ID 128 \"Disk\""), std::string::npos) << found[0];
}

TEST(CliScan, MinScoreAndLimitNarrowTheList)
{
    const auto all = lines(runCli({"scan", PQ_SAMPLE_IMAGE, "--json", "--min-score", "0"}).out);
    const auto good = lines(runCli({"scan", PQ_SAMPLE_IMAGE, "--json", "--min-score", "0.9"}).out);
    const auto byDefault = lines(runCli({"scan", PQ_SAMPLE_IMAGE, "--json"}).out);
    // The ten stored icons, then the eight planted icons with masks; the filler scores far lower.
    ASSERT_EQ(good.size(), 18u);
    EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + 18), good);
    EXPECT_EQ(byDefault, good); // the default 0.5 leaves the filler out as well
    EXPECT_EQ(lines(runCli({"scan", PQ_SAMPLE_IMAGE, "--json", "--limit", "2", "--min-score", "0"}).out),
              std::vector<std::string>(all.begin(), all.begin() + 2));
    EXPECT_EQ(lines(runCli({"scan", PQ_SAMPLE_IMAGE, "--json", "--limit", "4611686018427387904"}).out), good);
}

TEST(CliScan, FilesWithoutIconsListNothing)
{
    for (const auto& bytes : {std::vector<std::uint8_t>{}, pq::test::randomBytes(100000, 3)}) {
        const auto result = runCli({"scan", pq::test::writeTempFile(bytes), "--min-score", "0"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST(CliScan, FailuresAndUsageErrors)
{
    const auto missing = runCli({"scan", "/nonexistent/disk.img"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(lines(missing.err).size(), 1u) << missing.err;
    EXPECT_EQ(missing.out, "");
    // Usage errors: one line naming the option, before any work.
    const std::pair<const char*, const char*> bad[] = {
        {"--min-score", "1.5"}, {"--min-score", "-0.1"}, {"--min-score", "nan"}, {"--min-score", "inf"},
        {"--limit", "0"},       {"--limit", "-1"},       {"--limit", "1.5"},     {"--limit", "0x10"},
        {"--limit", "9223372036854775808"},              {"--limit", "99999999999999999999"}};
    for (const auto& [option, value] : bad) {
        const auto result = runCli({"scan", PQ_SAMPLE_IMAGE, option, value});
        EXPECT_EQ(result.exitCode, 2) << option << " " << value;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(std::string(option) + ": not a"), std::string::npos) << result.err;
    }
    EXPECT_EQ(runCli({"scan"}).exitCode, 2);
}

} // namespace
} // namespace pq
