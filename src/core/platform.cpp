#include "core/platform.h"

#include <SDL/SDL.h>

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

namespace {

char kept_messages_path[MAX_PATH];

// Points `stream` (descriptor `number`) at the end of the file at `path`.
// freopen does it where the stream has a descriptor; a program started
// without a console gets streams with none from msvcrt (-2), which freopen
// refuses, so there the descriptor is put in place by hand.
bool append_stream_to(std::FILE* stream, int number, const char* path)
{
    if (std::freopen(path, "a", stream)) return true;
    const int fd = _open(path, _O_WRONLY | _O_APPEND | _O_TEXT);
    if (fd < 0) return false;
    const bool moved = _dup2(fd, number) == 0;
    _close(fd);
    if (moved) stream->_file = number;
    return moved;
}

// True when the handle leads somewhere: a console, a pipe or a file.
bool std_handle_usable(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// At exit: what was printed, in a box, then the file is removed.
void show_kept_messages()
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::string text;
    if (std::FILE* file = std::fopen(kept_messages_path, "rb")) {
        char chunk[512];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
        std::fclose(file);
    }
    std::fclose(stdout);
    std::fclose(stderr);
    DeleteFileA(kept_messages_path);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (!text.empty()) MessageBoxA(nullptr, text.c_str(), "drensolk", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

void prepare_process()
{
    if (std_handle_usable(STD_OUTPUT_HANDLE) || std_handle_usable(STD_ERROR_HANDLE)) return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {  // started from a command prompt
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
        return;
    }
    const char* off = std::getenv("DRENSOLK_NO_MESSAGE_BOX");
    if (off && *off && *off != '0') return;
    char folder[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "drn", 0, kept_messages_path)) return;
    if (!append_stream_to(stdout, 1, kept_messages_path) || !append_stream_to(stderr, 2, kept_messages_path)) return;
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // the two streams' lines stay in the order printed
    std::atexit(show_kept_messages);           // registered first, so it runs after SDL_Quit closed the display
}

void hide_mouse_pointer() { ShowCursor(FALSE); }

#else

void prepare_process()
{
    // The loop ignores SDL's quit event, so let Ctrl-C and SIGTERM end the
    // process as they end any program instead of turning them into that event.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
}

void hide_mouse_pointer() { SDL_ShowCursor(SDL_DISABLE); }

#endif
