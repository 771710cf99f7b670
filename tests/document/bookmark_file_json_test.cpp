#include "document/bookmark_file_json.h"
#include "document/sha256_hex.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "test_support.h"

#include <limits>

namespace pq {
namespace {

using Kind = BookmarkJsonError::Kind;

const std::string kDigest(64, 'a');

std::string document(const std::string& bookmarks, const std::string& extra = {})
{
    return R"({"fullName": "Disk", "sha256": ")" + kDigest + R"(", "bookmarks": [)" + bookmarks + "]" + extra + "}";
}

std::string bookmark(const std::string& offset, const std::string& more = {})
{
    return R"({"offset": )" + offset + R"(, "nickname": "n", "bitDepth": 1, "widthInBits": 32)" + more + "}";
}

// Every field, as Bookmark's own equality compares the key alone.
auto fields(const Bookmark& b) { return std::tuple(b.offset, b.nickname, b.bitDepth, b.widthInBits, b.hasMask); }

// --- Documents that read, with what they read as -------------------------------------------

TEST(BookmarkFileJson, ReadsEveryMemberInAnyOrderAndIgnoresUnknownOnes)
{
    const std::string text = R"({"extra": {"deep": [1, 2, {"x": null}]}, "bookmarks": [
        {"widthInBits": 128, "hasMask": true, "bitDepth": 4, "nickname": "Trash", "offset": 1024, "note": "x"},
        {"offset": 7, "nickname": "", "bitDepth": 8, "widthInBits": 256, "hasMask": null},
        {"offset": 9, "nickname": "caf\u00e9", "bitDepth": 1, "widthInBits": 16}],
        "sha256": "abc", "fullName": "My disk"})";
    auto file = decodeBookmarkFile(text);
    ASSERT_TRUE(file.has_value()) << file.error().message();
    EXPECT_EQ(file->fullName, "My disk");
    EXPECT_EQ(file->sha256, "abc");
    ASSERT_EQ(file->bookmarks.size(), 3u);
    EXPECT_EQ(fields(file->bookmarks[0]), fields({1024, "Trash", 4, 128, true}));
    EXPECT_FALSE(file->bookmarks[1].hasMask); // null reads false
    EXPECT_EQ(file->bookmarks[1].nickname, "");
    EXPECT_FALSE(file->bookmarks[2].hasMask); // absent reads false
    EXPECT_EQ(file->bookmarks[2].nickname, "caf\xC3\xA9");
}

// Values are not validated on reading: any whole number in the 64-bit range is taken as is; an
// empty list and duplicate bookmarks are read too.
TEST(BookmarkFileJson, ReadsWholeNumbersUnchangedAndToleratesDuplicateBookmarks)
{
    constexpr auto min = std::numeric_limits<std::int64_t>::min(), max = std::numeric_limits<std::int64_t>::max();
    const std::tuple<std::string, std::string, std::int64_t, std::int64_t> cases[] = {
        {"0", "0", 0, 0}, {"-5", "3", -5, 3}, {"12", "-1", 12, -1},
        {"9223372036854775807", "8", max, 8}, {"-9223372036854775808", "1", min, 1}};
    for (const auto& [offset, depth, wantOffset, wantDepth] : cases) {
        auto file = decodeBookmarkFile(
            document(R"({"offset": )" + offset + R"(, "nickname": "n", "bitDepth": )" + depth + R"(, "widthInBits": 32})"));
        ASSERT_TRUE(file.has_value()) << offset << ": " << file.error().message();
        EXPECT_EQ(file->bookmarks.at(0).offset, wantOffset);
        EXPECT_EQ(file->bookmarks.at(0).bitDepth, wantDepth);
    }
    EXPECT_TRUE(decodeBookmarkFile(document(""))->bookmarks.empty());
    auto dup = decodeBookmarkFile(document(bookmark("5") + "," + bookmark("5")));
    ASSERT_TRUE(dup.has_value());
    ASSERT_EQ(dup->bookmarks.size(), 2u);
    EXPECT_EQ(dup->bookmarks[0], dup->bookmarks[1]);
}

// --- Documents that do not read: the whole document is refused -------------------------------

struct BadCase {
    const char* name;
    std::string text;
    Kind kind;
    std::string where;
};

class BookmarkFileJsonRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(BookmarkFileJsonRefuses, WholeDocument)
{
    const auto& c = GetParam();
    auto file = decodeBookmarkFile(c.text);
    ASSERT_FALSE(file.has_value()) << c.name;
    EXPECT_EQ(file.error().kind, c.kind) << c.name << ": " << file.error().message();
    if (!c.where.empty()) {
        EXPECT_EQ(file.error().where, c.where) << c.name;
    }
}

std::string withoutMember(const std::string& member)
{
    std::vector<std::string> members{R"("fullName": "D")", R"("sha256": "s")", R"("bookmarks": [])"};
    std::erase_if(members, [&](const std::string& m) { return m.starts_with("\"" + member + "\""); });
    return "{" + members.at(0) + ", " + members.at(1) + "}";
}

