#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pq {

// One place a catalogued icon was found. Paths are UTF-8; every field is written to
// "icons.jsonl" under the name in its comment (absent fields are left out of the line).
struct CatalogPlace {
    std::string image;     // "image": the input file's path as walked (the named path, then "/" and the path below it)
    // "part": the way through wrappers ("Disk.img.gz/Disk.img"); empty for the file's own bytes.
    // Bytes reached through a file of a volume (a wrapper or a disk image stored on a CD) add the
    // way to them: the outer part (the input's name when that is empty), "/", the file's path in
    // the outer volume and ":data", then "/" and each part label taken out of wrappers since:
    // "CD.iso/Games/Pinball.sit:data/Pinball/Pinball.img". `file` is then the path in the
    // innermost volume.
    std::string part;
    std::string file;      // "file": the file's path in a volume (the volume's name and "/" first when the bytes hold several); empty otherwise
    std::string fork;      // "fork": "resource" or "data" for a file in a volume; empty otherwise
    std::string fileType;  // "fileType": the volume file's type (four characters); empty when none
    std::string creator;   // "creator": the volume file's creator; empty when none
    std::string type;      // "type": the resource type ("ICN#", "icl8", "SICN"...); empty for a guessed icon
    std::optional<int> id;           // "id": the resource ID
    std::optional<std::string> name; // "name": the resource's name
    std::optional<int> index;        // "index": a list member's place ("SICN")
    std::optional<std::int64_t> family; // "family": the family's ID (or its container's offset), for members side by side
    std::int64_t offset = 0;         // "offset": first byte of the pixels, in the part's bytes (within the fork for a volume file)
    std::optional<double> score;     // "score": a guessed icon's score (three decimals); absent for a stored icon

    friend auto operator<=>(const CatalogPlace&, const CatalogPlace&) = default;
    friend bool operator==(const CatalogPlace&, const CatalogPlace&) = default;
};

// One distinct icon: the same decoded, masked pixels in the same format are one icon however
// often they were found. A line of "icons.jsonl":
// {"id":"<64 hex>","depth":8,"size":32,"masked":true,"png":"icons/ab/<id>.png","places":[{...},...]}
struct CatalogIcon {
    std::string id;        // "id": the icon's identity (iconIdentity)
    int depth = 1;         // "depth": bits per pixel
    int side = 32;         // "size": pixels per side
    bool masked = false;   // "masked": drawn through a mask (its own or its family's)
    std::string png;       // "png": the PNG's path relative to the catalog folder
    std::vector<CatalogPlace> places; // "places": sorted, each once

    friend bool operator==(const CatalogIcon&, const CatalogIcon&) = default;
};

// An input, or a part of one, that could not be read. A line of "errors.jsonl":
// {"image":"...","part":"...","reason":"..."} ("part" left out when empty).
struct CatalogError {
    std::string image;
    std::string part;
    std::string reason;

    friend auto operator<=>(const CatalogError&, const CatalogError&) = default;
    friend bool operator==(const CatalogError&, const CatalogError&) = default;
};

// An input file as it was when catalogued. A line of "inputs.jsonl":
// {"path":"...","size":1474560,"mtime":1765000000123456789,"minScore":0.9}
// A later run with the same folder skips an input whose size, modification time (nanoseconds
// since the epoch) and minimum score are unchanged, keeping its places and errors.
struct CatalogInput {
    std::string path;
    std::int64_t size = 0;
    std::int64_t mtime = 0;
    double minScore = 0.9;

    friend bool operator==(const CatalogInput&, const CatalogInput&) = default;
};

// A whole catalog in memory: icons sorted by id, errors and inputs sorted.
struct Catalog {
    std::vector<CatalogIcon> icons;
    std::vector<CatalogError> errors;
    std::vector<CatalogInput> inputs;
};

} // namespace pq
