#include "catalog/catalog_scan.h"

#include "containers/unwrap.h"
#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"
#include "document/volume_listing.h"
#include "finder/icon_finder.h"
#include "finder/volume_icons.h"
#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"
#include "sources/source_digest.h"
#include "volumes/volume_locator.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace pq {
namespace {

// As many wrappers inside one another as the document intake goes through.
constexpr int kMostLayers = 16;

// Scores are kept to three decimals, as the command line lists them.
double rounded(double score)
{
    return std::round(score * 1000.0) / 1000.0;
}

// `image` as identities take it: RGBA bytes, not premultiplied, every clear pixel all zero
// (an image already in that format and not shared is changed in place).
QImage identityImage(QImage image)
{
    QImage rgba = std::move(image).convertToFormat(QImage::Format_RGBA8888);
    const int width = rgba.width(), height = rgba.height();
    for (int y = 0; y < height; ++y) {
        uchar* row = rgba.scanLine(y);
        for (int x = 0; x < width; ++x)
            if (row[4 * x + 3] == 0)
                std::memset(row + 4 * x, 0, 4);
    }
    return rgba;
}

std::string identityOf(int depth, int side, const QImage& rgba)
{
    const std::string format = std::to_string(depth) + "-bit " + std::to_string(side) + "x" + std::to_string(side) + "\n";
    const auto rowBytes = std::size_t(rgba.width()) * 4;
    std::vector<std::byte> bytes(format.size() + rowBytes * std::size_t(rgba.height()));
    std::memcpy(bytes.data(), format.data(), format.size());
    for (int y = 0; y < rgba.height(); ++y)
        std::memcpy(bytes.data() + format.size() + rowBytes * std::size_t(y), rgba.constScanLine(y), rowBytes);
    return sha256Hex(MemoryByteSource(std::move(bytes))).value_or(std::string());
}

// True when the icon shows nothing: its pixel plane is all zero or every pixel is clear.
bool isBlank(const Chunk& chunk)
{
    return chunk.isBlank || std::ranges::all_of(chunk.pixelArray.pixels(), &Color::isClear);
}

// The way into bytes met inside a volume: its text ("CD.iso/Games/Pinball.sit:data"; empty for
// the input's own bytes) and how many wrappers and volumes lie around them.
struct WayIn {
    std::string text;
    int layers = 0;
};

// One input's walk: every part through every wrapper, every leaf's volumes and bytes.
class InputWalk {
public:
    InputWalk(std::string displayPath, const CatalogScanOptions& options) : m_displayPath(std::move(displayPath)), m_options(options)
    {
        m_unwrapOptions.tempFolder = options.tempFolder;
    }

    ScannedInput take() { return std::move(m_scanned); }

    void error(const std::string& part, std::string reason)
    {
        m_scanned.errors.push_back({m_displayPath, part, std::move(reason)});
    }

    void setSize(std::int64_t bytes) { m_scanned.bytes = bytes; }

    // The bytes of `way`'s last part (the file's own bytes when `way` is empty), called `name`,
    // reached through `outer`.
    void walk(const std::shared_ptr<const ByteSource>& bytes, const std::string& name, UnwrapPath& way, const WayIn& outer)
    {
        const std::string part = partText(way, outer);
        const int layers = outer.layers + int(way.steps.size());
        if (cancelled())
            return;
        if (layers >= kMostLayers)
            return scanLeaf(bytes, part, layers);
        const auto opened = unwrap(bytes, name, m_unwrapOptions);
        if (!opened) {
            error(part, describe(opened.error()));
            return scanLeaf(bytes, part, layers); // what a damaged wrapper holds is still looked at as it is
        }
        if (opened->format == ContainerFormat::None)
            return scanLeaf(bytes, part, layers);
        for (const Part& inner : opened->parts) {
            way.steps.push_back({opened->format, inner});
            const auto innerBytes = openPart(inner, m_unwrapOptions);
            if (!innerBytes)
                error(partText(way, outer), describe(innerBytes.error()));
            else if (*innerBytes && (*innerBytes)->size() > 0)
                walk(*innerBytes, inner.name, way, outer);
            way.steps.pop_back();
        }
    }

