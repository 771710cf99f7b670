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

// A clipped name between quotation marks: typographic ones in the desktop program's messages,
// plain double quotes in the command line's, which a terminal shows in any encoding.
QString quotedName(const QString& name);
std::string quotedName(std::string_view name);

// A message's sentence with its detail, when there is one, after a colon: "sentence: detail."
QString withDetail(const QString& sentence, const QString& detail);

} // namespace pq
