#include "core/music/module_file.h"

#include "core/music/fmod_api.h"
#include "core/music/player_core.h"
#include "core/music/regular_file.h"

int read_module_file(const char* path, std::vector<uint8_t>* bytes)
{
    switch (read_regular_file(path, kMaxModuleBytes, bytes)) {
        case RegularFileResult::ok:
            return FMOD_ERR_NONE;
        case RegularFileResult::not_found:
            return FMOD_ERR_FILE_NOTFOUND;
        case RegularFileResult::too_large:
        case RegularFileResult::out_of_memory:
            return FMOD_ERR_MEMORY;
        case RegularFileResult::not_regular:
        case RegularFileResult::unreadable:
            break;
    }
    return FMOD_ERR_FILE_BAD;
}
