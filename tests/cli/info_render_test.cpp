#include "decoding/chunker.h"
#include "document/sha256_hex.h"
#include "sample_image.h"

#include "test_support.h"

#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace pq {
namespace {

using pq::test::runCli;

// The browser's tile counts at shift 0: a tile for every row r with r x row length + chunk
// length < 5,000; none for a file the browser cannot show.
TEST(CliInfo, ReportsSizeDigestAndTheBrowsersTileCounts)
{
    const auto bytes = pq::test::randomBytes(5000, 5);
    const std::string path = pq::test::writeTempFile(bytes);
    auto result = runCli({"info", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["path"], path);
    EXPECT_EQ(json["size"], 5000);
    EXPECT_EQ(json["sha256"], sha256Hex(bytes));
    const nlohmann::json counts = {{"1x32", 1218}, {"4x32", 281}, {"8x32", 125},
                                   {"1x16", 2484}, {"4x16", 609}, {"8x16", 297}};
    EXPECT_EQ(json["tileCount"], counts);

    result = runCli({"info", pq::test::writeTempFile({})});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["sha256"], "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(json["tileCount"]["1x16"], 0);
}

TEST(CliRender, EveryPlantedSampleIconIsPixelExact)
{
    const auto sample = pq::sample::makeSampleDiskImage();
    const std::string image = PQ_SAMPLE_IMAGE;
    const QString dir = pq::test::makeTempDir();
    for (const auto& icon : sample.icons) {
        for (int zoom : {1, 3}) {
            const QString out = dir + QStringLiteral("/%1-%2.png").arg(icon.offset).arg(zoom);
            std::vector<std::string> args{"render", image, "--offset", "0x" + QString::number(icon.offset, 16).toStdString(),
                                          "--depth", std::to_string(icon.bitDepth), "--size", std::to_string(icon.side),
                                          "--zoom", std::to_string(zoom), "--out", out.toStdString()};
            if (icon.hasMask)
                args.push_back("--mask");
            const auto result = runCli(args);
            ASSERT_EQ(result.exitCode, 0) << result.err;
            QImageReader reader(out);
            const QImage read = reader.read().convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(read.size(), QSize(icon.side * zoom, icon.side * zoom)) << icon.name;

            // Independent expectation: the drawn canvas and the palette.
            const auto canvas = pq::sample::drawIcon(icon.name, icon.side, icon.bitDepth);
            const auto palette = builtInPalette(icon.bitDepth);
            for (int y = 0; y < read.height(); ++y)
                for (int x = 0; x < read.width(); ++x) {
                    const int cx = x / zoom, cy = y / zoom;
                    QRgb want;
                    if (icon.hasMask && !canvas.opaque(cx, cy)) {
                        want = 0;
                    } else if (icon.bitDepth == 1) {
                        want = canvas.index(cx, cy) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
                    } else {
                        const auto& e = palette->ctTable.at(std::size_t(canvas.index(cx, cy)));
                        want = qRgb(int(e.red >> 8), int(e.green >> 8), int(e.blue >> 8));
                    }
                    const QRgb got = read.pixel(x, y);
                    ASSERT_EQ(qAlpha(got) == 0 ? 0u : got, want) << icon.name << " at " << x << "," << y;
                }
        }
    }
}

TEST(CliRender, RulerImageSizesAndFormatsFollowTheExtension)
{
    const std::string image = PQ_SAMPLE_IMAGE;
    const QString dir = pq::test::makeTempDir();
    struct Case {
        const char* file;
        const char* size;
        int zoom;
        int edge;
        QByteArray format;
    };
    for (const Case& c : {Case{"a.png", "32", 8, 264, "png"}, Case{"b.bmp", "16", 5, 85, "bmp"},
                          Case{"c.tiff", "16", 1, 17, "tiff"}}) {
        const QString out = dir + QLatin1Char('/') + QLatin1String(c.file);
        const auto result = runCli({"render", image, "--offset", "10007", "--depth", "1", "--size", c.size, "--ruler",
                                    "--zoom", std::to_string(c.zoom), "--out", out.toStdString()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        QImageReader reader(out);
        EXPECT_EQ(reader.format(), c.format) << c.file;
        EXPECT_EQ(reader.size(), QSize(c.edge, c.edge)) << c.file;
    }
}

TEST(CliRender, FailuresWriteNothingAndNameTheCause)
{
    const std::string image = PQ_SAMPLE_IMAGE;
    const std::string shortFile = pq::test::writeTempFile(std::vector<std::uint8_t>(4127));
    const QString dir = pq::test::makeTempDir();
    const std::string out = (dir + QStringLiteral("/out.png")).toStdString();
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"render", image, "--offset", "1474560", "--depth", "1", "--size", "32", "--out", out}, 1, "outside the file"},
        {{"render", image, "--offset", std::to_string(1474560 - 128), "--depth", "1", "--size", "32", "--out", out}, 1, "outside the file"},
        {{"render", image, "--offset", std::to_string(1474560 - 200), "--depth", "1", "--size", "32", "--mask", "--out", out}, 1, "with its mask"},
        {{"render", shortFile, "--offset", "0", "--depth", "1", "--size", "32", "--out", out}, 1, "too short"},
        {{"render", image + ".missing", "--offset", "0", "--depth", "1", "--size", "32", "--out", out}, 1, "does not exist"},
        {{"render", image, "--offset", "0", "--depth", "1", "--size", "32", "--out", out + ".gif"}, 1, ".png, .bmp or .tiff"},
        {{"render", image, "--offset", "-5", "--depth", "1", "--size", "32", "--out", out}, 2, "offset"},
        {{"render", image, "--offset", "0x", "--depth", "1", "--size", "32", "--out", out}, 2, "offset"},
        {{"render", image, "--offset", "0", "--depth", "2", "--size", "32", "--out", out}, 2, "depth"},
        {{"render", image, "--offset", "0", "--depth", "1", "--size", "24", "--out", out}, 2, "size"},
        {{"render", image, "--offset", "0", "--depth", "1", "--size", "32", "--zoom", "0", "--out", out}, 2, "zoom"},
        {{"render", image, "--depth", "1", "--size", "32", "--out", out}, 2, "offset"},
    };
    for (const Case& c : cases) {
        const auto result = runCli(c.args);
        EXPECT_EQ(result.exitCode, c.status) << c.says << ": " << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(out))) << c.says;
    }
}

} // namespace
} // namespace pq
