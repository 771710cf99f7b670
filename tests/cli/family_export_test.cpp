// pixelquarry-cli export --family: a resource fork's icon family written as PNG images, a
// Windows .ico and a macOS .icns, each read back by a program other than ours.
#include "resource_fork_writer.h"

#include "cli_test_support.h"

#include <QImageReader>

#include <gtest/gtest.h>

namespace pq {
namespace {

TEST(CliFamilyExport, WritesEveryMemberThroughItsFamilyMaskAndDesktopIconFiles)
{
    const auto icn = test::randomBytes(256, 1), ics = test::randomBytes(64, 2);
    auto bytes = test::randomBytes(3001, 9);
    const auto fork = sample::writeResourceFork({{"ICN#", 128, "Disk", icn}, {"icl8", 128, "", test::randomBytes(1024, 3)},
                                                 {"icl4", 128, "", test::randomBytes(512, 4)}, {"ics#", 128, "", ics},
                                                 {"ics8", 128, "", test::randomBytes(256, 5)}, {"ICN#", 129, "", icn}});
    bytes.insert(bytes.end(), fork.bytes.begin(), fork.bytes.end());
    const std::string data = test::writeTempFile(bytes), out = test::makeTempDir().toStdString();
    const auto result = test::runCli({"export", data, "--family", "128", "--out", out});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::lines(result.out).size(), 12u);

    for (const auto& [type, side] : {std::pair{"ICN#", 32}, {"icl8", 32}, {"icl4", 32}, {"ics#", 16}, {"ics8", 16}})
        for (const int zoom : {1, 8}) {
            const std::string suffix = zoom == 1 ? "" : "@8x";
            const QImage image = QImageReader(QString::fromStdString(out + "/Disk-" + type + "-" + std::to_string(side) +
                                                                     suffix + ".png")).read();
            ASSERT_EQ(image.width(), side * zoom) << type << suffix;
            const auto* mask = (side == 32 ? icn.data() + 128 : ics.data() + 32);
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x)
                    ASSERT_EQ(qAlpha(image.pixel(x * zoom + zoom - 1, y * zoom)), (mask[y * side / 8 + x / 8] >> (7 - x % 8) & 1) * 255)
                        << type << suffix << " at " << x << "," << y;
        }

    const auto icotool = test::runProgram("icotool", {"-l", out + "/Disk.ico"});
    EXPECT_NE(icotool.out.find("--width=16 --height=16"), std::string::npos) << icotool.out << icotool.err;
    EXPECT_NE(icotool.out.find("--width=32 --height=32"), std::string::npos) << icotool.out;
    const auto pillow = test::runProgram("/usr/bin/python3", {"-c", R"(import sys; from PIL import Image
ico, icns = Image.open(sys.argv[1]), Image.open(sys.argv[2])
print(sorted(ico.info['sizes']), sorted(icns.info['sizes']), icns.size)
print(icns.convert('RGBA').tobytes().hex()))", out + "/Disk.ico", out + "/Disk.icns"});
    const auto said = test::lines(pillow.out);
    ASSERT_EQ(said.size(), 2u) << pillow.err;
    EXPECT_EQ(said[0], "[(16, 16), (32, 32)] [(16, 16, 1), (32, 32, 1)] (32, 32)");
    const QImage icl8 = QImageReader(QString::fromStdString(out + "/Disk-icl8-32.png")).read().convertToFormat(QImage::Format_RGBA8888);
    EXPECT_EQ(said[1], QByteArray(reinterpret_cast<const char*>(icl8.constBits()), 32 * 32 * 4).toHex().toStdString());

    const auto missing = test::runCli({"export", data, "--family", "7", "--out", out});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("holds no icon family with resource ID 7"), std::string::npos) << missing.err;
}

} // namespace
} // namespace pq
