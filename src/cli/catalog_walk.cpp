#include "cli/catalog_walk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace pq::cli {

namespace {

using FileId = std::pair<dev_t, ino_t>;

class Walker {
public:
    Walker(CatalogWalk& walk, std::optional<FileId> skipped) : m_walk(walk), m_skipped(skipped) {}

    void visit(const std::string& path, const struct stat& info)
    {
        if (S_ISREG(info.st_mode)) {
            const std::int64_t mtime = std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
            m_walk.inputs.push_back({path, std::int64_t(info.st_size), mtime});
            return;
        }
        if (!S_ISDIR(info.st_mode))
            return; // devices, pipes and sockets are not inputs
        const FileId id{info.st_dev, info.st_ino};
        if (id == m_skipped || !m_visited.insert(id).second)
            return;
        std::vector<std::string> names;
        std::error_code ec;
        for (auto it = std::filesystem::directory_iterator(path, ec); !ec && it != std::filesystem::directory_iterator();
             it.increment(ec))
            names.push_back(it->path().filename().string());
        if (ec) {
            m_walk.errors.push_back({path, {}, "The folder cannot be listed: " + ec.message()});
            return;
        }
        std::ranges::sort(names);
        const std::string prefix = path.ends_with('/') ? path : path + "/";
        for (const std::string& name : names) {
            struct stat child {};
            if (::stat((prefix + name).c_str(), &child) == 0) // a dangling link is passed over
                visit(prefix + name, child);
        }
    }

private:
    CatalogWalk& m_walk;
    std::optional<FileId> m_skipped;
    std::set<FileId> m_visited;
};

} // namespace

CatalogWalk walkCatalogInputs(const std::vector<std::string>& named, const std::string& skipped)
{
    CatalogWalk walk;
    struct stat info {};
    std::optional<FileId> skippedId;
    if (::stat(skipped.c_str(), &info) == 0)
        skippedId = FileId{info.st_dev, info.st_ino};
    Walker walker(walk, skippedId);
    for (const std::string& path : named) {
        if (::stat(path.c_str(), &info) != 0) {
            walk.missing.push_back(path);
            continue;
        }
        // A folder named with trailing slashes walks as its name without them.
        std::string shown = path;
        while (shown.size() > 1 && shown.ends_with('/'))
            shown.pop_back();
        walker.visit(shown, info);
    }
    return walk;
}

std::uint64_t shardHash(const std::string& path)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

bool inShard(const std::string& path, std::int64_t index, std::int64_t count)
{
    return shardHash(path) % std::uint64_t(count) == std::uint64_t(index - 1);
}

} // namespace pq::cli
