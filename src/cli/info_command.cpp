// pixelquarry-cli info: the size, digest and tile counts of a file, as JSON.
#include "cli/cli_support.h"
#include "cli/commands.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>

namespace pq::cli {

namespace {

struct InfoArguments {
    std::string path;
    PartArguments part;
};

// The counts the browser shows at shift 0: the desktop program's decoder for a newly opened
// file, switched to each format; none without that decoder.
nlohmann::ordered_json tileCounts(const std::shared_ptr<const ByteSource>& data)
{
    nlohmann::ordered_json counts = nlohmann::ordered_json::object();
    auto chunker = Chunker::create(data, 1, 32);
    for (Dimensions size : allDimensions) {
        for (BitDepth depth : allBitDepths) {
            const std::string key = std::to_string(rawValue(depth)) + "x" + std::to_string(rawValue(size));
            if (chunker)
                chunker->setFormat(IconFormat::from(depth, size));
            counts[key] = chunker ? chunker->tileCount() : 0;
        }
    }
    return counts;
}

int runInfoCommand(const InfoArguments& a)
{
    const auto opened = openDataOrReport(a.path, a.part);
    if (!opened)
        return 1;
    const auto& data = opened->source;
    const auto digest = digestOrReport(*data, a.path);
    if (!digest)
        return 1;
    nlohmann::ordered_json out;
    out["path"] = a.path;
    if (!opened->partPath.empty())
        out["part"] = opened->partPath;
    out["size"] = data->size();
    out["sha256"] = *digest;
    out["tileCount"] = tileCounts(data);
    std::cout << out.dump(2) << '\n';
    return 0;
}

} // namespace

Action addInfoCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand("info", "Print the size, SHA-256 digest and tile counts of a file as JSON");
    auto a = std::make_shared<InfoArguments>();
    cmd->add_option("FILE", a->path, "The file to describe")->required();
    addPartOptions(*cmd, a->part);
    return [a] { return runInfoCommand(*a); };
}

} // namespace pq::cli
