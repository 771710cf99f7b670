#pragma once

#include "sources/read_error.h"

namespace pq {

// Why a search for icons ended without its list: the cancel flag was raised, or the bytes
// could not be read (the file shrank or the system refused the read). A search that fails
// lists nothing: no partial list is ever handed out as complete.
struct IconFindError {
    enum class Kind { Cancelled, ReadFailed };
    Kind kind = Kind::Cancelled;
    ReadError read{}; // what the source reported, for ReadFailed

    static IconFindError cancelled() { return {Kind::Cancelled, {}}; }
    static IconFindError readFailed(ReadError error) { return {Kind::ReadFailed, error}; }

    bool operator==(const IconFindError&) const = default;
};

} // namespace pq
