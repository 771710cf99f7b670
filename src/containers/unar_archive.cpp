#include "containers/unar_archive.h"

#include "containers/apple_single.h"
#include "containers/external_tool.h"
#include "containers/part_guard.h"
#include "containers/wrapper_bytes.h"
#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <stdlib.h>
#include <unistd.h>

namespace pq {
namespace {

using Cause = UnwrapError::Cause;
namespace fs = std::filesystem;

// How the programs see the archive: the descriptor passed to them as 3.
constexpr const char* kArchivePath = "/dev/fd/3";
// unar writes a resource fork as an AppleDouble file: its header and Finder info come on top.
constexpr std::int64_t kAppleDoubleOverhead = 4096;

// The archive's bytes in a temporary file with no name: lsar and unar read it as /dev/fd/3.
struct ArchiveCopy {
    int fd = -1;
    ArchiveCopy() = default;
    ArchiveCopy(const ArchiveCopy&) = delete;
    ArchiveCopy& operator=(const ArchiveCopy&) = delete;
    ~ArchiveCopy()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// One member's fork, as lsar lists it.
struct Member {
    std::shared_ptr<const ArchiveCopy> archive;
    std::string unar;
    std::int64_t index = 0;
    std::string name;
    std::int64_t size = 0;
    bool resourceFork = false;
    std::string layer; // "StuffIt member "Read Me" resource fork"
};

// Removes a private folder and what is in it when the extraction is done with it.
struct FolderRemover {
    std::string folder;
    ~FolderRemover()
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

UnwrapError toolError(const std::string& layer, Cause cause, const std::string& tool,
                      const ToolResult* result = nullptr)
{
    UnwrapError error = wrapperError(layer, "", cause);
    error.method = tool;
    if (result) {
        error.found = static_cast<std::uint64_t>(result->status);
        error.detail = result->end == ToolResult::End::TimedOut ? "it stopped making progress" : firstLine(result->err);
    }
    return error;
}

std::optional<std::int64_t> integerOf(const nlohmann::json& entry, const char* key)
{
    const auto it = entry.find(key);
    if (it == entry.end())
        return std::nullopt;
    if (it->is_number_unsigned())
        return static_cast<std::int64_t>(std::min<std::uint64_t>(it->get<std::uint64_t>(), INT64_MAX));
    if (it->is_number_integer())
        return it->get<std::int64_t>();
    return std::nullopt;
}

std::optional<FourCharCode> codeOf(const nlohmann::json& entry, const char* key)
{
    const std::int64_t value = integerOf(entry, key).value_or(0);
    if (value <= 0 || value > 0xFFFFFFFF)
        return std::nullopt;
    FourCharCode code;
    for (int i = 0; i < 4; ++i)
        code[static_cast<std::size_t>(i)] = static_cast<char>(value >> (24 - 8 * i));
    return code;
}

std::expected<std::shared_ptr<const ArchiveCopy>, UnwrapError>
copyArchive(const ByteSource& source, const std::string& layer, const UnwrapOptions& options)
{
    UnwrapOptions unasked = options; // the copy is no part: nobody is asked about it
    unasked.confirmLargePart = {};
    const PartGuard guard(unasked, layer, DeclaredSize::exactly(source.size()));
    const std::string folder = temporaryFolder(options);
    if (auto space = guard.checkSpace(folder, 0, 0); !space)
        return std::unexpected(space.error());
    auto copy = std::make_shared<ArchiveCopy>();
    copy->fd = createUnlinkedFile(folder);
    if (copy->fd < 0)
        return std::unexpected(wrapperError(layer, "copy", Cause::WriteFailed));
    SourceStream stream(source, layer, options);
    for (;;) {
        auto piece = stream.next();
        if (!piece)
            return std::unexpected(piece.error());
        if (piece->empty())
            return copy;
        if (!writeAll(copy->fd, std::as_bytes(*piece)))
            return std::unexpected(errno == ENOSPC ? guard.noSpace(folder, static_cast<std::int64_t>(piece->size()))
                                                   : wrapperError(layer, "copy", Cause::WriteFailed));
    }
}

// The regular files below `folder`, and their total size.
std::vector<fs::path> filesIn(const std::string& folder, std::int64_t* total = nullptr)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->symlink_status(error).type() != fs::file_type::regular) // a link could point anywhere
            continue;
        files.push_back(it->path());
        if (total)
            *total += static_cast<std::int64_t>(it->file_size(error));
    }
    return files;
}

// The file unar wrote for the member: the only one, else the AppleDouble ".rsrc" file for a
// resource fork and the other for a data fork.
std::optional<fs::path> writtenFile(const std::string& folder, bool resourceFork)
{
    const std::vector<fs::path> files = filesIn(folder);
    if (files.size() == 1)
        return files.front();
    const auto found = std::find_if(files.begin(), files.end(), [&](const fs::path& path) {
        return (path.extension() == ".rsrc") == resourceFork;
    });
    return found == files.end() ? std::nullopt : std::optional(*found);
}

// The resource fork inside the AppleDouble file unar wrote.
std::expected<std::shared_ptr<const ByteSource>, UnwrapError>
resourceForkOf(const std::shared_ptr<const ByteSource>& file, const Member& member)
{
    if (appleSingleKind(readPrefix(*file, 26)) != true)
        return std::unexpected(wrapperError(member.layer, "", Cause::BadHeader));
    auto parts = unwrapAppleSingle(file, member.name);
    if (!parts)
        return std::unexpected(parts.error());
    const auto fork =
        std::find_if(parts->begin(), parts->end(), [](const Part& p) { return p.kind == PartKind::ResourceFork; });
    if (fork == parts->end())
        return std::shared_ptr<const ByteSource>(std::make_shared<MemoryByteSource>(std::vector<std::byte>{}));
    return fork->bytes;
}

std::expected<std::shared_ptr<const ByteSource>, UnwrapError> extract(const Member& member,
                                                                      const UnwrapOptions& options)
{
    PartGuard guard(options, member.layer, DeclaredSize::exactly(member.size));
    if (auto allowed = guard.reached(member.size); !allowed)
        return std::unexpected(allowed.error());
    std::string folder = temporaryFolder(options) + "/pixelquarry-unar-XXXXXX";
    if (!::mkdtemp(folder.data()))
        return std::unexpected(wrapperError(member.layer, "", Cause::WriteFailed));
    const FolderRemover remover{folder};
    if (auto space = guard.checkSpace(folder, 0, 0); !space)
        return std::unexpected(space.error());
    std::optional<UnwrapError> stopped;
    std::int64_t seen = 0;
    ToolRun run{member.unar,
                {"-q", "-f", "-D", "-k", "visible", "-o", folder, "-i", kArchivePath, std::to_string(member.index)},
                member.archive->fd,
                std::chrono::milliseconds(60000),
                std::int64_t{1} << 20,
                {}};
    run.watch = [&] {
        std::int64_t size = 0;
        filesIn(folder, &size);
        const std::int64_t decoded =
            member.resourceFork ? std::max<std::int64_t>(0, size - kAppleDoubleOverhead) : size;
        std::expected<void, UnwrapError> allowed = guard.reached(decoded);
        if (allowed)
            allowed = guard.checkSpace(folder, size, 0);
        if (allowed && options.progress && !options.progress(decoded, member.size))
            allowed = std::unexpected(wrapperError(member.layer, "", Cause::Cancelled));
        if (!allowed) {
            stopped = allowed.error();
            return ToolPoll::Stop;
        }
        return std::exchange(seen, size) == size ? ToolPoll::Idle : ToolPoll::Progressed;
    };
    const ToolResult result = runTool(run);
    if (stopped)
        return std::unexpected(*stopped);
    if (result.end != ToolResult::End::Exited || result.status != 0)
        return std::unexpected(toolError(member.layer, Cause::ToolFailed, "unar", &result));
    const auto path = writtenFile(folder, member.resourceFork);
    if (!path)
        return std::unexpected(toolError(member.layer, Cause::ToolFailed, "unar", &result));
    auto file = FileByteSource::open(path->string());
    if (!file) {
        UnwrapError error = wrapperError(member.layer, "", Cause::ReadFailed);
        error.readError = file.error();
        return std::unexpected(error);
    }
    auto bytes = member.resourceFork ? resourceForkOf(*file, member) : std::shared_ptr<const ByteSource>(*file);
    if (!bytes)
        return bytes;
    if (auto allowed = guard.reached((*bytes)->size()); !allowed) // it may have ended between two looks
        return std::unexpected(allowed.error());
    if ((*bytes)->size() != member.size)
        return std::unexpected(wrapperError(member.layer, "decoded size", Cause::ChecksumMismatch,
                                            static_cast<std::uint64_t>((*bytes)->size()),
                                            static_cast<std::uint64_t>(member.size)));
    return bytes;
}

} // namespace

