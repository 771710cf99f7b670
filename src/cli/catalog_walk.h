#pragma once

#include "catalog/catalog_record.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pq::cli {

// The files a catalog run reads: every regular file named or found below a named folder.
struct CatalogWalk {
    std::vector<CatalogInput> inputs;   // path as walked, size and modification time (minScore left at its default)
    std::vector<CatalogError> errors;   // folders that could not be listed
    std::vector<std::string> missing;   // named paths that are not there
};

// Walks `named` in order, each folder recursively with its entries sorted by name (symbolic
// links followed, each folder visited once so that a link loop ends), keeping regular files
// only and skipping the folder `skipped` (the catalog's own) wherever it is met.
CatalogWalk walkCatalogInputs(const std::vector<std::string>& named, const std::string& skipped);

// FNV-1a, 64 bits: the stable hash that assigns an input to a shard.
std::uint64_t shardHash(const std::string& path);

// Whether `path` belongs to shard `index` (1 to `count`) of `count`.
bool inShard(const std::string& path, std::int64_t index, std::int64_t count);

} // namespace pq::cli
