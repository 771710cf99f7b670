#include "cli/cli_support.h"
#include "cli/commands.h"
#include "decoding/pixel_array_renderer.h"
#include "export/image_file_writer.h"

#include <iostream>
#include <memory>

namespace pq::cli {

namespace {
struct RenderOptions {
    std::string path;
    std::string offset;
    std::int64_t depth = 1;
    std::int64_t size = 32;
    bool mask = false;
    std::int64_t zoom = 1;
    bool ruler = false;
    std::string out;
};
Action addRenderCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand("render", "Decode the icon at one offset and write it as PNG, BMP or TIFF");
    auto o = std::make_shared<RenderOptions>();
    cmd->add_option("FILE", o->path, "The file holding the icon")->required();
    cmd->add_option("--offset", o->offset, "Byte offset of the icon (decimal or 0x hexadecimal)")
        ->required()
        ->check(CLI::Validator(offsetValidator, "OFFSET"));
    cmd->add_option("--depth", o->depth, "Bits per pixel")->required()->check(CLI::IsMember({1, 4, 8}));
    cmd->add_option("--size", o->size, "Pixels per side")->required()->check(CLI::IsMember({16, 32}));
    cmd->add_flag("--mask", o->mask, "Apply the mask plane that follows the icon");
    cmd->add_option("--zoom", o->zoom, "Image pixels per icon pixel")->check(CLI::Range(1, 512));
    cmd->add_flag("--ruler", o->ruler, "Frame the icon with numbered coordinate rulers");
    cmd->add_option("--out", o->out, "Output image; .png, .bmp or .tiff")->required();
    return [o]() {
        const auto encoder = imageEncoderForPath(QString::fromStdString(o->out));
        if (!encoder) {
            printError("Cannot tell the image format of \"" + o->out + "\": use the extension .png, .bmp or .tiff.");
            return 1;
        }
        auto data = readFileOrReport(o->path);
        if (!data)
            return 1;
        const IconFormat format{o->depth, o->depth * o->size};
        const std::int64_t offset = *parseByteOffset(o->offset);
        auto chunker = Chunker::create(data, format.bitDepth, format.widthInBits);
        if (!chunker) {
            printError(describeChunkerError(chunker.error(), format, offset, data->size(), o->mask));
            return 1;
        }
        auto chunk = chunker->chunkAt(offset, o->mask);
        if (!chunk) {
            printError(describeChunkerError(chunk.error(), format, offset, data->size(), o->mask));
            return 1;
        }
        auto image = makeBitmapImageRep(o->zoom, o->ruler, chunk->pixelArray);
        if (!image) {
            printError("Could not create a " + std::to_string(o->zoom) + "x image of the icon.");
            return 1;
        }
        if (auto saved = writeImageAtomically(*image, QString::fromStdString(o->out), *encoder); !saved) {
            const std::string detail = saved.error().detail.toStdString();
            if (saved.error().error == ExportError::WriteFailed)
                printError("Could not write \"" + o->out + "\": " + detail);
            else
                printError("The " + encoder->toUpper().toStdString() + " encoder produced no data for \"" + o->out + "\"" +
                           (detail.empty() ? "." : ": " + detail));
            return 1;
        }
        return 0;
    };
}

const CommandRegistrar registrar{20, &addRenderCommand};

} // namespace
} // namespace pq::cli
