// The music calls the demo makes, with the names, arguments and results of the
// sound library it was written against, built on libopenmpt and SDL audio.
// Every call that fails sets the code FSOUND_GetError reports.
#pragma once

struct FMUSIC_MODULE;  // opaque module handle

// Called once per trigger of a hooked instrument, from the music layer's own
// thread (never the main thread), with the handle and the 0-based instrument.
typedef void (*FMUSIC_CALLBACK)(FMUSIC_MODULE* module, unsigned char instrument);

enum FMOD_ERRORS {
    FMOD_ERR_NONE = 0,
    FMOD_ERR_BUSY = 1,
    FMOD_ERR_UNINITIALIZED = 2,   // needs FSOUND_Init first
    FMOD_ERR_INIT = 3,            // the output cannot be opened
    FMOD_ERR_ALLOCATED = 4,
    FMOD_ERR_PLAY = 5,
    FMOD_ERR_OUTPUT_FORMAT = 6,
    FMOD_ERR_COOPERATIVELEVEL = 7,
    FMOD_ERR_CREATEBUFFER = 8,
    FMOD_ERR_FILE_NOTFOUND = 9,
    FMOD_ERR_FILE_FORMAT = 10,    // not a module libopenmpt can read
    FMOD_ERR_FILE_BAD = 11,       // a read error
    FMOD_ERR_MEMORY = 12,
    FMOD_ERR_VERSION = 13,
    FMOD_ERR_INVALID_PARAM = 14,
};

float FSOUND_GetVersion();  // 3.75
// Opens SDL audio: signed 16-bit stereo at mixrate. Non-zero on success.
signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
int FSOUND_GetError();
// Stops playback and closes the output; modules stay valid but silent.
void FSOUND_Close();

// Loads a module file; null on failure.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
signed char FMUSIC_FreeSong(FMUSIC_MODULE* module);
// Starts at the first order; the song loops to its restart position at its end.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* module);
signed char FMUSIC_SetInstCallback(FMUSIC_MODULE* module, FMUSIC_CALLBACK callback, int instrument);
// Continues from row 0 of `order`. An order outside the order list fails with
// FMOD_ERR_INVALID_PARAM and changes nothing.
signed char FMUSIC_SetOrder(FMUSIC_MODULE* module, int order);
// The position being heard now (not the one being mixed ahead).
int FMUSIC_GetOrder(FMUSIC_MODULE* module);
int FMUSIC_GetRow(FMUSIC_MODULE* module);
