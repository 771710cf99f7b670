#include "document/bookmark_file_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "test_support.h"

#include <limits>

namespace pq {
namespace {

using Kind = BookmarkJsonError::Kind;
constexpr auto kMin = std::numeric_limits<std::int64_t>::min(), kMax = std::numeric_limits<std::int64_t>::max();

std::string document(const std::string& bookmarks, const std::string& extra = {})
{
    return R"({"fullName": "Disk", "sha256": ")" + std::string(64, 'a') + R"(", "bookmarks": [)" + bookmarks + "]" +
           extra + "}";
}

std::string bookmark(const std::string& offset, const std::string& more = {}, const std::string& depth = "1")
{
    return R"({"offset": )" + offset + R"(, "nickname": "n", "bitDepth": )" + depth + R"(, "widthInBits": 32)" + more +
           "}";
}

// Every field, as Bookmark's own equality compares the key alone.
auto fields(const Bookmark& b)
{
    return std::tuple(b.offset, b.nickname, b.bitDepth, b.widthInBits, b.hasMask, b.maskOffset);
}
constexpr std::optional<std::int64_t> kNone;

// Members in any order, unknown ones ignored, "hasMask" null or absent reads false, "maskOffset"
// null or absent reads as none; other values are not validated (any 64-bit whole number,
// duplicates, an empty list); brackets inside strings
// are no nesting.
TEST(BookmarkFileJson, ReadsEveryMemberInAnyOrderAndTakesValuesAsTheyAre)
{
    auto file = decodeBookmarkFile(R"({"extra": {"deep": [1, 2, {"x": null}]}, "bookmarks": [
        {"widthInBits": 128, "hasMask": true, "bitDepth": 4, "nickname": "Trash", "offset": 1024, "note": "x", "maskOffset": 0},
        {"offset": 7, "nickname": "", "bitDepth": 8, "widthInBits": 256, "hasMask": null, "maskOffset": 9223372036854775807},
        {"offset": 8, "nickname": "", "bitDepth": 4, "widthInBits": 128, "maskOffset": null},
        {"offset": 9, "nickname": "caf\u00e9", "bitDepth": 1, "widthInBits": 16},
        {"offset": 9223372036854775807, "nickname": "n", "bitDepth": -1, "widthInBits": 0},
        {"offset": -9223372036854775808, "nickname": "n", "bitDepth": 3, "widthInBits": 32},
        {"offset": -9223372036854775808, "nickname": "n", "bitDepth": 3, "widthInBits": 32}],
        "sha256": "abc", "fullName": ")" + std::string(5000, '[') + R"(\"{"})");
    ASSERT_TRUE(file.has_value()) << file.error().message();
    EXPECT_EQ(std::tie(file->fullName, file->sha256), std::tuple(std::string(5000, '[') + "\"{", "abc"));
    std::vector<decltype(fields({}))> read;
    std::ranges::transform(file->bookmarks, std::back_inserter(read), fields);
    EXPECT_EQ(read, (decltype(read){{1024, "Trash", 4, 128, true, 0}, {7, "", 8, 256, false, kMax},
                                    {8, "", 4, 128, false, kNone}, {9, "caf\xC3\xA9", 1, 16, false, kNone},
                                    {kMax, "n", -1, 0, false, kNone}, {kMin, "n", 3, 32, false, kNone},
                                    {kMin, "n", 3, 32, false, kNone}}));
    EXPECT_TRUE(decodeBookmarkFile(document(""))->bookmarks.empty());
}

