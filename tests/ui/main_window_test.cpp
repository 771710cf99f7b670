#include "bookmarks_file.h"
#include "document/bookmark_store.h"
#include "document/sha256_hex.h"
#include "main_window_fixture.h"
#include "ui/app_delegate.h"
#include "ui/bookmark_list_cell.h"
#include "ui/drop_zone.h"
#include "ui/icon_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QUrl>

namespace pq {
namespace {

// Catches the help page instead of starting a web browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

// The bookmarks file on disk, read with Qt's own JSON reader.
QJsonArray storedBookmarks(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("bookmarks")).toArray();
}

// Sends a drag of `mime` onto `target`; returns whether it was accepted.
bool dragEnter(QWidget* target, const QMimeData& mime)
{
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    return enter.isAccepted();
}

class MainWindowTest : public test::MainWindowFixture {
protected:
    void clickAddButtonOf(std::int64_t item)
    {
        if (grid().selectedItem() != item)
            QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, grid().rectForItem(item)->center());
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {},
                          IconCollectionViewItem::addButtonRect(*grid().rectForItem(item)).center());
    }
};

TEST_F(MainWindowTest, OpeningAFileShowsItFromTheFirstTile)
{
    EXPECT_TRUE(browser->dropLabel()->isVisible());
    open({writeImage(101)});
    EXPECT_EQ(window->windowTitle(), "disk.img");
    EXPECT_FALSE(browser->dropLabel()->isVisible());
    EXPECT_EQ(browser->bitDepthPopup()->currentText(), "Black and White (1-bit)");
    EXPECT_EQ(browser->dimensionPopup()->currentText(), "Regular Icon (32x32)");
    EXPECT_EQ(browser->offsetSlider()->maximum(), 3);
    EXPECT_EQ(browser->offsetSlider()->value(), 0);
    EXPECT_EQ(grid().numberOfItems(), 100000 / 4 - 128);
    EXPECT_EQ(grid().makeItem(1).representedObject()->offsetInFile, 4);
    EXPECT_EQ(grid().makeItem(1).labelText(), "4");
    EXPECT_EQ(list->tableView()->count(), 0);
    EXPECT_FALSE(list->exportAllButton()->isEnabled());

    // A second file resets the browser and replaces the title.
    const int eightBit = browser->bitDepthPopup()->findText(QStringLiteral("256 Colors (8-bit)"));
    browser->bitDepthPopup()->setCurrentIndex(eightBit);
    emit browser->bitDepthPopup()->activated(eightBit);
    EXPECT_EQ(browser->offsetSlider()->maximum(), 31);
    open({writeImage(102, "other.bin")});
    EXPECT_EQ(window->windowTitle(), "other.bin");
    EXPECT_EQ(browser->bitDepthPopup()->currentText(), "Black and White (1-bit)");
    EXPECT_EQ(browser->offsetSlider()->maximum(), 3);
}

TEST_F(MainWindowTest, AddButtonSavesOneBookmarkAndASecondPressSelectsItsRow)
{
    open({writeImage(103)});
    clickAddButtonOf(5);
    ASSERT_EQ(list->tableView()->count(), 1);
    const QJsonObject stored = storedBookmarks(mvc->document().jsonFileURL())[0].toObject();
    EXPECT_EQ(std::tuple(stored.value("offset").toInteger(), stored.value("bitDepth").toInteger(),
                         stored.value("widthInBits").toInteger()),
              std::tuple(20, 1, 32));
    EXPECT_EQ(list->cellAt(0)->coordinatesLabel()->text(), "Offset: 20\nBit Depth: 1\nDimensions: 32x32");

    list->tableView()->clearSelection();
    clickAddButtonOf(5);
    EXPECT_EQ(storedBookmarks(mvc->document().jsonFileURL()).size(), 1);
    EXPECT_EQ(list->tableView()->count(), 1);
    EXPECT_EQ(list->tableView()->currentRow(), 0);
    EXPECT_EQ(list->tableView()->selectedItems().size(), 1);
}

