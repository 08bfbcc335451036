// The sync map: every row start and instrument trigger of the music a capture
// rendered, one TSV line each, in sample order, for checking the music layer
// against other tools and for planning pictures on the music.
//
//   sample  seconds   order  row  kind     instrument  channel
//   0       0.000000  0      0    row
//   0       0.000000  0      0    trigger  3           0
//
// `sample` counts samples at the mix rate from the music's first sample (the
// player core's own count), `seconds` is the same point in seconds; rows leave
// instrument and channel empty; instrument is 0-based (the cell's number - 1,
// as the demo's hooks number them), channel the 0-based pattern channel.
#pragma once
#include <cstdio>
#include <string>

#include "core/music/player_core.h"

struct EventMap {
    std::FILE* file = nullptr;
    int rate = 0;
};

// Creates (or empties) `path` and writes the header line. Returns false with
// the file closed when it cannot be created.
bool event_map_open(EventMap* map, const std::string& path, int rate);
// One event's line, without the newline.
std::string event_map_line(const MusicEvent& e, int rate);
void event_map_add(EventMap* map, const MusicEvent& e);
// Closes the file; false when any write failed. Nothing to do when not open.
bool event_map_close(EventMap* map);
