#include "finder/finder_icon.h"

namespace pq {

// Not resolved yet: no file or folder has a Finder icon.
struct FinderIconResolver::Bundles {};

FinderIconResolver::FinderIconResolver(const Volume& volume) : m_volume(&volume), m_bundles(std::make_unique<Bundles>()) {}
FinderIconResolver::~FinderIconResolver() = default;
FinderIconResolver::FinderIconResolver(FinderIconResolver&&) noexcept = default;
FinderIconResolver& FinderIconResolver::operator=(FinderIconResolver&&) noexcept = default;

std::optional<FinderIcon> FinderIconResolver::icon(const VolumeFile&) const { return std::nullopt; }
std::optional<FinderIcon> FinderIconResolver::icon(const VolumeFolder&) const { return std::nullopt; }

} // namespace pq
