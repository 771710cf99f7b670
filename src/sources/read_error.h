#pragma once

#include <string>

namespace pq {

// Why bytes could not be had from a byte source (or a file could not be opened as one).
struct ReadError {
    enum class Kind {
        OutOfRange,       // the range asked for is not inside the source (negative, past the end, overflowing)
        FileChanged,      // the file is shorter on disk than when it was opened
        IoFailed,         // the system refused the read
        NotFound,
        PermissionDenied,
        IsDirectory,
        NotRegularFile,   // a device, pipe or socket: it may never end
        InvalidExtents,   // an extent list that is negative, overflows or lies past its base
        Cancelled,
        Empty,            // the file holds no bytes (refused where a disk image is expected)
    };
    Kind kind = Kind::IoFailed;
    int systemError = 0; // errno where the system reported one

    bool operator==(const ReadError&) const = default;

    // One English sentence naming the file (or whatever `path` names) and the cause.
    std::string message(const std::string& path) const;
};

} // namespace pq