std::expected<std::vector<Part>, UnwrapError> unwrapWithUnar(const std::shared_ptr<const ByteSource>& source,
                                                             const std::string& layer, const UnwrapOptions& options)
{
    const std::string lsar = findProgram("lsar", options.toolFolder), unar = findProgram("unar", options.toolFolder);
    if (lsar.empty() || unar.empty())
        return std::unexpected(toolError(layer, Cause::ToolMissing, lsar.empty() ? "lsar" : "unar"));
    auto archive = copyArchive(*source, layer, options);
    if (!archive)
        return std::unexpected(archive.error());
    const ToolResult listed = runTool(ToolRun{lsar,
                                              {"-j", "-nr", kArchivePath},
                                              (*archive)->fd,
                                              std::chrono::milliseconds(60000),
                                              std::int64_t{64} << 20,
                                              {}});
    const nlohmann::json listing = nlohmann::json::parse(listed.out, nullptr, false);
    if (listed.end != ToolResult::End::Exited || !listing.is_object())
        return std::unexpected(toolError(layer, Cause::ToolFailed, "lsar", &listed));
    const auto contents = listing.find("lsarContents");
    if (listed.status != 0 || integerOf(listing, "lsarError").value_or(0) != 0 || contents == listing.end() ||
        !contents->is_array())
        return std::unexpected(wrapperError(layer, "archive", Cause::CorruptData));
    std::vector<Part> parts;
    for (const nlohmann::json& entry : *contents) {
        const auto name = entry.find("XADFileName");
        const auto index = integerOf(entry, "XADIndex");
        if (!entry.is_object() || name == entry.end() || !name->is_string() || !index ||
            integerOf(entry, "XADIsDirectory").value_or(0) != 0 || integerOf(entry, "XADIsLink").value_or(0) != 0)
            continue;
        Member member{*archive,
                      unar,
                      *index,
                      name->get<std::string>(),
                      std::max<std::int64_t>(0, integerOf(entry, "XADFileSize").value_or(0)),
                      integerOf(entry, "XADIsResourceFork").value_or(0) != 0,
                      {}};
        member.layer = layer + " member \"" + member.name + "\"" + (member.resourceFork ? " resource fork" : "");
        if (integerOf(entry, "XADIsEncrypted").value_or(0) != 0) {
            UnwrapError error = wrapperError(member.layer, "", Cause::Unsupported);
            error.method = "encryption";
            return std::unexpected(error);
        }
        Part part{member.name,
                  member.resourceFork ? PartKind::ResourceFork : PartKind::DataFork,
                  codeOf(entry, "XADFileType"),
                  codeOf(entry, "XADFileCreator"),
                  nullptr,
                  member.size,
                  {}};
        if (member.size == 0)
            part.bytes = std::make_shared<MemoryByteSource>(std::vector<std::byte>{});
        else
            part.decode = [member = std::move(member)](const UnwrapOptions& o) { return extract(member, o); };
        parts.push_back(std::move(part));
    }
    return parts;
}

} // namespace pq
