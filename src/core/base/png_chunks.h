// A PNG's chunk layout, checked before a decoder sees the bytes.
//
// SDL_image's libpng reader ignores short reads, so a chunk that claims more
// bytes than the file holds has libpng read and checksum that many bytes of
// nothing: a 120-byte picture whose IDAT claims a gigabyte held start-up for
// 20 s. With every chunk inside the file up to IEND, libpng never reads past
// its end.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Returns "" when `bytes` does not start with the PNG signature (another
// format, left to the decoder) or when every chunk from IHDR to IEND lies
// wholly inside `bytes` (what follows IEND is never read). Otherwise the
// reason in a few words: "the file ends inside its IDAT chunk", "the file
// ends before its IEND chunk". Checks layout only: lengths, not checksums.
std::string png_chunk_error(const std::vector<uint8_t>& bytes);
