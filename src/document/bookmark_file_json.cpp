#include "document/bookmark_file_json.h"

#include "document/clipped_name.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <optional>
#include <unordered_set>
#include <vector>

namespace pq {
namespace {

using Json = nlohmann::ordered_json;

// The deepest nesting of arrays and objects, counted without parsing (brackets inside
// strings do not count). Stops counting once past the limit.
bool nestingWithin(std::string_view text, int limit)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
        case '"': inString = true; break;
        case '[':
        case '{':
            if (++depth > limit)
                return false;
            break;
        case ']':
        case '}': --depth; break;
        default: break;
        }
    }
    return true;
}

std::unexpected<BookmarkJsonError> fail(BookmarkJsonError::Kind kind, std::string where)
{
    return std::unexpected(BookmarkJsonError{kind, std::move(where)});
}

// The library's document builder, stopping at the first member name that one object repeats.
class MemberCheckingReader {
public:
    explicit MemberCheckingReader(Json& document) : m_builder(document, true) {}

    std::optional<std::string> duplicate; // the first repeated name

    bool null() { return m_builder.null(); }
    bool boolean(bool value) { return m_builder.boolean(value); }
    bool number_integer(Json::number_integer_t value) { return m_builder.number_integer(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return m_builder.number_unsigned(value); }
    bool number_float(Json::number_float_t value, const Json::string_t& text) { return m_builder.number_float(value, text); }
    bool string(Json::string_t& value) { return m_builder.string(value); }
    bool binary(Json::binary_t& value) { return m_builder.binary(value); }
    bool start_object(std::size_t size)
    {
        m_names.emplace_back();
        return m_builder.start_object(size);
    }
    bool key(Json::string_t& name)
    {
        if (!m_names.back().insert(name).second) {
            duplicate = name;
            return false;
        }
        return m_builder.key(name);
    }
    bool end_object()
    {
        m_names.pop_back();
        return m_builder.end_object();
    }
    bool start_array(std::size_t size) { return m_builder.start_array(size); }
    bool end_array() { return m_builder.end_array(); }
    template <class Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& error)
    {
        return m_builder.parse_error(position, token, error);
    }

private:
    nlohmann::detail::json_sax_dom_parser<Json> m_builder;
    std::vector<std::unordered_set<std::string>> m_names; // of each object being read
};

const Json* member(const Json& object, const char* name)
{
    auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

// A whole JSON number that fits a signed 64-bit integer.
std::optional<std::int64_t> asInt64(const Json& value)
{
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return static_cast<std::int64_t>(u);
    }
    if (value.is_number_integer())
        return value.get<std::int64_t>();
    return std::nullopt;
}

std::expected<std::string, BookmarkJsonError> requiredString(const Json& object, const char* name, const std::string& where)
{
    const Json* value = member(object, name);
    if (!value)
        return fail(BookmarkJsonError::Kind::MissingMember, where + name);
    if (!value->is_string())
        return fail(BookmarkJsonError::Kind::WrongType, where + name);
    return value->get<std::string>();
}

std::expected<std::int64_t, BookmarkJsonError> requiredInteger(const Json& object, const char* name, const std::string& where)
{
    const Json* value = member(object, name);
    if (!value)
        return fail(BookmarkJsonError::Kind::MissingMember, where + name);
    const auto number = asInt64(*value);
    if (!number)
        return fail(BookmarkJsonError::Kind::WrongType, where + name);
    return *number;
}

std::expected<Bookmark, BookmarkJsonError> decodeBookmark(const Json& value, const std::string& where)
{
    if (!value.is_object())
        return fail(BookmarkJsonError::Kind::WrongType, where);
    const std::string prefix = where + ".";
    Bookmark bookmark;
    auto offset = requiredInteger(value, "offset", prefix);
    if (!offset)
        return std::unexpected(offset.error());
    auto nickname = requiredString(value, "nickname", prefix);
    if (!nickname)
        return std::unexpected(nickname.error());
    auto bitDepth = requiredInteger(value, "bitDepth", prefix);
    if (!bitDepth)
        return std::unexpected(bitDepth.error());
    auto widthInBits = requiredInteger(value, "widthInBits", prefix);
    if (!widthInBits)
        return std::unexpected(widthInBits.error());
    bookmark.offset = *offset;
    bookmark.nickname = std::move(*nickname);
    bookmark.bitDepth = *bitDepth;
    bookmark.widthInBits = *widthInBits;
    if (const Json* mask = member(value, "hasMask"); mask && !mask->is_null()) {
        if (!mask->is_boolean())
            return fail(BookmarkJsonError::Kind::WrongType, prefix + "hasMask");
        bookmark.hasMask = mask->get<bool>();
    }
    if (const Json* place = member(value, "maskOffset"); place && !place->is_null()) {
        const auto number = asInt64(*place);
        if (!number)
            return fail(BookmarkJsonError::Kind::WrongType, prefix + "maskOffset");
        if (*number < 0)
            return fail(BookmarkJsonError::Kind::Negative, prefix + "maskOffset");
        bookmark.maskOffset = *number;
    }
    return bookmark;
}

} // namespace

