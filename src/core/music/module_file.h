// Reading a module file into memory, with the music layer's error codes.
#pragma once
#include <cstdint>
#include <vector>

// Reads the whole file at `path` into `bytes`. Returns 0 or:
//   FMOD_ERR_FILE_NOTFOUND  no such file (or a missing folder on the way)
//   FMOD_ERR_FILE_BAD       not a regular file (a directory, named pipe or
//                           device: refused without waiting), unreadable, or
//                           a short read
//   FMOD_ERR_MEMORY         larger than kMaxModuleBytes, or out of memory
int read_module_file(const char* path, std::vector<uint8_t>* bytes);
