#include "core/music/regular_file.h"

#include <algorithm>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

// Sizes the buffer, then `read(offset, out, size)` fills it.
template <typename Read>
RegularFileResult read_sized(unsigned long long size, size_t max_bytes, std::vector<uint8_t>* bytes, Read read)
{
    if (size > max_bytes) return RegularFileResult::too_large;
    try {
        bytes->resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return RegularFileResult::out_of_memory;
    }
    return read(bytes->data(), bytes->size()) ? RegularFileResult::ok : RegularFileResult::unreadable;
}

}  // namespace

#ifdef _WIN32

RegularFileResult read_regular_file(const char* path, size_t max_bytes, std::vector<uint8_t>* bytes)
{
    // CreateFile never waits for a pipe's other end (it fails instead), and
    // refuses a folder without FILE_FLAG_BACKUP_SEMANTICS.
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
            return RegularFileResult::not_found;
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return RegularFileResult::not_regular;
        return error == ERROR_PIPE_BUSY ? RegularFileResult::not_regular : RegularFileResult::unreadable;
    }
    RegularFileResult result = RegularFileResult::not_regular;  // a device (CON, NUL, COM1) or a pipe
    LARGE_INTEGER size{};
    if (GetFileType(file) == FILE_TYPE_DISK) {
        if (!GetFileSizeEx(file, &size)) {
            result = RegularFileResult::unreadable;
        } else {
            result = read_sized(static_cast<unsigned long long>(size.QuadPart), max_bytes, bytes,
                                [file](uint8_t* out, size_t want) {
                                    size_t done = 0;
                                    while (done < want) {
                                        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(want - done, 1u << 30));
                                        DWORD got = 0;
                                        if (!ReadFile(file, out + done, chunk, &got, nullptr) || got == 0) return false;
                                        done += got;
                                    }
                                    return true;
                                });
        }
    }
    CloseHandle(file);
    return result;
}

#else

RegularFileResult read_regular_file(const char* path, size_t max_bytes, std::vector<uint8_t>* bytes)
{
    // Non-blocking: opening a named pipe with no writer would otherwise wait
    // for one for ever. What is not a regular file is refused before a read.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? RegularFileResult::not_found : RegularFileResult::unreadable;
    RegularFileResult result = RegularFileResult::not_regular;  // a directory, a pipe, a device, a socket
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        result = RegularFileResult::unreadable;
    } else if (S_ISREG(st.st_mode)) {
        result =
            read_sized(static_cast<unsigned long long>(st.st_size), max_bytes, bytes, [fd](uint8_t* out, size_t want) {
                // Retries interrupted reads; 0 bytes early means the file shrank.
                size_t done = 0;
                while (done < want) {
                    const ssize_t n = read(fd, out + done, want - done);
                    if (n < 0 && errno == EINTR) continue;
                    if (n <= 0) return false;
                    done += static_cast<size_t>(n);
                }
                return true;
            });
    }
    close(fd);
    return result;
}

#endif
