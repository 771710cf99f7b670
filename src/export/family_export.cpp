#include "export/family_export.h"

#include "decoding/pixel_array_renderer.h"
#include "document/atomic_file_writer.h"
#include "export/export_file_name.h"
#include "export/image_file_writer.h"
#include "finder/icon_family.h"

#include <algorithm>
#include <optional>

namespace pq {

namespace {

void putLittle(QByteArray& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void putBig32(QByteArray& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

// The deepest member `side` pixels a side, or null.
const FamilyMember* deepest(std::span<const FamilyMember> members, std::int64_t side)
{
    const FamilyMember* found = nullptr;
    for (const FamilyMember& m : members)
        if (m.pixels.columns() == side && m.pixels.rows() == side && (!found || m.bitDepth > found->bitDepth))
            found = &m;
    return found;
}

// The run-length coding of an 'is32'/'il32' channel: a byte of 128 + n - 3 then one byte
// repeated n times (3 to 130), or a byte of n - 1 then n bytes as they are (1 to 128).
void appendRunLengthCoded(QByteArray& out, const std::vector<std::uint8_t>& channel)
{
    const std::size_t n = channel.size();
    auto runAt = [&](std::size_t i) {
        std::size_t run = 1;
        while (i + run < n && run < 130 && channel[i + run] == channel[i])
            ++run;
        return run;
    };
    for (std::size_t i = 0; i < n;) {
        if (const std::size_t run = runAt(i); run >= 3) {
            out.append(char(run + 125));
            out.append(char(channel[i]));
            i += run;
            continue;
        }
        std::size_t literal = 0;
        while (i + literal < n && literal < 128 && runAt(i + literal) < 3)
            ++literal;
        out.append(char(literal - 1));
        for (std::size_t k = 0; k < literal; ++k)
            out.append(char(channel[i + k]));
        i += literal;
    }
}

void appendIcnsEntry(QByteArray& out, const char* type, const QByteArray& data)
{
    out.append(type, 4);
    putBig32(out, std::uint32_t(8 + data.size()));
    out.append(data);
}

// The icns image and mask entries of one member: channel planes red, green, blue coded, and
// an 8-bit mask of 0 (clear) or 255.
void appendIcnsMember(QByteArray& out, const FamilyMember& member, const char* imageType, const char* maskType)
{
    const auto& pixels = member.pixels.pixels();
    QByteArray image, mask;
    for (auto component : {&Color::red8, &Color::green8, &Color::blue8}) {
        std::vector<std::uint8_t> channel;
        for (const Color& c : pixels)
            channel.push_back(c.isClear() ? 0 : (c.*component)());
        appendRunLengthCoded(image, channel);
    }
    for (const Color& c : pixels)
        mask.append(char(c.isClear() ? 0 : 0xFF));
    appendIcnsEntry(out, imageType, image);
    appendIcnsEntry(out, maskType, mask);
}

std::expected<QByteArray, ExportFileError> icoBytes(const std::vector<const FamilyMember*>& members, const QString& path)
{
    QByteArray header, images;
    putLittle(header, 0, 2);
    putLittle(header, 1, 2); // an icon, not a cursor
    putLittle(header, std::uint32_t(members.size()), 2);
    const std::uint32_t firstImage = std::uint32_t(6 + 16 * members.size());
    for (const FamilyMember* m : members) {
        auto image = makeBitmapImageRep(1, false, m->pixels);
        if (!image)
            return std::unexpected(ExportFileError{ExportError::ImageNotCreated, path, {}});
        auto png = encodeImage(*image, "png", path);
        if (!png)
            return std::unexpected(png.error());
        header.append(char(m->pixels.columns()));
        header.append(char(m->pixels.rows()));
        putLittle(header, 0, 2); // no palette, reserved
        putLittle(header, 1, 2); // planes
        putLittle(header, 32, 2); // bits per pixel
        putLittle(header, std::uint32_t(png->size()), 4);
        putLittle(header, firstImage + std::uint32_t(images.size()), 4);
        images.append(*png);
    }
    return header + images;
}

std::expected<void, ExportFileError> writeBytes(const QString& path, const QByteArray& bytes)
{
    if (auto written = writeFileAtomically(path, bytes); !written)
        return std::unexpected(exportWriteFailure(written.error()));
    return {};
}

} // namespace

std::expected<std::vector<FamilyMember>, FamilyDecodeFailure> decodeFamilyMembers(const std::shared_ptr<const ByteSource>& data,
                                                                                   std::span<const StructuredIcon> icons)
{
    std::vector<FamilyMember> members;
    for (const StructuredIcon& icon : icons) {
        if (!classicFamilyRank(icon.type))
            continue;
        auto chunk = Chunker::decode(data, IconFormat::square(icon.bitDepth, icon.side), icon.offset, icon.mask());
        if (!chunk)
            return std::unexpected(FamilyDecodeFailure{icon, chunk.error()});
        members.push_back({icon.type, icon.bitDepth, std::move(chunk->pixelArray)});
    }
    return members;
}

std::string familyFileName(std::span<const StructuredIcon> icons)
{
    for (const StructuredIcon& icon : icons)
        if (icon.name && classicFamilyRank(icon.type))
            return *icon.name;
    return icons.empty() || !icons.front().id ? std::string("family") : "family " + std::to_string(*icons.front().id);
}

std::expected<QStringList, ExportFileError> writeIconFamily(const std::string& name, std::span<const FamilyMember> members,
                                                            const QString& folder)
{
    QStringList written;
    for (const FamilyMember& m : members) {
        const std::string stem = name + "-" + m.type + "-" + std::to_string(m.pixels.columns());
        for (const std::int64_t zoom : {std::int64_t(1), kFamilyImageZoom}) {
            auto path = writeImageFile(stem + (zoom == 1 ? "" : "@" + std::to_string(zoom) + "x"), zoom, folder, "PNG",
                                       false, m.pixels);
            if (!path)
                return std::unexpected(path.error());
            written << *path;
        }
    }
    std::vector<const FamilyMember*> sized;
    for (std::int64_t side : {16, 32})
        if (const FamilyMember* m = deepest(members, side))
            sized.push_back(m);
    if (sized.empty())
        return written;

    const QString icoPath = exportFilePath(folder, name, "ico");
    auto ico = icoBytes(sized, icoPath);
    if (!ico)
        return std::unexpected(ico.error());
    if (auto ok = writeBytes(icoPath, *ico); !ok)
        return std::unexpected(ok.error());
    written << icoPath;

    QByteArray entries;
    for (const FamilyMember* m : sized) {
        const bool small = m->pixels.columns() == 16;
        appendIcnsMember(entries, *m, small ? "is32" : "il32", small ? "s8mk" : "l8mk");
    }
    QByteArray icns("icns");
    putBig32(icns, std::uint32_t(8 + entries.size()));
    icns.append(entries);
    const QString icnsPath = exportFilePath(folder, name, "icns");
    if (auto ok = writeBytes(icnsPath, icns); !ok)
        return std::unexpected(ok.error());
    written << icnsPath;
    return written;
}

} // namespace pq
