#include "core/music/module_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <new>

#include "core/music/fmod_api.h"
#include "core/music/player_core.h"

int read_module_file(const char* path, std::vector<uint8_t>* bytes)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return errno == ENOENT || errno == ENOTDIR ? FMOD_ERR_FILE_NOTFOUND : FMOD_ERR_FILE_BAD;
    int code = FMOD_ERR_NONE;
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        code = FMOD_ERR_FILE_BAD;  // a directory, a device, or fstat failed
    } else if (static_cast<unsigned long long>(st.st_size) > kMaxModuleBytes) {
        code = FMOD_ERR_MEMORY;
    } else {
        try {
            bytes->resize(static_cast<size_t>(st.st_size));
        } catch (const std::bad_alloc&) {
            code = FMOD_ERR_MEMORY;
        }
        if (!code && std::fread(bytes->data(), 1, bytes->size(), f) != bytes->size()) code = FMOD_ERR_FILE_BAD;
    }
    std::fclose(f);
    return code;
}
