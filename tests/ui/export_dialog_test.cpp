#include "main_window_fixture.h"
#include "ui/export_dialog.h"
#include "ui/export_flow.h"
#include "ui/save_panel_accessory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>

namespace pq {
namespace {

void forgetSwitches()
{
    QSettings settings;
    for (const char* key : {"exportImage", "imageCoordinatesOverlay", "exportText", "export3D", "exportSVG"})
        settings.remove(QLatin1String(key));
}

// Each kind's switch governs its own controls and size label alone and is kept for the next
// panel; colour icons only withdraw text but keep its switch.
TEST(SavePanelAccessory, SwitchesGovernTheirGroupAloneAndOptionsFollowTheControls)
{
    forgetSwitches();
    SavePanelAccessory a;
    const std::pair<QCheckBox*, std::vector<QWidget*>> groups[] = {
        {a.exportAsImageCheckbox(), {a.imageFormatPopup(), a.imageZoomFactorLabel(), a.imageZoomFactorValue(),
                                     a.coordinatesOverlay(), a.resultingImageDimensions()}},
        {a.exportAsTextCheckbox(), {a.textZoomFactorLabel(), a.textZoomFactorValue(), a.resultingTextDimensions()}},
        {a.exportAs3DCheckbox(), {a.threeDFormatPopup()}},
        {a.exportAsSVGCheckbox(), {a.svgZoomFactorLabel(), a.svgZoomFactorValue(), a.resultingSVGDimensions()}}};
    for (const auto& [box, unused] : groups) {
        box->click(); // off
        for (const auto& [other, controls] : groups)
            for (QWidget* w : controls)
                EXPECT_EQ(w->isEnabled() && !w->isHidden(), other != box) << w->objectName().toStdString();
        box->click(); // on again
    }

    a.prepareFor({{0, "colour", 4, 128, false}, {64, "small colour", 8, 128, false}});
    EXPECT_FALSE(a.exportAsTextCheckbox()->isEnabled());
    EXPECT_FALSE(a.textZoomFactorValue()->isEnabled());
    EXPECT_TRUE(a.resultingTextDimensions()->isHidden());
    EXPECT_TRUE(a.options().exportText);
    a.prepareFor({{0, "a", 1, 32, false}, {4, "b", 4, 64, false}}); // one 1-bit icon offers text again
    EXPECT_TRUE(a.exportAsTextCheckbox()->isEnabled());
    a.threeDFormatPopup()->setCurrentIndex(1);
    a.imageFormatPopup()->setCurrentIndex(a.imageFormatPopup()->findText("TIFF"));
    a.textZoomFactorValue()->setText(QStringLiteral("3"));
    const ExportOptions o = a.options();
    EXPECT_EQ(std::tuple(o.sceneIsCollada, o.imageFormat, o.textZoom), std::tuple(false, QStringLiteral("TIFF"), std::int64_t{3}));
    EXPECT_EQ(a.resultingTextDimensions()->text(), "Resulting text size: 48 x 48 characters, 96 x 96 characters");
    a.exportAs3DCheckbox()->click();
    EXPECT_FALSE(SavePanelAccessory().exportAs3DCheckbox()->isChecked());
}

// Browsing picks a folder in a panel that can create folders; a missing folder and unusable
// options are refused with an alert.
TEST(ExportDialog, BrowsesForAFolderAndRefusesAMissingOneAndUnusableOptions)
{
    forgetSwitches();
    ExportDialog dialog;
    EXPECT_FALSE(dialog.chooseButton()->isEnabled());
    dialog.show();
    QSignalSpy accepted(&dialog, &QDialog::accepted);
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

    const auto choose = [&] { // the alert's text, if one is shown
        QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
        QMessageBox* alert = dialog.currentAlert();
        const QString text = alert ? alert->informativeText() : QString();
        if (alert)
            alert->close();
        return text;
    };
    dialog.folderField()->setText(folder + QStringLiteral("/missing"));
    EXPECT_TRUE(choose().contains("does not exist"));
    dialog.folderField()->setText(folder);
    dialog.accessory()->imageZoomFactorValue()->setText(QStringLiteral("0"));
    EXPECT_EQ(choose(), "The image zoom factor must be a whole number of at least 1.");
    EXPECT_EQ(accepted.count(), 0);
    dialog.accessory()->exportAsImageCheckbox()->click(); // a switched-off kind's zoom is not checked
    QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
    EXPECT_EQ(accepted.count(), 1);
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

    QSignalSpy status(mvc, &MainViewController::statusMessage);
    confirm();
    EXPECT_EQ(written(), QStringList({"colour.dae", "colour.png", "colour.svg", "colour.txt"}));
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
    EXPECT_TRUE(text.contains(QStringLiteral("\u201Clarge\u201D")) && text.contains("Exported 4 files")) << text.toStdString();

    window->hide(); // without a window nothing is offered
    mvc->exportBookmarks({{96, "mono", 1, 32, false}});
    EXPECT_FALSE(flow());
}

} // namespace
} // namespace pq
