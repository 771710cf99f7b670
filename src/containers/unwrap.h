#pragma once

#include "containers/container_format.h"
#include "containers/part.h"
#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"

#include <expected>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pq {

// One wrapper opened: what it was and the parts it holds (none for ContainerFormat::None,
// i.e. bytes that are not a wrapper this program knows).
struct Unwrapped {
    ContainerFormat format = ContainerFormat::None;
    std::vector<Part> parts;
};

// Detects the wrapper of `source` (a file called `name`) and takes it apart once.
std::expected<Unwrapped, UnwrapError> unwrap(const std::shared_ptr<const ByteSource>& source, const std::string& name,
                                             const UnwrapOptions& options);

// One layer passed on the way in: the wrapper and the part taken out of it.
struct UnwrapStep {
    ContainerFormat format = ContainerFormat::None;
    Part part;
};

// The way through nested wrappers (a zip holding an .img.gz holding a DiskCopy image).
struct UnwrapPath {
    std::vector<UnwrapStep> steps;  // outermost first; empty when the file is no wrapper
    std::vector<Part> choices;      // the parts of the innermost wrapper when no single one stands out
    ContainerFormat choicesFormat = ContainerFormat::None;
};

// The part a user would want from `parts`: a disk image, else the only part with bytes
// (a resource fork beside an empty data fork); none when several have bytes.
const Part* defaultPart(const std::vector<Part>& parts);

// How a part is called in a path: a member or a decompressed stream by its name, a fork or
// a disk image by its kind ("resource fork").
std::string partLabel(const Part& part);

// The file's name and each step's part label, joined by `separator`: "Disk.img.gz/Disk.img",
// "bundle.rsrc.hqx ▸ resource fork".
std::string pathText(const std::string& fileName, const UnwrapPath& path, std::string_view separator);

// Unwraps layer after layer, taking each time the default part, until the bytes are no
// wrapper or several parts stand equal (then they are the choices). At most 16 layers.
std::expected<UnwrapPath, UnwrapError> unwrapNested(const std::shared_ptr<const ByteSource>& source,
                                                    const std::string& name, const UnwrapOptions& options);

} // namespace pq