    void setFileName(std::string name) { m_fileName = std::move(name); }

private:
    bool cancelled() const { return m_options.cancel && m_options.cancel->load(); }

    // The place's "part": the way in, then the labels of the parts taken out of wrappers since.
    std::string partText(const UnwrapPath& way, const WayIn& outer) const
    {
        if (outer.text.empty())
            return way.steps.empty() ? std::string() : pathText(m_fileName, way, "/");
        return pathText(outer.text, way, "/");
    }

    // `layers` wrappers and volumes deep.
    void scanLeaf(const std::shared_ptr<const ByteSource>& bytes, const std::string& part, int layers)
    {
        // The icons of volume files first, then of the wrappers and disk images among those
        // files; their places in the bytes are not listed again.
        std::set<std::int64_t> inFiles;
        std::vector<Extent> walkedFiles;
        VolumeListing listing = listVolumes(bytes);
        for (std::string& problem : listing.problems)
            error(part, std::move(problem));
        for (const ListedVolume& listed : listing.volumes) {
            addVolumeIcons(listed, part, inFiles);
            if (layers + 1 < kMostLayers)
                walkFilesInside(listed, part, layers + 1, walkedFiles);
        }
        IconScanOptions scan;
        scan.minScore = m_options.minScore;
        scan.threads = 1; // the catalog scans several inputs at once, one a thread
        const auto found = findIcons(*bytes, scan, m_options.cancel);
        if (!found) {
            if (found.error().kind == IconFindError::Kind::ReadFailed)
                error(part, found.error().read.message(m_displayPath));
            return;
        }
        std::ranges::sort(walkedFiles, {}, &Extent::offset);
        const auto inWalkedFile = [&](std::int64_t offset) {
            const auto after = std::ranges::upper_bound(walkedFiles, offset, {}, &Extent::offset);
            return after != walkedFiles.begin() && offset - std::prev(after)->offset < std::prev(after)->length;
        };
        for (const FoundIcon& icon : *found) {
            if ((icon.structure && inFiles.contains(icon.offset)) || inWalkedFile(icon.offset))
                continue;
            if (icon.structure) {
                add(bytes, icon, storedPlace(part, *icon.structure));
                continue;
            }
            CatalogPlace place = placeIn(part);
            place.offset = icon.offset;
            place.score = rounded(icon.score);
            add(bytes, icon, std::move(place));
        }
    }

    // The volume's files whose data forks are wrappers or hold volumes, each walked like an
    // input `layers` deep; `walked` gains the extents of their forks in the bytes. Other files'
    // bytes are not guessed at: a CD's thousands of files would be slow and noisy.
    void walkFilesInside(const ListedVolume& listed, const std::string& part, int layers, std::vector<Extent>& walked)
    {
        const std::string outer = (part.empty() ? m_fileName : part) + "/" + listed.prefix;
        for (const VolumeFile& file : listed.volume.files()) {
            if (cancelled())
                return;
            if (file.data.logicalSize == 0)
                continue;
            const auto data = listed.volume.fork(file, ForkKind::Data);
            if (!data || (detectFormat(**data, file.name) == ContainerFormat::None && locateVolumes(**data).empty()))
                continue;
            for (const Extent& extent : file.data.extents)
                walked.push_back({listed.volume.startInImage() + extent.offset, extent.length});
            UnwrapPath way;
            walk(*data, file.name, way, {outer + file.path + ":data", layers});
        }
    }

