#include "catalog/catalog_scan.h"

namespace pq {

std::string iconIdentity(int, int, const QImage&)
{
    return {};
}

ScannedInput scanCatalogInput(const std::string&, const std::string&, const CatalogScanOptions&)
{
    return {};
}

} // namespace pq
