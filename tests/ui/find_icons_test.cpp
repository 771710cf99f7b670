#include "decoding/chunker.h"
#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"
#include "icon_hunt_image.h"
#include "main_window_fixture.h"
#include "sample_image.h"
#include "ui/family_row_delegate.h"
#include "ui/family_thumbnails.h"
#include "ui/find_icons_panel.h"
#include "ui/go_to_offset_dialog.h"
#include "document/document_intake.h"
#include "resource_fork_writer.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTableWidget>

#include <filesystem>
#include <map>

namespace pq {
namespace {

TEST(GoToOffset, ParsesDecimalAndHexadecimalOffsetsOnly)
{
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"0", 0},          {"10007", 10007},   {"0x2717", 10007},  {"0X2717", 10007},
        {" 42 ", 42},      {"0x0", 0},         {"9223372036854775807", INT64_MAX},
        {"", std::nullopt}, {"0x", std::nullopt}, {"-5", std::nullopt}, {"+5", std::nullopt},
        {"12a", std::nullopt}, {"0xg1", std::nullopt}, {"1 2", std::nullopt}, {"9223372036854775808", std::nullopt},
        {"\u0661\u0662", std::nullopt}, // Arabic-Indic digits
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(GoToOffsetDialog::parseOffset(QString::fromUtf8(text)), expected) << text;
}

TEST(GoToOffset, OnlyOffsetsThatATileShowsHaveATile)
{
    // 5,000 bytes: a chunk at offset o must end before byte 4,999, so o + chunk length < 5,000.
    auto chunker = Chunker::create(memorySource(test::randomBytes(5000, 1)), 1, 32);
    ASSERT_TRUE(chunker);
    // The tile (which tile shows an offset is the decoder's), or the end of the refusal.
    const std::tuple<IconFormat, std::int64_t, const char*> rows[] = {
        {{1, 32}, 4871, "1217"}, // 4-byte rows, 128-byte chunks: the last offset shown
        {{1, 32}, 4872, "with 1-bit 32x32 icons the tiles show offsets 0 to 4871."},
        {{8, 256}, 3976, "with 8-bit 32x32 icons the tiles show offsets 0 to 3975."}, // 32-byte rows, 1,024-byte chunks
        {{8, 2048}, 0, "The file is too short for 8-bit 256x256 icons: there are no tiles."},
    };
    for (const auto& [format, offset, expected] : rows) {
        chunker->setFormat(format);
        const auto tile = GoToOffsetDialog::tileForOffset(&*chunker, offset);
        const QString got = tile ? QString::number(*tile) : tile.error();
        EXPECT_TRUE(got == expected || (!tile && got.endsWith(QString::fromUtf8(expected)))) << got.toStdString();
    }
    EXPECT_FALSE(GoToOffsetDialog::tileForOffset(nullptr, 0));
}

// Rows of a list of icons: the classic members of one fork's ID (in one listing) are one row in
// their order, showing the deepest 32-pixel member; anything else is a row of its own.
TEST(FamilyRows, GroupTheClassicMembersOfOneFamilyInOneListing)
{
    const auto icon = [](const char* type, int id, std::int64_t maskOffset = -1) {
        StructuredIcon s;
        s.type = type;
        s.id = id;
        s.bitDepth = type[3] == '4' ? 4 : type[3] == '8' ? 8 : 1;
        s.side = type[2] == 's' ? 16 : 32;
        s.maskOffset = maskOffset < 0 ? std::nullopt : std::optional(maskOffset);
        return s;
    };
    const StructuredIcon icons[] = {icon("ics8", 128, 64), icon("SICN", 128), icon("icl4", 128), icon("ics#", 128), icon("ICN#", 129)};
    const std::vector<ListedIcon> listed{{&icons[0], 0}, {&icons[1], 0}, {&icons[2], 0}, {nullptr, 0}, {&icons[3], 0},
                                         {&icons[4], 0}, {&icons[4], 1}}; // the same fork place in another file
    QStringList rows;
    for (const IconListRow& row : familyRows(listed)) {
        std::vector<const StructuredIcon*> members;
        for (std::size_t i : row.icons)
            members.push_back(listed[i].structure);
        rows << (row.isFamily ? familyMembersText(members) + QStringLiteral(" shows %1").arg(row.icons[row.chosen]) : QString::number(row.icons[0]));
    }
    EXPECT_EQ(rows.join(" | ").toStdString(), "icl4, ics#, ics8, opaque: no ICN# shows 2 | 1 | 3 | ICN# shows 5 | ICN# shows 6");
}

class FindIconsWindowTest : public test::MainWindowFixture {
protected:
    void openSample()
    {
        mvc->document().processReceivedSource(memorySource(sample.bytes), QStringLiteral("sample-disk.img"));
        ASSERT_TRUE(mvc->document().waitForDigest(20000));
    }
    QAction* action(const char* name) { return window->findChild<QAction*>(QString::fromLatin1(name)); }

