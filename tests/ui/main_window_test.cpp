#include "bookmarks_file.h"
#include "document/bookmark_store.h"
#include "main_window_fixture.h"
#include "ui/app_delegate.h"
#include "ui/drop_zone.h"
#include "ui/parts_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

namespace pq {
namespace {

bool dragEnter(QWidget* target, const QMimeData& mime)
{
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    return enter.isAccepted();
}

// The list model's row signals, one line each.
struct ModelEvents {
    explicit ModelEvents(QAbstractItemModel& model)
    {
        const auto log = [this](const char* what) {
            return [this, what](const QModelIndex&, int first, int last) {
                events << QStringLiteral("%1 %2-%3").arg(QLatin1String(what)).arg(first).arg(last);
            };
        };
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, &context, log("insert"));
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved, &context, log("remove"));
        QObject::connect(&model, &QAbstractItemModel::dataChanged, &context, [this](const QModelIndex& from, const QModelIndex& to) {
            events << QStringLiteral("change %1-%2").arg(from.row()).arg(to.row());
        });
    }
    QStringList take() { return std::exchange(events, {}); }
    QObject context;
    QStringList events;
};

class MainWindowTest : public test::MainWindowFixture {
protected:
    // Renames a row in place, as a user types into its nickname field.
    void rename(int row, const QString& nickname)
    {
        clickRowControl(row, BookmarkListCell::Control::Nickname);
        auto* editor = list->tableView()->findChild<QLineEdit*>(QStringLiteral("nickname"));
        ASSERT_TRUE(editor);
        editor->selectAll();
        QTest::keyClicks(editor, nickname);
        QTest::keyClick(editor, Qt::Key_Return);
        settle(); // the name is stored and the editor closed
        settle(); // the next click is no longer taken for the one that closed the editor
    }
    // A hand-edited bookmarks file of the data in `bytes`, already in the store.
    void storeBookmarks(std::vector<Bookmark> bookmarks)
    {
        const BookmarkFile edited{"disk.img", test::sha256Of(bytes), std::move(bookmarks)};
        BookmarkStore store;
        ASSERT_TRUE(store.ensureFolder());
        ASSERT_TRUE(QFile::copy(QString::fromStdString(test::writeBookmarksFile(edited)), store.pathFor(edited.sha256)));
    }
    // A field of a row of the bookmarks file on disk, read with Qt's own JSON reader.
    QString storedText(int row, const char* field) { return stored()[row][QLatin1String(field)].toVariant().toString(); }
    QJsonArray stored()
    {
        QFile file(mvc->document().jsonFileURL());
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll())["bookmarks"].toArray() : QJsonArray{};
    }
    QImage rowIcon(int row) const { return rowData(row, BookmarkListModel::IconRole).value<QImage>(); }
};

TEST_F(MainWindowTest, OpeningAFileShowsItsTilesAndAnotherResetsTheBrowser)
{
    open({writeImage(101)});
    EXPECT_EQ(window->windowTitle(), "disk.img");
    EXPECT_FALSE(browser->dropLabel()->isVisible());
    EXPECT_EQ(grid().tileCount(), 24'968); // 4 x 24,967 + 128 < 100,000

    browser->showBookmark(0, {8, 256});
    open({writeImage(102, "other.bin")});
    EXPECT_EQ(window->windowTitle(), "other.bin");
    EXPECT_EQ(browser->selectedBitDepth(), BitDepth::_1bit);
    EXPECT_EQ(browser->offsetSlider()->maximum(), 3);
}

TEST_F(MainWindowTest, AddButtonSavesOneBookmarkAndASecondPressSelectsItsRow)
{
    open({writeImage(103)});
    ModelEvents events(*list->model());
    const auto clickAdd = [&] {
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {},
                          IconCollectionViewItem::addButtonRect(*grid().rectForItem(5)).center());
    };
    clickAdd(); // the button shows on the selected tile only: this click selects
    EXPECT_EQ(grid().selectedItem(), 5);
    EXPECT_TRUE(events.take().isEmpty());
    clickAdd();
    EXPECT_EQ(events.take(), QStringList{"insert 0-0"});
    EXPECT_EQ(QStringList({storedText(0, "offset"), storedText(0, "nickname")}), QStringList({"20", "untitled 20"}));

    list->tableView()->clearSelection();
    clickAdd();
    EXPECT_EQ(stored().size(), 1);
    EXPECT_EQ(list->tableView()->currentIndex().row(), 0);
}

