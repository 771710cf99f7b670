// pixelquarry-cli scan: the icons stored in a file, then likely icons at any offset.
#include "finder/icon_family.h"
#include "finder/icon_finder.h"
#include "finder/volume_icons.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/volume_listing.h"
#include "document/clipped_name.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <set>

namespace pq::cli {

namespace {

struct ScanArguments {
    std::string path;
    double minScore = 0.5;
    std::int64_t limit = 0; // 0: every candidate
    bool json = false;
    PartArguments part;
};

// Scores are listed to three decimals; more would promise a precision they do not have.
double rounded(double score)
{
    return std::round(score * 1000.0) / 1000.0;
}

// Where an icon stored in a file of a volume lies: the file's path (with its volume's prefix),
// the fork, and the byte in the scanned bytes.
struct InFile {
    std::string path;
    ForkKind fork;
    std::optional<std::int64_t> imageOffset;
};

// One JSON line, with the file, fork and image offset of an icon in a file of a volume.
void printJsonLine(nlohmann::ordered_json& line, const InFile* inFile)
{
    if (inFile) {
        line["file"] = inFile->path;
        line["fork"] = std::string(forkKindName(inFile->fork));
        line["volumeOffset"] = inFile->imageOffset ? nlohmann::ordered_json(*inFile->imageOffset) : nlohmann::ordered_json(nullptr);
    }
    std::cout << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

// A list member's index, and where a colour member's mask lies (or that it has none).
void printFamilyMask(const StructuredIcon& icon)
{
    if (icon.index)
        std::cout << " member " << *icon.index;
    if (const auto maskType = familyMaskType(icon.type)) {
        if (icon.maskOffset)
            std::cout << ", mask at " << *icon.maskOffset;
        else
            std::cout << ", opaque: no " << *maskType << " in its family";
    }
}

void printFound(const FoundIcon& icon, bool json, const std::string& part, const InFile* inFile = nullptr)
{
    const StructuredIcon* s = icon.structure ? &*icon.structure : nullptr;
    if (json) {
        nlohmann::ordered_json line;
        line["offset"] = icon.offset;
        line["depth"] = icon.bitDepth;
        line["size"] = icon.side;
        line["mask"] = icon.hasMask;
        line["score"] = rounded(icon.score);
        if (!part.empty())
            line["part"] = part;
        if (s) {
            line["source"] = std::string(sourceName(s->source));
            line["type"] = s->type;
            line["id"] = s->id ? nlohmann::ordered_json(*s->id) : nlohmann::ordered_json(nullptr);
            line["name"] = s->name ? nlohmann::ordered_json(*s->name) : nlohmann::ordered_json(nullptr);
            if (s->index)
                line["index"] = *s->index;
            if (s->source == StructuredIcon::Source::Container)
                line["family"] = s->sourceOffset;
            else
                line["family"] = line["id"];
            if (familyMaskType(s->type))
                line["maskOffset"] = s->maskOffset ? nlohmann::ordered_json(*s->maskOffset) : nlohmann::ordered_json(nullptr);
        }
        printJsonLine(line, inFile);
        return;
    }
    char text[200];
    std::snprintf(text, sizeof text, "offset %lld (0x%llx)  %d-bit %dx%d%s", static_cast<long long>(icon.offset),
                  static_cast<unsigned long long>(icon.offset), icon.bitDepth, icon.side, icon.side,
                  icon.hasMask ? " with mask" : "");
    std::cout << text;
    if (inFile) {
        std::cout << "  " << forkKindName(inFile->fork) << " fork of " << quotedName(inFile->path) << ": " << s->type;
        printFamilyMask(*s);
    } else if (s) {
        std::cout << "  " << sourceName(s->source) << " at " << s->sourceOffset << ": " << s->type;
        if (s->id)
            std::cout << " ID " << *s->id;
        if (s->name)
            std::cout << " \"" << *s->name << "\"";
        printFamilyMask(*s);
    } else {
        std::snprintf(text, sizeof text, "  score %.3f", icon.score);
        std::cout << text;
    }
    std::cout << '\n';
}

// A colour icon or cursor with its own palette: its record's place, resource, size and depth,
// and the note that it is not shown (or that its record is damaged).
void printOwnPalette(const OwnPaletteIcon& icon, bool json, const std::string& part, const InFile* inFile = nullptr)
{
    const auto& p = icon.pixels;
    if (json) {
        const auto number = [](bool has, int value) { return has ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr); };
        nlohmann::ordered_json line;
        line["recordOffset"] = icon.recordOffset;
        if (!part.empty())
            line["part"] = part;
        line["source"] = std::string(sourceName(StructuredIcon::Source::Resource));
        line["type"] = icon.type;
        line["id"] = icon.id;
        line["name"] = icon.name ? nlohmann::ordered_json(*icon.name) : nlohmann::ordered_json(nullptr);
        line["width"] = number(p.has_value(), p ? p->width : 0);
        line["height"] = number(p.has_value(), p ? p->height : 0);
        line["depth"] = number(p.has_value(), p ? p->depth : 0);
        line["note"] = std::string(ownPaletteNote(icon));
        printJsonLine(line, inFile);
        return;
    }
    std::cout << "record at " << icon.recordOffset << " (0x" << std::hex << icon.recordOffset << std::dec << ")  ";
    if (inFile)
        std::cout << forkKindName(inFile->fork) << " fork of " << quotedName(inFile->path);
    else
        std::cout << sourceName(StructuredIcon::Source::Resource) << " at " << icon.sourceOffset;
    std::cout << ": " << icon.type << " ID " << icon.id;
    if (icon.name)
        std::cout << " \"" << *icon.name << "\"";
    if (p)
        std::cout << ", " << p->depth << "-bit " << p->width << "x" << p->height;
    std::cout << ", " << ownPaletteNote(icon) << '\n';
}

int runScanCommand(const ScanArguments& a)
{
    const auto opened = openDataOrReport(a.path, a.part);
    if (!opened)
        return 1;
    const auto& source = opened->source;
    std::int64_t printed = 0;
    const auto full = [&] { return a.limit > 0 && printed >= a.limit; };
    // The icons stored in the files of volumes first, by file; their places in the image are
    // left out of the raw bytes' list below.
    std::set<std::int64_t> inFiles;
    for (const ListedVolume& listed : openVolumesOrReport(source, a.path)) {
        std::vector<VolumeOwnPaletteIcon> listedOnly;
        const auto icons = findVolumeIcons(listed.volume, nullptr, {}, &listedOnly);
        if (!icons) {
            printError(icons.error().read.message(a.path));
            return 1;
        }
        for (const VolumeIcon& icon : *icons) {
            if (icon.imageOffset)
                inFiles.insert(*icon.imageOffset);
            if (full())
                continue;
            const InFile inFile{listed.prefix + icon.path, icon.fork, icon.imageOffset};
            printFound(FoundIcon::fromStructure(icon.icon), a.json, opened->partPath, &inFile);
            ++printed;
        }
        for (const VolumeOwnPaletteIcon& icon : listedOnly) {
            if (icon.imageOffset)
                inFiles.insert(*icon.imageOffset);
            if (full())
                continue;
            const InFile inFile{listed.prefix + icon.path, icon.fork, icon.imageOffset};
            printOwnPalette(icon.icon, a.json, opened->partPath, &inFile);
            ++printed;
        }
    }
    IconScanOptions options;
    options.minScore = a.minScore;
    if (a.limit > 0)
        options.maxCandidates = a.limit;
    std::vector<OwnPaletteIcon> listedOnly;
    const auto found = findIcons(*source, options, nullptr, {}, &listedOnly);
    if (!found) { // nothing here cancels a scan: a read failed (the file shrank under the scan)
        printError(found.error().read.message(a.path));
        return 1;
    }
    // The stored icons, then those only listed, then the guessed ones.
    auto icon = found->begin();
    for (; icon != found->end() && icon->structure && !full(); ++icon)
        if (!inFiles.contains(icon->offset)) {
            printFound(*icon, a.json, opened->partPath);
            ++printed;
        }
    for (const OwnPaletteIcon& listed : listedOnly)
        if (!full() && !inFiles.contains(listed.recordOffset)) {
            printOwnPalette(listed, a.json, opened->partPath);
            ++printed;
        }
    for (; icon != found->end() && !full(); ++icon) {
        if (icon->structure && inFiles.contains(icon->offset))
            continue;
        printFound(*icon, a.json, opened->partPath);
        ++printed;
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

} // namespace

Action addScanCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand(
        "scan", "List the icons stored in the files of the volumes in a disk image (each with its file, fork, "
                "offset within the fork and offset in the image), then those of other resource forks and icon "
                "containers in the bytes (colour icons and cursors with their own palettes with their size and a "
                "note, not shown), then likely 1-bit icons with masks (32x32 and 16x16) at any offset, best first");
    auto a = std::make_shared<ScanArguments>();
    cmd->add_option("FILE", a->path, "The file to search")->required();
    cmd->add_option("--min-score", a->minScore, "Leave out candidates scoring less (0 to 1; default 0.5)")
        ->check(CLI::Validator(scoreValidator, "SCORE"));
    cmd->add_option("--limit", a->limit, "List at most N candidates")
        ->check(CLI::Validator(countValidator, "N"));
    cmd->add_flag("--json", a->json, "One JSON object per line (with \"part\", the part path, for a wrapped file; with \"file\", "
                  "\"fork\" and \"volumeOffset\", the byte in the image, for an icon in a file of a volume, whose "
                  "\"offset\" then counts within the fork; a stored icon's \"family\" is its resource ID or its "
                  "container's offset, and a colour icon's \"maskOffset\" the first byte of its family's 1-bit mask, "
                  "null when it has none, in the same bytes as \"offset\"; a colour icon or cursor with its own palette ('cicn', "
                  "'crsr'), which is not shown, has no \"offset\" but \"recordOffset\", the first byte of its resource, "
                  "\"width\", \"height\" and \"depth\" from its record (null when the record is damaged) and \"note\": "
                  "\"own palette, not shown\" or \"damaged\")");
    addPartOptions(*cmd, a->part);
    return [a] { return runScanCommand(*a); };
}

} // namespace pq::cli