    const sample::SampleImage sample = sample::makeSampleDiskImage();
    FindIconsPanel* panel() const { return window->findIconsPanel(); }
};

// Refusals keep the dialog open with a message; an offset a tile shows is handed to the
// browser, which keeps its format.
TEST_F(FindIconsWindowTest, GoToOffsetRefusesOrSelectsTheTileShowingIt)
{
    action("goToOffsetAction")->trigger();
    auto* dialog = window->findChild<GoToOffsetDialog*>();
    ASSERT_TRUE(dialog);
    const auto go = [&](const char* text) {
        dialog->offsetField()->setText(QString::fromLatin1(text));
        dialog->go();
        return dialog->messageLabel()->text();
    };
    EXPECT_EQ(go("12"), QStringLiteral("Open a file first."));
    EXPECT_TRUE(dialog->isVisible());
    openSample();
    browser->showBookmark(0, {1, 16});
    EXPECT_TRUE(go("twelve").contains(QStringLiteral("no byte offset")));
    go("0x2717");
    EXPECT_EQ(browser->offsetSlider()->value(), 10007 % 2);
    EXPECT_EQ(browser->iconCollectionView()->selectedItem(), 10007 / 2);
    EXPECT_EQ(browser->selectedDimension(), Dimensions::_16x16);
}

// Stored icons come first, each family as one row of its members in their order; a member
// chosen by its thumbnail (the deepest 32-pixel one when the row is selected) is shown in its
// format and bookmarked with its family's mask; "Export Family…" writes the family.
TEST_F(FindIconsWindowTest, ListsAFamilyAsOneRowAndShowsBookmarksAndExportsItsMembers)
{
    openSample();
    QSignalSpy ended(panel(), &FindIconsPanel::scanEnded);
    action("findIconsAction")->trigger();
    ASSERT_TRUE(ended.wait(20000));
    QTableWidget* list = panel()->candidateList();
    ASSERT_GT(list->rowCount(), 4);
    // Every column but the format's shows its whole text, inside the list.
    for (int column : {2, 3}) {
        EXPECT_LE(list->columnViewportPosition(column) + list->columnWidth(column), list->viewport()->width()) << column;
        EXPECT_LE(list->fontMetrics().horizontalAdvance(list->item(0, column)->text()), list->columnWidth(column));
    }
    QStringList rows;
    for (int row = 0; row < 4; ++row)
        rows << QStringLiteral("%1 | %2").arg(list->item(row, 1)->text().section('\n', 0, 0)).arg(panel()->rowCandidates(row).size());
    EXPECT_EQ(rows.join('\n').toStdString(), QStringList({
                                                  "Family ID 128 \u201CDisk\u201D: ICN#, icl4, icl8, ics#, ics4, ics8 | 6",
                                                  "Family: ICN#, icl8 | 2",
                                                  "ICON ID 0 \u201CCloche\u201D \u2014 1-bit 32x32 | 1",
                                                  "Family ID -4000 \u201CCorbeille \u00E0 papier\u201D: ICN# | 1",
                                              }).join('\n').toStdString());

    // The Disk family's members: type, format, and the mask plane a colour member is drawn through.
    std::map<std::string, std::int64_t> at;
    for (const auto& r : sample.resources)
        if (r.id == 128)
            at[r.type] = r.icon.offset;
    const std::tuple<std::string, IconFormat, std::optional<std::int64_t>> members[] = {
        {"ICN#", {1, 32}, {}}, {"icl4", {4, 128}, at["ICN#"] + 128}, {"icl8", {8, 256}, at["ICN#"] + 128},
        {"ics#", {1, 16}, {}}, {"ics4", {4, 64}, at["ics#"] + 32},   {"ics8", {8, 128}, at["ics#"] + 32},
    };
    list->selectRow(0);
    EXPECT_EQ(shownIcon(), std::pair(at["icl8"], IconFormat{8, 256}));
    const auto& bookmarks = mvc->document().bookmarkFile()->bookmarks;
    for (std::size_t m = 0; m < std::size(members); ++m) {
        const auto& [type, format, mask] = members[m];
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, FamilyRowDelegate::memberRect(list, list->model()->index(0, 1), m).center());
        EXPECT_EQ(shownIcon(), std::pair(at[type], format)) << type;
        QTest::mouseClick(panel()->bookmarkButton(), Qt::LeftButton);
        ASSERT_EQ(bookmarks.size(), m + 1) << type;
        EXPECT_EQ(std::tuple(bookmarks[m].offset, bookmarks[m].maskOffset, bookmarks[m].nickname),
                  std::tuple(at[type], mask, m == 0 ? std::string("Disk") : "untitled " + std::to_string(at[type])));
    }

    // Export Family… writes each member at its size and 8 times that, an .ico and an .icns, and says so.
    const QString folder = test::makeTempDir();
    ASSERT_TRUE(panel()->exportFamilyButton()->isEnabled());
    QTest::mouseClick(panel()->exportFamilyButton(), Qt::LeftButton);
    ASSERT_TRUE(answerFolderDialog(folder));
    EXPECT_EQ(imagesIn(folder).size(), 14); // their names and sizes are the Files panel's test's
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("14 file")) << window->statusBar()->currentMessage().toStdString();
    // A folder that cannot be written to: an alert says so.
    QTest::mouseClick(panel()->exportFamilyButton(), Qt::LeftButton);
    ASSERT_TRUE(answerFolderDialog(folder + "/missing"));
    ASSERT_TRUE(mvc->currentAlert());
    EXPECT_EQ(mvc->currentAlert()->text(), "The icon family could not be exported");
}