TEST_F(MainWindowTest, RowControlsRenameMaskAndDelete)
{
    open({writeImage(104)});
    clickAddButtonOf(3);
    ASSERT_EQ(list->tableView()->count(), 1);
    const QString json = mvc->document().jsonFileURL();

    QLineEdit* name = list->cellAt(0)->nickname();
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, "Rocket");
    QTest::keyClick(name, Qt::Key_Return);
    settle();
    EXPECT_EQ(storedBookmarks(json)[0].toObject().value("nickname").toString(), "Rocket");
    EXPECT_EQ(list->cellAt(0)->nickname()->text(), "Rocket");

    // The mask makes some pixels of the row's icon clear.
    QCheckBox* mask = list->cellAt(0)->iconMaskCheckBox();
    ASSERT_FALSE(mask->isHidden());
    const auto hasClear = [](const PixelArray& p) {
        return std::any_of(p.pixels().begin(), p.pixels().end(), [](const Color& c) { return c.isClear(); });
    };
    EXPECT_FALSE(hasClear(*list->cellAt(0)->pixelArray()));
    QTest::mouseClick(mask, Qt::LeftButton, {}, QPoint(6, mask->height() / 2)); // on the box itself
    settle();
    EXPECT_TRUE(storedBookmarks(json)[0].toObject().value("hasMask").toBool());
    EXPECT_TRUE(list->cellAt(0)->iconMaskCheckBox()->isChecked());
    EXPECT_TRUE(hasClear(*list->cellAt(0)->pixelArray()));

    QTest::mouseClick(list->cellAt(0)->deleteButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(list->tableView()->count(), 0);
    EXPECT_EQ(storedBookmarks(json).size(), 0);
    EXPECT_FALSE(list->exportAllButton()->isEnabled());
}

TEST_F(MainWindowTest, SelectingARowDrivesTheBrowserAndTheGridReachesRows)
{
    open({writeImage(105)});
    ASSERT_TRUE(mvc->document().appendBookmark({1234, "four", 4, 128, false}));
    ASSERT_TRUE(mvc->document().appendBookmark({40, "one", 1, 16, true}));
    ASSERT_EQ(list->tableView()->count(), 2);
    EXPECT_TRUE(list->cellAt(0)->iconMaskCheckBox()->isHidden());
    EXPECT_TRUE(list->cellAt(1)->iconMaskCheckBox()->isChecked());
    EXPECT_EQ(list->cellAt(0)->iconView()->zoomFactor(), 3);

    QTest::mouseClick(list->tableView()->viewport(), Qt::LeftButton, {},
                      list->tableView()->visualItemRect(list->tableView()->item(0)).topLeft() + QPoint(3, 3));
    EXPECT_EQ(browser->bitDepthPopup()->currentText(), "16 Colors (4-bit)");
    EXPECT_EQ(browser->offsetSlider()->value(), 2);
    EXPECT_EQ(grid().selectedItem(), 77);
    list->selectBookmarkRow(1);
    EXPECT_EQ(browser->dimensionPopup()->currentText(), "Small Icon (16x16)");
    EXPECT_EQ(grid().selectedItem(), 20);

    EXPECT_TRUE(list->cellAt(0)->iconView()->withGrid());
    browser->showGridCheckBox()->click();
    EXPECT_FALSE(mvc->document().mustShowPixelGrid());
    EXPECT_FALSE(list->cellAt(0)->iconView()->withGrid());
    EXPECT_FALSE(grid().makeItem(0).withGrid());
}

