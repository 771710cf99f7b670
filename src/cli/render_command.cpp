// pixelquarry-cli render: the icon at one offset, written as an image file.
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "decoding/pixel_array_renderer.h"
#include "document/clipped_name.h"
#include "export/image_file_writer.h"

#include <memory>

namespace pq::cli {

namespace {

struct RenderArguments {
    std::string path;
    IconArguments icon;
    bool mask = false;
    std::optional<std::string> maskOffset;
    std::int64_t zoom = 1;
    bool ruler = false;
    std::string out;
    PartArguments part;
};

int runRenderCommand(const RenderArguments& a)
{
    const auto encoder = imageEncoderForPath(QString::fromStdString(a.out));
    if (!encoder) {
        printError("Cannot tell the image format of " + quotedName(a.out) + ": use the extension .png, .bmp or .tiff.");
        return 1;
    }
    const auto data = openDataOrReport(a.path, a.part);
    if (!data)
        return 1;
    const auto chunk = decodeIconOrReport(data->source, a.icon.format(), a.icon.byteOffset(), maskFrom(a.maskOffset, a.mask));
    if (!chunk)
        return 1;
    const auto image = makeBitmapImageRep(a.zoom, a.ruler, chunk->pixelArray);
    if (!image) {
        printError("Could not create a " + std::to_string(a.zoom) + "x image of the icon.");
        return 1;
    }
    if (auto saved = writeImageAtomically(*image, QString::fromStdString(a.out), *encoder); !saved) {
        const std::string detail = saved.error().detail.toStdString();
        if (saved.error().error == ExportError::WriteFailed)
            printError("Could not write " + quotedName(a.out) + ": " + detail);
        else
            printError("The " + encoder->toUpper().toStdString() + " encoder produced no data for " +
                       quotedName(a.out) + (detail.empty() ? "." : ": " + detail));
        return 1;
    }
    return 0;
}

} // namespace

Action addRenderCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand("render", "Decode the icon at one offset and write it as PNG, BMP or TIFF");
    auto a = std::make_shared<RenderArguments>();
    cmd->add_option("FILE", a->path, "The file holding the icon")->required();
    addIconOptions(*cmd, a->icon);
    addPartOptions(*cmd, a->part);
    auto* follows = cmd->add_flag("--mask", a->mask, "Apply the mask plane that follows the icon");
    addMaskOffsetOption(*cmd, a->maskOffset)->excludes(follows);
    cmd->add_option("--zoom", a->zoom, "Image pixels per icon pixel")->check(CLI::Range(1, 512));
    cmd->add_flag("--ruler", a->ruler, "Frame the icon with numbered coordinate rulers");
    cmd->add_option("--out", a->out, "Output image; .png, .bmp or .tiff")->required();
    return [a] { return runRenderCommand(*a); };
}

} // namespace pq::cli
