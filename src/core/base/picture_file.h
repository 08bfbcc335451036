// Reading a picture file's bytes without waiting on what is not a file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Files larger than this are refused before a byte is read.
constexpr uint64_t kMaxPictureBytes = 256ull << 20;

// Reads the whole of the regular file at `path` into `bytes`. Opens it
// non-blocking, so a named pipe with no writer is refused at once instead of
// waited on; a directory, pipe, device or socket is refused before a read.
// Returns "" on success, else the reason in a few words for the start-up
// message (the system's text where the system refused).
std::string read_picture_file(const char* path, std::vector<uint8_t>* bytes);
