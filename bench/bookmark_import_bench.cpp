// Importing a bookmarks file of 100,000 bookmarks (default) into data that already holds
// some: the whole import, from decoding the file to the one atomic save of the merged store
// file. Prints the time and the store file's size.
//
//   bookmark_import_bench [BOOKMARKS]   (default 100000)

#include "sources/memory_byte_source.h"
#include "document/bookmark_file_json.h"
#include "document/document_controller.h"
#include "document/headless_document_screen.h"
#include "document/sha256_hex.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

// A window that shows nothing but errors.
class SilentScreen : public pq::HeadlessDocumentScreen {
public:
    void showError(const QString&, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void askSaveLocation(const pq::SaveLocationRequest&, std::function<void(const pq::SaveLocationAnswer&)> answer) override
    {
        answer({});
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
    QTemporaryDir folder;
    SilentScreen screen;
    auto store = std::make_shared<pq::BookmarkStore>(folder.path());
    pq::DocumentController controller(screen, store);

    std::vector<std::uint8_t> data(1 << 20);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    controller.processReceivedSource(pq::memorySource(data), folder.path() + QStringLiteral("/data.img"));
    controller.waitForDigest();
    for (std::int64_t i = 0; i < 10; ++i) // held already: found present by the import
        (void)controller.appendBookmark({i * 64, "held " + std::to_string(i), 1, 32, false});

    pq::BookmarkFile imported{"Old", pq::sha256Hex(data), {}};
    for (long i = 0; i < count; ++i)
        imported.bookmarks.push_back({i * 64, "imported bookmark " + std::to_string(i), 1, 32, i % 2 == 0});
    const QByteArray json = QByteArray::fromStdString(*pq::encodeBookmarkFile(imported));

    const auto start = std::chrono::steady_clock::now();
    const pq::ImportReport report = controller.processJSON(json, folder.path() + QStringLiteral("/old.json"));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("import of %ld bookmarks (%.1f MB of JSON): %.2f s; %lld added, %lld present, store file %.1f MB%s\n",
                count, json.size() / 1e6, elapsed.count(), static_cast<long long>(report.added),
                static_cast<long long>(report.present), QFileInfo(controller.jsonFileURL()).size() / 1e6,
                report.failure ? " (the save failed)" : "");
    return report.failure ? 1 : 0;
}