// Documents that do not read: the whole document is refused, naming where.
TEST(BookmarkFileJson, RefusesTheWholeDocument)
{
    const std::string b0 = "bookmarks[0].";
    const struct {
        std::string text;
        Kind kind;
        std::string where;
    } cases[] = {
        {"", Kind::InvalidJson, ""},
        {"  \n ", Kind::InvalidJson, ""},
        {document(bookmark("1")).substr(0, 60), Kind::InvalidJson, ""},
        {document("") + "x", Kind::InvalidJson, ""},
        {document("") + " \n" + std::string(1, '\0'), Kind::InvalidJson, ""},
        {document(bookmark("1", R"(, "offset": 2)")), Kind::DuplicateMember, "offset"},
        {document("", R"(, "sha256": "b")"), Kind::DuplicateMember, "sha256"},
        {document("", R"(, "x": {"y": 1, "y": 1})"), Kind::DuplicateMember, "y"},
        {"[]", Kind::WrongType, ""},
        {R"({"fullName": "D)" "\xC3\x28" R"(", "sha256": "s", "bookmarks": []})", Kind::InvalidJson, ""},
        {R"({"fullName": "\ud800", "sha256": "s", "bookmarks": []})", Kind::InvalidJson, ""},
        {R"({"sha256": "s", "bookmarks": []})", Kind::MissingMember, "fullName"},
        {R"({"fullName": "D", "bookmarks": []})", Kind::MissingMember, "sha256"},
        {R"({"fullName": "D", "sha256": "s"})", Kind::MissingMember, "bookmarks"},
        {document(R"({"nickname": "n", "bitDepth": 1, "widthInBits": 32})"), Kind::MissingMember, b0 + "offset"},
        {document(R"({"offset": 1, "bitDepth": 1, "widthInBits": 32})"), Kind::MissingMember, b0 + "nickname"},
        {document(R"({"offset": 1, "nickname": "n", "widthInBits": 32})"), Kind::MissingMember, b0 + "bitDepth"},
        {document(R"({"offset": 1, "nickname": "n", "bitDepth": 1})"), Kind::MissingMember, b0 + "widthInBits"},
        {R"({"fullName": 5, "sha256": "s", "bookmarks": []})", Kind::WrongType, "fullName"},
        {R"({"fullName": "D", "sha256": null, "bookmarks": []})", Kind::WrongType, "sha256"},
        {R"({"fullName": "D", "sha256": "s", "bookmarks": {}})", Kind::WrongType, "bookmarks"},
        {document(bookmark("1") + ", 5"), Kind::WrongType, "bookmarks[1]"},
        {document(bookmark("1.0")), Kind::WrongType, b0 + "offset"},
        {document(bookmark("\"12\"")), Kind::WrongType, b0 + "offset"},
        {document(bookmark("9223372036854775808")), Kind::WrongType, b0 + "offset"},
        {document(bookmark("99999999999999999999999")), Kind::WrongType, b0 + "offset"},
        {document(bookmark("1e400")), Kind::InvalidJson, ""},
        {document(bookmark("1", "", "\"_1bit\"")), Kind::WrongType, b0 + "bitDepth"},
        {document(R"({"offset": 1, "nickname": 3, "bitDepth": 1, "widthInBits": 32})"), Kind::WrongType,
         b0 + "nickname"},
        {document(bookmark("1", R"(, "hasMask": 1)")), Kind::WrongType, b0 + "hasMask"},
        {document(bookmark("1", R"(, "maskOffset": "12")")), Kind::WrongType, b0 + "maskOffset"},
        {document(bookmark("1", R"(, "maskOffset": 2.5)")), Kind::WrongType, b0 + "maskOffset"},
        {document(bookmark("1") + "," + bookmark("2", R"(, "maskOffset": -1)")), Kind::Negative,
         "bookmarks[1].maskOffset"},
        {std::string(100000, '['), Kind::TooDeep, ""},
        {document("", R"(, "x": )" + std::string(70, '[') + std::string(70, ']')), Kind::TooDeep, ""},
        {document("") + std::string(static_cast<std::size_t>(kMaxBookmarkFileBytes), ' '), Kind::TooLarge, ""},
    };
    for (const auto& c : cases) {
        auto file = decodeBookmarkFile(c.text);
        const std::string what = c.text.substr(0, 100);
        ASSERT_FALSE(file.has_value()) << what;
        EXPECT_EQ(file.error().kind, c.kind) << what << ": " << file.error().message();
        EXPECT_TRUE(c.where.empty() || file.error().where == c.where) << what << ": " << file.error().where;
    }
}

// Another JSON reader sees every value; members come one per line in the order fullName,
// sha256, bookmarks and offset ... hasMask, which is written even when false, and maskOffset only
// when set; text that is not UTF-8 is refused by name.
TEST(BookmarkFileJson, WritesPrettyPrintedMembersInTheirOrderForAnotherReader)
{
    BookmarkFile file{"No description", std::string(64, 'f'),
                      {{1024, "untitled 1024", 1, 32, false}, {kMin, "tab\t\"quote\"", 4, 64, true, 4096}}};
    auto text = encodeBookmarkFile(file);
    ASSERT_TRUE(text.has_value());
    QJsonParseError error;
    const QJsonObject top = QJsonDocument::fromJson(QByteArray::fromStdString(*text), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(top.value("fullName").toString(), "No description");
    EXPECT_EQ(top.value("sha256").toString().toStdString(), file.sha256);
    const QJsonArray list = top.value("bookmarks").toArray();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1].toObject(), (QJsonObject{{"offset", qint64{kMin}}, {"nickname", "tab\t\"quote\""}, {"bitDepth", 4},
                                               {"widthInBits", 64}, {"hasMask", true}, {"maskOffset", 4096}}));
    EXPECT_EQ(list[0].toObject().value("hasMask"), QJsonValue(false));
    EXPECT_FALSE(list[0].toObject().contains("maskOffset"));
    std::size_t last = 0;
    for (const char* member : {"\n  \"fullName\"", "\n  \"sha256\"", "\n  \"bookmarks\"", "\"offset\"", "\"nickname\"",
                               "\"bitDepth\"", "\"widthInBits\"", "\"hasMask\""}) {
        EXPECT_GT(text->find(member), last) << member;
        last = text->find(member);
    }
    file.bookmarks[1].nickname = "bad\xFF";
    const auto refused = encodeBookmarkFile(file);
    EXPECT_EQ(std::tie(refused.error().kind, refused.error().where),
              std::tuple(Kind::Unencodable, "bookmarks[1].nickname"));
}

} // namespace
} // namespace pq
