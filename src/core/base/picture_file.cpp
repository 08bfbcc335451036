#include "core/base/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace {

// The whole of a regular file's `size` bytes, retrying interrupted reads.
std::string read_all(int fd, uint8_t* out, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, out + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::strerror(errno);
        if (n == 0) return "the file shrank while it was read";
        done += static_cast<size_t>(n);
    }
    return "";
}

std::string read_open_file(int fd, std::vector<uint8_t>* bytes)
{
    struct stat st {};
    if (fstat(fd, &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    if (static_cast<uint64_t>(st.st_size) > kMaxPictureBytes) return "larger than 256 MiB";
    try {
        bytes->resize(static_cast<size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        return std::strerror(ENOMEM);
    }
    return read_all(fd, bytes->data(), bytes->size());
}

}  // namespace

std::string read_picture_file(const char* path, std::vector<uint8_t>* bytes)
{
    // Non-blocking: opening a named pipe with no writer would otherwise wait
    // for one for ever (regular files read as usual).
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    const std::string error = read_open_file(fd, bytes);
    close(fd);
    return error;
}
