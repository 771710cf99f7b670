#include "sample_image.h"

#include "resource_fork_writer.h"

#include <algorithm>
#include <random>
#include <sstream>
#include <stdexcept>

namespace pq::sample {
namespace {

// 4-bit palette indices.
constexpr int kWhite4 = 0, kYellow4 = 1, kOrange4 = 2, kRed4 = 3, kGreen4 = 8, kDarkGreen4 = 9, kBrown4 = 10, kBlack4 = 15;
// 8-bit palette indices: colour cube entries and the grey ramp.
constexpr int kBlue8 = 210, kCyan8 = 180, kGreen8 = 185, kDarkBlue8 = 212, kMagenta8 = 30, kLightGrey8 = 43, kBlack8 = 255, kWhite8 = 0;

void drawOneBit(IconCanvas& c, const std::string& name)
{
    const int s = c.side();
    const int u = s / 16; // 1 at 16x16, 2 at 32x32
    if (name == "floppy") {
        c.frameRect(1 * u, 1 * u, 14 * u, 14 * u, 1);
        c.fillRect(4 * u, 1 * u, 8 * u, 4 * u, 1);    // shutter
        c.fillRect(9 * u, 2 * u, u, 2 * u, 0);        // shutter window
        c.frameRect(3 * u, 8 * u, 10 * u, 7 * u, 1);  // label
        c.line(4 * u, 10 * u, 11 * u, 10 * u, 1);
        c.line(4 * u, 12 * u, 9 * u, 12 * u, 1);
    } else if (name == "smiley") {
        c.fillEllipse(s / 2, s / 2, s / 2 - 1, s / 2 - 1, 1);
        c.fillEllipse(s / 2, s / 2, s / 2 - 1 - u, s / 2 - 1 - u, 0);
        c.fillRect(5 * u, 5 * u, u + 1, 2 * u, 1);
        c.fillRect(10 * u, 5 * u, u + 1, 2 * u, 1);
        for (int x = 4 * u; x <= 12 * u; ++x) {
            const int dx = x - 8 * u;
            c.plot(x, 12 * u - dx * dx / (8 * u), 1);
        }
    } else if (name == "folder") {
        c.frameRect(0, 3 * u, 7 * u, 2 * u, 1);
        c.frameRect(0, 4 * u, 16 * u, 11 * u, 1);
        c.line(1, 6 * u, 16 * u - 2, 6 * u, 1);
    } else if (name == "document") {
        c.frameRect(2 * u, 0, 12 * u, 16 * u, 1);
        c.line(10 * u, 0, 14 * u - 1, 4 * u, 1);
        for (int y = 5 * u; y < 14 * u; y += 2 * u)
            c.line(4 * u, y, 11 * u, y, 1);
    } else if (name == "trash") {
        c.fillRect(2 * u, 2 * u, 12 * u, u, 1);
        c.frameRect(6 * u, 0, 4 * u, 2 * u + 1, 1);
        c.frameRect(3 * u, 3 * u, 10 * u, 13 * u, 1);
        for (int x = 5 * u; x < 12 * u; x += 2 * u)
            c.line(x, 5 * u, x, 14 * u, 1);
    } else if (name == "bell") {
        c.fillEllipse(8 * u, 6 * u, 5 * u, 5 * u, 1);
        c.fillRect(3 * u, 6 * u, 10 * u + 1, 6 * u, 1);
        c.fillRect(1 * u, 12 * u, 14 * u + 1, 2 * u, 1);
        c.fillEllipse(8 * u, 14 * u + u / 2, u + 1, u + 1, 1);
    } else {
        throw std::invalid_argument("no 1-bit icon named " + name);
    }
}

void drawColour(IconCanvas& c, const std::string& name, int bitDepth)
{
    const int s = c.side();
    const int u = s / 16;
    const bool four = bitDepth == 4;
    if (name == "sun") {
        c.fillRect(0, 0, s, s, four ? 7 : kCyan8); // sky
        for (int k = 0; k < 8; ++k) {
            const int dx[] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[] = {0, 1, 1, 1, 0, -1, -1, -1};
            c.line(s / 2, s / 2, s / 2 + dx[k] * 7 * u, s / 2 + dy[k] * 7 * u, four ? kOrange4 : 23);
        }
        c.fillEllipse(s / 2, s / 2, 4 * u, 4 * u, four ? kYellow4 : 5);
    } else if (name == "cherry") {
        c.line(5 * u, 10 * u, 8 * u, 2 * u, four ? kBrown4 : 100);
        c.line(11 * u, 10 * u, 8 * u, 2 * u, four ? kBrown4 : 100);
        c.fillEllipse(8 * u + u, 2 * u, 2 * u, u, four ? kGreen4 : kGreen8);
        c.fillEllipse(5 * u, 12 * u, 3 * u, 3 * u, four ? kRed4 : 35);
        c.fillEllipse(11 * u, 12 * u, 3 * u, 3 * u, four ? kRed4 : 35);
        c.plot(4 * u, 11 * u, four ? kWhite4 : kWhite8);
    } else if (name == "globe") {
        c.fillEllipse(s / 2, s / 2, s / 2 - 1, s / 2 - 1, four ? 6 : kBlue8);
        c.fillEllipse(s / 2 - 3 * u, s / 2 - 2 * u, 3 * u, 4 * u, four ? kGreen4 : kGreen8);
        c.fillEllipse(s / 2 + 4 * u, s / 2 + 3 * u, 2 * u, 3 * u, four ? kDarkGreen4 : kGreen8);
        for (int y = 0; y < s; ++y) // shading ramp on the right edge
            c.plot(s - 2, y, four ? kBlack4 : 245 + (y * 10) / s);
    } else if (name == "gem") {
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x) {
                const int d = std::abs(x - s / 2) + std::abs(y - s / 2);
                if (d < s / 2 - 1)
                    c.plot(x, y, four ? (d % 2 ? 4 : 5) : (d % 3 == 0 ? kMagenta8 : d % 3 == 1 ? kDarkBlue8 : kLightGrey8));
            }
        c.frameRect(0, 0, s, s, four ? kBlack4 : kBlack8);
    } else {
        throw std::invalid_argument("no colour icon named " + name);
    }
}

void writeText(std::vector<std::uint8_t>& out, std::size_t at, std::size_t length, std::mt19937& rng)
{
    static const char* words[] = {"the ", "disk ", "icon ", "system ", "folder ", "file ", "desktop ", "font ",
                                  "window ", "Finder ", "resource ", "copy ", "version ", "Read Me ", "\r"};
    std::size_t i = at;
    while (i < at + length) {
        const char* w = words[rng() % std::size(words)];
        for (const char* p = w; *p && i < at + length; ++p)
            out[i++] = std::uint8_t(*p);
    }
}

} // namespace

