#include "finder/found_icon.h"

#include "decoding/default_nickname.h"

namespace pq {

FoundIcon FoundIcon::fromStructure(const StructuredIcon& icon)
{
    return {icon.offset, icon.bitDepth, icon.side, icon.hasMask, 1.0, icon};
}

FoundIcon FoundIcon::fromCandidate(const IconCandidate& candidate)
{
    return {candidate.offset, candidate.bitDepth(), candidate.side, candidate.hasMask(), candidate.score, std::nullopt};
}

std::string FoundIcon::bookmarkNickname() const
{
    if (structure && structure->name && !structure->name->empty())
        return *structure->name;
    return defaultNickname(offset);
}

} // namespace pq