std::string BookmarkJsonError::message() const
{
    switch (kind) {
    case Kind::TooLarge: return "the file is larger than any bookmarks file can be";
    case Kind::TooDeep: return "its values are nested too deeply for a bookmarks file";
    case Kind::InvalidJson: return "it is not valid JSON (" + where + ")";
    case Kind::MissingMember: return "the member \"" + clippedName(where) + "\" is missing";
    case Kind::WrongType: return "the member \"" + clippedName(where) + "\" has the wrong type";
    case Kind::Negative: return "the member \"" + clippedName(where) + "\" is below zero";
    case Kind::DuplicateMember: return "the member \"" + clippedName(where) + "\" appears twice in one object";
    case Kind::Unencodable: return "the text of \"" + clippedName(where) + "\" is not valid UTF-8";
    }
    return "it is not a bookmarks file";
}

std::expected<BookmarkFile, BookmarkJsonError> decodeBookmarkFile(std::string_view text)
{
    if (static_cast<std::int64_t>(text.size()) > kMaxBookmarkFileBytes)
        return fail(BookmarkJsonError::Kind::TooLarge, {});
    if (!nestingWithin(text, kMaxBookmarkFileDepth))
        return fail(BookmarkJsonError::Kind::TooDeep, {});
    // The parser takes a NUL byte for the end of its input; JSON text never holds one.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        return fail(BookmarkJsonError::Kind::InvalidJson, "a NUL byte at offset " + std::to_string(nul));
    Json document;
    MemberCheckingReader reader(document);
    try {
        Json::sax_parse(text.begin(), text.end(), &reader);
    } catch (const Json::exception& e) {
        return fail(BookmarkJsonError::Kind::InvalidJson, e.what());
    }
    if (reader.duplicate)
        return fail(BookmarkJsonError::Kind::DuplicateMember, std::move(*reader.duplicate));
    if (!document.is_object())
        return fail(BookmarkJsonError::Kind::WrongType, "(top level)");

    BookmarkFile file;
    auto fullName = requiredString(document, "fullName", {});
    if (!fullName)
        return std::unexpected(fullName.error());
    auto sha256 = requiredString(document, "sha256", {});
    if (!sha256)
        return std::unexpected(sha256.error());
    const Json* bookmarks = member(document, "bookmarks");
    if (!bookmarks)
        return fail(BookmarkJsonError::Kind::MissingMember, "bookmarks");
    if (!bookmarks->is_array())
        return fail(BookmarkJsonError::Kind::WrongType, "bookmarks");
    file.fullName = std::move(*fullName);
    file.sha256 = std::move(*sha256);
    file.bookmarks.reserve(bookmarks->size());
    std::size_t index = 0;
    for (const Json& value : *bookmarks) {
        auto bookmark = decodeBookmark(value, "bookmarks[" + std::to_string(index++) + "]");
        if (!bookmark)
            return std::unexpected(bookmark.error());
        file.bookmarks.push_back(std::move(*bookmark));
    }
    return file;
}

std::expected<BookmarkFile, BookmarkJsonError> decodeBookmarkFile(std::span<const std::uint8_t> bytes)
{
    return decodeBookmarkFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::expected<std::string, BookmarkJsonError> encodeBookmarkFile(const BookmarkFile& file)
{
    Json document = Json::object();
    document["fullName"] = file.fullName;
    document["sha256"] = file.sha256;
    Json bookmarks = Json::array();
    for (const Bookmark& b : file.bookmarks) {
        Json item = Json::object();
        item["offset"] = b.offset;
        item["nickname"] = b.nickname;
        item["bitDepth"] = b.bitDepth;
        item["widthInBits"] = b.widthInBits;
        item["hasMask"] = b.hasMask;
        if (b.maskOffset)
            item["maskOffset"] = *b.maskOffset;
        bookmarks.push_back(std::move(item));
    }
    document["bookmarks"] = std::move(bookmarks);
    try {
        return document.dump(2, ' ', false, Json::error_handler_t::strict) + "\n";
    } catch (const Json::exception&) {
        // Name the first text that is not UTF-8 (only texts can hold invalid bytes).
        auto invalid = [](const std::string& s) {
            try {
                (void)Json(s).dump(-1, ' ', false, Json::error_handler_t::strict);
                return false;
            } catch (const Json::exception&) {
                return true;
            }
        };
        std::string where = "fullName";
        if (!invalid(file.fullName)) {
            where = "sha256";
            for (std::size_t i = 0; i < file.bookmarks.size(); ++i)
                if (invalid(file.bookmarks[i].nickname)) {
                    where = "bookmarks[" + std::to_string(i) + "].nickname";
                    break;
                }
        }
        return fail(BookmarkJsonError::Kind::Unencodable, where);
    }
}

} // namespace pq
