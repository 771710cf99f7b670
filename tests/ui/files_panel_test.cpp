#include "hfsutils_volumes.h"
#include "main_window_fixture.h"
#include "resource_fork_writer.h"
#include "sample_image.h"
#include "ui/family_row_delegate.h"
#include "ui/files_panel.h"
#include "ui/find_icons_panel.h"
#include "ui/volume_tree_model.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTableWidget>
#include <QTreeView>


namespace pq {
namespace {

using sample::ForkResource;

// An icon drawn by the sample generator, with its mask, as a resource.
ForkResource drawn(const std::string& type, std::int16_t id, const std::string& name, const std::string& design)
{
    const sample::IconCanvas canvas = sample::drawIcon(design, type == "ics#" ? 16 : 32, 1);
    auto bytes = canvas.pixelPlane(1);
    const auto mask = canvas.maskPlane(1);
    bytes.insert(bytes.end(), mask.begin(), mask.end());
    return {type, id, name, bytes};
}

// The files hfsutils puts on the test volume "Catalog", with their data forks' sizes.
const std::vector<test::HfsutilsFile>& volumeFiles()
{
    const auto file = [](const char* folder, const char* name, const char* type, const char* creator, int flags,
                         std::size_t dataSize, const std::vector<ForkResource>& resources) {
        return test::HfsutilsFile{folder, name, type, creator, flags, test::randomBytes(dataSize, 1),
                                  resources.empty() ? std::vector<std::uint8_t>{} : sample::writeResourceFork(resources).bytes};
    };
    static const std::vector<test::HfsutilsFile> files{
        file(":System Folder:", "Finder", "FNDR", "MACS", kFinderHasCustomIcon, 0,
             {drawn("ICN#", -16455, "", "smiley"), drawn("ics#", -16455, "", "smiley"), drawn("ICN#", 128, "Trash", "trash"),
              {"CODE", 1, "", test::randomBytes(5000, 1)}}), // a fork too short has no tiles
        file(":", "Colours", "rsrc", "RSED", 0, 0,
             {{"cicn", 130, "Colour", sample::colorIconResource(32, 32, 8)}, {"crsr", 131, "", std::vector<std::uint8_t>(60)}}),
        file(":", "Painter", "APPL", "PQPT", kFinderHasBundle, 900,
             {sample::bundleResource(128, "PQPT", {{0, 128}, {1, 129}}, {{0, 128}, {1, 129}}), sample::fileReferenceResource(128, "APPL", 0),
              sample::fileReferenceResource(129, "PQDC", 1), drawn("ICN#", 128, "", "bell"), drawn("ICN#", 129, "", "document"),
              {"PQPT", 0, "", {0}}}),
        file(":", "Picture", "PQDC", "PQPT", 0, 700, {}),
        file(":", "Read Me", "TEXT", "ttxt", 0, 600, {}),
    };
    return files;
}

// The volume's image, made once per run by hfsutils.
QString volumeImage()
{
    static const QString made = QString::fromStdString(test::makeHfsVolumes(volumeFiles()) + "/catalog.hfs");
    return made;
}

class FilesPanelTest : public test::MainWindowFixture {
protected:
    void openVolume()
    {
        QSignalSpy read(panel(), &FilesPanel::readingEnded);
        open({volumeImage()});
        ASSERT_TRUE(read.count() > 0 || read.wait(20000));
    }
    // Every row of the tree, depth first: its path, the other columns and whether it has the
    // Finder's icon at both sizes.
    QStringList rows(const QModelIndex& parent = {}, const QString& above = {}) const
    {
        QStringList lines;
        const VolumeTreeModel& model = *panel()->model();
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            QString line = above + index.data().toString();
            for (int column = 1; column < VolumeTreeModel::ColumnCount; ++column)
                line += QLatin1Char('|') + model.index(row, column, parent).data().toString();
            const auto& node = model.tree().nodes()[std::size_t(VolumeTreeModel::nodeOf(index))];
            lines << line + (node.smallIcon.isNull() || node.largeIcon.isNull() ? "" : " [icon]");
            lines << rows(index, above + index.data().toString() + QLatin1Char('/'));
        }
        return lines;
    }
    QModelIndex indexOf(const QString& path) const
    {
        QModelIndex index;
        for (const QString& name : path.split(QLatin1Char('/'))) {
            const auto found = panel()->model()->match(panel()->model()->index(0, 0, index), Qt::DisplayRole, name, 1, Qt::MatchExactly);
            index = found.isEmpty() ? QModelIndex() : found[0];
        }
        return index;
    }
    static void doubleClick(QAbstractItemView* view, const QRect& rect)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // The window shows `title` and the browser's selected tile the icon's bytes in its format.
    void expectShowing(const QString& title, const ForkResource& icon)
    {
        EXPECT_EQ(window->windowTitle().toStdString(), title.toStdString());
        const auto [offset, format] = shownIcon();
        EXPECT_EQ(format, IconFormat::square(1, icon.type == "ics#" ? 16 : 32));
        std::vector<std::uint8_t> bytes(icon.data.size());
        ASSERT_TRUE(mvc->document().source()->read(offset, std::as_writable_bytes(std::span(bytes))));
        EXPECT_EQ(bytes, icon.data);
    }
    FilesPanel* panel() const { return window->filesPanel(); }
};

const QString kFinderFork = QStringLiteral("Catalog \u25B8 System Folder \u25B8 Finder \u25B8 resource fork");

TEST_F(FilesPanelTest, ListsTheVolumeOpensAFileForkAndGoesBack)
{
    openVolume();
    EXPECT_TRUE(window->findChild<QDockWidget*>(QStringLiteral("filesDock"))->isVisible());
    const auto forkSize = [](int entry) { return QLocale().toString(qint64(volumeFiles()[std::size_t(entry)].resource.size())); };
    EXPECT_EQ(rows().join('\n').toStdString(), QStringList({
                                                   "Catalog||||",
                                                   "Catalog/System Folder||||",
                                                   "Catalog/System Folder/Finder|FNDR|MACS|0|" + forkSize(0) + " [icon]",
                                                   "Catalog/Colours|rsrc|RSED|0|" + forkSize(1),
                                                   "Catalog/Painter|APPL|PQPT|900|" + forkSize(2) + " [icon]",
                                                   "Catalog/Picture|PQDC|PQPT|700|0 [icon]",
                                                   "Catalog/Read Me|TEXT|ttxt|600|0",
                                               }).join('\n').toStdString());

    // Selecting a file lists its icons; double-clicking it opens its resource fork.
    QTreeView* tree = panel()->treeView();
    const QModelIndex finder = indexOf(QStringLiteral("Catalog/System Folder/Finder"));
    QSignalSpy listed(panel(), &FilesPanel::iconsListed);
    tree->setCurrentIndex(finder);
    ASSERT_TRUE(listed.wait(20000));
    QStringList icons;
    for (int row = 0; row < panel()->iconList()->rowCount(); ++row)
        icons << QStringLiteral("%1 %2 %3").arg(panel()->iconList()->item(row, 0)->text(), panel()->iconList()->item(row, 1)->text(),
                                                panel()->iconList()->item(row, 2)->text());
    icons.sort();

    EXPECT_EQ(icons.join('|').toStdString(), "ICN# 128 Trash|ICN#, ics# -16455 ");
    tree->scrollTo(finder);
    doubleClick(tree, tree->visualRect(finder));
    ASSERT_TRUE(mvc->document().waitForDigest(20000));
    const auto& fork = volumeFiles()[0].resource;
    EXPECT_EQ(window->windowTitle(), kFinderFork);
    EXPECT_EQ(mvc->document().source()->size(), std::int64_t(fork.size()));
    EXPECT_EQ(*mvc->document().digest(), test::sha256Of(fork)); // the fork's own bookmarks file

    // Back to the whole image, from the panel; the tree stays.
    QTest::mouseClick(panel()->backButton(), Qt::LeftButton);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("catalog.hfs"));
    EXPECT_EQ(mvc->document().source()->size(), QFileInfo(volumeImage()).size());
    EXPECT_FALSE(panel()->backButton()->isEnabled());
    EXPECT_FALSE(panel()->isReading());
    EXPECT_EQ(panel()->model()->rowCount(), 1);
}

