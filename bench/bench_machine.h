#pragma once

#include <fstream>
#include <string>

namespace pq::bench {

// The processor's model name as the kernel reports it, for the first line of a benchmark.
inline std::string cpuModel()
{
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

} // namespace pq::bench
