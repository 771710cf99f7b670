#include "finder/finder_icon.h"
#include "hfsutils_volumes.h"
#include "resource_fork_writer.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volumes/hfs_volume.h"

#include <gtest/gtest.h>


namespace pq {
namespace {

using sample::ForkResource;
constexpr auto bundle = sample::bundleResource;
constexpr auto fref = sample::fileReferenceResource;

// An icon resource: bytes of its type's length, a pattern of the type and ID's own.
ForkResource icon(const std::string& type, std::int16_t id)
{
    const auto seed = std::uint32_t(std::hash<std::string>{}(type)) + std::uint32_t(id);
    return {type, id, "", test::randomBytes(std::size_t(iconTypeFormat(type)->dataLength), seed)};
}

// A file put on the volume by hfsutils: folder, Mac OS Roman name, Finder information, and its
// resource fork made from `resources` (or `rawFork` when given).
struct Entry {
    std::string folder, name, type, creator;
    std::uint16_t flags = 0;
    std::vector<ForkResource> resources;
    std::vector<std::uint8_t> rawFork = {};
};

const std::vector<Entry>& entries()
{
    static const std::vector<Entry> all{
        {":", "Painter", "APPL", "PQPT", kFinderHasBundle,
         {bundle(128, "PQPT", {{0, 128}, {1, 129}}, {{0, 128}, {1, 129}}), fref(128, "APPL", 0), fref(129, "PQDC", 1),
          icon("ICN#", 128), icon("icl8", 128), icon("ICN#", 129), icon("ics#", 129), {"PQPT", 0, "", {0}}}},
        {":", "Picture", "PQDC", "PQPT", 0, {}},
        {":", "Plain Picture", "PQDC", "PQPT", kFinderHasCustomIcon, {icon("ICN#", 128)}},
        {":", "Custom", "TEXT", "PQPT", kFinderHasCustomIcon, {icon("icl4", -16455), icon("ICN#", -16455)}},
        {":Folder:", "Icon\r", "????", "????", 0, {icon("ics8", -16455), icon("ICN#", -16455)}},
        {":Other:", "Icon\r", "????", "????", 0, {icon("ICN#", -16455)}},
        // The Desktop file keeps bundles of applications gone from the volume (and one of an
        // application present, which its own bundle overrides).
        {":", "Desktop", "FNDR", "ERIK", 0x4000,
         {bundle(5, "PQWR", {{0, 300}}, {{0, 301}}), fref(301, "PQWD", 0), icon("icl8", 300), icon("ICN#", 300),
          bundle(6, "PQPT", {{0, 400}}, {{0, 401}}), fref(401, "PQDC", 0), icon("ICN#", 400)}},
        {":", "Letter", "PQWD", "PQWR", 0, {}},
        {":", "Notes", "TEXT", "ttxt", 0, {}},
        {":", "Broken", "TEXT", "ttxt", kFinderHasCustomIcon, {}, test::randomBytes(3000, 9)},
        {":", "Cutter", "APPL", "PQCT", kFinderHasBundle, {{"BNDL", 128, "", {'P', 'Q', 'C', 'T', 0}}, icon("ICN#", 128)}},
        {":", "Cut Doc", "PQCD", "PQCT", 0, {}},
    };
    return all;
}

std::vector<std::uint8_t> forkOf(const Entry& e)
{
    return e.resources.empty() ? e.rawFork : sample::writeResourceFork(e.resources).bytes;
}

// The volume hfsutils made of entries(), read once. hfsutils cannot set a folder's Finder
// flags, so "Folder" is given its custom-icon flag in the volume as read.
const Volume& volume()
{
    static const Volume made = [] {
        std::vector<test::HfsutilsFile> files;
        for (const Entry& e : entries())
            files.push_back({e.folder, e.name, e.type, e.creator, e.flags, {}, forkOf(e)});
        const std::string dir = test::makeHfsVolumes(files);
        const QByteArray image = test::readWholeFile(QString::fromStdString(dir + "/catalog.hfs"));
        auto read = readHfsVolume(memorySource(std::span(reinterpret_cast<const std::uint8_t*>(image.data()), std::size_t(image.size()))));
        EXPECT_TRUE(read);
        auto folders = read->folders();
        for (VolumeFolder& folder : folders)
            if (folder.path == "Folder")
                folder.finderFlags |= kFinderHasCustomIcon;
        return Volume(read->source(), read->format(), read->name(), folders, read->files(), read->damage());
    }();
    return made;
}

struct Row {
    const char* path;
    bool folder;
    std::optional<FinderIcon::Source> source;
    std::string owner;
    int id;
    std::vector<std::string> types;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.path; }

class FinderIconOf : public testing::TestWithParam<Row> {};

TEST_P(FinderIconOf, ComesFromTheFileItsApplicationOrTheDesktop)
{
    const Row& row = GetParam();
    const FinderIconResolver resolver(volume());
    std::optional<FinderIcon> found;
    if (row.folder) {
        const auto folder = std::ranges::find(volume().folders(), std::string(row.path), &VolumeFolder::path);
        ASSERT_NE(folder, volume().folders().end());
        found = resolver.icon(*folder);
    } else {
        const VolumeFile* file = volume().file(row.path);
        ASSERT_NE(file, nullptr);
        found = resolver.icon(*file);
    }
    ASSERT_EQ(found.has_value(), row.source.has_value());
    if (!found)
        return;
    EXPECT_EQ(std::tie(found->source, found->ownerPath, found->id), std::tie(*row.source, row.owner, row.id));
    // Each member lies in the owner's resource fork where the bytes written for it are.
    const VolumeFile* owner = volume().file(row.owner);
    ASSERT_NE(owner, nullptr);
    const auto fork = volume().fork(*owner, ForkKind::Resource);
    ASSERT_TRUE(fork);
    std::vector<std::string> types;
    for (const StructuredIcon& member : found->members) {
        types.push_back(member.type);
        const auto written = icon(member.type, std::int16_t(row.id)).data;
        std::vector<std::uint8_t> stored(written.size());
        ASSERT_TRUE((*fork)->read(member.offset, std::as_writable_bytes(std::span(stored))));
        EXPECT_EQ(stored, written) << member.type;
    }
    EXPECT_EQ(types, row.types);
}

using enum FinderIcon::Source;

INSTANTIATE_TEST_SUITE_P(
    Volume, FinderIconOf,
    testing::Values(Row{"Painter", false, Bundle, "Painter", 128, {"ICN#", "icl8"}},
                    Row{"Picture", false, Bundle, "Painter", 129, {"ICN#", "ics#"}},
                    Row{"Plain Picture", false, Bundle, "Painter", 129, {"ICN#", "ics#"}},
                    Row{"Custom", false, Custom, "Custom", -16455, {"ICN#", "icl4"}},
                    Row{"Folder", true, Custom, "Folder/Icon\xEF\xBF\xBD" /* the volume's name of "Icon\r" */, -16455, {"ICN#", "ics8"}},
                    Row{"Other", true, std::nullopt, "", 0, {}},
                    Row{"Letter", false, Desktop, "Desktop", 300, {"ICN#", "icl8"}},
                    Row{"Notes", false, std::nullopt, "", 0, {}},
                    Row{"Broken", false, std::nullopt, "", 0, {}},
                    Row{"Cut Doc", false, std::nullopt, "", 0, {}}),
    [](const auto& info) {
        std::string name = info.param.path;
        std::erase(name, ' ');
        return name;
    });

} // namespace
} // namespace pq
