#include "cli/catalog_progress.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace pq::cli {

std::string groupedNumber(std::int64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && digits[i - 1] != '-' && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

std::string decimalSize(std::int64_t bytes)
{
    static constexpr const char* units[] = {"kB", "MB", "GB", "TB", "PB"};
    if (bytes < 1000)
        return std::to_string(bytes) + " bytes";
    double value = double(bytes);
    int unit = -1;
    while (value >= 999.95 && unit < 4) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, value < 9.95 ? "%.1f %s" : "%.0f %s", value, units[unit]);
    return text;
}

namespace {

// "0:12", "1:02:03"
std::string clock(std::int64_t seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", (long long)(seconds / 3600), (long long)(seconds / 60 % 60),
                      (long long)(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", (long long)(seconds / 60), (long long)(seconds % 60));
    return text;
}

constexpr auto kRedraw = std::chrono::milliseconds(100);

} // namespace

CatalogProgress::CatalogProgress(std::int64_t files, std::int64_t bytes, bool terminal)
    : m_files(files), m_bytes(bytes), m_terminal(terminal), m_step(std::clamp<std::int64_t>(files / 10, 1, 1000))
{
}

std::string CatalogProgress::line(std::int64_t icons) const
{
    std::string text = "Catalog: " + groupedNumber(m_filesDone) + "/" + groupedNumber(m_files) + " files, " +
                       decimalSize(m_bytesDone) + " of " + decimalSize(m_bytes) + ", " + groupedNumber(icons) + " icons";
    if (m_bytesDone > 0 && m_bytesDone < m_bytes) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        text += ", ETA " + clock(std::int64_t(elapsed * double(m_bytes - m_bytesDone) / double(m_bytesDone) + 0.5));
    }
    return text;
}

void CatalogProgress::inputDone(std::int64_t bytes, std::int64_t icons)
{
    const std::lock_guard lock(m_mutex);
    ++m_filesDone;
    m_bytesDone += bytes;
    if (m_terminal) {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_shown < kRedraw && m_filesDone < m_files)
            return;
        m_shown = now;
        std::cerr << "\r\033[K" << line(icons) << std::flush;
    } else if (m_filesDone % m_step == 0 || m_filesDone == m_files) {
        std::cerr << line(icons) << '\n' << std::flush;
    }
}

void CatalogProgress::finish()
{
    const std::lock_guard lock(m_mutex);
    if (m_terminal && m_filesDone > 0)
        std::cerr << "\r\033[K" << std::flush;
}

} // namespace pq::cli
