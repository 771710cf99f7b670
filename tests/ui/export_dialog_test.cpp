#include "export/export_options.h"
#include "main_window_fixture.h"
#include "ui/bookmark_list_model.h"
#include "ui/export_dialog.h"
#include "ui/export_flow.h"
#include "ui/save_panel_accessory.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QThreadPool>

#include <array>

namespace pq {
namespace {

const char* const kSwitchKeys[] = {"exportImage", "imageCoordinatesOverlay", "exportText", "export3D", "exportSVG"};

void forgetSwitches()
{
    QSettings settings;
    for (const char* key : kSwitchKeys)
        settings.remove(QLatin1String(key));
}

// Each kind's switch, the controls it governs and its size label (none for scenes).
struct Group {
    QCheckBox* box;
    std::vector<QWidget*> controls;
    QLabel* size;
};
std::array<Group, 4> groups(const SavePanelAccessory& a)
{
    return {{{a.exportAsImageCheckbox(),
              {a.imageFormatPopup(), a.imageZoomFactorLabel(), a.imageZoomFactorValue(), a.coordinatesOverlay()},
              a.resultingImageDimensions()},
             {a.exportAsTextCheckbox(), {a.textZoomFactorLabel(), a.textZoomFactorValue()}, a.resultingTextDimensions()},
             {a.exportAs3DCheckbox(), {a.threeDFormatPopup()}, nullptr},
             {a.exportAsSVGCheckbox(), {a.svgZoomFactorLabel(), a.svgZoomFactorValue()}, a.resultingSVGDimensions()}}};
}

class AccessoryTest : public testing::Test {
protected:
    void SetUp() override { forgetSwitches(); }
};

TEST_F(AccessoryTest, FreshPanelOffersEveryKindWithThirtyTwoPixelSizes)
{
    SavePanelAccessory a;
    EXPECT_EQ(a.widthInPixels(), std::vector<std::int64_t>{32});
    EXPECT_EQ(a.resultingImageDimensions()->text(), "Resulting image size: 256 x 256 pixels");
    ASSERT_EQ(a.imageFormatPopup()->count(), 3);
    EXPECT_EQ(a.imageFormatPopup()->itemText(2), "TIFF");
    ASSERT_EQ(a.threeDFormatPopup()->count(), 2);
    EXPECT_EQ(a.threeDFormatPopup()->itemText(0), "DAE (Collada)");
    EXPECT_TRUE(a.threeDFormatPopup()->itemText(1).contains("USDZ"));

    const ExportOptions o = a.options();
    EXPECT_TRUE(o.exportImage && o.exportText && o.export3D && o.exportSVG);
    EXPECT_FALSE(o.imageCoordinatesOverlay);
    EXPECT_EQ(o.imageFormat, "PNG");
    EXPECT_TRUE(o.sceneIsCollada);
    a.threeDFormatPopup()->setCurrentIndex(1);
    a.imageFormatPopup()->setCurrentIndex(2);
    EXPECT_FALSE(a.options().sceneIsCollada);
    EXPECT_EQ(a.options().imageFormat, "TIFF");
}

TEST_F(AccessoryTest, EachGroupFollowsItsSwitchAlone)
{
    SavePanelAccessory a;
    const auto all = groups(a);
    for (int group = 0; group < 4; ++group) {
        SCOPED_TRACE(group);
        all[group].box->click(); // off
        for (int other = 0; other < 4; ++other) {
            const bool on = other != group;
            for (QWidget* w : all[other].controls)
                EXPECT_EQ(w->isEnabled(), on) << other;
            if (all[other].size) {
                EXPECT_EQ(all[other].size->isHidden(), !on) << other;
            }
            EXPECT_TRUE(all[other].box->isEnabled());
        }
        all[group].box->click(); // on again
        for (QWidget* w : all[group].controls)
            EXPECT_TRUE(w->isEnabled());
    }
}

TEST_F(AccessoryTest, ColourIconsOnlyWithdrawTextButKeepItsSwitch)
{
    SavePanelAccessory a;
    a.prepareFor({{0, "colour", 4, 128, false}, {64, "small colour", 8, 128, false}});
    EXPECT_EQ(a.widthInPixels(), (std::vector<std::int64_t>{16, 32}));
    EXPECT_FALSE(a.canDisplayExportAsText());
    EXPECT_FALSE(a.exportAsTextCheckbox()->isEnabled());
    EXPECT_FALSE(a.textZoomFactorLabel()->isEnabled());
    EXPECT_FALSE(a.textZoomFactorValue()->isEnabled());
    EXPECT_TRUE(a.resultingTextDimensions()->isHidden());
    EXPECT_TRUE(a.exportAsTextCheckbox()->isChecked());
    EXPECT_TRUE(a.options().exportText);

    // Any switch's click re-runs the group rules, which follow the text switch alone.
    a.exportAs3DCheckbox()->click();
    EXPECT_TRUE(a.textZoomFactorValue()->isEnabled());
    EXPECT_FALSE(a.resultingTextDimensions()->isHidden());
    EXPECT_FALSE(a.threeDFormatPopup()->isEnabled());

    // One 1-bit icon among them offers text again.
    SavePanelAccessory b;
    b.prepareFor({{0, "colour", 4, 128, false}, {8, "mono", 1, 16, false}});
    EXPECT_TRUE(b.exportAsTextCheckbox()->isEnabled());
    EXPECT_FALSE(b.resultingTextDimensions()->isHidden());
}

TEST_F(AccessoryTest, SizeLabelsListEveryWidthAndFollowTheZoomFields)
{
    SavePanelAccessory a;
    a.prepareFor({{0, "a", 1, 32, false}, {4, "b", 4, 64, false}, {8, "c", 8, 256, false}, {9, "bad", 0, 32, false}});
    EXPECT_EQ(a.resultingImageDimensions()->text(), "Resulting image size: 128 x 128 pixels, 256 x 256 pixels");
    EXPECT_EQ(a.resultingTextDimensions()->text(), "Resulting text size: 16 x 16 characters, 32 x 32 characters");
    EXPECT_EQ(a.resultingSVGDimensions()->text(), "Resulting size: 160 x 160 pixels, 320 x 320 pixels");

    a.textZoomFactorValue()->setText(QStringLiteral("3"));
    EXPECT_EQ(a.resultingTextDimensions()->text(), "Resulting text size: 48 x 48 characters, 96 x 96 characters");
    // A field holding no number counts as 0.
    a.imageZoomFactorValue()->setText(QStringLiteral("abc"));
    EXPECT_EQ(a.resultingImageDimensions()->text(), "Resulting image size: 0 x 0 pixels, 0 x 0 pixels");
    a.svgZoomFactorValue()->setText(QStringLiteral("x2"));
    EXPECT_EQ(a.resultingSVGDimensions()->text(), "Resulting size: 0 x 0 pixels, 0 x 0 pixels");
    EXPECT_EQ(a.options().imageZoom, 0);

}

TEST_F(AccessoryTest, ZoomCapsFollowTheWidthsAndTheRuler)
{
    SavePanelAccessory a;
    const auto top = [](QLineEdit* field) { return qobject_cast<const QIntValidator*>(field->validator())->top(); };
    const auto bottom = [](QLineEdit* field) { return qobject_cast<const QIntValidator*>(field->validator())->bottom(); };
    for (QLineEdit* field : {a.imageZoomFactorValue(), a.textZoomFactorValue(), a.svgZoomFactorValue()})
        EXPECT_EQ(bottom(field), 1);
    const std::vector<std::int64_t> big{32}, both{16, 32};
    EXPECT_EQ(top(a.imageZoomFactorValue()), maxImageZoom(big, false));
    a.coordinatesOverlay()->click();
    EXPECT_EQ(top(a.imageZoomFactorValue()), maxImageZoom(big, true));
    a.prepareFor({{0, "s", 1, 16, false}, {0, "l", 1, 32, false}});
    EXPECT_EQ(top(a.imageZoomFactorValue()), maxImageZoom(both, true));
    EXPECT_EQ(top(a.textZoomFactorValue()), maxTextZoom(both));
    EXPECT_EQ(top(a.svgZoomFactorValue()), maxSVGZoom());
}

class SwitchPersistence : public testing::TestWithParam<int> {};

TEST_P(SwitchPersistence, AClickIsStoredAndAFreshPanelShowsIt)
{
    forgetSwitches();
    const int index = GetParam();
    const QString key = QLatin1String(kSwitchKeys[index]);
    const bool fallback = index != 1;
    QCheckBox* (SavePanelAccessory::*boxes[])() const = {
        &SavePanelAccessory::exportAsImageCheckbox, &SavePanelAccessory::coordinatesOverlay,
        &SavePanelAccessory::exportAsTextCheckbox, &SavePanelAccessory::exportAs3DCheckbox,
        &SavePanelAccessory::exportAsSVGCheckbox};
    {
        SavePanelAccessory a;
        EXPECT_EQ((a.*boxes[index])()->isChecked(), fallback);
        (a.*boxes[index])()->click();
        EXPECT_EQ(QSettings().value(key).toBool(), !fallback);
    }
    SavePanelAccessory fresh;
    for (int other = 0; other < 5; ++other)
        EXPECT_EQ((fresh.*boxes[other])()->isChecked(), other == index ? !fallback : other != 1) << other;
    (fresh.*boxes[index])()->click();
    EXPECT_EQ(QSettings().value(key).toBool(), fallback);
}

INSTANTIATE_TEST_SUITE_P(FiveKeys, SwitchPersistence, testing::Range(0, 5));

TEST_F(AccessoryTest, DialogTextsAndItsRefusals)
{
    ExportDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Select a folder where to save your icon");
    EXPECT_EQ(dialog.chooseButton()->text(), "Choose");
    EXPECT_EQ(dialog.browseButton()->text(), "Choose…");
    EXPECT_EQ(dialog.accessory()->parentWidget(), &dialog);
    EXPECT_FALSE(dialog.chooseButton()->isEnabled());

    dialog.show();
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    const QString folder = test::makeTempDir();
    dialog.folderField()->setText(folder + QStringLiteral("/missing"));
    QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog.currentAlert());
    EXPECT_TRUE(dialog.currentAlert()->informativeText().contains("does not exist"));
    dialog.currentAlert()->close();

