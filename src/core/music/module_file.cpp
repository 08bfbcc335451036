#include "core/music/module_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "core/music/fmod_api.h"
#include "core/music/player_core.h"

namespace {

// The whole of a regular file's `size` bytes, retrying interrupted reads.
bool read_all(int fd, uint8_t* out, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, out + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // an error, or the file shrank under us
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int read_module_file(const char* path, std::vector<uint8_t>* bytes)
{
    // Non-blocking: opening a named pipe with no writer would otherwise wait
    // for one for ever. What is not a regular file is refused before a read.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FMOD_ERR_FILE_NOTFOUND : FMOD_ERR_FILE_BAD;
    int code = FMOD_ERR_NONE;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        code = FMOD_ERR_FILE_BAD;  // a directory, a pipe, a device, a socket, or fstat failed
    } else if (static_cast<unsigned long long>(st.st_size) > kMaxModuleBytes) {
        code = FMOD_ERR_MEMORY;
    } else {
        try {
            bytes->resize(static_cast<size_t>(st.st_size));
        } catch (const std::bad_alloc&) {
            code = FMOD_ERR_MEMORY;
        }
        if (!code && !read_all(fd, bytes->data(), bytes->size())) code = FMOD_ERR_FILE_BAD;
    }
    close(fd);
    return code;
}
