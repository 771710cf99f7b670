#include "main_window_fixture.h"
#include "ui/export_dialog.h"
#include "ui/export_flow.h"
#include "ui/save_panel_accessory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>

#include <array>

namespace pq {
namespace {

void forgetSwitches()
{
    QSettings settings;
    for (const char* key : {"exportImage", "imageCoordinatesOverlay", "exportText", "export3D", "exportSVG"})
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

TEST_F(AccessoryTest, EachGroupFollowsItsSwitchAloneAndTheSwitchIsKept)
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
        }
        all[group].box->click(); // on again
    }
    a.exportAs3DCheckbox()->click();
    EXPECT_FALSE(SavePanelAccessory().exportAs3DCheckbox()->isChecked());
}

TEST_F(AccessoryTest, OptionsAndSizeLabelsFollowTheControls)
{
    SavePanelAccessory a;
    a.prepareFor({{0, "a", 1, 32, false}, {4, "b", 4, 64, false}});
    a.threeDFormatPopup()->setCurrentIndex(1);
    a.imageFormatPopup()->setCurrentIndex(a.imageFormatPopup()->findText("TIFF"));
    a.textZoomFactorValue()->setText(QStringLiteral("3"));
    const ExportOptions o = a.options();
    EXPECT_FALSE(o.sceneIsCollada);
    EXPECT_EQ(o.imageFormat, "TIFF");
    EXPECT_EQ(o.textZoom, 3);
    EXPECT_EQ(a.resultingTextDimensions()->text(), "Resulting text size: 48 x 48 characters, 96 x 96 characters");
}

TEST_F(AccessoryTest, ColourIconsOnlyWithdrawTextButKeepItsSwitch)
{
    SavePanelAccessory a;
    a.prepareFor({{0, "colour", 4, 128, false}, {64, "small colour", 8, 128, false}});
    EXPECT_FALSE(a.exportAsTextCheckbox()->isEnabled());
    EXPECT_FALSE(a.textZoomFactorValue()->isEnabled());
    EXPECT_TRUE(a.resultingTextDimensions()->isHidden());
    EXPECT_TRUE(a.options().exportText);

    SavePanelAccessory b; // one 1-bit icon among them offers text again
    b.prepareFor({{0, "colour", 4, 128, false}, {8, "mono", 1, 16, false}});
    EXPECT_TRUE(b.exportAsTextCheckbox()->isEnabled());
}

TEST_F(AccessoryTest, TheDialogRefusesAMissingFolderAndUnusableOptions)
{
    ExportDialog dialog;
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
    dialog.currentAlert()->close();
    EXPECT_EQ(accepted.count(), 0);

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
    panel->setDirectory(folder);
    panel->selectFile(folder);
    static_cast<QDialog*>(panel)->accept(); // as its own confirming button does
    EXPECT_EQ(dialog.folder(), folder);
}

// The export through the main window: the rows' buttons, the dialog and the outcome shown.
class ExportFlowTest : public test::MainWindowFixture {
protected:
    void SetUp() override
    {
        forgetSwitches();
        test::MainWindowFixture::SetUp();
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

TEST_F(ExportFlowTest, ARowsExportButtonWritesThatBookmarkAndSaysSo)
{
    open({writeImage(701, "disk.img", 20000)});
    add({96, "mono", 1, 32, false});
    add({400, "colour", 4, 64, false});
    clickRowControl(1, BookmarkListCell::Control::Export);
    ASSERT_TRUE(flow());
    EXPECT_EQ(flow()->dialog()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(flow()->dialog()->accessory()->widthInPixels(), std::vector<std::int64_t>{16});

    QSignalSpy status(mvc, &MainViewController::statusMessage);
    confirm();
    EXPECT_EQ(written(), QStringList({"colour.dae", "colour.png", "colour.svg", "colour.txt"}));
    EXPECT_EQ(QImageReader(folder + QStringLiteral("/colour.png")).size(), QSize(16 * 8, 16 * 8));
    ASSERT_FALSE(status.isEmpty());
    EXPECT_TRUE(status.last().at(0).toString().startsWith("Exported 4 files to"));
    EXPECT_FALSE(flow());
}

// Export-all on a file too short for one of the bookmarks: the others are written and the
// undecodable one is named in an alert.
TEST_F(ExportFlowTest, ExportAllNamesTheBookmarksThatCannotBeDecoded)
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
    EXPECT_TRUE(text.contains("Exported 4 files")) << text.toStdString();
}

TEST_F(ExportFlowTest, NothingIsOfferedWithoutAWindow)
{
    window->hide();
    mvc->exportBookmarks({{96, "mono", 1, 32, false}});
    EXPECT_FALSE(flow());
    EXPECT_FALSE(mvc->findChild<ExportDialog*>());
}

} // namespace
} // namespace pq
