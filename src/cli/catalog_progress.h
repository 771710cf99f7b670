#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace pq::cli {

// "2,310"
std::string groupedNumber(std::int64_t value);
// A size in decimal units: "950 bytes", "590 MB", "1.4 GB" (one decimal below ten).
std::string decimalSize(std::int64_t bytes);

// The progress of a catalog run on stderr, told by the worker threads as each input ends. On
// a terminal one line is rewritten ("Catalog: 412/1000 files, 590 MB of 1.4 GB, 2,310 icons,
// ETA 0:12"); otherwise the same line is printed after each tenth of the files (at least every
// 1,000 files).
class CatalogProgress {
public:
    CatalogProgress(std::int64_t files, std::int64_t bytes, bool terminal);

    // One more input read, of `bytes`, the catalog now holding `icons` distinct icons.
    void inputDone(std::int64_t bytes, std::int64_t icons);
    // Clears the terminal's line before the summary.
    void finish();

private:
    std::string line(std::int64_t icons) const;

    std::mutex m_mutex;
    std::int64_t m_files, m_bytes;
    bool m_terminal;
    std::int64_t m_filesDone = 0, m_bytesDone = 0;
    std::int64_t m_step;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_shown{};
};

} // namespace pq::cli
