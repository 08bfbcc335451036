// Which instruments have triggered, counted in the sync path for the maker's
// overlay. Off unless switched on, so the demo's own run only pays one relaxed
// load per trigger. Any thread may count and read; each count is one lock-free
// value, read whole.
#pragma once
#include <cstdint>

void trigger_record_enable(bool on);
// Called by the instrument hook; counts instrument n (0-based) while enabled.
// Instruments past the hooked ones are ignored.
void trigger_record_add(unsigned char n);
// Triggers of instrument n counted so far; 0 for an instrument outside the hooked ones.
uint32_t trigger_record_count(int n);
