// The runner's kinds, their order, its progress, refusals and first-failure stop are proved
// here once; the export dialog and the command line only show that they call it.
#include "sources/memory_byte_source.h"
#include "export/export_file_name.h"
#include "export/export_runner.h"

#include "export_test_support.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <gtest/gtest.h>

namespace pq {
namespace {

std::shared_ptr<const ByteSource> makeData(std::size_t size = 8192) { return memorySource(test::randomBytes(size, 11)); }

// Bit (x, y) of a 32x32 1-bit plane at `start` of the bytes makeData gives.
int maskBit(std::int64_t start, int x, int y)
{
    static const auto bytes = test::randomBytes(8192, 11);
    return (bytes[static_cast<std::size_t>(start + y * 4 + x / 8)] >> (7 - x % 8)) & 1;
}

// An export of text files only, of 8 KiB of random bytes, into `folder`.
ExportRequest textExport(std::vector<Bookmark> bookmarks, const QString& folder)
{
    ExportRequest request{makeData(), std::move(bookmarks), {}, folder};
    request.options.exportImage = request.options.export3D = request.options.exportSVG = false;
    return request;
}

QStringList names(const std::vector<QString>& paths)
{
    QStringList list;
    for (const QString& path : paths)
        list << path.section(u'/', -1);
    return list;
}

TEST(RunExport, EveryKindPerBookmarkInOrderEachInItsOwnFormatAndMask)
{
    const QString folder = test::makeTempDir();
    ExportRequest request{makeData(), {{100, "mono", 1, 32, true}, {7, "colour", 4, 128, false, 4096}}, {}, folder};
    request.options.sceneIsCollada = false;
    using Step = std::pair<std::int64_t, std::int64_t>;
    std::vector<Step> progress;
    std::vector<QString> announced;
    ExportCallbacks callbacks;
    callbacks.progress = [&](std::int64_t done, std::int64_t total) { progress.emplace_back(done, total); };
    callbacks.fileWritten = [&](const QString& path) { announced.push_back(path); };
    const ExportReport report = runExport(request, callbacks);

    ASSERT_FALSE(report.failure) << exportErrorName(report.failure->file.error);
    EXPECT_FALSE(report.cancelled);
    EXPECT_EQ(names(report.writtenFiles), (QStringList{"mono.png", "mono.txt", "mono.usdz", "mono.svg", "colour.png",
                                                        "colour.txt", "colour.usdz", "colour.svg"}));
    EXPECT_EQ(announced, report.writtenFiles);
    ASSERT_EQ(progress.size(), 9u);
    EXPECT_EQ(std::pair(progress.front(), progress.back()), std::pair(Step(0, 8), Step(8, 8)));

    // 32 pixels a side at the default zoom, clear exactly where the mask plane's bit is 0: the
    // plane following the 1-bit icon's, and the colour icon's 1-bit plane at its own place.
    for (const auto& [name, maskStart] : {std::pair("mono", 100 + 128), std::pair("colour", 4096)}) {
        const QImage image = QImageReader(folder + "/" + name + ".png").read();
        ASSERT_EQ(image.size(), QSize(256, 256)) << name;
        int wrong = 0;
        for (int i = 0; i < 32 * 32; ++i)
            wrong += (qAlpha(image.pixel(i % 32 * 8 + 4, i / 32 * 8 + 4)) == 0) != (maskBit(maskStart, i % 32, i / 32) == 0);
        EXPECT_EQ(wrong, 0) << name;
    }
}

// Each bookmark is decoded in its own format, even on data too short for the browser's
// 1-bit 32x32 icons; those that cannot be decoded are refused by name while the export goes
// on. Without data every file is skipped; refused options write nothing at all.
TEST(RunExport, RefusalsSkippedFilesAndTheFirstFailure)
{
    const QString folder = test::makeTempDir();
    ExportRequest request = textExport({{0, "small", 1, 16, true}, {1900, "large", 1, 32, false},
                                        {0, "odd", 3, 48, false}, {100, "colour", 4, 64, false}},
                                       folder);
    request.source = makeData(2000);
    ExportReport report = runExport(request);
    EXPECT_FALSE(report.failure);
    EXPECT_EQ(names(report.writtenFiles), (QStringList{"small.txt", "colour.txt"}));
    ASSERT_EQ(report.refused.size(), 2u);
    EXPECT_EQ(std::tuple(report.refused[0].bookmark.nickname, report.refused[0].error),
              std::tuple("large", ChunkerError::OutOfBounds));
    EXPECT_EQ(std::tuple(report.refused[1].bookmark.nickname, report.refused[1].error),
              std::tuple("odd", ChunkerError::InvalidElementWidthInBits));

    request.source = nullptr;
    report = runExport(request);
    EXPECT_EQ(std::tuple(report.skippedFiles, report.writtenFiles.size(), report.refused.size()), std::tuple(4, 0u, 0u));

    request = textExport({{0, "a", 1, 32, false}}, test::makeTempDir());
    request.options.exportSVG = true;
    request.options.svgZoom = 0;
    report = runExport(request);
    ASSERT_TRUE(report.failure);
    EXPECT_EQ(std::pair(report.failure->optionsError, report.failure->file.error),
              std::pair(std::optional(ExportOptionsError::SVGZoomTooSmall), ExportError::InvalidZoom));
    EXPECT_TRUE(test::folderEntries(request.folder).isEmpty());
    EXPECT_EQ(test::folderEntries(folder), (QStringList{"colour.txt", "small.txt"}));

    // The first file that cannot be written stops the export, which says which and why.
    ASSERT_TRUE(QDir(folder).mkdir("taken.txt")); // a folder where the file would go
    report = runExport(textExport({{0, "first", 1, 32, false}, {0, "taken", 1, 32, false}, {0, "later", 1, 32, false}}, folder));
    ASSERT_TRUE(report.failure);
    EXPECT_EQ(std::tuple(report.failure->file.error, report.failure->file.path, report.failure->bookmark->nickname, report.failure->kind),
              std::tuple(ExportError::WriteFailed, folder + "/taken.txt", std::string("taken"), ExportKind::Text));
    EXPECT_FALSE(report.failure->file.detail.isEmpty());
    EXPECT_EQ(test::folderEntries(folder), (QStringList{"colour.txt", "first.txt", "small.txt", "taken.txt"}));
}

// Nicknames name files, never folders: every "/" and NUL becomes "_", "." and ".." become "_"
// and "__", an empty nickname "untitled"; names are cut to 255 bytes on a character boundary,
// keeping the number and the extension.
TEST(ExportFileName, SafeStemsCutToTheLongestName)
{
    const QString longStem = QString(125, QChar(0xE9)); // 250 bytes: the most that fits before ".txt"
    const std::tuple<std::string, std::int64_t, QString> cases[] = {
        {"../escape", 1, ".._escape.txt"}, {"/etc/passwd", 1, "_etc_passwd.txt"}, {".", 1, "_.txt"}, {"..", 1, "__.txt"},
        {std::string("nul\0byte", 8), 1, "nul_byte.txt"}, {"a/b/../c", 1, "a_b_.._c.txt"}, {"", 1, "untitled.txt"},
        {"ünïcode name", 1, "ünïcode name.txt"}, {".hidden", 1, ".hidden.txt"}, {"same 2", 2, "same 2 2.txt"},
        {std::string(300, 'x'), 1, QString(251, u'x') + ".txt"}, {std::string(300, 'x'), 2, QString(249, u'x') + " 2.txt"},
        {longStem.toStdString() + "\xC3\xA9!", 1, longStem + ".txt"}, {longStem.toStdString(), 2, longStem.chopped(1) + " 2.txt"}};
    for (const auto& [nickname, number, name] : cases)
        EXPECT_EQ(exportFileName(nickname, "txt", number), name) << nickname;
}

// Within one export no file is written twice: a bookmark whose names are taken gets the next
// free number, the same for all its kinds; a file from before the export is replaced. Every
// file lands directly in the chosen folder (the names' own safety is proved above), nothing
// beside or above it.
TEST(RunExport, TakenNamesGetTheNextFreeNumberPerBookmark)
{
    const std::tuple<std::vector<std::string>, bool, QStringList> cases[] = {
        {{"same", "same", "same"}, false, {"same.txt", "same 2.txt", "same 3.txt"}},
        {{"a/b", "a_b", "A_B"}, false, {"a_b.txt", "a_b 2.txt", "A_B 3.txt"}},
        {{"same", "same", "same 2"}, true, {"same.png", "same.txt", "same 2.png", "same 2.txt", "same 2 2.png", "same 2 2.txt"}}};
    for (const auto& [nicknames, withImages, files] : cases) {
        const QString parent = test::makeTempDir(), folder = parent + "/out";
        ASSERT_TRUE(QDir().mkdir(folder));
        QFile old(folder + "/same.txt");
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        ExportRequest request = textExport({}, folder);
        request.options.exportImage = withImages;
        for (const std::string& nickname : nicknames)
            request.bookmarks.push_back({0, nickname, 1, 16, false});
        const ExportReport report = runExport(request);
        ASSERT_FALSE(report.failure) << report.failure->file.detail.toStdString();
        EXPECT_EQ(names(report.writtenFiles), files);
        QStringList expected = files + QStringList{"same.txt"};
        expected.removeDuplicates();
        expected.sort();
        EXPECT_EQ(test::folderEntries(folder), expected);
        EXPECT_EQ(test::folderEntries(parent), QStringList{"out"});
        EXPECT_EQ(test::readWholeFile(folder + "/same.txt").count('\n'), files.contains("same.txt") ? 16 : 0);
    }
}

// A full disk stops the export at the file that did not fit; every file reported as written
// is complete and nothing half-written or temporary stays.
TEST(RunExport, AFullDiskStopsAtTheFileThatDidNotFit)
{
    const test::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason().toStdString();
    ExportRequest request{makeData(), {}, {}, disk.folder()};
    request.options.exportText = request.options.export3D = request.options.exportSVG = false;
    for (int i = 0; i < 200; ++i)
        request.bookmarks.push_back({i * 32, "icon " + std::to_string(i), 1, 32, false});
    const ExportReport report = runExport(request);

    ASSERT_TRUE(report.failure);
    EXPECT_EQ(std::pair(report.failure->file.error, report.failure->file.detail), std::pair(ExportError::WriteFailed, QStringLiteral("The disk is full")));
    const QString failed = report.failure->file.path;
    EXPECT_EQ(failed, disk.folder() + QStringLiteral("/icon %1.png").arg(report.writtenFiles.size()));
    EXPECT_FALSE(QFileInfo::exists(failed));
    for (const QString& path : report.writtenFiles)
        EXPECT_EQ(QImageReader(path).read().size(), QSize(256, 256)) << path.toStdString();
    QStringList written = names(report.writtenFiles);
    written.sort();
    EXPECT_EQ(test::folderEntries(disk.folder()), written);
}

// A symbolic link where an exported file goes is replaced by the file; its target, existing
// or not, is never written.
TEST(RunExport, ALinkInTheFolderIsReplacedNotWrittenThrough)
{
    for (const bool dangling : {false, true}) {
        const QString parent = test::makeTempDir(), folder = parent + "/out";
        ASSERT_TRUE(QDir().mkdir(folder));
        if (!dangling) {
            ASSERT_TRUE(QFile(parent + "/victim.txt").open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(QFile::link("../victim.txt", folder + "/first.txt"));
        ASSERT_FALSE(runExport(textExport({{0, "first", 1, 32, false}}, folder)).failure) << dangling;
        EXPECT_FALSE(QFileInfo(folder + "/first.txt").isSymLink()) << dangling;
        EXPECT_EQ(test::folderEntries(parent), dangling ? QStringList{"out"} : QStringList({"out", "victim.txt"}));
        EXPECT_TRUE(test::readWholeFile(parent + "/victim.txt").isEmpty()) << dangling;
    }
}

// A cancel stops the export before its next file; one that comes after the last file was
// written leaves nothing unwritten and is no cancel.
TEST(RunExport, CancelStopsBeforeTheNextFile)
{
    for (const auto& [cancelAfter, cancelled] : {std::pair(0, true), std::pair(3, true), std::pair(8, false)}) {
        const QString folder = test::makeTempDir();
        ExportCallbacks callbacks;
        int written = 0;
        callbacks.fileWritten = [&](const QString&) { ++written; };
        callbacks.isCancelled = [&] { return written >= cancelAfter; };
        const ExportReport report =
            runExport({makeData(), {{0, "a", 1, 32, false}, {64, "b", 1, 32, false}}, {}, folder}, callbacks);
        EXPECT_EQ(report.cancelled, cancelled) << cancelAfter;
        EXPECT_FALSE(report.failure);
        EXPECT_EQ(test::folderEntries(folder).size(), cancelAfter);
    }
}

TEST(StartExport, RunsOnAWorkerAndReportsProgressAndAStopStillYieldsAReport)
{
    const QString folder = test::makeTempDir();
    ExportRequest request{makeData(), {{0, "a", 4, 64, false}, {64, "b", 1, 16, false}}, {}, folder};
    request.options.exportText = false;
    request.options.imageCoordinatesOverlay = true; // ruler labels are drawn on the worker too
    QFuture<ExportReport> future = startExport(request);
    future.waitForFinished();
    ASSERT_EQ(future.resultCount(), 1);
    EXPECT_EQ(std::tuple(future.result().writtenFiles.size(), future.progressValue(), future.progressMaximum()), std::tuple(6u, 6, 6));
    EXPECT_EQ(future.progressText(), folder + "/b.svg");
    EXPECT_EQ(QImageReader(folder + "/a.png").size(), QSize(17 * 8, 17 * 8));

    const auto stop = std::make_shared<std::atomic_bool>(true);
    request.folder = test::makeTempDir();
    QFuture<ExportReport> stopped = startExport(request, stop);
    stopped.waitForFinished();
    ASSERT_EQ(stopped.resultCount(), 1);
    EXPECT_TRUE(stopped.result().cancelled);
    EXPECT_TRUE(test::folderEntries(request.folder).isEmpty());
}

} // namespace
} // namespace pq
