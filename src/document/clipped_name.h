#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace pq {

// The most characters of a name (a nickname, a file name or path) that a message quotes.
inline constexpr qsizetype kMaxQuotedNameLength = 200;

// A name as every message quotes it: whole when it has at most kMaxQuotedNameLength
// characters, else its beginning and its end with "…" between them, kMaxQuotedNameLength
// characters in all (the end keeps a file name's extension in view).
QString clippedName(const QString& name);
// The same for UTF-8 text; bytes that are not UTF-8 are shown as U+FFFD.
std::string clippedName(std::string_view name);

} // namespace pq
