#pragma once

#include "test_support.h"
#include "ui/bookmark_list_model.h"
#include "ui/bookmark_list_view_controller.h"
#include "ui/icon_browser_view.h"
#include "ui/icon_browser_view_controller.h"
#include "ui/main_view_controller.h"
#include "ui/main_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QListView>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace pq::test {

// A shown main window with its controllers, for the GUI test programs that link pq_ui.
class MainWindowFixture : public testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<MainWindow>();
        window->resize(1400, 900);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        mvc = window->mainViewController();
        browser = mvc->iconBrowserViewController();
        list = mvc->bookmarkListViewController();
        ASSERT_TRUE(browser && list);
    }
    void TearDown() override { window.reset(); }

    // Random bytes (kept in `bytes`) written to a new file.
    QString writeImage(std::uint32_t seed, const std::string& name = "disk.img", std::size_t size = 100000)
    {
        bytes = randomBytes(size, seed);
        return QString::fromStdString(writeTempFile(bytes, name));
    }
    // Opens files as the open panel does and waits for the last one's digest.
    void open(const QStringList& paths)
    {
        mvc->openFiles(paths);
        ASSERT_TRUE(mvc->document().intake().waitForIntake(20000));
        ASSERT_TRUE(mvc->document().waitForDigest(20000));
    }
    IconBrowserView& grid() { return *browser->iconCollectionView(); }
    // Clicks a control of a bookmark row as a user would; its action follows the click.
    void clickRowControl(int row, BookmarkListCell::Control control)
    {
        const QRect rect = list->controlRect(row, control);
        ASSERT_FALSE(rect.isEmpty());
        QTest::mouseClick(list->tableView()->viewport(), Qt::LeftButton, {}, rect.center());
        settle();
    }
    // The offset and format of the icon the browser shows selected.
    std::pair<std::int64_t, IconFormat> shownIcon()
    {
        const IconFormat format = IconFormat::from(browser->selectedBitDepth(), browser->selectedDimension());
        return {grid().selectedItem().value_or(-1) * format.bytesPerRow() + browser->offsetSlider()->value(), format};
    }
    // Answers the window's open folder dialog with `folder` and closes it; false when none is open.
    bool answerFolderDialog(const QString& folder)
    {
        for (QFileDialog* dialog : window->findChildren<QFileDialog*>())
            if (dialog->isVisible() && dialog->fileMode() == QFileDialog::Directory) {
                emit dialog->fileSelected(folder);
                dialog->reject();
                return true;
            }
        return false;
    }
    // Each file of `folder` with the size QImageReader reads it at ("name 0x0" when it cannot).
    static QStringList imagesIn(const QString& folder)
    {
        QStringList images;
        for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
            const QSize size = QImageReader(folder + QLatin1Char('/') + name).read().size();
            images << QStringLiteral("%1 %2x%3").arg(name).arg(std::max(size.width(), 0)).arg(std::max(size.height(), 0));
        }
        return images;
    }
    QVariant rowData(int row, int role) const { return list->model()->index(row).data(role); }
    // Row actions are delivered after the event that caused them.
    static void settle() { QCoreApplication::processEvents(); }

    std::vector<std::uint8_t> bytes;
    std::unique_ptr<MainWindow> window;
    MainViewController* mvc = nullptr;
    IconBrowserViewController* browser = nullptr;
    BookmarkListViewController* list = nullptr;
};

} // namespace pq::test
