#include "catalog/gallery_page.h"

namespace pq {

std::string galleryPage(const Catalog&)
{
    return {};
}

} // namespace pq
