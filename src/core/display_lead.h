// How far ahead of the music the frame loop must read it for its pictures to
// come up as the music sounds.
//
// A frame reads the music's state (callbacks, position) when its drawing
// starts and is shown when its swap returns: the read-to-shown time. An event
// that becomes due just after one read waits for the next: on average half a
// read-to-read period more. The lead is the sum of the two, each the median
// of the last kLeadFrames frames, so one slow frame does not move it.
#pragma once

constexpr int kLeadFrames = 16;

struct DisplayLead {
    double read_ms[kLeadFrames];   // when each frame read the music
    double shown_ms[kLeadFrames];  // when its swap returned
    int count;                     // frames recorded; the last kLeadFrames are kept
};

// One frame: its read and its swap's return, in ms on one steady clock.
void display_lead_add(DisplayLead* lead, double read_ms, double shown_ms);
// The lead in ms: median read-to-shown plus half the median period; 0 before
// the first frame, read-to-shown alone before the second.
double display_lead_ms(const DisplayLead& lead);
