#pragma once

#include <fstream>
#include <string>

namespace pq::bench {

// The processor's model name, as /proc/cpuinfo gives it.
inline std::string cpuName()
{
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

// The one-minute load average: the machine is shared, and the figures follow its load.
inline std::string loadAverage()
{
    std::string load;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

} // namespace pq::bench
