#include "catalog/catalog_folder.h"

#include "catalog/icon_catalog.h"
#include "catalog/gallery_page.h"
#include "document/atomic_file_writer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace pq {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kIconsFile = "icons.jsonl";
constexpr const char* kErrorsFile = "errors.jsonl";
constexpr const char* kInputsFile = "inputs.jsonl";
constexpr const char* kGalleryFile = "index.html";

std::string line(const Json& json)
{
    // A path that is not UTF-8 is written with replacement characters rather than refused.
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

void putText(Json& json, const char* key, const std::string& text)
{
    if (!text.empty())
        json[key] = text;
}

template <class T>
void putOptional(Json& json, const char* key, const std::optional<T>& value)
{
    if (value)
        json[key] = *value;
}

Json placeJson(const CatalogPlace& p)
{
    Json json;
    json["image"] = p.image;
    putText(json, "part", p.part);
    putText(json, "file", p.file);
    putText(json, "fork", p.fork);
    putText(json, "fileType", p.fileType);
    putText(json, "creator", p.creator);
    putText(json, "type", p.type);
    putOptional(json, "id", p.id);
    putOptional(json, "name", p.name);
    putOptional(json, "index", p.index);
    putOptional(json, "family", p.family);
    json["offset"] = p.offset;
    if (p.score)
        json["score"] = std::round(*p.score * 1000.0) / 1000.0; // three decimals
    return json;
}

// Readers of one line's fields: a missing optional field reads as absent (or empty), a field
// of the wrong type throws, and the line is refused with the library's explanation.
std::string text(const Json& json, const char* key)
{
    return json.contains(key) ? json.at(key).get<std::string>() : std::string();
}

template <class T>
std::optional<T> optional(const Json& json, const char* key)
{
    if (!json.contains(key))
        return std::nullopt;
    return json.at(key).get<T>();
}

CatalogPlace placeFrom(const Json& json)
{
    CatalogPlace p;
    p.image = json.at("image").get<std::string>();
    p.part = text(json, "part");
    p.file = text(json, "file");
    p.fork = text(json, "fork");
    p.fileType = text(json, "fileType");
    p.creator = text(json, "creator");
    p.type = text(json, "type");
    p.id = optional<int>(json, "id");
    p.name = optional<std::string>(json, "name");
    p.index = optional<int>(json, "index");
    p.family = optional<std::int64_t>(json, "family");
    p.offset = json.at("offset").get<std::int64_t>();
    p.score = optional<double>(json, "score");
    return p;
}

bool isIdentity(const std::string& id)
{
    return id.size() == 64 && std::ranges::all_of(id, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The id names the PNG's path in the folder: anything else could point outside it.
CatalogIcon iconFrom(const Json& json)
{
    CatalogIcon icon;
    icon.id = json.at("id").get<std::string>();
    if (!isIdentity(icon.id))
        throw std::invalid_argument("its id is not 64 lowercase hexadecimal digits");
    icon.depth = json.at("depth").get<int>();
    icon.side = json.at("size").get<int>();
    icon.masked = json.at("masked").get<bool>();
    icon.png = json.at("png").get<std::string>();
    if (icon.png != iconPngPath(icon.id))
        throw std::invalid_argument("its png is not " + iconPngPath(icon.id));
    for (const Json& place : json.at("places"))
        icon.places.push_back(placeFrom(place));
    return icon;
}

CatalogError errorFrom(const Json& json)
{
    return {json.at("image").get<std::string>(), text(json, "part"), json.at("reason").get<std::string>()};
}

CatalogInput inputFrom(const Json& json)
{
    return {json.at("path").get<std::string>(), json.at("size").get<std::int64_t>(), json.at("mtime").get<std::int64_t>(),
            json.at("minScore").get<double>()};
}

// Reads `name` of `folder` line by line into `out` with `from`; a missing file adds nothing.
template <class T, class From>
std::expected<void, CatalogFolderError> readLines(const std::string& folder, const char* name, std::vector<T>& out, From from)
{
    const std::string path = folder + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec)
            return {};
        return std::unexpected(CatalogFolderError{path, "it cannot be read"});
    }
    std::int64_t number = 0;
    for (std::string text; std::getline(in, text);) {
        ++number;
        if (text.empty())
            continue;
        try {
            const Json json = Json::parse(text);
            if (!json.is_object())
                throw std::invalid_argument("it is not a JSON object");
            out.push_back(from(json));
        } catch (const std::exception& e) {
            return std::unexpected(CatalogFolderError{path, "line " + std::to_string(number) + " is not a catalog line: " + e.what()});
        }
    }
    if (in.bad())
        return std::unexpected(CatalogFolderError{path, "it cannot be read to its end"});
    return {};
}

// Sorted, each once.
template <class T>
void sortUnique(std::vector<T>& v)
{
    std::ranges::sort(v);
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

void sortCatalog(Catalog& catalog)
{
    std::ranges::sort(catalog.icons, {}, &CatalogIcon::id);
    for (CatalogIcon& icon : catalog.icons)
        sortUnique(icon.places);
    sortUnique(catalog.errors);
    std::ranges::stable_sort(catalog.inputs, {}, &CatalogInput::path);
}

std::expected<void, CatalogFolderError> writeText(const std::string& folder, const char* name, const std::string& text)
{
    const std::string path = folder + "/" + name;
    const auto written = writeFileAtomically(QString::fromStdString(path), QByteArray::fromStdString(text));
    if (!written)
        return std::unexpected(CatalogFolderError{path, written.error().reason().toStdString()});
    return {};
}

// Removes the PNGs of icons the catalog no longer holds, so that the folder holds its catalog
// and nothing more; anything that is not an icon's PNG is left alone.
void removeStalePngs(const std::string& folder, const Catalog& catalog)
{
    std::set<std::string> kept;
    for (const CatalogIcon& icon : catalog.icons)
        kept.insert(icon.id);
    std::error_code ec;
    const std::filesystem::path icons = std::filesystem::path(folder) / "icons";
    for (auto it = std::filesystem::recursive_directory_iterator(icons, ec); !ec && it != std::filesystem::recursive_directory_iterator();
         it.increment(ec)) {
        const auto& path = it->path();
        if (path.extension() == ".png" && isIdentity(path.stem().string()) && !kept.contains(path.stem().string()) &&
            it->is_regular_file(ec))
            std::filesystem::remove(path, ec);
    }
}

} // namespace

std::string catalogIconLine(const CatalogIcon& icon)
{
    Json places = Json::array();
    for (const CatalogPlace& place : icon.places)
        places.push_back(placeJson(place));
    return line({{"id", icon.id}, {"depth", icon.depth}, {"size", icon.side}, {"masked", icon.masked}, {"png", icon.png},
                 {"places", std::move(places)}});
}

std::string catalogErrorLine(const CatalogError& error)
{
    Json json;
    json["image"] = error.image;
    putText(json, "part", error.part);
    json["reason"] = error.reason;
    return line(json);
}

std::string catalogInputLine(const CatalogInput& input)
{
    return line({{"path", input.path}, {"size", input.size}, {"mtime", input.mtime}, {"minScore", input.minScore}});
}

std::expected<Catalog, CatalogFolderError> readCatalogFolder(const std::string& folder)
{
    Catalog catalog;
    if (auto read = readLines(folder, kIconsFile, catalog.icons, iconFrom); !read)
        return std::unexpected(read.error());
    if (auto read = readLines(folder, kErrorsFile, catalog.errors, errorFrom); !read)
        return std::unexpected(read.error());
    if (auto read = readLines(folder, kInputsFile, catalog.inputs, inputFrom); !read)
        return std::unexpected(read.error());
    sortCatalog(catalog);
    return catalog;
}

std::expected<void, CatalogFolderError> writeCatalogFolder(const std::string& folder, Catalog catalog)
{
    sortCatalog(catalog);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return std::unexpected(CatalogFolderError{folder, ec.message()});
    std::string icons, errors, inputs;
    for (const CatalogIcon& icon : catalog.icons)
        icons += catalogIconLine(icon);
    for (const CatalogError& error : catalog.errors)
        errors += catalogErrorLine(error);
    for (const CatalogInput& input : catalog.inputs)
        inputs += catalogInputLine(input);
    for (const auto& [name, text] : {std::pair{kIconsFile, &icons}, {kErrorsFile, &errors}, {kInputsFile, &inputs}})
        if (auto written = writeText(folder, name, *text); !written)
            return written;
    if (auto written = writeText(folder, kGalleryFile, galleryPage(catalog)); !written)
        return written;
    removeStalePngs(folder, catalog);
    return {};
}

Catalog mergeCatalogs(std::vector<Catalog> catalogs)
{
    std::map<std::string, CatalogIcon> icons;
    std::map<std::string, CatalogInput> inputs;
    Catalog merged;
    for (Catalog& catalog : catalogs) {
        for (CatalogIcon& icon : catalog.icons) {
            const auto [at, added] = icons.try_emplace(icon.id, icon);
            if (!added)
                at->second.places.insert(at->second.places.end(), icon.places.begin(), icon.places.end());
        }
        merged.errors.insert(merged.errors.end(), catalog.errors.begin(), catalog.errors.end());
        for (CatalogInput& input : catalog.inputs)
            inputs.insert_or_assign(input.path, std::move(input));
    }
    for (auto& [id, icon] : icons)
        merged.icons.push_back(std::move(icon));
    for (auto& [path, input] : inputs)
        merged.inputs.push_back(std::move(input));
    sortCatalog(merged);
    return merged;
}

} // namespace pq
