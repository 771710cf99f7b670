#include "catalog/gallery_page.h"

#include "catalog/gallery_template.h"
#include "catalog/icon_catalog.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <unordered_map>

namespace pq {
namespace {

using Json = nlohmann::json;

// Repeated texts (paths above all) are written once and named by their index.
class StringTable {
public:
    int operator()(const std::string& text)
    {
        const auto [it, added] = m_index.try_emplace(text, static_cast<int>(m_texts.size()));
        if (added)
            m_texts.push_back(text);
        return it->second;
    }
    const Json& texts() const { return m_texts; }

private:
    std::unordered_map<std::string, int> m_index;
    Json m_texts = Json::array();
};

template <typename T> Json orNull(const std::optional<T>& value)
{
    return value ? Json(*value) : Json(nullptr);
}

// The page's data, in the compact shape its script reads (described at the top of the script).
// The images counted are the inputs walked, or, when the catalog lists none, the images named.
Json galleryData(const Catalog& catalog)
{
    StringTable strings;
    std::set<std::string> images;
    std::int64_t places = 0;
    Json icons = Json::array();
    for (const CatalogIcon& icon : catalog.icons) {
        Json rows = Json::array();
        for (const CatalogPlace& p : icon.places) {
            images.insert(p.image);
            rows.push_back({strings(p.image), strings(p.part), strings(p.file), strings(p.fork),
                            strings(p.fileType), strings(p.creator), strings(p.type), orNull(p.id),
                            orNull(p.name), orNull(p.index), orNull(p.family), p.offset, orNull(p.score)});
        }
        places += static_cast<std::int64_t>(icon.places.size());
        const Json png = icon.png == iconPngPath(icon.id) ? Json(nullptr) : Json(icon.png);
        icons.push_back({icon.id, icon.depth, icon.side, icon.masked ? 1 : 0, png, std::move(rows)});
    }
    Json errors = Json::array();
    for (const CatalogError& e : catalog.errors) {
        images.insert(e.image);
        errors.push_back({e.image, e.part, e.reason});
    }
    const Json counts = {{"icons", catalog.icons.size()}, {"places", places},
                         {"images", catalog.inputs.empty() ? images.size() : catalog.inputs.size()}, {"errors", catalog.errors.size()}};
    return {{"counts", counts}, {"strings", strings.texts()}, {"icons", std::move(icons)}, {"errors", std::move(errors)}};
}

} // namespace

std::string galleryPage(const Catalog& catalog)
{
    // Text from the data never ends the script element: every "<" (in "</script>", "<!--")
    // is written as its JSON escape. Bytes that are not UTF-8 become U+FFFD.
    const std::string json = galleryData(catalog).dump(-1, ' ', false, Json::error_handler_t::replace);
    constexpr std::string_view marker = "@CATALOG_DATA@";
    const std::size_t at = kGalleryTemplate.find(marker);
    std::string page(kGalleryTemplate.substr(0, at));
    page.reserve(kGalleryTemplate.size() + json.size() + json.size() / 8);
    for (std::size_t from = 0; from < json.size();) {
        const std::size_t lt = std::min(json.find('<', from), json.size());
        page.append(json, from, lt - from);
        if (lt < json.size())
            page += "\\u003c";
        from = lt + 1;
    }
    page.append(kGalleryTemplate.substr(at + marker.size()));
    return page;
}

} // namespace pq
