#include "sources/read_error.h"

#include <cstring>

namespace pq {

std::string ReadError::message(const std::string& path) const
{
    const std::string name = "\"" + path + "\"";
    switch (kind) {
    case Kind::NotFound: return "The file " + name + " does not exist.";
    case Kind::PermissionDenied: return "You do not have permission to read the file " + name + ".";
    case Kind::IsDirectory: return name + " is a folder, not a file.";
    case Kind::Cancelled: return "Reading the file " + name + " was cancelled.";
    case Kind::NotRegularFile: return name + " is not a regular file (a device, pipe or socket), so it cannot be opened.";
    case Kind::Empty: return "The file " + name + " is empty.";
    case Kind::FileChanged:
        return "The file changed on disk: " + name + " is now shorter than when it was opened. Open it again to read it as it is now.";
    case Kind::OutOfRange: return "A read past the end of " + name + " was refused.";
    case Kind::InvalidExtents: return "The pieces of " + name + " lie outside the bytes that hold them.";
    case Kind::IoFailed: break;
    }
    return "The file " + name + " could not be read" + (systemError ? ": " + std::string(std::strerror(systemError)) : "") + ".";
}

} // namespace pq