// Rows 0 and 2 share a key: the row controls act on their own row, and the list is told only
// of the rows that changed. Rows 3 and 4 share a key but not their mask's place: each shows its own.
TEST_F(MainWindowTest, RowControlsEditTheirOwnRow)
{
    const QString image = writeImage(104);
    storeBookmarks({{40, "first", 1, 32, false}, {80, "other", 1, 32, false}, {40, "second", 1, 32, false},
                    {200, "masked here", 4, 128, false, 1000}, {200, "masked there", 4, 128, false, 3000}});
    open({image});
    ASSERT_EQ(list->rowCount(), 5);
    EXPECT_NE(rowIcon(3), rowIcon(4));
    ModelEvents events(*list->model());

    rename(2, "Renamed");
    EXPECT_EQ(events.take(), QStringList{"change 2-2"});
    EXPECT_EQ(QStringList({storedText(0, "nickname"), storedText(2, "nickname")}), QStringList({"first", "Renamed"}));

    const QImage unmasked = rowIcon(2);
    clickRowControl(2, BookmarkListCell::Control::Mask);
    EXPECT_EQ(events.take(), QStringList{"change 2-2"});
    EXPECT_EQ(QStringList({storedText(0, "hasMask"), storedText(2, "hasMask")}), QStringList({"false", "true"}));
    EXPECT_NE(rowIcon(2), unmasked);

    clickRowControl(2, BookmarkListCell::Control::Delete);
    EXPECT_EQ(events.take(), (QStringList{"remove 2-2", "remove 0-0"}));
    EXPECT_EQ(rowData(0, Qt::DisplayRole), "other");
}

TEST_F(MainWindowTest, SelectingARowDrivesTheBrowserAndTheGridCheckBoxReachesTheRows)
{
    open({writeImage(105)});
    ASSERT_TRUE(mvc->document().appendBookmark({1234, "four", 4, 128, false}));
    ASSERT_TRUE(mvc->document().appendBookmark({40, "one", 1, 16, true}));
    QTest::mouseClick(list->tableView()->viewport(), Qt::LeftButton, {},
                      list->tableView()->visualRect(list->model()->index(0)).topLeft() + QPoint(3, 3));
    EXPECT_EQ(grid().selectedItem(), 77); // the browser's own tests prove the format and shift it shows
    list->selectBookmarkRow(1);
    EXPECT_EQ(grid().selectedItem(), 20);

    const QImage withGrid = rowIcon(0);
    browser->showGridCheckBox()->click();
    EXPECT_FALSE(mvc->document().mustShowPixelGrid());
    EXPECT_NE(rowIcon(0), withGrid);
    EXPECT_FALSE(grid().makeItem(0).withGrid());
}

TEST_F(MainWindowTest, UndecodableBookmarksGetRowsThatSaySo)
{
    const QString image = writeImage(106);
    storeBookmarks({{10, "zero depth", 0, 32, false},
                    {std::int64_t{1} << 40, "far away", 1, 32, true},
                    {20, "fine", 4, 128, false}});
    open({image});
    ASSERT_EQ(list->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(rowData(row, BookmarkListModel::ProblemRole).toString().isEmpty(), row == 2) << row;
        EXPECT_EQ(rowData(row, BookmarkListModel::DecodesRole).toBool(), row == 2) << row;
        EXPECT_FALSE(rowData(row, BookmarkListModel::ShowsMaskRole).toBool()) << row;
        list->selectBookmarkRow(row); // never fails; the bad formats leave the popups alone
    }
    EXPECT_EQ(rowData(0, BookmarkListModel::CoordinatesRole).toString(), "Offset: 10\nBit Depth: 0\nDimensions: unknown");
    EXPECT_EQ(browser->selectedBitDepth(), BitDepth::_4bit);
    EXPECT_EQ(grid().selectedItem(), 1);
    clickRowControl(0, BookmarkListCell::Control::Delete);
    EXPECT_EQ(list->rowCount(), 2);
}

// A 4 MiB file cut to 1.5 MiB by another program while it is open: what lies past the new end
// is drawn blank (the browser's tiles, a bookmark's row, the 3D viewer opens nothing), what
// lies before it is still drawn, and the user is told once.
TEST_F(MainWindowTest, AFileShrunkOnDiskShowsBlankTilesPastItsEndAndSaysSoOnce)
{
    const QString image = writeImage(108, "shrinking.img", std::size_t{4} << 20);
    open({image});
    constexpr std::int64_t kNewSize = std::int64_t{3} << 19;
    std::filesystem::resize_file(image.toStdString(), kNewSize);
    constexpr std::int64_t kLastWhole = (kNewSize - 128) / 4; // 1-bit 32x32: tile t reads [4t, 4t + 128)
    const auto hasDarkPixel = [](const QImage& shot, const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (qGray(shot.pixel(x, y)) < 64)
                    return true;
        return false;
    };
    grid().centreItems({kLastWhole, kLastWhole});
    const QImage shot = grid().viewport()->grab().toImage(); // painted as on screen
    const TileRange visible = grid().visibleItems();
    int checked = 0;
    for (std::int64_t item = visible.first; item <= visible.last; ++item) {
        const QRect icon = IconCollectionViewItem::iconRect(*grid().rectForItem(item)).adjusted(3, 3, -3, -3);
        if (!shot.rect().contains(icon))
            continue; // partly scrolled out
        ++checked;
        EXPECT_EQ(hasDarkPixel(shot, icon), item <= kLastWhole) << item;
    }
    EXPECT_GE(checked, 8);

    ASSERT_TRUE(mvc->document().appendBookmark({4, "before", 1, 32, false}));
    ASSERT_TRUE(mvc->document().appendBookmark({kNewSize, "past the end", 1, 32, false}));
    EXPECT_FALSE(rowIcon(0).isNull());
    EXPECT_TRUE(rowIcon(1).isNull());
    mvc->openSceneViewer(*mvc->document().bookmarkFile()->bookmarks.rbegin());
    settle();
    int told = 0;
    for (const QMessageBox* alert : window->findChildren<QMessageBox*>())
        told += alert->text() == QStringLiteral("The file changed on disk");
    EXPECT_EQ(told, 1);
}

