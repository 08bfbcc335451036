// The music calls the demo makes, with the names, arguments and results of the
// sound library it was written against, built on libopenmpt and SDL audio.
// Every call that fails sets the code FSOUND_GetError reports; a call that
// succeeds leaves it as it was.
//
// Threads: make every call from one thread (the main thread), except
// FMUSIC_GetOrder and FMUSIC_GetRow, which any thread may call, instrument
// callbacks included. One module plays at a time.
#pragma once

struct FMUSIC_MODULE;  // opaque module handle

// Called once per trigger of a hooked instrument, from the music layer's own
// thread (never the main thread), with the handle and the 0-based instrument,
// when the trigger is due: one display lead (music_live_set_display_lead; 0
// until the frame loop sets it) before its first sample is estimated to be
// heard, so the picture drawn from it is shown as it sounds. The estimate
// follows the rate the output really consumes samples at, measured from the
// audio callbacks, not the nominal one. FMUSIC_GetOrder and FMUSIC_GetRow
// inside it report the trigger's own row. It must not call FSOUND_Close.
typedef void (*FMUSIC_CALLBACK)(FMUSIC_MODULE* module, unsigned char instrument);

enum FMOD_ERRORS {
    FMOD_ERR_NONE = 0,
    FMOD_ERR_BUSY = 1,
    FMOD_ERR_UNINITIALIZED = 2,  // needs FSOUND_Init first
    FMOD_ERR_INIT = 3,           // the output cannot be opened
    FMOD_ERR_ALLOCATED = 4,
    FMOD_ERR_PLAY = 5,
    FMOD_ERR_OUTPUT_FORMAT = 6,
    FMOD_ERR_COOPERATIVELEVEL = 7,
    FMOD_ERR_CREATEBUFFER = 8,
    FMOD_ERR_FILE_NOTFOUND = 9,
    FMOD_ERR_FILE_FORMAT = 10,  // not a module libopenmpt can read
    FMOD_ERR_FILE_BAD = 11,     // a read error
    FMOD_ERR_MEMORY = 12,
    FMOD_ERR_VERSION = 13,
    FMOD_ERR_INVALID_PARAM = 14,
};

float FSOUND_GetVersion();  // 3.75
// Opens SDL audio: signed 16-bit stereo, and starts the dispatch thread.
// Non-zero on success. The music plays at the output device's own rate (the
// default device's as SDL reports it, at least 44.1 kHz), not at mixrate:
// SDL's conversion from another rate plays hundreds of ppm fast. Buffers are
// 4096 samples at 44.1 or 48 kHz (about 90 ms; one buffer of latency, taken
// into account when callbacks fire). maxsoftwarechannels and flags are
// accepted and unused. Called again, it closes first. Fails with:
//   FMOD_ERR_INVALID_PARAM  mixrate outside 8000..192000
//   FMOD_ERR_INIT           SDL's audio cannot start or the device cannot open
// DRENSOLK_AUDIO_LATENCY_MS (milliseconds, read here) is further output
// latency the layer cannot see, added to its estimate of when a sample is
// heard.
signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
int FSOUND_GetError();
// Stops playback and closes the output; modules stay valid but silent. Does
// nothing before FSOUND_Init. Not from an instrument callback.
void FSOUND_Close();

// Loads a module file; null on failure:
//   FMOD_ERR_UNINITIALIZED  before FSOUND_Init (or after FSOUND_Close)
//   FMOD_ERR_INVALID_PARAM  name is null
//   FMOD_ERR_FILE_NOTFOUND  no such file
//   FMOD_ERR_FILE_BAD       it cannot be opened or read, or is not a regular file
//   FMOD_ERR_FILE_FORMAT    empty, or not a module libopenmpt can read
//   FMOD_ERR_MEMORY         larger than 64 MiB, or out of memory
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
// Stops it if it plays; once this returns, none of its callbacks runs again.
// Fails with FMOD_ERR_INVALID_PARAM for null.
signed char FMUSIC_FreeSong(FMUSIC_MODULE* module);
// Starts at the first order, and stops whichever module played before; the
// song loops to its restart position at its end. Fails with
// FMOD_ERR_INVALID_PARAM for null, FMOD_ERR_UNINITIALIZED without FSOUND_Init.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* module);
// Hooks `callback` (null unhooks) onto instrument 0..255 (written 1..256 in
// pattern cells). Fails with FMOD_ERR_INVALID_PARAM for a null module or an
// instrument outside 0..255.
signed char FMUSIC_SetInstCallback(FMUSIC_MODULE* module, FMUSIC_CALLBACK callback, int instrument);
// Continues from row 0 of `order` (from the next audio block when playing);
// that row's triggers fire when they are due, as every row's do. An order
// outside the order list, or a null module, fails with FMOD_ERR_INVALID_PARAM
// and changes nothing.
signed char FMUSIC_SetOrder(FMUSIC_MODULE* module, int order);
// The position of the last row delivered: the row heard one display lead from
// now (the row heard now with no lead), not the one being mixed ahead. 0, 0
// until the first row is due after FMUSIC_PlaySong. -1 and FMOD_ERR_INVALID_PARAM
// for a null module.
int FMUSIC_GetOrder(FMUSIC_MODULE* module);
int FMUSIC_GetRow(FMUSIC_MODULE* module);