    dialog.folderField()->setText(folder);
    dialog.accessory()->imageZoomFactorValue()->setText(QStringLiteral("0"));
    QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog.currentAlert());
    EXPECT_EQ(dialog.currentAlert()->informativeText(), "The image zoom factor must be a whole number of at least 1.");
    EXPECT_EQ(accepted.count(), 0);
    dialog.currentAlert()->close();

    // A switched-off kind's zoom is not checked.
    dialog.accessory()->exportAsImageCheckbox()->click();
    QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_EQ(dialog.folder(), folder);
}

TEST_F(AccessoryTest, BrowsingPicksAFolderInAPanelThatCanCreateFolders)
{
    ExportDialog dialog;
    dialog.show();
    const QString folder = test::makeTempDir();
    QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
    auto* panel = dialog.findChild<QFileDialog*>();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->fileMode(), QFileDialog::Directory);
    EXPECT_FALSE(panel->testOption(QFileDialog::ReadOnly));
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    panel->setDirectory(folder);
    panel->selectFile(folder);
    static_cast<QDialog*>(panel)->accept(); // as its own confirming button does
    EXPECT_EQ(dialog.folder(), folder);
    EXPECT_TRUE(dialog.chooseButton()->isEnabled());
}

// The export through the main window: a file with bookmarks, the rows' buttons and the dialog.
class ExportFlowTest : public test::MainWindowFixture {
protected:
    void SetUp() override
    {
        forgetSwitches();
        test::MainWindowFixture::SetUp();
        static std::uint32_t seed = 700; // fresh bytes for every test: bookmarks are stored per content
        open({writeImage(++seed, "disk.img", 20000)});
        folder = test::makeTempDir();
    }

