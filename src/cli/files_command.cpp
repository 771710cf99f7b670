// pixelquarry-cli files: the files of the classic Macintosh volumes in a disk image.
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/volume_listing.h"
#include "document/clipped_name.h"
#include "finder/finder_icon.h"
#include "finder/volume_icons.h"
#include "sources/mac_roman.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>
#include <map>
#include <memory>

namespace pq::cli {

namespace {

struct FilesArguments {
    std::string path;
    bool json = false;
    PartArguments part;
};

// One line of the listing.
struct FileRow {
    std::string path, type, creator;
    std::int64_t dataSize = 0, resourceSize = 0, icons = 0;
    std::optional<std::pair<std::string, int>> finderIcon; // type and ID
};

// The family's 1-bit member names it ("ICN#", else "ics#"), else its first member.
std::string familyType(const FinderIcon& icon)
{
    for (const char* oneBit : {"ICN#", "ics#"})
        if (std::ranges::find(icon.members, oneBit, &StructuredIcon::type) != icon.members.end())
            return oneBit;
    return icon.members.empty() ? "" : icon.members.front().type;
}

void printJson(const FileRow& row)
{
    nlohmann::ordered_json line;
    line["path"] = row.path;
    line["type"] = row.type;
    line["creator"] = row.creator;
    line["dataSize"] = row.dataSize;
    line["resourceSize"] = row.resourceSize;
    line["finderIcon"] = row.finderIcon ? nlohmann::ordered_json{{"type", row.finderIcon->first}, {"id", row.finderIcon->second}}
                                        : nlohmann::ordered_json(nullptr);
    line["icons"] = row.icons;
    std::cout << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

// Columns padded to the widest entry; the path last.
void printTable(const std::vector<FileRow>& rows)
{
    std::vector<std::array<std::string, 6>> cells;
    std::array<std::size_t, 6> widths{};
    for (const FileRow& row : rows) {
        cells.push_back({row.type, row.creator, std::to_string(row.dataSize), std::to_string(row.resourceSize),
                         std::to_string(row.icons),
                         row.finderIcon ? row.finderIcon->first + " " + std::to_string(row.finderIcon->second) : "-"});
        for (std::size_t i = 0; i < widths.size(); ++i)
            widths[i] = std::max(widths[i], cells.back()[i].size());
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t i = 0; i < widths.size(); ++i) {
            const std::string& cell = cells[r][i];
            const std::string pad(widths[i] - cell.size(), ' ');
            const bool number = i >= 2 && i <= 4;
            std::cout << (number ? pad + cell : cell + pad) << "  ";
        }
        std::cout << rows[r].path << '\n';
    }
}

int runFilesCommand(const FilesArguments& a)
{
    const auto opened = openDataOrReport(a.path, a.part);
    if (!opened)
        return 1;
    const std::vector<ListedVolume> volumes = openVolumesOrReport(opened->source, a.path);
    if (volumes.empty()) {
        printError(quotedName(a.path) + " holds no MFS, HFS or HFS+ volume that could be read.");
        return 1;
    }
    std::vector<FileRow> rows;
    for (const ListedVolume& listed : volumes) {
        const auto icons = findVolumeIcons(listed.volume);
        if (!icons) {
            printError(icons.error().read.message(a.path));
            return 1;
        }
        std::map<std::string, std::int64_t> iconCounts;
        for (const VolumeIcon& icon : *icons)
            ++iconCounts[icon.path];
        const FinderIconResolver resolver(listed.volume);
        for (const VolumeFile& file : listed.volume.files()) {
            FileRow row{listed.prefix + file.path, macRomanToUtf8(file.type), macRomanToUtf8(file.creator),
                        file.data.logicalSize, file.resource.logicalSize, iconCounts[file.path], std::nullopt};
            if (const auto icon = resolver.icon(file))
                row.finderIcon = std::pair(familyType(*icon), icon->id);
            rows.push_back(std::move(row));
        }
    }
    if (a.json)
        std::ranges::for_each(rows, printJson);
    else
        printTable(rows);
    std::cout.flush();
    return std::cout ? 0 : 1;
}

} // namespace

Action addFilesCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand(
        "files", "List the files of the MFS, HFS and HFS+ volumes in a disk image (bare, after a DiskCopy header, or "
                 "in an Apple partition map), one per line: type, creator, data fork size, resource fork size, "
                 "stored icons in the resource fork, the Finder's icon (family type and ID, \"-\" when none), path. "
                 "When the image holds several volumes, each path starts with its volume's name and \"/\". "
                 "A path, followed by \":data\" or \":resource\", names a fork for --part of every command");
    auto a = std::make_shared<FilesArguments>();
    cmd->add_option("FILE", a->path, "The disk image")->required();
    cmd->add_flag("--json", a->json,
                  "One JSON object per line (keys path, type, creator, dataSize, resourceSize, finderIcon as "
                  "{type, id} or null, icons)");
    addPartOptions(*cmd, a->part);
    return [a] { return runFilesCommand(*a); };
}

} // namespace pq::cli
