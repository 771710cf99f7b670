#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace pq {

// The longest file name, in bytes, that the usual file systems accept.
inline constexpr qsizetype kMaxFileNameBytes = 255;

// A bookmark nickname made fit to name a file directly inside the export folder: every "/"
// and NUL becomes "_", the names "." and ".." become "_" and "__", and an empty nickname
// becomes "untitled". Everything else, spaces, letters of any script and leading dots
// included, is kept, so a nickname can never choose or create a folder.
QString safeFileStem(const std::string& nickname);

// The file name for `nickname`: its safe stem, " <number>" when `number` is above 1, a "."
// and `extension`. The stem is shortened, on a character boundary, so that the whole name
// takes at most kMaxFileNameBytes bytes in UTF-8; the number and the extension are kept.
QString exportFileName(const std::string& nickname, const QString& extension, std::int64_t number = 1);

// `folder` joined with exportFileName(nickname, extension).
QString exportFilePath(const QString& folder, const std::string& nickname, const QString& extension);

} // namespace pq
