#pragma once

#include "catalog/catalog_record.h"

#include <expected>
#include <string>

namespace pq {

// One JSON object per line, as described in catalog_record.h; lines end with "\n", keys in
// the order of the structs' fields, numbers as integers except scores.
std::string catalogIconLine(const CatalogIcon& icon);
std::string catalogErrorLine(const CatalogError& error);
std::string catalogInputLine(const CatalogInput& input);

// Why a catalog folder could not be read or written: the file and the reason in words.
struct CatalogFolderError {
    std::string path;
    std::string reason;
};

// Reads "icons.jsonl", "errors.jsonl" and "inputs.jsonl" of `folder` (a missing file reads as
// empty; a line that is not what it should be is an error naming the file and line).
std::expected<Catalog, CatalogFolderError> readCatalogFolder(const std::string& folder);

// Writes the three files and "index.html" into `folder` (each atomically), the catalog
// sorted first so that equal catalogs give equal files. The PNGs are written by whoever adds
// an icon (see IconCatalog).
std::expected<void, CatalogFolderError> writeCatalogFolder(const std::string& folder, Catalog catalog);

// Joins catalogs: icons with the same id become one with their places united, errors and
// inputs are put together (an input listed twice keeps its last line).
Catalog mergeCatalogs(std::vector<Catalog> catalogs);

} // namespace pq
