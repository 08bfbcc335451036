// Reading a whole regular file without ever waiting on what is not one: the
// one place that knows how each system opens a file that way. The music
// layer's module loader and the picture loader both read through it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum class RegularFileResult {
    ok,
    not_found,      // no such file, or a missing folder on the way
    not_regular,    // a directory, named pipe, device or socket: refused before any read
    too_large,      // larger than the caller's limit
    out_of_memory,  // the bytes could not be allocated
    unreadable,     // no permission, a failed read, or the file shrank under us
};

// Reads the file at `path` into `bytes` (replacing what it held) when it is a
// regular file of at most `max_bytes`. Opening never blocks: a named pipe with
// no writer is refused at once. Any thread; `bytes` is the caller's.
RegularFileResult read_regular_file(const char* path, size_t max_bytes, std::vector<uint8_t>* bytes);
