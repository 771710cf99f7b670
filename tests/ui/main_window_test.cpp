#include "bookmarks_file.h"
#include "document/bookmark_store.h"
#include "document/sha256_hex.h"
#include "main_window_fixture.h"
#include "ui/app_delegate.h"
#include "ui/drop_zone.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QListView>
#include <QSet>
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

// The list model's signals, one line each.
class ModelEvents {
public:
    explicit ModelEvents(QAbstractItemModel& model)
    {
        const auto range = [this](const char* what) {
            return [this, what](const QModelIndex&, int first, int last) {
                m_events << QStringLiteral("%1 %2-%3").arg(QLatin1String(what)).arg(first).arg(last);
            };
        };
        QObject::connect(&model, &QAbstractItemModel::modelReset, &m_context, [this] { m_events << "reset"; });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, &m_context, range("insert"));
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved, &m_context, range("remove"));
        QObject::connect(&model, &QAbstractItemModel::dataChanged, &m_context,
                         [this](const QModelIndex& from, const QModelIndex& to) {
                             m_events << QStringLiteral("change %1-%2").arg(from.row()).arg(to.row());
                         });
    }
    QStringList take() { return std::exchange(m_events, {}); }

private:
    QObject m_context;
    QStringList m_events;
};

bool hasClearPixels(const QImage& icon)
{
    const QImage pixels = icon.convertToFormat(QImage::Format_ARGB32);
    for (int y = 8; y < pixels.height() - 8; ++y)
        for (int x = 8; x < pixels.width() - 8; ++x)
            if (qAlpha(pixels.pixel(x, y)) == 0)
                return true;
    return false;
}

int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

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
        const BookmarkFile edited{"disk.img", sha256Hex(bytes), std::move(bookmarks)};
        BookmarkStore store;
        ASSERT_TRUE(store.ensureFolder());
        ASSERT_TRUE(QFile::copy(QString::fromStdString(test::writeBookmarksFile(edited)), store.pathFor(edited.sha256)));
    }
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
    EXPECT_EQ(grid().numberOfItems(), 24'968); // 4 x 24,967 + 128 < 100,000
    EXPECT_EQ(grid().makeItem(1).representedObject()->offsetInFile, 4);
    EXPECT_EQ(grid().makeItem(1).labelText(), "4");
    EXPECT_EQ(list->numberOfRows(), 0);
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
    ASSERT_EQ(list->numberOfRows(), 1);
    const QJsonObject stored = storedBookmarks(mvc->document().jsonFileURL())[0].toObject();
    EXPECT_EQ(std::tuple(stored.value("offset").toInteger(), stored.value("bitDepth").toInteger(),
                         stored.value("widthInBits").toInteger()),
              std::tuple(20, 1, 32));
    EXPECT_EQ(rowData(0, BookmarkListModel::CoordinatesRole).toString(), "Offset: 20\nBit Depth: 1\nDimensions: 32x32");

    list->tableView()->clearSelection();
    clickAddButtonOf(5);
    EXPECT_EQ(storedBookmarks(mvc->document().jsonFileURL()).size(), 1);
    EXPECT_EQ(list->numberOfRows(), 1);
    EXPECT_EQ(list->tableView()->currentIndex().row(), 0);
    EXPECT_EQ(list->tableView()->selectionModel()->selectedRows().size(), 1);
}

