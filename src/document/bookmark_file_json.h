#pragma once

#include "document/bookmark.h"

#include <cstdint>
#include <expected>
#include <span>
#include <string>

namespace pq {

// Why bytes are not a readable bookmarks document.
struct BookmarkJsonError {
    enum class Kind {
        TooLarge,      // more bytes than any bookmarks file needs
        TooDeep,       // values nested deeper than any bookmarks file needs
        InvalidJson,   // not JSON (or not UTF-8)
        MissingMember, // a required member is absent
        WrongType,     // a member has the wrong JSON type (e.g. a fraction where an integer belongs)
        Negative,      // a byte offset that must not be negative is ("maskOffset")
        DuplicateMember, // one object names the same member twice
        Unencodable,   // writing: a text is not valid UTF-8
    };
    Kind kind = Kind::InvalidJson;
    std::string where; // the member concerned, e.g. "bookmarks[3].offset", or the parser's message

    // One English phrase, e.g. "the member \"bookmarks[3].offset\" is missing".
    std::string message() const;
};

// A bookmarks file larger than this is not read (no real one comes near it).
inline constexpr std::int64_t kMaxBookmarkFileBytes = std::int64_t{64} << 20;
inline constexpr int kMaxBookmarkFileDepth = 64;

// Reads a bookmarks document strictly: the top level is an object with "fullName" (string),
// "sha256" (string) and "bookmarks" (array of objects with "offset", "nickname", "bitDepth",
// "widthInBits", optional "hasMask" and optional "maskOffset"). A required member that is
// missing or of the wrong JSON type, or named twice in one object, makes the whole document
// unreadable; only whitespace may follow the document; integers must be whole numbers within
// the signed 64-bit range; "hasMask" absent or null reads false; "maskOffset" absent or null
// reads as no mask place of its own, and a negative one is refused; other members are
// ignored. Other values are not validated (whether an icon and its mask fit the data is
// checked where it is decoded). Nesting depth and size are bounded before parsing.
std::expected<BookmarkFile, BookmarkJsonError> decodeBookmarkFile(std::span<const std::uint8_t> bytes);
std::expected<BookmarkFile, BookmarkJsonError> decodeBookmarkFile(std::string_view text);

// The pretty-printed UTF-8 document, members in the order "fullName", "sha256", "bookmarks"
// and within a bookmark "offset", "nickname", "bitDepth", "widthInBits", "hasMask", then
// "maskOffset" only when the bookmark has one.
std::expected<std::string, BookmarkJsonError> encodeBookmarkFile(const BookmarkFile& file);

} // namespace pq