// On a volume, Find Icons lists the stored icons of each file under its classic path, then the
// finds in the whole image less those at a file icon's bytes; choosing a file's icon opens the
// file's resource fork at it. Colour icons and cursors with their own palettes are rows
// without a thumbnail that cannot be selected, with their size and depth or "damaged": in the
// Files panel's list of a file's icons, and once each at the end of Find Icons' list.
TEST_F(FilesPanelTest, FindIconsGroupsTheStoredIconsByFileAndListsOwnPaletteIconsApart)
{
    openVolume();
    const auto texts = [](QTableWidget* list, int from, int column) {
        QStringList out;
        for (int row = from; row < list->rowCount(); ++row) {
            out << list->item(row, column)->text();
            EXPECT_FALSE(list->item(row, column)->flags() & Qt::ItemIsSelectable) << out.back().toStdString();
        }
        return out.join('|').toStdString();
    };
    QSignalSpy listed(panel(), &FilesPanel::iconsListed);
    panel()->treeView()->setCurrentIndex(indexOf(QStringLiteral("Catalog/Colours")));
    ASSERT_TRUE(listed.wait(20000));
    EXPECT_EQ(texts(panel()->iconList(), 0, 2), "Colour (8-bit 32x32, own palette, not shown)|damaged");

    FindIconsPanel* find = window->findIconsPanel();
    QSignalSpy ended(find, &FindIconsPanel::scanEnded);
    find->startScan();
    ASSERT_TRUE(ended.wait(20000));
    QStringList stored;
    for (int row = 0; row < find->candidateList()->rowCount(); ++row)
        if (const auto icons = find->rowCandidates(row); !icons.empty() && find->candidates()[icons[0]].structure)
            stored << find->candidateList()->item(row, 1)->text().section(QLatin1Char('\n'), 0, 0);
    EXPECT_EQ(stored.join('\n').toStdString(), QStringList({
                                                     "Family ID 128 \u2014 Painter: ICN#",
                                                     "Family ID 129 \u2014 Painter: ICN#",
                                                     "Family ID -16455 \u2014 System Folder:Finder: ICN#, ics#",
                                                     "Family ID 128 \u201CTrash\u201D \u2014 System Folder:Finder: ICN#",
                                                 }).join('\n').toStdString());
    EXPECT_EQ(texts(find->candidateList(), find->candidateList()->rowCount() - 2, 1),
              "cicn ID 130 \u201CColour\u201D \u2014 Colours\n8-bit 32x32, own palette, not shown|crsr ID 131 \u2014 Colours\ndamaged");

    // Each shows as the Files panel shows it (below).
    const int rows = find->candidateList()->rowCount();
    find->candidateList()->selectRow(int(stored.indexOf("Family ID 128 \u201CTrash\u201D \u2014 System Folder:Finder: ICN#")));
    expectShowing(kFinderFork, drawn("ICN#", 128, "Trash", "trash"));
    find->candidateList()->selectRow(int(stored.indexOf("Family ID 128 \u2014 Painter: ICN#")));
    expectShowing("catalog.hfs", drawn("ICN#", 128, "", "bell"));
    EXPECT_EQ(find->candidateList()->rowCount(), rows); // the list stays
}

