// Reads the files the build's generator wrote into the demo's data folder.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace data_files {

inline std::string path(const std::string& name) { return std::string(DRENSOLK_DATA_DIR) + "/" + name; }

inline std::vector<uint8_t> read(const std::string& name)
{
    std::ifstream in(path(name), std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace data_files