TEST_F(MainWindowTest, RowControlsEditTheirOwnRowAndTheListUpdatesOnlyThatRow)
{
    open({writeImage(104)});
    for (std::int64_t offset : {12, 40, 80})
        ASSERT_TRUE(mvc->document().appendBookmark({offset, "b", 1, 32, false}));
    const QString json = mvc->document().jsonFileURL();
    ModelEvents events(*list->model());

    rename(1, "Rocket");
    EXPECT_EQ(events.take(), QStringList{"change 1-1"});
    EXPECT_EQ(storedBookmarks(json)[1].toObject().value("nickname").toString(), "Rocket");
    EXPECT_EQ(rowData(1, Qt::DisplayRole).toString(), "Rocket");

    // The mask makes some pixels of the row's icon clear.
    EXPECT_FALSE(hasClearPixels(rowData(1, BookmarkListModel::IconRole).value<QImage>()));
    clickRowControl(1, BookmarkListCell::Control::Mask);
    EXPECT_EQ(events.take(), QStringList{"change 1-1"});
    EXPECT_TRUE(storedBookmarks(json)[1].toObject().value("hasMask").toBool());
    EXPECT_TRUE(rowData(1, BookmarkListModel::HasMaskRole).toBool());
    EXPECT_TRUE(hasClearPixels(rowData(1, BookmarkListModel::IconRole).value<QImage>()));

    clickRowControl(1, BookmarkListCell::Control::Delete);
    EXPECT_EQ(events.take(), QStringList{"remove 1-1"});
    EXPECT_EQ(list->numberOfRows(), 2);
    EXPECT_EQ(storedBookmarks(json).size(), 2);
    EXPECT_EQ(rowData(1, Qt::DisplayRole).toString(), "b");

    // An import of many bookmarks adds its rows at once.
    std::vector<Bookmark> many;
    for (std::int64_t offset = 100; offset < 150; ++offset)
        many.push_back({offset, "imported", 1, 32, false});
    mvc->document().processJSON(
        QByteArray::fromStdString(*encodeBookmarkFile({"disk.img", sha256Hex(bytes), many})), QStringLiteral("old.json"));
    EXPECT_EQ(events.take(), QStringList{"insert 2-51"});
    EXPECT_EQ(list->numberOfRows(), 52);
    if (QMessageBox* alert = mvc->currentAlert())
        alert->accept();
}

TEST_F(MainWindowTest, RenameAndMaskReachTheirOwnRowEvenWhenAnEarlierOneHasTheSameKey)
{
    const QString image = writeImage(113);
    storeBookmarks({{40, "first", 1, 32, false}, {80, "other", 1, 32, false}, {40, "second", 1, 32, false}});
    open({image});
    ASSERT_EQ(list->numberOfRows(), 3);
    rename(2, "Renamed");
    clickRowControl(2, BookmarkListCell::Control::Mask);
    const QJsonArray stored = storedBookmarks(mvc->document().jsonFileURL());
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[0].toObject().value("nickname").toString(), "first");
    EXPECT_EQ(stored[2].toObject().value("nickname").toString(), "Renamed");
    // The mask box switches its own row too.
    EXPECT_FALSE(stored[0].toObject().value("hasMask").toBool());
    EXPECT_TRUE(stored[2].toObject().value("hasMask").toBool());

    // Deleting removes every row with the key, each from the list as it is removed.
    ModelEvents events(*list->model());
    clickRowControl(2, BookmarkListCell::Control::Delete);
    EXPECT_EQ(events.take(), (QStringList{"remove 2-2", "remove 0-0"}));
    EXPECT_EQ(rowData(0, Qt::DisplayRole).toString(), "other");
}

TEST_F(MainWindowTest, SelectingARowDrivesTheBrowserAndTheGridReachesRows)
{
    open({writeImage(105)});
    ASSERT_TRUE(mvc->document().appendBookmark({1234, "four", 4, 128, false}));
    ASSERT_TRUE(mvc->document().appendBookmark({40, "one", 1, 16, true}));
    ASSERT_EQ(list->numberOfRows(), 2);
    EXPECT_FALSE(rowData(0, BookmarkListModel::ShowsMaskRole).toBool());
    EXPECT_TRUE(rowData(1, BookmarkListModel::ShowsMaskRole).toBool());
    EXPECT_TRUE(rowData(1, BookmarkListModel::HasMaskRole).toBool());

    QTest::mouseClick(list->tableView()->viewport(), Qt::LeftButton, {},
                      list->tableView()->visualRect(list->model()->index(0)).topLeft() + QPoint(3, 3));
    EXPECT_EQ(browser->bitDepthPopup()->currentText(), "16 Colors (4-bit)");
    EXPECT_EQ(browser->offsetSlider()->value(), 2);
    EXPECT_EQ(grid().selectedItem(), 77);
    list->selectBookmarkRow(1);
    EXPECT_EQ(browser->dimensionPopup()->currentText(), "Small Icon (16x16)");
    EXPECT_EQ(grid().selectedItem(), 20);

    const QImage withGrid = rowData(0, BookmarkListModel::IconRole).value<QImage>();
    browser->showGridCheckBox()->click();
    EXPECT_FALSE(mvc->document().mustShowPixelGrid());
    EXPECT_NE(rowData(0, BookmarkListModel::IconRole).value<QImage>(), withGrid);
    EXPECT_FALSE(grid().makeItem(0).withGrid());
}

