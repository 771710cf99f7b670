#pragma once

#include "catalog/catalog_record.h"

#include <string>

namespace pq {

// The catalog's "index.html": one self-contained page (its data, script and style inline;
// nothing fetched from a server or the network) showing every icon of `catalog` from its PNG
// at twice its size, grouped by file (an application's family members side by side) or by
// image, with a filter box (name, type, creator, image), each icon's count of places, and the
// list of its places on click.
std::string galleryPage(const Catalog& catalog);

} // namespace pq
