#pragma once

#include "catalog/catalog_folder.h"
#include "catalog/catalog_record.h"
#include "catalog/catalog_scan.h"

#include <expected>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace pq {

// "icons/ab/<id>.png": where an icon's PNG lies in a catalog folder (the first two hex digits
// of its id name a subfolder, so that no folder holds too many files).
std::string iconPngPath(const std::string& id);

// The icons, errors and inputs of a catalog being made, fed by several worker threads at once.
// Each distinct icon's PNG is written once, by the first input that brings it.
class IconCatalog {
public:
    explicit IconCatalog(std::string folder);

    // Starts from an earlier catalog of the same folder, keeping what it says of the inputs
    // in `kept` (inputs skipped because unchanged); everything else of it is dropped.
    void seed(const Catalog& earlier, const std::vector<std::string>& kept);

    // Adds what was found in one input. Safe to call from several threads. Fails only when a
    // PNG cannot be written (the folder and the system's reason).
    std::expected<void, CatalogFolderError> add(const CatalogInput& input, const ScannedInput& scanned);

    std::int64_t iconCount() const;
    // The catalog so far, sorted.
    Catalog catalog() const;

private:
    std::string m_folder;
    mutable std::mutex m_mutex;
    std::map<std::string, CatalogIcon> m_icons;
    std::set<std::string> m_pngs; // the ids whose PNG is in the folder or being written
    std::vector<CatalogError> m_errors;
    std::vector<CatalogInput> m_inputs;
};

} // namespace pq