TEST_F(MainWindowTest, UndecodableBookmarksGetRowsThatSaySo)
{
    const QString image = writeImage(106);
    storeBookmarks({{10, "zero depth", 0, 32, false},
                    {5, "odd depth", 3, 24, false},
                    {std::int64_t{1} << 40, "far away", 1, 32, true},
                    {-8, "negative", 1, 32, false},
                    {20, "fine", 4, 128, false}});
    open({image});
    ASSERT_EQ(list->numberOfRows(), 5);
    // Only the decodable row has an icon, painted in its row's icon area.
    std::vector<QRect> iconAreas;
    for (int row = 0; row < 5; ++row)
        iconAreas.push_back(list->controlRect(row, BookmarkListCell::Control::Icon));
    const QImage shown = list->tableView()->viewport()->grab().toImage();
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(rowData(row, BookmarkListModel::ProblemRole).toString().isEmpty(), row == 4) << row;
        EXPECT_EQ(rowData(row, BookmarkListModel::IconRole).value<QImage>().isNull(), row != 4) << row;
        const QRect iconArea = iconAreas[std::size_t(row)];
        EXPECT_EQ(colourCount(shown.copy(iconArea.adjusted(8, 8, -8, -8))) > 1, row == 4) << row;
    }
    EXPECT_EQ(rowData(0, BookmarkListModel::CoordinatesRole).toString(), "Offset: 10\nBit Depth: 0\nDimensions: unknown");
    EXPECT_EQ(rowData(1, BookmarkListModel::CoordinatesRole).toString(), "Offset: 5\nBit Depth: 3\nDimensions: 8x8");
    EXPECT_FALSE(rowData(2, BookmarkListModel::ShowsMaskRole).toBool());

    // Selecting every row in turn never fails; the bad formats leave the popups alone.
    for (int row = 0; row < 5; ++row)
        list->selectBookmarkRow(row);
    EXPECT_EQ(browser->bitDepthPopup()->currentText(), "16 Colors (4-bit)");
    EXPECT_EQ(grid().selectedItem(), 1);

    clickRowControl(0, BookmarkListCell::Control::Delete);
    EXPECT_EQ(list->numberOfRows(), 4);
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
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
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
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
    EXPECT_EQ(window->windowTitle(), "b.img");
    EXPECT_EQ(mvc->currentAlert(), nullptr);

    emit panel->filesSelected({test::makeTempDir() + QStringLiteral("/missing.img")});
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
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

TEST_F(MainWindowTest, OnASmallScreenTheBrowserKeepsFourTilesPerRowBesideEitherSidePanel)
{
    window->setGeometry(MainWindow::defaultGeometry(QRect(0, 0, 1366, 768)));
    for (const char* name : {"bookmarksDock", "findIconsDock"}) {
        auto* dock = window->findChild<QDockWidget*>(QLatin1String(name));
        ASSERT_TRUE(dock);
        dock->show();
        dock->raise();
        settle();
        EXPECT_TRUE(dock->isVisible()) << name;
        EXPECT_GE(grid().gridLayout().columns(), 4) << name;
    }
}

TEST_F(MainWindowTest, TheNextWindowOpensAsTheLastOneClosed)
{
    window->findChild<QDockWidget*>(QStringLiteral("bookmarksDock"))->hide();
    window->setGeometry(QRect(40, 30, 1300, 700));
    settle();
    window->close();
    MainWindow next;
    EXPECT_EQ(next.size(), QSize(1300, 700));
    EXPECT_TRUE(next.findChild<QDockWidget*>(QStringLiteral("bookmarksDock"))->isHidden());
    QSettings().remove(QStringLiteral("mainWindow"));
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
    ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
    EXPECT_EQ(window->windowTitle(), "two.img");
    delegate.openFiles(nullptr, {a}); // no main window: ignored
}

} // namespace
} // namespace pq

#include "main_window_test.moc"
