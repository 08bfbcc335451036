// What a demo maker's session asks of the live driver behind fmod_api.h:
// pause, a jump that forgets the events queued before it, and holding one
// order. The demo's own run never calls these, so its sound and sync stay
// exactly as they are without them.
//
// Threads: the main thread, like the FMUSIC_ calls that change playback;
// music_maker_heard_seconds from any thread. Every call fails (0, and
// FMOD_ERR_INVALID_PARAM from FSOUND_GetError) for a null module.
#pragma once

struct FMUSIC_MODULE;

// Paused, the module hands the output silence from its next audio block and
// its position stands still: what was already handed still sounds, and its
// rows and triggers are delivered as they are heard; after that nothing moves
// until it is resumed, which continues with the very next sample. No trigger
// is lost or delivered twice across a pause.
signed char music_maker_set_paused(FMUSIC_MODULE* module, bool paused);
bool music_maker_paused(const FMUSIC_MODULE* module);

// Continues from row 0 of `order` from the next audio block, and drops every
// row and trigger still queued from before, so neither the heard position nor
// the callbacks show anything of the old place after the jump (its already
// handed sound still plays out). While paused, the position reads (order, 0)
// as soon as that would be heard; its triggers fire on resuming. An order
// outside the order list fails with FMOD_ERR_INVALID_PARAM.
signed char music_maker_jump(FMUSIC_MODULE* module, int order);

// Holds playback in `order`: at its end (or at any row start outside it) the
// song goes back to its row 0. -1 lets the song run on. Takes effect from the
// next audio block; an order outside -1..orders-1 fails with
// FMOD_ERR_INVALID_PARAM.
signed char music_maker_loop_order(FMUSIC_MODULE* module, int order);
int music_maker_looped_order(const FMUSIC_MODULE* module);  // -1: none

// The module's orders (fixed at load); 0 for a null module.
int music_maker_order_count(const FMUSIC_MODULE* module);

// The song position, in seconds, at which the row now heard started (as
// libopenmpt counts from the song's start); 0 before the first row or for a
// null module.
double music_maker_heard_seconds(const FMUSIC_MODULE* module);
