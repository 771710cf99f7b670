// Writes the bundled sample disk image and a JSON list of the icons planted in it.
#include "sample_image.h"

#include <cstdio>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: make_sample_image IMAGE_PATH ICONS_JSON_PATH\n";
        return 2;
    }
    const auto sample = pq::sample::makeSampleDiskImage();
    const std::string tmp = std::string(argv[1]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(sample.bytes.data()), std::streamsize(sample.bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << tmp << "\n";
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[1]) != 0) {
        std::cerr << "cannot write " << argv[1] << "\n";
        return 1;
    }
    std::ofstream(argv[2]) << pq::sample::describeIcons(pq::sample::allIcons(sample));
    return 0;
}
