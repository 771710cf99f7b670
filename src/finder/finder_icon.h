#pragma once

#include "finder/structured_icon.h"
#include "volumes/volume.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pq {

// The icon the classic Finder shows for a file or folder, and where it came from: the file's
// own custom icon (resource ID -16455), the bundle of the application that owns the file's
// creator, or the volume's Desktop file.
struct FinderIcon {
    enum class Source { Custom, Bundle, Desktop };
    Source source = Source::Custom;
    std::string ownerPath; // the file whose resource fork holds the family
    int id = 0;            // the family's resource ID in that fork
    // The family's members found in that fork ("ICN#", "icl4", "icl8", "ics#", ...), offsets
    // counted within the owner's resource fork.
    std::vector<StructuredIcon> members;

    friend bool operator==(const FinderIcon&, const FinderIcon&) = default;
};

// Resolves the Finder's icons for the files and folders of one volume. Building it reads the
// bundles of the volume's applications and its Desktop file once; each question then costs a
// lookup (and a custom icon's own fork).
class FinderIconResolver {
public:
    explicit FinderIconResolver(const Volume& volume);
    ~FinderIconResolver();
    FinderIconResolver(FinderIconResolver&&) noexcept;
    FinderIconResolver& operator=(FinderIconResolver&&) noexcept;

    std::optional<FinderIcon> icon(const VolumeFile& file) const;
    std::optional<FinderIcon> icon(const VolumeFolder& folder) const;

private:
    struct Bundles;
    const Volume* m_volume;
    std::unique_ptr<Bundles> m_bundles;
};

} // namespace pq
