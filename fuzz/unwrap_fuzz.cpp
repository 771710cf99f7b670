// Detects and unwraps arbitrary bytes layer by layer and reads every part found, with small
// limits so that a decompression bomb stops early: no crash, hang or unbounded allocation.
#include "containers/unwrap.h"
#include "sources/memory_byte_source.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto* bytes = reinterpret_cast<const std::byte*>(data);
    const auto source = std::make_shared<pq::MemoryByteSource>(std::vector<std::byte>(bytes, bytes + size));
    // No lsar or unar: StuffIt and Compact Pro input reaches their signature checks, no program.
    pq::UnwrapOptions options;
    options.memoryLimit = std::int64_t{4} << 20;
    options.maxDecodedSize = std::int64_t{8} << 20;
    options.toolFolder = "/nonexistent";
    const auto path = pq::unwrapNested(source, "input.bin", options);
    if (!path)
        return 0;
    std::vector<std::byte> buffer(4096);
    auto readAll = [&](const pq::Part& part) {
        const auto bytes = pq::openPart(part, options);
        if (!bytes)
            return;
        for (std::int64_t at = 0; at < (*bytes)->size(); at += 4096) {
            const auto length = static_cast<std::size_t>(std::min<std::int64_t>(4096, (*bytes)->size() - at));
            (void)(*bytes)->read(at, std::span(buffer).first(length));
        }
    };
    for (const pq::UnwrapStep& step : path->steps)
        readAll(step.part);
    for (const pq::Part& part : path->choices)
        readAll(part);
    return 0;
}