TEST_F(MainWindowTest, DropsOfLocalFilesOpenThemAndOthersAreRefused)
{
    DropZone* zone = mvc->dropZone();
    QMimeData text, web, files;
    text.setText(QStringLiteral("just words"));
    web.setUrls({QUrl(QStringLiteral("https://example.org/disk.img"))});
    files.setUrls({QUrl::fromLocalFile(writeImage(107, "dropped.img"))});
    EXPECT_FALSE(dragEnter(zone, text) || dragEnter(zone, web));
    EXPECT_FALSE(zone->isHighlighted());

    EXPECT_TRUE(dragEnter(grid().viewport(), files)); // over the tile grid: the zone takes it
    EXPECT_TRUE(zone->isHighlighted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid().viewport(), &drop);
    EXPECT_FALSE(zone->isHighlighted());
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
    EXPECT_EQ(window->windowTitle(), "dropped.img");
}

TEST_F(MainWindowTest, OpenPanelAndCommandLineOpenSeveralFilesFailuresShowInAWindowModalAlert)
{
    window->findChild<QAction*>(QStringLiteral("openAction"))->trigger();
    auto* panel = window->findChild<QFileDialog*>();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFiles);
    emit panel->filesSelected({writeImage(109, "a.img"), writeImage(110, "b.img")});
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
    EXPECT_EQ(window->windowTitle(), "b.img");
    EXPECT_EQ(mvc->currentAlert(), nullptr);

    emit panel->filesSelected({test::makeTempDir() + QStringLiteral("/missing.img")});
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
    QMessageBox* alert = mvc->currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_TRUE(alert->windowModality() == Qt::WindowModal && alert->informativeText().contains("missing.img"));
    alert->accept();
    panel->reject();
    AppDelegate delegate;
    delegate.openFiles(window.get(), {writeImage(111, "one.img", 50000), writeImage(112, "two.img", 50000)});
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000)); // as from the command line
    EXPECT_EQ(window->windowTitle(), "two.img");

    // Without a shown window nothing is shown.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->hide();
    mvc->displayErrorWithError(QStringLiteral("Title"), QStringLiteral("Text"));
    EXPECT_EQ(mvc->currentAlert(), nullptr);
}

