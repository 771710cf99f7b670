#pragma once

#include "catalog/catalog_record.h"

#include <QImage>

#include <atomic>
#include <string>
#include <vector>

namespace pq {

// One icon found in an input: its identity and format, its place, and its pixels as an RGBA
// image of its side (clear where its mask is clear).
struct ScannedIcon {
    std::string id;
    int depth = 1;
    int side = 32;
    bool masked = false;
    CatalogPlace place;
    QImage image; // null when an earlier icon of the same input had this id
};

struct ScannedInput {
    std::vector<ScannedIcon> icons;
    std::vector<CatalogError> errors;
    std::int64_t bytes = 0; // the input's size
};

struct CatalogScanOptions {
    double minScore = 0.9;       // guessed icons scoring less are left out; stored icons always count
    std::string tempFolder;      // where large decoded parts go; empty: the system's
    const std::atomic<bool>* cancel = nullptr;
};

// The identity of an icon: 64 lowercase hex digits, the SHA-256 of the format
// ("<depth>-bit <side>x<side>\n") followed by the pixels as RGBA bytes (non-premultiplied, row
// by row from the top), clear pixels all zero.
std::string iconIdentity(int depth, int side, const QImage& image);

// Every icon of the file at `path` (shown in places as `displayPath`): through every wrapper
// and every part of it (all members of an archive, both forks), in every volume found in the
// bytes reached (each file's stored icons, with its path, fork, type and creator), the stored
// icons of other resource forks and icon containers in those bytes, and guessed icons scoring
// at least `minScore`. A part or volume that cannot be read is an error of its own and the
// walk goes on; an input that cannot be opened gives only an error. Reads through byte
// sources: memory does not grow with the input.
ScannedInput scanCatalogInput(const std::string& path, const std::string& displayPath, const CatalogScanOptions& options);

} // namespace pq
