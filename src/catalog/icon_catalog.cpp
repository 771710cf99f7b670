#include "catalog/icon_catalog.h"

#include "export/image_file_writer.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace pq {

std::string iconPngPath(const std::string& id)
{
    return "icons/" + id.substr(0, 2) + "/" + id + ".png";
}

IconCatalog::IconCatalog(std::string folder) : m_folder(std::move(folder)) {}

void IconCatalog::seed(const Catalog& earlier, const std::vector<std::string>& kept)
{
    const std::set<std::string> keep(kept.begin(), kept.end());
    const std::lock_guard lock(m_mutex);
    for (const CatalogIcon& icon : earlier.icons) {
        CatalogIcon left = icon;
        std::erase_if(left.places, [&](const CatalogPlace& place) { return !keep.contains(place.image); });
        if (left.places.empty())
            continue;
        m_pngs.insert(icon.id);
        m_icons.insert_or_assign(icon.id, std::move(left));
    }
    std::ranges::copy_if(earlier.errors, std::back_inserter(m_errors), [&](const CatalogError& e) { return keep.contains(e.image); });
    std::ranges::copy_if(earlier.inputs, std::back_inserter(m_inputs), [&](const CatalogInput& i) { return keep.contains(i.path); });
}

std::expected<void, CatalogFolderError> IconCatalog::add(const CatalogInput& input, const ScannedInput& scanned)
{
    std::vector<const ScannedIcon*> newPngs;
    {
        const std::lock_guard lock(m_mutex);
        for (const ScannedIcon& found : scanned.icons) {
            auto& icon = m_icons.try_emplace(found.id, CatalogIcon{found.id, found.depth, found.side, found.masked,
                                                                   iconPngPath(found.id), {}})
                             .first->second;
            icon.places.push_back(found.place);
            if (!found.image.isNull() && m_pngs.insert(found.id).second)
                newPngs.push_back(&found);
        }
        m_errors.insert(m_errors.end(), scanned.errors.begin(), scanned.errors.end());
        m_inputs.push_back(input);
    }
    // Each new icon's PNG is written by this thread alone, outside the lock.
    for (const ScannedIcon* found : newPngs) {
        const std::filesystem::path path = std::filesystem::path(m_folder) / iconPngPath(found->id);
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec)
            return std::unexpected(CatalogFolderError{path.parent_path().string(), ec.message()});
        const auto written = writeImageAtomically(found->image, QString::fromStdString(path.string()), "png");
        if (!written)
            return std::unexpected(CatalogFolderError{path.string(), written.error().detail.isEmpty()
                                                                         ? exportErrorName(written.error().error)
                                                                         : written.error().detail.toStdString()});
    }
    return {};
}

std::int64_t IconCatalog::iconCount() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<std::int64_t>(m_icons.size());
}

Catalog IconCatalog::catalog() const
{
    Catalog catalog;
    {
        const std::lock_guard lock(m_mutex);
        for (const auto& [id, icon] : m_icons)
            catalog.icons.push_back(icon);
        catalog.errors = m_errors;
        catalog.inputs = m_inputs;
    }
    // Merging one catalog sorts it and puts each place once.
    return mergeCatalogs({std::move(catalog)});
}

} // namespace pq
