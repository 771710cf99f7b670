#pragma once

#include "sources/read_error.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pq {

// Why a wrapper could not be unwrapped, as data: the layer ("BinHex"), the thing that is
// wrong in it ("resource fork CRC") and the cause, with the values found and expected
// where there are some. describe() makes the sentence the front ends show.
struct UnwrapError {
    enum class Cause {
        Truncated,        // the wrapper ends before what it declares
        BadHeader,        // a header or table that cannot be what it claims
        ChecksumMismatch, // found = checksum computed, expected = checksum stored
        CorruptData,      // a stream that does not decode; with expected: it decodes to more than that
        TooLarge,         // found = size declared or reached, expected = the caller's limit
        Unsupported,      // method = its name, or found = its number
        ReadFailed,       // the wrapper's bytes could not be read (readError)
        WriteFailed,      // the temporary file for decoded bytes could not be written
        Cancelled,
        NoSpace,          // found = bytes needed in the temporary folder, expected = bytes free there
        ToolMissing,      // method = the program that is not installed
        ToolFailed,       // method = the program, detail = what it said; found = its exit status
    };
    std::string layer;
    std::string what;
    Cause cause = Cause::BadHeader;
    std::optional<std::uint64_t> found;
    std::optional<std::uint64_t> expected;
    ReadError readError{};
    std::string method; // an unsupported method's name ("LZFSE"), or a program's ("unar")
    std::string detail; // the last line a program wrote on its error output

    bool operator==(const UnwrapError&) const = default;
};

// "BinHex resource fork CRC is 6DE5, expected 1234", "gzip stream ends early", ...
std::string describe(const UnwrapError& error);

} // namespace pq
