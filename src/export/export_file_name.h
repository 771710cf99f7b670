#pragma once

#include <QString>

#include <string>

namespace pq {

// A bookmark nickname made fit to name a file directly inside the export folder: every "/"
// and NUL becomes "_", and the names "." and ".." become "_" and "__". Everything else,
// spaces, letters of any script and leading dots included, is kept, so a nickname can never
// choose or create a folder.
QString safeFileStem(const std::string& nickname);

// `folder` joined with the safe stem of `nickname`, a "." and `extension`.
QString exportFilePath(const QString& folder, const std::string& nickname, const QString& extension);

} // namespace pq