    ExportFlow* flow() const { return mvc->findChild<ExportFlow*>(); }
    void add(const Bookmark& b) { ASSERT_TRUE(mvc->document().appendBookmark(b)); }
    // Confirms the open dialog with the folder and waits until the flow has shown its outcome.
    void confirm()
    {
        ExportFlow* f = flow();
        ASSERT_TRUE(f && f->dialog());
        QSignalSpy done(f, &ExportFlow::finished);
        f->dialog()->folderField()->setText(folder);
        QTest::mouseClick(f->dialog()->chooseButton(), Qt::LeftButton);
        ASSERT_TRUE(done.count() == 1 || done.wait(30000));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QStringList written() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    QString folder;
};

TEST_F(ExportFlowTest, RowExportWritesEveryKindOfThatBookmarkOnly)
{
    EXPECT_FALSE(list->exportAllButton()->isEnabled());
    add({96, "mono", 1, 32, false});
    add({400, "colour", 4, 64, false});
    EXPECT_TRUE(list->exportAllButton()->isEnabled());
    const IconFormat before = mvc->chunker()->format();

    clickRowControl(1, BookmarkListCell::Control::Export);
    ASSERT_TRUE(flow());
    EXPECT_TRUE(flow()->dialog()->isVisible());
    EXPECT_EQ(flow()->dialog()->windowModality(), Qt::WindowModal);
    ASSERT_EQ(flow()->bookmarks().size(), 1u);
    EXPECT_EQ(flow()->bookmarks()[0].nickname, "colour");
    SavePanelAccessory* a = flow()->dialog()->accessory();
    EXPECT_EQ(a->widthInPixels(), std::vector<std::int64_t>{16});
    EXPECT_FALSE(a->exportAsTextCheckbox()->isEnabled());

    QSignalSpy status(mvc, &MainViewController::statusMessage);
    confirm();
    // The text switch stays on for colour icons: their text file is all spaces.
    EXPECT_EQ(written(), QStringList({"colour.dae", "colour.png", "colour.svg", "colour.txt"}));
    EXPECT_EQ(QImageReader(folder + QStringLiteral("/colour.png")).size(), QSize(16 * 8, 16 * 8));
    ASSERT_FALSE(status.isEmpty());
    EXPECT_TRUE(status.last().at(0).toString().startsWith("Exported 4 files to"));
    EXPECT_EQ(mvc->currentAlert(), nullptr);
    EXPECT_EQ(mvc->chunker()->format(), before);
    EXPECT_FALSE(flow());
}

TEST_F(ExportFlowTest, ExportAllTakesTheListAsItWasWhenTheDialogOpened)
{
    add({96, "mono", 1, 32, false});
    add({400, "small", 1, 16, true});
    QTest::mouseClick(list->exportAllButton(), Qt::LeftButton);
    ASSERT_TRUE(flow());
    EXPECT_EQ(flow()->dialog()->accessory()->widthInPixels(), (std::vector<std::int64_t>{16, 32}));
    EXPECT_TRUE(flow()->dialog()->accessory()->exportAsTextCheckbox()->isEnabled());
    SavePanelAccessory* a = flow()->dialog()->accessory();
    a->threeDFormatPopup()->setCurrentIndex(1);
    a->exportAsSVGCheckbox()->click();
    a->imageFormatPopup()->setCurrentIndex(a->imageFormatPopup()->findText("BMP"));
    a->textZoomFactorValue()->setText("2");

    add({800, "later", 1, 32, false}); // added while the dialog is open: not exported
    confirm();
    EXPECT_EQ(written(),
              QStringList({"mono.bmp", "mono.txt", "mono.usdz", "small.bmp", "small.txt", "small.usdz"}));
    // The text zoom reached the writer: 16 rows at zoom 2.
    QFile text(folder + QStringLiteral("/small.txt"));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(text.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 32);
}

TEST_F(ExportFlowTest, CancellingTheDialogWritesNothing)
{
    add({96, "mono", 1, 32, false});
    clickRowControl(0, BookmarkListCell::Control::Export);
    ASSERT_TRUE(flow());
    QSignalSpy done(flow(), &ExportFlow::finished);
    flow()->dialog()->folderField()->setText(folder);
    QTest::mouseClick(flow()->dialog()->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(done.count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(written().isEmpty());
    EXPECT_FALSE(flow());
}

TEST_F(ExportFlowTest, CancellingTheProgressBeforeTheFirstFileWritesNothing)
{
    add({96, "mono", 1, 32, false});
    clickRowControl(0, BookmarkListCell::Control::Export);
    ASSERT_TRUE(flow());
    // Hold every worker so that the export waits in the queue while it is cancelled.
    QThreadPool* pool = QThreadPool::globalInstance();
    const int workers = pool->maxThreadCount();
    QSemaphore release;
    for (int i = 0; i < workers; ++i)
        pool->start([&release] { release.acquire(); });
    ExportFlow* f = flow();
    QSignalSpy done(f, &ExportFlow::finished);
    QSignalSpy status(mvc, &MainViewController::statusMessage);
    f->dialog()->folderField()->setText(folder);
    QTest::mouseClick(f->dialog()->chooseButton(), Qt::LeftButton);
    ASSERT_TRUE(f->progressDialog());
    EXPECT_EQ(f->progressDialog()->windowModality(), Qt::WindowModal);
    QPushButton* cancel = f->progressDialog()->findChild<QPushButton*>();
    ASSERT_TRUE(cancel);
    EXPECT_EQ(cancel->text(), "Cancel");
    cancel->click();
    release.release(workers);
    ASSERT_TRUE(done.count() == 1 || done.wait(30000));
    pool->waitForDone();
    EXPECT_TRUE(written().isEmpty());
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last().at(0).toString(), "Export cancelled; no files were written.");
}

// The outcome shown is what happened: a Cancel that comes once every file is written is no
// cancel, and a failure is shown even when Cancel came with it.
TEST_F(ExportFlowTest, ACancelAfterTheLastFileShowsWhatHappened)
{
    const struct {
        bool failing;
        const char* shows;
    } cases[] = {{false, "Exported 4 files to"}, {true, "mono.txt"}};
    for (const auto& c : cases) {
        folder = test::makeTempDir();
        if (c.failing) {
            ASSERT_TRUE(QDir(folder).mkdir("mono.txt")); // a folder where the text file would go
        }
        if (!mvc->bookmarkFile() || mvc->bookmarkFile()->bookmarks.empty())
            add({96, "mono", 1, 32, false});
        clickRowControl(0, BookmarkListCell::Control::Export);
        ExportFlow* f = flow();
        ASSERT_TRUE(f);
        QSignalSpy done(f, &ExportFlow::finished);
        QSignalSpy status(mvc, &MainViewController::statusMessage);
        f->dialog()->folderField()->setText(folder);
        QTest::mouseClick(f->dialog()->chooseButton(), Qt::LeftButton);
        ASSERT_TRUE(f->progressDialog());
        QThreadPool::globalInstance()->waitForDone(); // every file is written or has failed
        f->progressDialog()->findChild<QPushButton*>()->click();
        ASSERT_TRUE(done.count() == 1 || done.wait(30000));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (c.failing) {
            ASSERT_TRUE(mvc->currentAlert());
            EXPECT_TRUE(mvc->currentAlert()->informativeText().contains(c.shows));
            mvc->currentAlert()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } else {
            ASSERT_FALSE(status.isEmpty());
            EXPECT_TRUE(status.last().at(0).toString().startsWith(c.shows)) << status.last().at(0).toString().toStdString();
        }
    }
}

// Each bookmark is decoded in its own format, even on a file too short for the browser's
// 1-bit 32x32 icons; one that cannot be decoded is named and the others are written.
TEST_F(ExportFlowTest, OnAShortFileTheBookmarksThatDecodeAreWrittenAndTheOthersNamed)
{
    open({writeImage(7001, "short.img", 2000)});
    add({96, "small", 1, 16, false});
    add({1950, "large", 1, 32, false}); // runs past the end
    QTest::mouseClick(list->exportAllButton(), Qt::LeftButton);
    confirm();
    EXPECT_EQ(written(), QStringList({"small.dae", "small.png", "small.svg", "small.txt"}));
    ASSERT_TRUE(mvc->currentAlert());
    const QString text = mvc->currentAlert()->informativeText();
    EXPECT_TRUE(text.contains(QStringLiteral("\u201Clarge\u201D"))) << text.toStdString();
    EXPECT_TRUE(text.contains("beyond the end of the file")) << text.toStdString();
    EXPECT_TRUE(text.contains("Exported 4 files")) << text.toStdString();
}

TEST_F(ExportFlowTest, NothingIsOfferedWithoutAWindowAndUndecodableViewsOpenNothing)
{
    add({96, "mono", 1, 32, false});
    const auto before = QApplication::topLevelWidgets().size();
    // Cannot be decoded: no window opens.
    mvc->openSceneViewer({19990, "edge", 1, 32, false});
    mvc->openSceneViewer({96, "no depth", 0, 32, false});
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before);
    EXPECT_TRUE(rowData(0, BookmarkListModel::CanViewRole).toBool());

    window->hide();
    mvc->exportBookmarks(mvc->bookmarkFile()->bookmarks);
    EXPECT_FALSE(flow());
    EXPECT_FALSE(mvc->findChild<ExportDialog*>());
}

} // namespace
} // namespace pq
