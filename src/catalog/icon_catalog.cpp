#include "catalog/icon_catalog.h"

namespace pq {

std::string iconPngPath(const std::string& id)
{
    return "icons/" + id.substr(0, 2) + "/" + id + ".png";
}

IconCatalog::IconCatalog(std::string folder) : m_folder(std::move(folder)) {}

void IconCatalog::seed(const Catalog&, const std::vector<std::string>&) {}

std::expected<void, CatalogFolderError> IconCatalog::add(const CatalogInput&, const ScannedInput&)
{
    return {};
}

std::int64_t IconCatalog::iconCount() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<std::int64_t>(m_icons.size());
}

Catalog IconCatalog::catalog() const
{
    return {};
}

} // namespace pq