    // The stored icons of the volume's files, each decoded over its fork's bytes; `inFiles`
    // gains their places in the bytes the volume lies in.
    void addVolumeIcons(const ListedVolume& listed, const std::string& part, std::set<std::int64_t>& inFiles)
    {
        const auto icons = findVolumeIcons(listed.volume, m_options.cancel);
        if (!icons) {
            if (icons.error().kind == IconFindError::Kind::ReadFailed)
                error(part, icons.error().read.message(m_displayPath));
            return;
        }
        std::unordered_map<std::string_view, const VolumeFile*> files;
        for (const VolumeFile& file : listed.volume.files())
            files.emplace(file.path, &file);
        const VolumeIcon* previous = nullptr; // icons come file by file: each fork is opened once
        const VolumeFile* file = nullptr;
        std::shared_ptr<const ByteSource> fork;
        for (const VolumeIcon& icon : *icons) {
            if (icon.imageOffset)
                inFiles.insert(*icon.imageOffset);
            if (!previous || previous->path != icon.path || previous->fork != icon.fork) {
                const auto found = files.find(icon.path);
                file = found == files.end() ? nullptr : found->second;
                fork = file ? listed.volume.fork(*file, icon.fork).value_or(nullptr) : nullptr;
            }
            previous = &icon;
            if (!fork)
                continue;
            CatalogPlace place = storedPlace(part, icon.icon);
            place.file = listed.prefix + icon.path;
            place.fork = forkKindName(icon.fork);
            place.fileType = file->type;
            place.creator = file->creator;
            add(fork, FoundIcon::fromStructure(icon.icon), std::move(place));
        }
    }

    CatalogPlace placeIn(const std::string& part) const
    {
        CatalogPlace place;
        place.image = m_displayPath;
        place.part = part;
        return place;
    }

    CatalogPlace storedPlace(const std::string& part, const StructuredIcon& icon) const
    {
        CatalogPlace place = placeIn(part);
        place.type = icon.type;
        place.id = icon.id;
        place.name = icon.name;
        place.index = icon.index;
        place.family = icon.source == StructuredIcon::Source::Container ? std::optional<std::int64_t>(icon.sourceOffset)
                                                                         : std::optional<std::int64_t>(icon.id);
        place.offset = icon.offset;
        return place;
    }

    void add(const std::shared_ptr<const ByteSource>& bytes, const FoundIcon& icon, CatalogPlace place)
    {
        const auto chunk = Chunker::decode(bytes, icon.format(), icon.offset, icon.mask());
        if (!chunk || isBlank(*chunk))
            return;
        const auto drawn = makeBitmapImageRep(1, false, chunk->pixelArray);
        if (!drawn)
            return;
        ScannedIcon scanned;
        scanned.depth = icon.bitDepth;
        scanned.side = icon.side;
        scanned.masked = icon.mask().kind != IconMask::Kind::None;
        scanned.place = std::move(place);
        scanned.image = identityImage(std::move(*drawn));
        scanned.id = identityOf(scanned.depth, scanned.side, scanned.image);
        if (!m_seen.insert(scanned.id).second)
            scanned.image = QImage();
        m_scanned.icons.push_back(std::move(scanned));
    }

    std::string m_displayPath;
    std::string m_fileName;
    const CatalogScanOptions& m_options;
    UnwrapOptions m_unwrapOptions;
    ScannedInput m_scanned;
    std::unordered_set<std::string> m_seen;
};

} // namespace

std::string iconIdentity(int depth, int side, const QImage& image)
{
    return identityOf(depth, side, identityImage(image));
}

ScannedInput scanCatalogInput(const std::string& path, const std::string& displayPath, const CatalogScanOptions& options)
{
    InputWalk walk(displayPath, options);
    const auto file = FileByteSource::open(path);
    if (!file) {
        walk.error({}, file.error().message(displayPath));
        return walk.take();
    }
    walk.setSize((*file)->size());
    walk.setFileName(std::filesystem::path(path).filename().string());
    UnwrapPath way;
    walk.walk(*file, std::filesystem::path(path).filename().string(), way, {});
    return walk.take();
}

} // namespace pq