// A zip of two equal members asks in a window-modal dialog; Enter, a double-click or "Open
// Raw Bytes" opens, Escape opens nothing. The File menu reopens the raw bytes or the parts.
TEST_F(MainWindowTest, PartsDialogAnswersTheQuestionAndTheFileMenuReopens)
{
    const QString dir = QFileInfo(writeImage(120, "a.img", 4000)).path();
    const auto a = bytes;
    ASSERT_TRUE(QFile::copy(QFileInfo(writeImage(121, "b.img", 3000)).filePath(), dir + "/b.img"));
    ASSERT_EQ(std::system(("cd '" + dir + "' && zip -q two.zip a.img b.img").toLocal8Bit().constData()), 0);
    auto* partsAction = window->findChild<QAction*>(QStringLiteral("partsAction"));
    auto* rawAction = window->findChild<QAction*>(QStringLiteral("openRawBytesAction"));
    const auto answer = [this](const std::function<void(PartsDialog&)>& act) {
        EXPECT_TRUE(QTest::qWaitFor([this] { return mvc->currentPartsDialog() != nullptr; }, 20000));
        PartsDialog* dialog = mvc->currentPartsDialog();
        EXPECT_TRUE(dialog->windowModality() == Qt::WindowModal && dialog->list()->topLevelItemCount() == 2);
        act(*dialog);
        EXPECT_TRUE(mvc->document().intake().waitForIntake(20000));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    const struct {
        std::function<void(PartsDialog&)> act;
        QString title;
    } cases[] = {
        {[](PartsDialog& d) { QTest::keyClick(d.list(), Qt::Key_Escape); }, QStringLiteral("Pixelquarry")},
        {[](PartsDialog& d) { QTest::keyClick(d.list(), Qt::Key_Return); }, QStringLiteral("two.zip \u25B8 a.img")},
        {[&](PartsDialog& d) { 
             const QPoint at = d.list()->visualItemRect(d.list()->topLevelItem(1)).center();
             QTest::mouseClick(d.list()->viewport(), Qt::LeftButton, {}, at); // a double-click's first press
             QTest::mouseDClick(d.list()->viewport(), Qt::LeftButton, {}, at);
         },
         QStringLiteral("two.zip \u25B8 b.img")},
        {[](PartsDialog& d) { d.findChild<QPushButton*>(QStringLiteral("openRawBytes"))->click(); }, QStringLiteral("two.zip")},
    };
    for (const auto& c : cases) {
        mvc->openFiles({dir + "/two.zip"});
        answer(c.act);
        EXPECT_EQ(window->windowTitle(), c.title);
    }
    EXPECT_TRUE(partsAction->isEnabled() && rawAction->isEnabled());
    partsAction->trigger();
    answer([](PartsDialog& d) { QTest::keyClick(d.list(), Qt::Key_Return); });
    EXPECT_EQ(window->windowTitle(), QStringLiteral("two.zip \u25B8 a.img"));
    ASSERT_TRUE(mvc->document().waitForDigest(20000));
    EXPECT_EQ(mvc->document().digest(), test::sha256Of(a));
    open({writeImage(122, "plain.img", 4000)});
    EXPECT_FALSE(partsAction->isEnabled() || rawAction->isEnabled());
}

TEST_F(MainWindowTest, ProgressRowFollowsLongReadsAndCancels)
{
    auto* bar = mvc->findChild<QProgressBar*>();
    ASSERT_TRUE(bar);
    bool cancelled = false;
    mvc->beginProgress(QStringLiteral("Reading big.img"), [&] { cancelled = true; });
    mvc->updateProgress(std::int64_t{3} << 31, std::int64_t{6} << 31); // beyond int, half done
    EXPECT_TRUE(bar->isVisible() && bar->value() * 2 == bar->maximum());
    for (QPushButton* button : mvc->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Cancel") && button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(cancelled);
    mvc->endProgress();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(MainWindowTest, SaveLocationQuestionAnswersOnceWithTheChosenPath)
{
    SaveLocationRequest request{QStringLiteral("Create a bookmarks file"), QStringLiteral("Bookmarks file name"),
                                QStringLiteral("abc.json"), test::makeTempDir(), QStringLiteral("json")};
    std::vector<SaveLocationAnswer> answers;
    const auto ask = [&] {
        mvc->askSaveLocation(request, [&](const SaveLocationAnswer& a) { answers.push_back(a); });
        for (QFileDialog* candidate : window->findChildren<QFileDialog*>())
            if (candidate->isVisible())
                return candidate;
        return static_cast<QFileDialog*>(nullptr);
    };
    QFileDialog* panel = ask();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
    panel->selectFile(request.folder + QStringLiteral("/chosen.json"));
    static_cast<QDialog*>(panel)->accept(); // the panel's own accept, as its Save button
    settle();
    ASSERT_TRUE(panel = ask());
    panel->reject();
    settle();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(std::pair(answers[0].kind, answers[0].path), std::pair(SaveLocationAnswer::Kind::Confirmed, request.folder + "/chosen.json"));
    EXPECT_EQ(answers[1].kind, SaveLocationAnswer::Kind::Cancelled);
}

// On a small screen the browser keeps four tiles a row beside either side panel; the next
// window opens as the last one closed.
TEST_F(MainWindowTest, WindowFitsASmallScreenAndTheNextOneOpensAsTheLastOneClosed)
{
    window->setGeometry(MainWindow::defaultGeometry(QRect(0, 0, 1366, 768)));
    for (const char* name : {"findIconsDock", "bookmarksDock"}) {
        auto* dock = window->findChild<QDockWidget*>(QLatin1String(name));
        dock->show();
        dock->raise();
        settle();
        EXPECT_GE(grid().gridLayout().columns(), 4) << name;
    }
    window->findChild<QDockWidget*>(QStringLiteral("bookmarksDock"))->hide();
    window->setGeometry(QRect(40, 30, 1300, 700));
    settle();
    window->close();
    MainWindow next;
    EXPECT_EQ(next.size(), QSize(1300, 700));
    EXPECT_TRUE(next.findChild<QDockWidget*>(QStringLiteral("bookmarksDock"))->isHidden());
    QSettings().remove(QStringLiteral("mainWindow"));
}

} // namespace
} // namespace pq

