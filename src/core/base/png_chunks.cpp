#include "core/base/png_chunks.h"

#include <cstring>

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t big_endian_32(const uint8_t* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// A chunk's type as it names itself, when it is the four letters PNG allows.
std::string type_name(const uint8_t* p)
{
    for (int i = 0; i < 4; ++i)
        if (!((p[i] >= 'A' && p[i] <= 'Z') || (p[i] >= 'a' && p[i] <= 'z'))) return "";
    return std::string(reinterpret_cast<const char*>(p), 4);
}

}  // namespace

std::string png_chunk_error(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < sizeof kSignature || std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0) return "";
    // Each chunk: length (4 bytes, big-endian), type (4), data, checksum (4).
    for (size_t at = sizeof kSignature;;) {
        const size_t left = bytes.size() - at;
        if (left < 8) return "the file ends before its IEND chunk";
        const uint64_t whole = uint64_t{big_endian_32(&bytes[at])} + 12;
        const std::string type = type_name(&bytes[at + 4]);
        if (whole > left)
            return type.empty() ? "the file ends inside a chunk" : "the file ends inside its " + type + " chunk";
        if (type == "IEND") return "";
        at += whole;
    }
}
