#include "containers/unwrap_error.h"

#include <cstdio>

namespace pq {
namespace {

std::string hex(const std::optional<std::uint64_t>& v)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(v.value_or(0)));
    return text;
}

std::string decimal(const std::optional<std::uint64_t>& v)
{
    return std::to_string(v.value_or(0));
}

} // namespace

std::string describe(const UnwrapError& e)
{
    const std::string subject = e.what.empty() ? e.layer : e.layer + " " + e.what;
    switch (e.cause) {
    case UnwrapError::Cause::Truncated: return subject + " ends early";
    case UnwrapError::Cause::BadHeader: return subject + " is not valid";
    case UnwrapError::Cause::ChecksumMismatch:
        if (!e.found || !e.expected)
            return subject + " does not match";
        return subject + " is " + hex(e.found) + ", expected " + hex(e.expected);
    case UnwrapError::Cause::CorruptData: return subject + " is damaged";
    case UnwrapError::Cause::TooLarge: return subject + " is larger than the limit of " + decimal(e.expected) + " bytes";
    case UnwrapError::Cause::Unsupported:
        return subject + " uses " + (e.method.empty() ? "method " + decimal(e.found) : e.method)
             + ", which is not supported";
    case UnwrapError::Cause::ReadFailed: return subject + " could not be read";
    case UnwrapError::Cause::WriteFailed: return subject + " could not be written to the temporary folder";
    case UnwrapError::Cause::Cancelled: return subject + ": cancelled";
    }
    return subject;
}

} // namespace pq
