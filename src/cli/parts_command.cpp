// pixelquarry-cli parts: the layers of a wrapped file and the parts each holds.
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "document/clipped_name.h"
#include "document/part_opening.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>

namespace pq::cli {

namespace {

constexpr int kMostLayers = 16;

struct PartsArguments {
    std::string path;
    bool json = false;
};

void printPart(const std::string& path, ContainerFormat layer, const Part& part, bool json)
{
    const std::string type = fourCharText(part.type).toStdString(), creator = fourCharText(part.creator).toStdString();
    if (json) {
        nlohmann::ordered_json line;
        line["path"] = path;
        line["layer"] = std::string(formatName(layer));
        line["kind"] = std::string(partKindName(part.kind));
        line["size"] = part.size();
        line["name"] = part.name;
        line["type"] = part.type ? nlohmann::ordered_json(type) : nlohmann::ordered_json(nullptr);
        line["creator"] = part.creator ? nlohmann::ordered_json(creator) : nlohmann::ordered_json(nullptr);
        std::cout << line.dump() << '\n';
        return;
    }
    std::cout << path << '\t' << formatName(layer) << '\t' << partKindName(part.kind) << '\t' << part.size() << '\t'
              << part.name << '\t' << (part.type ? type : "-") << '\t' << (part.creator ? creator : "-") << '\n';
}

// Lists the parts of the wrapper `source` (reached by `path`), each followed by the parts
// within it when it is a wrapper too.
std::expected<void, UnwrapError> listParts(const std::shared_ptr<const ByteSource>& source, const std::string& name,
                                           const std::string& path, const UnwrapOptions& options, bool json, int depth)
{
    auto unwrapped = unwrap(source, name, options);
    if (!unwrapped)
        return std::unexpected(unwrapped.error());
    for (const Part& part : unwrapped->parts) {
        const std::string partPath = path + "/" + partLabel(part);
        printPart(partPath, unwrapped->format, part, json);
        if (part.size() == 0 || depth + 1 >= kMostLayers)
            continue;
        auto bytes = openPart(part, options);
        if (!bytes)
            return std::unexpected(bytes.error());
        if (auto inner = listParts(*bytes, part.name, partPath, options, json, depth + 1); !inner)
            return inner;
    }
    return {};
}

int runPartsCommand(const PartsArguments& a)
{
    const auto file = openFileOrReport(a.path);
    if (!file)
        return 1;
    const std::string name = fileNameOf(a.path);
    if (auto listed = listParts(file, name, name, unwrapOptions(), a.json, 0); !listed) {
        std::cout.flush();
        printError(quotedName(a.path) + " could not be taken apart: " + describe(listed.error()) + ".");
        return 1;
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

} // namespace

Action addPartsCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand(
        "parts", "List the parts of a wrapped file, layer after layer, one per line: the path to pass to --part, "
                 "wrapper, kind, size, name, type, creator (tab-separated; \"-\" when absent)");
    auto a = std::make_shared<PartsArguments>();
    cmd->add_option("FILE", a->path, "The file to take apart")->required();
    cmd->add_flag("--json", a->json, "One JSON object per line (keys path, layer, kind, size, name, type, creator)");
    return [a] { return runPartsCommand(*a); };
}

} // namespace pq::cli
