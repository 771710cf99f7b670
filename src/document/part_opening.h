#pragma once

#include "containers/unwrap.h"
#include "document/document_screen.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace pq {

// How the bytes browsed were reached from the file opened.
struct DocumentOrigin {
    UnwrapPath path;      // the layers passed; no steps when the file's own bytes are browsed
    bool wrapper = false; // the file is a wrapper (also when its raw bytes are browsed)
    // When the last part passed was chosen among parts that stood equal: all of them (by row
    // of the part question) and the row chosen.
    std::vector<Part> equalParts{};
    int chosenPart = -1;
    // When a fork of a file inside a volume is browsed: the bytes the volume lies in (those
    // reached by `path`, the whole image) and the names from the volume to the fork ("Disk",
    // "System Folder", "Finder", "resource fork"); null and empty otherwise.
    std::shared_ptr<const ByteSource> image{};
    std::vector<std::string> innerPath{};
};

// Options for taking files apart: large decoded parts go into the per-user cache folder
// (made when missing).
UnwrapOptions unwrapOptions(UnwrapProgress progress = {});

// What the part question lists of each part.
std::vector<PartRow> partRows(const std::vector<Part>& parts);

// A file type or creator as text (each byte as its Latin-1 character); empty when absent.
QString fourCharText(const std::optional<FourCharCode>& code);

// The window title of the bytes reached by `path` in the file called `fileName`:
// "bundle.rsrc.hqx ▸ resource fork".
QString documentTitle(const QString& fileName, const UnwrapPath& path);

// The window title of the bytes `origin` leads to: the names from the volume to the fork
// ("Disk ▸ System Folder ▸ Finder ▸ resource fork") when it leads into a volume, else as
// documentTitle.
QString documentTitle(const QString& fileName, const DocumentOrigin& origin);

} // namespace pq