std::string bookmarkWithout(const std::string& member)
{
    std::string b = bookmark("1");
    const auto at = b.find("\"" + member + "\"");
    auto end = b.find(',', at);
    if (end == std::string::npos)
        end = b.find('}', at) - 1;
    b.erase(at, end - at + 1);
    if (b.ends_with(", }"))
        b.erase(b.size() - 3, 2);
    return document(b);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BookmarkFileJsonRefuses,
    ::testing::Values(
        BadCase{"empty", "", Kind::InvalidJson, ""}, BadCase{"spaces", "  \n ", Kind::InvalidJson, ""},
        BadCase{"truncated", document(bookmark("1")).substr(0, 60), Kind::InvalidJson, ""},
        BadCase{"trailing garbage", document("") + "x", Kind::InvalidJson, ""},
        BadCase{"NUL and garbage after", document("") + std::string("\0garbage", 8), Kind::InvalidJson, ""},
        BadCase{"NUL after", document("") + " \n" + std::string(1, '\0'), Kind::InvalidJson, ""},
        BadCase{"repeated member", document(bookmark("1", R"(, "offset": 2)")), Kind::DuplicateMember, "offset"},
        BadCase{"repeated top member", document("", R"(, "sha256": "b")"), Kind::DuplicateMember, "sha256"},
        BadCase{"repeated unknown member", document("", R"(, "x": {"y": 1, "y": 1})"), Kind::DuplicateMember, "y"},
        BadCase{"array at top", "[]", Kind::WrongType, ""}, BadCase{"number at top", "5", Kind::WrongType, ""},
        BadCase{"invalid UTF-8", R"({"fullName": "D)" + std::string("\xC3\x28") + R"(", "sha256": "s", "bookmarks": []})",
                Kind::InvalidJson, ""},
        BadCase{"lone surrogate", R"({"fullName": "\ud800", "sha256": "s", "bookmarks": []})", Kind::InvalidJson, ""},
        BadCase{"no fullName", withoutMember("fullName"), Kind::MissingMember, "fullName"},
        BadCase{"no sha256", withoutMember("sha256"), Kind::MissingMember, "sha256"},
        BadCase{"no bookmarks", withoutMember("bookmarks"), Kind::MissingMember, "bookmarks"},
        BadCase{"no offset", bookmarkWithout("offset"), Kind::MissingMember, "bookmarks[0].offset"},
        BadCase{"no nickname", bookmarkWithout("nickname"), Kind::MissingMember, "bookmarks[0].nickname"},
        BadCase{"no bitDepth", bookmarkWithout("bitDepth"), Kind::MissingMember, "bookmarks[0].bitDepth"},
        BadCase{"no widthInBits", bookmarkWithout("widthInBits"), Kind::MissingMember, "bookmarks[0].widthInBits"},
        BadCase{"fullName number", R"({"fullName": 5, "sha256": "s", "bookmarks": []})", Kind::WrongType, "fullName"},
        BadCase{"sha256 null", R"({"fullName": "D", "sha256": null, "bookmarks": []})", Kind::WrongType, "sha256"},
        BadCase{"bookmarks object", R"({"fullName": "D", "sha256": "s", "bookmarks": {}})", Kind::WrongType, "bookmarks"},
        BadCase{"bookmark not object", document(bookmark("1") + ", 5"), Kind::WrongType, "bookmarks[1]"},
        BadCase{"offset fraction", document(bookmark("1.5")), Kind::WrongType, "bookmarks[0].offset"},
        BadCase{"offset 1.0", document(bookmark("1.0")), Kind::WrongType, "bookmarks[0].offset"},
        BadCase{"offset exponent", document(bookmark("1e3")), Kind::WrongType, "bookmarks[0].offset"},
        BadCase{"offset string", document(bookmark("\"12\"")), Kind::WrongType, "bookmarks[0].offset"},
        BadCase{"offset past int64", document(bookmark("9223372036854775808")), Kind::WrongType, "bookmarks[0].offset"},
        BadCase{"offset past uint64", document(bookmark("99999999999999999999999")), Kind::WrongType,
                "bookmarks[0].offset"},
        BadCase{"offset huge exponent", document(bookmark("1e400")), Kind::InvalidJson, ""},
        BadCase{"bitDepth name", document(R"({"offset": 1, "nickname": "n", "bitDepth": "_1bit", "widthInBits": 32})"),
                Kind::WrongType, "bookmarks[0].bitDepth"},
        BadCase{"nickname number", document(R"({"offset": 1, "nickname": 3, "bitDepth": 1, "widthInBits": 32})"),
                Kind::WrongType, "bookmarks[0].nickname"},
        BadCase{"hasMask number", document(bookmark("1", R"(, "hasMask": 1)")), Kind::WrongType, "bookmarks[0].hasMask"},
        BadCase{"hasMask string", document(bookmark("1", R"(, "hasMask": "true")")), Kind::WrongType,
                "bookmarks[0].hasMask"},
        BadCase{"deep arrays", std::string(100000, '['), Kind::TooDeep, ""},
        BadCase{"deep inside a member", document("", R"(, "x": )" + std::string(70, '[') + std::string(70, ']')),
                Kind::TooDeep, ""}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::ranges::replace_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

TEST(BookmarkFileJson, BracketsInsideStringsDoNotCountAsNesting)
{
    const std::string text = R"({"fullName": ")" + std::string(5000, '[') + R"(\"{", "sha256": "s", "bookmarks": []})";
    auto file = decodeBookmarkFile(text);
    ASSERT_TRUE(file.has_value()) << file.error().message();
    EXPECT_EQ(file->fullName.size(), 5002u);
}

