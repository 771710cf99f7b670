#include "cli/volume_listing.h"

#include "cli/cli_support.h"
#include "document/clipped_name.h"

namespace pq::cli {

std::vector<ListedVolume> openVolumesOrReport(const std::shared_ptr<const ByteSource>& bytes, const std::string& path)
{
    VolumeListing listing = listVolumes(bytes);
    for (const std::string& problem : listing.problems)
        printError(quotedName(path) + ": " + problem);
    return std::move(listing.volumes);
}

} // namespace pq::cli