// In a zip whose members stand equal, every member with bytes is searched, each hit labelled
// with its member; selecting a hit in another member opens it, keeps the list and shows the icon.
TEST_F(FindIconsWindowTest, SearchesEveryPartOfAChosenMemberAndOpensTheHitsPart)
{
    const QString dir = test::makeTempDir();
    const auto fork = [](std::int16_t id) { // padded: a file shorter than the largest icon has no tiles
        auto bytes = sample::writeResourceFork({{"ICN#", id, "", test::randomBytes(256, id)}}).bytes;
        bytes.resize(8192);
        return bytes;
    };
    for (const auto& [name, bytes] : {std::pair{"a.rsrc", fork(128)}, std::pair{"b.rsrc", fork(129)}, std::pair{"empty", std::vector<std::uint8_t>{}}})
        QFile::rename(QString::fromStdString(test::writeTempFile(bytes, name)), dir + "/" + name);
    ASSERT_EQ(std::system(("cd '" + dir.toStdString() + "' && zip -q two.zip a.rsrc b.rsrc empty").c_str()), 0);
    const QString zip = dir + "/two.zip";
    mvc->document().processReceivedSource(FileByteSource::open(zip.toStdString()).value(), zip);
    mvc->document().intake().reopen(DocumentIntake::OpenMode::AskParts, 0);
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
    QSignalSpy ended(panel(), &FindIconsPanel::scanEnded);
    panel()->startScan();
    ASSERT_TRUE(ended.wait(20000));
    std::vector<std::tuple<QString, std::optional<std::int64_t>, std::int64_t>> stored;
    for (int row = 0; row < panel()->candidateList()->rowCount(); ++row)
        if (const FoundIcon& icon = panel()->candidates()[panel()->rowCandidates(row)[0]]; icon.structure)
            stored.emplace_back(panel()->candidatePart(row), icon.structure->id, icon.offset);
    const auto at = sample::writeResourceFork({{"ICN#", 128, "", {}}}).dataOffsets[0];
    EXPECT_EQ(stored, (decltype(stored){{"two.zip \u25B8 a.rsrc", 128, at}, {"two.zip \u25B8 b.rsrc", 129, at}}));

    int inB = 0;
    while (panel()->candidatePart(inB) != "two.zip \u25B8 b.rsrc")
        ASSERT_LT(++inB, panel()->candidateList()->rowCount());
    panel()->candidateList()->selectRow(inB);
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
    EXPECT_EQ(mvc->document().origin().chosenPart, 1);
    EXPECT_EQ(panel()->candidates().size(), stored.size());
    EXPECT_EQ(browser->iconCollectionView()->selectedItem(), at / 4);
}

TEST_F(FindIconsWindowTest, OpeningAnotherFileStopsARunningScan)
{
    // Large enough that the scan is still running when the next file comes.
    auto big = sample::makeMixedFiller(std::size_t(64) << 20, 1);
    mvc->document().setBackgroundDigestThreshold(0);
    mvc->document().processReceivedSource(memorySource(std::move(big)), QStringLiteral("big.img"));
    QSignalSpy ended(panel(), &FindIconsPanel::scanEnded);
    panel()->startScan();
    ASSERT_TRUE(panel()->isScanning());
    mvc->document().processReceivedSource(memorySource(test::randomBytes(100000, 4)), QStringLiteral("c.img"));
    EXPECT_FALSE(panel()->isScanning());
    EXPECT_EQ(ended.count(), 1);
    QTest::qWait(50); // a late message of the stopped scan changes nothing
    EXPECT_TRUE(panel()->candidates().empty() && panel()->candidateList()->rowCount() == 0 && !panel()->progressBar()->isVisible());
}

// A file cut short after it was opened: the search ends listing nothing and says, naming the
// file, that it changed on disk; the window shows the document's alert.
TEST_F(FindIconsWindowTest, AFileCutShortEndsTheSearchWithTheReadError)
{
    const std::string path = test::writeTempFile(sample.bytes, "cut.img");
    mvc->document().processReceivedSource(FileByteSource::open(path).value(), QString::fromStdString(path));
    ASSERT_TRUE(mvc->document().waitForDigest(20000));
    std::filesystem::resize_file(path, sample.bytes.size() / 2);
    QSignalSpy ended(panel(), &FindIconsPanel::scanEnded);
    panel()->startScan();
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_TRUE(panel()->candidates().empty());
    const QString status = panel()->statusLabel()->text();
    EXPECT_TRUE(status.contains("cut.img") && status.contains("changed on disk")) << status.toStdString();
    ASSERT_TRUE(mvc->currentAlert());
    EXPECT_EQ(mvc->currentAlert()->text(), "The file changed on disk");
}

} // namespace
} // namespace pq
