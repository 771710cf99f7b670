// pixelquarry-cli catalog: every icon of a whole archive of disk images, deduplicated, into a
// catalog folder; `catalog merge` joins the folders of several runs (shards) into one.
#include "catalog/catalog_folder.h"
#include "catalog/icon_catalog.h"
#include "cli/catalog_progress.h"
#include "cli/catalog_walk.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "document/atomic_file_writer.h"

#include <QFile>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <unistd.h>

namespace pq::cli {

namespace {

struct CatalogArguments {
    std::vector<std::string> paths;
    std::string out;
    std::int64_t jobs = std::max<std::int64_t>(1, std::thread::hardware_concurrency());
    double minScore = 0.9;
    std::string shard; // "I/N"; empty: every input
    std::vector<std::string> merged; // the folders `catalog merge` joins
    std::string mergedOut;
};

// "I/N" with 1 <= I <= N: the shard's index and count.
std::optional<std::pair<std::int64_t, std::int64_t>> parseShard(const std::string& text)
{
    const auto slash = text.find('/');
    if (slash == std::string::npos)
        return std::nullopt;
    const std::string index = text.substr(0, slash), count = text.substr(slash + 1);
    if (!countValidator(index).empty() || !countValidator(count).empty())
        return std::nullopt;
    const auto i = std::stoll(index), n = std::stoll(count);
    if (i > n)
        return std::nullopt;
    return std::pair{i, n};
}

std::string shardValidator(const std::string& text)
{
    return parseShard(text) ? std::string() : "not a shard I/N with 1 <= I <= N: " + text;
}

std::string plural(std::int64_t count, const std::string& noun)
{
    return groupedNumber(count) + " " + noun + (count == 1 ? "" : "s");
}

// "K distinct icons in P places, E errors → DIR"
std::string contents(const Catalog& catalog, const std::string& folder)
{
    std::int64_t places = 0;
    for (const CatalogIcon& icon : catalog.icons)
        places += std::int64_t(icon.places.size());
    return plural(std::int64_t(catalog.icons.size()), "distinct icon") + " in " + plural(places, "place") + ", " +
           plural(std::int64_t(catalog.errors.size()), "error") + " → " + folder;
}

void printFolderError(const CatalogFolderError& error)
{
    printError(error.path + ": " + error.reason);
}

// Creates the catalog folder; false (with a message) when it cannot be made.
bool makeFolder(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || ::access(folder.c_str(), W_OK) != 0) {
        printError("The catalog folder " + folder + " cannot be written: " + (ec ? ec : std::error_code(errno, std::generic_category())).message());
        return false;
    }
    return true;
}

// A temporary folder inside the catalog's for decoded parts, removed when the run ends.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& inside)
    {
        std::string pattern = inside + "/.catalog-parts-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Runs `task` for each index below `count` on `jobs` threads, each taking the next index; the
// first failure stops the others and is returned.
template <class Task>
std::optional<CatalogFolderError> runOnThreads(std::size_t count, std::int64_t jobs, Task task)
{
    std::atomic<std::size_t> next = 0;
    std::atomic<bool> failed = false;
    std::mutex failureMutex;
    std::optional<CatalogFolderError> failure;
    const auto work = [&] {
        for (std::size_t i = next++; i < count && !failed; i = next++)
            if (auto failedHere = task(i)) {
                const std::lock_guard lock(failureMutex);
                failure = failure.value_or(*failedHere);
                failed = true;
            }
    };
    std::vector<std::jthread> threads;
    for (std::int64_t t = 0; t < std::min<std::int64_t>(jobs, std::int64_t(count)); ++t)
        threads.emplace_back(work);
    threads.clear(); // joins
    return failure;
}

// Scans `inputs` with `jobs` threads into `catalog`; the first failure to write a PNG stops the run.
std::optional<CatalogFolderError> scanInputs(const std::vector<CatalogInput>& inputs, const CatalogScanOptions& options,
                                             std::int64_t jobs, IconCatalog& catalog)
{
    std::int64_t bytes = 0;
    for (const CatalogInput& input : inputs)
        bytes += input.size;
    CatalogProgress progress(std::int64_t(inputs.size()), bytes, ::isatty(STDERR_FILENO) != 0);
    auto failure = runOnThreads(inputs.size(), jobs, [&](std::size_t i) -> std::optional<CatalogFolderError> {
        const auto added = catalog.add(inputs[i], scanCatalogInput(inputs[i].path, inputs[i].path, options));
        progress.inputDone(inputs[i].size, catalog.iconCount());
        return added ? std::nullopt : std::optional(added.error());
    });
    progress.finish();
    return failure;
}

int runCatalogCommand(const CatalogArguments& a)
{
    if (a.paths.empty() || a.out.empty()) {
        printError("catalog needs at least one PATH and --out DIR (see --help)");
        return 2;
    }
    CatalogWalk walk = walkCatalogInputs(a.paths, a.out);
    for (const std::string& path : walk.missing)
        printError("No such file or folder: " + path);
    if (walk.inputs.empty()) {
        printError("There is no file to catalog");
        return 1;
    }
    if (!a.shard.empty()) {
        const auto [index, count] = *parseShard(a.shard);
        std::erase_if(walk.inputs, [&](const CatalogInput& input) { return !inShard(input.path, index, count); });
    }
    if (!makeFolder(a.out))
        return 1;
    const auto earlier = readCatalogFolder(a.out);
    if (!earlier) {
        printFolderError(earlier.error());
        return 1;
    }
    // An input unchanged since the earlier run keeps what that run found in it.
    std::map<std::string, CatalogInput> before;
    for (const CatalogInput& input : earlier->inputs)
        before[input.path] = input;
    std::vector<std::string> kept;
    std::vector<CatalogInput> scanned;
    for (CatalogInput input : walk.inputs) {
        input.minScore = a.minScore;
        const auto found = before.find(input.path);
        if (found != before.end() && found->second == input)
            kept.push_back(input.path);
        else
            scanned.push_back(input);
    }
    IconCatalog catalog(a.out);
    catalog.seed(*earlier, kept);
    std::optional<CatalogFolderError> failure;
    {
        const TemporaryFolder parts(a.out);
        failure = scanInputs(scanned, {a.minScore, parts.path(), nullptr}, a.jobs, catalog);
    }
    Catalog result = catalog.catalog();
    result.errors.insert(result.errors.end(), walk.errors.begin(), walk.errors.end());
    if (!failure)
        if (auto written = writeCatalogFolder(a.out, result); !written)
            failure = written.error();
    if (failure) {
        printFolderError(*failure);
        return 1;
    }
    std::cerr << "Catalogued " << plural(std::int64_t(walk.inputs.size()), "file") << " (" << groupedNumber(std::int64_t(kept.size()))
              << " skipped, unchanged): " << contents(result, a.out) << std::endl;
    return 0;
}

// Copies the PNG of each icon of `catalogs` (from the folder listed first that holds the icon)
// into `out`, several at once: each file is synced as it is written, which takes its time.
std::optional<CatalogFolderError> copyPngs(const std::vector<std::string>& folders, const std::vector<Catalog>& catalogs,
                                           const std::string& out)
{
    constexpr std::int64_t kCopyJobs = 8;
    std::set<std::string> copied;
    std::vector<std::pair<std::string, std::string>> copies; // the folder and the icon's id
    for (std::size_t f = 0; f < folders.size(); ++f) {
        std::error_code ec;
        const bool same = std::filesystem::equivalent(folders[f], out, ec);
        for (const CatalogIcon& icon : catalogs[f].icons)
            if (copied.insert(icon.id).second && !same)
                copies.emplace_back(folders[f], icon.id);
    }
    return runOnThreads(copies.size(), kCopyJobs, [&](std::size_t i) -> std::optional<CatalogFolderError> {
        const auto& [folder, id] = copies[i];
        QFile file(QString::fromStdString(folder + "/" + iconPngPath(id)));
        if (!file.open(QIODevice::ReadOnly))
            return CatalogFolderError{file.fileName().toStdString(), file.errorString().toStdString()};
        const std::filesystem::path to = std::filesystem::path(out) / iconPngPath(id);
        std::error_code ec;
        std::filesystem::create_directories(to.parent_path(), ec);
        if (auto written = writeFileAtomically(QString::fromStdString(to.string()), file.readAll()); !written)
            return CatalogFolderError{to.string(), written.error().reason().toStdString()};
        return std::nullopt;
    });
}

int runCatalogMerge(const CatalogArguments& a)
{
    std::vector<Catalog> catalogs;
    for (const std::string& folder : a.merged) {
        auto read = readCatalogFolder(folder);
        if (!read) {
            printFolderError(read.error());
            return 1;
        }
        catalogs.push_back(std::move(*read));
    }
    if (!makeFolder(a.mergedOut))
        return 1;
    if (auto failure = copyPngs(a.merged, catalogs, a.mergedOut)) {
        printFolderError(*failure);
        return 1;
    }
    const Catalog merged = mergeCatalogs(std::move(catalogs));
    if (auto written = writeCatalogFolder(a.mergedOut, merged); !written) {
        printFolderError(written.error());
        return 1;
    }
    std::cerr << "Merged " << plural(std::int64_t(a.merged.size()), "catalog") << ": " << contents(merged, a.mergedOut) << std::endl;
    return 0;
}

} // namespace

Action addCatalogCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand(
        "catalog", "Catalog every icon of many disk images (files, and every file below folders) into folder DIR: "
                   "icons.jsonl (each distinct icon once, with every place it was found), icons/ab/<id>.png, "
                   "errors.jsonl (inputs or parts that could not be read), inputs.jsonl and index.html (a gallery "
                   "to open in a browser). Run again with the same DIR, it reads only the inputs that changed. "
                   "`catalog merge` joins the folders of several shards");
    auto a = std::make_shared<CatalogArguments>();
    cmd->add_option("PATH", a->paths, "Disk images, archives and folders of them (a folder named merge: write ./merge)");
    cmd->add_option("--out", a->out, "The catalog folder (made when missing; skipped when it lies inside a PATH)");
    cmd->add_option("--jobs", a->jobs, "Inputs read at once (default: the number of processors)")
        ->check(CLI::Validator(countValidator, "N"));
    cmd->add_option("--min-score", a->minScore, "Leave out guessed icons scoring less (0 to 1; default 0.9); stored icons always count")
        ->check(CLI::Validator(scoreValidator, "SCORE"));
    cmd->add_option("--shard", a->shard, "Read only shard I of N (1 <= I <= N): the inputs whose path hashes to it, "
                                         "so that N runs, on one machine or many, share the work; join their "
                                         "folders with `catalog merge`")
        ->check(CLI::Validator(shardValidator, "I/N"));
    auto* merge = cmd->add_subcommand("merge", "Join catalog folders (of shards, or of separate runs) into one: each "
                                               "icon once with the places of all");
    merge->add_option("DIR", a->merged, "The catalog folders to join")->required();
    merge->add_option("--out", a->mergedOut, "The joined catalog's folder")->required();
    cmd->require_subcommand(0, 1);
    cmd->footer("Examples:\n  pixelquarry-cli catalog Archive --out Catalog\n"
                "  pixelquarry-cli catalog Archive --shard 2/4 --out Part2   (one of four shards)\n"
                "  pixelquarry-cli catalog merge Part1 Part2 Part3 Part4 --out Catalog");
    return [a, merge] { return merge->parsed() ? runCatalogMerge(*a) : runCatalogCommand(*a); };
}

} // namespace pq::cli
