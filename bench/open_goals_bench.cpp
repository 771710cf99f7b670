// The goals of opening and browsing large files, measured in one run on this machine, each
// printed with its figure, its goal and the figure from when files were read whole into memory:
//   - the first tiles drawn after opening a 1 GiB file of filler and a 16 GiB sparse file
//     through the intake in a shown main window, against reading the whole file with read();
//   - the frames of End, Page Up, Page Down and a slider move at the end of the 16 GiB file;
//   - the program's peak resident memory after that;
//   - `pixelquarry-cli info` on the 1 GiB file against `openssl dgst -sha256` (best of 3, warm);
//   - the peak resident memory of `pixelquarry-cli info` and `scan` on a 4 GiB file.
// The files are made in a temporary folder (TMPDIR, else /tmp), written in pieces, and removed.
//
//   open_goals_bench [path/to/pixelquarry-cli]   (default: beside this program, or the build's)

#include "bench_machine.h"
#include "bench_timer.h"
#include "icon_hunt_image.h"

#include "document/document_controller.h"
#include "document/document_intake.h"
#include "ui/icon_browser_view.h"
#include "ui/icon_browser_view_controller.h"
#include "ui/main_view_controller.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace pq;
using Clock = std::chrono::steady_clock;
constexpr std::int64_t kGiB = std::int64_t{1} << 30;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Mixed filler (random bytes, text, zeros, records, compressed runs), written 16 MiB at a time.
void writeFiller(const std::string& path, std::int64_t size)
{
    std::ofstream out(path, std::ios::binary);
    constexpr std::int64_t kPiece = std::int64_t{16} << 20;
    for (std::int64_t done = 0; done < size; done += kPiece) {
        const auto piece = sample::makeMixedFiller(std::size_t(std::min(kPiece, size - done)), std::uint32_t(done / kPiece));
        out.write(reinterpret_cast<const char*>(piece.data()), std::streamsize(piece.size()));
    }
}

void writeSparse(const std::string& path, std::int64_t size)
{
    std::ofstream(path, std::ios::binary).close();
    std::filesystem::resize_file(path, std::uintmax_t(size));
}

// Runs a program with its output thrown away; its exit status.
int runQuietly(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Best wall time of three runs, in seconds, after one run that warms the page cache.
double bestOfThreeSeconds(const std::vector<std::string>& args)
{
    runQuietly(args);
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        if (runQuietly(args) != 0)
            return -1;
        best = std::min(best, millisecondsSince(start) / 1e3);
    }
    return best;
}

// A program's peak resident memory in MiB and its wall time in seconds, as /usr/bin/time -v
// reports them; -1 when they cannot be had.
std::pair<double, double> peakResidentOf(const std::vector<std::string>& args, const std::string& report)
{
    std::vector<std::string> timed{"/usr/bin/time", "-v", "-o", report};
    timed.insert(timed.end(), args.begin(), args.end());
    const auto start = Clock::now();
    runQuietly(timed);
    const double seconds = millisecondsSince(start) / 1e3;
    std::ifstream in(report);
    for (std::string line; std::getline(in, line);)
        if (const auto at = line.find("Maximum resident set size (kbytes): "); at != std::string::npos)
            return {std::stod(line.substr(at + 36)) / 1024.0, seconds};
    return {-1, seconds};
}

// The whole file read into memory with read(), as files were opened before; seconds.
double readWholeSeconds(const std::string& path, std::int64_t size)
{
    const auto start = Clock::now();
    auto buffer = std::make_unique_for_overwrite<char[]>(std::size_t(size));
    const int fd = ::open(path.c_str(), O_RDONLY);
    for (std::int64_t done = 0; done < size;) {
        const ssize_t got = ::read(fd, buffer.get() + done, std::size_t(std::min<std::int64_t>(size - done, 64 << 20)));
        if (got <= 0)
            break;
        done += got;
    }
    ::close(fd);
    return millisecondsSince(start) / 1e3;
}

long peakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void sendKey(QWidget* target, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

// Runs the event loop until `done` holds (checked after every event batch); false after 60 s.
bool waitUntil(const std::function<bool()>& done)
{
    QTimer tick; // wakes the loop even when nothing else happens
    tick.start(2);
    const auto start = Clock::now();
    while (!done()) {
        if (millisecondsSince(start) > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Notes the first paint of the grid's viewport that has tiles of the file asked for.
class FirstTilesWatch : public QObject {
public:
    FirstTilesWatch(MainViewController& main, QString path) : m_main(main), m_path(std::move(path)) {}
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_main.document().filePath() == m_path &&
            m_main.iconBrowserViewController()->iconCollectionView()->tileCount() > 0)
            painted = true; // the paint itself follows, inside the same event batch
        return false;
    }

private:
    MainViewController& m_main;
    QString m_path;
};

// Opens a file as the open panel does; milliseconds until its first tiles are painted.
double firstTilesMilliseconds(MainViewController& main, const std::string& path)
{
    QWidget* viewport = main.iconBrowserViewController()->iconCollectionView()->viewport();
    FirstTilesWatch watch(main, QString::fromStdString(path));
    viewport->installEventFilter(&watch);
    const auto start = Clock::now();
    main.openFiles({QString::fromStdString(path)});
    const bool seen = waitUntil([&] { return watch.painted; });
    const double ms = millisecondsSince(start);
    viewport->removeEventFilter(&watch);
    return seen ? ms : -1;
}

struct Frames {
    std::vector<double> ms;
    double median() const
    {
        auto sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

const char* verdict(bool met) { return met ? "met" : "MISSED"; }

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home; // no bookmarks or settings of the user's are read or written
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QApplication app(argc, argv);

    std::string cli = argc > 1 ? argv[1] : "";
    for (const QString& candidate : {QStringLiteral("/pixelquarry-cli"), QStringLiteral("/../pixelquarry-cli")})
        if (cli.empty() && QFileInfo(QCoreApplication::applicationDirPath() + candidate).isExecutable())
            cli = QFileInfo(QCoreApplication::applicationDirPath() + candidate).canonicalFilePath().toStdString();
    std::printf("machine: %u cores (nproc), %s\n", std::thread::hardware_concurrency(), pq::bench::cpuName().c_str());
    std::printf("pixelquarry-cli: %s\n", cli.empty() ? "not found (give its path)" : cli.c_str());

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("pq_open_goals_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const struct Removal {
        std::filesystem::path folder;
        ~Removal() { std::filesystem::remove_all(folder); }
    } removal{folder};
    const std::string oneGiB = folder / "filler-1g.img", sparse = folder / "sparse-16g.img", fourGiB = folder / "filler-4g.img";
    auto start = Clock::now();
    writeFiller(oneGiB, kGiB);
    writeFiller(fourGiB, 4 * kGiB);
    writeSparse(sparse, 16 * kGiB);
    const std::string floppy = folder / "floppy.img";
    writeFiller(floppy, 1474560);
    runQuietly({"gzip", "-k", "-9", floppy});
    std::printf("files made in %s in %.1f s (1 GiB and 4 GiB of mixed filler, 16 GiB sparse)\n\n", folder.c_str(),
                millisecondsSince(start) / 1e3);

    // --- The desktop program ---------------------------------------------------------------
    MainWindow window;
    window.resize(1920, 1080);
    window.show();
    MainViewController& main = *window.mainViewController();
    IconBrowserView& grid = *main.iconBrowserViewController()->iconCollectionView();
    waitUntil([&] { return window.isVisible() && grid.viewport()->width() > 0; });
    QCoreApplication::processEvents();

    const double firstTiles1 = firstTilesMilliseconds(main, oneGiB);
    const double firstTiles16 = firstTilesMilliseconds(main, sparse);
    start = Clock::now();
    main.document().waitForDigest();
    const double digestSeconds = millisecondsSince(start) / 1e3;

    // Browsing at the end: the repaint each action causes, and the action with its repaint.
    std::map<std::string, Frames> frames, withAction;
    QSlider* slider = main.iconBrowserViewController()->offsetSlider();
    const auto frame = [&](const char* name, const std::function<void()>& action) {
        const auto begin = Clock::now();
        action();
        const auto painting = Clock::now();
        grid.viewport()->repaint();
        frames[name].ms.push_back(millisecondsSince(painting));
        withAction[name].ms.push_back(millisecondsSince(begin));
        QCoreApplication::processEvents();
    };
    for (int round = 0; round < 10; ++round) {
        frame("End", [&] { sendKey(&grid, Qt::Key_End); });
        for (int i = 0; i < 3; ++i)
            frame("Page Up", [&] { sendKey(&grid, Qt::Key_PageUp); });
        for (int i = 0; i < 3; ++i)
            frame("Page Down", [&] { sendKey(&grid, Qt::Key_PageDown); });
        frame("slider move", [&] { slider->setValue((slider->value() + 1) % (slider->maximum() + 1)); });
    }
    sendKey(&grid, Qt::Key_End);
    grid.viewport()->repaint();
    const long guiPeak = peakResidentMiB();
    const double firstTilesGzip = firstTilesMilliseconds(main, floppy + ".gz"); // after the 16 GiB file's figures

    // The old opening path: the whole file into memory (after the peak above was taken).
    const double readWhole1 = readWholeSeconds(oneGiB, kGiB);

    std::printf("GUI (offscreen, viewport %dx%d, %lld tiles visible; load average %s):\n", grid.viewport()->width(),
                grid.viewport()->height(), static_cast<long long>(grid.visibleItems().count()), pq::bench::loadAverage().c_str());
    std::printf("  first tiles, 1 GiB filler:   %8.1f ms   goal < 100 ms  %-6s  before: read() of the whole file %.2f s (now)\n",
                firstTiles1, verdict(firstTiles1 >= 0 && firstTiles1 < 100), readWhole1);
    std::printf("  first tiles, 16 GiB sparse:  %8.1f ms   goal < 100 ms  %-6s  before: read() %.1f s (16 x the 1 GiB read above)\n",
                firstTiles16, verdict(firstTiles16 >= 0 && firstTiles16 < 100), 16 * readWhole1);
    std::printf("  first tiles, gzipped 1.44 MB floppy: %8.1f ms   goal < 200 ms  %-6s  (decoded to memory, then shown)\n",
                firstTilesGzip, verdict(firstTilesGzip >= 0 && firstTilesGzip < 200));
    std::printf("  (digest of the 16 GiB file in its worker: done %.1f s after the first tiles)\n", digestSeconds);
    for (const auto& [name, f] : frames)
        std::printf("  repaint at the end of 16 GiB, %-11s max %6.2f ms  median %6.2f ms  goal <= 16 ms  %-6s"
                    "  (with the action: max %.2f, median %.2f)\n", name.c_str(), f.max(), f.median(), verdict(f.max() <= 16),
                    withAction[name].max(), withAction[name].median());
    std::printf("  peak resident memory after opening 16 GiB and End: %ld MiB   goal < 400 MiB  %s  before: >= 16384 MiB\n",
                guiPeak, verdict(guiPeak < 400));

    // --- The command line ------------------------------------------------------------------
    if (cli.empty())
        return 1;
    std::printf("command line (load average %s):\n", pq::bench::loadAverage().c_str());
    const double info = bestOfThreeSeconds({cli, "info", oneGiB});
    const double openssl = bestOfThreeSeconds({"openssl", "dgst", "-sha256", oneGiB});
    std::printf("  info on 1 GiB %.2f s, openssl dgst -sha256 %.2f s (best of 3, warm): %.2fx   goal <= 1.1x  %s  before: 1.61x\n",
                info, openssl, info / openssl, verdict(info > 0 && info <= 1.1 * openssl));
    const std::string report = folder / "time.txt";
    for (const char* command : {"info", "scan"}) {
        const auto [peak, seconds] = peakResidentOf({cli, command, fourGiB}, report);
        std::printf("  %s on 4 GiB: peak resident %.0f MiB (%.1f s)   goal < 300 MiB  %s  before: >= 4096 MiB\n", command,
                    peak, seconds, verdict(peak >= 0 && peak < 300));
    }
    return 0;
}