IconCanvas drawIcon(const std::string& name, int side, int bitDepth)
{
    IconCanvas canvas(side);
    if (bitDepth == 1) {
        drawOneBit(canvas, name);
        canvas.solidifyMask();
    } else {
        drawColour(canvas, name, bitDepth);
    }
    return canvas;
}

PlantedIcon plantIcon(std::vector<std::uint8_t>& bytes, std::int64_t offset, const std::string& name, int side,
                      int bitDepth, bool withMask)
{
    const IconCanvas canvas = drawIcon(name, side, bitDepth);
    auto plane = canvas.pixelPlane(bitDepth);
    if (withMask) {
        const auto mask = canvas.maskPlane(bitDepth);
        plane.insert(plane.end(), mask.begin(), mask.end());
    }
    if (offset < 0 || std::size_t(offset) + plane.size() > bytes.size())
        throw std::out_of_range("icon does not fit in the image");
    std::copy(plane.begin(), plane.end(), bytes.begin() + offset);
    return {name, offset, bitDepth, side, withMask};
}

std::vector<std::uint8_t> makeFiller(std::size_t size, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(size, 0);
    std::size_t at = 0;
    // A boot block: a jump, a name, a few tables.
    const char header[] = "LK\x60\x00\x00\x86Pixelquarry Sample Disk";
    std::copy(header, header + sizeof header - 1, out.begin());
    at = 1024;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(size - at, 2048 + rng() % 30000);
        switch (rng() % 6) {
        case 0: writeText(out, at, length, rng); break;
        case 1: break; // zeros
        case 2: std::fill(out.begin() + at, out.begin() + at + length, 0xFF); break;
        case 3: { // repeated records
            const std::uint8_t pattern[] = {0x4E, 0x75, 0x00, 0x00, 0x55, 0xAA, 0x12, 0x34};
            for (std::size_t i = 0; i < length; ++i)
                out[at + i] = pattern[i % sizeof pattern];
            break;
        }
        default: // compressed-looking noise
            for (std::size_t i = 0; i < length; ++i)
                out[at + i] = std::uint8_t(rng());
        }
        at += length;
    }
    return out;
}

