#include "core/base/picture_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/music/regular_file.h"

std::string read_picture_file(const char* path, std::vector<uint8_t>* bytes)
{
    // The system's own words where it refused (errno survives the helper's
    // close); Windows sets none, so the usual text stands in there.
    errno = 0;
    switch (read_regular_file(path, kMaxPictureBytes, bytes)) {
        case RegularFileResult::ok:
            return "";
        case RegularFileResult::not_found:
            return std::strerror(errno ? errno : ENOENT);
        case RegularFileResult::not_regular: {
            std::error_code ec;
            return std::filesystem::is_directory(path, ec) ? std::strerror(EISDIR) : "not a regular file";
        }
        case RegularFileResult::too_large:
            return "larger than 256 MiB";
        case RegularFileResult::out_of_memory:
            return std::strerror(ENOMEM);
        case RegularFileResult::unreadable:
            break;
    }
    return errno ? std::strerror(errno) : "the file shrank while it was read";
}
