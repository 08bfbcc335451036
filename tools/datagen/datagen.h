// Everything the demo reads from its working directory, made from source:
// the module and the seven pictures, as named files of bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct DataFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// The file names the demo opens, in this order: the module, then
// paintart1..6 and the cow.
std::vector<std::string> data_file_names();

// Generates all eight files. Deterministic: the same bytes on every call.
std::vector<DataFile> generate_all();

// Writes generate_all() into `folder` (which must exist); false and a
// message on stderr if a file cannot be written.
bool write_all(const std::string& folder);

}  // namespace datagen