SampleImage makeSampleDiskImage()
{
    SampleImage image;
    image.bytes = makeFiller(1474560, 1984);
    struct Plan {
        std::int64_t offset;
        const char* name;
        int side, depth;
        bool mask;
    };
    const Plan plans[] = {
        {10007, "floppy", 32, 1, true},   {23457, "smiley", 32, 1, true},  {40009, "folder", 16, 1, true},
        {51203, "document", 16, 1, true}, {77777, "trash", 32, 1, true},   {98765, "bell", 16, 1, true},
        {130001, "sun", 32, 4, false},    {150011, "cherry", 16, 4, false}, {200003, "globe", 32, 8, false},
        {250001, "gem", 16, 8, false},    {700001, "floppy", 16, 1, true},  {1234567, "smiley", 16, 1, true},
        {1300021, "cherry", 32, 4, false}, {1400003, "globe", 16, 8, false},
    };
    for (const Plan& p : plans)
        image.icons.push_back(plantIcon(image.bytes, p.offset, p.name, p.side, p.depth, p.mask));

    // Resource forks: the icon family of a "disk" and a second fork of loose icons.
    struct Res {
        const char* type;
        int id;
        const char* name; // Mac OS Roman
        const char* utf8;
        const char* drawing;
    };
    auto plantFork = [&](std::int64_t at, const std::vector<Res>& list) {
        std::vector<ForkResource> resources;
        for (const Res& r : list) {
            const std::string type = r.type;
            const int depth = type == "icl4" || type == "ics4" ? 4 : type == "icl8" || type == "ics8" ? 8 : 1;
            const int side = type[2] == 's' ? 16 : 32;
            const bool mask = type.back() == '#';
            const IconCanvas canvas = drawIcon(r.drawing, side, depth);
            auto data = canvas.pixelPlane(depth);
            if (mask) {
                const auto m = canvas.maskPlane(depth);
                data.insert(data.end(), m.begin(), m.end());
            }
            resources.push_back({type, std::int16_t(r.id), r.name, data});
        }
        resources.push_back({"STR ", 128, "Version", {5, '1', '.', '0', '.', '2'}});
        const ResourceForkImage fork = writeResourceFork(resources);
        std::copy(fork.bytes.begin(), fork.bytes.end(), image.bytes.begin() + at);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string type = list[i].type;
            PlantedResource planted;
            planted.type = type;
            planted.sourceOffset = at;
            planted.id = list[i].id;
            if (*list[i].utf8)
                planted.name = list[i].utf8;
            planted.icon = {list[i].drawing, at + fork.dataOffsets[i],
                            type == "icl4" || type == "ics4" ? 4 : type == "icl8" || type == "ics8" ? 8 : 1,
                            type[2] == 's' ? 16 : 32, type.back() == '#'};
            image.resources.push_back(planted);
        }
    };
    plantFork(512 * 1500, {{"ICN#", 128, "Disk", "Disk", "floppy"},
                           {"icl4", 128, "", "", "sun"},
                           {"icl8", 128, "", "", "globe"},
                           {"ics#", 128, "", "", "folder"},
                           {"ics4", 128, "", "", "cherry"},
                           {"ics8", 128, "", "", "gem"}});
    plantFork(1100003, {{"ICON", 0, "Cloche", "Cloche", "bell"},
                        {"ICN#", -4000, "Corbeille \x88 papier", "Corbeille à papier", "trash"}});

    // An icon-family container with a 1-bit icon and mask and an 8-bit icon.
    const std::int64_t containerAt = 900001;
    const IconCanvas smiley = drawIcon("smiley", 32, 1);
    auto pair = smiley.pixelPlane(1);
    const auto smileyMask = smiley.maskPlane(1);
    pair.insert(pair.end(), smileyMask.begin(), smileyMask.end());
    const auto container = writeIconContainer({{"ICN#", pair}, {"icl8", drawIcon("globe", 32, 8).pixelPlane(8)}});
    std::copy(container.begin(), container.end(), image.bytes.begin() + containerAt);
    image.resources.push_back({{"smiley", containerAt + 16, 1, 32, true}, "ICN#", true, containerAt, {}, {}});
    image.resources.push_back({{"globe", containerAt + 8 + 264 + 8, 8, 32, false}, "icl8", true, containerAt, {}, {}});
    return image;
}

std::vector<PlantedIcon> allIcons(const SampleImage& image)
{
    std::vector<PlantedIcon> all = image.icons;
    for (const PlantedResource& r : image.resources)
        all.push_back(r.icon);
    return all;
}

std::string describeIcons(const std::vector<PlantedIcon>& icons)
{
    std::ostringstream out;
    out << "[\n";
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const auto& icon = icons[i];
        out << "  {\"name\": \"" << icon.name << "\", \"offset\": " << icon.offset << ", \"bitDepth\": " << icon.bitDepth
            << ", \"side\": " << icon.side << ", \"hasMask\": " << (icon.hasMask ? "true" : "false") << "}"
            << (i + 1 < icons.size() ? "," : "") << "\n";
    }
    out << "]\n";
    return out.str();
}

} // namespace pq::sample
