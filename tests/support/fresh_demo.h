// Tests only: the demo as a process that has just started.
#pragma once

// Every layer's process-wide state, the panel scenes, the choice table, the
// sync state and the random sequence back to their start values. GL state
// and the recorder are the caller's.
void fresh_demo();
