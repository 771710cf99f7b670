#include "hfsutils_volumes.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace pq::test {
namespace {

// The list tests/volumes/make_volumes.sh reads: one file a line, its forks written beside it.
void writeList(const std::string& dir, const std::string& list, const std::vector<HfsutilsFile>& files)
{
    std::ofstream out(dir + "/" + list, std::ios::binary);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const HfsutilsFile& f = files[i];
        out << f.folder << '\t' << f.name << '\t' << f.type << '\t' << f.creator << '\t' << f.flags;
        for (const auto& [suffix, bytes] : {std::pair{".data", &f.data}, std::pair{".rsrc", &f.resource}}) {
            const std::string path = dir + "/" + list + std::to_string(i) + suffix;
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
            out << '\t' << path;
        }
        out << '\n';
    }
}

} // namespace

std::string makeHfsVolumes(const std::vector<HfsutilsFile>& catalog, const std::vector<HfsutilsFile>& pieces)
{
    const std::string dir = makeTempDir().toStdString();
    writeList(dir, "catalog.list", catalog);
    if (!pieces.empty())
        writeList(dir, "pieces.list", pieces);
    const std::string command = "bash '" PQ_MAKE_VOLUMES "' '" + dir + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return dir;
}

} // namespace pq::test