TEST_F(MainWindowTest, UndecodableBookmarksGetRowsThatSaySo)
{
    const QString image = writeImage(106);
    BookmarkFile edited{"disk.img", sha256Hex(bytes), {}}; // hand-edited, already in the store
    edited.bookmarks = {{10, "zero depth", 0, 32, false},
                        {5, "odd depth", 3, 24, false},
                        {std::int64_t{1} << 40, "far away", 1, 32, true},
                        {-8, "negative", 1, 32, false},
                        {20, "fine", 4, 128, false}};
    BookmarkStore store;
    ASSERT_TRUE(store.ensureFolder());
    ASSERT_TRUE(QFile::copy(QString::fromStdString(test::writeBookmarksFile(edited)), store.pathFor(edited.sha256)));
    open({image});
    ASSERT_EQ(list->tableView()->count(), 5);
    for (int row = 0; row < 5; ++row) {
        BookmarkListCell* cell = list->cellAt(row);
        EXPECT_EQ(cell->problemLabel()->isHidden(), row == 4) << row;
        EXPECT_EQ(bool(cell->pixelArray()), row == 4) << row;
        EXPECT_TRUE(cell->deleteButton()->isEnabled()) << row;
    }
    EXPECT_EQ(list->cellAt(0)->coordinatesLabel()->text(), "Offset: 10\nBit Depth: 0\nDimensions: unknown");
    EXPECT_EQ(list->cellAt(1)->coordinatesLabel()->text(), "Offset: 5\nBit Depth: 3\nDimensions: 8x8");
    EXPECT_TRUE(list->cellAt(2)->iconMaskCheckBox()->isHidden());

    // Selecting every row in turn never fails; the bad formats leave the popups alone.
    for (int row = 0; row < 5; ++row)
        list->selectBookmarkRow(row);
    EXPECT_EQ(browser->bitDepthPopup()->currentText(), "16 Colors (4-bit)");
    EXPECT_EQ(grid().selectedItem(), 1);

    QTest::mouseClick(list->cellAt(0)->deleteButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(list->tableView()->count(), 4);
}

TEST_F(MainWindowTest, RenamingARowRenamesThatRowEvenWhenAnEarlierOneHasTheSameKey)
{
    const QString image = writeImage(113);
    BookmarkFile edited{"disk.img", sha256Hex(bytes), {{40, "first", 1, 32, false}, {40, "second", 1, 32, false}}};
    BookmarkStore store;
    ASSERT_TRUE(store.ensureFolder());
    ASSERT_TRUE(QFile::copy(QString::fromStdString(test::writeBookmarksFile(edited)), store.pathFor(edited.sha256)));
    open({image});
    ASSERT_EQ(list->tableView()->count(), 2);

    QLineEdit* name = list->cellAt(1)->nickname();
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, "Renamed");
    QTest::keyClick(name, Qt::Key_Return);
    settle();
    const QJsonArray stored = storedBookmarks(mvc->document().jsonFileURL());
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].toObject().value("nickname").toString(), "first");
    EXPECT_EQ(stored[1].toObject().value("nickname").toString(), "Renamed");
}

TEST_F(MainWindowTest, DropImportsBookmarksFilesBeforeOpeningImages)
{
    open({writeImage(107, "first.img")});
    const std::string firstDigest = sha256Hex(bytes);
    const QString second = writeImage(108, "second.img");
    const QString json = QString::fromStdString(
        test::writeBookmarksFile({"first.img", firstDigest, {{64, "from elsewhere", 1, 32, false}}}, "old bookmarks.json"));

    std::vector<QString> events;
    QObject::connect(&mvc->document(), &DocumentController::importFinished, mvc,
                     [&](const ImportReport& r) { events.push_back(QStringLiteral("import %1").arg(r.added)); });
    QObject::connect(&mvc->document(), &DocumentController::documentOpened, mvc,
                     [&] { events.push_back(QStringLiteral("open ") + mvc->document().fileName()); });

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(second), QUrl::fromLocalFile(json)});
    // Dragged over the tile grid: the window's drop zone takes it.
    EXPECT_TRUE(dragEnter(grid().viewport(), mime));
    EXPECT_TRUE(mvc->dropZone()->isHighlighted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid().viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(mvc->dropZone()->isHighlighted());
    ASSERT_TRUE(mvc->document().waitForIntake(20000));
    ASSERT_TRUE(mvc->document().waitForDigest(20000));

    EXPECT_EQ(events, (std::vector<QString>{"import 1", "open second.img"}));
    EXPECT_EQ(window->windowTitle(), "second.img");
    EXPECT_EQ(storedBookmarks(BookmarkStore().pathFor(firstDigest)).size(), 1);
}

TEST_F(MainWindowTest, DragsWithoutLocalFilesAreRefusedAndLeavingRemovesTheHighlight)
{
    DropZone* zone = mvc->dropZone();
    QMimeData text, web, files;
    text.setText(QStringLiteral("just words"));
    web.setUrls({QUrl(QStringLiteral("https://example.org/disk.img"))});
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x.img"))});
    EXPECT_FALSE(dragEnter(zone, text));
    EXPECT_FALSE(dragEnter(zone, web));
    EXPECT_FALSE(zone->isHighlighted());
    EXPECT_TRUE(dragEnter(zone, files));
    EXPECT_TRUE(zone->isHighlighted());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(zone, &leave);
    EXPECT_FALSE(zone->isHighlighted());
    EXPECT_FALSE(mvc->document().hasDocument());
}

