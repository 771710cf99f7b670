#include "catalog/catalog_folder.h"

namespace pq {

std::string catalogIconLine(const CatalogIcon&) { return {}; }
std::string catalogErrorLine(const CatalogError&) { return {}; }
std::string catalogInputLine(const CatalogInput&) { return {}; }

std::expected<Catalog, CatalogFolderError> readCatalogFolder(const std::string&)
{
    return Catalog{};
}

std::expected<void, CatalogFolderError> writeCatalogFolder(const std::string&, Catalog)
{
    return {};
}

Catalog mergeCatalogs(std::vector<Catalog>)
{
    return {};
}

} // namespace pq
