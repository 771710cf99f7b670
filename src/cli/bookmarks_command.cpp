// pixelquarry-cli bookmarks: the bookmarks of a file's bytes, kept in the same store and
// changed by the same document controller as in the desktop program.
#include "cli/bookmarks_screen.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "decoding/default_nickname.h"
#include "document/bookmark_file_json.h"
#include "document/clipped_name.h"
#include "document/document_controller.h"

#include <QByteArray>

#include <iostream>
#include <limits>
#include <memory>

namespace pq::cli {

namespace {

struct BookmarksOptions {
    std::string path;
    IconArguments icon;
    std::optional<std::string> name;
    std::optional<std::string> maskOffset;
    std::int64_t index = 0;
    bool on = false;
    bool off = false;
    std::string importPath;
    PartArguments part;
};

// One opened document with its controller; the digest is computed at once.
class Session {
public:
    bool open(const std::string& path, const PartArguments& part)
    {
        auto data = openDataOrReport(path, part);
        if (!data)
            return false;
        m_controller.setBackgroundDigestThreshold(std::numeric_limits<std::int64_t>::max());
        m_controller.processReceivedSource(std::move(data->source), QString::fromStdString(path));
        return true;
    }
    DocumentController& controller() { return m_controller; }

    // Prints a failed edit's cause; 1.
    int fail(const DocumentError& error)
    {
        const auto text = describeDocumentError(error);
        printError((text.title + QStringLiteral(": ") + text.informativeText).toStdString());
        return 1;
    }
    // After an edit: a store that may not be written is a failure here (there is no one to
    // ask for another place).
    int finish(const std::expected<void, DocumentError>& result, const std::string& success)
    {
        if (!result)
            return fail(result.error());
        if (!m_screen.deniedFolder().isEmpty()) {
            printError("You do not have permission to write bookmarks into " +
                       quotedName(m_screen.deniedFolder().toStdString()) + "; nothing was saved.");
            return 1;
        }
        if (!success.empty())
            std::cout << success << '\n';
        return 0;
    }

private:
    BookmarksScreen m_screen;
    DocumentController m_controller{m_screen};
};

BookmarkKey keyFrom(const BookmarksOptions& o)
{
    const IconFormat format = o.icon.format();
    return {o.icon.byteOffset(), format.bitDepth, format.widthInBits};
}

std::string describeKey(const BookmarkKey& key)
{
    return "offset " + std::to_string(key.offset) + " (" + formatName({key.bitDepth, key.widthInBits}) + ")";
}

int runList(const BookmarksOptions& o)
{
    Session session;
    if (!session.open(o.path, o.part))
        return 1;
    auto& controller = session.controller();
    if (auto usable = controller.canEditBookmarks(); !usable)
        return session.fail(usable.error());
    if (!controller.bookmarkFile())
        return 1;
    auto text = encodeBookmarkFile(*controller.bookmarkFile());
    if (!text) {
        printError("The bookmarks cannot be printed: " + text.error().message() + ".");
        return 1;
    }
    std::cout << *text;
    return 0;
}

int runAdd(const BookmarksOptions& o)
{
    Session session;
    if (!session.open(o.path, o.part))
        return 1;
    auto& controller = session.controller();
    const BookmarkKey key = keyFrom(o);
    if (!decodeIconOrReport(controller.source(), {key.bitDepth, key.widthInBits}, key.offset, maskFrom(o.maskOffset, false)))
        return 1;
    if (auto row = controller.rowOf(key)) {
        std::cout << "A bookmark at " << describeKey(key) << " is already present (row " << *row
                  << "); nothing was added.\n";
        return 0;
    }
    Bookmark bookmark{key.offset, o.name.value_or(defaultNickname(key.offset)), key.bitDepth, key.widthInBits, false};
    if (o.maskOffset)
        bookmark.maskOffset = maskFrom(o.maskOffset, false).offset;
    const auto result = controller.appendBookmark(bookmark);
    return session.finish(result, "Added " + quotedName(bookmark.nickname) + " at " + describeKey(key) + " to " +
                                      controller.jsonFileURL().toStdString());
}

int runRename(const BookmarksOptions& o)
{
    Session session;
    if (!session.open(o.path, o.part))
        return 1;
    return session.finish(session.controller().renameBookmark(o.index, *o.name), {});
}

// Runs an edit of the bookmark with the key given on the command line; a key that no bookmark
// has is an error.
template <class Edit>
int runKeyedEdit(const BookmarksOptions& o, Edit edit)
{
    Session session;
    if (!session.open(o.path, o.part))
        return 1;
    auto& controller = session.controller();
    const BookmarkKey key = keyFrom(o);
    if (controller.bookmarkFile() && !controller.rowOf(key)) {
        printError("There is no bookmark at " + describeKey(key) + ".");
        return 1;
    }
    return session.finish(edit(controller, key), {});
}

int runDelete(const BookmarksOptions& o)
{
    return runKeyedEdit(o, [](DocumentController& c, const BookmarkKey& k) {
        return c.deleteBookmark(k);
    });
}

int runMask(const BookmarksOptions& o)
{
    return runKeyedEdit(o, [&o](DocumentController& c, const BookmarkKey& k) {
        return c.setBookmarkMask(k, o.on);
    });
}

int runImport(const BookmarksOptions& o)
{
    Session session;
    if (!session.open(o.path, o.part))
        return 1;
    auto text = readBookmarksFileOrReport(o.importPath);
    if (!text)
        return 1;
    const ImportReport report = session.controller().processJSON(QByteArray::fromStdString(*text),
                                                                 QString::fromStdString(o.importPath));
    const std::string name = quotedName(o.importPath);
    switch (report.outcome) {
    case ImportReport::Outcome::Unreadable:
        printError(name + " is not a readable bookmarks file (" + report.readError + "); nothing was imported.");
        return 1;
    case ImportReport::Outcome::OtherData:
        printError(name + " holds the bookmarks of other data (its digest " + report.fileDigest + " differs from " +
                   session.controller().digest().value_or("") + "); nothing was imported.");
        return 1;
    case ImportReport::Outcome::NoData:
    case ImportReport::Outcome::Deferred:
        printError("Nothing was imported.");
        return 1;
    case ImportReport::Outcome::NotStored: return session.fail(*report.failure);
    case ImportReport::Outcome::Imported: break;
    }
    const std::string counts = "Imported " + std::to_string(report.added) + " of " + std::to_string(report.total) +
                               " bookmarks from " + name + "; " + std::to_string(report.present) + " were already present.";
    if (report.failure) {
        std::cout << counts << '\n';
        return session.fail(*report.failure);
    }
    return session.finish({}, counts);
}

void addFileOption(CLI::App* cmd, BookmarksOptions& o)
{
    cmd->add_option("FILE", o.path, "The data file whose bookmarks are meant")->required();
    addPartOptions(*cmd, o.part);
}

} // namespace

Action addBookmarksCommand(CLI::App& app)
{
    auto* group = app.add_subcommand("bookmarks", "List and change the bookmarks kept for a file's bytes");
    group->require_subcommand(1);
    auto o = std::make_shared<BookmarksOptions>();

    auto* list = group->add_subcommand("list", "Print the bookmarks file of FILE's bytes as JSON");
    addFileOption(list, *o);

    auto* add = group->add_subcommand("add", "Bookmark the icon at an offset (\"untitled N\" unless named)");
    addFileOption(add, *o);
    addIconOptions(*add, o->icon);
    add->add_option("--name", o->name, "The bookmark's nickname");
    addMaskOffsetOption(*add, o->maskOffset);

    auto* rename = group->add_subcommand("rename", "Rename the bookmark in row INDEX (from 0)");
    addFileOption(rename, *o);
    rename->add_option("--index", o->index, "Row of the bookmark, from 0")->required();
    rename->add_option("--name", o->name, "The new nickname (may be empty)")->required();

    auto* remove = group->add_subcommand("delete", "Delete every bookmark with this offset and format");
    addFileOption(remove, *o);
    addIconOptions(*remove, o->icon);

    auto* mask = group->add_subcommand("mask", "Switch the mask of the first bookmark with this offset and format");
    addFileOption(mask, *o);
    addIconOptions(*mask, o->icon);
    auto* on = mask->add_flag("--on", o->on, "Decode with the mask plane");
    auto* off = mask->add_flag("--off", o->off, "Decode without the mask plane");
    on->excludes(off);
    mask->callback([mask, on, off] {
        if (on->count() + off->count() != 1)
            throw CLI::RequiredError(mask->get_name() + ": one of --on and --off");
    });

    auto* import = group->add_subcommand("import", "Add the bookmarks of a bookmarks file kept elsewhere");
    addFileOption(import, *o);
    import->add_option("BOOKMARKS", o->importPath, "The bookmarks file (.json) to import")->required();

    return [=]() {
        if (list->parsed())
            return runList(*o);
        if (add->parsed())
            return runAdd(*o);
        if (rename->parsed())
            return runRename(*o);
        if (remove->parsed())
            return runDelete(*o);
        if (mask->parsed())
            return runMask(*o);
        if (import->parsed())
            return runImport(*o);
        return 2;
    };
}

} // namespace pq::cli
