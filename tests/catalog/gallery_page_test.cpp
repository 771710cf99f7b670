#include "catalog/gallery_page.h"
#include "catalog/icon_catalog.h"

#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sstream>

namespace pq {
namespace {

// Counts, in a page's DOM as Chromium left it, the elements of the classes "tile", "group",
// "place" and "error", and says whether argv[2] is the text of some element.
constexpr const char* kProbe = R"(
import sys, html.parser
class Probe(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.counts = dict.fromkeys(['tile', 'group', 'place', 'error'], 0)
        self.texts = set()
    def handle_starttag(self, tag, attrs):
        for c in (dict(attrs).get('class') or '').split():
            if c in self.counts: self.counts[c] += 1
    def handle_data(self, data):
        self.texts.add(data)
p = Probe()
p.feed(open(sys.argv[1], encoding='utf-8').read())
print(*p.counts.values(), int(sys.argv[2] in p.texts))
)";

const std::string kOddName = "</script><!-- \"quoted\" 'name'";

std::string iconId(int n) { return std::string(63, '0') + char('0' + n); }

CatalogPlace finderPlace(const std::string& image, const std::string& file, const std::string& type, int id,
                         std::optional<std::int64_t> family, std::string name = "Finder")
{
    CatalogPlace place{image, {}, file, "resource", "FNDR", "MACS", type, id, name, {}, family, 256 + id, {}};
    return place;
}

CatalogPlace guessedPlace(const std::string& image, std::int64_t offset, double score)
{
    CatalogPlace place;
    place.image = image;
    place.offset = offset;
    place.score = score;
    return place;
}

// A family of three in one file, a loose icon in that file and in a file of a second image, a
// guessed icon in the second image's bytes, and an input that could not be read.
Catalog sampleCatalog(const QString& folder)
{
    const std::string a = "archive/A.dsk", b = "archive/B.img";
    Catalog catalog;
    const auto add = [&](int n, int depth, std::vector<CatalogPlace> places) {
        CatalogIcon icon{iconId(n), depth, 32, true, iconPngPath(iconId(n)), std::move(places)};
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(QColor::fromHsv(n * 60, 200, 200));
        const QString path = folder + "/" + QString::fromStdString(icon.png);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(image.save(path));
        catalog.icons.push_back(std::move(icon));
    };
    add(1, 1, {finderPlace(a, "System Folder/Finder", "ICN#", 128, 128)});
    add(2, 4, {finderPlace(a, "System Folder/Finder", "icl4", 128, 128)});
    add(3, 8, {finderPlace(a, "System Folder/Finder", "icl8", 128, 128)});
    add(4, 1, {finderPlace(a, "System Folder/Finder", "ICN#", 129, {}, kOddName),
               finderPlace(b, "Apps/Finder copy", "ICN#", 129, {}, kOddName)});
    add(5, 1, {guessedPlace(b, 70001, 0.953)});
    catalog.errors.push_back({"archive/C.sit", "C.sit/Disk", "not a disk image"});
    return catalog;
}

struct PageCase {
    const char* name;
    const char* fragment;
    int tiles, groups, placeRows; // as shown
    bool nameShown;
};
void PrintTo(const PageCase& c, std::ostream* out) { *out << c.name; }

class GalleryPageTest : public ::testing::TestWithParam<PageCase> {};

// The page opened from disk in headless Chromium: it logs nothing to the console, and the
// address's fragment chooses the grouping, the filter and the icon whose places are listed.
TEST_P(GalleryPageTest, ShowsTheCatalogAsTheAddressAsks)
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (chromium.isEmpty() || python.isEmpty())
        GTEST_SKIP() << "chromium and python3 are needed to load the page";
    const QString folder = test::makeTempDir();
    QFile page(folder + "/index.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write(QByteArray::fromStdString(galleryPage(sampleCatalog(folder))));
    page.close();

    const PageCase& c = GetParam();
    const auto run = test::runProgram(chromium.toStdString(),
        {"--headless", "--no-sandbox", "--disable-gpu", "--enable-logging=stderr", "--v=0",
         "--user-data-dir=" + test::makeTempDir().toStdString(), "--dump-dom",
         "file://" + page.fileName().toStdString() + "#" + c.fragment});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find(":CONSOLE"), std::string::npos) << run.err;
    QFile dom(folder + "/dom.html");
    ASSERT_TRUE(dom.open(QIODevice::WriteOnly));
    dom.write(QByteArray::fromStdString(run.out));
    dom.close();

    const auto probe = test::runProgram(python.toStdString(), {"-c", kProbe, dom.fileName().toStdString(), kOddName});
    std::istringstream counts(probe.out);
    int tiles = -1, groups = -1, placeRows = -1, errorRows = -1, nameShown = -1;
    counts >> tiles >> groups >> placeRows >> errorRows >> nameShown;
    EXPECT_EQ(tiles, c.tiles) << probe.err;
    EXPECT_EQ(groups, c.groups);
    EXPECT_EQ(placeRows, c.placeRows);
    EXPECT_EQ(errorRows, 1);
    EXPECT_EQ(nameShown, c.nameShown ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Fragments, GalleryPageTest, ::testing::Values(
    // By file: the family of three and the loose icon, the second image's file, its bytes.
    PageCase{"ByFile", "", 6, 3, 0, false},
    PageCase{"ByImage", "group=image", 6, 2, 0, false},
    PageCase{"FilteredByTypeInAnyCase", "filter=ICL", 2, 1, 0, false},
    PageCase{"FilteredByAnOddName", "filter=%3C%2Fscript%3E", 2, 2, 0, false},
    PageCase{"PlacesOfOneIcon", "icon=0000000000000000000000000000000000000000000000000000000000000004", 6, 3, 2, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace pq
