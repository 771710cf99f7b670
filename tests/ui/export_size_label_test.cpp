#include "ui/export_size_label.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace pq {
namespace {

// The labels' usual text is checked on the export panel; here the edges it cannot reach.
TEST(SizeLabelText, NoWidthsAndOverflowingSizes)
{
    EXPECT_EQ(sizeLabelText(SizeLabel::SVG, {}, 7), "Resulting size: ");
    EXPECT_EQ(sizeLabelText(SizeLabel::Image, std::vector<std::int64_t>{16, 32}, std::numeric_limits<std::int64_t>::max() / 10),
              "Resulting image size: too large, too large");
}

TEST(IntegerValueOfText, LeadingIntegerLikeAZoomField)
{
    const std::pair<const char*, std::int64_t> cases[] = {
        {"12", 12}, {"  7x", 7}, {"abc", 0}, {"", 0}, {"-3", -3}, {"+4", 4}, {"1 2", 1},
        {"99999999999999999999", std::numeric_limits<std::int64_t>::max()},
        {"-99999999999999999999", std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(integerValueOfText(QString::fromLatin1(text)), value) << text;
}

} // namespace
} // namespace pq
