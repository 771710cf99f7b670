#include "export/export_runner.h"

#include "export_test_support.h"
#include "test_support.h"

#include "export/svg_file_writer.h"
#include "export/text_file_writer.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImageReader>
#include <QSvgRenderer>

#include <gtest/gtest.h>

namespace pq {
namespace {

Chunker makeChunker(std::size_t size = 8192)
{
    auto chunker = Chunker::create(FileData::fromBytes(test::randomBytes(size, 11)), 1, 32);
    if (!chunker)
        throw std::runtime_error("no chunker");
    return *chunker;
}

QStringList names(const std::vector<QString>& paths)
{
    QStringList list;
    for (const QString& path : paths)
        list << path.section(u'/', -1);
    return list;
}

TEST(RunExport, EveryKindPerBookmarkInOrder)
{
    const QString folder = test::makeTempDir();
    ExportRequest request{makeChunker(), {{100, "mono", 1, 32, true}, {7, "colour", 8, 128, false}}, {}, folder};
    request.options.sceneIsCollada = false;
    request.options.imageFormat = "TIFF";
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    std::vector<QString> announced;
    ExportCallbacks callbacks;
    callbacks.progress = [&](std::int64_t done, std::int64_t total) { progress.emplace_back(done, total); };
    callbacks.fileWritten = [&](const QString& path) { announced.push_back(path); };
    const ExportReport report = runExport(request, callbacks);

    ASSERT_FALSE(report.failure) << exportErrorName(report.failure->file.error);
    EXPECT_FALSE(report.cancelled);
    const QStringList expected{"mono.tiff", "mono.txt", "mono.usdz", "mono.svg",
                               "colour.tiff", "colour.txt", "colour.usdz", "colour.svg"};
    EXPECT_EQ(names(report.writtenFiles), expected);
    EXPECT_EQ(announced, report.writtenFiles);
    ASSERT_EQ(progress.size(), 9u);
    EXPECT_EQ(progress.front(), (std::pair<std::int64_t, std::int64_t>{0, 8}));
    EXPECT_EQ(progress.back(), (std::pair<std::int64_t, std::int64_t>{8, 8}));

    // each bookmark was decoded with its own format and mask
    Chunker decoder = *request.chunker;
    const Chunk mono = decoder.chunkAt(100, true).value();
    decoder.setFormat({8, 128});
    const Chunk colour = decoder.chunkAt(7, false).value();
    QImageReader monoImage(folder + "/mono.tiff");
    EXPECT_EQ(monoImage.size(), QSize(256, 256));
    EXPECT_EQ(QImageReader(folder + "/colour.tiff").size(), QSize(128, 128));
    EXPECT_EQ(QSvgRenderer(folder + "/colour.svg").defaultSize(), QSize(160, 160));
    EXPECT_EQ(test::readWholeFile(folder + "/mono.txt"), textDocument(mono.pixelArray, 1));
    EXPECT_EQ(test::readWholeFile(folder + "/colour.svg"), svgDocument(colour.pixelArray, 10));
    // a colour icon's text art is blanks only
    EXPECT_FALSE(test::readWholeFile(folder + "/colour.txt").contains("\xE2\x96\x8A"));
}

TEST(RunExport, StopsAtTheFirstFailureAndSaysWhichFileAndWhy)
{
    const QString folder = test::makeTempDir();
    ExportRequest request{makeChunker(), {{0, "first", 1, 16, false}, {8100, "beyond", 1, 32, false}, {0, "later", 1, 32, false}},
                          {}, folder};
    request.options.exportText = false;
    const ExportReport report = runExport(request);
    ASSERT_TRUE(report.failure);
    EXPECT_EQ(report.failure->file.error, ExportError::DecodingFailed);
    EXPECT_EQ(report.failure->chunkerError, ChunkerError::OutOfBounds);
    EXPECT_EQ(report.failure->file.path, folder + "/beyond.png");
    ASSERT_TRUE(report.failure->bookmark);
    EXPECT_EQ(report.failure->bookmark->nickname, "beyond");
    EXPECT_EQ(report.failure->kind, ExportKind::Image);
    EXPECT_EQ(test::folderEntries(folder), (QStringList{"first.dae", "first.png", "first.svg"}));

    // a writer's failure names the file and carries the system's reason
    ExportRequest missing{makeChunker(), {{0, "x", 1, 32, false}}, {}, test::missingFolder()};
    const ExportReport failed = runExport(missing);
    ASSERT_TRUE(failed.failure);
    EXPECT_EQ(failed.failure->file.error, ExportError::WriteFailed);
    EXPECT_EQ(failed.failure->file.path, missing.folder + "/x.png");
    EXPECT_FALSE(failed.failure->file.detail.isEmpty());
}

TEST(RunExport, RefusedOptionsWriteNothing)
{
    const QString folder = test::makeTempDir();
    ExportRequest request{makeChunker(), {{0, "a", 1, 32, false}}, {}, folder};
    request.options.svgZoom = 0;
    const ExportReport report = runExport(request);
    ASSERT_TRUE(report.failure);
    EXPECT_EQ(report.failure->optionsError, ExportOptionsError::SVGZoomTooSmall);
    EXPECT_EQ(report.failure->file.error, ExportError::InvalidZoom);
    EXPECT_FALSE(report.failure->bookmark);
    EXPECT_TRUE(test::folderEntries(folder).isEmpty());
}

// Nicknames name files, never folders: whatever a bookmarks file holds, every file lands
// directly in the chosen folder and nothing is written beside or above it.
TEST(RunExport, NicknamesNeverChooseAFolder)
{
    const QString parent = test::makeTempDir();
    const QString folder = parent + "/out";
    ASSERT_TRUE(QDir().mkdir(folder));
    const std::pair<std::string, QString> cases[] = {
        {"../escape", ".._escape.txt"}, {"/etc/passwd", "_etc_passwd.txt"}, {".", "_.txt"}, {"..", "__.txt"},
        {std::string("nul\0byte", 8), "nul_byte.txt"}, {"a/b/../c", "a_b_.._c.txt"}, {"ünïcode name", "ünïcode name.txt"},
        {"", ".txt"},
    };
    ExportRequest request{makeChunker(), {}, {}, folder};
    request.options.exportImage = request.options.export3D = request.options.exportSVG = false;
    QStringList expected;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        request.bookmarks.push_back({static_cast<std::int64_t>(i * 128), cases[i].first, 1, 32, false});
        expected << cases[i].second;
    }
    const ExportReport report = runExport(request);
    ASSERT_FALSE(report.failure);
    expected.sort();
    EXPECT_EQ(test::folderEntries(folder), expected);
    EXPECT_EQ(test::folderEntries(parent), QStringList{"out"});
}

// A full disk stops the export at the file that did not fit; every file reported as written
// is complete and nothing half-written or temporary stays.
TEST(RunExport, AFullDiskStopsAtTheFileThatDidNotFit)
{
    const test::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason().toStdString();
    ExportRequest request{makeChunker(), {}, {}, disk.folder()};
    request.options.exportText = request.options.export3D = request.options.exportSVG = false;
    for (int i = 0; i < 200; ++i)
        request.bookmarks.push_back({i * 32, "icon " + std::to_string(i), 1, 32, false});
    const ExportReport report = runExport(request);

    ASSERT_TRUE(report.failure);
    EXPECT_EQ(report.failure->file.error, ExportError::WriteFailed);
    EXPECT_EQ(report.failure->file.detail, QStringLiteral("The disk is full"));
    const QString failed = report.failure->file.path;
    EXPECT_EQ(failed, disk.folder() + QStringLiteral("/icon %1.png").arg(report.writtenFiles.size()));
    EXPECT_FALSE(QFileInfo::exists(failed));
    QStringList written;
    for (const QString& path : report.writtenFiles) {
        EXPECT_EQ(QImageReader(path).read().size(), QSize(256, 256)) << path.toStdString();
        written << path.section(u'/', -1);
    }
    written.sort();
    EXPECT_EQ(test::folderEntries(disk.folder()), written);
}

// A symbolic link where an exported file goes is replaced by the file; its target, existing
// or not, is never written.
TEST(RunExport, ALinkInTheFolderIsReplacedNotWrittenThrough)
{
    for (const bool dangling : {false, true}) {
        const QString parent = test::makeTempDir();
        const QString folder = parent + "/out";
        ASSERT_TRUE(QDir().mkdir(folder));
        const QString victim = parent + "/victim.txt";
        if (!dangling) {
            ASSERT_TRUE(QFile(victim).open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(QFile::link("../victim.txt", folder + "/first.txt"));
        ExportRequest request{makeChunker(), {{0, "first", 1, 32, false}}, {}, folder};
        request.options.exportImage = request.options.export3D = request.options.exportSVG = false;
        const ExportReport report = runExport(request);

        ASSERT_FALSE(report.failure) << dangling;
        const QFileInfo written(folder + "/first.txt");
        EXPECT_FALSE(written.isSymLink()) << dangling;
        EXPECT_GT(written.size(), 0) << dangling;
        EXPECT_EQ(test::folderEntries(parent), dangling ? QStringList{"out"} : QStringList({"out", "victim.txt"}));
        EXPECT_TRUE(test::readWholeFile(victim).isEmpty()) << dangling;
    }
}

TEST(RunExport, CancelStopsBeforeTheNextFile)
{
    const QString folder = test::makeTempDir();
    ExportRequest request{makeChunker(), {{0, "a", 1, 32, false}, {64, "b", 1, 32, false}}, {}, folder};
    ExportCallbacks callbacks;
    int written = 0;
    callbacks.fileWritten = [&](const QString&) { ++written; };
    callbacks.isCancelled = [&] { return written == 3; };
    const ExportReport report = runExport(request, callbacks);
    EXPECT_TRUE(report.cancelled);
    EXPECT_FALSE(report.failure);
    EXPECT_EQ(names(report.writtenFiles), (QStringList{"a.png", "a.txt", "a.dae"}));
    EXPECT_EQ(test::folderEntries(folder).size(), 3);
}

TEST(RunExport, WithoutADecoderEveryFileIsSkipped)
{
    const QString folder = test::makeTempDir();
    const ExportReport report = runExport({std::nullopt, {{0, "a", 1, 32, false}, {9, "b", 4, 64, false}}, {}, folder});
    EXPECT_FALSE(report.failure);
    EXPECT_EQ(report.skippedFiles, 8);
    EXPECT_TRUE(report.writtenFiles.empty());
    EXPECT_TRUE(test::folderEntries(folder).isEmpty());
}

TEST(StartExport, RunsOnAWorkerAndReportsProgress)
{
    const QString folder = test::makeTempDir();
    ExportRequest request{makeChunker(), {{0, "a", 4, 64, false}, {64, "b", 1, 16, false}}, {}, folder};
    request.options.exportText = false;
    request.options.imageCoordinatesOverlay = true; // ruler labels are drawn on the worker too
    QFuture<ExportReport> future = startExport(request);
    future.waitForFinished();
    ASSERT_EQ(future.resultCount(), 1);
    const ExportReport report = future.result();
    EXPECT_FALSE(report.failure);
    EXPECT_EQ(report.writtenFiles.size(), 6u);
    EXPECT_EQ(future.progressMaximum(), 6);
    EXPECT_EQ(future.progressValue(), 6);
    EXPECT_EQ(future.progressText(), folder + "/b.svg");
    EXPECT_EQ(QImageReader(folder + "/a.png").size(), QSize(17 * 8, 17 * 8));
}

} // namespace
} // namespace pq
