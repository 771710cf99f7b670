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
    case UnwrapError::Cause::CorruptData:
        if (e.expected)
            return subject + " decodes to more than the " + decimal(e.expected) + " bytes it declares";
        return subject + " is damaged";
    case UnwrapError::Cause::TooLarge: return subject + " is larger than the limit of " + decimal(e.expected) + " bytes";
    case UnwrapError::Cause::Unsupported:
        return subject + " uses " + (e.method.empty() ? "method " + decimal(e.found) : e.method)
             + ", which is not supported";
    case UnwrapError::Cause::ReadFailed: return subject + " could not be read";
    case UnwrapError::Cause::WriteFailed: return subject + " could not be written to the temporary folder";
    case UnwrapError::Cause::Cancelled: return subject + ": cancelled";
    case UnwrapError::Cause::NoSpace:
        return subject + ": there is not enough free space in the temporary folder: it needs " + decimal(e.found)
             + " bytes, " + decimal(e.expected) + " are free";
    case UnwrapError::Cause::ToolMissing:
        return subject + " needs the program " + e.method + ", which is not installed: install the Debian package \"unar\"";
    case UnwrapError::Cause::ToolFailed:
        return subject + " could not be read by " + e.method + (e.detail.empty() ? "" : ": " + e.detail);
    }
    return subject;
}

} // namespace pq