TEST_F(MainWindowTest, OpenPanelTakesSeveralFilesAndShowsFailuresInAWindowModalAlert)
{
    QAction* openAction = window->findChild<QAction*>(QStringLiteral("openAction"));
    ASSERT_TRUE(openAction);
    EXPECT_EQ(openAction->shortcut(), QKeySequence(QKeySequence::Open));
    openAction->trigger();
    auto* panel = window->findChild<QFileDialog*>();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    emit panel->filesSelected({writeImage(109, "a.img"), writeImage(110, "b.img")});
    ASSERT_TRUE(mvc->document().waitForIntake(20000));
    EXPECT_EQ(window->windowTitle(), "b.img");
    EXPECT_EQ(mvc->currentAlert(), nullptr);

    emit panel->filesSelected({test::makeTempDir() + QStringLiteral("/missing.img")});
    ASSERT_TRUE(mvc->document().waitForIntake(20000));
    QMessageBox* alert = mvc->currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(alert->informativeText().contains("missing.img"));
    EXPECT_EQ(window->windowTitle(), "b.img");
    alert->accept();
    panel->reject();
}

TEST_F(MainWindowTest, HelpOpensTheHelpPage)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QAction* help = window->findChild<QAction*>(QStringLiteral("helpAction"));
    ASSERT_TRUE(help);
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));
    help->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("https://pixelquarry.org/help/help"))});
}

TEST_F(MainWindowTest, ProgressRowFollowsLongReadsAndCancels)
{
    auto* bar = mvc->findChild<QProgressBar*>();
    ASSERT_TRUE(bar);
    EXPECT_FALSE(bar->isVisible());
    bool cancelled = false;
    mvc->beginProgress(QStringLiteral("Reading big.img"), [&] { cancelled = true; });
    mvc->updateProgress(std::int64_t{3} << 31, std::int64_t{6} << 31); // beyond int, half done
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value() * 2, bar->maximum());
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
    EXPECT_EQ(panel->windowTitle(), request.title);
    EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(panel->labelText(QFileDialog::FileName), request.nameFieldLabel);
    EXPECT_EQ(panel->defaultSuffix(), "json");
    panel->selectFile(request.folder + QStringLiteral("/chosen.json"));
    static_cast<QDialog*>(panel)->accept(); // the panel's own accept, as its Save button
    settle();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].kind, SaveLocationAnswer::Kind::Confirmed);
    EXPECT_EQ(answers[0].path, request.folder + QStringLiteral("/chosen.json"));

    panel = ask();
    ASSERT_TRUE(panel);
    panel->reject();
    settle();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1].kind, SaveLocationAnswer::Kind::Cancelled);
}

TEST_F(MainWindowTest, WithoutAShownWindowErrorsAreNotShown)
{
    window->hide();
    mvc->displayErrorWithError(QStringLiteral("Title"), QStringLiteral("Text"));
    EXPECT_EQ(mvc->currentAlert(), nullptr);
}

TEST_F(MainWindowTest, StartRegistersTheExportDefaultsAndOpensCommandLineFilesInOrder)
{
    QSettings().clear();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    QSettings after;
    for (const char* key : {"exportImage", "exportText", "export3D", "exportSVG"})
        EXPECT_TRUE(after.value(QLatin1String(key)).toBool()) << key;
    EXPECT_TRUE(after.contains(QStringLiteral("imageCoordinatesOverlay")));
    EXPECT_FALSE(after.value(QStringLiteral("imageCoordinatesOverlay")).toBool());

    const QString a = writeImage(111, "one.img", 50000);
    delegate.openFiles(window.get(), {a, writeImage(112, "two.img", 50000)});
    ASSERT_TRUE(mvc->document().waitForIntake(20000));
    EXPECT_EQ(window->windowTitle(), "two.img");
    delegate.openFiles(nullptr, {a}); // no main window: ignored
}

} // namespace
} // namespace pq

#include "main_window_test.moc"
