#pragma once

#include "finder/resource_map.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace pq {

// What one bundle (a 'BNDL' resource) tells the Finder: the creator it owns and, for each file
// type it has a file reference ('FREF') for, the resource ID of that type's icon family.
struct FinderBundle {
    std::string signature;
    std::map<std::string, std::int16_t> iconIds;

    friend bool operator==(const FinderBundle&, const FinderBundle&) = default;
};

// Every bundle of the fork held in `bytes` (as `map` lists it), each resolved through its own
// mappings: its 'FREF' local IDs to the fork's FREF resources (a file type and a local icon ID)
// and its 'ICN#' local IDs to icon family resource IDs. A bundle, reference or mapping whose
// data are cut short or point at nothing is left out.
std::vector<FinderBundle> readFinderBundles(std::span<const std::uint8_t> bytes, const ResourceMap& map);

} // namespace pq
