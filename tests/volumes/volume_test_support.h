#pragma once

#include "volumes/volume.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace pq::test {

// Big-endian numbers written over bytes already there, for the test volumes' writers: one of
// `size` bytes at `at`, or a list of fields.
void put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, int size);
struct Field {
    std::size_t at;
    std::uint64_t value;
    int size;
};
void putAll(std::vector<std::uint8_t>& out, std::initializer_list<Field> fields);

// What a file put on a test volume holds.
struct ExpectedFile {
    std::string type, creator;
    std::uint16_t finderFlags = 0;
    std::vector<std::uint8_t> data, resource;

    bool operator==(const ExpectedFile&) const = default;
};

// A row of a table of volumes: the damage done to the image, the damage the reader should
// report (none, or one of this kind and place) and whether every file should still be listed.
struct CatalogCase {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::optional<VolumeDamage::Kind> kind;
    VolumeDamage::Place place;
    bool allListed;
};
inline void PrintTo(const CatalogCase& row, std::ostream* out) { *out << row.what; }

// Checks a listed file's Finder information and both forks byte for byte; when `dataRefused`,
// its data fork must be refused instead.
void expectFile(const Volume& volume, const VolumeFile& file, const ExpectedFile& expected, bool dataRefused = false);

// Checks the volume's damage against the row's, then its files against `files` (by path): only
// those, all of them when the row says so, each as expectFile checks it (the data fork of a file
// the damage names refused).
void expectVolume(const Volume& volume, const CatalogCase& row, const std::map<std::string, ExpectedFile>& files);

} // namespace pq::test