// A family is one row of its members (a file's ICN# and ics#). Double-clicking a row shows its
// icon, a family's 32-pixel member; clicking a member's thumbnail shows that member: in the
// fork when it is long enough to browse, else where it lies in the whole image. "Export
// Family…" writes the family.
TEST_F(FilesPanelTest, ListedIconsAndFamilyMembersShowAndExport)
{
    openVolume();
    const std::tuple<const char*, const char*, int, QString, ForkResource> cases[] = {
        {"Catalog/System Folder/Finder", "ICN#, ics# -16455", -1, kFinderFork, drawn("ICN#", -16455, "", "smiley")},
        {"Catalog/System Folder/Finder", "ICN#, ics# -16455", 1, kFinderFork, drawn("ics#", -16455, "", "smiley")},
        {"Catalog/Painter", "ICN# 129", -1, "catalog.hfs", drawn("ICN#", 129, "", "document")},
    };
    const auto select = [&](const char* file) {
        QSignalSpy listed(panel(), &FilesPanel::iconsListed);
        panel()->treeView()->setCurrentIndex(indexOf(QString::fromUtf8(file)));
        return listed.wait(20000);
    };
    for (const auto& [file, icon, member, title, bytes] : cases) {
        if (panel()->treeView()->currentIndex() != indexOf(QString::fromUtf8(file))) {
            ASSERT_TRUE(select(file)) << file;
        }
        QTableWidget* list = panel()->iconList();
        int row = 0;
        while (row < list->rowCount() && list->item(row, 0)->text() + ' ' + list->item(row, 1)->text() != icon)
            ++row;
        ASSERT_LT(row, list->rowCount()) << icon;
        EXPECT_EQ(panel()->iconRows()[std::size_t(row)].icons.size(), std::size_t(QString::fromUtf8(icon).count(',') + 1)) << icon;
        if (member < 0)
            doubleClick(list, list->visualItemRect(list->item(row, 0)));
        else
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              FamilyRowDelegate::memberRect(list, list->model()->index(row, 0), std::size_t(member)).center());
        expectShowing(title, bytes);
    }

    ASSERT_TRUE(select("Catalog/System Folder/Finder"));
    const int family = panel()->iconList()->findItems(QStringLiteral("ICN#, ics#"), Qt::MatchExactly).value(0)->row();
    panel()->iconList()->selectRow(family);
    const QString folder = test::makeTempDir();
    QTest::mouseClick(panel()->exportFamilyButton(), Qt::LeftButton);
    ASSERT_TRUE(answerFolderDialog(folder));
    EXPECT_EQ(imagesIn(folder).join(", ").toStdString(), "family -16455-ICN#-32.png 32x32, family -16455-ICN#-32@8x.png 256x256, "
                                                         "family -16455-ics#-16.png 16x16, family -16455-ics#-16@8x.png 128x128, "
                                                         "family -16455.icns 16x16, family -16455.ico 16x16");
}


} // namespace
} // namespace pq