TEST(BookmarkFileJson, RefusesMoreBytesThanAnyBookmarksFileNeeds)
{
    std::string text = document("");
    text.append(static_cast<std::size_t>(kMaxBookmarkFileBytes) - text.size() + 1, ' ');
    auto file = decodeBookmarkFile(text);
    ASSERT_FALSE(file.has_value());
    EXPECT_EQ(file.error().kind, Kind::TooLarge);
}

// --- Writing ---------------------------------------------------------------------------------

BookmarkFile sampleFile()
{
    return {"No description", std::string(64, 'f'), {{1024, "untitled 1024", 1, 32, false}, {-3, "tab\t\"quote\"", 4, 64, true}}};
}

// Another JSON reader sees every value; members come one per line in the order fullName,
// sha256, bookmarks and offset ... hasMask, which is written even when false.
TEST(BookmarkFileJson, WritesPrettyPrintedMembersInTheirOrderForAnotherReader)
{
    auto text = encodeBookmarkFile(sampleFile());
    ASSERT_TRUE(text.has_value());
    QJsonParseError error;
    const QJsonObject top = QJsonDocument::fromJson(QByteArray::fromStdString(*text), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(top.value("fullName").toString(), "No description");
    EXPECT_EQ(top.value("sha256").toString().toStdString(), sampleFile().sha256);
    const QJsonArray list = top.value("bookmarks").toArray();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1].toObject(), (QJsonObject{{"offset", -3}, {"nickname", "tab\t\"quote\""}, {"bitDepth", 4},
                                               {"widthInBits", 64}, {"hasMask", true}}));
    EXPECT_EQ(list[0].toObject().value("hasMask"), QJsonValue(false));
    std::size_t last = 0;
    for (const char* member : {"\n  \"fullName\"", "\n  \"sha256\"", "\n  \"bookmarks\"", "\"offset\"", "\"nickname\"",
                               "\"bitDepth\"", "\"widthInBits\"", "\"hasMask\""}) {
        const auto at = text->find(member);
        ASSERT_NE(at, std::string::npos) << member;
        EXPECT_GT(at, last) << member;
        last = at;
    }
}

TEST(BookmarkFileJson, WritingThenReadingGivesTheSameDocument)
{
    BookmarkFile file = sampleFile();
    for (std::int64_t i = 0; i < 100000; ++i)
        file.bookmarks.push_back({i * 7, "b" + std::to_string(i), 8, 256, i % 2 == 0});
    file.bookmarks.push_back({std::numeric_limits<std::int64_t>::min(), "", 0, -1, false});
    auto back = decodeBookmarkFile(*encodeBookmarkFile(file));
    ASSERT_TRUE(back.has_value()) << back.error().message();
    EXPECT_EQ(std::tie(back->fullName, back->sha256), std::tie(file.fullName, file.sha256));
    ASSERT_EQ(back->bookmarks.size(), file.bookmarks.size());
    for (std::size_t i = 0; i < file.bookmarks.size(); ++i)
        ASSERT_EQ(fields(back->bookmarks[i]), fields(file.bookmarks[i])) << i;
}

TEST(BookmarkFileJson, RefusesToWriteTextThatIsNotUtf8AndNamesIt)
{
    BookmarkFile file = sampleFile();
    file.bookmarks[1].nickname = "bad\xFF";
    auto text = encodeBookmarkFile(file);
    ASSERT_FALSE(text.has_value());
    EXPECT_EQ(text.error().kind, Kind::Unencodable);
    EXPECT_EQ(text.error().where, "bookmarks[1].nickname");
}

// --- Digest ----------------------------------------------------------------------------------

TEST(Sha256Hex, MatchesKnownDigestsAndAnotherImplementation)
{
    EXPECT_EQ(sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(sha256Hex(abc), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const auto bytes = test::randomBytes((std::size_t{33} << 20) + 17, 5); // more than one block
    const QByteArray view(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    EXPECT_EQ(sha256Hex(bytes), QCryptographicHash::hash(view, QCryptographicHash::Sha256).toHex().toStdString());
    int calls = 0;
    EXPECT_EQ(sha256Hex(bytes, [&](std::int64_t, std::int64_t) { return ++calls < 1; }), "");
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace pq
